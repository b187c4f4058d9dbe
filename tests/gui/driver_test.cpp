// The GUI driver against windows of this process and of the demo.
#include "gui/driver.h"

#include <gtest/gtest.h>

#include "res/resource_ids.h"
#include "support/process.h"
#include "support/pump.h"
#include "ui/xwindow.h"

namespace {

class Recorder : public XWindow {
public:
    int commandId = 0, commandCode = -1;
    int mouseX = -1, mouseY = -1;
    void OnCommand(int id, HWND, int code) override {
        commandId = id;
        commandCode = code;
    }
    void OnMouseMove(int x, int y, WPARAM) override {
        mouseX = x;
        mouseY = y;
    }
};

TEST(GuiDriver, FindsAndClicksAButtonOfADialog) {
    Recorder dialog;
    ASSERT_EQ(1, dialog.CreateFromTemplate(IDD_CONTAINER_INSTALL, nullptr, false));
    SetWindowTextW(dialog.hwnd, L"driver test dialog");
    EXPECT_EQ(dialog.hwnd, WaitForWindow(nullptr, L"driver test dialog", 5000));
    EXPECT_EQ(nullptr, WaitForWindow(nullptr, L"no such window anywhere", 100));
    std::vector<ControlInfo> controls = ListControls(dialog.hwnd);
    ASSERT_EQ(1u, controls.size());
    EXPECT_EQ(IDCANCEL, controls[0].id);
    EXPECT_EQ(L"Cancel", controls[0].text);
    EXPECT_TRUE(ClickButton(dialog.hwnd, IDCANCEL, false));
    EXPECT_EQ(IDCANCEL, dialog.commandId);
    EXPECT_EQ(BN_CLICKED, dialog.commandCode);
    dialog.commandId = 0;
    EXPECT_TRUE(ClickButton(dialog.hwnd, IDCANCEL, true));
    EXPECT_EQ(IDCANCEL, dialog.commandId);
    EXPECT_FALSE(ClickButton(dialog.hwnd, 4242, false));
}

TEST(GuiDriver, MovesTheMouseOverAWindow) {
    Recorder w;
    RECT r = {50, 50, 250, 200};
    ASSERT_TRUE(w.CreateAsWindow(WS_POPUP | WS_VISIBLE, WS_EX_TOPMOST, nullptr, r));
    PumpUntil([] { return false; }, 200);
    MoveMouse(w.hwnd, 30, 40);
    EXPECT_TRUE(PumpUntil([&] { return w.mouseX == 30 && w.mouseY == 40; }, 5000));
}

TEST(GuiDriver, EscapeKeyClosesTheDemoDialog) {
    ChildProcess demo;
    ASSERT_TRUE(demo.Start(L"\"" + BinPath(L"tests\\ui_demo.exe") + L"\""));
    HWND window = WaitForProcessWindow(demo.Id(), 20000);
    ASSERT_TRUE(window);
    SendKeys(window, {VK_ESCAPE});
    EXPECT_EQ(0u, demo.Wait(10000));
}

TEST(GuiDriver, ConsoleProgramTakesAPicture) {
    Recorder w;
    RECT r = {60, 60, 160, 110};
    ASSERT_TRUE(w.CreateAsWindow(WS_POPUP | WS_VISIBLE, 0, nullptr, r));
    std::wstring driver = L"\"" + BinPath(L"tests\\gui_driver.exe") + L"\" ";
    std::wstring picture = BinPath(L"screenshots\\driver-") + PrefixKind() + L".bmp";
    CreateDirectoryW(BinPath(L"screenshots").c_str(), nullptr);
    DeleteFileW(picture.c_str());
    wchar_t handle[32];
    swprintf(handle, 32, L"%lx", (unsigned long)(UINT_PTR)w.hwnd);
    ProcessResult shot = RunProcess(driver + L"shot " + handle + L" \"" + picture + L"\"", {}, 20000);
    EXPECT_EQ(0u, shot.exitCode);
    WIN32_FILE_ATTRIBUTE_DATA data;
    ASSERT_TRUE(GetFileAttributesExW(picture.c_str(), GetFileExInfoStandard, &data));
    EXPECT_EQ(sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER) + 100 * 50 * 4, data.nFileSizeLow);
    EXPECT_EQ(1u, RunProcess(driver + L"list 0", {}, 20000).exitCode);
    EXPECT_EQ(2u, RunProcess(driver + L"frobnicate " + handle, {}, 20000).exitCode);
}

}  // namespace
