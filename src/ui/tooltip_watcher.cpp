#include "ui/tooltip_watcher.h"

#include "base/stoppable_thread.h"
#include "ui/xtooltip.h"

MutexHandle toolTipLock;
PtrList toolTipRegistry;

namespace {

// Serialises starting and stopping the watcher, so that a registration
// racing the last unregistration never finds a thread that is stopping.
MutexHandle watcherLock;
StoppableThread watcher;
volatile LONG watcherThreadId = 0;

struct ToolTipLocksInit {
    ToolTipLocksInit() {
        toolTipLock.Create();
        watcherLock.Create();
    }
};
ToolTipLocksInit toolTipLocksInit;

const DWORD kStepMs = 50;
const uint32_t kStopTimeoutMs = 5000;

void WatcherMain(EventHandle* stop, void*) {
    InterlockedExchange(&watcherThreadId, (LONG)GetCurrentThreadId());
    while (!stop->IsSignalled()) {
        POINT cursor = {};
        GetCursorPos(&cursor);
        // Never waits: a dialog thread holding the lock may be inside a
        // call that needs this thread's popups to answer.
        if (toolTipLock.TryLock()) {
            for (int32_t i = 0; i < toolTipRegistry.Count(); ++i)
                static_cast<XToolTip*>(toolTipRegistry.At(i))->Step(cursor);
            toolTipLock.Unlock();
        }
        WaitForSingleObject(stop->Handle(), kStepMs);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    InterlockedExchange(&watcherThreadId, 0);
}

void AcquireToolTipLock() {
    while (!toolTipLock.TryLock()) PumpSentMessages(5);
}

}  // namespace

void PumpSentMessages(DWORD ms) {
    // Only sent messages: dispatching posted input here could re-enter the
    // dialog that is tearing its controls down.
    MsgWaitForMultipleObjects(0, nullptr, FALSE, ms, QS_SENDMESSAGE);
    MSG msg;
    PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
}

void RegisterToolTip(XToolTip* tip) {
    MutexLock starting(watcherLock);
    AcquireToolTipLock();
    if (watcher.IsFinished()) watcher.Start(WatcherMain, nullptr, kStopTimeoutMs);
    toolTipRegistry.Push(tip);
    toolTipLock.Unlock();
}

void UnregisterToolTip(XToolTip* tip) {
    MutexLock stopping(watcherLock);
    AcquireToolTipLock();
    for (int32_t i = 0; i < toolTipRegistry.Count(); ++i) {
        if (toolTipRegistry.At(i) == tip) {
            toolTipRegistry.RemoveAt(i);
            break;
        }
    }
    bool empty = toolTipRegistry.Count() == 0;
    toolTipLock.Unlock();
    if (empty) watcher.Close();
}

DWORD ToolTipWatcherThreadId() { return (DWORD)watcherThreadId; }
