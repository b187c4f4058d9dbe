#include "app/reboot.h"

#include "app/installer_state.h"
#include "base/texts.h"

namespace {

RestartHook g_restartHook = nullptr;

typedef DWORD(WINAPI* InitiateShutdownFunction)(LPWSTR machine, LPWSTR message, DWORD gracePeriod, DWORD flags,
                                                 DWORD reason);

// Without the privilege the system refuses to restart. Failures show in
// the restart call's own result.
void EnableShutdownPrivilege() {
    HANDLE process = OpenProcess(PROCESS_ALL_ACCESS, FALSE, GetCurrentProcessId());
    HANDLE token = nullptr;
    if (process && OpenProcessToken(process, TOKEN_ADJUST_PRIVILEGES, &token)) {
        TOKEN_PRIVILEGES privileges = {};
        privileges.PrivilegeCount = 1;
        privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
        if (LookupPrivilegeValueW(nullptr, L"SeShutdownPrivilege", &privileges.Privileges[0].Luid))
            AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);
        CloseHandle(token);
    }
    if (process) CloseHandle(process);
}

}  // namespace

void SetRestartHook(RestartHook hook) { g_restartHook = hook; }

DWORD StartSystemRestart() {
    EnableShutdownPrivilege();
    // The calls take a writable text.
    WString text(Text(kSystemRestarting));
    wchar_t* message = const_cast<wchar_t*>(text.Text());
    // InitiateShutdownW arrived with Vista and can restart the applications
    // that registered for it; XP has only the older call.
    HMODULE advapi = LoadLibraryW(L"advapi32.dll");
    InitiateShutdownFunction initiateShutdown =
        advapi ? (InitiateShutdownFunction)(void*)GetProcAddress(advapi, "InitiateShutdownW") : nullptr;
    DWORD result;
    if (initiateShutdown) {
        result = initiateShutdown(nullptr, message, 0, SHUTDOWN_RESTART | SHUTDOWN_RESTARTAPPS,
                                  SHTDN_REASON_MAJOR_SOFTWARE | SHTDN_REASON_MINOR_INSTALLATION);
    } else {
        result = InitiateSystemShutdownW(nullptr, message, 0, FALSE, TRUE) ? ERROR_SUCCESS : GetLastError();
    }
    if (advapi) FreeLibrary(advapi);
    return result;
}

bool Reboot() {
    if (state.silent && !state.autoReboot) return false;
    DWORD result = g_restartHook ? g_restartHook() : StartSystemRestart();
    PostQuitMessage(0);
    return result == ERROR_SUCCESS;
}
