// The container's one exit code, from the codes its installers ended with.
#pragma once

#include <windows.h>

// The codes installers report: the user cancelled, a restart was started,
// a restart is needed to finish.
const DWORD kExitCancelled = 1602;
const DWORD kExitFailed = 1603;
const DWORD kExitRestartStarted = 1641;
const DWORD kExitRestartNeeded = 3010;

struct ChainOutcome {
    bool failed = false;
    bool cancelled = false;
    bool restartStarted = false;
    bool restartNeeded = false;
    // An installer started the restart: no later one can run now.
    bool stopped = false;

    // One installer's end; one that could not be started counts as failed.
    void Add(bool finished, DWORD exitCode);
    // 1641 when an installer started the restart, which stopped the chain;
    // else 1603 when any failed, else 1602 when any was cancelled, else
    // 1641 or 3010 when a restart was started or is needed, else 0.
    DWORD ExitCode() const;
};
