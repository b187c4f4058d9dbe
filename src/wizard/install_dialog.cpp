#include "wizard/install_dialog.h"

#include <commctrl.h>
#include <shlobj.h>

#include "app/installer_state.h"
#include "base/message_box.h"
#include "base/run_log.h"
#include "base/texts.h"
#include "engine/install_scope.h"
#include "engine/install_worker.h"
#include "package/setup_files.h"
#include "res/resource_ids.h"
#include "ui/fitted_text.h"
#include "ui/scale.h"
#include "wizard/banner.h"
#include "wizard/licence_dialog.h"
#include "wizard/wizard_settings.h"

namespace {

const uint32_t kPollMs = 250;
const uint32_t kStopTimeoutMs = 60000;

}  // namespace

dlgInstall::dlgInstall()
    : page(kReady),
      hasFinishOptions(false),
      closeButton(this),
      versionRefused(false),
      windowShown(false),
      windowFailed(false),
      restartChosen(false),
      restartStarted(false),
      actionsShown(0),
      asking_(false),
      pollTimer_(0) {
    state.statusText = L"";
    CreateFromTemplate(IDD_INSTALL, nullptr, true);
    if (!windowShown) RunWithoutWindow();
}

dlgInstall::~dlgInstall() {
    // The threads end before the window and the lists they read go.
    worker.Close();
    finishThread.Close();
    Release();
}

void dlgInstall::FitControls() {
    static const int kButtons[] = {IDC_INSTALL, IDC_CANCEL};
    FitButtonRow(hwnd, kButtons, 2);
    // Choose grows into the destination, which ends where it begins.
    static const int kChoose[] = {IDC_CHOOSE};
    FitButtonRow(hwnd, kChoose, 1);
    RECT choose, edit;
    GetWindowRect(GetItem(IDC_CHOOSE), &choose);
    GetWindowRect(GetItem(IDC_INSTALL_PATH), &edit);
    MapWindowPoints(nullptr, hwnd, (POINT*)&choose, 2);
    MapWindowPoints(nullptr, hwnd, (POINT*)&edit, 2);
    MoveWindow(GetItem(IDC_INSTALL_PATH), edit.left, edit.top, choose.left - edit.left, edit.bottom - edit.top, TRUE);
    // The link is as wide as the template's English needs. Its ideal size
    // (LM_GETIDEALSIZE, the same message as LM_GETIDEALHEIGHT) comes from
    // Vista on; Windows XP leaves the size at 0 and the link as it is.
    HWND link = GetItem(IDC_LICENSE_LINK);
    SIZE ideal = {0, 0};
    RECT at;
    GetWindowRect(link, &at);
    MapWindowPoints(nullptr, hwnd, (POINT*)&at, 2);
    SendMessageW(link, LM_GETIDEALHEIGHT, (WPARAM)(GetWidth() - at.left), (LPARAM)&ideal);
    if (ideal.cx > at.right - at.left) MoveWindow(link, at.left, at.top, ideal.cx, at.bottom - at.top, TRUE);
}

WString ChosenDestination(const WString& folder, const WString& installToText) {
    WString result(folder);
    result.EnsureTrailingBackslash();
    WString text(installToText);
    while (!text.IsEmpty() && text.CharAt(WString::kLast) == L'\\') text.DropRight(1);
    // The script's own folder name follows its last backslash, or the
    // placeholder it is put under ("<Program Files>Tool\").
    int32_t slash = text.FindLastChar(L'\\'), placeholder = text.FindLastChar(L'>');
    int32_t before = slash > placeholder ? slash : placeholder;
    WString component = text.From(before + 1);
    if (before != 0 && !component.IsEmpty() && component.CharAt(1) != L'<')
        result.Append(component).AppendChar(L'\\');
    return result;
}

void dlgInstall::OnInit() {
    windowShown = true;
    if (!LoadWizardSettings(hwnd, fields)) {
        versionRefused = true;
        CloseDialog(0);
        return;
    }
    SetWindowTextW(hwnd, state.caption);
    SetDlgItemTextW(hwnd, IDC_INSTALL, Text(kInstallButton));
    SetDlgItemTextW(hwnd, IDC_CANCEL, Text(kCancelButton));
    SetDlgItemTextW(hwnd, IDC_CHOOSE, Text(kChooseButton));
    SetDlgItemTextW(hwnd, IDC_LICENSE_LINK, WString::Formatted(L"<a>%s</a>", Text(kReadLicenceLink)));
    FitControls();
    if (state.scopeOffered) ShowScopeChoice();
    ShapeWindow();
    {
        MutexLock lock(pictureLock_);
        if (DrawBackground(Text(kInstallerHeading))) {
            WString project(state.projectName);
            if (!state.programVersion.IsEmpty()) project.Append(L" ").Append(state.programVersion);
            DrawCentred(background_.MemoryDC(), GetWidth(), DialogUnitsY(57), Scale(18), project);
            // The header band left of the emblem: clear of the round corner
            // and of the page's title below.
            RECT room = {Scale(20), Scale(8), emblemLeft_ - Scale(12), DialogUnitsY(35) - Scale(4)};
            DrawBanner(background_.MemoryDC(), room);
        }
    }
    if (state.package && state.package->HasLicence()) ShowWindow(GetItem(IDC_LICENSE_LINK), SW_SHOW);
    buttons.StartHoverTimer(hwnd);
    closeButton.AddTo(buttons, &background_);
    PaintPage();
    Invalidate();
    pollTimer_ = StartTimer(kPollMs);
    // The elevated copy of a run whose ready page chose "for everyone".
    if (state.silent || state.installAtOnce) StartInstall();
    SetActiveWindow(hwnd);
    SetForegroundWindow(hwnd);
}

void dlgInstall::OnDestroy() {
    buttons.Clear();
    finishList.Destroy();
    XWindow::OnDestroy();
}

void dlgInstall::OnSize(int, int, int type) {
    handled = 0;
    if (type != SIZE_RESTORED) return;
    PaintPage();
    Invalidate();
}

void dlgInstall::StartInstall() {
    page = kInstalling;
    // Nothing was installed: the finish page reports the failure (a worker
    // that never ran reads as finished).
    if (!worker.Start(InstallWorker, hwnd, kStopTimeoutMs)) {
        RunLog("the install worker could not be started (error %lu)", GetLastError());
        state.installAborted = true;
    }
    static const int kReadyControls[] = {IDC_INSTALL_PATH, IDC_CHOOSE,       IDC_LICENSE_LINK,
                                         IDC_INSTALL,      IDC_SCOPE_USER, IDC_SCOPE_MACHINE};
    for (int id : kReadyControls) ShowWindow(GetItem(id), SW_HIDE);
    ShowWindow(GetItem(IDC_PROGRESS), SW_SHOW);
    MoveWindow(GetItem(IDC_CANCEL), GetWidth() / 2 - DialogUnitsX(27), DialogUnitsY(211), DialogUnitsX(54),
               DialogUnitsY(16), TRUE);
    FitButtonCentred(GetItem(IDC_CANCEL));
    PaintPage();
    Invalidate();
}

void dlgInstall::OnTimer(uint32_t id, int32_t) {
    // While the cancel question is open its box runs the loop: the page
    // must not move on under it.
    if (id != pollTimer_ || asking_) return;
    if (page == kInstalling && worker.IsFinished()) ShowFinishPage();
    if (page == kFinishing) {
        MarkFinishedActions();
        if (finishThread.IsFinished()) {
            SetCursor(LoadCursorW(nullptr, IDC_ARROW));
            CloseDialog(0);
            return;
        }
    }
    {
        MutexLock lock(state.progressLock);
        if (page == kInstalling && state.actionChanged) {
            state.actionChanged = false;
            if (Compare(state.actionText, state.statusText, false) != 0) {
                state.statusText = state.actionText;
                PaintPage();
                RECT band = {0, DialogUnitsY(106), GetWidth(), DialogUnitsY(116)};
                InvalidateRect(hwnd, &band, TRUE);
            }
            int percent = state.progressTotal == 0 ? 0 : state.progressDone * 100 / state.progressTotal;
            SendMessageW(GetItem(IDC_PROGRESS), PBM_SETPOS, (WPARAM)percent, 0);
        }
    }
    if (closeButton.closeRequested) {
        closeButton.closeRequested = 0;
        OnClose();
    }
}

void dlgInstall::OnCommand(int id, HWND, int code) {
    if (code != BN_CLICKED) return;
    if (id == IDC_INSTALL) {
        if (page != kReady) return;
        // An install for everyone needs the elevated copy, which installs
        // what this page shows.
        if (state.scopeOffered && !state.userScope) {
            state.everyoneChosen = true;
            CloseDialog(0);
            return;
        }
        StartInstall();
    } else if (id == IDC_SCOPE_USER || id == IDC_SCOPE_MACHINE) {
        ChangeScope(id == IDC_SCOPE_USER);
    } else if (id == IDC_CANCEL) {
        OnClose();
    } else if (id == IDC_CHOOSE) {
        BrowseForDestination();
    }
}

void dlgInstall::ShowScopeChoice() {
    SetDlgItemTextW(hwnd, IDC_SCOPE_USER, Text(kScopeChoiceUser));
    SetDlgItemTextW(hwnd, IDC_SCOPE_MACHINE, Text(kScopeChoiceEveryone));
    CheckRadioButton(hwnd, IDC_SCOPE_USER, IDC_SCOPE_MACHINE, state.userScope ? IDC_SCOPE_USER : IDC_SCOPE_MACHINE);
    ShowWindow(GetItem(IDC_SCOPE_USER), SW_SHOW);
    ShowWindow(GetItem(IDC_SCOPE_MACHINE), SW_SHOW);
}

// Each scope has its own folders and finds its own earlier install: the
// settings are read again for it (a folder chosen before goes).
void dlgInstall::ChangeScope(bool user) {
    if (state.userScope == user) return;
    state.userScope = user;
    RunLog("install scope chosen: %s", ScopeName());
    LoadWizardSettings(hwnd, fields);
    PaintPage();
    Invalidate();
}

void dlgInstall::BrowseForDestination() {
    BROWSEINFOW info = {};
    info.hwndOwner = hwnd;
    info.lpszTitle = Text(kSelectFolder);
    info.ulFlags = BIF_EDITBOX | BIF_NEWDIALOGSTYLE;
    LPITEMIDLIST chosen = SHBrowseForFolderW(&info);
    if (!chosen) return;
    wchar_t folder[MAX_PATH] = L"";
    BOOL named = SHGetPathFromIDListW(chosen, folder);
    CoTaskMemFree(chosen);
    if (!named || !folder[0]) return;
    state.installPath = ChosenDestination(WString(folder), fields.installToText);
    RefreshDestination(hwnd, fields);
    PaintPage();
    Invalidate();
}

LRESULT dlgInstall::OnNotify(NMHDR* header) {
    if (header->idFrom != IDC_LICENSE_LINK || (header->code != NM_CLICK && header->code != NM_RETURN))
        return XWindow::OnNotify(header);
    dlgLicense licence(hwnd);
    return 0;
}

void dlgInstall::OnClose() {
    if (page == kInstalling) {
        asking_ = true;
        int answer = ShowMessage(hwnd, Text(kCancelInstallQuestion), state.caption, MB_YESNO | MB_ICONQUESTION);
        asking_ = false;
        if (answer != IDYES) return;
        // Finished, or committing, while the question was open: nothing is
        // left to cancel, and the complete install is recorded as any other
        // (the timer shows the finish page once the worker has ended).
        if (worker.IsFinished() ||
            InterlockedCompareExchange(&state.endClaim, InstallerState::kEndCancelled, InstallerState::kEndOpen) !=
                InstallerState::kEndOpen) {
            if (worker.IsFinished()) ShowFinishPage();
            return;
        }
        state.installAborted = true;
        state.installCancelled = true;
        CloseDialog(0);
        return;
    }
    if (page == kFinished && hasFinishOptions) {
        RunFinishActions();
        return;
    }
    // Alt+F4 still reaches here while the finish actions run: the timer
    // ends the dialog once they have, and the exit code tells what they did.
    if (page == kFinishing) return;
    CloseDialog(0);
}

LRESULT dlgInstall::PreDispatch(HWND window, UINT message, WPARAM wParam, LPARAM lParam, int32_t* handledMark) {
    // The wait cursor stays while the finish actions run; the system would
    // put the class cursor back on every move.
    if (message == WM_SETCURSOR && page == kFinishing) {
        SetCursor(LoadCursorW(nullptr, IDC_WAIT));
        *handledMark = 1;
        return TRUE;
    }
    int32_t taken = 0;
    LRESULT answer = buttons.HandleMessage(window, message, wParam, lParam, &taken);
    if (taken) {
        *handledMark = 1;
        return answer;
    }
    answer = finishList.HandleParentMessage(window, message, wParam, lParam, &taken);
    if (taken) *handledMark = 1;
    return answer;
}

int dlgInstall::ExitCode() const {
    if (versionRefused) return kExitVersionRefused;
    if (windowFailed) return kExitFailed;
    if (page == kReady || state.installCancelled) return kExitCancelled;
    // An older version's uninstaller restarts Windows so that this setup
    // runs again afterwards.
    if (state.installAborted) return state.rerunEvent.IsSignalled() ? kExitRestartStarted : kExitFailed;
    if (restartStarted) return kExitRestartStarted;
    if (state.rebootRequired) return kExitRestartNeeded;
    return kExitInstalled;
}
