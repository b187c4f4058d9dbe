#include "base/protected_folders.h"

#include <shlobj.h>

#include "base/registry.h"
#include "base/wstring.h"

namespace {

// The shell's folders an uninstall must never take, per user and common.
const int kShellFolders[] = {
    CSIDL_STARTUP,           CSIDL_COMMON_STARTUP,     CSIDL_PROGRAMS,      CSIDL_COMMON_PROGRAMS,
    CSIDL_STARTMENU,         CSIDL_COMMON_STARTMENU,   CSIDL_DESKTOPDIRECTORY, CSIDL_COMMON_DESKTOPDIRECTORY,
    CSIDL_APPDATA,           CSIDL_LOCAL_APPDATA,      CSIDL_COMMON_APPDATA, CSIDL_PERSONAL,
    CSIDL_COMMON_DOCUMENTS,  CSIDL_PROFILE,            CSIDL_FONTS,         CSIDL_PROGRAM_FILES,
    CSIDL_PROGRAM_FILES_COMMON,
};

const wchar_t* const kProgramFilesValues[] = {L"ProgramFilesDir", L"ProgramW6432Dir", L"ProgramFilesDir (x86)",
                                              L"CommonFilesDir", L"CommonW6432Dir"};

// The root of the volume path lies on: GetVolumePathNameW knows mounted
// folders; without it the drive or share at the path's start.
WString VolumeRoot(const WString& fullPath) {
    wchar_t buffer[MAX_PATH] = {0};
    if (GetVolumePathNameW(fullPath, buffer, MAX_PATH) && buffer[0]) return WString(buffer);
    return fullPath.Left(3);
}

}  // namespace

WString FullPath(const wchar_t* path) {
    WString text(path);
    if (text.Find(L"\\\\?\\UNC\\", 1) == 1) {
        text = text.From(8);
        text.InsertChar(L'\\', 1);
        text.InsertChar(L'\\', 1);
    } else if (text.Find(L"\\\\?\\", 1) == 1) {
        text = text.From(5);
    }
    // "C:" alone names the root here, as it does in DirWalker's "C:\*.*",
    // not the drive's current folder GetFullPathNameW would make of it.
    if (text.Length() - 1 == 2 && text.CharAt(2) == L':') text.Append(L"\\");
    wchar_t buffer[1024] = {0};
    DWORD n = GetFullPathNameW(text, 1024, buffer, nullptr);
    WString full = (n > 0 && n < 1024) ? WString(buffer) : text;
    full.StripTrailingBackslashes();
    return full;
}

namespace {

// "X:" or "\\server\share" alone, the forms of a root once trailing
// backslashes are gone.
bool IsRootText(const WString& full) {
    if (full.Length() - 1 <= 2) return true;
    if (full.Find(L"\\\\", 1) != 1) return false;
    int32_t slashes = 0;
    for (int32_t i = 3; i < full.Length(); ++i)
        if (full.CharAt(i) == L'\\') ++slashes;
    return slashes <= 1;
}

}  // namespace

bool IdentifyFolder(const wchar_t* path, FolderIdentity& identity) {
    if (!path || !*path) return false;
    WString full = FullPath(path);
    if (full.Length() - 1 == 2) full.Append(L"\\");
    // Backup semantics open a folder; reading no data needs no rights to it.
    HANDLE h = CreateFileW(LongPath(full, 248), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    BY_HANDLE_FILE_INFORMATION info;
    bool ok = GetFileInformationByHandle(h, &info) != 0;
    CloseHandle(h);
    if (!ok) return false;
    identity.volume = info.dwVolumeSerialNumber;
    identity.indexHigh = info.nFileIndexHigh;
    identity.indexLow = info.nFileIndexLow;
    return true;
}

bool SameIdentity(const FolderIdentity& a, const FolderIdentity& b) {
    return a.volume == b.volume && a.indexHigh == b.indexHigh && a.indexLow == b.indexLow;
}

bool SameObject(const wchar_t* a, const wchar_t* b) {
    FolderIdentity first, second;
    return IdentifyFolder(a, first) && IdentifyFolder(b, second) && SameIdentity(first, second);
}

ProtectedFolders::ProtectedFolders() {
    wchar_t buffer[MAX_PATH];
    if (GetWindowsDirectoryW(buffer, MAX_PATH)) Add(buffer);
    if (GetSystemWindowsDirectoryW(buffer, MAX_PATH)) Add(buffer);
    if (GetSystemDirectoryW(buffer, MAX_PATH)) Add(buffer);
    if (GetSystemWow64DirectoryW(buffer, MAX_PATH)) Add(buffer);
    for (const wchar_t* value : kProgramFilesValues)
        Add(ReadStringValue(value, HKEY_LOCAL_MACHINE, kCurrentVersionKey));
    for (int csidl : kShellFolders) {
        buffer[0] = 0;
        if (SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, buffer) != S_OK || !buffer[0]) continue;
        Add(buffer);
        WString folder(buffer);
        if (csidl == CSIDL_PROFILE) {
            // The folder holding every user's profile.
            Add(folder.FolderPart());
        } else if (csidl == CSIDL_APPDATA) {
            folder.EnsureTrailingBackslash();
            Add(folder.Append(L"Microsoft\\Internet Explorer\\Quick Launch"));
        }
    }
}

void ProtectedFolders::Add(const wchar_t* path) {
    if (count_ < kCapacity && IdentifyFolder(path, folders_[count_])) ++count_;
}

bool ProtectedFolders::Contains(const wchar_t* path) const {
    if (!path || !*path) return true;
    WString full = FullPath(path);
    if (IsRootText(full)) return true;
    FolderIdentity identity, root;
    if (!IdentifyFolder(full, identity)) return false;
    if (IdentifyFolder(VolumeRoot(full), root) && SameIdentity(identity, root)) return true;
    for (int i = 0; i < count_; ++i)
        if (SameIdentity(identity, folders_[i])) return true;
    return false;
}
