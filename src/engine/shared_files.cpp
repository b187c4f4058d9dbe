#include "engine/shared_files.h"

#include <windows.h>

#include "app/installer_state.h"
#include "base/lists.h"
#include "base/protected_folders.h"
#include "base/registry.h"
#include "base/run_log.h"
#include "base/string_index.h"
#include "engine/install_journal.h"

namespace {

const wchar_t kSharedDlls[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";
const wchar_t* const kNativeFolderValues[] = {L"ProgramW6432Dir", L"CommonW6432Dir"};
const int kNativeFolderCount = 2;
// The native folders, read once: they do not change while the process
// runs, and every file of an uninstall asks (three registry calls each).
WString nativeFolders[kNativeFolderCount];
bool nativeFoldersRead = false;

// The files counted for the product being installed: a script may name one
// destination twice, and its product uses it once. Namespace-scope objects:
// the guard of a function-local static drags in the exception runtime.
StringIndex counted;
WString countedFor;

// The product folder InProductFolder compares with: installPath as it was
// (productFor), and canonical, kept once the folder exists.
WString productFor, productFolder;
bool productExists = false;

// The full path without "." and "..", with long names where the path
// exists: one name per file, whatever the record spelt.
// GetLongPathNameW opens every folder on the way, and an uninstall asks for
// each of its files in record order: the long form of the last folder is
// kept, and a file's own name needs the call only when it can be a short
// one (short names hold a "~").
WString lastFolder, lastLongFolder;

WString CanonicalPath(const wchar_t* path) {
    wchar_t buffer[1024];
    DWORD n = GetFullPathNameW(path, 1024, buffer, nullptr);
    WString result = (n > 0 && n < 1024) ? WString(buffer) : WString(path);
    WString name = result.FileName();
    if (!name.IsEmpty() && name.FindChar(L'~', 1) == 0) {
        WString folder = result.FolderPart();
        if (Compare(folder, lastFolder, false) != 0) {
            n = GetLongPathNameW(folder, buffer, 1024);
            lastLongFolder = (n > 0 && n < 1024) ? WString(buffer) : folder;
            lastFolder = folder;
        }
        WString joined(lastLongFolder);
        joined.EnsureTrailingBackslash();
        return joined.Append(name);
    }
    n = GetLongPathNameW(result, buffer, 1024);
    if (n > 0 && n < 1024) result = buffer;
    return result;
}

// path lies below folder (given without a trailing backslash).
bool IsBelow(const WString& path, WString folder) {
    folder.StripTrailingBackslashes();
    int32_t n = folder.Length() - 1;
    return n > 0 && path.Length() - 1 > n + 1 && path.CharAt(n + 1) == L'\\' && Compare(path.Left(n), folder, true) == 0;
}

// The value's name and registry view for a file. legacy: the name earlier
// releases gave a redirected file ("System32" for what lies in SysWOW64),
// empty for any other.
void CountLocation(const wchar_t* path, WString& name, REGSAM& view, WString* legacy = nullptr) {
    name = CanonicalPath(path);
    view = 0;
    if (!state.isWow64) return;
    // The native System folder, which this 32-bit process reaches as
    // "Sysnative", is "System32" to the 64-bit programs that share it.
    wchar_t windows[MAX_PATH] = {0}, system[MAX_PATH] = {0}, redirected[MAX_PATH] = {0};
    GetWindowsDirectoryW(windows, MAX_PATH);
    WString native(windows);
    native.EnsureTrailingBackslash();
    WString system32 = native;
    native.Append(L"Sysnative");
    system32.Append(L"System32");
    if (IsBelow(name, native)) {
        name = system32.Append(name.From(native.Length()));
        view = KEY_WOW64_64KEY;
        return;
    }
    // What this process writes to its System folder lies in SysWOW64.
    if (GetSystemDirectoryW(system, MAX_PATH) && GetSystemWow64DirectoryW(redirected, MAX_PATH) &&
        IsBelow(name, system)) {
        WString folder(system);
        folder.StripTrailingBackslashes();
        if (legacy) *legacy = name;
        name = WString(redirected).Append(name.From(folder.Length()));
        return;
    }
    if (!nativeFoldersRead) {
        for (int i = 0; i < kNativeFolderCount; i++)
            nativeFolders[i] = ReadStringValue(kNativeFolderValues[i], HKEY_LOCAL_MACHINE, kCurrentVersionKey);
        nativeFoldersRead = true;
    }
    for (const WString& folder : nativeFolders)
        if (!folder.IsEmpty() && IsBelow(name, folder)) view = KEY_WOW64_64KEY;
}

bool ReadCount(const RegKey& key, const wchar_t* name, DWORD& count) {
    DWORD type = 0, size = sizeof count;
    count = 0;
    return RegQueryValueExW(key.Handle(), name, nullptr, &type, (BYTE*)&count, &size) == ERROR_SUCCESS &&
           type == REG_DWORD && size == sizeof count;
}

void WriteCount(const RegKey& key, const wchar_t* name, DWORD count) {
    RegSetValueExW(key.Handle(), name, 0, REG_DWORD, (const BYTE*)&count, sizeof count);
    RunLog("shared file '%s': %lu use(s)", name, count);
}

// The files counted for the product being installed start anew with
// another product.
void ForProduct() {
    if (Compare(countedFor, state.projectName, false) == 0) return;
    counted.Clear();
    countedFor = state.projectName;
}

}  // namespace

bool InProductFolder(const wchar_t* path) {
    if (state.installPath.IsEmpty()) return false;
    // Every file of an install or uninstall asks: the folder's canonical
    // path is looked for once, once the folder exists.
    FolderIdentity product, above;
    if (!productExists || Compare(productFor, state.installPath, false) != 0) {
        productFor = state.installPath;
        productFolder = CanonicalPath(productFor);
        productExists = IdentifyFolder(productFolder, product);
        if (!productExists) return IsBelow(CanonicalPath(path), productFolder);
    }
    // A path below the folder as spelt, or as the system spells it, is in
    // it; only other spellings need the file's canonical path.
    WString full = FullPath(path);
    if (IsBelow(full, productFolder) || IsBelow(full, FullPath(productFor))) return true;
    WString file = CanonicalPath(path);
    if (IsBelow(file, productFolder)) return true;
    // Spellings the text does not tell apart (a link, a mapped drive): the
    // folders above the file, by identity.
    if (!IdentifyFolder(productFolder, product)) return false;
    for (WString up = file.FolderPart(); up.Length() - 1 > 3; up = up.FolderPart()) {
        up.StripTrailingBackslashes();
        if (IdentifyFolder(up, above) && SameIdentity(product, above)) return true;
    }
    return false;
}

void AddSharedUse(const wchar_t* path, bool existedBefore) {
    ForProduct();
    if (InProductFolder(path)) return;
    WString name;
    REGSAM view;
    CountLocation(path, name, view);
    if (!counted.Add(name, 0)) return;
    RegKey key(KEY_QUERY_VALUE | KEY_SET_VALUE | view, HKEY_LOCAL_MACHINE, kSharedDlls);
    if (!key.IsOpen()) return;
    DWORD count;
    if (!ReadCount(key, name, count)) count = existedBefore ? 1 : 0;
    Journal().Value(HKEY_LOCAL_MACHINE, view, kSharedDlls, name);
    WriteCount(key, name, count + 1);
}

void CountedBefore(const StringList& files) {
    ForProduct();
    WString name;
    REGSAM view;
    for (int32_t i = 0; i < files.Count(); i++) {
        CountLocation(files[i], name, view);
        counted.Add(name, 0);
    }
}

bool ReleaseSharedUse(const wchar_t* path) {
    WString name, legacy;
    REGSAM view;
    CountLocation(path, name, view, &legacy);
    RegKey key(KEY_QUERY_VALUE | KEY_SET_VALUE | view, HKEY_LOCAL_MACHINE, kSharedDlls);
    DWORD count;
    if (!key.IsOpen()) return true;
    if (InProductFolder(path)) return !ReadCount(key, name, count) || count == 0;
    // A count an earlier release wrote under the System32 name is this
    // product's; the SysWOW64 one may be another installer's alone.
    if (!legacy.IsEmpty() && ReadCount(key, legacy, count)) name = legacy;
    if (!ReadCount(key, name, count)) return true;
    Journal().Value(HKEY_LOCAL_MACHINE, view, kSharedDlls, name);
    if (count > 1) {
        WriteCount(key, name, count - 1);
        return false;
    }
    RegDeleteValueW(key.Handle(), name);
    RunLog("shared file '%s': last use gone", (const wchar_t*)name);
    return true;
}
