// Gradients through GradientFill (msimg32), one call per row; a gradient
// that changes only across is drawn as one pen line per column instead.
#include "ui/gradient_fill.h"
#include "ui/scene.h"

#include "base/system_library.h"
#include "ui/gdi_objects.h"

namespace {

typedef BOOL(WINAPI* GradientFillFn)(HDC, TRIVERTEX*, ULONG, void*, ULONG, ULONG);

int32_t Channel(int32_t c0, int32_t c1, int32_t t, int32_t d) { return c0 + (c1 - c0) * t / d; }

COLORREF Between(COLORREF c0, COLORREF c1, int32_t t, int32_t d) {
    return RGB(Channel(GetRValue(c0), GetRValue(c1), t, d), Channel(GetGValue(c0), GetGValue(c1), t, d),
               Channel(GetBValue(c0), GetBValue(c1), t, d));
}

TRIVERTEX Vertex(int32_t x, int32_t y, COLORREF colour) {
    TRIVERTEX v;
    v.x = x;
    v.y = y;
    v.Red = (COLOR16)(GetRValue(colour) << 8);
    v.Green = (COLOR16)(GetGValue(colour) << 8);
    v.Blue = (COLOR16)(GetBValue(colour) << 8);
    v.Alpha = 0;
    return v;
}

}  // namespace

void GradientLine(HDC dc, int32_t x1, int32_t x2, int32_t y, COLORREF colour1, COLORREF colour2) {
    if (colour1 == colour2) {
        Pen pen(dc, 1, colour1);
        MoveToEx(dc, x1, y, nullptr);
        LineTo(dc, x2 + 1, y);
        return;
    }
    TRIVERTEX vertices[2] = {Vertex(x1, y, colour1), Vertex(x2 + 1, y + 1, colour2)};
    GRADIENT_RECT rect = {0, 1};
    CallGradientFill(dc, vertices, 2, &rect, 1, GRADIENT_FILL_RECT_H);
}

void GradientRect(HDC dc, const RECT& r, COLORREF topLeft, COLORREF topRight, COLORREF bottomLeft,
                  COLORREF bottomRight) {
    if (topLeft == bottomLeft && topRight == bottomRight) {
        int32_t d = r.right - r.left;
        if (d < 1) d = 1;
        Pen pen;
        for (int32_t x = r.left; x <= r.right; ++x) {
            pen.Create(dc, 1, Between(topLeft, topRight, x - r.left, d));
            MoveToEx(dc, x, r.top, nullptr);
            LineTo(dc, x, r.bottom + 1);
        }
        return;
    }
    int32_t d = r.bottom - r.top;
    if (d < 1) d = 1;
    for (int32_t y = r.top; y <= r.bottom; ++y) {
        GradientLine(dc, r.left, r.right, y, Between(topLeft, bottomLeft, y - r.top, d),
                     Between(topRight, bottomRight, y - r.top, d));
    }
}

BOOL CallGradientFill(HDC dc, TRIVERTEX* vertices, ULONG count, void* mesh, ULONG meshCount, ULONG mode) {
    // msimg32 is not one of the DLLs the loader always takes from System32,
    // so it is never imported statically. Looked up on first use (two
    // threads racing here find the same address).
    static GradientFillFn fill;
    if (!fill) fill = (GradientFillFn)(void*)SystemProcedure(L"msimg32.dll", "GradientFill");
    return fill ? fill(dc, vertices, count, mesh, meshCount, mode) : FALSE;
}
