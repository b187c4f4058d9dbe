#include "uninstall/uninstaller.h"

#include <objbase.h>

#include "app/command_line.h"
#include "app/focus_window.h"
#include "app/installer_state.h"
#include "app/language.h"
#include "app/processes.h"
#include "app/roles.h"
#include "app/system_checks.h"
#include "base/message_box.h"
#include "base/run_log.h"
#include "base/texts.h"
#include "engine/environment.h"
#include "engine/existing_version.h"
#include "engine/install_scope.h"
#include "engine/path_macros.h"
#include "uninstall/uninstall_dialog.h"
#include "uninstall/uninstall_worker.h"

namespace {

const wchar_t kOldQuietTail[] = L" --silent";

bool FileExists(const wchar_t* path) { return GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES; }

int RunElevatedUninstall() {
    WString line(GetCommandLineW());
    state.uninstallLogPath = UninstallLogPathOfCommandLine(line);
    RunLog("role: uninstaller, replays '%s'%s", (const wchar_t*)state.uninstallLogPath,
           state.silent ? L" silently" : L"");
    if (state.uninstallLogPath.IsEmpty()) return kUninstallFailed;
    // Anything but a record (a mistyped path, some other file) would be
    // deleted after its replay, with the Uninstall key named after it.
    ExpandPathMacros(state.uninstallLogPath);
    if (!IsUninstallRecord(state.uninstallLogPath)) {
        RunLog("'%s' is no uninstall record: nothing removed", (const wchar_t*)state.uninstallLogPath);
        ReportMissingRecord(nullptr, state.uninstallLogPath);
        return kUninstallFailed;
    }
    bool sayOnRebootRunInst = HasSwitch(L"--sayonrebootruninst");
    CoInitialize(nullptr);
    state.projectName = ProjectNameFromLogPath(state.uninstallLogPath);
    state.installPath = InstallPathOfProduct(state.projectName);
    int exitCode;
    {
        dlgUnInstall dialog(sayOnRebootRunInst);
        exitCode = dialog.ExitCode();
    }
    BroadcastEnvironmentChange();
    CoUninitialize();
    return exitCode;
}

}  // namespace

WString UninstallLogPathOfCommandLine(const WString& line) {
    WString path = UninstallLogPathFromCommand(line);
    int32_t tail = (int32_t)(sizeof kOldQuietTail / sizeof kOldQuietTail[0]) - 1;
    if (FileExists(path) || path.Length() - 1 <= tail || Compare(path.Right(tail), kOldQuietTail, false) != 0)
        return path;
    path.DropRight(tail);
    path.TrimTrailingSpaces();
    if (!path.IsEmpty() && path.CharAt(WString::kLast) == L'"') path.DropRight(1);
    return path;
}

bool RunElevatedAndWait(const wchar_t* program, const wchar_t* parameters, HWND focusWindow, DWORD& exitCode) {
    exitCode = 0;
    // A user who can already write Program Files needs no consent prompt.
    const wchar_t* verb = CanWriteProgramFiles() ? nullptr : L"runas";
    HANDLE process = nullptr;
    if (!ShellStart(verb, program, parameters, process)) return false;
    if (!process) return false;
    DWORD started = GetTickCount();
    bool hidden = false;
    while (WaitForSingleObject(process, 1000) == WAIT_TIMEOUT) {
        // No message loop runs here: the window goes once the elevated copy
        // has had time to show its own.
        if (!hidden && focusWindow && GetTickCount() - started > 5000) {
            ShowWindow(focusWindow, SW_HIDE);
            hidden = true;
        }
    }
    GetExitCodeProcess(process, &exitCode);
    CloseHandle(process);
    return true;
}

int RunUninstaller() {
    WString record = UninstallLogPathOfCommandLine(WString(GetCommandLineW()));
    ExpandPathMacros(record);
    ApplyRecordedLanguage(record);
    state.caption = Text(kUninstallerCaption);
    // A user's own install is removed as that user: no rights are needed.
    state.userScope = ReadScopeRule(record) == kScopeUserOnly;
    if (state.userScope || CanWriteProgramFiles()) return RunElevatedUninstall();
    if (HasSwitch(L"--IsElevated")) {
        // Already the relaunched copy, and still without the rights.
        ShowMessage(nullptr, Text(kUninstallAdminRequired), state.caption, MB_ICONERROR);
        return kUninstallFailed;
    }
    RunLog("role: uninstaller, relaunches itself elevated and waits");
    // Painted on construction: the wait below runs no message loop.
    dlgNonElevateWndWithFocus focusWindow;
    if (IsXpOrLater() && GetOsVersion().dwMajorVersion < 6) {
        // These systems show a run-as dialog instead of a consent prompt.
        ShowMessage(nullptr, Text(kUninstallAdminRunAs), state.caption, MB_ICONINFORMATION);
    }
    WString parameters = WString::Formatted(L"--IsElevated %s", (const wchar_t*)GetRestOfCommandLine());
    DWORD exitCode = 0;
    bool ran = RunElevatedAndWait(GetExePath(), parameters, focusWindow.hwnd, exitCode);
    DWORD error = ran ? ERROR_SUCCESS : GetLastError();
    focusWindow.Release();
    if (ran) RunLog("the elevated uninstaller ended with %lu", exitCode);
    if (!ran) return error == ERROR_CANCELLED ? kUninstallCancelled : kUninstallFailed;
    return (int)exitCode;
}

int RunUninstallerRole() { return RunUninstaller(); }
