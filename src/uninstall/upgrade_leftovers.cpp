#include "uninstall/upgrade_leftovers.h"

#include "app/installer_state.h"
#include "base/registry.h"
#include "base/run_log.h"
#include "engine/existing_version.h"
#include "engine/install_scope.h"
#include "engine/shared_files.h"
#include "engine/uninstall_record.h"
#include "uninstall/uninstall_worker.h"

void UpgradeLeftovers::ReadInstalled() {
    // The Uninstall entry names the record of what is installed, in
    // whichever uninstall folder that install chose.
    WString command = ReadStringValue(L"UninstallString", ScopeRoot(), UninstallKeyPath(state.projectName));
    if (command.IsEmpty()) return;
    WString record = UninstallLogPathFromCommand(command);
    WString folder = InstallPathOfProduct(state.projectName);
    if (!installed_.Read(record, folder.IsEmpty() ? state.installPath : folder)) return;
    record_ = record;
    StringList files;
    installed_.InstalledFiles(files);
    CountedBefore(files);
}

void UpgradeLeftovers::RemoveDropped() {
    // Without a new record (none is kept, or it could not be written) the
    // old one still tells what to remove.
    if (record_.IsEmpty() || !state.allowUninstall) return;
    RecordRemoval current(false);
    if (!current.Read(UninstallLogPath(), state.installPath)) return;
    installed_.LeaveOut(current);
    bool restartNeeded = false;
    installed_.Remove(UninstallLogPath(), restartNeeded);
    if (restartNeeded) state.rebootRequired = true;
    removed_ = true;
    RunLog("upgrade: what the version before installed and this one does not is removed");
}

void UpgradeLeftovers::Tidy() {
    if (removed_) installed_.Tidy();
}
