// The elevated child's role: the install wizard, modally, and what it ended
// with as the process's exit code (the waiting parent passes it on).
#include "app/installer_state.h"
#include "app/roles.h"
#include "base/run_log.h"
#include "wizard/install_dialog.h"

int RunElevatedChildRole() {
    RunLog("role: elevated child, runs the wizard%s", state.silent ? L" silently" : L"");
    int exitCode;
    {
        dlgInstall wizard;
        exitCode = wizard.ExitCode();
    }
    return exitCode;
}
