// The two-process flow with real processes: the parent relaunches, serves
// the child's command file while it runs, and ends with the child's code.
#include <gtest/gtest.h>

#include <string>

#include "app/command_file.h"
#include "app/command_line.h"
#include "app/installer_state.h"
#include "app/language.h"
#include "app/relaunch.h"
#include "app/roles.h"
#include "base/folders.h"
#include "support/message_recorder.h"
#include "support/process.h"
#include "support/scratch.h"

namespace {

const wchar_t kTestKey[] = L"Software\\BraskTest\\CommandFile";

class EnvVar {
public:
    EnvVar(const wchar_t* name, const std::wstring& value) : name_(name) {
        SetEnvironmentVariableW(name, value.c_str());
    }
    ~EnvVar() { SetEnvironmentVariableW(name_, nullptr); }

private:
    const wchar_t* name_;
};

std::wstring Lines(std::initializer_list<std::wstring> lines) {
    std::wstring text;
    for (const std::wstring& line : lines) text += line + L"\r\n";
    return text;
}

std::string Ansi(const std::wstring& text) { return std::string(WString(text.c_str()).ToAnsi()); }

void WriteUtf16(const std::wstring& path, const std::wstring& text) {
    WriteBytes(path, std::string((const char*)text.data(), text.size() * 2));
}

bool ReadDword(const wchar_t* name, DWORD& value) {
    DWORD size = sizeof value;
    return RegGetValueW(HKEY_CURRENT_USER, kTestKey, name, RRF_RT_REG_DWORD, nullptr, &value, &size) == ERROR_SUCCESS;
}

std::wstring ReadText(const wchar_t* name, DWORD* bytes = nullptr) {
    wchar_t buffer[256] = {0};
    DWORD size = sizeof buffer;
    if (RegGetValueW(HKEY_CURRENT_USER, kTestKey, name, RRF_RT_REG_SZ, nullptr, buffer, &size) != ERROR_SUCCESS)
        return L"<missing>";
    if (bytes) *bytes = size;
    return buffer;
}

struct CleanKey {
    CleanKey() { RegDeleteTreeW(HKEY_CURRENT_USER, kTestKey); }
    ~CleanKey() { RegDeleteTreeW(HKEY_CURRENT_USER, kTestKey); }
};

TEST(Relaunch, ParentServesTheChildsBatchesWhileItRuns) {
    ScratchFolder dir;
    CleanKey clean;
    std::wstring cmd = dir / L"cmd.tmp", childLog = dir / L"child.log", ran = dir / L"ran.log";
    std::wstring helper = BinPath(L"test_helper.exe");
    WriteBytes(dir / L"b1.txt", Ansi(Lines({L"text before any record", L"[setreg_hkcu_dword]", L"Minus", kTestKey, L"-1",
                                            L"[setreg_hkcu_dword]", L"Digits", kTestKey, L"12ab",
                                            L"[setreg_hkcu_string]", L"Name", kTestKey, L"text value", L"[run]", L"",
                                            L"ignored", L"1"})));
    WriteBytes(dir / L"b2.txt", Ansi(Lines({L"[run]", helper, L"record \"" + ran + L"\"", L"1"})));
    std::wstring parameters = L"child \"" + childLog + L"\" \"" + cmd + L"\" 300 7 \"" + (dir / L"b1.txt") + L"\" \"" +
                              (dir / L"b2.txt") + L"\"";
    DWORD exitCode = 0;
    ASSERT_EQ(kChildRan, RelaunchElevated(helper.c_str(), parameters.c_str(), cmd.c_str(), nullptr, exitCode));
    EXPECT_EQ(7u, exitCode);
    EXPECT_NE(std::string::npos, ReadBytes(childLog).find(Ansi(parameters))) << ReadBytes(childLog);
    DWORD value = 0;
    ASSERT_TRUE(ReadDword(L"Minus", value));
    EXPECT_EQ(0xFFFFFFFFu, value);
    ASSERT_TRUE(ReadDword(L"Digits", value));
    EXPECT_EQ(12u, value);
    DWORD bytes = 0;
    EXPECT_EQ(L"text value", ReadText(L"Name", &bytes));
    EXPECT_EQ(22u, bytes);
    // The second batch's program ran, as the parent, with its parameters.
    EXPECT_NE(std::string::npos, ReadBytes(ran).find("record")) << ReadBytes(ran);
    EXPECT_FALSE(PathExists(cmd.c_str()));
}

TEST(Relaunch, FocusWindowIsHiddenOnceAfterFiveSeconds) {
    std::wstring helper = BinPath(L"test_helper.exe");
    ScratchFolder dir;
    for (int sleepMs : {300, 6500}) {
        HWND window = CreateWindowExW(0, L"STATIC", L"focus", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr, nullptr,
                                      nullptr, nullptr);
        ASSERT_TRUE(window != nullptr);
        std::wstring parameters = L"child \"" + (dir / L"log") + L"\" \"" + (dir / L"cmd") + L"\" " +
                                  std::to_wstring(sleepMs) + L" 0";
        DWORD exitCode;
        ASSERT_EQ(kChildRan, RelaunchElevated(helper.c_str(), parameters.c_str(), (dir / L"cmd").c_str(), window,
                                              exitCode));
        EXPECT_EQ(sleepMs > 5000, !IsWindowVisible(window)) << sleepMs;
        DestroyWindow(window);
    }
}

TEST(CommandFile, UnknownTagsAreReadToTheEndAndTheFileDeleted) {
    ScratchFolder dir;
    CleanKey clean;
    std::wstring cmd = dir / L"cmd.tmp";
    // A byte-order mark, a tag in other letter case and one with a space.
    WriteUtf16(cmd, L"\xFEFF" + Lines({L"[RUN]", L"x", L"", L"1", L"[setreg_hkcu_dword] ", L"V", kTestKey, L"1"}));
    ExecuteCommandFile(cmd.c_str());
    EXPECT_FALSE(PathExists(cmd.c_str()));
    DWORD value;
    EXPECT_FALSE(ReadDword(L"V", value));
    // A file that is not there is left alone.
    ExecuteCommandFile((dir / L"absent.tmp").c_str());
}

TEST(CommandFile, WriterReturnsWhenTheParentHasGone) {
    ScratchFolder dir;
    std::wstring cmd = dir / L"cmd.tmp", done = dir / L"done.txt";
    ProcessResult orphan = RunProcess(L"\"" + BinPath(L"test_helper.exe") + L"\" orphan \"" + cmd + L"\" \"" + done +
                                          L"\"",
                                      {}, 30000);
    ASSERT_EQ(0u, orphan.exitCode);
    for (int i = 0; i < 100 && !PathExists(done.c_str()); i++) Sleep(100);
    EXPECT_TRUE(PathExists(done.c_str())) << "the writer is still waiting for a parent that has ended";
    EXPECT_FALSE(PathExists(cmd.c_str())) << "the unconsumed batch is taken away";
}

// The whole parent role, relaunching this test program as its child.
struct ParentRun {
    ScratchFolder dir;
    int exitCode = -1;
    std::string childCommandLine;
    void Run(const std::wstring& batch, bool direct, int childExit) {
        WriteBytes(dir / L"batch.txt", Ansi(batch));
        EnvVar log(L"BRASK_TEST_CHILD_LOG", dir / L"child.log");
        EnvVar lines(L"BRASK_TEST_CHILD_BATCH", dir / L"batch.txt");
        EnvVar how(L"BRASK_TEST_CHILD_DIRECT", direct ? L"1" : L"0");
        EnvVar code(L"BRASK_TEST_CHILD_EXIT", std::to_wstring(childExit));
        exitCode = RunParentRole();
        childCommandLine = ReadBytes(dir / L"child.log");
    }
};

TEST(ParentRole, RelaunchesItselfAndEndsWithTheChildsCode) {
    CleanKey clean;
    ParentRun run;
    run.Run(Lines({L"[setreg_hkcu_string]", L"Seen", kTestKey, L"yes"}), false, 5);
    EXPECT_EQ(5, run.exitCode);
    EXPECT_NE(std::string::npos, run.childCommandLine.find("--selfrun --IsElevated=\"")) << run.childCommandLine;
    // The parent's language, then its own words unchanged (ctest may give
    // it none).
    std::string rest = std::string(GetRestOfCommandLine().ToAnsi());
    std::string expectedTail = ".tmp\"" + std::string(LanguageOption().ToAnsi()) + " " + rest;
    ASSERT_GE(run.childCommandLine.size(), expectedTail.size());
    EXPECT_EQ(expectedTail, run.childCommandLine.substr(run.childCommandLine.size() - expectedTail.size()))
        << run.childCommandLine;
    EXPECT_EQ(L"yes", ReadText(L"Seen"));
}

TEST(ParentRole, LastExecutionIsSkippedWhenARestartWillRerunSetup) {
    for (bool rerun : {false, true}) {
        CleanKey clean;
        if (rerun) state.rerunEvent.Set();
        ParentRun run;
        // Written straight away by a child that ends at once: only the last
        // execution, after the child's end, could carry it out.
        run.Run(Lines({L"[setreg_hkcu_string]", L"Late", kTestKey, L"done"}), true, 0);
        state.rerunEvent.Reset();
        EXPECT_EQ(0, run.exitCode);
        EXPECT_EQ(rerun ? L"<missing>" : L"done", ReadText(L"Late")) << rerun;
    }
}

}  // namespace
