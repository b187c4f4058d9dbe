#include "app/focus_window.h"

#include "res/resource_ids.h"
#include "ui/font.h"
#include "ui/scale.h"

namespace {

const int kEmblems[5] = {IDB_EMBLEM_100, IDB_EMBLEM_125, IDB_EMBLEM_150, IDB_EMBLEM_200, IDB_EMBLEM_300};
const int kEmblemMasks[5] = {IDB_EMBLEM_MASK_100, IDB_EMBLEM_MASK_125, IDB_EMBLEM_MASK_150, IDB_EMBLEM_MASK_200,
                             IDB_EMBLEM_MASK_300};
const BYTE kEdgeGrey = 245;
const int kCornerEllipse = 40;

// A vertical gradient between two greys over rows top to bottom.
void FillVertical(HDC dc, int width, int top, int bottom, BYTE fromGrey, BYTE toGrey) {
    TRIVERTEX corners[2] = {{0, top, (COLOR16)(fromGrey << 8), (COLOR16)(fromGrey << 8), (COLOR16)(fromGrey << 8), 0},
                            {width, bottom, (COLOR16)(toGrey << 8), (COLOR16)(toGrey << 8), (COLOR16)(toGrey << 8), 0}};
    GRADIENT_RECT rect = {0, 1};
    GradientFill(dc, corners, 2, &rect, 1, GRADIENT_FILL_RECT_V);
}

void DrawCentred(HDC dc, int width, int y, const char* face, int height, const wchar_t* text) {
    Font font(nullptr, face, height, RGB(0, 0, 0), false, false, false);
    font.DrawText(dc, (width - font.TextWidth(dc, text, false, 0)) / 2, y, text, false);
}

}  // namespace

dlgNonElevateWndWithFocus::dlgNonElevateWndWithFocus() : pressed_(false), lastX_(0), lastY_(0) {
    pictureLock_.Create();
    whiteBrush_.CreateSolid(nullptr, RGB(255, 255, 255));
    if (!CreateFromTemplate(IDD_NON_ELEVATE_FOCUS, nullptr, false)) return;
    // The template shows the window, but its first paint would wait for a
    // message loop, and the parent runs none while it waits for its child.
    UpdateWindow(hwnd);
}

dlgNonElevateWndWithFocus::~dlgNonElevateWndWithFocus() {
    // The window goes before the pictures it paints from.
    Release();
}

void dlgNonElevateWndWithFocus::OnClose() { CloseDialog(0); }

void dlgNonElevateWndWithFocus::OnInit() {
    SetClassLongPtrW(hwnd, GCL_STYLE, GetClassLongPtrW(hwnd, GCL_STYLE) | CS_DROPSHADOW);
    int width = GetWidth(), height = GetHeight();
    HRGN region = CreateRoundRectRgn(0, 0, width + 1, height + 1, kCornerEllipse, kCornerEllipse);
    // On success the system owns the region.
    if (region && !SetWindowRgn(hwnd, region, TRUE)) DeleteObject(region);

    MutexLock lock(pictureLock_);
    DrawPicture(width, height);
    if (IsMinimized()) return;
    display_.CreateBlank(nullptr, width, height);
    picture_.Draw(display_.MemoryDC(), 0, 0, -1, -1, 0, 0, SRCCOPY);
}

void dlgNonElevateWndWithFocus::DrawPicture(int width, int height) {
    if (!picture_.CreateBlank(nullptr, width, height)) return;
    HDC dc = picture_.MemoryDC();
    RECT all = {0, 0, width, height};
    FillRect(dc, &all, whiteBrush_.Handle());
    FillVertical(dc, width, 0, height / 3, kEdgeGrey, 255);
    FillVertical(dc, width, height - height / 3, height, 255, kEdgeGrey);

    // The mask cuts the emblem's shape out, the picture fills it in.
    MemoryBitmap emblem, mask;
    emblem.LoadResource(ScaledVariant(kEmblems));
    mask.LoadResource(ScaledVariant(kEmblemMasks));
    int x = (width - emblem.Width()) / 2;
    mask.Draw(dc, x, 0, -1, -1, 0, 0, SRCAND);
    emblem.Draw(dc, x, 0, -1, -1, 0, 0, SRCPAINT);

    DrawCentred(dc, width, 2, "Tahoma", Scale(21), L"Installer");
    DrawCentred(dc, width, DialogUnitsY(35), "Tahoma", Scale(30), L"Processing Installer");
}

void dlgNonElevateWndWithFocus::OnEraseBackground(HDC dc) {
    MutexLock lock(pictureLock_);
    display_.Draw(dc, 0, 0, -1, -1, 0, 0, SRCCOPY);
}

POINT dlgNonElevateWndWithFocus::ToScreen(int x, int y) const {
    POINT point = {x, y};
    ClientToScreen(hwnd, &point);
    return point;
}

void dlgNonElevateWndWithFocus::OnMouseDown(int x, int y, UINT, WPARAM) {
    SetCapture(hwnd);
    POINT cursor = ToScreen(x, y);
    pressed_ = true;
    lastX_ = cursor.x;
    lastY_ = cursor.y;
}

void dlgNonElevateWndWithFocus::OnMouseUp(int, int, UINT, WPARAM) {
    pressed_ = false;
    ReleaseCapture();
}

void dlgNonElevateWndWithFocus::OnMouseMove(int x, int y, WPARAM) {
    if (!pressed_ || GetCapture() != hwnd) return;
    POINT cursor = ToScreen(x, y);
    RECT at = GetScreenRect();
    MoveTo(at.left + cursor.x - lastX_, at.top + cursor.y - lastY_);
    lastX_ = cursor.x;
    lastY_ = cursor.y;
}

HBRUSH dlgNonElevateWndWithFocus::OnCtlColorStatic() { return whiteBrush_.Handle(); }
HBRUSH dlgNonElevateWndWithFocus::OnCtlColorDialog() { return whiteBrush_.Handle(); }
