// XButton: an image button, a child STATIC window owner-drawn from a bitmap
// strip that holds one picture per visual state, with keyboard activation
// and an optional tooltip. Its ButtonGroup tracks the mouse for it (an
// owner-drawn STATIC is transparent to hit-testing, so the dialog gets the
// mouse messages) and calls the operations below.
#pragma once

#include <windows.h>
#include <stdint.h>

#include "base/sync.h"
#include "ui/memory_bitmap.h"
#include "ui/subclass_ctrl.h"
#include "ui/xtooltip.h"

class XWindow;

namespace ButtonFlag {
const int32_t kHot = 0x02;          // the strip has a hot picture
const int32_t kFocus = 0x04;        // takes keyboard focus; a focus picture
const int32_t kTransparent = 0x80;  // masks in the lower half of the strip
const int32_t kDefault = 0x87;
}  // namespace ButtonFlag

struct ButtonDefinition {
    int x, y;  // in the parent's client area
    const wchar_t* text;
    const wchar_t* tooltipText;  // null: no tooltip
    int32_t flags;               // 0: ButtonFlag::kDefault
    MemoryBitmap* backgroundSource;  // the parent's painted background, or null
};

// Where each state's picture lies in a strip, by flags.
struct StripLayout {
    int stateWidth, stateHeight;
    int normal, pressed, hot, focus;  // horizontal offsets
    int maskTop;                      // row of the masks; 0 for opaque strips
};
StripLayout LayoutStrip(int32_t flags, int stripWidth, int stripHeight);

class XButton : public XSubClassCtrl {
public:
    enum State { kNormal = 0, kPressed = 1, kHotState = 2 };

    XButton();
    ~XButton() override;

    LRESULT SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, int32_t* handled) override;
    // button: 0 left or keyboard, 1 right. The base operations do nothing.
    virtual void OnClick(int button);
    // Every 50 ms while pressed; released: held by neither the left button
    // nor a key.
    virtual void OnTick(bool released);
    virtual void OnPress(int button);
    virtual void OnReleaseOutside(int button);

    // With `strip` already loaded.
    bool Create(HWND parent, const ButtonDefinition& definition, XWindow* owner);
    // Without a target, the button's own device context; unforced, only a
    // change of state is drawn.
    void Redraw(HDC targetDC, int32_t newState, bool force);
    void Disable();
    void Destroy();

    int32_t state;
    uint8_t pressedLeft, pressedRight, keyPressed;
    XWindow* owner;
    int32_t flags;
    HWND buttonWindow;
    HWND parentWindow;
    uint8_t keyboardFocus;
    MemoryBitmap strip;
    MemoryBitmap output;
    MemoryBitmap background;
    int32_t stateWidth, stateHeight;
    XToolTip tooltip;
    MutexHandle lock;

private:
    void LayOver(int offset, const StripLayout& layout);
};
