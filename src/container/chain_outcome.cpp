#include "container/chain_outcome.h"

void ChainOutcome::Add(bool finished, DWORD exitCode) {
    if (!finished) {
        failed = true;
        return;
    }
    switch (exitCode) {
        case ERROR_SUCCESS: break;
        case kExitCancelled: cancelled = true; break;
        case kExitRestartStarted: restartStarted = stopped = true; break;
        case kExitRestartNeeded: restartNeeded = true; break;
        default: failed = true; break;
    }
}

DWORD ChainOutcome::ExitCode() const {
    if (stopped) return kExitRestartStarted;
    if (failed) return kExitFailed;
    if (cancelled) return kExitCancelled;
    if (restartStarted) return kExitRestartStarted;
    if (restartNeeded) return kExitRestartNeeded;
    return ERROR_SUCCESS;
}
