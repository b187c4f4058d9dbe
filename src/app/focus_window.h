// dlgNonElevateWndWithFocus: the small window the unelevated parent keeps on
// screen while its elevated child starts, so that the user sees something
// happening and the child may take the foreground. No message loop runs
// while the parent waits, so the picture is prepared once, at creation.
#pragma once

#include <windows.h>

#include "base/sync.h"
#include "ui/gdi_objects.h"
#include "ui/memory_bitmap.h"
#include "ui/xwindow.h"

class dlgNonElevateWndWithFocus : public XWindow {
public:
    // Creates the modeless window from its template, without owner.
    dlgNonElevateWndWithFocus();
    ~dlgNonElevateWndWithFocus() override;

    void OnClose() override;
    void OnInit() override;
    void OnEraseBackground(HDC dc) override;
    void OnMouseDown(int x, int y, UINT message, WPARAM keys) override;
    void OnMouseUp(int x, int y, UINT message, WPARAM keys) override;
    void OnMouseMove(int x, int y, WPARAM keys) override;
    HBRUSH OnCtlColorStatic() override;
    HBRUSH OnCtlColorDialog() override;

private:
    void DrawPicture(int width, int height);
    POINT ToScreen(int x, int y) const;

    MutexHandle pictureLock_;
    MemoryBitmap picture_;
    MemoryBitmap display_;
    Brush whiteBrush_;
    bool pressed_;
    int lastX_;
    int lastY_;
};
