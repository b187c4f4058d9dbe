// A small dialog for the control tests: the uninstall template (it has a
// default push button), a white painted background, and one close button
// in its group, placed by the same helper the program's dialogs use.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "gui/driver.h"
#include "ui/button_group.h"
#include "ui/close_button.h"
#include "ui/memory_bitmap.h"
#include "ui/xwindow.h"

class RecordingCloseButton : public XCloseButton {
public:
    explicit RecordingCloseButton(XWindow* dialog) : XCloseButton(dialog) {}
    std::vector<std::string> calls;
    void OnClick(int button) override;
    void OnPress(int button) override;
    void OnReleaseOutside(int button) override;
};

class ButtonDialog : public XWindow {
public:
    ButtonDialog();
    ~ButtonDialog() override;

    void OnInit() override;
    void OnDestroy() override;
    void OnEraseBackground(HDC dc) override;
    LRESULT PreDispatch(HWND window, UINT message, WPARAM wParam, LPARAM lParam, int32_t* handledMark) override;
    void OnCmdOK() override { ++okCount; }

    // The button's rectangle and centre on the screen.
    RECT ButtonRect() const;
    POINT ButtonCentre() const;

    ButtonGroup group;
    RecordingCloseButton button;
    MemoryBitmap background;
    int okCount = 0;
};

// Like PumpUntil, with the dialog manager's keyboard handling (Tab, Return
// to the default button) that a modal loop would give.
bool PumpDialogUntil(HWND dialog, bool (*done)(void*), void* context, DWORD timeoutMs);
template <typename Condition>
bool PumpDialogUntil(HWND dialog, Condition done, DWORD timeoutMs) {
    return PumpDialogUntil(
        dialog, [](void* c) { return (*static_cast<Condition*>(c))(); }, &done, timeoutMs);
}
// Lets time pass with the dialog's messages flowing.
void PumpDialogFor(HWND dialog, DWORD ms);

// A key posted like real input, to the window with the focus.
void PostKey(WORD key, bool up);
