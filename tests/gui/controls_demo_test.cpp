// The controls demo in its own process at 100 % and 150 % display scale,
// driven with the real cursor: the first button hot with its tooltip shown
// above it, then the second pressed, each captured from the screen (the
// tooltip is a window of its own) into build/screenshots.
#include <gtest/gtest.h>

#include <string>

#include "gui/driver.h"
#include "support/display_dpi.h"
#include "support/process.h"

namespace {

const ControlInfo* FindControl(const std::vector<ControlInfo>& controls, const wchar_t* className,
                               const wchar_t* text) {
    for (const ControlInfo& c : controls)
        if (_wcsicmp(c.className.c_str(), className) == 0 && (!text || c.text == text)) return &c;
    return nullptr;
}

RECT ToScreen(HWND window, RECT r) {
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// Pixels of r (screen coordinates, within the picture taken at origin)
// that are clearly red: the hot and pressed tiles of the close strip.
int RedPixels(const Picture& p, POINT origin, const RECT& r, int* redSum) {
    int n = 0;
    *redSum = 0;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x) {
            COLORREF c = p.At(x - origin.x, y - origin.y);
            if (c == CLR_INVALID) continue;
            if (GetRValue(c) > GetGValue(c) + 80 && GetRValue(c) > GetBValue(c) + 80) {
                ++n;
                *redSum += GetRValue(c);
            }
        }
    return n;
}

int PixelsOf(const Picture& p, POINT origin, const RECT& r, COLORREF colour) {
    int n = 0;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x)
            if (p.At(x - origin.x, y - origin.y) == colour) ++n;
    return n;
}

void RunDemo(DWORD dpi, const std::wstring& name) {
    CreateDirectoryW(BinPath(L"screenshots").c_str(), nullptr);
    std::wstring shots = BinPath(L"screenshots\\") + name + L"-";
    DisplayDpi display(dpi);
    ChildProcess demo;
    ASSERT_TRUE(demo.Start(L"\"" + BinPath(L"tests\\controls_demo.exe") + L"\""));
    HWND dialog = WaitForProcessWindow(demo.Id(), 20000);
    ASSERT_TRUE(dialog);
    Sleep(500);
    std::vector<ControlInfo> controls = ListControls(dialog);
    const ControlInfo* first = FindControl(controls, L"Static", L"First");
    const ControlInfo* second = FindControl(controls, L"Static", L"Second");
    const ControlInfo* list = FindControl(controls, L"ListBox", nullptr);
    ASSERT_TRUE(first && second && list);
    RECT firstRect = ToScreen(dialog, first->rect), secondRect = ToScreen(dialog, second->rect);
    RECT listRect = ToScreen(dialog, list->rect);

    // Resting on the first button: hot, and its tooltip just above it.
    MoveMouse(dialog, (first->rect.left + first->rect.right) / 2, (first->rect.top + first->rect.bottom) / 2);
    HWND popup = WaitForProcessWindow(demo.Id(), 4000, dialog);
    ASSERT_TRUE(popup) << "no tooltip";
    Sleep(300);
    RECT tipRect, dialogRect, shot;
    GetWindowRect(popup, &tipRect);
    GetWindowRect(dialog, &dialogRect);
    EXPECT_LE(tipRect.bottom, firstRect.top);
    EXPECT_GE(tipRect.bottom, firstRect.top - 4);
    UnionRect(&shot, &dialogRect, &tipRect);
    POINT origin = {shot.left, shot.top};
    Picture hot = CaptureScreen(shot);
    SaveBitmap(hot, shots + L"hot-" + PrefixKind() + L".bmp");
    int hotRed = 0, unused = 0;
    EXPECT_GT(RedPixels(hot, origin, firstRect, &hotRed), 0) << "first button not hot";
    EXPECT_EQ(0, RedPixels(hot, origin, secondRect, &unused)) << "second button not normal";
    EXPECT_GT(DarkPixels(hot, tipRect.left - origin.x, tipRect.top - origin.y, tipRect.right - origin.x,
                         tipRect.bottom - origin.y),
              10)
        << "tooltip text";
    // Enabled rows in dark ink, disabled ones in their grey.
    EXPECT_GT(DarkPixels(hot, listRect.left - origin.x, listRect.top - origin.y, listRect.right - origin.x,
                         listRect.bottom - origin.y),
              50);
    EXPECT_GT(PixelsOf(hot, origin, listRect, RGB(0xC0, 0xC0, 0xC0)), 20) << "disabled rows";

    // Held down on the second button: pressed, a darker red than hot.
    MoveMouse(dialog, (second->rect.left + second->rect.right) / 2, (second->rect.top + second->rect.bottom) / 2);
    Sleep(200);
    PressMouse(true);
    Sleep(400);
    Picture pressed = CaptureScreen(dialogRect);
    SaveBitmap(pressed, shots + L"pressed-" + PrefixKind() + L".bmp");
    POINT dialogOrigin = {dialogRect.left, dialogRect.top};
    int pressedRed = 0;
    int pressedCount = RedPixels(pressed, dialogOrigin, secondRect, &pressedRed);
    int hotCount = RedPixels(hot, origin, firstRect, &hotRed);
    ASSERT_GT(pressedCount, 0) << "second button not pressed";
    EXPECT_EQ(0, RedPixels(pressed, dialogOrigin, firstRect, &unused)) << "first button still hot";
    EXPECT_LT(pressedRed / pressedCount, hotRed / hotCount);
    // Released away from the button, so nothing is clicked.
    SetCursorPos(dialogRect.left + 5, dialogRect.bottom - 5);
    Sleep(200);
    PressMouse(false);
    PostMessageW(dialog, WM_CLOSE, 0, 0);
    EXPECT_EQ(0u, demo.Wait(10000));
}

TEST(ControlsDemo, At100Percent) { RunDemo(96, L"controls-100"); }

TEST(ControlsDemo, At150Percent) { RunDemo(144, L"controls-150"); }

}  // namespace
