#include "wizard/destination.h"

#include "app/command_line.h"
#include "app/installer_state.h"
#include "engine/path_macros.h"
#include "res/resource_ids.h"

void ApplyInstallToOption(WizardFields& fields) { ApplyInstallToOption(GetCommandLineW(), fields); }

void ApplyInstallToOption(const wchar_t* commandLine, WizardFields& fields) {
    WString line(commandLine);
    static const wchar_t kOldForm[] = L"<installto>";
    // The older form's value runs to the end of the line, spaces included.
    // "--installto" is applied second, so it wins.
    int32_t at = line.Find(kOldForm, 1);
    if (at != 0) fields.installToText = line.From(at + (int32_t)wcslen(kOldForm));
    WString value;
    if (FindSwitchValue(line, L"--installto", value)) fields.installToText = value;
    state.installPath = fields.installToText;
}

void RefreshDestination(HWND dialog, WizardFields& fields) {
    ExpandPathMacros(state.installPath);
    SetDlgItemTextW(dialog, IDC_INSTALL_PATH, state.installPath);
    if (!state.installPath.IsEmpty()) {
        wchar_t root[4] = {state.installPath.CharAt(1), L':', L'\\', 0};
        DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, totalClusters = 0;
        if (GetDiskFreeSpaceW(root, &sectorsPerCluster, &bytesPerSector, &freeClusters, &totalClusters))
            fields.freeMB = (int64_t)sectorsPerCluster * bytesPerSector * freeClusters / 1024 / 1024;
    }
    if (dialog) InvalidateRect(dialog, nullptr, TRUE);
}
