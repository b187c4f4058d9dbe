#include "app/installer_state.h"

InstallerState state;

InstallerState::InstallerState() : projectName(L"Setup"), caption(L"Setup") {
    rerunEvent.Create(RERUN_EVENT_NAME);
    progressLock.Create();
}
