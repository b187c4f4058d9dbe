#include "ui/gdi_objects.h"

HDC WindowDC::Acquire(HWND window) {
    Release();
    window_ = window;
    dc_ = GetDC(window);
    return dc_;
}

void WindowDC::Release() {
    if (dc_) ReleaseDC(window_, dc_);
    dc_ = nullptr;
    window_ = nullptr;
}

void GdiSelection::Select(HDC dc, HGDIOBJ object) {
    Restore();
    if (!dc || !object) return;
    dc_ = dc;
    previous_ = SelectObject(dc, object);
}

void GdiSelection::Restore() {
    if (dc_) SelectObject(dc_, previous_);
    dc_ = nullptr;
    previous_ = nullptr;
}

bool Pen::Create(HDC dc, int width, COLORREF colour) {
    Free();
    pen_ = CreatePen(PS_SOLID, width, colour);
    selection_.Select(dc, pen_);
    return pen_ != nullptr;
}

void Pen::Free() {
    selection_.Restore();
    if (pen_) DeleteObject(pen_);
    pen_ = nullptr;
}

bool Brush::CreateSolid(HDC dc, COLORREF colour) {
    Free();
    LOGBRUSH lb = {BS_SOLID, colour, 0};
    return Take(dc, CreateBrushIndirect(&lb), false);
}

bool Brush::UseSystemFace(HDC dc) {
    Free();
    return Take(dc, GetSysColorBrush(COLOR_BTNFACE), true);
}

bool Brush::Take(HDC dc, HBRUSH brush, bool system) {
    brush_ = brush;
    system_ = system;
    selection_.Select(dc, brush_);
    return brush_ != nullptr;
}

void Brush::Free() {
    selection_.Restore();
    if (brush_ && !system_) DeleteObject(brush_);
    brush_ = nullptr;
    system_ = false;
}
