// Owning wrappers for events and mutexes: uncopyable, closed by their
// destructors, reusable through Create.
#pragma once

#include <windows.h>

class EventHandle {
public:
    EventHandle() = default;
    ~EventHandle() { Close(); }
    EventHandle(const EventHandle&) = delete;
    EventHandle& operator=(const EventHandle&) = delete;

    // Manual reset, created unsignalled; an existing event of that name is
    // opened instead and Existed() tells.
    bool Create(const wchar_t* name);
    bool IsSignalled() const;
    bool Set() const { return handle_ && SetEvent(handle_); }
    bool Reset() const { return handle_ && ResetEvent(handle_); }
    void Close();
    HANDLE Handle() const { return handle_; }
    bool Existed() const { return existed_; }

private:
    HANDLE handle_ = nullptr;
    bool existed_ = false;
};

class MutexHandle {
public:
    MutexHandle() = default;
    ~MutexHandle() { Close(); }
    MutexHandle(const MutexHandle&) = delete;
    MutexHandle& operator=(const MutexHandle&) = delete;

    bool Create();
    void Lock();
    bool TryLock();
    void Unlock();
    void Close();
    bool IsLocked() const { return locked_; }
    bool Existed() const { return existed_; }

private:
    HANDLE handle_ = nullptr;
    bool locked_ = false;
    bool existed_ = false;
};

// A lock within the process that costs no system call while nobody else
// holds it (a MutexHandle goes to the kernel for every Lock and Unlock):
// for the locks taken for every file of an install.
class CriticalSection {
public:
    CriticalSection() { InitializeCriticalSection(&section_); }
    ~CriticalSection() { DeleteCriticalSection(&section_); }
    CriticalSection(const CriticalSection&) = delete;
    CriticalSection& operator=(const CriticalSection&) = delete;

    void Lock() { EnterCriticalSection(&section_); }
    void Unlock() { LeaveCriticalSection(&section_); }

private:
    CRITICAL_SECTION section_;
};

// Holds a CriticalSection for one scope.
class SectionLock {
public:
    explicit SectionLock(CriticalSection& section) : section_(section) { section_.Lock(); }
    ~SectionLock() { section_.Unlock(); }
    SectionLock(const SectionLock&) = delete;
    SectionLock& operator=(const SectionLock&) = delete;

private:
    CriticalSection& section_;
};

// Holds a MutexHandle for one scope.
class MutexLock {
public:
    explicit MutexLock(MutexHandle& mutex) : mutex_(mutex) { mutex_.Lock(); }
    ~MutexLock() { mutex_.Unlock(); }
    MutexLock(const MutexLock&) = delete;
    MutexLock& operator=(const MutexLock&) = delete;

private:
    MutexHandle& mutex_;
};
