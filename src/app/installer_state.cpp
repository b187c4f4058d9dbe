#include "app/installer_state.h"

#include "base/texts.h"

InstallerState state;

InstallerState::InstallerState() : projectName(L"Setup"), caption(L"Setup") {
    rerunEvent.Create(RERUN_EVENT_NAME);
    progressLock.Create();
}

void InstallerState::SetProjectName(const WString& name) {
    projectName = name;
    caption.Format(Text(kInstallerCaption), (const wchar_t*)name);
}
