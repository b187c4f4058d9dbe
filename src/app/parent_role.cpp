// The first, unelevated instance: it relaunches itself elevated, waits, and
// carries out what the child asks of the user who started the installer.
#include "app/command_file.h"
#include "app/command_line.h"
#include "app/focus_window.h"
#include "app/installer_state.h"
#include "app/language.h"
#include "app/relaunch.h"
#include "app/roles.h"
#include "app/system_checks.h"
#include "base/folders.h"
#include "base/message_box.h"
#include "base/run_log.h"
#include "base/temp_files.h"
#include "base/texts.h"

namespace {

// Exit codes installers report to deployment tools.
const int kExitUserCancelled = 1602;
const int kExitInstallFailed = 1603;

}  // namespace

int RunParentRole() {
    RunLog("role: parent, relaunches itself elevated and waits");
    // Painted on construction: the wait below runs no message loop.
    dlgNonElevateWndWithFocus focusWindow;
    if (!CanWriteProgramFiles() && IsXpOrLater() && GetOsVersion().dwMajorVersion < 6) {
        // These systems show a run-as dialog instead of a consent prompt.
        ShowMessage(nullptr,
                    Text(kAdminRunAs),
                    state.caption, MB_ICONINFORMATION);
    }
    WString commandFile;
    MakeTempFile(commandFile, "BKI", nullptr);
    DeleteFileRetry(commandFile);  // only the unique name is wanted

    // "For everyone" chosen on this process's ready page: the child installs
    // at once, into the folder the page showed. Ahead of the rest of the
    // line, whose own switches would otherwise win.
    WString chosen;
    if (state.everyoneChosen)
        chosen.Format(L" --scope=machine --scopechosen --installto=\"%s\"", (const wchar_t*)state.installPath);
    WString parameters;
    // The child speaks the parent's language, whoever it runs as.
    parameters.Format(L"--selfrun --IsElevated=\"%s\"%s%s %s", (const wchar_t*)commandFile,
                      LanguageRequested() ? L"" : (const wchar_t*)LanguageOption(), (const wchar_t*)chosen,
                      (const wchar_t*)GetRestOfCommandLine());
    DWORD childExit = 0;
    RelaunchResult result = RelaunchElevated(GetExePath(), parameters, commandFile, focusWindow.hwnd, childExit);
    if (result == kChildRan)
        RunLog("the elevated child ended with %lu", childExit);
    else
        RunLog(result == kRelaunchRefused ? "the elevation was refused" : "the elevated child could not be started");
    if (!state.rerunEvent.IsSignalled()) ExecuteCommandFile(commandFile);
    DeleteTempFile(commandFile);
    focusWindow.Release();
    if (result == kRelaunchRefused) return kExitUserCancelled;
    if (result == kRelaunchFailed) return kExitInstallFailed;
    return (int)childExit;
}
