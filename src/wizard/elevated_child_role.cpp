// The roles that run the install wizard, modally, and return what it ended
// with as the process's exit code: the elevated child (its waiting parent
// passes the code on) and the install for this user only, which runs in
// the first process.
#include "app/installer_state.h"
#include "app/roles.h"
#include "base/message_box.h"
#include "base/run_log.h"
#include "base/texts.h"
#include "engine/environment.h"
#include "engine/install_scope.h"
#include "package/setup_files.h"
#include "wizard/install_dialog.h"

namespace {

int RunWizard() {
    int exitCode;
    {
        dlgInstall wizard;
        exitCode = wizard.ExitCode();
    }
    // Once, when the install (or its rollback) has changed the environment.
    BroadcastEnvironmentChange();
    return exitCode;
}

}  // namespace

int RunElevatedChildRole() {
    RunLog("role: elevated child, runs the wizard%s", state.silent ? L" silently" : L"");
    return RunWizard();
}

int RunUserInstallRole() {
    SetRunLogTag(L"user installer");
    RunLog("role: install for this user only, runs the wizard in this process%s", state.silent ? L" silently" : L"");
    // Refused before anything is written: without administrator rights the
    // install would fail halfway.
    WString place = MachinePlaceOfScript(WString(state.package->Folder()).Append(L"setup.dat"));
    if (!place.IsEmpty()) {
        ShowMessage(nullptr, WString::Formatted(Text(kUserScopeMachinePlace), (const wchar_t*)place), state.caption,
                    MB_ICONERROR);
        return dlgInstall::kExitFailed;
    }
    return RunWizard();
}
