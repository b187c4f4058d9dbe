// XWindow on real windows and dialogs: dispatch, defaults, timers, classes.
#include "ui/xwindow.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/message_box.h"
#include "res/resource_ids.h"
#include "support/pump.h"

namespace {

// Records the operations that the dispatcher calls.
class Probe : public XWindow {
public:
    std::vector<std::string> calls;
    int lastId = -1, lastCode = -1;
    bool paintLeavesHandled = false;
    int paints = 0;
    std::vector<uint32_t> timerIds;

    void OnCommand(int id, HWND, int code) override {
        calls.push_back("OnCommand");
        lastId = id;
        lastCode = code;
    }
    void OnCmdOK() override { calls.push_back("OK"); }
    void OnCmdCancel() override { calls.push_back("Cancel"); }
    void OnCmdAbort() override { calls.push_back("Abort"); }
    void OnCmdRetry() override { calls.push_back("Retry"); }
    void OnCmdIgnore() override { calls.push_back("Ignore"); }
    void OnCmdYes() override { calls.push_back("Yes"); }
    void OnCmdNo() override { calls.push_back("No"); }
    void OnCmdClose() override { calls.push_back("Close"); }
    void OnCmdHelp() override { calls.push_back("Help"); }
    void OnPaint() override {
        ++paints;
        if (!paintLeavesHandled) XWindow::OnPaint();
    }
    void OnTimer(uint32_t id, int32_t data) override {
        timerIds.push_back(id);
        EXPECT_EQ(0, data);
    }
};

const RECT kRect = {100, 100, 400, 300};

HWND MakeWindow(XWindow& w) { return w.CreateAsWindow(WS_POPUP | WS_VISIBLE, 0, nullptr, kRect); }

TEST(XWindowCommand, StandardIdWithCodeZeroCallsItsOperationThenOnCommand) {
    Probe w;
    ASSERT_TRUE(MakeWindow(w));
    EXPECT_EQ(0, SendMessageW(w.hwnd, WM_COMMAND, MAKEWPARAM(IDRETRY, 0), 0));
    EXPECT_EQ((std::vector<std::string>{"Retry", "OnCommand"}), w.calls);
    EXPECT_EQ(IDRETRY, w.lastId);
    EXPECT_EQ(0, w.lastCode);
}

TEST(XWindowCommand, AcceleratorCodeCallsOnlyOnCommand) {
    Probe w;
    ASSERT_TRUE(MakeWindow(w));
    SendMessageW(w.hwnd, WM_COMMAND, MAKEWPARAM(IDRETRY, 1), 0);
    EXPECT_EQ((std::vector<std::string>{"OnCommand"}), w.calls);
    EXPECT_EQ(1, w.lastCode);
}

TEST(XWindowCommand, EveryStandardIdReachesItsOwnOperation) {
    const char* expected[10] = {"", "OK", "Cancel", "Abort", "Retry", "Ignore", "Yes", "No", "Close", "Help"};
    Probe w;
    ASSERT_TRUE(MakeWindow(w));
    for (int id = 1; id <= 9; ++id) {
        w.calls.clear();
        SendMessageW(w.hwnd, WM_COMMAND, MAKEWPARAM(id, 0), 0);
        EXPECT_EQ((std::vector<std::string>{expected[id], "OnCommand"}), w.calls) << id;
    }
}

TEST(XWindowCommand, IdsFromTenOnCallOnlyOnCommand) {
    Probe w;
    ASSERT_TRUE(MakeWindow(w));
    SendMessageW(w.hwnd, WM_COMMAND, MAKEWPARAM(10, 0), 0);
    SendMessageW(w.hwnd, WM_COMMAND, MAKEWPARAM(1003, 0), 0);
    EXPECT_EQ((std::vector<std::string>{"OnCommand", "OnCommand"}), w.calls);
    EXPECT_EQ(1003, w.lastId);
}

TEST(XWindowDefaults, DialogOverridingNothingReturnsFalseExceptForThreeMessages) {
    XWindow dialog;
    ASSERT_EQ(1, dialog.CreateFromTemplate(IDD_NON_ELEVATE_FOCUS, nullptr, false));
    HWND h = dialog.hwnd;
    ASSERT_TRUE(h);
    EXPECT_EQ(1, dialog.isDialog);
    EXPECT_EQ(&dialog, XWindow::FromHandle(h));
    // WM_INITDIALOG through Dispatch: the procedure would attach a second time.
    EXPECT_NE(0, dialog.Dispatch(h, WM_INITDIALOG, 0, 0));
    EXPECT_NE(0, XDialogProc(h, WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0));
    EXPECT_NE(0, XDialogProc(h, WM_TIMER, 4711, 0));
    const UINT unhandled[] = {WM_CLOSE, WM_PAINT, WM_ERASEBKGND, WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_KEYDOWN,
                              WM_CHAR, WM_SIZE, WM_MOVE, WM_NOTIFY, WM_CTLCOLORSTATIC, WM_CTLCOLORDLG,
                              WM_SYSCOMMAND, WM_SHOWWINDOW, WM_ACTIVATE, WM_USER + 5, WM_SETCURSOR};
    NMHDR header = {h, 0, 0};
    for (UINT message : unhandled) {
        LPARAM lParam = message == WM_NOTIFY ? (LPARAM)&header : 0;
        EXPECT_EQ(0, XDialogProc(h, message, 0, lParam)) << std::hex << message;
    }
    dialog.Release();
    EXPECT_EQ(nullptr, XWindow::FromHandle(h));
    EXPECT_FALSE(IsWindow(h));
}

TEST(XWindowDefaults, PaintAlwaysReachesDefWindowProc) {
    Probe w;
    w.paintLeavesHandled = true;
    ASSERT_TRUE(MakeWindow(w));
    UpdateWindow(w.hwnd);
    w.paints = 0;
    InvalidateRect(w.hwnd, nullptr, FALSE);
    UpdateWindow(w.hwnd);
    EXPECT_EQ(1, w.paints);
    // Only the default handler's BeginPaint/EndPaint validates the window.
    RECT update;
    EXPECT_FALSE(GetUpdateRect(w.hwnd, &update, FALSE));
}

TEST(XWindowTimers, UnknownTimerIdCallsNothing) {
    Probe w;
    ASSERT_TRUE(MakeWindow(w));
    EXPECT_EQ(1u, w.StartTimer(100000));
    EXPECT_EQ(0, SendMessageW(w.hwnd, WM_TIMER, 77, 0));
    EXPECT_TRUE(w.timerIds.empty());
    SendMessageW(w.hwnd, WM_TIMER, 1, 0);
    EXPECT_EQ(std::vector<uint32_t>{1}, w.timerIds);
}

TEST(XWindowTimers, RealTimerReachesOnTimer) {
    Probe w;
    ASSERT_TRUE(MakeWindow(w));
    uint32_t id = w.StartTimer(10);
    ASSERT_EQ(1u, id);
    EXPECT_TRUE(PumpUntil([&] { return !w.timerIds.empty(); }, 5000));
    ASSERT_FALSE(w.timerIds.empty());
    EXPECT_EQ(id, w.timerIds[0]);
}

TEST(XWindowTimers, IdsAreReusedOnlyAfterTheHighestStops) {
    XWindow w;
    EXPECT_EQ(0u, w.StartTimer(1000));
    ASSERT_TRUE(MakeWindow(w));
    EXPECT_EQ(1u, w.StartTimer(100000));
    EXPECT_EQ(2u, w.StartTimer(100000));
    EXPECT_EQ(3u, w.StartTimer(100000));
    w.StopTimer(3);
    EXPECT_EQ(3u, w.StartTimer(100000));
    w.StopTimer(2);
    EXPECT_EQ(4u, w.StartTimer(100000));
    w.StopTimer(99);
    EXPECT_EQ(3, w.timers.Count());
}

bool ClassRegistered(const WString& name) {
    WNDCLASSEXW wc = {sizeof wc};
    return GetClassInfoExW(GetModuleHandleW(nullptr), name, &wc) != 0;
}

// The counter is process-wide, so the exact names need a fresh process.
TEST(XWindowClasses, FirstTwoWindowsRegisterXWnd0AndXWnd1) {
    if (GetEnvironmentVariableW(L"BRASK_FRESH_PROCESS", nullptr, 0) == 0) {
        EXPECT_TRUE(RunTestInFreshProcess(L"XWindowClasses.FirstTwoWindowsRegisterXWnd0AndXWnd1",
                                          L"BRASK_FRESH_PROCESS", L"1"));
        return;
    }
    XWindow a, b;
    ASSERT_TRUE(MakeWindow(a));
    ASSERT_TRUE(MakeWindow(b));
    EXPECT_STREQ(L"XWnd0", a.className.Text());
    EXPECT_STREQ(L"XWnd1", b.className.Text());
    WString nameA = a.className, nameB = b.className;
    EXPECT_TRUE(ClassRegistered(nameA));
    EXPECT_TRUE(ClassRegistered(nameB));
    a.Release();
    b.Release();
    EXPECT_FALSE(ClassRegistered(nameA));
    EXPECT_FALSE(ClassRegistered(nameB));
    EXPECT_TRUE(a.className.IsEmpty());
}

TEST(XWindowClasses, RecreatingReleasesTheOldWindowAndClass) {
    XWindow w;
    HWND first = MakeWindow(w);
    ASSERT_TRUE(first);
    WString firstClass = w.className;
    HWND second = MakeWindow(w);
    ASSERT_TRUE(second);
    EXPECT_FALSE(IsWindow(first));
    EXPECT_FALSE(ClassRegistered(firstClass));
    EXPECT_EQ(&w, XWindow::FromHandle(second));
    EXPECT_EQ(nullptr, XWindow::FromHandle(first));
}

TEST(XWindowHelpers, MoveToKeepsTheEdgeGivenAsKeep) {
    XWindow w;
    ASSERT_TRUE(MakeWindow(w));
    w.MoveTo(-12345, 50);
    RECT r = w.GetScreenRect();
    EXPECT_EQ(100, r.left);
    EXPECT_EQ(50, r.top);
    EXPECT_EQ(300, w.GetWidth());
    EXPECT_EQ(200, w.GetHeight());
    w.MoveTo(20, XWindow::kKeep);
    r = w.GetScreenRect();
    EXPECT_EQ(20, r.left);
    EXPECT_EQ(50, r.top);
}

TEST(XWindowHelpers, WithoutWindowEverythingIsQuiet) {
    XWindow w;
    RECT r = w.GetScreenRect();
    EXPECT_TRUE(IsRectEmpty(&r));
    EXPECT_EQ(0, w.GetWidth());
    EXPECT_FALSE(w.IsMinimized());
    EXPECT_EQ(nullptr, w.GetItem(1));
    w.MoveTo(1, 1);
    w.Invalidate();
    w.StopTimer(1);
    w.CloseDialog(1);
    w.Release();
    EXPECT_EQ(nullptr, w.hwnd);
}

// Answers through PreDispatch and the control-colour operation.
class Answering : public XWindow {
public:
    HBRUSH brush = (HBRUSH)GetStockObject(GRAY_BRUSH);
    LRESULT PreDispatch(HWND, UINT message, WPARAM, LPARAM, int32_t* mark) override {
        if (message != WM_USER + 1) return 0;
        *mark = 1;
        return 42;
    }
    HBRUSH OnCtlColorDialog() override { return brush; }
};

TEST(XWindowDispatch, PreDispatchResultReachesTheSender) {
    Answering window;
    ASSERT_TRUE(MakeWindow(window));
    EXPECT_EQ(42, SendMessageW(window.hwnd, WM_USER + 1, 0, 0));
    Answering dialog;
    ASSERT_EQ(1, dialog.CreateFromTemplate(IDD_CONTAINER_INSTALL, nullptr, false));
    // The dialog manager hands DWL_MSGRESULT back to the sender.
    EXPECT_EQ(42, SendMessageW(dialog.hwnd, WM_USER + 1, 0, 0));
    EXPECT_EQ((LRESULT)dialog.brush, XDialogProc(dialog.hwnd, WM_CTLCOLORDLG, 0, 0));
}

// Closes the modal dialog it runs in from a timer, as a user would.
class ClosesItself : public XWindow {
public:
    int unitsX = 0, unitsY = 0;
    void OnInit() override {
        unitsX = DialogUnitsX(316);
        unitsY = DialogUnitsY(144);
        StartTimer(20);
    }
    void OnTimer(uint32_t, int32_t) override { CloseDialog(7); }
    void OnClose() override { CloseDialog(-5); }
};

TEST(XWindowDispatch, ModalDialogReturnsTheValueGivenToCloseDialog) {
    ClosesItself dialog;
    Watchdog watchdog(dialog, 10000);
    EXPECT_EQ(7, dialog.CreateFromTemplate(IDD_REBOOTING, nullptr, true));
    EXPECT_GT(dialog.unitsX, 316);
    EXPECT_GT(dialog.unitsY, 144);
    // Destroyed by the dialog manager; the object keeps it until Release.
    HWND gone = dialog.hwnd;
    EXPECT_FALSE(IsWindow(gone));
    EXPECT_EQ(&dialog, XWindow::FromHandle(gone));
    dialog.Release();
    EXPECT_EQ(nullptr, XWindow::FromHandle(gone));
}

TEST(XWindowDispatch, MissingTemplateFails) {
    XWindow dialog;
    EXPECT_EQ(-1, dialog.CreateFromTemplate(999, nullptr, true));
    EXPECT_EQ(0, dialog.CreateFromTemplate(999, nullptr, false));
    EXPECT_EQ(nullptr, dialog.hwnd);
}

// A real box takes the activation from its owner and so sends it messages
// while the question is open; this one does the same and answers No.
int AnswerNoLikeARealBox(HWND owner, const wchar_t*, const wchar_t*, UINT) {
    SendMessageW(owner, WM_NCACTIVATE, FALSE, 0);
    SendMessageW(owner, WM_ACTIVATE, WA_INACTIVE, 0);
    SendMessageW(owner, WM_USER + 7, 0, 0);
    return IDNO;
}

// Asks before closing; No keeps the window.
class AsksOnClose : public XWindow {
public:
    int questions = 0;
    void OnClose() override {
        ++questions;
        if (ShowMessage(hwnd, L"Close?", L"Test", MB_YESNO) == IDYES) XWindow::OnClose();
    }
};

TEST(XWindowDispatch, MessagesSentDuringAnOperationKeepItsAnswer) {
    AsksOnClose window;
    ASSERT_TRUE(MakeWindow(window));
    SetMessageBoxHook(AnswerNoLikeARealBox);
    SendMessageW(window.hwnd, WM_CLOSE, 0, 0);
    SetMessageBoxHook(nullptr);
    EXPECT_EQ(1, window.questions);
    // Default processing of WM_CLOSE would have destroyed it.
    EXPECT_TRUE(IsWindow(window.hwnd));
}

}  // namespace
