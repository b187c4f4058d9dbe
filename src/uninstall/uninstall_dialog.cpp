#include "uninstall/uninstall_dialog.h"

#include <commctrl.h>

#include "app/installer_state.h"
#include "app/reboot_dialog.h"
#include "base/run_log.h"
#include "base/texts.h"
#include "res/resource_ids.h"
#include "ui/fitted_text.h"
#include "ui/font.h"
#include "ui/icon_handle.h"
#include "ui/scale.h"
#include "uninstall/uninstall_worker.h"
#include "uninstall/uninstaller.h"

namespace {

const int kPageIconSides[5] = {75, 94, 112, 150, 256};
const int kRowIconSides[5] = {16, 20, 24, 32, 48};
const uint32_t kWorkerStopTimeout = 60000;

int SideByScale(const int (&sides)[5]) { return sides[VariantIndex(Scale(100))]; }

void DrawLine(HDC dc, int x, int y, int height, const wchar_t* text, int right) {
    DrawFitted(dc, x, y, height, FW_NORMAL, text, right - x);
}

int LineHeight(HDC dc, int height, const wchar_t* text) {
    Font font(nullptr, "Tahoma", height, RGB(0, 0, 0), false, false, false);
    font.Select(dc);
    int measured = font.TextHeight(dc, text, false);
    font.Deselect();
    return measured;
}

}  // namespace

dlgUnInstall::dlgUnInstall(bool sayOnReboot)
    : state(kReady),
      sayOnRebootRunInst(sayOnReboot),
      closeButton(this),
      pageTimer_(0),
      closing_(false),
      windowShown_(false),
      exitCode_(kUninstallFailed) {
    CreateFromTemplate(IDD_UNINSTALL, nullptr, true);
    if (!windowShown_) RunWithoutWindow();
}

void dlgUnInstall::RunWithoutWindow() {
    RunLog("the uninstall dialog's window cannot be made (error %lu)%s", GetLastError(),
           ::state.silent ? L": the silent removal runs without it" : L"");
    if (!::state.silent) return;
    state = kUninstalling;
    UninstallWorker(nullptr, nullptr);
    state = kFinished;
    EndFinished(::state.uninstallRebootRequired);
}

dlgUnInstall::~dlgUnInstall() {
    Release();
    // Only reached once the worker has ended; a dialog that failed to open
    // never started one.
    worker.Close();
}

void dlgUnInstall::OnInit() {
    windowShown_ = true;
    SetWindowTextW(hwnd, ::state.caption);
    SetDlgItemTextW(hwnd, IDOK, Text(kUninstallButton));
    SetDlgItemTextW(hwnd, IDCANCEL, Text(kCancelButton));
    static const int kButtons[] = {IDOK, IDCANCEL};
    FitButtonRow(hwnd, kButtons, 2);
    ShapeWindow();
    {
        MutexLock lock(pictureLock_);
        if (DrawBackground(Text(kUninstallerHeading)))
            DrawCentred(background_.MemoryDC(), GetWidth(), DialogUnitsY(57), Scale(18), ::state.projectName);
    }
    closeButtons.StartHoverTimer(hwnd);
    closeButton.AddTo(closeButtons, &background_);
    PaintPage();
    pageTimer_ = StartTimer(250);
    if (::state.silent) OnCmdOK();
}

void dlgUnInstall::DrawPageIcon(HDC dc, int id, int raise, int& textLeft) {
    int side = SideByScale(kPageIconSides);
    int x = DialogUnitsX(25);
    IconHandle icon;
    if (icon.Load(id, side)) icon.Draw(dc, x, (GetHeight() - side) / 2 - raise);
    textLeft = x + side + DialogUnitsX(12);
}

void dlgUnInstall::PaintPage() {
    {
        MutexLock lock(pictureLock_);
        ShowBackground();
        if (!display_.IsSelected()) return;
        HDC dc = display_.MemoryDC();
        int width = GetWidth(), middle = GetHeight() / 2;
        int textLeft = 0;
        if (state == kReady) {
            DrawCentred(dc, width, DialogUnitsY(35), Scale(30), Text(kReadyToUninstall));
            DrawPageIcon(dc, IDI_UNINSTALL, 0, textLeft);
            WString question = WString::Formatted(Text(kRemoveQuestion), (const wchar_t*)::state.projectName);
            DrawLine(dc, textLeft, middle - LineHeight(dc, Scale(21), question) / 2, Scale(21), question,
                     width - DialogUnitsX(10));
        } else if (state == kUninstalling) {
            DrawCentred(dc, width, DialogUnitsY(35), Scale(30), Text(kUninstallingTitle));
        } else {
            bool failed = ::state.uninstallFailed;
            bool restart = ::state.uninstallRebootRequired;
            int raise = restart ? DialogUnitsY(15) : 0;
            DrawCentred(dc, width, DialogUnitsY(35), Scale(30),
                        failed ? Text(kUninstallIncomplete) : Text(kUninstallCompleted));
            DrawPageIcon(dc, failed ? IDI_FAILURE : IDI_SUCCESS, raise, textLeft);
            WString outcome = WString::Formatted(
                failed ? Text(kProductNotRemoved) : Text(kProductRemoved),
                (const wchar_t*)::state.projectName);
            const wchar_t* next = restart ? Text(kReviewAndFinish) : Text(kClickFinish);
            int line = LineHeight(dc, Scale(18), outcome);
            int top = middle - raise - line;
            DrawLine(dc, textLeft, top, Scale(18), outcome, width - DialogUnitsX(10));
            DrawLine(dc, textLeft, top + line + Scale(4), Scale(18), next, width - DialogUnitsX(10));
        }
    }
    Invalidate();
}

void dlgUnInstall::OnCmdOK() {
    if (state != kReady) return;
    state = kUninstalling;
    if (!worker.Start(&UninstallWorker, hwnd, kWorkerStopTimeout)) ::state.uninstallFailed = true;
    ShowWindow(GetItem(IDOK), SW_HIDE);
    HWND cancel = GetItem(IDCANCEL);
    RECT client;
    GetClientRect(hwnd, &client);
    MoveWindow(cancel, client.right / 2 - DialogUnitsX(27), DialogUnitsY(211), DialogUnitsX(54), DialogUnitsY(16),
               TRUE);
    FitButtonCentred(cancel);
    EnableWindow(cancel, FALSE);
    if (closeButton.buttonWindow) EnableWindow(closeButton.buttonWindow, FALSE);
    ShowWindow(GetItem(IDC_PROGRESS), SW_SHOW);
    PaintPage();
}

void dlgUnInstall::OnCmdCancel() { OnClose(); }

void dlgUnInstall::Finish() {
    HWND button = GetItem(IDCANCEL);
    SetWindowTextW(button, Text(kFinishButton));
    FitButtonCentred(button);
    EnableWindow(button, TRUE);
    SetFocus(button);
    if (closeButton.buttonWindow) EnableWindow(closeButton.buttonWindow, TRUE);
    ShowWindow(GetItem(IDC_PROGRESS), SW_HIDE);
    if (::state.uninstallRebootRequired && restartList.Create(*this)) {
        int side = SideByScale(kRowIconSides);
        const int ids[4] = {IDI_CHECKED, IDI_UNCHECKED, IDI_CHECKED_DISABLED, IDI_UNCHECKED_DISABLED};
        IconHandle icons[4];
        for (int i = 0; i < 4; i++) icons[i].Load(ids[i], side);
        restartList.SetCheckIcons(icons[0].Handle(), icons[1].Handle(), icons[2].Handle(), icons[3].Handle());
        ValueRow row;
        row.name = Text(kRestartUninstallRow);
        row.value = L"1";
        row.icon.Load(IDI_RESTART, side);
        row.iconX = Scale(6);
        row.nameX = Scale(48);
        restartList.AddRow(row);
    }
    // Last, so that whoever sees the state sees the page complete.
    state = kFinished;
    PaintPage();
    // Unattended runs never wait for a click: with a restart required the
    // close goes through the restart, which silent mode starts at once
    // (or leaves to the caller with "--noautoreboot").
    if (::state.silent) OnClose();
}

void dlgUnInstall::OnTimer(uint32_t id, int32_t) {
    if (id != pageTimer_) return;
    if (closeButton.closeRequested) {
        closeButton.closeRequested = 0;
        OnClose();
        return;
    }
    if (state != kUninstalling) return;
    if (worker.IsFinished()) {
        Finish();
        return;
    }
    int position = -1;
    {
        MutexLock lock(::state.progressLock);
        if (::state.actionChanged) {
            ::state.actionChanged = false;
            position = ::state.progressTotal ? ::state.progressDone * 100 / ::state.progressTotal : 0;
        }
    }
    if (position >= 0) SendMessageW(GetItem(IDC_PROGRESS), PBM_SETPOS, (WPARAM)position, 0);
}

void dlgUnInstall::OnClose() {
    // The countdown below runs its own loop, in which a second Finish must
    // not start another.
    if (closing_) return;
    if (state == kUninstalling) return;
    if (state == kReady) {
        exitCode_ = kUninstallCancelled;
        CloseDialog(0);
        return;
    }
    closing_ = true;
    EndFinished(::state.uninstallRebootRequired && restartList.RowCount() > 0 && restartList.IsChecked(0));
    CloseDialog(0);
}

void dlgUnInstall::EndFinished(bool restartChosen) {
    if (::state.uninstallFailed)
        exitCode_ = kUninstallFailed;
    else if (::state.uninstallRebootRequired)
        exitCode_ = kUninstallRestartNeeded;
    else
        exitCode_ = kUninstallRemoved;
    if (restartChosen) {
        dlgRebooting countdown(sayOnRebootRunInst);
        // A waiting installer stops: setup is to run again after the restart.
        // A restart held back ("--silent --noautoreboot") or refused by the
        // system sends no signal, or every later install would stop for it.
        if (countdown.rebooted) {
            ::state.rerunEvent.Set();
            exitCode_ = kUninstallRestartStarted;
        }
    }
}

LRESULT dlgUnInstall::PreDispatch(HWND window, UINT message, WPARAM wParam, LPARAM lParam, int32_t* handledMark) {
    int32_t taken = 0;
    LRESULT result = closeButtons.HandleMessage(window, message, wParam, lParam, &taken);
    // Also before the list exists: the WM_MEASUREITEM that sizes its rows
    // arrives while it is being created.
    if (!taken) result = restartList.HandleParentMessage(window, message, wParam, lParam, &taken);
    if (taken) *handledMark = 1;
    return result;
}

void dlgUnInstall::OnDestroy() {
    closeButtons.Clear();
    restartList.Destroy();
    XWindow::OnDestroy();
}
