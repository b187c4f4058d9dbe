// ButtonGroup: the image buttons of one dialog. The dialog's PreDispatch
// passes every message here first; the group works out which button is hot
// or pressed from the cursor and its hover timer, draws the buttons for
// WM_DRAWITEM and calls their operations. It does not own the buttons.
#pragma once

#include <windows.h>
#include <stdint.h>

#include "base/lists.h"
#include "base/sync.h"

class XButton;
class XWindow;
struct ButtonDefinition;

class ButtonGroup {
public:
    static const uint32_t kFirstTimerId = 7788;

    ButtonGroup();
    ~ButtonGroup();
    ButtonGroup(const ButtonGroup&) = delete;
    ButtonGroup& operator=(const ButtonGroup&) = delete;

    // Loads the button's strip and creates it in the group's window (the
    // owner's when no hover timer has named one yet).
    bool AddButton(XButton* button, const ButtonDefinition& definition, int bitmapId, XWindow* owner);
    // Ids 7788, 7789, ... across the process, one per call; the SetTimer
    // result, 0 on failure.
    uint32_t StartHoverTimer(HWND window);
    // Sets *handled when the message was the group's alone.
    LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, int32_t* handled);
    void RefreshStates();
    // The visible button under the cursor, or null.
    XButton* HitTest();
    void Clear();

    uint32_t timerId;
    int32_t tickCount;
    PtrList buttons;
    MutexHandle lock;
    HWND parentWindow;

private:
    XButton* At(int32_t index) const { return static_cast<XButton*>(buttons.At(index)); }
    void Press(int button);
    void Release(int button);
};

// Set while any group handles a message: an operation that runs a nested
// message loop (a message box from OnClick) must not re-enter the groups.
extern uint8_t inButtonDispatch;
