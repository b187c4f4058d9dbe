#include "ui/xbutton.h"

#include "ui/gdi_objects.h"

StripLayout LayoutStrip(int32_t flags, int stripWidth, int stripHeight) {
    bool hot = (flags & ButtonFlag::kHot) != 0;
    bool focus = (flags & ButtonFlag::kFocus) != 0;
    bool transparent = (flags & ButtonFlag::kTransparent) != 0;
    StripLayout l;
    l.stateWidth = stripWidth / (2 + (hot ? 1 : 0) + (focus ? 1 : 0));
    l.stateHeight = transparent ? stripHeight / 2 : stripHeight;
    l.normal = 0;
    l.pressed = l.stateWidth;
    l.hot = hot ? 2 * l.stateWidth : 0;
    l.focus = (hot ? 3 : 2) * l.stateWidth;
    l.maskTop = transparent ? l.stateHeight : 0;
    return l;
}

XButton::XButton()
    : state(kNormal),
      pressedLeft(0),
      pressedRight(0),
      keyPressed(0),
      owner(nullptr),
      flags(ButtonFlag::kDefault),
      buttonWindow(nullptr),
      parentWindow(nullptr),
      keyboardFocus(0),
      stateWidth(0),
      stateHeight(0) {
    lock.Create();
}

XButton::~XButton() { Destroy(); }

void XButton::OnClick(int) {}
void XButton::OnTick(bool) {}
void XButton::OnPress(int) {}
void XButton::OnReleaseOutside(int) {}

bool XButton::Create(HWND parent, const ButtonDefinition& definition, XWindow* buttonOwner) {
    parentWindow = parent;
    owner = buttonOwner;
    flags = definition.flags ? definition.flags : ButtonFlag::kDefault;
    StripLayout layout = LayoutStrip(flags, strip.Width(), strip.Height());
    stateWidth = layout.stateWidth;
    stateHeight = layout.stateHeight;

    WindowDC parentDC(parent);
    output.CreateBlank(parentDC.Handle(), stateWidth, stateHeight);
    if (background.CreateBlank(parentDC.Handle(), stateWidth, stateHeight)) {
        if (definition.backgroundSource) {
            definition.backgroundSource->Draw(background.MemoryDC(), 0, 0, stateWidth, stateHeight, definition.x, definition.y,
                                        SRCCOPY);
        } else {
            RECT r = {0, 0, stateWidth, stateHeight};
            FillRect(background.MemoryDC(), &r, GetSysColorBrush(COLOR_BTNFACE));
        }
    }

    DWORD style = WS_CHILD | WS_VISIBLE | SS_OWNERDRAW;
    if (flags & ButtonFlag::kFocus) style |= WS_TABSTOP;
    buttonWindow = CreateWindowExW(0, L"STATIC", definition.text ? definition.text : L"", style, definition.x, definition.y, stateWidth,
                                   stateHeight, parent, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!buttonWindow) return false;
    Subclass(buttonWindow);
    if (definition.tooltipText) {
        ToolTipDefinition tip = {buttonWindow, definition.tooltipText, 0, 0};
        tooltip.ShowText(tip);
    }
    return true;
}

void XButton::LayOver(int offset, const StripLayout& layout) {
    strip.Draw(output.MemoryDC(), 0, 0, stateWidth, stateHeight, offset, layout.maskTop, SRCAND);
    strip.Draw(output.MemoryDC(), 0, 0, stateWidth, stateHeight, offset, 0, SRCPAINT);
}

void XButton::Redraw(HDC targetDC, int32_t newState, bool force) {
    if (!buttonWindow) return;
    if (!force && newState == state && !targetDC) return;
    state = newState;
    WindowDC own;
    HDC dc = targetDC ? targetDC : own.Acquire(buttonWindow);
    MutexLock hold(lock);
    StripLayout layout = LayoutStrip(flags, strip.Width(), strip.Height());
    int offset = state == kPressed ? layout.pressed : state == kHotState ? layout.hot : layout.normal;
    if (!(flags & ButtonFlag::kTransparent)) {
        strip.Draw(output.MemoryDC(), 0, 0, stateWidth, stateHeight, offset, 0, SRCCOPY);
    } else {
        background.Draw(output.MemoryDC(), 0, 0, stateWidth, stateHeight, 0, 0, SRCCOPY);
        LayOver(offset, layout);
        if (GetFocus() == buttonWindow && (flags & ButtonFlag::kFocus) && keyboardFocus) LayOver(layout.focus, layout);
    }
    output.Draw(dc, 0, 0, stateWidth, stateHeight, 0, 0, SRCCOPY);
}

void XButton::Disable() {
    if (!buttonWindow) return;
    EnableWindow(buttonWindow, FALSE);
    Redraw(nullptr, state, true);
}

void XButton::Destroy() {
    tooltip.Hide();
    Unsubclass();
    if (buttonWindow) DestroyWindow(buttonWindow);
    buttonWindow = nullptr;
    strip.Free();
    output.Free();
    background.Free();
}

LRESULT XButton::SubclassProc(HWND, UINT message, WPARAM wParam, LPARAM lParam, int32_t* handled) {
    switch (message) {
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        Redraw(nullptr, state, true);
        return 0;
    case WM_GETDLGCODE: {
        // Return would otherwise go to the dialog's default push button.
        const MSG* msg = reinterpret_cast<const MSG*>(lParam);
        if (msg && (msg->message == WM_KEYDOWN || msg->message == WM_KEYUP) && msg->wParam == VK_RETURN) {
            *handled = 1;
            return DLGC_WANTALLKEYS;
        }
        return 0;
    }
    case WM_KEYDOWN:
        if ((wParam == VK_SPACE || wParam == VK_RETURN) && IsWindowEnabled(buttonWindow)) {
            keyPressed = 1;
            Redraw(nullptr, kPressed, false);
            OnPress(0);
        } else {
            keyPressed = 0;
        }
        Redraw(nullptr, state, true);
        return 0;
    case WM_KEYUP:
        if ((wParam == VK_SPACE || wParam == VK_RETURN) && keyPressed) {
            keyPressed = 0;
            // Released: the group's next refresh picks hot or normal.
            state = kNormal;
            OnClick(0);
        } else if (wParam == VK_TAB) {
            keyboardFocus = 1;
        }
        Redraw(nullptr, state, true);
        return 0;
    default:
        return 0;
    }
}
