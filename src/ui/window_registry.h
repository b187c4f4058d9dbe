// WindowRegistry: the toolkit windows that currently have a Win32 window
// attached, so that the shared window and dialog procedures can find the
// object for a handle. Windows live on more than one thread (dialogs on
// the thread that opened them, tooltips on their watcher), hence the lock.
#pragma once

#include <windows.h>

#include "base/lists.h"
#include "base/sync.h"
#include "base/wstring.h"

class XWindow;

class WindowRegistry {
public:
    WindowRegistry();
    WindowRegistry(const WindowRegistry&) = delete;
    WindowRegistry& operator=(const WindowRegistry&) = delete;

    void Add(XWindow* window);
    // Removes the first occurrence; an object not listed is ignored.
    void Remove(XWindow* window);
    XWindow* Find(HWND handle);
    // "XWnd" followed by a process-wide counter starting at 0.
    WString NextClassName();

private:
    MutexHandle lock_;
    PtrList windows_;
    uint32_t classCounter_;
};

extern WindowRegistry windowRegistry;
