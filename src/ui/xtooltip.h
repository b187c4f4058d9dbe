// XToolTip: the program's own tooltip, a borderless topmost popup shown
// after the cursor has rested on a target window for `delay`, kept for
// `duration` while the cursor stays, faded out during the last third of it
// (at most 2.5 s) and hidden at once when the cursor leaves. The popups are
// created on, and pumped by, the one watcher thread of the process
// (tooltip_watcher.h); dialog threads only register and unregister.
#pragma once

#include <windows.h>
#include <stdint.h>

#include "ui/scene.h"
#include "ui/xwindow.h"

struct ToolTipDefinition {
    HWND target;
    const wchar_t* text;
    int32_t delay;      // ms; 0: 1000
    uint32_t duration;  // ms; 0: 10000; kUntilLeft: until the cursor leaves
};

class XToolTip : public XWindow {
public:
    static const uint32_t kUntilLeft = 0xFFFFFFFFu;

    XToolTip();
    ~XToolTip() override;

    void OnPaint() override;

    // Hides any earlier registration, builds the default look around the
    // text and registers the tooltip with the watcher.
    void ShowText(const ToolTipDefinition& definition);
    // Hides the popup, unregisters and clears the tooltip. Safe when
    // unregistered.
    void Hide();

    // One watcher step for this tooltip, with ToolTipLock held.
    void Step(POINT cursor);
    bool PopupVisible() const;

    Scene look;
    HWND target;
    HWND targetParent;
    int32_t minWidth, minHeight;
    int32_t delay;
    uint32_t duration;
    uint8_t hideRequested;
    DWORD hoverStart;
    DWORD shownAt;
    uint8_t shownThisHover;
    int32_t alpha;

private:
    void Popup(POINT cursor);
    RECT Layout(POINT cursor);
    int TextFloor();
    void DestroyPopup();
};

// Where a popup of the given size goes: above the reference rectangle, or
// 50 px above the cursor when that is well below the reference's top, or
// below when there is no room above; moved left to end at desktopRight.
POINT ToolTipPlace(const RECT& reference, POINT cursor, SIZE size, int desktopRight);
// The fade's alpha at `elapsed` ms after showing, for a duration in ms.
int ToolTipAlpha(uint32_t elapsed, uint32_t duration);
