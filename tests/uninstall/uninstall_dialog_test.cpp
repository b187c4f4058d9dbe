// The uninstall dialog in this process, so that the restart goes through
// the replaceable restart function and the countdown's clock: a finished
// uninstall that needs a restart, started by an installer's existing-
// version check ("--sayonrebootruninst").
#include "uninstall/uninstall_dialog.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "app/installer_state.h"
#include "app/reboot.h"
#include "app/reboot_dialog.h"
#include "engine/pending_delete.h"
#include "gui/driver.h"
#include "res/resource_ids.h"
#include "support/process.h"
#include "support/pump.h"
#include "support/scratch.h"
#include "uninstall/uninstall_fixture.h"
#include "uninstall/uninstall_worker.h"
#include "uninstall/uninstaller.h"

namespace {

volatile LONG g_restarts = 0;
volatile DWORD g_restartAnswer = ERROR_SUCCESS;
DWORD CountRestart() {
    InterlockedIncrement(&g_restarts);
    return g_restartAnswer;
}

BOOL CALLBACK CollectVisible(HWND window, LPARAM list) {
    if (IsWindowVisible(window)) reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
    return TRUE;
}

// The dialog on a thread of its own, whose message loop Reboot() ends.
class DialogThread {
public:
    explicit DialogThread(bool note) : note_(note) {
        thread_ = CreateThread(nullptr, 0, Run, this, 0, &threadId_);
    }
    ~DialogThread() {
        for (HWND w : Windows()) PostMessageW(w, WM_CLOSE, 0, 0);
        WaitForSingleObject(thread_, 20000);
        CloseHandle(thread_);
    }
    std::vector<HWND> Windows() const {
        std::vector<HWND> list;
        EnumThreadWindows(threadId_, CollectVisible, (LPARAM)&list);
        return list;
    }
    // The first visible window of the thread other than skip.
    HWND WaitWindow(HWND skip, DWORD ms) const {
        HWND found = nullptr;
        PumpUntil(
            [&] {
                for (HWND w : Windows())
                    if (w != skip) found = w;
                return found != nullptr;
            },
            ms);
        return found;
    }
    bool Ended(DWORD ms) const { return WaitForSingleObject(thread_, ms) == WAIT_OBJECT_0; }
    volatile int exitCode = -1;

private:
    static DWORD WINAPI Run(void* self) {
        DialogThread* t = static_cast<DialogThread*>(self);
        dlgUnInstall dialog(t->note_);
        t->exitCode = dialog.ExitCode();
        return 0;
    }
    bool note_;
    HANDLE thread_;
    DWORD threadId_ = 0;
};

// A restart the system started ends 1641 and signals the waiting installer;
// one it refused (as Wine does) ends 3010, restart still needed, and
// signals nothing.
TEST(UninstallDialog, StartedRestartShowsTheRerunNoteAndSignalsTheEvent) {
    struct {
        DWORD answer;
        int exitCode;
        bool signalled;
    } cases[] = {{ERROR_SUCCESS, kUninstallRestartStarted, true},
                 {ERROR_CALL_NOT_IMPLEMENTED, kUninstallRestartNeeded, false}};
    for (const auto& c : cases) {
    SCOPED_TRACE(c.answer);
    g_restartAnswer = c.answer;
    ScratchFolder files;
    ASSERT_TRUE(WriteBytes(files / L"a.txt", "a"));
    TestProduct product(L"BkTestRerun", L"<Program Files>BkTest Rerun");
    ASSERT_TRUE(product.Install("[CopyFile]\r\na.txt\r\n<Destination>a.txt\r\n[CopyFile]\r\na.txt\r\n<Destination>b.txt\r\n",
                                {{L"a.txt", files / L"a.txt"}}));
    std::wstring held = product.Folder() + L"b.txt";
    FileHolder holder(held);
    ASSERT_TRUE(holder.Held());

    g_restarts = 0;
    SetRestartHook(CountRestart);
    state.rerunEvent.Reset();
    state.caption = L"UnInstaller";
    state.uninstallLogPath = product.LogPath().c_str();
    state.projectName = ProjectNameFromLogPath(state.uninstallLogPath);
    state.installPath = InstallPathOfProduct(state.projectName);
    state.uninstallRebootRequired = false;
    state.uninstallFailed = false;
    {
        DialogThread run(true);
        HWND dialog = run.WaitWindow(nullptr, 20000);
        ASSERT_TRUE(dialog != nullptr);
        dlgUnInstall* uninstall = static_cast<dlgUnInstall*>(XWindow::FromHandle(dialog));
        ASSERT_TRUE(uninstall != nullptr);
        EXPECT_EQ(dlgUnInstall::kReady, uninstall->state);
        PostMessageW(dialog, WM_COMMAND, IDOK, 0);
        ASSERT_TRUE(PumpUntil([&] { return uninstall->state == dlgUnInstall::kFinished; }, 30000));
        Sleep(300);
        Picture finished = Capture(dialog);
        CreateDirectoryW(BinPath(L"screenshots").c_str(), nullptr);
        SaveBitmap(finished, BinPath(L"screenshots\\uninstall-restart-row-") + PrefixKind() + L".bmp");
        EXPECT_TRUE(state.uninstallRebootRequired);
        ASSERT_EQ(1, uninstall->restartList.RowCount());
        EXPECT_TRUE(uninstall->restartList.IsChecked(0));

        PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);  // Finish
        HWND countdown = run.WaitWindow(dialog, 20000);
        ASSERT_TRUE(countdown != nullptr);
        dlgRebooting* rebooting = static_cast<dlgRebooting*>(XWindow::FromHandle(countdown));
        ASSERT_TRUE(rebooting != nullptr);
        EXPECT_TRUE(rebooting->showRerunNote);
        Sleep(300);
        Picture p = Capture(countdown);
        CreateDirectoryW(BinPath(L"screenshots").c_str(), nullptr);
        SaveBitmap(p, BinPath(L"screenshots\\uninstall-countdown-") + PrefixKind() + L".bmp");
        int noteTop = rebooting->textTop + rebooting->DialogUnitsY(24);
        EXPECT_GT(DarkPixels(p, rebooting->DialogUnitsX(95), noteTop, p.width - 10, noteTop + rebooting->DialogUnitsY(14)),
                  50)
            << "Re-run install after restart";
        EXPECT_FALSE(state.rerunEvent.IsSignalled());
        PostMessageW(countdown, WM_COMMAND, IDC_REBOOT_NOW, 0);
        ASSERT_TRUE(run.Ended(20000));
        EXPECT_EQ(c.exitCode, run.exitCode);
    }
    EXPECT_EQ(1, g_restarts);
    EXPECT_EQ(c.signalled, state.rerunEvent.IsSignalled());

    state.rerunEvent.Reset();
    SetRestartHook(nullptr);
    state.caption = L"Setup";
    state.projectName = L"Setup";
    state.installPath = L"";
    state.uninstallLogPath = L"";
    state.uninstallRebootRequired = false;
    // The worker ran in this process: the restart must not take the test
    // program, nor, later, a file of that name another test installs.
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    EXPECT_TRUE(CancelPendingDelete(self));
    holder.Release();
    EXPECT_TRUE(CancelPendingDelete(held.c_str()));
    }
}

}  // namespace
