#include "base/sync.h"

bool EventHandle::Create(const wchar_t* name) {
    Close();
    handle_ = CreateEventW(nullptr, TRUE, FALSE, name);
    existed_ = GetLastError() == ERROR_ALREADY_EXISTS;
    return handle_ != nullptr;
}

bool EventHandle::IsSignalled() const { return handle_ && WaitForSingleObject(handle_, 0) == WAIT_OBJECT_0; }

void EventHandle::Close() {
    if (handle_) CloseHandle(handle_);
    handle_ = nullptr;
}

bool MutexHandle::Create() {
    Close();
    handle_ = CreateMutexW(nullptr, FALSE, nullptr);
    existed_ = GetLastError() == ERROR_ALREADY_EXISTS;
    return handle_ != nullptr;
}

void MutexHandle::Lock() {
    WaitForSingleObject(handle_, INFINITE);
    locked_ = true;
}

bool MutexHandle::TryLock() {
    if (WaitForSingleObject(handle_, 0) != WAIT_OBJECT_0) return false;
    locked_ = true;
    return true;
}

void MutexHandle::Unlock() {
    ReleaseMutex(handle_);
    locked_ = false;
}

void MutexHandle::Close() {
    if (handle_) CloseHandle(handle_);
    handle_ = nullptr;
    locked_ = false;
}
