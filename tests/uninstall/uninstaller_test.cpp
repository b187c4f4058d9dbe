// The installed product's own uninstaller: the real installer executable as
// the uninstaller copy, started the way the Uninstall entry says, its
// dialog driven from here as a user would.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "app/installer_state.h"
#include "base/registry.h"
#include "engine/pending_delete.h"
#include "engine/uninstall_record.h"
#include "gui/driver.h"
#include "res/resource_ids.h"
#include "support/display_dpi.h"
#include "support/machine_registry.h"
#include "support/process.h"
#include "support/scratch.h"
#include "ui/scale.h"
#include "uninstall/uninstall_fixture.h"

namespace {

const wchar_t kNoRights[] =
    L"Uninstaller requires Administrator rights, change this account to an Administrator, then retry the uninstall.";

std::string Narrow(const std::wstring& text) { return std::string(WString(text.c_str()).ToAnsi()); }

std::string CopySection(const std::wstring& entry, const std::wstring& destination) {
    return "[CopyFile]\r\n" + Narrow(entry) + "\r\n" + Narrow(destination) + "\r\n";
}

// The uninstaller as its own process; its boxes are recorded, not shown.
class Uninstaller {
public:
    explicit Uninstaller(const std::wstring& commandLine) {
        boxes_ = scratch_ / L"boxes.txt";
        SetEnvironmentVariableW(L"BRASK_TEST_MSGBOX", boxes_.c_str());
        started_ = process_.Start(commandLine);
        SetEnvironmentVariableW(L"BRASK_TEST_MSGBOX", nullptr);
    }
    bool Started() const { return started_; }
    HWND Window() {
        if (!window_) window_ = WaitForProcessWindow(process_.Id(), 30000);
        return window_;
    }
    DWORD Wait(DWORD ms) { return process_.Wait(ms); }
    std::vector<ShownMessage> Boxes() const { return ReadMessageLog(boxes_); }
    ControlInfo Control(int id) {
        for (const ControlInfo& c : ListControls(Window()))
            if (c.id == id) return c;
        return ControlInfo{};
    }
    // The list of the finished page, when it shows.
    HWND RestartList() {
        for (HWND child = GetWindow(Window(), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
            wchar_t name[32] = {};
            GetClassNameW(child, name, 32);
            if (_wcsicmp(name, L"ListBox") == 0) return child;
        }
        return nullptr;
    }
    // Uninstall pressed, the removal awaited: the finished page's restart
    // row list, or null.
    HWND RemoveUpToTheRestartRow() {
        if (!Window() || !ClickButton(Window(), IDOK, false) || !WaitFinished(30000)) return nullptr;
        return RestartList();
    }
    // Waits until the finished page's button reads "Finish".
    bool WaitFinished(DWORD ms) {
        DWORD start = GetTickCount();
        while (GetTickCount() - start < ms) {
            if (Control(IDCANCEL).text == L"Finish") return true;
            Sleep(50);
        }
        return false;
    }
    void Shot(const wchar_t* name) {
        CreateDirectoryW(BinPath(L"screenshots").c_str(), nullptr);
        // The page is painted from the window's timer: give it one.
        Sleep(400);
        picture = Capture(Window());
        SaveBitmap(picture, BinPath(L"screenshots\\") + name + L"-" + PrefixKind() + L".bmp");
    }
    Picture picture;

private:
    ScratchFolder scratch_;
    std::wstring boxes_;
    ChildProcess process_;
    HWND window_ = nullptr;
    bool started_ = false;

public:
    DWORD Id() const { return process_.Id(); }
};

class ProductUninstaller : public ProductFilesTest {
protected:
    // A product of two files, its uninstaller the real one.
    bool InstallSimple(TestProduct& product, const std::string& extra = "") {
        Entries entries = {{L"a.txt", File("a.txt", "a")}, {L"b.txt", File("b.txt", "b")}};
        return product.Install(CopySection(L"a.txt", L"<Destination>a.txt") +
                                   CopySection(L"b.txt", L"<Destination>data\\b.txt") + extra,
                               entries) &&
               product.UseRealUninstaller();
    }
    bool Removed(TestProduct& product) {
        return !Exists(product.Folder()) && !Exists(product.LogPath()) && product.UninstallString().empty();
    }
    void TearDown() override {
        // The copy that ran scheduled its own deletion; the restart of a
        // later test does it, as Windows would.
        state.rerunEvent.Reset();
    }
};

// The whole flow a user sees: the three pages, with Cancel and Alt+F4 held
// off while the removal runs (an uninstall action keeps it running until
// the test lets go).
TEST_F(ProductUninstaller, UninstallStringShowsTheDialogAndRemovesTheProduct) {
    TestProduct product(L"BkTestGui", L"<Program Files>BkTest Gui");
    std::wstring event = L"bktest-gui-" + std::to_wstring(GetCurrentProcessId());
    std::wstring held = File("held.txt", "held");
    HANDLE release = CreateEventW(nullptr, TRUE, FALSE, event.c_str());
    HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, (event + L"-ready").c_str());
    ASSERT_TRUE(InstallSimple(product, "[UninstallAction]\r\n" + Narrow(BinPath(L"test_helper.exe")) + "\r\nhold \"" +
                                           Narrow(held) + "\" " + Narrow(event) + "\r\n"));
    std::wstring command = product.UninstallString();
    ASSERT_EQ(L"\"" + product.CopyPath() + L"\" --uninstall=\"" + product.LogPath() + L"\"", command);

    Uninstaller run(command);
    ASSERT_TRUE(run.Started());
    HWND window = run.Window();
    ASSERT_TRUE(window != nullptr);
    wchar_t caption[64] = {};
    GetWindowTextW(window, caption, 64);
    EXPECT_STREQ(L"UnInstaller", caption);
    EXPECT_TRUE(run.Control(IDOK).visible);
    EXPECT_EQ(L"Uninstall", run.Control(IDOK).text);
    EXPECT_FALSE(run.Control(IDC_PROGRESS).visible);
    run.Shot(L"uninstall-ready");
    // The header, the page title and the question are drawn.
    EXPECT_GT(DarkPixels(run.picture, 0, 0, run.picture.width, run.picture.height / 3), 200);
    EXPECT_GT(DarkPixels(run.picture, run.picture.width / 4, run.picture.height / 3, run.picture.width,
                         run.picture.height * 2 / 3),
              100);

    ASSERT_TRUE(ClickButton(window, IDOK, false));
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(ready, 30000)) << "the uninstall action runs";
    EXPECT_FALSE(run.Control(IDOK).visible);
    EXPECT_TRUE(run.Control(IDC_PROGRESS).visible);
    EXPECT_FALSE(run.Control(IDCANCEL).enabled);
    run.Shot(L"uninstall-progress");
    // Neither the Cancel command (Escape gives the same) nor Alt+F4 ends it.
    ASSERT_TRUE(ClickButton(window, IDCANCEL, true));
    PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ((DWORD)-1, run.Wait(1500));
    EXPECT_TRUE(IsWindow(window));
    EXPECT_TRUE(Exists(product.Folder() + L"a.txt")) << "actions run before anything is removed";

    SetEvent(release);
    ASSERT_TRUE(run.WaitFinished(30000));
    EXPECT_TRUE(run.Control(IDCANCEL).enabled);
    EXPECT_TRUE(run.RestartList() == nullptr) << "no restart needed";
    run.Shot(L"uninstall-finished");
    EXPECT_GT(DarkPixels(run.picture, run.picture.width / 4, run.picture.height / 3, run.picture.width,
                         run.picture.height * 2 / 3),
              100);
    ASSERT_TRUE(ClickButton(window, IDCANCEL, false));
    EXPECT_EQ(0u, run.Wait(30000));
    EXPECT_TRUE(run.Boxes().empty());
    EXPECT_TRUE(Removed(product));
    EXPECT_FALSE(state.rerunEvent.IsSignalled());
    CloseHandle(release);
    CloseHandle(ready);
}

TEST_F(ProductUninstaller, CancelOnTheFirstPageRemovesNothing) {
    TestProduct product(L"BkTestCancel", L"<Program Files>BkTest Cancel");
    ASSERT_TRUE(InstallSimple(product));
    Uninstaller run(product.UninstallString());
    ASSERT_TRUE(run.Window() != nullptr);
    ASSERT_TRUE(ClickButton(run.Window(), IDCANCEL, false));
    EXPECT_EQ(1602u, run.Wait(30000));
    EXPECT_TRUE(Exists(product.Folder() + L"a.txt"));
    EXPECT_TRUE(Exists(product.LogPath()));
    EXPECT_FALSE(product.UninstallString().empty());
    // Nor did it schedule its own deletion.
    EXPECT_FALSE(CancelPendingDelete(product.CopyPath().c_str()));
}

// Deployment tools run the quiet command and read the exit code; nothing
// waits for a click.
TEST_F(ProductUninstaller, QuietUninstallStringRemovesTheProductUnattended) {
    TestProduct product(L"BkTestQuiet", L"<Program Files>BkTest Quiet");
    ASSERT_TRUE(InstallSimple(product));
    std::wstring quiet = product.QuietUninstallString();
    EXPECT_EQ(L"\"" + product.CopyPath() + L"\" --silent --uninstall=\"" + product.LogPath() + L"\"", quiet);
    ProcessResult r = RunProcess(quiet, {}, 60000);
    ASSERT_TRUE(r.started);
    EXPECT_FALSE(r.timedOut);
    EXPECT_EQ(0u, r.exitCode);
    EXPECT_TRUE(Removed(product));
    // The running copy goes at the restart, with the folder it leaves empty
    // unless another product's record is still there.
    ASSERT_TRUE(RestartWindows());
    EXPECT_FALSE(Exists(product.CopyPath()));
}

// Earlier releases wrote " --silent" after the log path.
TEST_F(ProductUninstaller, QuietCommandOfTheEarlierFormStillRemovesTheProduct) {
    TestProduct product(L"BkTestOldQuiet", L"<Program Files>BkTest OldQuiet");
    ASSERT_TRUE(InstallSimple(product));
    ProcessResult r = RunProcess(product.UninstallString() + L" --silent", {}, 60000);
    ASSERT_TRUE(r.started);
    EXPECT_FALSE(r.timedOut);
    EXPECT_EQ(0u, r.exitCode);
    EXPECT_TRUE(Removed(product));
}

TEST_F(ProductUninstaller, OlderUninstallFormWithTheLogPath) {
    TestProduct product(L"BkTestOldForm", L"<Program Files>BkTest OldForm");
    for (const std::wstring& log : {L"\"" + product.LogPath() + L"\"", product.LogPath()}) {
        ASSERT_TRUE(InstallSimple(product));
        ProcessResult r = RunProcess(L"\"" + product.CopyPath() + L"\" --silent <uninstall>" + log, {}, 60000);
        ASSERT_TRUE(r.started);
        EXPECT_EQ(0u, r.exitCode) << Narrow(log);
        EXPECT_TRUE(Removed(product)) << Narrow(log);
    }
}

TEST_F(ProductUninstaller, MissingLogRemovesNothingAndFails) {
    TestProduct product(L"BkTestGone", L"<Program Files>BkTest Gone");
    ASSERT_TRUE(InstallSimple(product));
    ASSERT_TRUE(DeleteFileW(product.LogPath().c_str()));
    ProcessResult r = RunProcess(product.QuietUninstallString(), {}, 60000);
    ASSERT_TRUE(r.started);
    EXPECT_EQ(1603u, r.exitCode);
    EXPECT_TRUE(Exists(product.Folder() + L"a.txt"));
    EXPECT_FALSE(product.UninstallString().empty());
    EXPECT_FALSE(CancelPendingDelete(product.CopyPath().c_str())) << "the uninstaller stays";
}

// Only a record is replayed: a record's name, in an uninstall folder,
// holding a script. Anything else removes nothing, not even itself.
TEST_F(ProductUninstaller, OnlyARecordIsReplayed) {
    TestProduct product(L"BkTestOrdinary", L"<Program Files>BkTest Ordinary");
    ASSERT_TRUE(InstallSimple(product));
    std::wstring folder = product.LogPath().substr(0, product.LogPath().rfind(L'\\') + 1);
    std::string record = ReadBytes(product.LogPath());
    std::wstring notRecord = folder + L"BraskUninstall-BkTestOrdinary2.dat";
    struct {
        std::wstring path;
        std::string bytes;  // none: the file is not there
    } cases[] = {
        {File("BkTestOrdinary.txt", record), record},
        {File("BraskUninstall-BkTestOrdinary.dat", record), record},
        {notRecord, "no script here\r\n"},
        {folder + L"BraskUninstall-BkTestOrdinry.dat", ""},
    };
    for (auto& c : cases) {
        if (!c.bytes.empty()) {
            ASSERT_TRUE(WriteBytes(c.path, c.bytes));
        }
        for (bool silent : {true, false}) {
            std::wstring boxes = files / L"boxes.txt";
            DeleteFileW(boxes.c_str());
            ProcessResult r = RunProcess(L"\"" + product.CopyPath() + (silent ? L"\" --silent" : L"\"") +
                                             L" --uninstall=\"" + c.path + L"\"",
                                         {{L"BRASK_TEST_MSGBOX", boxes}}, 30000);
            ASSERT_TRUE(r.started);
            EXPECT_FALSE(r.timedOut) << Narrow(c.path);
            EXPECT_EQ(1603u, r.exitCode) << Narrow(c.path);
            std::vector<ShownMessage> shown = ReadMessageLog(boxes);
            if (silent) {
                EXPECT_TRUE(shown.empty()) << Narrow(c.path);
            } else {
                ASSERT_EQ(1u, shown.size()) << Narrow(c.path);
                EXPECT_EQ(L"Unable to open the uninstall log '" + c.path + L"', nothing has been removed.",
                          shown[0].text);
            }
            EXPECT_EQ(!c.bytes.empty(), Exists(c.path)) << Narrow(c.path);
        }
    }
    DeleteFileW(notRecord.c_str());
    EXPECT_TRUE(Exists(product.Folder() + L"a.txt"));
    EXPECT_TRUE(Exists(product.LogPath()));
    EXPECT_FALSE(product.UninstallString().empty());
    EXPECT_FALSE(CancelPendingDelete(product.CopyPath().c_str())) << "the uninstaller stays";
}

// The installer's write test creates "BraskInstaller.TMP" in the Program
// Files folder; a folder of that name makes it fail as it would for a user
// without rights.
class NoProgramFilesRights {
public:
    NoProgramFilesRights() : path_(Expanded(L"<Program Files>BraskInstaller.TMP")) {
        CreateDirectoryW(path_.c_str(), nullptr);
    }
    ~NoProgramFilesRights() { RemoveDirectoryW(path_.c_str()); }

private:
    std::wstring path_;
};

TEST_F(ProductUninstaller, RelaunchedCopyWithoutRightsSaysSoAndRemovesNothing) {
    TestProduct product(L"BkTestNoRights", L"<Program Files>BkTest NoRights");
    ASSERT_TRUE(InstallSimple(product));
    NoProgramFilesRights noRights;
    {
        Uninstaller run(L"\"" + product.CopyPath() + L"\" --IsElevated --uninstall=\"" + product.LogPath() + L"\"");
        ASSERT_TRUE(run.Started());
        EXPECT_EQ(1603u, run.Wait(30000));
        std::vector<ShownMessage> boxes = run.Boxes();
        ASSERT_EQ(1u, boxes.size());
        EXPECT_EQ(kNoRights, boxes[0].text);
        EXPECT_EQ(L"UnInstaller", boxes[0].caption);
        EXPECT_EQ((UINT)MB_ICONERROR, boxes[0].style);
    }
    // The first copy relaunches itself through "runas" with "--IsElevated";
    // Wine starts it with the same rights, so it is that copy that stops.
    {
        Uninstaller run(product.UninstallString());
        ASSERT_TRUE(run.Started());
        EXPECT_EQ(1603u, run.Wait(30000));
        std::vector<ShownMessage> boxes = run.Boxes();
        ASSERT_EQ(1u, boxes.size());
        EXPECT_EQ(kNoRights, boxes[0].text);
    }
    EXPECT_TRUE(Exists(product.Folder() + L"a.txt"));
    EXPECT_TRUE(Exists(product.LogPath()));
    EXPECT_FALSE(product.UninstallString().empty());
}

// A file in use: the finished page offers the restart; unticked, Finish
// ends without a countdown and without signalling the event.
TEST_F(ProductUninstaller, FileInUseOffersTheRestartAndUntickedFinishEndsWithout) {
    TestProduct product(L"BkTestInUse", L"<Program Files>BkTest InUse");
    ASSERT_TRUE(InstallSimple(product));
    std::wstring held = product.Folder() + L"data\\b.txt";
    FileHolder holder(held);
    ASSERT_TRUE(holder.Held());
    Uninstaller run(product.UninstallString());
    HWND list = run.RemoveUpToTheRestartRow();
    ASSERT_TRUE(list != nullptr);
    wchar_t text[128] = {};
    SendMessageW(list, LB_GETTEXT, 0, (LPARAM)text);
    EXPECT_STREQ(L"Restart Computer [Required to Finalize Uninstall]: 1", text);
    run.Shot(L"uninstall-restart");
    // A click on the check icon unticks it.
    POINT p = {Scale(28) + Scale(8), Scale(21) / 2};
    ClientToScreen(list, &p);
    SetCursorPos(p.x, p.y);
    INPUT input[2] = {};
    input[0].type = input[1].type = INPUT_MOUSE;
    input[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    input[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(2, input, sizeof input[0]);
    Sleep(500);
    ASSERT_TRUE(ClickButton(run.Window(), IDCANCEL, false));
    EXPECT_EQ(3010u, run.Wait(20000)) << "no countdown: the row was unticked";
    EXPECT_FALSE(state.rerunEvent.IsSignalled());
    EXPECT_FALSE(Exists(product.Folder() + L"a.txt"));
    EXPECT_TRUE(Exists(held));
    holder.Release();
    ASSERT_TRUE(RestartWindows());
    EXPECT_FALSE(Exists(product.Folder()));
}

// The restart row is 21 pixels high scaled to the display, like the
// wizard's; and "Reboot Now", which Wine's restart call refuses, ends with
// the restart still needed, signalling no installer.
TEST_F(ProductUninstaller, RestartRowIsScaledAndARefusedRestartEndsNeeded) {
    for (DWORD dpi : {96u, 144u}) {
        SCOPED_TRACE(dpi);
        TestProduct product(L"BkTestRowHeight", L"<Program Files>BkTest RowHeight");
        ASSERT_TRUE(InstallSimple(product));
        std::wstring held = product.Folder() + L"data\\b.txt";
        FileHolder holder(held);
        ASSERT_TRUE(holder.Held());
        DisplayDpi display(dpi);
        Uninstaller run(product.UninstallString());
        HWND list = run.RemoveUpToTheRestartRow();
        ASSERT_TRUE(list != nullptr);
        EXPECT_EQ((LRESULT)(21 * dpi / 96), SendMessageW(list, LB_GETITEMHEIGHT, 0, 0));
        // Posted: the countdown's loop runs inside the button's handling.
        PostMessageW(run.Window(), WM_COMMAND, IDCANCEL, 0);
        HWND countdown = WaitForProcessWindow(run.Id(), 20000, run.Window());
        ASSERT_TRUE(countdown != nullptr);
        PostMessageW(countdown, WM_COMMAND, IDC_REBOOT_NOW, 0);
        EXPECT_EQ(3010u, run.Wait(20000));
        EXPECT_FALSE(state.rerunEvent.IsSignalled());
        holder.Release();
        ASSERT_TRUE(RestartWindows());
    }
}

TEST_F(ProductUninstaller, SilentWithNoAutoRebootEndsWithRestartNeeded) {
    TestProduct product(L"BkTestNoReboot", L"<Program Files>BkTest NoReboot");
    ASSERT_TRUE(InstallSimple(product));
    std::wstring held = product.Folder() + L"data\\b.txt";
    FileHolder holder(held);
    ASSERT_TRUE(holder.Held());
    ProcessResult r = RunProcess(
        L"\"" + product.CopyPath() + L"\" --noautoreboot --silent --uninstall=\"" + product.LogPath() + L"\"", {},
        60000);
    ASSERT_TRUE(r.started);
    EXPECT_FALSE(r.timedOut);
    EXPECT_EQ(3010u, r.exitCode);
    EXPECT_FALSE(Exists(product.Folder() + L"a.txt"));
    EXPECT_TRUE(product.UninstallString().empty());
    holder.Release();
    ASSERT_TRUE(RestartWindows());
    EXPECT_FALSE(Exists(product.Folder()));
}

}  // namespace
