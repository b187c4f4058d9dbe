#include "support/uninstaller_seam.h"

#include <windows.h>

#include "app/installer_state.h"
#include "base/stoppable_thread.h"
#include "engine/existing_version.h"
#include "support/machine_registry.h"
#include "support/scratch.h"
#include "uninstall/uninstall_worker.h"

bool IsUninstallerRun() { return wcsstr(GetCommandLineW(), L"--uninstall=") != nullptr; }

int RunAsUninstaller() {
    state.caption = L"UnInstaller";
    // As the entry point finds it: the record's folders depend on it.
    state.isWow64 = Is64BitSystem();
    state.uninstallLogPath = UninstallLogPathFromCommand(GetCommandLineW());
    if (state.uninstallLogPath.IsEmpty()) return 2;
    state.projectName = ProjectNameFromLogPath(state.uninstallLogPath);
    state.installPath = InstallPathOfProduct(state.projectName);
    StoppableThread worker;
    if (!worker.Start(&UninstallWorker, nullptr, 60000)) return 3;
    for (int waited = 0; !worker.IsFinished(); waited += 20) {
        if (waited > 100000) return 4;
        Sleep(20);
    }
    wchar_t result[1024];
    DWORD n = GetEnvironmentVariableW(L"BRASK_TEST_UNINSTALL_RESULT", result, 1024);
    if (n > 0 && n < 1024) {
        MutexLock lock(state.progressLock);
        WString text = WString::Formatted(L"reboot=%d done=%d total=%d", state.uninstallRebootRequired ? 1 : 0,
                                          (int)state.progressDone, (int)state.progressTotal);
        WriteBytes(result, text.ToAnsi());
    }
    return 0;
}
