// The tooltip watcher: one background thread that samples the cursor every
// 50 ms, steps every registered tooltip and pumps the popups' messages. It
// runs exactly while the registry holds a tooltip.
#pragma once

#include <windows.h>

#include "base/lists.h"
#include "base/sync.h"

class XToolTip;

// Guards the registry and every registered tooltip's fields and look.
extern MutexHandle toolTipLock;
extern PtrList toolTipRegistry;

// Both take toolTipLock themselves; Unregister keeps the calling thread's
// sent messages flowing while it waits for it, as the watcher may be
// inside a call to that thread's windows.
void RegisterToolTip(XToolTip* tip);
void UnregisterToolTip(XToolTip* tip);
// The watcher's thread id, 0 while no watcher runs.
DWORD ToolTipWatcherThreadId();
// Handles the messages other threads send to this one, waiting at most ms.
void PumpSentMessages(DWORD ms);
