// XCloseButton: the image close button at the top right of the wizard, the
// licence dialog and the uninstall dialog. Each of them nests a _CmdClose
// derived from it; clicking sets closeRequested, which the dialog polls
// (the licence dialog's override ends its dialog at once instead).
#pragma once

#include <stdint.h>

#include "ui/xbutton.h"

class ButtonGroup;
class MemoryBitmap;

class XCloseButton : public XButton {
public:
    explicit XCloseButton(XWindow* dialog) : dialog(dialog), closeRequested(0) {}

    void OnClick(int button) override;

    // Adds the button to the group at the dialog's top right: 1 px from the
    // top, its left edge at window width - 10 dialog units - button width
    // - 2. background: the dialog's painted background, or null.
    bool AddTo(ButtonGroup& group, MemoryBitmap* background);

    XWindow* dialog;
    uint8_t closeRequested;
};

// The close strip for the display scale.
int CloseStripId();
