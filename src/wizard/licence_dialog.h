// dlgLicense: the licence agreement of the package (setup.lic) in a
// scrolling, read-only box, opened from the wizard's ready page. Reading it
// is optional; its result is not used.
#pragma once

#include <windows.h>
#include <stdint.h>

#include "app/picture_window.h"
#include "ui/button_group.h"
#include "ui/close_button.h"

class dlgLicense : public PictureWindow {
public:
    // Runs the dialog modally, owned by owner; returns when it was closed.
    explicit dlgLicense(HWND owner);
    ~dlgLicense() override;

    void OnInit() override;
    void OnDestroy() override;
    LRESULT PreDispatch(HWND window, UINT message, WPARAM wParam, LPARAM lParam, int32_t* handledMark) override;
    void OnCmdOK() override;

    // Ends the licence dialog at once, unlike the wizard's, which polls.
    class _CmdClose : public XCloseButton {
    public:
        explicit _CmdClose(XWindow* dialog) : XCloseButton(dialog) {}
        void OnClick(int button) override;
    };

    _CmdClose closeButton;
    ButtonGroup buttons;
    // What DialogBoxParamW returned: 1 from "Close", 0 from the window's close.
    INT_PTR result;
};

// The licence text in the package's folder, converted from the ANSI code
// page; empty when the file is missing, unreadable or empty.
WString ReadLicenceText(const wchar_t* path);
