#include "support/scratch.h"

#include <windows.h>

#include "base/folders.h"
#include "base/random.h"
#include "base/temp_files.h"

ScratchFolder::ScratchFolder() {
    WString folder = TempFolder();
    folder.Append(WString::Formatted(L"bktest-%u-%u\\", (unsigned)GetCurrentProcessId(), RandomBelow(0)));
    CreateFolderTree(folder);
    path_ = folder.Text();
}

ScratchFolder::~ScratchFolder() { RemoveTree(path_.c_str(), nullptr, true); }

bool WriteBytes(const std::wstring& path, const std::string& bytes) {
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    bool ok = WriteFile(h, bytes.data(), (DWORD)bytes.size(), &written, nullptr) && written == bytes.size();
    CloseHandle(h);
    return ok;
}

std::string ReadBytes(const std::wstring& path) {
    std::string bytes;
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return bytes;
    char chunk[4096];
    DWORD got = 0;
    while (ReadFile(h, chunk, sizeof chunk, &got, nullptr) && got > 0) bytes.append(chunk, got);
    CloseHandle(h);
    return bytes;
}

std::vector<std::string> TextLines(const std::string& text) {
    std::vector<std::string> lines;
    for (size_t at = 0; at < text.size();) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(at, end - at);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
        at = end + 1;
    }
    return lines;
}

int CountPrivateFolders() {
    int count = 0;
    DirWalker walker(L"BKI*.tmp", TempFolder());
    while (walker.Next())
        if (walker.IsFolder()) count++;
    return count;
}
