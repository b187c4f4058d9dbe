// Image buttons on a real dialog: strip arithmetic, the mouse through the
// group, Return and Tab through the dialog manager, the focus picture, the
// group's timers and the close button's placement.
#include "ui/xbutton.h"

#include <gtest/gtest.h>

#include "res/resource_ids.h"
#include "ui/button_dialog.h"
#include "ui/scale.h"

namespace {

using Calls = std::vector<std::string>;

TEST(ButtonStrip, PicturesAndOffsetsFollowTheFlags) {
    const struct {
        int32_t flags;
        int width, height;
        StripLayout expected;
    } cases[] = {
        {0x87, 200, 60, {50, 30, 0, 50, 100, 150, 30}},
        {0x87, 88, 44, {22, 22, 0, 22, 44, 66, 22}},
        {0x01, 200, 60, {100, 60, 0, 100, 0, 200, 0}},
        {0x82, 150, 40, {50, 20, 0, 50, 100, 150, 20}},
        {0x04, 150, 40, {50, 40, 0, 50, 0, 100, 0}},
    };
    for (const auto& c : cases) {
        StripLayout l = LayoutStrip(c.flags, c.width, c.height);
        const StripLayout& e = c.expected;
        EXPECT_EQ((std::vector<int>{e.stateWidth, e.stateHeight, e.normal, e.pressed, e.hot, e.focus, e.maskTop}),
                  (std::vector<int>{l.stateWidth, l.stateHeight, l.normal, l.pressed, l.hot, l.focus, l.maskTop}))
            << std::hex << c.flags;
    }
}

TEST(CloseButton, SitsAtTheTopRightWithItsTextTooltipAndStrip) {
    ButtonDialog d;
    ASSERT_TRUE(d.button.buttonWindow != nullptr);
    int width = Scale(100) < 125 ? 22 : d.button.strip.Width() / 4;
    RECT r = d.ButtonRect();
    MapWindowPoints(nullptr, d.hwnd, reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(d.GetWidth() - d.DialogUnitsX(10) - width - 2, r.left);
    EXPECT_EQ(1, r.top);
    EXPECT_EQ(width, r.right - r.left);
    EXPECT_EQ(0x87, d.button.flags);
    wchar_t text[16] = {};
    GetWindowTextW(d.button.buttonWindow, text, 16);
    EXPECT_STREQ(L"Close", text);
    EXPECT_EQ(d.button.buttonWindow, d.button.tooltip.target);
    EXPECT_EQ(0, d.button.closeRequested);
}

// Press over the button, then release over it or away from it.
TEST(ImageButton, ClickOnlyWhenReleasedOverTheButton) {
    const struct {
        bool leave;
        Calls expected;
    } cases[] = {{true, {"Press0", "ReleaseOutside0"}}, {false, {"Press0", "Click0"}}};
    for (const auto& c : cases) {
        ButtonDialog d;
        ASSERT_TRUE(d.button.buttonWindow != nullptr);
        POINT centre = d.ButtonCentre();
        SetCursorPos(centre.x, centre.y);
        ASSERT_TRUE(PumpDialogUntil(d.hwnd, [&] { return d.button.state == XButton::kHotState; }, 2000));
        PressMouse(true);
        ASSERT_TRUE(PumpDialogUntil(d.hwnd, [&] { return !d.button.calls.empty(); }, 2000));
        EXPECT_EQ(XButton::kPressed, d.button.state);
        if (c.leave) {
            SetCursorPos(centre.x - 60, centre.y + 60);
            EXPECT_TRUE(PumpDialogUntil(d.hwnd, [&] { return d.button.state == XButton::kNormal; }, 2000))
                << "held and left: the normal picture";
        }
        PressMouse(false);
        EXPECT_TRUE(PumpDialogUntil(d.hwnd, [&] { return d.button.calls.size() == 2; }, 2000));
        PumpDialogFor(d.hwnd, 150);
        EXPECT_EQ(c.expected, d.button.calls) << (c.leave ? "left" : "stayed");
        EXPECT_EQ(c.leave ? 0 : 1, d.button.closeRequested);
        SetCursorPos(2, 2);
    }
}

TEST(ImageButton, ReturnClicksOnReleaseAndTheDefaultButtonStaysQuiet) {
    SetCursorPos(2, 2);
    ButtonDialog d;
    ASSERT_TRUE(d.button.buttonWindow != nullptr);
    SetFocus(d.button.buttonWindow);
    ASSERT_EQ(d.button.buttonWindow, GetFocus());
    PostKey(VK_RETURN, false);
    ASSERT_TRUE(PumpDialogUntil(d.hwnd, [&] { return !d.button.calls.empty(); }, 2000));
    PumpDialogFor(d.hwnd, 100);
    EXPECT_EQ(Calls{"Press0"}, d.button.calls) << "pressed, not yet clicked";
    EXPECT_EQ(XButton::kPressed, d.button.state);
    PostKey(VK_RETURN, true);
    EXPECT_TRUE(PumpDialogUntil(d.hwnd, [&] { return d.button.calls.size() == 2; }, 2000));
    PumpDialogFor(d.hwnd, 100);
    EXPECT_EQ((Calls{"Press0", "Click0"}), d.button.calls);
    EXPECT_EQ(0, d.okCount) << "the default push button fired";

    // The same key on the default button does reach it: the dialog's
    // keyboard handling is live in this test.
    SetFocus(d.GetItem(IDOK));
    PostKey(VK_RETURN, false);
    PostKey(VK_RETURN, true);
    EXPECT_TRUE(PumpDialogUntil(d.hwnd, [&] { return d.okCount == 1; }, 2000));
}

// Pixels of the focus ring's blue inside the button.
int FocusBlue(HWND button) {
    Picture p = Capture(button);
    int n = 0;
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) {
            COLORREF c = p.At(x, y);
            if (GetBValue(c) > 150 && GetRValue(c) < 100 && GetGValue(c) < 140) ++n;
        }
    return n;
}

TEST(ImageButton, FocusPictureOnlyAfterTab) {
    SetCursorPos(2, 2);
    ButtonDialog d;
    ASSERT_TRUE(d.button.buttonWindow != nullptr);
    HWND b = d.button.buttonWindow;
    POINT centre = d.ButtonCentre();
    SetCursorPos(centre.x, centre.y);
    ASSERT_TRUE(PumpDialogUntil(d.hwnd, [&] { return d.button.state == XButton::kHotState; }, 2000));
    PressMouse(true);
    PressMouse(false);
    ASSERT_TRUE(PumpDialogUntil(d.hwnd, [&] { return d.button.calls.size() == 2; }, 2000));
    SetCursorPos(2, 2);
    ASSERT_TRUE(PumpDialogUntil(d.hwnd, [&] { return d.button.state == XButton::kNormal; }, 2000));
    EXPECT_EQ(b, GetFocus()) << "clicking focuses it";
    EXPECT_EQ(0, FocusBlue(b)) << "focus picture after a click";

    // Tab round the dialog until the button has the focus again.
    for (int i = 0; i < 4 && !(GetFocus() == b && d.button.keyboardFocus); ++i) {
        PostKey(VK_TAB, false);
        HWND before = GetFocus();
        PumpDialogUntil(d.hwnd, [&] { return GetFocus() != before; }, 1000);
        PostKey(VK_TAB, true);
        PumpDialogFor(d.hwnd, 50);
    }
    ASSERT_EQ(b, GetFocus());
    EXPECT_TRUE(PumpDialogUntil(d.hwnd, [&] { return FocusBlue(b) > 10; }, 1000)) << "no focus picture after Tab";
}

TEST(ButtonGroup, TimerIdsOfTwoGroupsDifferByOne) {
    ButtonDialog d;
    ButtonGroup a, b;
    uint32_t first = a.StartHoverTimer(d.hwnd);
    uint32_t second = b.StartHoverTimer(d.hwnd);
    EXPECT_GE(first, 7788u);
    EXPECT_EQ(first + 1, second);
    EXPECT_EQ(d.group.timerId + 1, first) << "the dialog's own group started just before";
}

}  // namespace
