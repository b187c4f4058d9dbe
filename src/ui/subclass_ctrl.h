// XSubClassCtrl: hooks an existing child window by replacing its window
// procedure, so that every message passes through SubclassProc first and
// reaches the replaced procedure only when SubclassProc leaves it unhandled.
// One process-wide lock is held while any hooked window processes a message:
// hooked controls on different threads never run at the same time.
#pragma once

#include <windows.h>
#include <stdint.h>

#include "base/sync.h"

class XSubClassCtrl {
public:
    XSubClassCtrl() = default;
    virtual ~XSubClassCtrl();
    XSubClassCtrl(const XSubClassCtrl&) = delete;
    XSubClassCtrl& operator=(const XSubClassCtrl&) = delete;

    // Setting *handled makes the result final; left 0, the replaced
    // procedure runs. The base handles nothing.
    virtual LRESULT SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, int32_t* handled);

    // Unhooks first; a null window only unhooks. False when not hooked.
    bool Subclass(HWND window);
    void Unsubclass();

    WNDPROC previousProc = nullptr;
    HWND hwnd = nullptr;
};

LRESULT CALLBACK SubclassWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

extern MutexHandle subclassLock;
