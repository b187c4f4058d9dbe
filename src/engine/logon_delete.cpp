#include "engine/logon_delete.h"

#include <windows.h>

#include "base/registry.h"
#include "base/wstring.h"

namespace {

const wchar_t kRunOnce[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";

WString ValueName(const wchar_t* projectName) { return WString(L"BraskUninstall-").Append(projectName); }

}  // namespace

void ScheduleLogonDelete(const wchar_t* projectName, const wchar_t* file, const wchar_t* folder) {
    wchar_t system[MAX_PATH] = {0};
    GetSystemDirectoryW(system, MAX_PATH);
    WString command = WString::Formatted(L"\"%s\\cmd.exe\" /c del /f /q \"%s\"", system, file);
    if (folder) command.Append(WString::Formatted(L" & rmdir \"%s\"", folder));
    WriteString(command, ValueName(projectName), HKEY_CURRENT_USER, kRunOnce);
}

void CancelLogonDelete(const wchar_t* projectName) {
    RegKey key(KEY_SET_VALUE, HKEY_CURRENT_USER, kRunOnce);
    if (key.IsOpen()) RegDeleteValueW(key.Handle(), ValueName(projectName));
}
