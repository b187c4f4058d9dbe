#include "app/focus_window.h"

#include "base/texts.h"
#include "res/resource_ids.h"
#include "ui/scale.h"

dlgNonElevateWndWithFocus::dlgNonElevateWndWithFocus() {
    if (!CreateFromTemplate(IDD_NON_ELEVATE_FOCUS, nullptr, false)) return;
    // The template shows the window, but its first paint would wait for a
    // message loop, and the parent runs none while it waits for its child.
    UpdateWindow(hwnd);
}

dlgNonElevateWndWithFocus::~dlgNonElevateWndWithFocus() = default;

void dlgNonElevateWndWithFocus::OnInit() {
    ShapeWindow();
    MutexLock lock(pictureLock_);
    if (!DrawBackground(Text(kInstallerHeading))) return;
    DrawCentred(background_.MemoryDC(), GetWidth(), DialogUnitsY(35), Scale(30), Text(kProcessingInstaller));
    ShowBackground();
}
