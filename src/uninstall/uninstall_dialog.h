// dlgUnInstall: the uninstaller's only window. It asks "Remove %s?", runs
// the uninstall worker when the user confirms, shows its progress and ends
// with a completion page that may offer a restart. Silent mode starts the
// worker at once and closes by itself.
#pragma once

#include <windows.h>
#include <stdint.h>

#include "app/picture_window.h"
#include "base/stoppable_thread.h"
#include "ui/button_group.h"
#include "ui/close_button.h"
#include "ui/xvaluelist.h"

class dlgUnInstall : public PictureWindow {
public:
    enum { kReady = 0, kUninstalling = 1, kFinished = 2 };

    // Runs the whole dialog, modally, on the constructing thread.
    explicit dlgUnInstall(bool sayOnRebootRunInst);
    ~dlgUnInstall() override;

    void OnClose() override;
    void OnInit() override;
    void OnDestroy() override;
    void OnTimer(uint32_t id, int32_t data) override;
    LRESULT PreDispatch(HWND window, UINT message, WPARAM wParam, LPARAM lParam, int32_t* handledMark) override;
    void OnCmdOK() override;
    void OnCmdCancel() override;

    // The process exit code the dialog ended with: removed, cancelled,
    // failed, or removed with a restart still to come.
    int ExitCode() const { return exitCode_; }

    class _CmdClose : public XCloseButton {
    public:
        explicit _CmdClose(XWindow* dialog) : XCloseButton(dialog) {}
    };

    int32_t state;
    bool sayOnRebootRunInst;
    StoppableThread worker;
    ButtonGroup closeButtons;
    _CmdClose closeButton;
    // The restart option of the finished page.
    XValueList restartList;

private:
    // No window could be made: silent, the removal and its restart run
    // here; otherwise the run has failed.
    void RunWithoutWindow();
    // The finished run's exit code, and the restart when chosen.
    void EndFinished(bool restartChosen);
    void PaintPage();
    void DrawPageIcon(HDC dc, int id, int raise, int& textLeft);
    void Finish();

    uint32_t pageTimer_;
    bool closing_;
    bool windowShown_;
    int exitCode_;
};
