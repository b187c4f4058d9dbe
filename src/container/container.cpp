#include "container/container.h"

#include "app/installer_state.h"
#include "app/roles.h"
#include "base/disk_file.h"
#include "base/line_reader.h"
#include "base/run_log.h"
#include "base/stoppable_thread.h"
#include "container/chain_outcome.h"
#include "container/container_thread.h"
#include "package/setup_files.h"

namespace {

const uint32_t kStopTimeoutMs = 60000;
const DWORD kPollMs = 50;
const DWORD kInstallerTimeLimitMs = 30 * 60 * 1000;
DWORD g_installerTimeLimit = kInstallerTimeLimitMs;

// Whether the script makes a container; its "[Project Name]" names the
// container's window and boxes as it would name a wizard's.
bool ScriptIsContainer() {
    if (!state.package) return false;
    DiskFile script;
    script.SetPath(WString(state.package->Folder()).Append(L"setup.dat"));
    script.Open(GENERIC_READ, OPEN_EXISTING, false);
    if (!script.IsOpen()) return false;
    WString line, projectName;
    bool container = false;
    while (ReadLine(script, line, false)) {
        if (Compare(line, L"[InstallContainer]", false) == 0)
            container = true;
        else if (Compare(line, L"[Project Name]", false) == 0)
            ReadLine(script, projectName, false);
    }
    if (container && !projectName.IsEmpty()) state.SetProjectName(projectName);
    return container;
}

}  // namespace

DWORD InstallerTimeLimit() { return g_installerTimeLimit; }
void SetInstallerTimeLimit(DWORD ms) { g_installerTimeLimit = ms ? ms : kInstallerTimeLimitMs; }

bool RunContainer(DWORD& exitCode) {
    if (!ScriptIsContainer()) return false;
    SetRunLogTag(L"container");
    RunLog("role: container, runs the installers of its package");
    ContainerRun run;
    StoppableThread thread;
    if (!thread.Start(ContainerThread, &run, kStopTimeoutMs)) {
        exitCode = kExitFailed;
        return true;
    }
    bool quit = false;
    while (!thread.IsFinished()) {
        MSG msg;
        while (!quit && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                quit = true;
                break;
            }
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        Sleep(kPollMs);
    }
    thread.Close();
    exitCode = run.exitCode;
    return true;
}

bool RunContainerRole(DWORD& exitCode) { return RunContainer(exitCode); }
