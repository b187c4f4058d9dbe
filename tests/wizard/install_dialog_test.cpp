// The wizard in a real window of this process, driven from the test thread
// while its modal loop runs on a thread of its own: the pages it walks
// through, the cancel question, the licence link, silent runs, and the
// rules that form the disk line and a chosen destination.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "app/installer_state.h"
#include "app/reboot.h"
#include "engine/finish_items.h"
#include "engine/install_worker.h"
#include "gui/driver.h"
#include "res/resource_ids.h"
#include "support/installed_product.h"
#include "support/message_recorder.h"
#include "support/process.h"
#include "support/scratch.h"
#include "support/test_package.h"
#include "wizard/install_dialog.h"

namespace {

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

void ResetInstallState() {
    state.silent = false;
    state.autoReboot = true;
    state.projectName = L"Setup";
    state.caption = L"Setup";
    state.installPath = L"";
    state.programVersion = L"";
    state.requiredKB = 0;
    state.allowUninstall = true;
    state.installAborted = false;
    state.installCancelled = false;
    state.uninstallRecordWritten = false;
    state.rebootRequired = false;
    state.finishActionsDone = 0;
    state.actionText = L"";
    state.actionChanged = false;
    state.progressTotal = state.progressDone = 0;
    ClearFinishItems();
}

// The wizard's modal loop on a thread of its own.
class WizardThread {
public:
    WizardThread() {
        thread_ = std::thread([this] {
            {
                dlgInstall wizard;
                exitCode_ = wizard.ExitCode();
            }
            ended_ = true;
        });
    }
    ~WizardThread() {
        if (!ended_ && window_) PostMessageW(window_, WM_CLOSE, 0, 0);
        if (!WaitEnd(30000)) ADD_FAILURE() << "the wizard did not end";
        thread_.join();
    }
    HWND Window(const wchar_t* caption) {
        window_ = WaitForWindow(L"#32770", caption, 20000);
        return window_;
    }
    bool WaitEnd(DWORD ms) {
        DWORD start = GetTickCount();
        while (!ended_ && GetTickCount() - start < ms) Sleep(20);
        return ended_;
    }
    bool Ended() const { return ended_; }
    int ExitCode() const { return exitCode_; }

private:
    std::thread thread_;
    std::atomic<bool> ended_{false};
    int exitCode_ = -1;
    HWND window_ = nullptr;
};

std::wstring ItemText(HWND window, int id) {
    wchar_t text[512] = L"";
    GetDlgItemTextW(window, id, text, 512);
    return text;
}

bool WaitForItemText(HWND window, int id, const wchar_t* text, DWORD ms) {
    DWORD start = GetTickCount();
    while (GetTickCount() - start < ms) {
        if (ItemText(window, id) == text) return true;
        Sleep(20);
    }
    return false;
}

// A script for one test: a unique product (the window is found by its
// caption), no uninstall record, and the test's own lines.
std::string Script(const std::string& name, const ScratchFolder& dir, const std::string& body) {
    return "[Project Name]\r\n" + name + "\r\n[NoUnInstall]\r\n[Install To]\r\n" + Narrow(dir / L"dest\\") +
           "\r\n" + body;
}

// A worker step that waits until the test signals the event: it keeps the
// wizard on its installing page, or, as a finish program, on its last page.
std::string HoldingProgram(const char* header, const ScratchFolder& dir, const std::wstring& event,
                           const char* options) {
    return std::string(header) + "\r\n" + Narrow(BinPath(L"test_helper.exe")) + "\r\nhold \"" +
           Narrow(dir / L"held.txt") + "\" " + Narrow(event) + "\r\n" + options + "\r\n";
}

struct OwnerSearch {
    HWND owner, found;
};
BOOL CALLBACK FindOwned(HWND window, LPARAM data) {
    OwnerSearch* s = reinterpret_cast<OwnerSearch*>(data);
    if (GetWindow(window, GW_OWNER) != s->owner || !IsWindowVisible(window)) return TRUE;
    s->found = window;
    return FALSE;
}
// A dialog the window owns (the licence dialog over the wizard).
HWND OwnedDialog(HWND owner) {
    OwnerSearch search = {owner, nullptr};
    EnumThreadWindows(GetWindowThreadProcessId(owner, nullptr), FindOwned, (LPARAM)&search);
    return search.found;
}

class WizardDialog : public testing::Test {
protected:
    void SetUp() override { ResetInstallState(); }
    void TearDown() override { ResetInstallState(); }
};

TEST(DiskLine, FreeSpaceTurnsToGigabytesOnlyWhenLargeAndAboveTheRequiredFigure) {
    EXPECT_STREQ(L"2 MB Required, 900 MB Free", DiskLine(2 * 1024, 900));
    EXPECT_STREQ(L"5 MB Required, 8 GB Free", DiskLine(5 * 1024, 9000));
    // 8 is not greater than 100: the figure stays in MB.
    EXPECT_STREQ(L"100 MB Required, 9000 MB Free", DiskLine(100 * 1024, 9000));
    // Empty entries: nothing to copy still reads as 1 MB.
    EXPECT_STREQ(L"1 MB Required, 900 MB Free", DiskLine(0, 900));
    EXPECT_STREQ(L"1 MB Required, 4000 MB Free", DiskLine(1023, 4000));
}

TEST(ChosenDestination, KeepsTheScriptsFolderNameUnderTheChosenFolder) {
    EXPECT_STREQ(L"D:\\Apps\\Tool\\", ChosenDestination(WString(L"D:\\Apps"), WString(L"C:\\Programs\\Tool\\")));
    EXPECT_STREQ(L"D:\\Apps\\Tool\\", ChosenDestination(WString(L"D:\\Apps\\"), WString(L"C:\\Programs\\Tool")));
    // Under a placeholder the folder name is kept too.
    EXPECT_STREQ(L"D:\\Apps\\Tool\\",
                 ChosenDestination(WString(L"D:\\Apps"), WString(L"<Program Files>Tool\\")));
    // A destination that ends in a placeholder, or names no folder
    // structure at all, leaves the chosen folder as it is.
    EXPECT_STREQ(L"D:\\Apps\\", ChosenDestination(WString(L"D:\\Apps"), WString(L"C:\\x\\<Program Files>")));
    EXPECT_STREQ(L"D:\\Apps\\", ChosenDestination(WString(L"D:\\Apps"), WString(L"<Program Files>")));
    EXPECT_STREQ(L"D:\\Apps\\", ChosenDestination(WString(L"D:\\Apps"), WString(L"Tool")));
    EXPECT_STREQ(L"D:\\", ChosenDestination(WString(L"D:\\"), WString(L"")));
}

TEST_F(WizardDialog, InstallRunsToTheFinishPageWithAnUntickedOption) {
    ScratchFolder dir;
    WriteBytes(dir / L"a.txt", "alpha");
    const wchar_t* event = L"bktest-wizard-finish-option";
    std::string body = "[CopyFile]\r\na.txt\r\n<Destination>a.txt\r\n"
                       "[CreateIcon]\r\n<Destination>a.txt\r\n" +
                       Narrow(dir / L"links\\A.lnk") + "\r\n\r\nOptional - Desktop Icon\r\n" +
                       HoldingProgram("[RunAndWaitFile]", dir, event, "Optional - Start Tool!");
    // The package holds the folder's files: a.txt among them.
    TestPackage package(dir.Path(), {}, Script("WizardFinish", dir, body));
    ASSERT_TRUE(package.Ready());
    MessageRecorder boxes;
    WizardThread wizard;
    HWND window = wizard.Window(L"WizardFinish Installer");
    ASSERT_TRUE(window);
    EXPECT_EQ(L"Install", ItemText(window, IDC_INSTALL));
    ASSERT_TRUE(ClickButton(window, IDC_INSTALL, false));
    ASSERT_TRUE(WaitForItemText(window, IDC_CANCEL, L"Finish", 30000));
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(window, IDC_PROGRESS)));
    EXPECT_EQ("alpha", ReadBytes(dir / L"dest\\a.txt"));

    HWND list = FindWindowExW(window, nullptr, L"ListBox", nullptr);
    ASSERT_TRUE(list);
    ASSERT_EQ(2, (int)SendMessageW(list, LB_GETCOUNT, 0, 0));
    wchar_t row[256];
    SendMessageW(list, LB_GETTEXT, 0, (LPARAM)row);
    EXPECT_STREQ(L"Create Icon: Desktop Icon: 1", row);
    SendMessageW(list, LB_GETTEXT, 1, (LPARAM)row);
    EXPECT_STREQ(L"Run Program: Start Tool: 0", row);

    // Finish carries out the ticked shortcut and leaves the unticked program.
    ASSERT_TRUE(ClickButton(window, IDC_CANCEL, false));
    ASSERT_TRUE(wizard.WaitEnd(30000));
    EXPECT_EQ(0, wizard.ExitCode());
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW((dir / L"links\\A.lnk").c_str()));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW((dir / L"held.txt").c_str()));
    EXPECT_EQ(2, state.finishActionsDone) << "both actions counted, ticked or not";
    EXPECT_TRUE(boxes.Shown().empty());
}

// Closing the window while the finish actions run (Alt+F4 reaches it
// through the system menu) waits for them: the dialog ends when they have.
TEST_F(WizardDialog, ClosingWhileTheFinishActionsRunWaitsForThem) {
    ScratchFolder dir;
    const wchar_t* event = L"bktest-wizard-finishing-close";
    HANDLE release = CreateEventW(nullptr, TRUE, FALSE, event);
    std::string program = HoldingProgram("[RunAndWaitFile]", dir, event, "Optional - Hold");
    TestPackage package(dir.Path(), {}, Script("WizardFinishing", dir, program));
    ASSERT_TRUE(package.Ready());
    MessageRecorder boxes;
    {
        WizardThread wizard;
        HWND window = wizard.Window(L"WizardFinishing Installer");
        ASSERT_TRUE(window);
        ASSERT_TRUE(ClickButton(window, IDC_INSTALL, false));
        ASSERT_TRUE(WaitForItemText(window, IDC_CANCEL, L"Finish", 30000));
        ASSERT_TRUE(ClickButton(window, IDC_CANCEL, false));
        for (DWORD start = GetTickCount(); GetFileAttributesW((dir / L"held.txt").c_str()) == INVALID_FILE_ATTRIBUTES &&
                                           GetTickCount() - start < 30000;)
            Sleep(20);
        PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
        PostMessageW(window, WM_CLOSE, 0, 0);
        Sleep(1000);
        EXPECT_TRUE(IsWindowVisible(window)) << "closed while the finish program runs";
        EXPECT_EQ(0, state.finishActionsDone);
        SetEvent(release);
        ASSERT_TRUE(wizard.WaitEnd(30000));
        EXPECT_EQ(0, wizard.ExitCode());
        EXPECT_EQ(1, state.finishActionsDone);
    }
    CloseHandle(release);
    EXPECT_TRUE(boxes.Shown().empty());
}

volatile LONG g_restarts = 0;
volatile DWORD g_restartAnswer = ERROR_SUCCESS;
DWORD CountRestart() {
    InterlockedIncrement(&g_restarts);
    return g_restartAnswer;
}

// The finish page's restart row, ticked: the countdown, whose "Reboot Now"
// ends 1641 when the system starts the restart and 3010 when it refuses;
// with "--noautoreboot" (an installer in a container) no countdown at all
// and 3010, the restart left to the container.
TEST_F(WizardDialog, RestartRowRunsTheCountdownUnlessHeldBack) {
    struct {
        bool autoReboot;
        DWORD answer;
        bool countdown;
        int exitCode;
    } cases[] = {
        {true, ERROR_SUCCESS, true, 1641},
        {true, ERROR_CALL_NOT_IMPLEMENTED, true, 3010},
        {false, ERROR_SUCCESS, false, 3010},
    };
    SetRestartHook(CountRestart);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.exitCode);
        ResetInstallState();
        g_restarts = 0;
        g_restartAnswer = c.answer;
        state.autoReboot = c.autoReboot;
        ScratchFolder dir;
        TestPackage package(dir.Path(), {}, Script("WizardRestart", dir, ""));
        ASSERT_TRUE(package.Ready());
        MessageRecorder boxes;
        WizardThread wizard;
        HWND window = wizard.Window(L"WizardRestart Installer");
        ASSERT_TRUE(window);
        // As a file replaced at the restart leaves it.
        state.rebootRequired = true;
        ASSERT_TRUE(ClickButton(window, IDC_INSTALL, false));
        ASSERT_TRUE(WaitForItemText(window, IDC_CANCEL, L"Finish", 30000));
        HWND list = FindWindowExW(window, nullptr, L"ListBox", nullptr);
        ASSERT_TRUE(list);
        wchar_t row[256] = L"";
        SendMessageW(list, LB_GETTEXT, 0, (LPARAM)row);
        EXPECT_STREQ(L"Restart Computer [Required to Finalize Setup]: 1", row);
        PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDC_CANCEL, BN_CLICKED), (LPARAM)GetDlgItem(window, IDC_CANCEL));
        if (c.countdown) {
            HWND countdown = WaitForProcessWindow(GetCurrentProcessId(), 20000, window);
            ASSERT_TRUE(countdown);
            EXPECT_FALSE(wizard.Ended());
            PostMessageW(countdown, WM_COMMAND, MAKEWPARAM(IDC_REBOOT_NOW, BN_CLICKED), 0);
        }
        ASSERT_TRUE(wizard.WaitEnd(20000));
        EXPECT_EQ(c.exitCode, wizard.ExitCode());
        EXPECT_EQ(c.countdown ? 1 : 0, g_restarts);
        EXPECT_TRUE(boxes.Shown().empty());
    }
    SetRestartHook(nullptr);
}

TEST_F(WizardDialog, CancelWhileInstallingNeedsYes) {
    ScratchFolder dir;
    const wchar_t* event = L"bktest-wizard-cancel";
    HANDLE release = CreateEventW(nullptr, TRUE, FALSE, event);
    TestPackage package(dir.Path(), {}, Script("WizardCancel", dir, HoldingProgram("[RunAndWaitFile]", dir, event, "")));
    ASSERT_TRUE(package.Ready());
    MessageRecorder boxes;
    boxes.Script({IDNO, IDYES});
    {
        WizardThread wizard;
        HWND window = wizard.Window(L"WizardCancel Installer");
        ASSERT_TRUE(window);
        ASSERT_TRUE(ClickButton(window, IDC_INSTALL, false));
        EXPECT_TRUE(IsWindowVisible(GetDlgItem(window, IDC_PROGRESS)));
        EXPECT_FALSE(IsWindowVisible(GetDlgItem(window, IDC_INSTALL)));

        ClickButton(window, IDC_CANCEL, false);
        Sleep(300);
        EXPECT_FALSE(wizard.Ended()) << "No keeps installing";
        EXPECT_FALSE(state.installAborted);
        ClickButton(window, IDC_CANCEL, false);
        // The held worker stops before its next line once released.
        SetEvent(release);
        ASSERT_TRUE(wizard.WaitEnd(30000));
        EXPECT_EQ(1602, wizard.ExitCode());
        EXPECT_TRUE(state.installAborted);
    }
    CloseHandle(release);
    ASSERT_EQ(2u, boxes.Shown().size());
    EXPECT_EQ(L"Cancel Install?", boxes.Shown()[0].text);
    EXPECT_EQ(L"WizardCancel Installer", boxes.Shown()[0].caption);
    EXPECT_EQ((UINT)(MB_YESNO | MB_ICONQUESTION), boxes.Shown()[0].style);
}

// The worker's commit, held until the test lets it go: its hook signals
// g_committing and waits for g_commit.
static HANDLE g_committing = nullptr;
static HANDLE g_commit = nullptr;
static void HoldCommit() {
    SetEvent(g_committing);
    WaitForSingleObject(g_commit, 30000);
}

// Yes to "Cancel Install?" after the worker has finished, or once it has
// begun to commit: the install is complete, so it ends as one, on the
// finish page, with its record.
static void CancelAnsweredLate(bool committing) {
    ScratchFolder dir;
    WriteBytes(dir / L"a.txt", "alpha");
    const std::wstring name = committing ? L"WizardCommitCancel" : L"WizardLateCancel";
    InstalledProduct product(name.c_str());
    const wchar_t* event = L"bktest-wizard-late-cancel";
    HANDLE release = CreateEventW(nullptr, TRUE, FALSE, event);
    g_committing = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    g_commit = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    SetCommitHook(committing ? HoldCommit : nullptr);
    std::string script = "[Project Name]\r\n" + Narrow(name) + "\r\n[Install To]\r\n" + Narrow(dir / L"dest\\") +
                         "\r\n[CopyFile]\r\na.txt\r\n<Destination>a.txt\r\n" +
                         HoldingProgram("[RunAndWaitFile]", dir, event, "");
    TestPackage package(dir.Path(), {}, script);
    ASSERT_TRUE(package.Ready());
    MessageRecorder boxes;
    boxes.Script({IDYES});
    dlgInstall* dialog = nullptr;
    // While the question is open the worker is let go, and runs to its
    // end or into its held commit.
    boxes.WhileOpen([&] {
        SetEvent(release);
        if (committing) {
            WaitForSingleObject(g_committing, 30000);
            return;
        }
        for (DWORD start = GetTickCount(); !dialog->worker.IsFinished() && GetTickCount() - start < 30000;) Sleep(20);
    });
    {
        WizardThread wizard;
        HWND window = wizard.Window((name + L" Installer").c_str());
        ASSERT_TRUE(window);
        dialog = static_cast<dlgInstall*>(XWindow::FromHandle(window));
        ASSERT_TRUE(dialog);
        ASSERT_TRUE(ClickButton(window, IDC_INSTALL, false));
        PostMessageW(window, WM_CLOSE, 0, 0);
        if (committing) {
            // The answer comes while the worker is held in its commit:
            // the dialog is given time to take it before the commit
            // goes on.
            WaitForSingleObject(g_committing, 30000);
            Sleep(500);
            SetEvent(g_commit);
        }
        ASSERT_TRUE(WaitForItemText(window, IDC_CANCEL, L"Finish", 30000));
        EXPECT_FALSE(wizard.Ended());
        EXPECT_FALSE(state.installAborted);
        EXPECT_FALSE(product.Value(L"UninstallString").empty()) << "the install is recorded";
        ClickButton(window, IDC_CANCEL, false);
        ASSERT_TRUE(wizard.WaitEnd(30000));
        EXPECT_EQ(0, wizard.ExitCode());
    }
    SetCommitHook(nullptr);
    CloseHandle(release);
    CloseHandle(g_committing);
    CloseHandle(g_commit);
    ASSERT_EQ(1u, boxes.Shown().size());
    EXPECT_EQ(L"Cancel Install?", boxes.Shown()[0].text);
    EXPECT_EQ("alpha", ReadBytes(dir / L"dest\\a.txt"));
}

TEST_F(WizardDialog, CancelAnsweredAfterTheWorkerFinishedKeepsTheInstall) { CancelAnsweredLate(false); }
TEST_F(WizardDialog, CancelAnsweredWhileTheWorkerCommitsKeepsTheInstall) { CancelAnsweredLate(true); }

TEST_F(WizardDialog, ClosingTheReadyPageEndsAtOnceAsCancelled) {
    ScratchFolder dir;
    TestPackage package(dir.Path(), {}, Script("WizardClose", dir, ""));
    ASSERT_TRUE(package.Ready());
    MessageRecorder boxes;
    WizardThread wizard;
    HWND window = wizard.Window(L"WizardClose Installer");
    ASSERT_TRUE(window);
    PostMessageW(window, WM_CLOSE, 0, 0);
    ASSERT_TRUE(wizard.WaitEnd(10000));
    EXPECT_EQ(1602, wizard.ExitCode());
    EXPECT_TRUE(boxes.Shown().empty());
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW((dir / L"dest").c_str())) << "nothing installed";
}

TEST_F(WizardDialog, LicenceLinkOpensTheLicenceText) {
    ScratchFolder dir;
    // Bytes of the ANSI code page: the box shows them converted.
    WriteBytes(dir / L"licence.txt", "Terms of use\r\nCaf\xe9 clause\r\n");
    TestPackage package(dir.Path(), {{L"setup.lic", dir / L"licence.txt"}}, Script("WizardLicence", dir, ""));
    ASSERT_TRUE(package.Ready());
    WizardThread wizard;
    HWND window = wizard.Window(L"WizardLicence Installer");
    ASSERT_TRUE(window);
    HWND link = GetDlgItem(window, IDC_LICENSE_LINK);
    // The caption that found the window is set before the link is shown,
    // both while the wizard's thread runs its OnInit.
    for (DWORD start = GetTickCount(); !IsWindowVisible(link) && GetTickCount() - start < 5000; Sleep(20)) {
    }
    EXPECT_TRUE(IsWindowVisible(link));
    NMHDR click = {link, (UINT_PTR)IDC_LICENSE_LINK, (UINT)NM_CLICK};
    // Posted work: the licence dialog's modal loop runs on the wizard's
    // thread, so the notification is sent from a thread of its own.
    std::thread notifier([&] { SendMessageW(window, WM_NOTIFY, IDC_LICENSE_LINK, (LPARAM)&click); });
    HWND licence = nullptr;
    for (DWORD start = GetTickCount(); !licence && GetTickCount() - start < 10000; Sleep(20))
        licence = OwnedDialog(window);
    EXPECT_TRUE(licence);
    if (licence) {
        EXPECT_EQ(L"Terms of use\r\nCaf\u00e9 clause\r\n", ItemText(licence, IDC_LICENSE_TEXT));
        // Its own close button at the top right, and the picture of it.
        bool closeButton = false;
        for (const ControlInfo& c : ListControls(licence))
            if (c.text == L"Close" && _wcsicmp(c.className.c_str(), L"Static") == 0) closeButton = true;
        EXPECT_TRUE(closeButton);
        Sleep(300);
        RedrawWindow(licence, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        Sleep(200);
        CreateDirectoryW(BinPath(L"screenshots").c_str(), nullptr);
        SaveBitmap(Capture(licence), BinPath(L"screenshots\\wizard-licence-") + PrefixKind() + L".bmp");
        ClickButton(licence, IDOK, false);
    }
    notifier.join();
    EXPECT_FALSE(IsWindow(licence));
    EXPECT_FALSE(wizard.Ended()) << "the wizard stays on its ready page";
    PostMessageW(window, WM_CLOSE, 0, 0);
}

TEST_F(WizardDialog, SilentInstallWithoutOptionsEndsByItself) {
    ScratchFolder dir;
    WriteBytes(dir / L"a.txt", "alpha");
    state.silent = true;
    TestPackage package(dir.Path(), {},
                        Script("WizardSilent", dir, "[CopyFile]\r\na.txt\r\n<Destination>a.txt\r\n"));
    ASSERT_TRUE(package.Ready());
    MessageRecorder boxes;
    WizardThread wizard;
    ASSERT_TRUE(wizard.WaitEnd(30000));
    EXPECT_EQ(0, wizard.ExitCode());
    EXPECT_EQ("alpha", ReadBytes(dir / L"dest\\a.txt"));
    EXPECT_TRUE(boxes.Shown().empty());
}

TEST_F(WizardDialog, SilentInstallThatFailsEndsByItselfAsFailed) {
    ScratchFolder dir;
    state.silent = true;
    WriteBytes(dir / L"a.txt", "alpha");
    // No file can have that name: the copy fails, its Retry/Cancel box is
    // answered Cancel, and the worker aborts.
    TestPackage package(dir.Path(), {}, Script("WizardFails", dir, "[CopyFile]\r\na.txt\r\n<Destination>a|b.txt\r\n"));
    ASSERT_TRUE(package.Ready());
    MessageRecorder boxes;
    WizardThread wizard;
    ASSERT_TRUE(wizard.WaitEnd(30000)) << "a silent failure must not wait for a person";
    EXPECT_EQ(1603, wizard.ExitCode());
    EXPECT_TRUE(state.installAborted);
    EXPECT_FALSE(state.installCancelled);
    ASSERT_EQ(1u, boxes.Shown().size());
    EXPECT_NE(std::wstring::npos, boxes.Shown()[0].text.find(L"disk may be full")) << boxes.Shown()[0].text;
}

DWORD WINAPI DoNothing(void*) { return 0; }

// Reserves the free address space in blocks down to half a megabyte: no
// thread stack fits in what is left. Released on destruction.
class AddressSpaceExhausted {
public:
    AddressSpaceExhausted() {
        for (SIZE_T size = 256u << 20; size >= (512u << 10); size /= 2)
            while (void* block = VirtualAlloc(nullptr, size, MEM_RESERVE, PAGE_NOACCESS)) blocks_.push_back(block);
    }
    ~AddressSpaceExhausted() {
        for (void* block : blocks_) VirtualFree(block, 0, MEM_RELEASE);
    }
    bool ThreadCannotStart() const {
        HANDLE thread = CreateThread(nullptr, 0, DoNothing, nullptr, 0, nullptr);
        if (!thread) return true;
        WaitForSingleObject(thread, INFINITE);
        CloseHandle(thread);
        return false;
    }

private:
    std::vector<void*> blocks_;
};

// A worker that cannot be started installs nothing: the wizard reports the
// failure and records nothing, with 1603.
TEST_F(WizardDialog, WorkerThatCannotStartIsAFailedInstall) {
    ScratchFolder dir;
    WriteBytes(dir / L"a.txt", "alpha");
    TestPackage package(dir.Path(), {}, Script("WizardNoWorker", dir, "[CopyFile]\r\na.txt\r\n<Destination>a.txt\r\n"));
    ASSERT_TRUE(package.Ready());
    MessageRecorder boxes;
    WizardThread wizard;
    HWND window = wizard.Window(L"WizardNoWorker Installer");
    ASSERT_TRUE(window);
    {
        AddressSpaceExhausted full;
        ASSERT_TRUE(full.ThreadCannotStart());
        ClickButton(window, IDC_INSTALL, false);
    }
    ASSERT_TRUE(WaitForItemText(window, IDC_CANCEL, L"Finish", 30000));
    EXPECT_TRUE(state.installAborted);
    ClickButton(window, IDC_CANCEL, false);
    ASSERT_TRUE(wizard.WaitEnd(30000));
    EXPECT_EQ(1603, wizard.ExitCode());
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW((dir / L"dest\\a.txt").c_str()));
}

}  // namespace
