// The four pages of the wizard as drawn over its background picture.
#include "app/installer_state.h"
#include "base/texts.h"
#include "package/setup_files.h"
#include "res/resource_ids.h"
#include "ui/fitted_text.h"
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
    const wchar_t* unit = Text(kUnitMB);
    if (freeMB > 4000 && freeMB / 1024 > requiredMB) {
        freeFigure = freeMB / 1024;
        unit = Text(kUnitGB);
    }
    // %d takes 32 bits: the figures go through text to keep 64.
    return WString::Formatted(Text(kDiskLine), (const wchar_t*)WString::Int64ToText(requiredMB),
                              (const wchar_t*)WString::Int64ToText(freeFigure), unit);
}

void dlgInstall::PaintReady(HDC dc) {
    DrawCentred(dc, GetWidth(), DialogUnitsY(35), Scale(30), Text(kReadyToInstall));
    DrawTextAt(dc, DialogUnitsX(25), DialogUnitsY(102), 20, Text(kInstallTo));
    if (state.package && state.package->HasLicence())
        DrawTextAt(dc, DialogUnitsX(25), DialogUnitsY(157), 20, Text(kTermsAndConditions));
    WString line = DiskLine(state.requiredKB, fields.freeMB);
    Font font(nullptr, "Tahoma", Scale(12), RGB(0, 0, 0), false, false, false);
    font.DrawText(dc, DialogUnitsX(373) - font.TextWidth(dc, line, false, 0), DialogUnitsY(132), line, false);
}

void dlgInstall::PaintFinished(HDC dc) {
    bool aborted = state.installAborted;
    DrawCentred(dc, GetWidth(), DialogUnitsY(35), Scale(30),
                aborted ? Text(kInstallIncomplete) : Text(kSuccessfulInstall));
    int centre = GetHeight() / 2 - (hasFinishOptions ? DialogUnitsY(15) : 0);
    int side = kResultIconSides[VariantIndex(Scale(100))];
    IconHandle icon;
    if (icon.Load(aborted ? IDI_FAILURE : IDI_SUCCESS, side)) icon.Draw(dc, DialogUnitsX(25), centre - side / 2);
    Font font(nullptr, "Tahoma", Scale(18), RGB(0, 0, 0), false, false, false);
    const wchar_t* first = aborted ? Text(kInstallFailedLine) : Text(kInstallSucceededLine);
    const wchar_t* second = hasFinishOptions ? Text(kReviewAndFinish) : Text(kClickFinish);
    int left = DialogUnitsX(85);
    // Both gaps to the centre line are measured in horizontal units.
    int room = GetWidth() - left - DialogUnitsX(10);
    int firstTop = centre - DialogUnitsX(4) - font.TextHeight(dc, first, false);
    DrawFitted(dc, left, firstTop, Scale(18), FW_NORMAL, first, room);
    DrawFitted(dc, left, centre + DialogUnitsX(4), Scale(18), FW_NORMAL, second, room);
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
            DrawCentred(dc, GetWidth(), DialogUnitsY(35), Scale(30), Text(kInstallingTitle));
            MutexLock progress(state.progressLock);
            DrawTextAt(dc, DialogUnitsX(25), DialogUnitsY(106), 14, state.statusText);
            break;
        }
        case kFinished:
            PaintFinished(dc);
            break;
        default:
            DrawCentred(dc, GetWidth(), DialogUnitsY(35), Scale(30), Text(kProcessingActions));
            break;
    }
}
