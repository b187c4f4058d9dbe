#include "app/picture_window.h"

#include "res/resource_ids.h"
#include "ui/gradient_fill.h"
#include "ui/fitted_text.h"
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
    CallGradientFill(dc, corners, 2, &rect, 1, GRADIENT_FILL_RECT_V);
}

}  // namespace

PictureWindow::PictureWindow() : emblemLeft_(0), pressed_(false), lastX_(0), lastY_(0) {
    pictureLock_.Create();
    whiteBrush_.CreateSolid(nullptr, RGB(255, 255, 255));
}

PictureWindow::~PictureWindow() {
    // The window goes before the pictures it paints from.
    Release();
}

void PictureWindow::OnClose() { CloseDialog(0); }

void PictureWindow::ShapeWindow() {
    SetClassLongPtrW(hwnd, GCL_STYLE, GetClassLongPtrW(hwnd, GCL_STYLE) | CS_DROPSHADOW);
    HRGN region = CreateRoundRectRgn(0, 0, GetWidth() + 1, GetHeight() + 1, kCornerEllipse, kCornerEllipse);
    // On success the system owns the region.
    if (region && !SetWindowRgn(hwnd, region, TRUE)) DeleteObject(region);
}

void PictureWindow::DrawCentred(HDC dc, int width, int y, int height, const wchar_t* text) {
    // Clear of the round corners and the close button.
    int room = width - 2 * Scale(40);
    FittedLine line = FitLine(dc, height, FW_NORMAL, text, room);
    DrawFitted(dc, (width - line.width) / 2, y, height, FW_NORMAL, text, room);
}

bool PictureWindow::DrawBackground(const wchar_t* topLine) {
    int width = GetWidth(), height = GetHeight();
    if (!background_.CreateBlank(nullptr, width, height)) return false;
    HDC dc = background_.MemoryDC();
    RECT all = {0, 0, width, height};
    FillRect(dc, &all, whiteBrush_.Handle());
    FillVertical(dc, width, 0, height / 3, kEdgeGrey, 255);
    FillVertical(dc, width, height - height / 3, height, 255, kEdgeGrey);

    // The mask cuts the emblem's shape out, the picture fills it in.
    MemoryBitmap emblem, mask;
    emblem.LoadResource(ScaledVariant(kEmblems));
    mask.LoadResource(ScaledVariant(kEmblemMasks));
    int x = (width - emblem.Width()) / 2;
    emblemLeft_ = x;
    mask.Draw(dc, x, 0, -1, -1, 0, 0, SRCAND);
    emblem.Draw(dc, x, 0, -1, -1, 0, 0, SRCPAINT);

    // The heading stands in the emblem's gap between the name and the arrow
    // (24 % to 88 % of its width): centred on the window while it fits
    // there, else centred in the gap, smaller where it must be.
    int gapLeft = x + emblem.Width() * 24 / 100 + Scale(4), gapRight = x + emblem.Width() * 88 / 100 - Scale(4);
    FittedLine line = FitLine(dc, Scale(21), FW_NORMAL, topLine, gapRight - gapLeft);
    int left = (width - line.width) / 2;
    if (left < gapLeft || left + line.width > gapRight) left = (gapLeft + gapRight - line.width) / 2;
    DrawFitted(dc, left, 2, Scale(21), FW_NORMAL, topLine, gapRight - gapLeft);
    return true;
}

void PictureWindow::ShowBackground() {
    if (IsMinimized()) return;
    display_.CreateBlank(nullptr, GetWidth(), GetHeight());
    background_.Draw(display_.MemoryDC(), 0, 0, -1, -1, 0, 0, SRCCOPY);
}

void PictureWindow::OnEraseBackground(HDC dc) {
    MutexLock lock(pictureLock_);
    display_.Draw(dc, 0, 0, -1, -1, 0, 0, SRCCOPY);
}

POINT PictureWindow::ToScreen(int x, int y) const {
    POINT point = {x, y};
    ClientToScreen(hwnd, &point);
    return point;
}

void PictureWindow::OnMouseDown(int x, int y, UINT, WPARAM) {
    SetCapture(hwnd);
    POINT cursor = ToScreen(x, y);
    pressed_ = true;
    lastX_ = cursor.x;
    lastY_ = cursor.y;
}

void PictureWindow::OnMouseUp(int, int, UINT, WPARAM) {
    pressed_ = false;
    ReleaseCapture();
}

void PictureWindow::OnMouseMove(int x, int y, WPARAM) {
    if (!pressed_ || GetCapture() != hwnd) return;
    POINT cursor = ToScreen(x, y);
    RECT at = GetScreenRect();
    MoveTo(at.left + cursor.x - lastX_, at.top + cursor.y - lastY_);
    lastX_ = cursor.x;
    lastY_ = cursor.y;
}

HBRUSH PictureWindow::OnCtlColorStatic() { return whiteBrush_.Handle(); }
HBRUSH PictureWindow::OnCtlColorDialog() { return whiteBrush_.Handle(); }
