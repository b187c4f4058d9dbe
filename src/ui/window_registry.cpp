#include "ui/window_registry.h"

#include "ui/xwindow.h"

WindowRegistry windowRegistry;

WindowRegistry::WindowRegistry() : classCounter_(0) { lock_.Create(); }

void WindowRegistry::Add(XWindow* window) {
    MutexLock hold(lock_);
    windows_.Push(window);
}

void WindowRegistry::Remove(XWindow* window) {
    MutexLock hold(lock_);
    for (int32_t i = 0; i < windows_.Count(); ++i) {
        if (windows_.At(i) == window) {
            windows_.RemoveAt(i);
            return;
        }
    }
}

XWindow* WindowRegistry::Find(HWND handle) {
    MutexLock hold(lock_);
    for (int32_t i = 0; i < windows_.Count(); ++i) {
        XWindow* window = static_cast<XWindow*>(windows_.At(i));
        if (window->hwnd == handle) return window;
    }
    return nullptr;
}

WString WindowRegistry::NextClassName() {
    MutexLock hold(lock_);
    WString name = WString::Formatted(L"XWnd%u", classCounter_);
    ++classCounter_;
    return name;
}
