// A fresh folder under the temporary folder for one test, removed after it.
#pragma once

#include <string>
#include <vector>

class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    // The folder, ending in a backslash.
    const std::wstring& Path() const { return path_; }
    std::wstring operator/(const std::wstring& name) const { return path_ + name; }

private:
    std::wstring path_;
};

// Writes bytes to a file, creating or truncating it.
bool WriteBytes(const std::wstring& path, const std::string& bytes);
std::string ReadBytes(const std::wstring& path);
// Text split at LF, each line without its CR.
std::vector<std::string> TextLines(const std::string& text);
// The installers' private folders ("BKI*.tmp") in the temporary folder.
int CountPrivateFolders();
