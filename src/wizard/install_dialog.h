// dlgInstall: the installer's main window. It walks through a ready page,
// an installing page polled from the install worker, a finish page with the
// optional last steps, and a short page while those steps run. In silent
// mode the same window presses its own buttons.
#pragma once

#include <windows.h>
#include <stdint.h>

#include "app/picture_window.h"
#include "base/stoppable_thread.h"
#include "ui/button_group.h"
#include "ui/close_button.h"
#include "ui/xvaluelist.h"
#include "wizard/destination.h"

class dlgInstall : public PictureWindow {
public:
    enum Page { kReady = 0, kInstalling = 1, kFinished = 2, kFinishing = 3 };

    // Runs the whole wizard modally, without owner, on the calling thread.
    dlgInstall();
    ~dlgInstall() override;

    void OnClose() override;
    void OnCommand(int id, HWND control, int code) override;
    void OnInit() override;
    void OnDestroy() override;
    LRESULT OnNotify(NMHDR* header) override;
    void OnSize(int width, int height, int type) override;
    void OnTimer(uint32_t id, int32_t data) override;
    LRESULT PreDispatch(HWND window, UINT message, WPARAM wParam, LPARAM lParam, int32_t* handledMark) override;

    void StartInstall();
    void ShowFinishPage();
    // No window could be made (no desktop, its heap spent: installers that
    // deployment agents start). Silent: the install and its end (record,
    // finish items, restart) run here, on the calling thread; otherwise the
    // run has failed.
    void RunWithoutWindow();
    void RunFinishActions();
    // Draws the current page over the background into the display picture;
    // the caller invalidates the window.
    void PaintPage();

    // What the wizard ended with, as the process's exit code.
    enum ExitCodes {
        kExitInstalled = 0,
        kExitCancelled = 1602,
        kExitFailed = 1603,
        kExitVersionRefused = 1633,
        kExitRestartStarted = 1641,
        kExitRestartNeeded = 3010,
    };
    int ExitCode() const;

    // The wizard's close button only asks (the base's closeRequested): the
    // timer carries the close out, outside the button group's handling.
    class _CmdClose : public XCloseButton {
    public:
        explicit _CmdClose(XWindow* dialog) : XCloseButton(dialog) {}
    };

    int32_t page;
    WizardFields fields;
    bool hasFinishOptions;
    _CmdClose closeButton;
    ButtonGroup buttons;
    StoppableThread worker;
    StoppableThread finishThread;
    XValueList finishList;

    // The Windows-version gate refused this system: no page was shown.
    bool versionRefused;
    // OnInit ran: the window existed.
    bool windowShown;
    // An interactive run whose window could not be shown.
    bool windowFailed;
    // The restart row was ticked when the finish actions started, and
    // whether the finish thread then actually started a restart.
    bool restartChosen;
    volatile bool restartStarted;
    // finishActionsDone as last shown in the list.
    int32_t actionsShown;

private:
    void BrowseForDestination();
    // The ready page's two scopes, for a script that allows either.
    void ShowScopeChoice();
    void ChangeScope(bool user);
    // Makes room for texts longer than the English the template was made for.
    void FitControls();
    void MarkFinishedActions();
    void PaintReady(HDC dc);
    void PaintFinished(HDC dc);

    bool asking_;
    uint32_t pollTimer_;
};

// "%d MB Required, %d %s Free" for the ready page.
WString DiskLine(int64_t requiredKB, int64_t freeMB);
// The destination after the user chose folder for a script destination
// installToText: the script's last folder name is kept under the chosen
// folder unless it is a placeholder. Ends in a backslash.
WString ChosenDestination(const WString& folder, const WString& installToText);
