#include "ui/xtooltip.h"

#include "ui/tooltip_watcher.h"
#include "ui/gdi_objects.h"
#include "ui/scene_text.h"
#include "ui/window_registry.h"

namespace {

const DWORD kDefaultDelayMs = 1000;
const uint32_t kDefaultDurationMs = 10000;
const uint32_t kLongestFadeMs = 2500;
const DWORD kHideWaitMs = 5000;
const DWORD kHidePollMs = 50;

}  // namespace

XToolTip::XToolTip()
    : target(nullptr),
      targetParent(nullptr),
      minWidth(0),
      minHeight(0),
      delay(0),
      duration(0),
      hideRequested(0),
      hoverStart(0),
      shownAt(0),
      shownThisHover(0),
      alpha(-1) {}

XToolTip::~XToolTip() { Hide(); }

void XToolTip::ShowText(const ToolTipDefinition& definition) {
    Hide();
    GradientItem gradient;
    gradient.right = gradient.bottom = SceneAnchor::kFar;
    gradient.topLeft = gradient.topRight = 0x00FFFEFE;
    gradient.bottomLeft = gradient.bottomRight = 0x00F0E5E4;
    look.AddGradient(gradient, 0);
    FrameItem frame = {0, 0, SceneAnchor::kFar, SceneAnchor::kFar, 0x00767676, 0, 0, 0};
    look.AddFrame(frame, 0);
    TextItem text;
    text.x = 5;
    text.y = SceneAnchor::kCentre;
    text.text = definition.text ? definition.text : L"";
    look.AddText(text, 0);

    minWidth = minHeight = 0;
    target = definition.target;
    targetParent = target ? GetParent(target) : nullptr;
    delay = definition.delay;
    duration = definition.duration;
    RegisterToolTip(this);
}

bool XToolTip::PopupVisible() const { return hwnd && IsWindowVisible(hwnd); }

void XToolTip::DestroyPopup() {
    if (!hwnd) return;
    if (GetWindowThreadProcessId(hwnd, nullptr) != GetCurrentThreadId()) {
        // Only its own thread can destroy a window, and a watcher that did
        // not answer in time must not be waited for again: asked by a
        // message, the window closes itself once the watcher pumps.
        ShowWindowAsync(hwnd, SW_HIDE);
        PostMessageW(hwnd, WM_CLOSE, 0, 0);
        windowRegistry.Remove(this);
        hwnd = nullptr;
        return;
    }
    Release();
}

void XToolTip::Hide() {
    if (PopupVisible()) {
        hideRequested = 1;
        DWORD start = GetTickCount();
        for (;;) {
            // The popup is gone once the watcher's step has released it;
            // checked under the lock so both threads never release it.
            if (toolTipLock.TryLock()) {
                bool gone = hwnd == nullptr;
                if (gone || GetTickCount() - start >= kHideWaitMs) {
                    DestroyPopup();
                    shownThisHover = 1;
                    toolTipLock.Unlock();
                    break;
                }
                toolTipLock.Unlock();
            }
            PumpSentMessages(kHidePollMs);
        }
    }
    UnregisterToolTip(this);
    while (!toolTipLock.TryLock()) PumpSentMessages(5);
    look.Clear();
    target = targetParent = nullptr;
    hoverStart = 0;
    shownThisHover = 0;
    hideRequested = 0;
    toolTipLock.Unlock();
}

int ToolTipAlpha(uint32_t elapsed, uint32_t duration) {
    uint32_t fade = duration / 3;
    if (fade > kLongestFadeMs) fade = kLongestFadeMs;
    uint32_t start = duration - fade;
    if (elapsed < start) return 255;
    // A duration under 3 ms has no fade to divide by.
    if (fade == 0) return 0;
    uint32_t c = (elapsed - start) * 255 / fade;
    return c >= 255 ? 0 : 255 - (int)c;
}

void XToolTip::Step(POINT cursor) {
    if (hideRequested) {
        hideRequested = 0;
        if (PopupVisible()) DestroyPopup();
        return;
    }
    bool onTarget = target && targetParent && WindowFromPoint(cursor) == target;
    if (!onTarget) {
        hoverStart = 0;
        shownThisHover = 0;
    }
    DWORD now = GetTickCount();
    if (!PopupVisible()) {
        if (!onTarget || shownThisHover) return;
        if (hoverStart == 0) hoverStart = now;
        if (delay == 0) delay = kDefaultDelayMs;
        if (duration == 0) duration = kDefaultDurationMs;
        if (now - hoverStart > (DWORD)delay) {
            hoverStart = 0;
            shownAt = now;
            Popup(cursor);
        }
        return;
    }
    if (!onTarget) {
        DestroyPopup();
        return;
    }
    uint32_t elapsed = now - shownAt;
    if (duration != kUntilLeft && elapsed > duration) {
        DestroyPopup();
        shownThisHover = 1;
        return;
    }
    // A layered window shows nothing until its alpha is set, so a tooltip
    // kept until the cursor leaves is made opaque too.
    int next = duration == kUntilLeft ? 255 : ToolTipAlpha(elapsed, duration);
    if (next != alpha) {
        bool first = alpha == -1;
        alpha = next;
        SetLayeredWindowAttributes(hwnd, 0, (BYTE)next, LWA_ALPHA);
        // Wine maps a layered window only once its alpha is set, onto a new
        // surface without what was painted before: paint it again.
        if (first) InvalidateRect(hwnd, nullptr, FALSE);
    }
}

POINT ToolTipPlace(const RECT& reference, POINT cursor, SIZE size, int desktopRight) {
    POINT p;
    p.y = reference.top - size.cy - 2;
    if (cursor.y - reference.top + 2 > 50) p.y = cursor.y - size.cy - 50;
    if (p.y < 0) {
        p.y = reference.bottom + 1;
        if (p.y > cursor.y + 50) p.y = cursor.y + 50;
    }
    p.x = cursor.x;
    if (p.x + size.cx > desktopRight) p.x = desktopRight - size.cx;
    return p;
}

// Measuring resolves the vertically centred text against a height of 0, so
// only its lower half counts; the popup must still hold the whole text and
// its margins.
int XToolTip::TextFloor() {
    WindowDC screen(nullptr);
    SceneTextFont fonts(screen.Handle());
    int floor = 0;
    for (int32_t i = 0; i < look.TextCount(); ++i) {
        TextItem& item = *look.TextAt(i);
        int h = fonts.For(item).TextHeight(screen.Handle(), item.text, true) + 5;
        if (h > floor) floor = h;
    }
    return floor;
}

RECT XToolTip::Layout(POINT cursor) {
    int height = minHeight > 4 ? minHeight : 4;
    int text = TextFloor();
    if (text > height) height = text;
    look.SetLayout(2, 4, minWidth > 2 ? minWidth : 2, height);
    SIZE size = look.Measure();
    RECT reference = {};
    GetWindowRect(target, &reference);
    RECT desktop = {};
    GetWindowRect(GetDesktopWindow(), &desktop);
    POINT p = ToolTipPlace(reference, cursor, size, desktop.right);
    RECT r = {p.x, p.y, p.x + size.cx, p.y + size.cy};
    return r;
}

void XToolTip::Popup(POINT cursor) {
    RECT r = Layout(cursor);
    if (!CreateAsWindow(WS_POPUP | WS_DISABLED, WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_LAYERED, target, r)) return;
    ShowWindow(hwnd, SW_SHOWNA);
    SetCursor(LoadCursorW(nullptr, IDC_ARROW));
    alpha = -1;
    shownThisHover = 1;
    EnableWindow(hwnd, TRUE);
}

void XToolTip::OnPaint() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    {
        MutexLock hold(toolTipLock);
        look.Render(dc, 0, 0);
    }
    EndPaint(hwnd, &ps);
}
