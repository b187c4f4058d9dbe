#include "engine/path_macros.h"

#include <windows.h>
#include <shlobj.h>

#include "app/installer_state.h"
#include "base/registry.h"
#include "package/setup_files.h"

namespace {

bool Contains(const WString& text, const wchar_t* placeholder) {
    return text.ToUpper().Find(WString(placeholder).ToUpper(), 1) != 0;
}

// An empty value would turn the placeholder into a lone backslash, a path
// at the root of the current drive; the placeholder stays instead.
void Substitute(WString& text, const wchar_t* placeholder, const wchar_t* value) {
    WString folder(value);
    if (folder.IsEmpty()) return;
    folder.EnsureTrailingBackslash();
    text.Replace(placeholder, folder, true);
}

void SpecialFolder(wchar_t* buffer, int csidl) {
    buffer[0] = 0;
    LPITEMIDLIST items = nullptr;
    if (SHGetSpecialFolderLocation(nullptr, csidl, &items) != S_OK || !items) return;
    if (!SHGetPathFromIDListW(items, buffer)) buffer[0] = 0;
    IMalloc* shellMalloc = nullptr;
    if (SHGetMalloc(&shellMalloc) == S_OK && shellMalloc) {
        shellMalloc->Free(items);
        shellMalloc->Release();
    }
}

// The known folder UserProgramFiles where the shell has it (looked up at
// run time: older systems lack the call), else its usual place.
WString UserProgramsFolder() {
    typedef HRESULT(WINAPI * KnownFolderPathFn)(REFGUID, DWORD, HANDLE, PWSTR*);
    static const GUID kUserProgramFiles = {0x5cd7aee2, 0x2219, 0x4a67, {0xb8, 0x5d, 0x6c, 0x9c, 0xe1, 0x56, 0x60, 0xcb}};
    const DWORD kDontVerify = 0x4000;  // the folder need not exist yet
    KnownFolderPathFn knownFolderPath =
        (KnownFolderPathFn)(void*)GetProcAddress(GetModuleHandleW(L"shell32"), "SHGetKnownFolderPath");
    PWSTR path = nullptr;
    WString folder;
    if (knownFolderPath && knownFolderPath(kUserProgramFiles, kDontVerify, nullptr, &path) == S_OK && path)
        folder = path;
    if (path) CoTaskMemFree(path);
    if (!folder.IsEmpty()) return folder;
    wchar_t buffer[MAX_PATH] = {0};
    SpecialFolder(buffer, CSIDL_LOCAL_APPDATA);
    folder = buffer;
    if (folder.IsEmpty()) return folder;
    folder.EnsureTrailingBackslash();
    return folder.Append(L"Programs");
}

// A 32-bit process on 64-bit Windows reads the 32-bit registry view, where
// "ProgramFilesDir" is the 32-bit folder and "ProgramW6432Dir" the native one.
WString ProgramFilesValue() {
    if (state.userScope) return UserProgramsFolder();
    WString value;
    if (state.use64BitLocations) value = ReadStringValue(L"ProgramW6432Dir", HKEY_LOCAL_MACHINE, kCurrentVersionKey);
    if (value.IsEmpty()) value = ReadStringValue(L"ProgramFilesDir", HKEY_LOCAL_MACHINE, kCurrentVersionKey);
    return value;
}

struct SpecialMacro {
    const wchar_t* placeholder;
    int csidl;
    const wchar_t* tail;
};

const SpecialMacro kSpecialMacros[] = {
    {L"<Startup>", CSIDL_STARTUP, nullptr},
    {L"<Start Programs>", CSIDL_COMMON_PROGRAMS, nullptr},
    {L"<Start Programs>", CSIDL_PROGRAMS, nullptr},
    {L"<DeskTop>", CSIDL_DESKTOPDIRECTORY, nullptr},
    {L"<QuickLaunch>", CSIDL_APPDATA, L"Microsoft\\Internet Explorer\\Quick Launch\\"},
    {L"<MyDocuments>", CSIDL_PERSONAL, nullptr},
};

void FoldBackslashes(WString& text) {
    bool unc = text.Find(L"\\\\", 1) == 1;
    text.Replace(L"\\\\", L"\\", false);
    if (unc) text.InsertChar(L'\\', 1);
}

}  // namespace

void ExpandPathMacros(WString& text) {
    wchar_t buffer[MAX_PATH] = {0};
    if (Contains(text, L"<System>")) {
        GetSystemDirectoryW(buffer, MAX_PATH);
        Substitute(text, L"<System>", buffer);
    }
    if (Contains(text, L"<SystemWOW64>")) {
        // Without a WOW64 folder (32-bit Windows) the call fails and leaves
        // the System folder in the buffer, which is then what is used.
        GetSystemDirectoryW(buffer, MAX_PATH);
        GetSystemWow64DirectoryW(buffer, MAX_PATH);
        Substitute(text, L"<SystemWOW64>", buffer);
    }
    if (Contains(text, L"<Windows>")) {
        GetWindowsDirectoryW(buffer, MAX_PATH);
        Substitute(text, L"<Windows>", buffer);
    }
    Substitute(text, L"<Destination>", state.installPath);
    if (Contains(text, L"<Program Files>")) Substitute(text, L"<Program Files>", ProgramFilesValue());
    if (Contains(text, L"<User Programs>")) Substitute(text, L"<User Programs>", UserProgramsFolder());
    for (const SpecialMacro& macro : kSpecialMacros) {
        if (!Contains(text, macro.placeholder)) continue;
        // The Start menu of the install's scope: everyone's or the user's.
        if (macro.csidl == (state.userScope ? CSIDL_COMMON_PROGRAMS : CSIDL_PROGRAMS)) continue;
        SpecialFolder(buffer, macro.csidl);
        WString folder(buffer);
        if (!folder.IsEmpty() && macro.tail) {
            folder.EnsureTrailingBackslash();
            folder.Append(macro.tail);
        }
        Substitute(text, macro.placeholder, folder);
    }
    // No package in uninstall mode: "<Source>" stays.
    if (state.package) Substitute(text, L"<Source>", state.package->Folder());
    FoldBackslashes(text);
}
