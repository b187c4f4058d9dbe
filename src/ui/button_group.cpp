#include "ui/button_group.h"

#include "base/restore_on_exit.h"
#include "ui/xbutton.h"
#include "ui/xwindow.h"

uint8_t inButtonDispatch = 0;

namespace {

uint32_t hoverTimerCounter = 0;
const UINT kHoverMs = 50;

}  // namespace

ButtonGroup::ButtonGroup() : timerId(0), tickCount(0), parentWindow(nullptr) { lock.Create(); }

ButtonGroup::~ButtonGroup() { Clear(); }

bool ButtonGroup::AddButton(XButton* button, const ButtonDefinition& definition, int bitmapId, XWindow* owner) {
    if (!parentWindow && owner) parentWindow = owner->hwnd;
    button->strip.LoadResource(bitmapId);
    bool created = button->Create(parentWindow, definition, owner);
    MutexLock hold(lock);
    buttons.Push(button);
    return created;
}

uint32_t ButtonGroup::StartHoverTimer(HWND window) {
    parentWindow = window;
    UINT id = kFirstTimerId + hoverTimerCounter++;
    timerId = (uint32_t)SetTimer(window, id, kHoverMs, nullptr);
    return timerId;
}

XButton* ButtonGroup::HitTest() {
    POINT p;
    if (!parentWindow || !GetCursorPos(&p)) return nullptr;
    ScreenToClient(parentWindow, &p);
    HWND child = ChildWindowFromPointEx(parentWindow, p, CWP_SKIPINVISIBLE);
    if (!child || !IsWindowVisible(child)) return nullptr;
    MutexLock hold(lock);
    for (int32_t i = 0; i < buttons.Count(); ++i)
        if (At(i)->buttonWindow == child) return At(i);
    return nullptr;
}

void ButtonGroup::RefreshStates() {
    MutexLock hold(lock);
    XButton* hot = HitTest();
    bool parentEnabled = parentWindow && IsWindowEnabled(parentWindow);
    for (int32_t i = 0; i < buttons.Count(); ++i) {
        XButton* b = At(i);
        int32_t next = XButton::kNormal;
        bool active = b == hot || b->keyPressed;
        if (IsWindowEnabled(b->buttonWindow) && parentEnabled && active)
            next = b->pressedLeft || b->pressedRight || b->keyPressed ? XButton::kPressed : XButton::kHotState;
        b->Redraw(nullptr, next, false);
    }
}

void ButtonGroup::Press(int button) {
    MutexLock hold(lock);
    XButton* hot = HitTest();
    if (!hot) return;
    (button == 0 ? hot->pressedLeft : hot->pressedRight) = 1;
    RefreshStates();
    if (hot->flags & ButtonFlag::kFocus) SetFocus(hot->buttonWindow);
    SetCapture(parentWindow);
    hot->OnPress(button);
    RefreshStates();
}

void ButtonGroup::Release(int button) {
    ReleaseCapture();
    MutexLock hold(lock);
    for (int32_t i = 0; i < buttons.Count(); ++i) {
        XButton* b = At(i);
        uint8_t& pressed = button == 0 ? b->pressedLeft : b->pressedRight;
        if (!pressed) continue;
        pressed = 0;
        // Pressed still means the cursor is over it: the last refresh saw so.
        if (b->state == XButton::kPressed)
            b->OnClick(button);
        else
            b->OnReleaseOutside(button);
    }
    RefreshStates();
}

LRESULT ButtonGroup::HandleMessage(HWND, UINT message, WPARAM wParam, LPARAM lParam, int32_t* handled) {
    *handled = 0;
    if (inButtonDispatch && message != WM_DRAWITEM) return 0;
    // Put back, not cleared: a WM_DRAWITEM handled inside another message
    // must not clear the outer message's flag.
    RestoreOnExit<uint8_t> dispatching(inButtonDispatch, 1);
    switch (message) {
    case WM_DRAWITEM: {
        const DRAWITEMSTRUCT* draw = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        MutexLock hold(lock);
        for (int32_t i = 0; i < buttons.Count(); ++i) {
            if (At(i)->buttonWindow != draw->hwndItem) continue;
            At(i)->Redraw(draw->hDC, At(i)->state, true);
            *handled = 1;
            return TRUE;
        }
        return 0;
    }
    case WM_TIMER:
        if (timerId == 0 || wParam != timerId) return 0;
        {
            MutexLock hold(lock);
            for (int32_t i = 0; i < buttons.Count(); ++i) {
                XButton* b = At(i);
                if (b->state == XButton::kPressed) b->OnTick(!b->pressedLeft && !b->keyPressed);
            }
            // States every 100 ms, ticks every 50 ms.
            if (++tickCount % 2 == 0) RefreshStates();
        }
        *handled = 1;
        return 0;
    case WM_MOUSEMOVE:
        RefreshStates();
        return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK: {
        int button = message == WM_LBUTTONDOWN || message == WM_LBUTTONDBLCLK ? 0 : 1;
        if (!HitTest()) return 0;
        Press(button);
        *handled = 1;
        return 0;
    }
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
        Release(message == WM_LBUTTONUP ? 0 : 1);
        return 0;
    default:
        return 0;
    }
}

void ButtonGroup::Clear() {
    if (timerId && parentWindow) KillTimer(parentWindow, timerId);
    timerId = 0;
    MutexLock hold(lock);
    for (int32_t i = 0; i < buttons.Count(); ++i) At(i)->Destroy();
    buttons.Clear();
}
