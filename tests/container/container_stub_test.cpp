// Containers built with bkpack around the real installer executable: the
// switches it passes on, the variant it picks on each prefix, and the exit
// code that comes out of the process.
#include <gtest/gtest.h>

#include "container/container_fixture.h"
#include "support/machine_registry.h"
#include "support/message_recorder.h"
#include "engine/uninstall_record.h"
#include "support/machine_registry.h"
#include "support/process.h"

namespace {

std::wstring Quoted(const std::wstring& path) { return L" \"" + path + L"\""; }

// bkpack build, as a publisher runs it; true when it succeeded.
bool Build(const std::wstring& script, const std::wstring& files, const std::wstring& out,
           const std::vector<std::pair<std::wstring, std::wstring>>& adds) {
    std::wstring command = L"\"" + BinPath(L"bkpack.exe") + L"\" build" + Quoted(script) + Quoted(files) +
                           L" --stub" + Quoted(TestStubPath()) + L" -o" + Quoted(out) + L" --level 0 --quiet";
    for (auto& add : adds) command += L" --add" + Quoted(add.second + L"=" + add.first);
    ProcessResult built = RunProcess(command, {}, 60000);
    return built.started && !built.timedOut && built.exitCode == 0;
}

struct ContainerExe {
    ContainerFolder folder;
    std::wstring exe;

    ContainerExe(const std::vector<std::wstring>& installers, const std::string& script) {
        WriteBytes(folder.dir / L"setup.dat", script);
        exe = folder.dir / L"suite.exe";
        EXPECT_TRUE(Build(folder.dir / L"setup.dat", folder.dir.Path() + L".", exe, folder.Installers(installers)));
    }
    ProcessResult Run(const std::wstring& arguments, std::vector<ShownMessage>* boxes = nullptr) {
        std::wstring log = folder.dir / L"boxes.txt";
        DeleteFileW(log.c_str());
        ProcessResult result = RunProcess(L"\"" + exe + L"\" " + arguments,
                                          {{L"BRASK_TEST_INSTALLER_LOG", folder.Log()}, {L"BRASK_TEST_MSGBOX", log}},
                                          120000);
        if (boxes) *boxes = ReadMessageLog(log);
        return result;
    }
};

const char kSuite[] = "[Project Name]\r\nSuite\r\n[InstallContainer]\r\n[Message]\r\nHello\r\nInformation\r\n";

TEST(ContainerExecutable, PicksTheVariantAndPassesTheSwitchesOn) {
    bool wide = Is64BitSystem();
    struct {
        const wchar_t* arguments;
        const char* ran;
        const char* parameters;
    } cases[] = {
        {L"", wide ? "a__BKI_WIN64.exe" : "a.exe", "\"  --selfrun --noautoreboot"},
        {L"--force32bit", "a.exe", "\"  --force32bit --selfrun --noautoreboot"},
        {L"--silent --force32bit", "a.exe", "\"  --force32bit --silent --selfrun --noautoreboot"},
    };
    for (auto& c : cases) {
        ContainerExe suite({L"a.exe", L"a__BKI_WIN64.exe"}, kSuite);
        std::vector<ShownMessage> boxes;
        ProcessResult run = suite.Run(c.arguments, &boxes);
        ASSERT_TRUE(run.started);
        EXPECT_FALSE(run.timedOut);
        EXPECT_EQ(0u, run.exitCode) << c.arguments;
        EXPECT_EQ(std::vector<std::string>{c.ran}, suite.folder.RunNames()) << c.arguments;
        ASSERT_EQ(1u, suite.folder.Runs().size());
        EXPECT_NE(std::string::npos, suite.folder.Runs()[0].find(c.parameters)) << suite.folder.Runs()[0];
        bool silent = wcsstr(c.arguments, L"--silent") != nullptr;
        ASSERT_EQ(silent ? 0u : 1u, boxes.size()) << c.arguments;
        if (!silent) {
            EXPECT_EQ(L"Hello", boxes[0].text);
            EXPECT_EQ(L"Suite Installer", boxes[0].caption) << "named by the script's [Project Name]";
        }
    }
}

TEST(ContainerExecutable, ExitCodeOfTheChain) {
    struct {
        std::vector<std::wstring> installers;
        const wchar_t* arguments;
        DWORD code;
    } cases[] = {
        {{L"a.exe", L"b.exe", L"c.exe"}, L"--silent", 0},
        {{L"a_exit1603.exe", L"b.exe"}, L"--silent", 1603},
        {{L"a.exe", L"b_exit3010.exe", L"c.exe"}, L"--silent --noautoreboot", 3010},
    };
    for (auto& c : cases) {
        ContainerExe suite(c.installers, kSuite);
        ProcessResult run = suite.Run(c.arguments);
        ASSERT_TRUE(run.started);
        EXPECT_FALSE(run.timedOut);
        EXPECT_EQ(c.code, run.exitCode) << c.arguments;
        ASSERT_EQ(c.installers.size(), suite.folder.Runs().size()) << c.arguments;
        for (auto& line : suite.folder.Runs())
            EXPECT_NE(std::string::npos, line.find(" --silent --selfrun --noautoreboot")) << line;
    }
}

std::wstring ExamplesDir() {
    std::wstring path = L"Z:" BRASK_EXAMPLES_DIR;
    for (auto& ch : path)
        if (ch == L'/') ch = L'\\';
    return path + L"\\";
}

// The example suite, built as its README says and installed silently.
TEST(ContainerExecutable, ExampleSuiteInstallsSilently) {
    ScratchFolder dir;
    std::wstring suite = ExamplesDir() + L"suite\\";
    std::wstring alpha = dir / L"alpha.exe", beta = dir / L"beta.exe", exe = dir / L"suite.exe";
    ASSERT_TRUE(Build(suite + L"alpha\\setup.dat", suite + L"alpha\\files", alpha, {}));
    ASSERT_TRUE(Build(suite + L"beta\\setup.dat", suite + L"beta\\files", beta, {}));
    ASSERT_TRUE(Build(suite + L"setup.dat", suite + L".", exe, {{L"alpha.exe", alpha}, {L"beta.exe", beta}}));
    std::wstring log = dir / L"boxes.txt";
    ProcessResult run = RunProcess(L"\"" + exe + L"\" --silent", {{L"BRASK_TEST_MSGBOX", log}}, 180000);
    ASSERT_TRUE(run.started);
    EXPECT_FALSE(run.timedOut);
    EXPECT_EQ(0u, run.exitCode);
    EXPECT_TRUE(ReadMessageLog(log).empty());
    std::wstring products = ProgramFilesFolder() + L"\\Brask Suite\\";
    for (const wchar_t* product : {L"Alpha\\alpha.txt", L"Beta\\beta.txt"})
        EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW((products + product).c_str())) << product;
    // Each product removes itself with its own quiet command.
    for (const wchar_t* name : {L"Brask Alpha", L"Brask Beta"}) {
        std::wstring quiet = MachineString(UninstallKeyPath(name).Text(), L"QuietUninstallString", 0);
        ASSERT_FALSE(quiet.empty()) << name;
        ProcessResult removed = RunProcess(quiet, {}, 60000);
        EXPECT_EQ(0u, removed.exitCode) << name;
    }
    for (const wchar_t* product : {L"Alpha\\alpha.txt", L"Beta\\beta.txt"})
        EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW((products + product).c_str())) << product;
}

}  // namespace
