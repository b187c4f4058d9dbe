// The restart countdown and Reboot(): the count against a clock the test
// drives, the buttons, the system close, silent mode, and what the real
// restart call does here. No test restarts anything: the restart goes
// through the hook, except where Wine's own restart call is shown harmless.
#include <gtest/gtest.h>

#include <string>

#include "app/installer_state.h"
#include "app/reboot.h"
#include "app/reboot_dialog.h"
#include "gui/driver.h"
#include "res/resource_ids.h"
#include "support/message_recorder.h"
#include "support/process.h"
#include "support/pump.h"

namespace {

volatile LONG g_now = 0;
volatile LONG g_clockReads = 0;
volatile LONG g_restarts = 0;
// What the system answers the restart call with.
volatile DWORD g_restartAnswer = ERROR_SUCCESS;

DWORD TestClock() {
    InterlockedIncrement(&g_clockReads);
    return (DWORD)g_now;
}
DWORD CountRestart() {
    InterlockedIncrement(&g_restarts);
    return g_restartAnswer;
}

const DWORD kStart = 5000000;

void SetElapsed(DWORD ms) { InterlockedExchange(&g_now, (LONG)(kStart + ms)); }

BOOL CALLBACK FindDialog(HWND window, LPARAM found) {
    if (!IsWindowVisible(window)) return TRUE;
    *(HWND*)found = window;
    return FALSE;
}

// The countdown on a thread of its own, as the wizard's finish thread runs
// it; its message loop is the one Reboot() ends.
class Countdown {
public:
    explicit Countdown(bool note) : note_(note) {
        thread_ = CreateThread(nullptr, 0, Run, this, 0, &threadId_);
        PumpUntil([&] { return (window = Find()) != nullptr; }, 10000);
    }
    ~Countdown() {
        if (!Ended(0) && window) PostMessageW(window, WM_CLOSE, 0, 0);
        Ended(10000);
        CloseHandle(thread_);
    }
    bool Ended(DWORD timeoutMs) { return WaitForSingleObject(thread_, timeoutMs) == WAIT_OBJECT_0; }
    dlgRebooting* Dialog() const { return static_cast<dlgRebooting*>(XWindow::FromHandle(window)); }
    std::wstring Line() const {
        dlgRebooting* dialog = Dialog();
        return dialog ? (const wchar_t*)dialog->CountdownLine() : L"";
    }
    // The line as the next tick draws it once the clock stands at elapsed.
    bool LineAt(DWORD elapsedMs, const std::wstring& expected) {
        SetElapsed(elapsedMs);
        return PumpUntil([&] { return Line() == expected; }, 5000);
    }

    HWND window = nullptr;
    volatile bool rebooted = false;

private:
    HWND Find() const {
        HWND found = nullptr;
        EnumThreadWindows(threadId_, FindDialog, (LPARAM)&found);
        return found;
    }
    static DWORD WINAPI Run(void* self) {
        Countdown* c = static_cast<Countdown*>(self);
        dlgRebooting dialog(c->note_);
        c->rebooted = dialog.rebooted;
        return 0;
    }
    bool note_;
    HANDLE thread_;
    DWORD threadId_ = 0;
};

class RebootCountdown : public testing::Test {
protected:
    void SetUp() override {
        SetElapsed(0);
        g_restarts = 0;
        g_restartAnswer = ERROR_SUCCESS;
        SetRestartHook(CountRestart);
        SetCountdownClock(TestClock);
        state.projectName = L"Tool";
        state.silent = false;
        state.autoReboot = true;
    }
    void TearDown() override {
        SetRestartHook(nullptr);
        SetCountdownClock(nullptr);
        state.projectName = L"Setup";
        state.silent = false;
        state.autoReboot = true;
    }
};

TEST_F(RebootCountdown, CountsFortySecondsAndRestartsAtTheFirstTickPastThem) {
    Countdown countdown(false);
    ASSERT_TRUE(countdown.window != nullptr);
    EXPECT_EQ(kStart, countdown.Dialog()->startTick);
    EXPECT_EQ(L"Automatic reboot in 40 seconds", countdown.Line());
    // Painted, not a window still black: white beside the texts, on the right.
    Picture p;
    for (int attempt = 0; attempt < 40; ++attempt, Sleep(50)) {
        p = Capture(countdown.window);
        if (p.At(p.width - 20, p.height / 2) == RGB(255, 255, 255)) break;
    }
    EXPECT_EQ(RGB(255, 255, 255), p.At(p.width - 20, p.height / 2));
    CreateDirectoryW(BinPath(L"screenshots").c_str(), nullptr);
    SaveBitmap(p, BinPath(L"screenshots\\reboot-countdown-") + PrefixKind() + L".bmp");
    int top = countdown.Dialog()->textTop + countdown.Dialog()->DialogUnitsY(25);
    EXPECT_GT(DarkPixels(p, countdown.Dialog()->DialogUnitsX(95), top, p.width - 10, top + 20), 100) << "the line";

    EXPECT_TRUE(countdown.LineAt(39000, L"Automatic reboot in 1 second"));
    EXPECT_TRUE(countdown.LineAt(40000, L"Rebooting now..."));
    // Still 40 whole seconds: a further tick neither restarts nor ends.
    SetElapsed(40999);
    LONG reads = g_clockReads;
    EXPECT_TRUE(PumpUntil([&] { return g_clockReads > reads; }, 5000));
    EXPECT_EQ(0, g_restarts);
    EXPECT_FALSE(countdown.Ended(0));

    SetElapsed(41000);
    EXPECT_TRUE(countdown.Ended(5000)) << "the restart ends the message loop";
    EXPECT_EQ(1, g_restarts);
    EXPECT_TRUE(countdown.rebooted);
}

// No to the question resumes the same count; Yes ends without a restart.
TEST_F(RebootCountdown, CancelQuestionNoKeepsTheRunningCount) {
    MessageRecorder boxes;
    boxes.Script({IDNO, IDYES});
    Countdown countdown(true);
    ASSERT_TRUE(countdown.window != nullptr);
    EXPECT_TRUE(countdown.LineAt(30000, L"Automatic reboot in 10 seconds"));
    ASSERT_TRUE(ClickButton(countdown.window, IDC_CANCEL_REBOOT, false));
    ASSERT_EQ(1u, boxes.Shown().size());
    EXPECT_EQ(L"Cancel reboot?\r\n\r\nWindows will require restarting to finalize install.", boxes.Shown()[0].text);
    EXPECT_EQ(L"Tool", boxes.Shown()[0].caption);
    EXPECT_EQ((UINT)(MB_YESNO | MB_ICONQUESTION), boxes.Shown()[0].style);
    EXPECT_FALSE(countdown.Ended(0));
    EXPECT_TRUE(countdown.LineAt(35000, L"Automatic reboot in 5 seconds"));

    ASSERT_TRUE(ClickButton(countdown.window, IDC_CANCEL_REBOOT, false));
    EXPECT_TRUE(countdown.Ended(5000));
    EXPECT_EQ(2u, boxes.Shown().size());
    EXPECT_EQ(0, g_restarts);
    EXPECT_FALSE(countdown.rebooted);
}

TEST_F(RebootCountdown, ClosingEndsWithoutRestartRebootNowRestarts) {
    struct Case {
        const char* name;
        UINT message;
        WPARAM wParam;
        DWORD answer;  // the system's answer to the restart call
        int calls;
        bool rebooted;
    } cases[] = {
        {"system close", WM_SYSCOMMAND, SC_CLOSE, ERROR_SUCCESS, 0, false},
        {"close", WM_CLOSE, 0, ERROR_SUCCESS, 0, false},
        {"Reboot Now", WM_COMMAND, MAKEWPARAM(IDC_REBOOT_NOW, BN_CLICKED), ERROR_SUCCESS, 1, true},
        // Wine's answer: the countdown ends, but no restart was started.
        {"Reboot Now, refused", WM_COMMAND, MAKEWPARAM(IDC_REBOOT_NOW, BN_CLICKED), ERROR_CALL_NOT_IMPLEMENTED, 1,
         false},
        {"Reboot Now, no privilege", WM_COMMAND, MAKEWPARAM(IDC_REBOOT_NOW, BN_CLICKED), ERROR_PRIVILEGE_NOT_HELD, 1,
         false},
    };
    for (const Case& c : cases) {
        g_restarts = 0;
        g_restartAnswer = c.answer;
        Countdown countdown(false);
        ASSERT_TRUE(countdown.window != nullptr) << c.name;
        PostMessageW(countdown.window, c.message, c.wParam, 0);
        EXPECT_TRUE(countdown.Ended(5000)) << c.name;
        EXPECT_EQ(c.calls, g_restarts) << c.name;
        EXPECT_EQ(c.rebooted, countdown.rebooted) << c.name;
    }
}

BOOL CALLBACK CountThreadWindows(HWND, LPARAM count) {
    ++*(int*)count;
    return TRUE;
}

// Silent: no window either way; "--noautoreboot" keeps the restart and the
// quit message away. Only a restart the system accepted reports rebooted.
TEST_F(RebootCountdown, SilentShowsNothingAndNoAutoRebootRestartsNothing) {
    state.silent = true;
    struct {
        bool autoReboot;
        DWORD answer;
        int calls;
        bool rebooted;
    } cases[] = {
        {false, ERROR_SUCCESS, 0, false},
        {true, ERROR_SUCCESS, 1, true},
        {true, ERROR_CALL_NOT_IMPLEMENTED, 1, false},
    };
    for (const auto& c : cases) {
        g_restarts = 0;
        g_restartAnswer = c.answer;
        state.autoReboot = c.autoReboot;
        dlgRebooting countdown(false);
        EXPECT_EQ(c.rebooted, countdown.rebooted) << c.autoReboot << " " << c.answer;
        EXPECT_TRUE(countdown.hwnd == nullptr);
        int windows = 0;
        EnumThreadWindows(GetCurrentThreadId(), CountThreadWindows, (LPARAM)&windows);
        EXPECT_EQ(0, windows);
        EXPECT_EQ(c.calls, g_restarts);
        MSG quit;
        EXPECT_EQ(c.autoReboot, PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != 0);
    }
}

bool UnderWine() { return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr; }

// Wine 8 has InitiateShutdownW only as a stub that restarts nothing and
// answers ERROR_CALL_NOT_IMPLEMENTED; the older call's stub would answer
// success. (With WINEDEBUG=fixme+advapi its note shows the arguments: no
// grace period, flags 132 and reason 196610.)
TEST(RebootRealCall, TakesInitiateShutdownWhereTheSystemHasIt) {
    if (!UnderWine()) GTEST_SKIP() << "would restart the machine";
    EXPECT_EQ((DWORD)ERROR_CALL_NOT_IMPLEMENTED, StartSystemRestart());
}

}  // namespace
