// StoppableThread: background work that its owner can ask to stop through a
// uniquely named manual-reset event ("TRDEVTQ-%d"). A thread that ignores
// the request past the owner's timeout is suspended, never terminated:
// TerminateThread would leave locks and heap in an unknown state.
#pragma once

#include <windows.h>
#include <stdint.h>

#include "base/sync.h"
#include "base/wstring.h"

typedef void (*ThreadProcedure)(EventHandle* stop, void* argument);

class StoppableThread {
public:
    StoppableThread();
    ~StoppableThread();
    StoppableThread(const StoppableThread&) = delete;
    StoppableThread& operator=(const StoppableThread&) = delete;

    bool Start(ThreadProcedure procedure, void* argument, uint32_t timeoutMs);
    void StopAndWait();
    bool IsFinished() const;
    void Close();
    bool IsSuspended() const { return suspended_; }
    const WString& EventName() const { return eventName_; }

private:
    EventHandle stopEvent_;
    HANDLE thread_ = nullptr;
    uint32_t timeoutMs_ = 0;
    bool suspended_ = false;
    WString eventName_;
};
