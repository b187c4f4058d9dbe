// One install through the real worker thread: a script and its files packed
// with bkpack, opened as the process's package, the installer state set as
// the wizard would set it, and everything the install made removed after.
#pragma once

#include <windows.h>

#include <string>

#include "support/scratch.h"

class InstallRun {
public:
    InstallRun(const wchar_t* projectName, const wchar_t* installFolder);
    ~InstallRun();
    InstallRun(const InstallRun&) = delete;
    InstallRun& operator=(const InstallRun&) = delete;

    // A file of the package, by entry name.
    void Add(const std::wstring& entry, const std::string& bytes);
    void AddCopy(const std::wstring& entry, const std::wstring& source);
    // Packs script with the files; false when bkpack refused.
    bool Pack(const std::string& script);
    // Runs the worker on a StoppableThread to its end (at most 60 s).
    bool Run();

    std::wstring Installed(const std::wstring& relative) const { return installPath + relative; }
    // The command file of the elevated child; a FakeParent serves it.
    std::wstring CommandFile() const { return dir / L"cmd.tmp"; }

    ScratchFolder dir;
    std::wstring installPath;  // with a trailing backslash
    std::string script;
    HWND owner = nullptr;

private:
    std::wstring project_;
};

std::wstring Expand(const wchar_t* text);
bool ReadDword(HKEY root, const wchar_t* key, const wchar_t* name, DWORD& value);
// The value's text, or "<missing>"; type receives its registry type.
std::wstring ReadText(HKEY root, const wchar_t* key, const wchar_t* name, DWORD* type = nullptr);
bool KeyExists(HKEY root, const wchar_t* key);
