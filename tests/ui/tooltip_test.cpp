// Tooltips: placement and fade rules, and on a real button the delay, the
// hiding when the cursor leaves, the time-out and the watcher's lifetime.
#include "ui/xtooltip.h"

#include <gtest/gtest.h>

#include "support/process.h"
#include "ui/button_dialog.h"
#include "ui/tooltip_watcher.h"

namespace {

void CursorAway() { SetCursorPos(2, 2); }

struct PlaceCase {
    const char* what;
    RECT reference;
    POINT cursor;
    POINT expected;
};

TEST(ToolTipPlace, AboveTheTargetOrTheCursorOrBelowAndInsideTheDesktop) {
    const SIZE size = {40, 20};
    const PlaceCase cases[] = {
        {"just above the target", {100, 300, 122, 322}, {110, 310}, {110, 278}},
        {"cursor 100 px below the top: bottom 50 above it", {100, 300, 200, 500}, {110, 400}, {110, 330}},
        {"no room above: below the target", {100, 5, 122, 27}, {110, 15}, {110, 28}},
        {"below, but not more than 50 under the cursor", {100, 5, 200, 300}, {110, 20}, {110, 70}},
        {"at the right edge: moved left", {1000, 300, 1022, 322}, {1010, 310}, {984, 278}},
    };
    for (const PlaceCase& c : cases) {
        POINT p = ToolTipPlace(c.reference, c.cursor, size, 1024);
        EXPECT_EQ(c.expected.x, p.x) << c.what;
        EXPECT_EQ(c.expected.y, p.y) << c.what;
    }
}

TEST(ToolTipAlpha, OpaqueUntilTheLastThirdAtMostTwoAndAHalfSeconds) {
    const struct {
        uint32_t elapsed, duration;
        int alpha;
    } cases[] = {
        {7500, 10000, 255}, {8750, 10000, 128}, {9999, 10000, 1},
        {600, 900, 255},    {750, 900, 128},    {2, 2, 0},
    };
    for (const auto& c : cases) EXPECT_EQ(c.alpha, ToolTipAlpha(c.elapsed, c.duration)) << c.elapsed << "/" << c.duration;
}

bool Visible(ButtonDialog& d) { return d.button.tooltip.PopupVisible(); }

TEST(ToolTip, ShownAfterTheCursorRestsGoneWhenItLeavesNotBackUntilItReturns) {
    CursorAway();
    ButtonDialog d;
    ASSERT_TRUE(d.hwnd != nullptr);
    ASSERT_TRUE(d.button.buttonWindow != nullptr);
    ToolTipDefinition quick = {d.button.buttonWindow, L"Close", 0, 1500};
    d.button.tooltip.ShowText(quick);
    PumpDialogFor(d.hwnd, 200);
    EXPECT_FALSE(Visible(d));

    POINT centre = d.ButtonCentre();
    SetCursorPos(centre.x, centre.y);
    DWORD rested = GetTickCount();
    ASSERT_TRUE(PumpDialogUntil(d.hwnd, [&] { return Visible(d); }, 3000));
    DWORD shownAfter = GetTickCount() - rested;
    EXPECT_GE(shownAfter, 1000u);
    EXPECT_LT(shownAfter, 1600u);

    // Above the button, starting at the cursor.
    RECT popup = d.button.tooltip.GetScreenRect();
    RECT button = d.ButtonRect();
    EXPECT_EQ(button.top - 2, popup.bottom);
    EXPECT_EQ(centre.x, popup.left);
    EXPECT_GT(popup.right - popup.left, 11);

    EXPECT_EQ(XButton::kHotState, d.button.state);
    // Opaque from the step after the one that showed it, painted by then.
    ASSERT_TRUE(PumpDialogUntil(d.hwnd, [&] { return d.button.tooltip.alpha == 255; }, 1000));
    // The look: a grey frame round a pale gradient, the text in black.
    Picture tip;
    // The watcher paints straight to the screen, frame first and text last:
    // a picture taken in between has the frame without the text.
    PumpDialogUntil(d.hwnd, [&] {
        tip = Capture(d.button.tooltip.hwnd);
        return tip.At(0, tip.height / 2) == RGB(0x76, 0x76, 0x76) &&
               DarkPixels(tip, 3, 2, tip.width - 3, tip.height - 2) > 20;
    }, 1000);
    SaveBitmap(tip, BinPath(L"screenshots\\controls-tooltip-popup-") + PrefixKind() + L".bmp");
    RECT shot;
    UnionRect(&shot, &popup, &button);
    RECT dialog = d.GetScreenRect();
    UnionRect(&shot, &shot, &dialog);
    CreateDirectoryW(BinPath(L"screenshots").c_str(), nullptr);
    SaveBitmap(CaptureScreen(shot), BinPath(L"screenshots\\controls-tooltip-") + PrefixKind() + L".bmp");
    EXPECT_EQ(RGB(0x76, 0x76, 0x76), tip.At(0, tip.height / 2));
    EXPECT_EQ(RGB(0x76, 0x76, 0x76), tip.At(tip.width - 1, tip.height / 2));
    COLORREF top = tip.At(tip.width / 2, 1), bottom = tip.At(tip.width / 2, tip.height - 2);
    EXPECT_GE(GetRValue(top), 0xF8) << "near white at the top";
    EXPECT_LT(GetRValue(bottom), GetRValue(top)) << "pale blue-grey at the bottom";
    EXPECT_GT(GetBValue(bottom), GetRValue(bottom));
    EXPECT_GT(DarkPixels(tip, 3, 2, tip.width - 3, tip.height - 2), 20) << "text";
    EXPECT_EQ(0, DarkPixels(tip, 1, 1, 4, tip.height - 1)) << "text starts at 5";

    // The last third fades, then the time-out hides it for good.
    EXPECT_TRUE(PumpDialogUntil(d.hwnd, [&] { return d.button.tooltip.alpha > 0 && d.button.tooltip.alpha < 255; },
                                2000));
    ASSERT_TRUE(PumpDialogUntil(d.hwnd, [&] { return !Visible(d); }, 2000));
    EXPECT_FALSE(PumpDialogUntil(d.hwnd, [&] { return Visible(d); }, 1500)) << "back while the cursor stayed";

    CursorAway();
    PumpDialogFor(d.hwnd, 200);
    SetCursorPos(centre.x, centre.y);
    ASSERT_TRUE(PumpDialogUntil(d.hwnd, [&] { return Visible(d); }, 3000)) << "not back after leaving and returning";
    CursorAway();
    EXPECT_TRUE(PumpDialogUntil(d.hwnd, [&] { return !Visible(d); }, 100)) << "still shown 100 ms after leaving";
}

TEST(ToolTip, MovedLeftAtTheDesktopsRightEdge) {
    CursorAway();
    ButtonDialog d;
    ASSERT_TRUE(d.hwnd != nullptr);
    RECT desktop;
    GetWindowRect(GetDesktopWindow(), &desktop);
    d.MoveTo(desktop.right - d.GetWidth(), XWindow::kKeep);
    POINT centre = d.ButtonCentre();
    SetCursorPos(centre.x, centre.y);
    ASSERT_TRUE(PumpDialogUntil(d.hwnd, [&] { return Visible(d); }, 3000));
    RECT popup = d.button.tooltip.GetScreenRect();
    EXPECT_EQ(desktop.right, popup.right);
    EXPECT_LT(popup.left, centre.x);
    EXPECT_EQ(d.ButtonRect().top - 2, popup.bottom);
    CursorAway();
}

TEST(ToolTipWatcher, StopsWithTheLastTooltipAndANewOneStartsAnother) {
    DWORD first = 0;
    {
        ButtonDialog d;
        ASSERT_TRUE(d.button.buttonWindow != nullptr);
        ASSERT_TRUE(PumpDialogUntil(d.hwnd, [] { return ToolTipWatcherThreadId() != 0; }, 1000));
        first = ToolTipWatcherThreadId();
        EXPECT_NE(GetCurrentThreadId(), first);
        XToolTip second;
        ToolTipDefinition definition = {d.button.buttonWindow, L"Second", 0, 0};
        second.ShowText(definition);
        EXPECT_EQ(first, ToolTipWatcherThreadId()) << "one watcher for all tooltips";
        second.Hide();
        EXPECT_EQ(first, ToolTipWatcherThreadId()) << "stopped while a tooltip remained";
    }
    EXPECT_EQ(0u, ToolTipWatcherThreadId());
    EXPECT_EQ(0, toolTipRegistry.Count());
    ButtonDialog again;
    EXPECT_TRUE(PumpDialogUntil(again.hwnd, [] { return ToolTipWatcherThreadId() != 0; }, 1000));
}

}  // namespace
