// The finish page's option list and the start of the chosen actions.
#include "app/installer_state.h"
#include "base/run_log.h"
#include "base/texts.h"
#include "engine/install_worker.h"
#include "engine/finish_items.h"
#include "engine/uninstall_record.h"
#include "res/resource_ids.h"
#include "ui/fitted_text.h"
#include "ui/scale.h"
#include "wizard/finish_thread.h"
#include "wizard/install_dialog.h"
#include "wizard/wizard_settings.h"

namespace {

const int kCheckIconSides[5] = {16, 20, 24, 32, 48};
const uint32_t kFinishStopTimeoutMs = 60000;

// An item whose name ends in "!" is offered unticked, without the mark.
bool TakeInitialTick(WString& displayName) {
    if (displayName.IsEmpty() || displayName.CharAt(WString::kLast) != L'!') return true;
    displayName.DropRight(1);
    return false;
}

void AddCheckRow(XValueList& list, const WString& name, int iconId, bool checked) {
    ValueRow row;
    row.kind = ValueRow::kCheckRow;
    row.name = name;
    row.nameX = Scale(48);
    row.value = checked ? L"1" : L"0";
    int side = kCheckIconSides[VariantIndex(Scale(100))];
    row.icon.Load(iconId, side);
    row.iconX = Scale(6);
    list.AddRow(row);
}

FinishShortcut* ShortcutAt(int32_t i) { return static_cast<FinishShortcut*>(state.finishShortcuts.At(i)); }
FinishProgram* ProgramAt(int32_t i) { return static_cast<FinishProgram*>(state.finishPrograms.At(i)); }

// The end of a complete install: its record, then whether anything is left
// for the finish page (the items ticked as offered).
bool RecordAndOfferFinishItems() {
    WriteUninstallRecord();
    if (state.finishPrograms.Count() == 0 && state.finishShortcuts.Count() == 0 && !state.rebootRequired)
        return false;
    for (int32_t i = 0; i < state.finishPrograms.Count(); i++)
        ProgramAt(i)->checked = TakeInitialTick(ProgramAt(i)->displayName);
    for (int32_t i = 0; i < state.finishShortcuts.Count(); i++)
        ShortcutAt(i)->checked = TakeInitialTick(ShortcutAt(i)->displayName);
    return true;
}

}  // namespace

void dlgInstall::RunWithoutWindow() {
    RunLog("the wizard's window cannot be made (error %lu)%s", GetLastError(),
           state.silent ? L": the silent install runs without it" : L"");
    if (!state.silent) {
        windowFailed = true;
        return;
    }
    if (!LoadWizardSettings(nullptr, fields)) {
        versionRefused = true;
        return;
    }
    page = kInstalling;
    InstallWorker(nullptr, nullptr);
    page = kFinished;
    if (state.installAborted || !RecordAndOfferFinishItems()) return;
    page = kFinishing;
    restartChosen = state.rebootRequired;
    FinishThread(nullptr, this);
}

void dlgInstall::ShowFinishPage() {
    page = kFinished;
    SetDlgItemTextW(hwnd, IDC_CANCEL, Text(kFinishButton));
    FitButtonCentred(GetItem(IDC_CANCEL));
    ShowWindow(GetItem(IDC_PROGRESS), SW_HIDE);
    SendMessageW(hwnd, WM_SETREDRAW, FALSE, 0);
    PaintPage();
    if (!state.installAborted && RecordAndOfferFinishItems()) {
        hasFinishOptions = true;
        int side = kCheckIconSides[VariantIndex(Scale(100))];
        IconHandle icons[4];
        static const int kIds[4] = {IDI_CHECKED, IDI_UNCHECKED, IDI_CHECKED_DISABLED, IDI_UNCHECKED_DISABLED};
        for (int i = 0; i < 4; i++) icons[i].Load(kIds[i], side);
        finishList.SetCheckIcons(icons[0].Handle(), icons[1].Handle(), icons[2].Handle(), icons[3].Handle());
        if (finishList.Create(*this)) {
            HWND list = finishList.listWindow;
            SetWindowLongW(list, GWL_STYLE, GetWindowLongW(list, GWL_STYLE) | WS_BORDER);
            SetWindowLongW(list, GWL_EXSTYLE, GetWindowLongW(list, GWL_EXSTYLE) & ~WS_EX_CLIENTEDGE);
            SetWindowPos(list, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
        }
        if (state.rebootRequired)
            AddCheckRow(finishList, Text(kRestartSetupRow), IDI_RESTART, true);
        for (int32_t i = 0; i < state.finishShortcuts.Count(); i++)
            AddCheckRow(finishList, WString::Formatted(Text(kCreateIconRow), (const wchar_t*)ShortcutAt(i)->displayName),
                        IDI_SHORTCUT, ShortcutAt(i)->checked);
        for (int32_t i = 0; i < state.finishPrograms.Count(); i++)
            AddCheckRow(finishList, WString::Formatted(Text(kRunProgramRow), (const wchar_t*)ProgramAt(i)->displayName),
                        IDI_PROGRAM, ProgramAt(i)->checked);
    }
    PaintPage();
    SendMessageW(hwnd, WM_SETREDRAW, TRUE, 0);
    RedrawWindow(hwnd, nullptr, nullptr, RDW_ERASE | RDW_FRAME | RDW_INVALIDATE | RDW_ALLCHILDREN);
    if (closeButton.buttonWindow) closeButton.Redraw(nullptr, closeButton.state, true);
    // Silent: nobody is there to press Finish, on a failed install either.
    if (!state.silent) return;
    if (hasFinishOptions)
        RunFinishActions();
    else
        OnClose();
}

void dlgInstall::RunFinishActions() {
    EnableWindow(GetItem(IDC_CANCEL), FALSE);
    closeButton.Disable();
    SetCursor(LoadCursorW(nullptr, IDC_WAIT));
    page = kFinishing;

    int32_t row = 0;
    restartChosen = state.rebootRequired && finishList.IsChecked(row++);
    for (int32_t i = 0; i < state.finishShortcuts.Count(); i++) ShortcutAt(i)->checked = finishList.IsChecked(row++);
    for (int32_t i = 0; i < state.finishPrograms.Count(); i++) ProgramAt(i)->checked = finishList.IsChecked(row++);
    state.finishOwnerWindow = hwnd;
    actionsShown = state.finishActionsDone;
    finishThread.Start(FinishThread, this, kFinishStopTimeoutMs);

    for (int32_t i = 0; i < finishList.RowCount(); i++) finishList.RowAt(i)->disabled = 1;
    if (finishList.listWindow) InvalidateRect(finishList.listWindow, nullptr, TRUE);
    PaintPage();
    Invalidate();
}

void dlgInstall::MarkFinishedActions() {
    int32_t done = state.finishActionsDone;
    // The thread does the shortcuts, the programs, then the restart; the
    // list shows the restart first.
    int32_t items = state.finishShortcuts.Count() + state.finishPrograms.Count();
    int32_t offset = state.rebootRequired ? 1 : 0;
    for (int32_t a = actionsShown; a < done; a++) {
        int32_t row = a < items ? a + offset : 0;
        if (a >= items && offset == 0) continue;
        if (row < finishList.RowCount() && finishList.IsChecked(row)) finishList.RowAt(row)->disabled = 0;
    }
    if (done != actionsShown && finishList.listWindow) InvalidateRect(finishList.listWindow, nullptr, TRUE);
    actionsShown = done;
}
