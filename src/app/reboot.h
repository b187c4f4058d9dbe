// Restarting Windows to finish an install or uninstall whose files could
// only be replaced or removed at the next start.
#pragma once

#include <windows.h>

// Starts the restart of Windows and ends the calling thread's message loop;
// nothing at all in silent mode with "--noautoreboot". True only when the
// system accepted the restart: a refused or failed one is no restart.
bool Reboot();

// The system's restart itself, after the shutdown privilege was enabled:
// InitiateShutdownW where advapi32 has it, InitiateSystemShutdownW
// otherwise. Returns ERROR_SUCCESS or the system's error code.
DWORD StartSystemRestart();

// Reboot() calls this instead of StartSystemRestart once set, so that tests run
// the whole flow without restarting anything; null restores the real one.
typedef DWORD (*RestartHook)();
void SetRestartHook(RestartHook hook);
