// The container's run on a thread of its own: the variant choice, the
// script's messages, each installer in turn behind the progress window, and
// the one restart the chain may need at its end.
#pragma once

#include <windows.h>

#include "base/sync.h"

struct ContainerRun {
    DWORD exitCode = 0;
};

// The thread entry for StoppableThread; context is a ContainerRun.
void ContainerThread(EventHandle* stop, void* context);
