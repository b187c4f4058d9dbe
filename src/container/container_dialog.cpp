#include "container/container_dialog.h"

#include "app/installer_state.h"
#include "base/message_box.h"
#include "base/texts.h"
#include "container/container_progress.h"
#include "res/resource_ids.h"
#include "ui/fitted_text.h"
#include "ui/scale.h"

dlgContainerInstall::dlgContainerInstall() : cancelRequested(false), paintedIndex_(-1), paintedTotal_(-1), timer_(0) {
    CreateFromTemplate(IDD_CONTAINER_INSTALL, nullptr, false);
}

dlgContainerInstall::~dlgContainerInstall() { Release(); }

void dlgContainerInstall::OnInit() {
    SetWindowTextW(hwnd, state.caption);
    SetDlgItemTextW(hwnd, IDCANCEL, Text(kCancelButton));
    FitButtonCentred(GetItem(IDCANCEL));
    ShapeWindow();
    {
        MutexLock lock(pictureLock_);
        if (!DrawBackground(Text(kInstallerHeading))) return;
        DrawCentred(background_.MemoryDC(), GetWidth(), DialogUnitsY(35), Scale(30), Text(kProcessingInstallers));
        ShowBackground();
    }
    DrawCount(true);
    timer_ = StartTimer(250);
}

void dlgContainerInstall::OnCmdCancel() { OnClose(); }

void dlgContainerInstall::OnClose() {
    if (cancelRequested) return;
    int answer = ShowMessage(hwnd, Text(kCancelContainerQuestion), state.caption, MB_YESNO | MB_ICONQUESTION);
    if (answer != IDYES) return;
    cancelRequested = true;
    EnableWindow(GetItem(IDCANCEL), FALSE);
}

void dlgContainerInstall::OnTimer(uint32_t id, int32_t) {
    if (id == timer_) DrawCount(false);
}

void dlgContainerInstall::DrawCount(bool always) {
    int32_t index, total;
    ReadContainerProgress(index, total);
    if (!always && index == paintedIndex_ && total == paintedTotal_) return;
    paintedIndex_ = index;
    paintedTotal_ = total;
    {
        MutexLock lock(pictureLock_);
        if (!display_.IsSelected()) return;
        background_.Draw(display_.MemoryDC(), 0, 0, -1, -1, 0, 0, SRCCOPY);
        if (total != 0) {
            countLine_.Format(Text(kRunningInstall), index == 0 ? 1 : index, total);
            countScene_.Clear();
            countScene_.SetLayout(0, 0, GetWidth(), GetHeight());
            TextItem text;
            text.x = DialogUnitsX(25);
            text.y = SceneAnchor::kCentre;
            text.text = countLine_;
            text.height = Scale(20);
            countScene_.AddText(text, 0);
            countScene_.Render(display_.MemoryDC(), 0, 0);
        } else {
            countLine_ = L"";
        }
    }
    // Only the count's band: erasing the whole window would paint over the
    // Cancel button, which repaints only when invalidated itself.
    int half = Scale(20);
    RECT band = {0, GetHeight() / 2 - half, GetWidth(), GetHeight() / 2 + half};
    InvalidateRect(hwnd, &band, TRUE);
}

WString dlgContainerInstall::CountLine() {
    MutexLock lock(pictureLock_);
    return countLine_;
}
