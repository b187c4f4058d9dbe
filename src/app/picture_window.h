// PictureWindow: the look and handling shared by the installer's small
// frameless windows (the focus window, the restart countdown): a round,
// shadowed window showing a prepared picture of grey-edged white with the
// emblem at the top, dragged by any point, with white static controls.
#pragma once

#include <windows.h>

#include "base/sync.h"
#include "ui/gdi_objects.h"
#include "ui/memory_bitmap.h"
#include "ui/xwindow.h"

class PictureWindow : public XWindow {
public:
    PictureWindow();
    ~PictureWindow() override;

    void OnClose() override;
    // Puts the display copy on the screen, under the lock.
    void OnEraseBackground(HDC dc) override;
    void OnMouseDown(int x, int y, UINT message, WPARAM keys) override;
    void OnMouseUp(int x, int y, UINT message, WPARAM keys) override;
    void OnMouseMove(int x, int y, WPARAM keys) override;
    HBRUSH OnCtlColorStatic() override;
    HBRUSH OnCtlColorDialog() override;

protected:
    // Adds the drop shadow and cuts the round corners.
    void ShapeWindow();
    // Paints background_ at the window's size: white, grey edges, emblem,
    // and topLine centred 2 pixels from the top. Call under pictureLock_.
    bool DrawBackground(const wchar_t* topLine);
    // Copies background_ into display_ unless the window is minimised. Call
    // under pictureLock_.
    void ShowBackground();
    static void DrawCentred(HDC dc, int width, int y, int height, const wchar_t* text);

    MutexHandle pictureLock_;
    // Where DrawBackground put the emblem's left edge.
    int emblemLeft_;
    // What the window shows without its changing parts, and what reaches
    // the screen.
    MemoryBitmap background_;
    MemoryBitmap display_;
    Brush whiteBrush_;

private:
    POINT ToScreen(int x, int y) const;

    bool pressed_;
    int lastX_;
    int lastY_;
};
