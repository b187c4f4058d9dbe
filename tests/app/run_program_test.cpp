// RunProgram's decisions with real programs: which process runs a program,
// what reaches it, and what the user is told when it cannot start.
#include <shlobj.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/installer_state.h"
#include "app/processes.h"
#include "app/run_program.h"
#include "base/folders.h"
#include "package/package_fixture.h"
#include "package/setup_files.h"
#include "support/fake_parent.h"
#include "support/message_recorder.h"
#include "support/process.h"
#include "support/scratch.h"

namespace {

// The elevated child's view of the state, restored afterwards.
class ChildState {
public:
    ChildState() : savedSilent_(state.silent), savedPackage_(state.package) {
        state.commandFilePath = (dir / L"cmd.tmp").c_str();
    }
    ~ChildState() {
        state.commandFilePath = L"";
        state.silent = savedSilent_;
        state.package = savedPackage_;
    }
    ScratchFolder dir;

private:
    bool savedSilent_;
    SetupFiles* savedPackage_;
};

std::wstring Record(const std::wstring& log) { return L"record \"" + log + L"\""; }

TEST(RunProgram, HandOffFollowsTheProgramsNeeds) {
    ChildState child;
    MessageRecorder boxes;
    std::wstring log = child.dir / L"ran.log";
    std::wstring plain = BinPath(L"test_helper.exe"), admin = BinPath(L"admin_helper.exe");
    std::wstring readme = child.dir / L"readme.txt";
    WriteBytes(readme, "read me");
    // The manifest words in other letter case, quoted: still an admin program.
    std::wstring shouting = child.dir / L"shouting.exe";
    CopyFileW(plain.c_str(), shouting.c_str(), FALSE);
    {
        std::string bytes = ReadBytes(shouting) + "<x LEVEL=\"REQUIREADMINISTRATOR\"/>";
        WriteBytes(shouting, bytes);
    }
    {
        FakeParent parent(child.dir / L"cmd.tmp");
        RunProgram(readme.c_str(), L"", false, true, nullptr);
        RunProgram(plain.c_str(), Record(log).c_str(), true, true, nullptr);
        std::vector<std::wstring> expected = {L"[run]", readme, L"", L"0", L"[run]", plain, Record(log), L"1"};
        EXPECT_EQ(expected, parent.Lines());
    }
    EXPECT_EQ("", ReadBytes(log)) << "handed-off programs run in the parent, not here";

    // These run in this process, so they write the log themselves.
    RunProgram(admin.c_str(), Record(log).c_str(), true, true, nullptr);
    RunProgram(shouting.c_str(), Record(log).c_str(), true, true, nullptr);
    RunProgram(plain.c_str(), (Record(log) + L" -RUNELEVATED tail -RUNELEVATED").c_str(), true, true, nullptr);
    std::string ran = ReadBytes(log);
    EXPECT_NE(std::string::npos, ran.find("admin_helper.exe")) << ran;
    EXPECT_NE(std::string::npos, ran.find("shouting.exe")) << ran;
    EXPECT_NE(std::string::npos, ran.find("\" tail")) << ran;
    EXPECT_EQ(std::string::npos, ran.find("RUNELEVATED")) << ran;
    EXPECT_FALSE(PathExists((child.dir / L"cmd.tmp").c_str()));
    EXPECT_TRUE(boxes.Shown().empty());
}

TEST(RunProgram, TemporaryProgramsComeFromThePackage) {
    ChildState child;
    MessageRecorder boxes;
    std::wstring log = child.dir / L"ran.log";
    SetupFiles files;
    bool failed = false;
    Bytes helper = ToBytes(ReadBytes(BinPath(L"test_helper.exe")));
    std::wstring package = SavePackage(child.dir.Path(), LayOut({Entry("setup.dat", "x"),
                                                                 PackedEntry{"tools\\Tool.exe", Packed(ToString(helper)),
                                                                             (uint32_t)helper.size()}}));
    files.Create(failed, package.c_str());
    ASSERT_FALSE(failed);
    state.package = &files;
    // With or without the backslash: the same entry, run here (never handed
    // off), from a copy that keeps the entry's file name and then goes.
    RunProgram(L"<TempInstall>tools\\Tool.exe", Record(log).c_str(), true, true, nullptr);
    RunProgram(L"<TempInstall>\\TOOLS\\tool.exe", Record(log).c_str(), true, true, nullptr);
    std::string ran = ReadBytes(log);
    size_t first = ran.find("Tool.exe\" record");
    ASSERT_NE(std::string::npos, first) << ran;
    EXPECT_NE(std::string::npos, ran.find("tool.exe\" record", first)) << ran;
    std::string copy = ran.substr(1, ran.find('"', 1) - 1);
    EXPECT_NE(std::string::npos, copy.find(".tmp-Tool.exe")) << copy;
    EXPECT_FALSE(PathExists(WString::FromAnsi(copy.c_str(), true)));
    EXPECT_FALSE(PathExists((child.dir / L"cmd.tmp").c_str()));

    state.silent = true;  // the extraction message is shown even then
    RunProgram(L"<TempInstall>missing.exe", L"", true, true, nullptr);
    ASSERT_EQ(1u, boxes.Shown().size());
    EXPECT_EQ(L"Cannot extract 'missing.exe', disk may be full.", boxes.Shown()[0].text);
    EXPECT_EQ((UINT)MB_ICONERROR, boxes.Shown()[0].style);
}

TEST(RunProgram, ProgramThatCannotStart) {
    ChildState child;
    MessageRecorder boxes;
    std::wstring missing = child.dir / L"no such folder\\missing.exe";
    state.silent = true;
    RunProgram(missing.c_str(), L"--x", true, false, nullptr);
    EXPECT_TRUE(boxes.Shown().empty());
    state.silent = false;
    RunProgram(missing.c_str(), L"--x", true, false, nullptr);
    ASSERT_EQ(1u, boxes.Shown().size());
    EXPECT_EQ(L"Error whilst running '" + missing + L"'", boxes.Shown()[0].text);
    EXPECT_EQ(L"Setup", boxes.Shown()[0].caption);
}

// A program that cannot start is copied to the desktop and tried again from
// there; a file of the user's with its name is never overwritten.
TEST(RunProgram, DesktopCopyTakesAFreeName) {
    ChildState child;
    MessageRecorder boxes;
    wchar_t desktop[MAX_PATH] = {};
    ASSERT_EQ(S_OK, SHGetFolderPathW(nullptr, CSIDL_DESKTOPDIRECTORY, nullptr, SHGFP_TYPE_CURRENT, desktop));
    std::wstring name = L"bktest-desk-" + std::to_wstring(GetCurrentProcessId());
    std::wstring program = child.dir / (name + L".exe");
    std::wstring mine = std::wstring(desktop) + L"\\" + name + L".exe";
    std::wstring second = std::wstring(desktop) + L"\\" + name + L" (2).exe";
    ASSERT_TRUE(WriteBytes(program, "not a program"));
    ASSERT_TRUE(WriteBytes(mine, "the user's own"));
    state.silent = true;
    RunProgram(program.c_str(), L"--x", true, false, nullptr);
    EXPECT_EQ("the user's own", ReadBytes(mine));
    EXPECT_FALSE(PathExists(second.c_str())) << "the copy goes when nobody is told of it";
    EXPECT_TRUE(boxes.Shown().empty());

    // Shown to the user, the copy stays under the name the message gives.
    state.silent = false;
    RunProgram(program.c_str(), L"--x", true, false, nullptr);
    EXPECT_EQ("the user's own", ReadBytes(mine));
    EXPECT_EQ("not a program", ReadBytes(second));
    ASSERT_EQ(1u, boxes.Shown().size());
    EXPECT_NE(std::wstring::npos, boxes.Shown()[0].text.find(L"named '" + name + L" (2).exe'")) << boxes.Shown()[0].text;
    DeleteFileW(mine.c_str());
    DeleteFileW(second.c_str());
}

// Without parameters the path alone is the command line: unquoted, a
// path with spaces would start "C:\Program.exe" first.
TEST(RunProgram, PathWithSpacesStartsThatProgram) {
    ChildState child;
    MessageRecorder boxes;
    DecoyProgram decoy;
    ASSERT_TRUE(decoy.Placed());
    std::wstring tool = decoy.SpacedFolder() + L"\\tool.exe";
    ASSERT_TRUE(CopyFileW(BinPath(L"test_helper.exe").c_str(), tool.c_str(), FALSE));
    RunProgram(tool.c_str(), L"", true, false, nullptr);
    DeleteFileW(tool.c_str());
    EXPECT_FALSE(decoy.Ran());
    EXPECT_TRUE(boxes.Shown().empty());
}

}  // namespace

namespace {

TEST(ManifestRequiresAdmin, FormsOfTheAttribute) {
    struct {
        const char* bytes;
        bool admin;
    } cases[] = {
        {"level=requireAdministrator", true},
        {"<x level=\"requireAdministrator\" />", true},
        {"LEVEL=\"REQUIREADMINISTRATOR\"", true},
        {"LeVeL=RequireAdministrator", true},
        {"level='requireAdministrator'", false},
        {"level=\"requireAdministrator", false},
        {"level=asInvoker", false},
        {"level = \"requireAdministrator\"", false},
        {"level=requireAdministrato", false},
        {"", false},
    };
    for (auto& c : cases)
        EXPECT_EQ(c.admin, ManifestRequiresAdmin((const uint8_t*)c.bytes, (uint32_t)strlen(c.bytes))) << c.bytes;
}

}  // namespace
