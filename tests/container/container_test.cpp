// Container mode in this process: real installers (test_helper copies)
// extracted from a real package and run one after another behind the real
// progress window.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <thread>

#include "app/installer_state.h"
#include "app/language.h"
#include "app/reboot.h"
#include "base/texts.h"
#include "container/chain_outcome.h"
#include "container/container.h"
#include "container/container_dialog.h"
#include "container/container_fixture.h"
#include "container/variants.h"
#include "gui/driver.h"
#include "support/machine_registry.h"
#include "support/message_recorder.h"
#include "support/process.h"
#include "support/test_package.h"
#include "ui/script_font.h"

namespace {

const char kContainer[] = "[Project Name]\r\nSuite\r\n[InstallContainer]\r\n";

int g_restarts = 0;
DWORD CountRestart() {
    g_restarts++;
    return ERROR_SUCCESS;
}

// The installer state a container reads, restored afterwards.
class ContainerState {
public:
    ContainerState() : silent_(state.silent), autoReboot_(state.autoReboot), wow64_(state.isWow64) {
        g_restarts = 0;
        SetRestartHook(CountRestart);
    }
    ~ContainerState() {
        SetRestartHook(nullptr);
        state.silent = silent_;
        state.autoReboot = autoReboot_;
        state.isWow64 = wow64_;
    }

private:
    bool silent_, autoReboot_;
    BOOL wow64_;
};

BOOL CALLBACK AddOwnDialog(HWND window, LPARAM list) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    wchar_t name[16] = {0};
    GetClassNameW(window, name, 16);
    if (process == GetCurrentProcessId() && IsWindowVisible(window) && !wcscmp(name, L"#32770"))
        reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
    return TRUE;
}

// The visible dialogs of this process.
std::vector<HWND> OwnDialogs() {
    std::vector<HWND> found;
    EnumWindows(AddOwnDialog, (LPARAM)&found);
    return found;
}

DWORD RunHere(bool* ran = nullptr) {
    DWORD code = 12345;
    bool container = RunContainer(code);
    if (ran) *ran = container;
    return code;
}

template <typename Condition>
bool WaitFor(Condition done, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > timeoutMs) return false;
        Sleep(20);
    }
    return true;
}

TEST(ContainerChoice, VariantDecision) {
    struct {
        bool variants, forceSwitch, rightShift, wow64, registry;
        bool force32, use64, use32;
    } cases[] = {
        {false, true, true, true, true, false, false, false},  // no variants: nothing decided
        {true, false, false, true, false, false, true, false},
        {true, false, false, false, false, false, false, true},
        {true, true, false, true, false, true, false, true},
        {true, false, true, true, false, true, false, true},
        {true, false, false, true, true, true, false, true},
        {true, false, false, false, true, true, false, true},
    };
    for (auto& c : cases) {
        bool registry = c.registry;
        static bool s_registry;
        s_registry = registry;
        VariantChoice choice = ChooseVariants(c.variants, c.forceSwitch, c.rightShift, c.wow64, [] { return s_registry; });
        EXPECT_EQ(c.force32, choice.force32) << &c - cases;
        EXPECT_EQ(c.use64, choice.use64) << &c - cases;
        EXPECT_EQ(c.use32, choice.use32) << &c - cases;
    }
    VariantChoice wide, narrow, none;
    wide.use64 = true;
    narrow.use32 = true;
    EXPECT_TRUE(PassesVariantFilter(wide, true, L"a__BKI_WIN64.exe"));
    EXPECT_FALSE(PassesVariantFilter(wide, true, L"a.exe"));
    EXPECT_FALSE(PassesVariantFilter(narrow, true, L"a__BKI_WIN64.exe"));
    EXPECT_TRUE(PassesVariantFilter(narrow, true, L"a.exe"));
    EXPECT_TRUE(PassesVariantFilter(none, false, L"a.exe"));
    EXPECT_FALSE(IsInstallerEntry(L"setup.dat"));
    EXPECT_FALSE(IsInstallerEntry(L"SETUP.bmp"));
    EXPECT_FALSE(IsInstallerEntry(L"Setup"));
    EXPECT_FALSE(IsInstallerEntry(L"SETUP.LNG.pt-BR"));
    EXPECT_TRUE(IsInstallerEntry(L"setup2.exe"));
    EXPECT_TRUE(IsInstallerEntry(L"tools\\a.exe"));
}

TEST(ContainerChoice, ExitCodeFromTheInstallersCodes) {
    struct {
        std::vector<DWORD> codes;  // 99999: could not be started
        DWORD expected;
    } cases[] = {
        {{}, 0},
        {{0, 0}, 0},
        {{0, 3010, 0}, 3010},
        {{3010, 1641}, 1641},
        {{1602, 3010}, 1602},
        {{1602, 7, 0}, 1603},
        {{99999, 0}, 1603},
        {{1603, 1602, 3010}, 1603},
        // Windows is going down: that is what the caller must hear.
        {{1603, 1641}, 1641},
    };
    for (auto& c : cases) {
        ChainOutcome outcome;
        for (DWORD code : c.codes) outcome.Add(code != 99999, code);
        EXPECT_EQ(c.expected, outcome.ExitCode()) << &c - cases;
    }
}

TEST(Container, ScriptWithoutTheLineIsNoContainer) {
    ContainerState saved;
    ContainerFolder folder;
    TestPackage package(folder.dir.Path(), folder.Installers({L"a.exe"}), "[Project Name]\r\nSuite\r\n");
    ASSERT_TRUE(package.Ready());
    bool ran = true;
    RunHere(&ran);
    EXPECT_FALSE(ran);
    EXPECT_TRUE(folder.Runs().empty());
}

// Joins the thread running the chain whatever the test's checks did.
class ChainThread {
public:
    explicit ChainThread(std::function<void()> run) : thread_([this, run] {
        run();
        done = true;
    }) {}
    ~ChainThread() { thread_.join(); }
    std::atomic<bool> done{false};

private:
    std::thread thread_;
};

// The chain's progress window, once it shows and ready() holds as well.
HWND WaitForChainWindow(std::function<bool()> ready) {
    HWND window = nullptr;
    WaitFor(
        [&] {
            std::vector<HWND> dialogs = OwnDialogs();
            window = dialogs.empty() ? nullptr : dialogs[0];
            return window != nullptr && ready();
        },
        20000);
    return window && ready() ? window : nullptr;
}

TEST(Container, ThreeInstallersBehindAWindowThatStaysAlive) {
    ContainerState saved;
    ContainerFolder folder;
    MessageRecorder boxes;
    state.silent = false;
    TestPackage package(folder.dir.Path(),
                        folder.Installers({L"a_sleep1500.exe", L"b_sleep4000.exe", L"c.exe"}), kContainer);
    ASSERT_TRUE(package.Ready());
    std::atomic<DWORD> code(12345);
    {
        ChainThread chain([&] { code = RunHere(); });
        HWND window = WaitForChainWindow([] { return true; });
        ASSERT_TRUE(window);
        wchar_t caption[64] = L"";
        GetWindowTextW(window, caption, 64);
        EXPECT_STREQ(L"Suite Installer", caption) << "named by the script's [Project Name]";
        // While the second installer runs, the window answers at once and
        // shows the current count.
        ASSERT_TRUE(WaitFor([&] { return folder.Runs().size() >= 2 || chain.done; }, 30000));
        ASSERT_FALSE(chain.done) << "the second installer sleeps 4 s";
        Sleep(600);  // past two ticks of the window's timer
        DWORD_PTR result;
        ASSERT_NE(0, SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_BLOCK, 1000, &result))
            << "the window must keep dispatching while an installer runs";
        dlgContainerInstall* dialog = static_cast<dlgContainerInstall*>(XWindow::FromHandle(window));
        ASSERT_NE(nullptr, dialog);
        EXPECT_EQ(L"Running Install 2 of 3", std::wstring(dialog->CountLine()));
        // Painted again on request, now.
        RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        Picture picture = Capture(window);
        CreateDirectoryW(BinPath(L"screenshots").c_str(), nullptr);
        SaveBitmap(picture, BinPath(L"screenshots\\container-progress-") + PrefixKind() + L".bmp");
        int h = picture.height;
        EXPECT_GT(DarkPixels(picture, 0, h / 2 - h / 8, picture.width, h / 2 + h / 8), 100) << "the count line";
        EXPECT_GT(DarkPixels(picture, 0, 0, picture.width, h / 3), 100) << "the title lines";
    }
    EXPECT_EQ(0u, code.load());
    std::vector<std::string> expected = {"a_sleep1500.exe", "b_sleep4000.exe", "c.exe"};
    EXPECT_EQ(expected, folder.RunNames());
    for (auto& run : folder.Runs()) EXPECT_NE(std::string::npos, run.find("\"  --selfrun --noautoreboot")) << run;
    EXPECT_TRUE(OwnDialogs().empty());
    EXPECT_TRUE(boxes.Shown().empty());
}

// Cancel during the chain asks, in the run's language under the container's
// caption; Yes lets the running installer finish and runs no other.
TEST(Container, CancelAsksThenStopsAfterTheRunningInstaller) {
    struct Case {
        const wchar_t* language;
        const wchar_t* question;
        const wchar_t* caption;
    };
    const Case cases[] = {
        {L"en", L"Cancel Install?\r\n\r\nThe install that is running now is finished first.", L"Suite Installer"},
        {L"de", L"Installation abbrechen?\r\n\r\nDie gerade laufende Installation wird zuerst abgeschlossen.",
         L"Suite \x2013 Installation"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.language);
        CommandLineOptions options;
        options.Parse(WString(L"setup.exe --language=").Append(c.language), 1);
        ChooseLanguage(options);
        ContainerState saved;
        ContainerFolder folder;
        MessageRecorder boxes;
        boxes.Script({IDYES});
        state.silent = false;
        TestPackage package(folder.dir.Path(), folder.Installers({L"a_sleep3000.exe", L"b.exe", L"c.exe"}),
                            kContainer);
        ASSERT_TRUE(package.Ready());
        std::atomic<DWORD> code(12345);
        {
            ChainThread chain([&] { code = RunHere(); });
            HWND window = WaitForChainWindow([&] { return !folder.Runs().empty(); });
            ASSERT_TRUE(window);
            PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
            ASSERT_TRUE(WaitFor([&] { return chain.done.load(); }, 30000));
        }
        ResetTexts();
        UseScriptOf(L"en");
        EXPECT_EQ(1602u, code.load());
        EXPECT_EQ(std::vector<std::string>{"a_sleep3000.exe"}, folder.RunNames());
        ASSERT_EQ(1u, boxes.Shown().size());
        EXPECT_EQ(c.question, boxes.Shown()[0].text);
        EXPECT_EQ(c.caption, boxes.Shown()[0].caption);
        EXPECT_EQ((UINT)(MB_YESNO | MB_ICONQUESTION), boxes.Shown()[0].style);
    }
}

// A silent chain ends an installer that has not ended within the limit,
// counts it failed and goes on.
TEST(Container, SilentChainEndsAHungInstallerAndGoesOn) {
    ContainerState saved;
    ContainerFolder folder;
    MessageRecorder boxes;
    state.silent = true;
    SetInstallerTimeLimit(3000);
    TestPackage package(folder.dir.Path(), folder.Installers({L"a_sleep120000.exe", L"b.exe"}), kContainer);
    ASSERT_TRUE(package.Ready());
    DWORD start = GetTickCount();
    DWORD code = RunHere();
    DWORD took = GetTickCount() - start;
    SetInstallerTimeLimit(0);
    EXPECT_EQ(1603u, code);
    EXPECT_EQ((std::vector<std::string>{"a_sleep120000.exe", "b.exe"}), folder.RunNames());
    EXPECT_LT(took, 60000u) << "the hung installer was waited for past the limit";
    EXPECT_TRUE(boxes.Shown().empty());
}

TEST(Container, OneInstallerRunsWithoutWindow) {
    ContainerState saved;
    ContainerFolder folder;
    TestPackage package(folder.dir.Path(), folder.Installers({L"only_sleep1500.exe"}), kContainer);
    ASSERT_TRUE(package.Ready());
    std::atomic<bool> done(false);
    std::thread container([&] {
        RunHere();
        done = true;
    });
    bool windowSeen = false;
    while (!done) {
        if (!OwnDialogs().empty()) windowSeen = true;
        Sleep(50);
    }
    container.join();
    EXPECT_FALSE(windowSeen);
    EXPECT_EQ(1u, folder.Runs().size());
}

// The messages, the answers and what they do to the chain.
TEST(Container, MessagesAndTheirAnswers) {
    ContainerState saved;
    const char script[] =
        "[Project Name]\r\nSuite\r\n[InstallContainer]\r\n"
        "[Message]\r\nWelcome\\nto the suite\r\nInformation\r\n"
        "[Message]\r\nSuiteDir{force32bitinstallif}old.dll\r\nWarning\r\n"
        "[Message]\r\nGo on?\r\nQuestionYesNo\r\n";
    struct {
        bool silent;
        int answer;
        size_t boxes;
        size_t runs;
        DWORD code;
    } cases[] = {
        {false, IDNO, 2, 0, 1602},
        {false, IDYES, 2, 2, 0},
        {true, IDNO, 0, 2, 0},
    };
    for (auto& c : cases) {
        ContainerFolder folder;
        MessageRecorder boxes;
        boxes.Script({IDOK, c.answer});
        state.silent = c.silent;
        TestPackage package(folder.dir.Path(), folder.Installers({L"a.exe", L"b.exe"}), script);
        ASSERT_TRUE(package.Ready());
        EXPECT_EQ(c.code, RunHere()) << &c - cases;
        ASSERT_EQ(c.boxes, boxes.Shown().size()) << &c - cases;
        if (c.boxes) {
            EXPECT_EQ(L"Welcome\r\nto the suite", boxes.Shown()[0].text);
            EXPECT_EQ((UINT)MB_ICONINFORMATION, boxes.Shown()[0].style);
            EXPECT_EQ(L"Go on?", boxes.Shown()[1].text);
            EXPECT_EQ((UINT)(MB_YESNO | MB_ICONQUESTION), boxes.Shown()[1].style);
        }
        EXPECT_EQ(c.runs, folder.Runs().size()) << &c - cases;
        for (auto& run : folder.Runs())
            EXPECT_EQ(c.silent, run.find(" --silent --selfrun") != std::string::npos) << run;
    }
}

TEST(Container, RememberedPathWithTheFileForcesThirtyTwoBit) {
    ContainerState saved;
    MachineKeyOverride machine;
    ASSERT_TRUE(machine.Active());
    const char script[] =
        "[Project Name]\r\nSuite\r\n[InstallContainer]\r\n"
        "[Message]\r\nSuiteDir{force32bitinstallif}lib\\old.dll\r\nWarning\r\n";
    ContainerFolder folder;
    MessageRecorder boxes;
    state.isWow64 = TRUE;
    CreateDirectoryW((folder.dir / L"product").c_str(), nullptr);
    CreateDirectoryW((folder.dir / L"product\\lib").c_str(), nullptr);
    machine.SetString(L"Software\\BraskInstall", L"SuiteDir", (folder.dir / L"product").c_str());
    TestPackage package(folder.dir.Path(), folder.Installers({L"a.exe", L"a__BKI_WIN64.exe"}), script);
    ASSERT_TRUE(package.Ready());

    EXPECT_FALSE(ForceThirtyTwoBit()) << "no file yet";
    EXPECT_EQ(0u, RunHere());
    WriteBytes(folder.dir / L"product\\lib\\old.dll", "x");
    EXPECT_TRUE(ForceThirtyTwoBit());
    EXPECT_EQ(0u, RunHere());
    std::vector<std::string> expected = {"a__BKI_WIN64.exe", "a.exe"};
    EXPECT_EQ(expected, folder.RunNames());
    ASSERT_EQ(2u, folder.Runs().size());
    EXPECT_NE(std::string::npos, folder.Runs()[1].find("\"  --force32bit --selfrun")) << folder.Runs()[1];
    EXPECT_TRUE(boxes.Shown().empty()) << "the test is never shown";
}

// Failures and restarts of sub-installers: the chain goes on, and the
// restart comes once, after the last.
TEST(Container, FailuresAndRestartsOfTheChain) {
    ContainerState saved;
    struct {
        std::vector<std::wstring> installers;
        bool autoReboot;
        DWORD code;
        int restarts;
        size_t runs;
    } cases[] = {
        {{L"a_exit1603.exe", L"b.exe"}, true, 1603, 0, 2},
        {{L"a_exit3010.exe", L"b.exe", L"c_exit3010.exe"}, true, 1641, 1, 3},
        {{L"a_exit3010.exe", L"b.exe"}, false, 3010, 0, 2},
        {{L"a_exit1602.exe", L"b_exit3010.exe"}, true, 1602, 1, 2},
        // An installer that started the restart ends the chain.
        {{L"a_exit1641.exe", L"b.exe"}, true, 1641, 0, 1},
    };
    for (auto& c : cases) {
        ContainerFolder folder;
        MessageRecorder boxes;
        state.silent = true;
        state.autoReboot = c.autoReboot;
        g_restarts = 0;
        TestPackage package(folder.dir.Path(), folder.Installers(c.installers), kContainer);
        ASSERT_TRUE(package.Ready());
        EXPECT_EQ(c.code, RunHere()) << &c - cases;
        EXPECT_EQ(c.restarts, g_restarts) << &c - cases;
        EXPECT_EQ(c.runs, folder.Runs().size()) << &c - cases;
        EXPECT_TRUE(boxes.Shown().empty());
    }
}

}  // namespace
