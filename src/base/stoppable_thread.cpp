#include "base/stoppable_thread.h"

#include <process.h>
#include <wchar.h>

namespace {

struct StartRecord {
    wchar_t eventName[100];
    ThreadProcedure procedure;
    void* argument;
};

unsigned __stdcall ThreadEntry(void* raw) {
    StartRecord* record = static_cast<StartRecord*>(raw);
    {
        // The thread holds its own handle on the event, by name.
        EventHandle stop;
        stop.Create(record->eventName);
        record->procedure(&stop, record->argument);
    }
    delete record;
    return 0;
}

}  // namespace

StoppableThread::StoppableThread() { stopEvent_.Create(nullptr); }

StoppableThread::~StoppableThread() {
    Close();
    stopEvent_.Close();
}

bool StoppableThread::Start(ThreadProcedure procedure, void* argument, uint32_t timeoutMs) {
    Close();
    suspended_ = false;
    timeoutMs_ = timeoutMs;
    StartRecord* record = new StartRecord;
    record->procedure = procedure;
    record->argument = argument;
    // Two threads started in the same millisecond must not share an event.
    DWORD tick = GetTickCount();
    for (DWORD n = 0;; ++n) {
        eventName_.Format(L"TRDEVTQ-%d", (int)(tick + n));
        stopEvent_.Create(eventName_);
        if (!stopEvent_.Existed()) break;
    }
    wcsncpy(record->eventName, eventName_, 99);
    record->eventName[99] = 0;
    thread_ = (HANDLE)_beginthreadex(nullptr, 0, ThreadEntry, record, 0, nullptr);
    if (!thread_) {
        delete record;
        return false;
    }
    return true;
}

void StoppableThread::StopAndWait() {
    if (!thread_) return;
    if (suspended_) {
        ResumeThread(thread_);
        suspended_ = false;
    }
    stopEvent_.Set();
    DWORD started = GetTickCount();
    while (WaitForSingleObject(thread_, 25) == WAIT_TIMEOUT) {
        if (timeoutMs_ != 0 && GetTickCount() - started > timeoutMs_) {
            SuspendThread(thread_);
            suspended_ = true;
            return;
        }
    }
}

bool StoppableThread::IsFinished() const { return !thread_ || WaitForSingleObject(thread_, 0) == WAIT_OBJECT_0; }

void StoppableThread::Close() {
    if (!thread_) return;
    // A thread given up on stays suspended: resuming it would let it run on
    // for another whole time-out, holding whatever it held.
    if (!suspended_) StopAndWait();
    CloseHandle(thread_);
    thread_ = nullptr;
    stopEvent_.Close();
}
