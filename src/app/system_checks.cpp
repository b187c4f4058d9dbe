#include "app/system_checks.h"

#include "base/disk_file.h"
#include "base/folders.h"
#include "base/wstring.h"
#include "engine/path_macros.h"

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
    WString probe(L"<Program Files>\\BraskInstaller.TMP");
    ExpandPathMacros(probe);
    DiskFile file;
    file.SetPath(probe);
    file.Open(GENERIC_WRITE, CREATE_ALWAYS, false);
    bool writable = file.IsOpen();
    file.Close();
    if (writable) DeleteFileRetry(probe);
    return writable;
}
