#include "app/system_checks.h"

#include "base/disk_file.h"
#include "base/folders.h"
#include "base/wstring.h"

namespace {

// The Program Files folder as this process sees it (a 32-bit process on
// 64-bit Windows is shown the 32-bit folder by registry redirection).
WString ProgramFilesFolder() {
    WString folder(L"C:\\Program Files");
    HKEY key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows\\CurrentVersion", 0, KEY_READ, &key) ==
        ERROR_SUCCESS) {
        wchar_t buffer[MAX_PATH];
        DWORD bytes = sizeof(buffer) - sizeof(wchar_t);
        DWORD type = 0;
        if (RegQueryValueExW(key, L"ProgramFilesDir", nullptr, &type, (BYTE*)buffer, &bytes) == ERROR_SUCCESS &&
            (type == REG_SZ || type == REG_EXPAND_SZ)) {
            buffer[bytes / sizeof(wchar_t)] = 0;
            folder = buffer;
        }
        RegCloseKey(key);
    }
    folder.EnsureTrailingBackslash();
    return folder;
}

}  // namespace

const OSVERSIONINFOW& GetOsVersion() {
    static OSVERSIONINFOW version;
    static bool fetched = false;
    if (!fetched) {
        version.dwOSVersionInfoSize = sizeof(OSVERSIONINFOW);  // 276
        GetVersionExW(&version);
        fetched = true;
    }
    return version;
}

bool IsXpOrLater() {
    const OSVERSIONINFOW& v = GetOsVersion();
    return v.dwMajorVersion > 5 || (v.dwMajorVersion == 5 && v.dwMinorVersion != 0);
}

bool CanWriteProgramFiles() {
    WString probe = ProgramFilesFolder();
    probe.Append(L"BraskInstaller.TMP");
    DiskFile file;
    file.SetPath(probe);
    file.Open(GENERIC_WRITE, CREATE_ALWAYS, false);
    bool writable = file.IsOpen();
    file.Close();
    if (writable) DeleteFileRetry(probe);
    return writable;
}
