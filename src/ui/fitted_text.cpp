#include "ui/fitted_text.h"

#include "ui/font.h"
#include "ui/scene.h"

namespace {

// Room beside a button's text for its frame and focus rectangle.
int ButtonPadding() { return GetSystemMetrics(SM_CXEDGE) * 2 + 10; }

int NeededButtonWidth(HWND button) { return ControlTextWidth(button) + ButtonPadding(); }

RECT RectIn(HWND dialog, HWND control) {
    RECT r;
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, dialog, (POINT*)&r, 2);
    return r;
}

}  // namespace

int ControlTextWidth(HWND control) {
    wchar_t text[128] = L"";
    GetWindowTextW(control, text, 128);
    HDC dc = GetDC(control);
    HGDIOBJ previous = SelectObject(dc, (HFONT)SendMessageW(control, WM_GETFONT, 0, 0));
    SIZE size = {0, 0};
    GetTextExtentPoint32W(dc, text, lstrlenW(text), &size);
    SelectObject(dc, previous);
    ReleaseDC(control, dc);
    return size.cx;
}

FittedLine FitLine(HDC dc, int height, int weight, const wchar_t* text, int maxWidth) {
    FittedLine line;
    line.shown = text;
    int smallest = height * 2 / 3;
    for (line.height = height;; --line.height) {
        Font font(nullptr, "Tahoma", line.height, 0, false, false, false);
        if (weight != FW_NORMAL) font.SetWeight(weight);
        font.Select(dc);
        line.width = font.TextWidth(dc, text, false, 0);
        if (line.width <= maxWidth || line.height <= smallest) {
            if (line.width > maxWidth) {
                Ellipsize(font, maxWidth, line.shown);
                line.width = font.TextWidth(dc, line.shown, false, 0);
            }
            font.Deselect();
            return line;
        }
        font.Deselect();
    }
}

FittedLine DrawFitted(HDC dc, int x, int y, int height, int weight, const wchar_t* text, int maxWidth) {
    FittedLine line = FitLine(dc, height, weight, text, maxWidth);
    Font font(nullptr, "Tahoma", line.height, RGB(0, 0, 0), false, false, false);
    if (weight != FW_NORMAL) font.SetWeight(weight);
    // A smaller line stays on the same middle as the full-size one would.
    font.DrawText(dc, x, y + (height - line.height) / 2, line.shown, false);
    return line;
}

void FitButtonRow(HWND dialog, const int* ids, int count) {
    int edge = 0;
    for (int i = 0; i < count; i++) {
        HWND button = GetDlgItem(dialog, ids[i]);
        if (!button) return;
        RECT r = RectIn(dialog, button);
        if (i == 0) edge = r.right;
        int width = r.right - r.left;
        int needed = NeededButtonWidth(button);
        if (needed > width) width = needed;
        // The gap to the next one as the template lays it out, taken
        // before this one moves.
        HWND next = i + 1 < count ? GetDlgItem(dialog, ids[i + 1]) : nullptr;
        int gap = next ? r.left - RectIn(dialog, next).right : 0;
        MoveWindow(button, edge - width, r.top, width, r.bottom - r.top, TRUE);
        edge -= width + gap;
    }
}

void FitButtonCentred(HWND button) {
    HWND dialog = GetParent(button);
    RECT r = RectIn(dialog, button);
    int needed = NeededButtonWidth(button);
    if (needed <= r.right - r.left) return;
    int centre = (r.left + r.right) / 2;
    MoveWindow(button, centre - needed / 2, r.top, needed, r.bottom - r.top, TRUE);
}
