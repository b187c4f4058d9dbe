// The elevated child's role: the install wizard, modally, and what it ended
// with as the process's exit code (the waiting parent passes it on).
#include "app/roles.h"
#include "wizard/install_dialog.h"

int RunElevatedChildRole() {
    int exitCode;
    {
        dlgInstall wizard;
        exitCode = wizard.ExitCode();
    }
    return exitCode;
}
