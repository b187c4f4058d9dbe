#include <windows.h>

#include "app/entry.h"
#include "base/run_log.h"
#include "base/system_library.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    RestrictDllSearch();
    int exitCode = RunEntryPoint(instance);
    RunLog("exit code %d", exitCode);
    return exitCode;
}
