// The thread that carries out the finish page's ticked options: optional
// shortcuts, optional programs and the restart.
#pragma once

#include "base/sync.h"

// Thread entry for StoppableThread; context is the dlgInstall whose
// restartChosen it reads and whose restartStarted it sets.
void FinishThread(EventHandle* stop, void* context);
