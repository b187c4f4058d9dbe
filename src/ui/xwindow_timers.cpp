// The timers a window started, so that WM_TIMER reaches OnTimer only for
// them; ids of other components' timers on the same window are left alone.
#include "ui/xwindow.h"

uint32_t XWindow::StartTimer(uint32_t milliseconds) {
    if (!hwnd) return 0;
    MutexLock hold(timerLock);
    uint32_t largest = 0;
    for (int32_t i = 0; i < timers.Count(); ++i) {
        XTimer* timer = static_cast<XTimer*>(timers.At(i));
        if (timer->id > largest) largest = timer->id;
    }
    uint32_t id = (uint32_t)SetTimer(hwnd, largest + 1, milliseconds, nullptr);
    if (id) {
        XTimer* timer = new XTimer;
        timer->id = id;
        timer->data = 0;
        timers.Push(timer);
    }
    return id;
}

void XWindow::StopTimer(uint32_t id) {
    if (!hwnd) return;
    MutexLock hold(timerLock);
    for (int32_t i = 0; i < timers.Count(); ++i) {
        XTimer* timer = static_cast<XTimer*>(timers.At(i));
        if (timer->id != id) continue;
        KillTimer(hwnd, id);
        if (currentTimer == timer) currentTimer = nullptr;
        timers.RemoveAt(i);
        delete timer;
        return;
    }
}

void XWindow::DispatchTimer(WPARAM id) {
    MutexLock hold(timerLock);
    for (int32_t i = 0; i < timers.Count(); ++i) {
        currentTimer = static_cast<XTimer*>(timers.At(i));
        if (currentTimer->id == (uint32_t)id) {
            OnTimer(currentTimer->id, currentTimer->data);
            return;
        }
    }
}

// kill: the window still exists and its timers must be stopped first. The
// destructor calls this after the lock is closed, with nothing left to kill.
void XWindow::DeleteTimers(bool kill) {
    if (kill) timerLock.Lock();
    for (int32_t i = 0; i < timers.Count(); ++i) {
        XTimer* timer = static_cast<XTimer*>(timers.At(i));
        if (kill) KillTimer(hwnd, timer->id);
        delete timer;
    }
    timers.Clear();
    currentTimer = nullptr;
    if (kill) timerLock.Unlock();
}
