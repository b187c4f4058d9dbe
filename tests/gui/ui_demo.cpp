// ui_demo: the focus-window template (125) drawn the way the dialogs draw
// their background: gradients, the emblem over its mask, the fonts, the
// close-button strip and the icons, at the display scale of the process.
//   ui_demo [report file]
// The report file receives "Scale(100) Scale(21) width height emblemWidth
// emblemHeight",
// the values the GUI test checks the screenshot against. The dialog closes
// on WM_CLOSE or Esc, and by itself after a minute so that it never lingers.
#include <windows.h>

#include <stdio.h>

#include "res/resource_ids.h"
#include "ui/font.h"
#include "ui/gdi_objects.h"
#include "ui/icon_handle.h"
#include "ui/memory_bitmap.h"
#include "ui/scale.h"
#include "ui/xwindow.h"

namespace {

const int kEmblems[5] = {IDB_EMBLEM_100, IDB_EMBLEM_125, IDB_EMBLEM_150, IDB_EMBLEM_200, IDB_EMBLEM_300};
const int kEmblemMasks[5] = {IDB_EMBLEM_MASK_100, IDB_EMBLEM_MASK_125, IDB_EMBLEM_MASK_150, IDB_EMBLEM_MASK_200,
                             IDB_EMBLEM_MASK_300};
const int kCloseStrips[5] = {IDB_CLOSE_100, IDB_CLOSE_125, IDB_CLOSE_150, IDB_CLOSE_200, IDB_CLOSE_300};
const int kIcons[10] = {IDI_CHECKED, IDI_CHECKED_DISABLED, IDI_UNCHECKED, IDI_UNCHECKED_DISABLED, IDI_PROGRAM,
                        IDI_RESTART, IDI_SHORTCUT, IDI_SUCCESS, IDI_FAILURE, IDI_UNINSTALL};

void FillBand(HDC dc, int width, int top, int bottom, int fromGrey, int toGrey) {
    Brush brush;
    for (int y = top; y < bottom; ++y) {
        int grey = fromGrey + (toGrey - fromGrey) * (y - top) / (bottom - top);
        brush.CreateSolid(nullptr, RGB(grey, grey, grey));
        RECT row = {0, y, width, y + 1};
        FillRect(dc, &row, brush.Handle());
    }
}

// A picture over its mask: the mask cuts the shape out, the picture fills it.
void DrawMasked(HDC dc, const MemoryBitmap& picture, const MemoryBitmap& mask, int x, int y, int w, int h,
                int sourceX, int pictureRow, int maskRow) {
    mask.Draw(dc, x, y, w, h, sourceX, maskRow, SRCAND);
    picture.Draw(dc, x, y, w, h, sourceX, pictureRow, SRCPAINT);
}

class DemoDialog : public XWindow {
public:
    explicit DemoDialog(const wchar_t* reportPath) : reportPath_(reportPath) {}

    void OnInit() override {
        RECT client;
        GetClientRect(hwnd, &client);
        int width = client.right, height = client.bottom;
        background_.CreateBlank(nullptr, width, height);
        HDC dc = background_.MemoryDC();
        FillBand(dc, width, 0, height / 3, 245, 255);
        FillBand(dc, width, height / 3, height - height / 3, 255, 255);
        FillBand(dc, width, height - height / 3, height, 255, 245);

        MemoryBitmap emblem, emblemMask;
        emblem.LoadResource(ScaledVariant(kEmblems));
        emblemMask.LoadResource(ScaledVariant(kEmblemMasks));
        int ex = (width - emblem.Width()) / 2;
        DrawMasked(dc, emblem, emblemMask, ex, 0, -1, -1, 0, 0, 0);

        Font title(nullptr, "Tahoma", Scale(21), RGB(0, 0, 0), false, false, false);
        Font heading(nullptr, "Tahoma", Scale(30), RGB(0x1F, 0x3A, 0x68), true, false, false);
        Font body(nullptr, "Tahoma", Scale(15), RGB(0x40, 0x40, 0x40), false, false, false);
        title.DrawText(dc, (width - title.TextWidth(dc, L"Installer", false, 0)) / 2, 2, L"Installer", false);
        const wchar_t* headline = L"Processing Installer";
        heading.DrawText(dc, (width - heading.TextWidth(dc, headline, false, 0)) / 2, DialogUnitsY(35), headline,
                         false);
        body.DrawText(dc, DialogUnitsX(10), DialogUnitsY(62), L"Tahoma 15, two lines:\r\n\tafter a tab", true);

        MemoryBitmap strip;
        strip.LoadResource(ScaledVariant(kCloseStrips));
        int cellW = strip.Width() / 4, cellH = strip.Height() / 2;
        DrawMasked(dc, strip, strip, width - DialogUnitsX(10) - cellW - 2, 1, cellW, cellH, 0, 0, cellH);
        int stripY = DialogUnitsY(62);
        for (int state = 0; state < 4; ++state)
            DrawMasked(dc, strip, strip, width / 2 + state * (cellW + Scale(6)), stripY, cellW, cellH,
                       state * cellW, 0, cellH);

        int side = Scale(32);
        int iconsX = (width - 10 * side - 9 * Scale(8)) / 2;
        for (int i = 0; i < 10; ++i) {
            IconHandle icon;
            icon.Load(kIcons[i], side);
            icon.Draw(dc, iconsX + i * (side + Scale(8)), DialogUnitsY(100));
        }
        Report(emblem.Width(), emblem.Height());
        StartTimer(60000);
    }

    void OnEraseBackground(HDC dc) override { background_.Draw(dc, 0, 0, -1, -1, 0, 0, SRCCOPY); }
    void OnTimer(uint32_t, int32_t) override { CloseDialog(0); }
    void OnClose() override { CloseDialog(0); }
    void OnCmdCancel() override { CloseDialog(0); }

private:
    void Report(int emblemWidth, int emblemHeight) {
        if (!reportPath_) return;
        FILE* f = _wfopen(reportPath_, L"w");
        if (!f) return;
        fprintf(f, "%d %d %d %d %d %d\n", Scale(100), Scale(21), GetWidth(), GetHeight(), emblemWidth, emblemHeight);
        fclose(f);
    }

    const wchar_t* reportPath_;
    MemoryBitmap background_;
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
    DemoDialog dialog(argc > 1 ? argv[1] : nullptr);
    return (int)dialog.CreateFromTemplate(IDD_NON_ELEVATE_FOCUS, nullptr, true);
}
