// The window the unelevated parent shows while its child starts: its shape,
// its picture, dragging and closing, in this process and in the real
// installer.
#include <gtest/gtest.h>

#include <string>

#include "app/focus_window.h"
#include "app/roles.h"
#include "gui/driver.h"
#include "package/package_fixture.h"
#include "stub_embed.h"
#include "support/display_dpi.h"
#include "support/pump.h"
#include "support/process.h"
#include "support/scratch.h"
#include "ui/scale.h"

namespace {

int Grey(COLORREF c) { return GetRValue(c) == GetGValue(c) && GetGValue(c) == GetBValue(c) ? GetRValue(c) : -1; }

void Save(const Picture& picture, const wchar_t* name) {
    CreateDirectoryW(BinPath(L"screenshots").c_str(), nullptr);
    SaveBitmap(picture, BinPath(L"screenshots\\") + name + L"-" + PrefixKind() + L".bmp");
}

// What the picture must show, measured against the window's own units:
// grey edges fading to a white middle, the emblem at the top centre with
// nothing beside it, both texts centred where they belong.
void CheckPicture(const Picture& p, int headlineTop) {
    int w = p.width, h = p.height;
    int scale = Scale(100);
    int emblemWidth = scale < 125 ? 190 : scale < 150 ? 237 : 355;
    int emblemHeight = scale < 125 ? 25 : scale < 150 ? 31 : 37;
    int emblemLeft = (w - emblemWidth) / 2;
    EXPECT_NEAR(245, Grey(p.At(30, 0)), 1) << "top edge";
    EXPECT_NEAR(245, Grey(p.At(30, h - 1)), 1) << "bottom edge";
    EXPECT_EQ(255, Grey(p.At(30, h / 2))) << "middle";
    EXPECT_EQ(255, Grey(p.At(w - 30, h / 2))) << "middle right";
    int quarter = Grey(p.At(30, h / 6));
    EXPECT_GT(quarter, 247) << "the gradient runs down";
    EXPECT_LT(quarter, 253) << "the gradient runs down";
    // Just inside the rounded corners the picture's light background shows.
    for (POINT corner : {POINT{12, 12}, POINT{w - 13, 12}, POINT{12, h - 13}, POINT{w - 13, h - 13}})
        EXPECT_GE(Grey(p.At(corner.x, corner.y)), 245) << corner.x << "," << corner.y;
    EXPECT_EQ(0, DarkPixels(p, 20, 0, emblemLeft - 1, 20)) << "left of the emblem";
    EXPECT_EQ(0, DarkPixels(p, emblemLeft + emblemWidth + 1, 0, w - 20, 20)) << "right of the emblem";
    EXPECT_GT(DarkPixels(p, emblemLeft, 0, emblemLeft + emblemWidth / 4, emblemHeight - 2), 40) << "emblem's name";
    EXPECT_GT(DarkPixels(p, emblemLeft, emblemHeight - 2, emblemLeft + emblemWidth, emblemHeight), emblemWidth * 9 / 10)
        << "emblem's rule";
    EXPECT_GT(DarkPixels(p, w / 2 - Scale(35), 2, w / 2 + Scale(35), 2 + Scale(21)), 30) << "\"Installer\"";
    int headline = DarkPixels(p, 0, headlineTop, w, headlineTop + Scale(30));
    EXPECT_GT(headline, 200) << "\"Processing Installer\"";
    EXPECT_EQ(0, DarkPixels(p, 0, headlineTop, w / 2 - Scale(150), headlineTop + Scale(30))) << "headline centred";
    EXPECT_EQ(0, DarkPixels(p, w / 2 + Scale(150), headlineTop, w, headlineTop + Scale(30))) << "headline centred";
    EXPECT_EQ(0, DarkPixels(p, 20, headlineTop + Scale(30), w - 20, h)) << "nothing below the headline";
}

TEST(FocusWindow, ComesFromItsTemplateRoundAndShadowed) {
    dlgNonElevateWndWithFocus focus;
    ASSERT_TRUE(focus.hwnd != nullptr);
    EXPECT_TRUE(IsWindowVisible(focus.hwnd));
    EXPECT_TRUE(GetWindow(focus.hwnd, GW_OWNER) == nullptr);
    EXPECT_TRUE(ListControls(focus.hwnd).empty());
    EXPECT_EQ(focus.DialogUnitsX(316), focus.GetWidth());
    EXPECT_EQ(focus.DialogUnitsY(144), focus.GetHeight());
    EXPECT_TRUE(GetClassLongW(focus.hwnd, GCL_STYLE) & CS_DROPSHADOW);

    HRGN region = CreateRectRgn(0, 0, 0, 0);
    ASSERT_NE(ERROR, GetWindowRgn(focus.hwnd, region));
    int w = focus.GetWidth(), h = focus.GetHeight();
    EXPECT_TRUE(PtInRegion(region, w / 2, 0));
    EXPECT_TRUE(PtInRegion(region, 0, h / 2));
    EXPECT_TRUE(PtInRegion(region, w - 1, h / 2));
    EXPECT_TRUE(PtInRegion(region, w / 2, h - 1));
    EXPECT_TRUE(PtInRegion(region, 12, 12));
    // The corners are cut by ellipses of 40 x 40 pixels.
    for (POINT corner : {POINT{4, 4}, POINT{w - 5, 4}, POINT{4, h - 5}, POINT{w - 5, h - 5}})
        EXPECT_FALSE(PtInRegion(region, corner.x, corner.y)) << corner.x << "," << corner.y;
    DeleteObject(region);
}

// BRASK_FOCUS_SCALE: the display scale a fresh process was started with.
TEST(FocusWindow, ShowsItsPicture) {
    wchar_t scale[16] = L"";
    GetEnvironmentVariableW(L"BRASK_FOCUS_SCALE", scale, 16);
    if (scale[0]) {
        EXPECT_EQ(_wtoi(scale), Scale(100));
    }
    dlgNonElevateWndWithFocus focus;
    ASSERT_TRUE(focus.hwnd != nullptr);
    Picture p = Capture(focus.hwnd);
    Save(p, scale[0] ? (std::wstring(L"focus-window-") + scale).c_str() : L"focus-window");
    ASSERT_EQ(focus.GetWidth(), p.width);
    ASSERT_EQ(focus.GetHeight(), p.height);
    CheckPicture(p, focus.DialogUnitsY(35));
}

TEST(FocusWindow, PictureFollowsTheDisplayScale) {
    DisplayDpi display(144);
    EXPECT_TRUE(RunTestInFreshProcess(L"FocusWindow.ShowsItsPicture", L"BRASK_FOCUS_SCALE", L"150"));
}

TEST(FocusWindow, DraggingMovesTheWindowByTheCursorsMovement) {
    dlgNonElevateWndWithFocus focus;
    ASSERT_TRUE(focus.hwnd != nullptr);
    RECT start = focus.GetScreenRect();
    SendMessageW(focus.hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(50, 60));
    EXPECT_EQ(focus.hwnd, GetCapture());
    SendMessageW(focus.hwnd, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(80, 80));
    RECT moved = focus.GetScreenRect();
    EXPECT_EQ(start.left + 30, moved.left);
    EXPECT_EQ(start.top + 20, moved.top);
    EXPECT_EQ(start.right - start.left, moved.right - moved.left);
    // Client coordinates of the moved window: the cursor went 10 left, 5 up.
    SendMessageW(focus.hwnd, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(40, 55));
    moved = focus.GetScreenRect();
    EXPECT_EQ(start.left + 20, moved.left);
    EXPECT_EQ(start.top + 15, moved.top);
    SendMessageW(focus.hwnd, WM_LBUTTONUP, 0, MAKELPARAM(40, 55));
    EXPECT_TRUE(GetCapture() == nullptr);
    SendMessageW(focus.hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(90, 90));
    RECT after = focus.GetScreenRect();
    EXPECT_EQ(moved.left, after.left) << "released: the window stays";
    EXPECT_EQ(moved.top, after.top);
}

TEST(FocusWindow, ClosingEndsItAndDestroyingRemovesIt) {
    HWND window;
    {
        dlgNonElevateWndWithFocus focus;
        window = focus.hwnd;
        ASSERT_TRUE(window != nullptr);
        PostMessageW(window, WM_CLOSE, 0, 0);
        EXPECT_TRUE(PumpUntil([&] { return !IsWindowVisible(window); }, 5000));
    }
    EXPECT_FALSE(IsWindow(window));
}

TEST(FocusWindow, BackgroundBrushIsWhite) {
    dlgNonElevateWndWithFocus focus;
    ASSERT_TRUE(focus.hwnd != nullptr);
    HDC dc = GetDC(focus.hwnd);
    HBRUSH brush = (HBRUSH)SendMessageW(focus.hwnd, WM_CTLCOLORDLG, (WPARAM)dc, (LPARAM)focus.hwnd);
    LOGBRUSH lb = {};
    ASSERT_TRUE(brush != nullptr);
    ASSERT_TRUE(GetObjectW(brush, sizeof lb, &lb));
    EXPECT_EQ(RGB(255, 255, 255), lb.lbColor);
    EXPECT_EQ(brush, (HBRUSH)SendMessageW(focus.hwnd, WM_CTLCOLORSTATIC, (WPARAM)dc, (LPARAM)focus.hwnd));
    ReleaseDC(focus.hwnd, dc);
}

// Dialogs are of class "#32770"; null counts every window.
struct WindowCount {
    const wchar_t* className;
    int count;
};

BOOL CALLBACK CountVisible(HWND window, LPARAM param) {
    WindowCount* search = (WindowCount*)param;
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    wchar_t name[64] = L"";
    GetClassNameW(window, name, 64);
    if (pid == GetCurrentProcessId() && IsWindowVisible(window) &&
        (!search->className || wcscmp(name, search->className) == 0))
        ++search->count;
    return TRUE;
}

int VisibleWindowsOfThisProcess(const wchar_t* className) {
    WindowCount search = {className, 0};
    EnumWindows(CountVisible, (LPARAM)&search);
    return search.count;
}

// The real installer as the parent: the window is on the display while the
// child runs, the run ends with 0 and the window goes with the parent.
TEST(FocusWindow, RealInstallerShowsItWhileItsChildRuns) {
    ScratchFolder dir;
    std::string error;
    std::wstring exe = dir / L"installer.exe";
    // Silent, so that the child's wizard ends by itself; nothing to register.
    ASSERT_TRUE(EmbedPackage(TestStubPath(),
                             LayOut({Entry("setup.dat", "[Project Name]\r\nDemo\r\n[NoUnInstall]\r\n")}), exe, error))
        << error;
    SetEnvironmentVariableW(L"BRASK_TEST_MSGBOX", (dir / L"boxes.txt").c_str());
    ChildProcess installer;
    bool started = installer.Start(L"\"" + exe + L"\" --silent");
    SetEnvironmentVariableW(L"BRASK_TEST_MSGBOX", nullptr);
    ASSERT_TRUE(started);
    HWND window = WaitForProcessWindow(installer.Id(), 20000);
    ASSERT_TRUE(window != nullptr);
    // The parent's thread is held while the picture is taken, so that the
    // child's end cannot take the window away first. The window shows from
    // its creation and its picture follows at once; the parent waits without
    // a message loop, so only what it painted then can reach the display.
    DWORD threadId = GetWindowThreadProcessId(window, nullptr);
    HANDLE thread = OpenThread(THREAD_SUSPEND_RESUME, FALSE, threadId);
    ASSERT_TRUE(thread != nullptr);
    Picture p;
    for (int attempt = 0; attempt < 50 && IsWindowVisible(window); ++attempt) {
        if (SuspendThread(thread) == (DWORD)-1) break;
        p = Capture(window);
        ResumeThread(thread);
        if (p.At(p.width / 2, p.height / 2) == RGB(255, 255, 255)) break;
        Sleep(10);
    }
    CloseHandle(thread);
    Save(p, L"installer-focus-window");
    EXPECT_EQ(0u, installer.Wait(60000));
    EXPECT_FALSE(IsWindow(window));
    ASSERT_GT(p.width, 300);
    // The installer measures dialog units with the same font as this process.
    dlgNonElevateWndWithFocus reference;
    ASSERT_EQ(reference.GetWidth(), p.width);
    ASSERT_EQ(reference.GetHeight(), p.height);
    CheckPicture(p, reference.DialogUnitsY(35));
}

TEST(FocusWindow, ParentRoleLeavesNoWindow) {
    int before = VisibleWindowsOfThisProcess(nullptr);
    // A watcher sees the window while the role waits for its child.
    struct Watch {
        HANDLE stop;
        int seen;
        static DWORD WINAPI Run(void* self) {
            Watch* w = static_cast<Watch*>(self);
            while (WaitForSingleObject(w->stop, 20) == WAIT_TIMEOUT)
                if (VisibleWindowsOfThisProcess(L"#32770")) w->seen = 1;
            return 0;
        }
    } watch = {CreateEventW(nullptr, TRUE, FALSE, nullptr), 0};
    HANDLE watcher = CreateThread(nullptr, 0, Watch::Run, &watch, 0, nullptr);
    SetEnvironmentVariableW(L"BRASK_TEST_CHILD_SLEEP", L"1500");
    int exitCode = RunParentRole();
    SetEnvironmentVariableW(L"BRASK_TEST_CHILD_SLEEP", nullptr);
    SetEvent(watch.stop);
    WaitForSingleObject(watcher, 5000);
    CloseHandle(watcher);
    CloseHandle(watch.stop);
    EXPECT_EQ(0, exitCode);
    EXPECT_EQ(1, watch.seen);
    EXPECT_EQ(before, VisibleWindowsOfThisProcess(nullptr));
    EXPECT_EQ(0, VisibleWindowsOfThisProcess(L"#32770"));
}

}  // namespace
