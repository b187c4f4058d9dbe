// The real installer executable, started as another process.
#include <gtest/gtest.h>

#include <string>

#include "support/message_recorder.h"
#include "support/machine_registry.h"
#include "support/process.h"
#include "support/scratch.h"

namespace {

const wchar_t kAdminError[] =
    L"Installer requires Administrator rights, change this account to an Administrator, then retry the install.";

// The installer's write test creates "BraskInstaller.TMP" in the Program
// Files folder; a folder of that name makes the test fail as it would for a
// user without rights.
class NoProgramFilesRights {
public:
    NoProgramFilesRights() : path_(ProgramFilesFolder() + L"\\BraskInstaller.TMP") {
        CreateDirectoryW(path_.c_str(), nullptr);
    }
    ~NoProgramFilesRights() { RemoveDirectoryW(path_.c_str()); }

private:
    std::wstring path_;
};

struct StubRun {
    ProcessResult process;
    std::vector<ShownMessage> boxes;
};

StubRun RunStub(const std::wstring& arguments) {
    ScratchFolder dir;
    std::wstring log = dir / L"boxes.txt";
    StubRun run;
    run.process = RunProcess(L"\"" + TestStubPath() + L"\" " + arguments, {{L"BRASK_TEST_MSGBOX", log}}, 60000);
    run.boxes = ReadMessageLog(log);
    return run;
}

TEST(EntryPoint, ElevatedChildWithoutRightsStopsWithTheAdministratorError) {
    NoProgramFilesRights noRights;
    for (const wchar_t* args : {L"--selfrun --IsElevated=\"C:\\x.tmp\"", L"--iselevated=\"C:\\x.tmp\" --silent",
                             L"--ISELEVATED=\"C:\\x.tmp\""}) {
        StubRun run = RunStub(args);
        ASSERT_TRUE(run.process.started);
        EXPECT_FALSE(run.process.timedOut);
        EXPECT_EQ(1603u, run.process.exitCode);
        ASSERT_EQ(1u, run.boxes.size()) << args;
        EXPECT_EQ(kAdminError, run.boxes[0].text);
        EXPECT_EQ(L"Setup", run.boxes[0].caption);
        EXPECT_EQ((UINT)MB_ICONERROR, run.boxes[0].style);
    }
}

TEST(EntryPoint, UninstallerRoleComesFirst) {
    NoProgramFilesRights noRights;
    // With "--uninstall=" the installer's elevation check never runs: the
    // uninstaller's own does, and ends with its message and 1603.
    StubRun run = RunStub(L"--silent --IsElevated=\"C:\\x.tmp\" --uninstall=\"C:\\none.dat\"");
    ASSERT_TRUE(run.process.started);
    EXPECT_FALSE(run.process.timedOut);
    EXPECT_EQ(1603u, run.process.exitCode);
    ASSERT_EQ(1u, run.boxes.size());
    EXPECT_NE(kAdminError, run.boxes[0].text);
    EXPECT_EQ(L"UnInstaller", run.boxes[0].caption);
}

// Without the option the same run is the parent: no administrator error,
// only the missing package's message.
TEST(EntryPoint, WithoutTheOptionNoAdministratorCheck) {
    NoProgramFilesRights noRights;
    StubRun run = RunStub(L"--selfrun --IsElevatedX");
    ASSERT_TRUE(run.process.started);
    EXPECT_EQ(1603u, run.process.exitCode);
    ASSERT_EQ(1u, run.boxes.size());
    EXPECT_NE(kAdminError, run.boxes[0].text);
}

}  // namespace
