#include "app/reboot_dialog.h"

#include "app/installer_state.h"
#include "app/reboot.h"
#include "base/message_box.h"
#include "base/texts.h"
#include "res/resource_ids.h"
#include "ui/fitted_text.h"
#include "ui/font.h"
#include "ui/icon_handle.h"
#include "ui/scale.h"

namespace {

const int kCountdownSeconds = 40;
const int kRestartIconSides[5] = {75, 94, 112, 150, 256};

DWORD RealTicks() { return GetTickCount(); }
TickSource g_clock = RealTicks;

void DrawTextAt(HDC dc, int x, int y, int height, int weight, const wchar_t* text, int right) {
    DrawFitted(dc, x, y, height, weight, text, right - x);
}

}  // namespace

void SetCountdownClock(TickSource clock) { g_clock = clock ? clock : RealTicks; }

dlgRebooting::dlgRebooting(bool showNote)
    : showRerunNote(showNote), rebooted(false), startTick(0), countdownTimer(0), textTop(0) {
    // "--noautoreboot" holds the restart back shown or not: an installer in
    // a container leaves it to the container, which restarts once, after
    // its last installer.
    if (!state.autoReboot) return;
    if (state.silent) {
        rebooted = Reboot();
        return;
    }
    CreateFromTemplate(IDD_REBOOTING, nullptr, true);
}

dlgRebooting::~dlgRebooting() { Release(); }

void dlgRebooting::OnInit() {
    SetDlgItemTextW(hwnd, IDC_CANCEL_REBOOT, Text(kCancelRebootButton));
    SetDlgItemTextW(hwnd, IDC_REBOOT_NOW, Text(kRebootNowButton));
    static const int kButtons[] = {IDC_CANCEL_REBOOT, IDC_REBOOT_NOW};
    FitButtonRow(hwnd, kButtons, 2);
    ShapeWindow();
    textTop = DialogUnitsY(showRerunNote ? 40 : 50);
    int textLeft = DialogUnitsX(95);
    {
        MutexLock lock(pictureLock_);
        if (DrawBackground(state.projectName)) {
            HDC dc = background_.MemoryDC();
            int side = kRestartIconSides[VariantIndex(Scale(100))];
            IconHandle icon;
            if (icon.Load(IDI_RESTART, side)) icon.Draw(dc, DialogUnitsX(25), (GetHeight() - side) / 2);
            int right = GetWidth() - DialogUnitsX(10);
            DrawTextAt(dc, textLeft, textTop, Scale(24), FW_NORMAL, Text(kRestartingWindows), right);
            if (showRerunNote)
                DrawTextAt(dc, textLeft, textTop + DialogUnitsY(24), Scale(20), 200, Text(kRerunAfterRestart), right);
            ShowBackground();
        }
    }
    startTick = g_clock();
    DrawCountdown(kCountdownSeconds);
    countdownTimer = StartTimer(1000);
}

void dlgRebooting::DrawCountdown(int remaining) {
    int left = DialogUnitsX(95);
    int top = textTop + DialogUnitsY(showRerunNote ? 44 : 25);
    // The band is measured in vertical units both ways, wide enough for
    // the longest line at every font size.
    RECT band = {left, top, left + DialogUnitsY(200), top + DialogUnitsY(25)};
    {
        MutexLock lock(pictureLock_);
        if (remaining == 0)
            countdownLine_ = Text(kRebootingNow);
        else
            countdownLine_.Format(Text(remaining == 1 ? kRebootCountdownOne : kRebootCountdown), remaining);
        if (display_.IsSelected()) {
            // The previous count goes with the background under it.
            background_.Draw(display_.MemoryDC(), band.left, band.top, band.right - band.left,
                             band.bottom - band.top, band.left, band.top, SRCCOPY);
            DrawTextAt(display_.MemoryDC(), left, top, Scale(20), FW_NORMAL, countdownLine_, band.right);
        }
    }
    InvalidateRect(hwnd, &band, TRUE);
}

WString dlgRebooting::CountdownLine() {
    MutexLock lock(pictureLock_);
    return countdownLine_;
}

void dlgRebooting::OnTimer(uint32_t id, int32_t) {
    if (id != countdownTimer) return;
    DWORD elapsed = (g_clock() - startTick) / 1000;
    if (elapsed <= (DWORD)kCountdownSeconds) {
        DrawCountdown(kCountdownSeconds - (int)elapsed);
        return;
    }
    StopTimer(countdownTimer);
    countdownTimer = 0;
    rebooted = Reboot();
    DrawCountdown(0);
}

void dlgRebooting::OnCommand(int id, HWND, int) {
    if (id == IDC_REBOOT_NOW) {
        // A tick arriving before the loop ends must not count on.
        StopTimer(countdownTimer);
        countdownTimer = 0;
        DrawCountdown(0);
        rebooted = Reboot();
    } else if (id == IDC_CANCEL_REBOOT) {
        StopTimer(countdownTimer);
        countdownTimer = 0;
        int answer = ShowMessage(hwnd, Text(kCancelRebootQuestion),
                                 state.projectName, MB_YESNO | MB_ICONQUESTION);
        if (answer == IDYES) {
            CloseDialog(0);
            return;
        }
        // startTick stays: the time spent on the question counts.
        countdownTimer = StartTimer(1000);
    }
}
