// The four pages of the wizard as drawn over its background picture.
#include "app/installer_state.h"
#include "package/setup_files.h"
#include "res/resource_ids.h"
#include "ui/font.h"
#include "ui/icon_handle.h"
#include "ui/scale.h"
#include "wizard/install_dialog.h"

namespace {

const int kResultIconSides[5] = {75, 94, 112, 150, 256};

void DrawTextAt(HDC dc, int x, int y, int size, const wchar_t* text) {
    Font font(nullptr, "Tahoma", Scale(size), RGB(0, 0, 0), false, false, false);
    font.DrawText(dc, x, y, text, false);
}

}  // namespace

WString DiskLine(int64_t requiredKB, int64_t freeMB) {
    int64_t requiredMB = requiredKB / 1024;
    if (requiredMB < 1) requiredMB = 1;
    int64_t freeFigure = freeMB;
    const wchar_t* unit = L"MB";
    if (freeMB > 4000 && freeMB / 1024 > requiredMB) {
        freeFigure = freeMB / 1024;
        unit = L"GB";
    }
    // %d takes 32 bits: the figures go through text to keep 64.
    WString line = WString::Int64ToText(requiredMB);
    line.Append(L" MB Required, ").Append(WString::Int64ToText(freeFigure)).AppendChar(L' ');
    return line.Append(unit).Append(L" Free");
}

void dlgInstall::PaintReady(HDC dc) {
    DrawCentred(dc, GetWidth(), DialogUnitsY(35), Scale(30), L"Ready to Install");
    DrawTextAt(dc, DialogUnitsX(25), DialogUnitsY(102), 20, L"Install To");
    if (state.package && state.package->HasLicence())
        DrawTextAt(dc, DialogUnitsX(25), DialogUnitsY(157), 20, L"Terms & Conditions");
    WString line = DiskLine(state.requiredKB, fields.freeMB);
    Font font(nullptr, "Tahoma", Scale(12), RGB(0, 0, 0), false, false, false);
    font.DrawText(dc, DialogUnitsX(373) - font.TextWidth(dc, line, false, 0), DialogUnitsY(132), line, false);
}

void dlgInstall::PaintFinished(HDC dc) {
    bool aborted = state.installAborted;
    DrawCentred(dc, GetWidth(), DialogUnitsY(35), Scale(30), aborted ? L"Install is Incomplete" : L"Successful Install");
    int centre = GetHeight() / 2 - (hasFinishOptions ? DialogUnitsY(15) : 0);
    int side = kResultIconSides[VariantIndex(Scale(100))];
    IconHandle icon;
    if (icon.Load(aborted ? IDI_FAILURE : IDI_SUCCESS, side, side)) icon.Draw(dc, DialogUnitsX(25), centre - side / 2);
    Font font(nullptr, "Tahoma", Scale(18), RGB(0, 0, 0), false, false, false);
    const wchar_t* first = aborted ? L"Installation was not successful." : L"Installation has completed successfully.";
    const wchar_t* second = hasFinishOptions ? L"Review and click Finish to exit." : L"Click Finish to exit.";
    int left = DialogUnitsX(85);
    // Both gaps to the centre line are measured in horizontal units.
    font.DrawText(dc, left, centre - DialogUnitsX(4) - font.TextHeight(dc, first, false), first, false);
    font.DrawText(dc, left, centre + DialogUnitsX(4), second, false);
}

void dlgInstall::PaintPage() {
    MutexLock lock(pictureLock_);
    if (IsMinimized() || !background_.IsSelected()) return;
    ShowBackground();
    HDC dc = display_.MemoryDC();
    if (!dc) return;
    switch (page) {
        case kReady:
            PaintReady(dc);
            break;
        case kInstalling: {
            DrawCentred(dc, GetWidth(), DialogUnitsY(35), Scale(30), L"Installing");
            MutexLock progress(state.progressLock);
            DrawTextAt(dc, DialogUnitsX(25), DialogUnitsY(106), 14, state.statusText);
            break;
        }
        case kFinished:
            PaintFinished(dc);
            break;
        default:
            DrawCentred(dc, GetWidth(), DialogUnitsY(35), Scale(30), L"Processing Actions");
            break;
    }
}
