// The installer opens its package once at start and closes it at exit,
// which removes the private folder with the extracted script.
#include "app/installer_state.h"
#include "app/roles.h"
#include "package/setup_files.h"

bool OpenPackage() {
    state.package = new SetupFiles();
    bool failed = false;
    state.package->Create(failed);
    return !failed;
}

void ClosePackage() {
    delete state.package;
    state.package = nullptr;
}
