// The install worker's choices: variants, messages, programs before any
// copy, an earlier install of the product, and stopping.
#include <gtest/gtest.h>

#include <string>

#include "app/installer_state.h"
#include "base/folders.h"
#include "base/message_box.h"
#include "engine/existing_version.h"
#include "engine/install_run.h"
#include "engine/uninstall_record.h"
#include "support/message_recorder.h"
#include "support/process.h"

namespace {

TEST(InstallWorker, VariantsFollowTheSystemsBitness) {
    MessageRecorder boxes;
    InstallRun run(L"VariantTest", L"<Program Files>Brask Variant Test\\");
    run.Add(L"plain.exe", "plain");
    run.Add(L"unicode.exe", "unicode");
    run.Add(L"win64.exe", "win64");
    run.Add(L"only.txt", "only");
    ASSERT_TRUE(run.Pack("[CopyFile]\r\nplain.exe\r\n<Destination>a.exe\r\n"
                         "[CopyFile]\r\nunicode.exe\r\n<Destination>a__BKI_UNICODE.exe\r\n"
                         "[CopyFile]\r\nwin64.exe\r\n<Destination>A__BKI_WIN64.EXE\r\n"
                         "[CopyFile]\r\nonly.txt\r\n<Destination>notes__BKI_UNICODE\r\n"));
    ASSERT_TRUE(run.Run());
    bool win64 = PrefixKind() == L"win64";
    EXPECT_EQ(win64 ? "win64" : "unicode", ReadBytes(run.Installed(L"a.exe")));
    EXPECT_FALSE(PathExists(run.Installed(L"a__BKI_UNICODE.exe").c_str()));
    EXPECT_EQ("only", ReadBytes(run.Installed(L"notes"))) << "a variant without extension";
    EXPECT_EQ(4, state.progressDone) << "skipped variants count too";
    EXPECT_TRUE(state.uninstallRecordWritten) << "recorded before its journal goes";
}

TEST(InstallWorker, MessagesAndTheQuestionThatStopsTheScript) {
    MessageRecorder boxes;
    boxes.Script({IDOK, IDOK, IDOK, IDOK, IDOK, IDNO});
    InstallRun run(L"MessageTest", L"<Program Files>Brask Message Test\\");
    run.Add(L"late.txt", "late");
    ASSERT_TRUE(run.Pack("[Message]\r\nCareful\\nnow\r\nWarning\r\n"
                         "[Message]\r\nIn <Destination>\r\nInformation\r\n"
                         "[Message]\r\nAsk\r\nQuestion\r\n"
                         "[Message]\r\nBad\r\nError\r\n"
                         "[Message]\r\nPlain\r\nwarning\r\n"
                         "[Message]\r\nGo on?\r\nQuestionYesNo\r\n"
                         "[CopyFile]\r\nlate.txt\r\n<Destination>late.txt\r\n"));
    ASSERT_TRUE(run.Run());
    const auto& shown = boxes.Shown();
    ASSERT_EQ(6u, shown.size());
    EXPECT_EQ(L"Careful\r\nnow", shown[0].text);
    EXPECT_EQ((UINT)MB_ICONWARNING, shown[0].style);
    EXPECT_EQ(L"In " + run.installPath, shown[1].text);
    EXPECT_EQ((UINT)MB_ICONINFORMATION, shown[1].style);
    EXPECT_EQ((UINT)MB_ICONQUESTION, shown[2].style);
    EXPECT_EQ((UINT)MB_ICONERROR, shown[3].style);
    EXPECT_EQ((UINT)MB_OK, shown[4].style) << "kinds are matched case-sensitively";
    EXPECT_EQ((UINT)(MB_YESNO | MB_ICONQUESTION), shown[5].style);
    EXPECT_EQ(L"MessageTest Installer", shown[5].caption);
    EXPECT_FALSE(PathExists(run.Installed(L"late.txt").c_str())) << "No skips the rest";
    EXPECT_FALSE(state.installAborted);
    EXPECT_TRUE(state.actionText.IsEmpty()) << "and the registration step";
}

TEST(InstallWorker, SilentInstallShowsNoMessages) {
    MessageRecorder boxes;
    InstallRun run(L"SilentTest", L"<Program Files>Brask Silent Test\\");
    state.silent = true;
    run.Add(L"f.txt", "f");
    ASSERT_TRUE(run.Pack("[Message]\r\nHello\r\nQuestionYesNo\r\n[CopyFile]\r\nf.txt\r\n<Destination>f.txt\r\n"));
    ASSERT_TRUE(run.Run());
    EXPECT_TRUE(boxes.Shown().empty());
    EXPECT_TRUE(PathExists(run.Installed(L"f.txt").c_str()));
}

TEST(InstallWorker, ProgramBeforeAnyCopyRunsHereWithoutARecord) {
    MessageRecorder boxes;
    InstallRun run(L"EarlyRunTest", L"<Program Files>Brask Early Run Test\\");
    std::wstring log = run.dir / L"early.log";
    ASSERT_TRUE(run.Pack("[RunAndWaitFile]\r\n" + std::string(WString(BinPath(L"test_helper.exe").c_str()).ToAnsi()) +
                         "\r\nprobe \"" + std::string(WString(log.c_str()).ToAnsi()) + "\" \"" +
                         std::string(UninstallLogPath().ToAnsi()) + "\"\r\n\r\n"));
    ASSERT_TRUE(run.Run());
    EXPECT_EQ(0u, ReadBytes(log).find("missing")) << "run in this process, before any record";
    EXPECT_FALSE(PathExists(run.CommandFile().c_str()));
    EXPECT_EQ(0, state.progressTotal);
}

TEST(InstallWorker, StopRequestedMidwayEndsBeforeTheNextLine) {
    MessageRecorder boxes;
    InstallRun run(L"StopTest", L"<Program Files>Brask Stop Test\\");
    run.AddCopy(L"registering.dll", BinPath(L"components\\registering.dll"));
    run.Add(L"after.txt", "after");
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\BraskTest\\Components");
    // The user cancels while the message is up, as during a long copy.
    SetMessageBoxHook([](HWND, const wchar_t*, const wchar_t*, UINT) {
        state.installAborted = true;
        return IDOK;
    });
    ASSERT_TRUE(run.Pack("[CopyFile]\r\nregistering.dll\r\n<Destination>c.dll\r\n[Message]\r\nWorking\r\nInformation\r\n"
                         "[CopyFile]\r\nafter.txt\r\n<Destination>after.txt\r\n"));
    ASSERT_TRUE(run.Run());
    SetMessageBoxHook(nullptr);
    EXPECT_FALSE(PathExists(run.Installed(L"c.dll").c_str())) << "rolled back";
    EXPECT_FALSE(PathExists(run.Installed(L"after.txt").c_str()));
    EXPECT_TRUE(state.installAborted);
    DWORD registered = 0;
    EXPECT_FALSE(ReadDword(HKEY_CURRENT_USER, L"Software\\BraskTest\\Components", L"registering-registered", registered))
        << "nothing is registered after a stop";
    EXPECT_FALSE(state.actionText == WString(L"Registering Dlls"));
}

// An earlier install of the product, with a stand-in uninstaller that
// records how it was started.
struct EarlierInstall {
    EarlierInstall(InstallRun& run, const char* logText) {
        uninstallLog = run.dir / L"BraskUninstall-Earlier.dat";
        started = run.dir / L"old-uninstaller.log";
        if (logText) WriteBytes(uninstallLog, logText);
        command = L"\"" + BinPath(L"test_helper.exe") + L"\" record \"" + started + L"\" --uninstall=\"" +
                  uninstallLog + L"\"";
        std::wstring key = UninstallKeyPath(L"Earlier").Text();
        RegSetKeyValueW(HKEY_LOCAL_MACHINE, key.c_str(), L"UninstallString", REG_SZ, command.c_str(),
                        (DWORD)(command.size() + 1) * 2);
    }
    std::wstring uninstallLog, started, command;
};

TEST(InstallWorker, EarlierInstallIsOfferedForRemoval) {
    const char kScript[] = "[CopyFile]\r\nf.txt\r\n<Destination>f.txt\r\n";
    {
        MessageRecorder boxes;
        boxes.Script({IDCANCEL});
        InstallRun run(L"Earlier", L"<Program Files>Brask Earlier\\");
        state.programVersion = L"2.0";
        EarlierInstall earlier(run, "[Project Name]\r\nEarlier\r\n[ProgramVersion]\r\n1.0\r\n");
        run.Add(L"f.txt", "f");
        ASSERT_TRUE(run.Pack(kScript));
        ASSERT_TRUE(run.Run());
        ASSERT_EQ(1u, boxes.Shown().size());
        EXPECT_EQ(L"Setup has detected an existing version of Earlier.\r\n\r\n  Installing Version: 2.0\r\n"
                  L"  Existing Version: 1.0\r\n\r\nUninstall existing before installing new? (Cancel to exit, "
                  L"leaving existing version).",
                  boxes.Shown()[0].text);
        EXPECT_EQ((UINT)(MB_YESNOCANCEL | MB_ICONQUESTION), boxes.Shown()[0].style);
        EXPECT_TRUE(state.installAborted);
        EXPECT_FALSE(PathExists(run.Installed(L"f.txt").c_str())) << "Cancel executes no line";
    }
    {
        MessageRecorder boxes;
        boxes.Script({IDYES});
        InstallRun run(L"Earlier", L"<Program Files>Brask Earlier\\");
        EarlierInstall earlier(run, nullptr);
        run.Add(L"f.txt", "f");
        ASSERT_TRUE(run.Pack(kScript));
        ASSERT_TRUE(run.Run());
        ASSERT_EQ(1u, boxes.Shown().size());
        EXPECT_EQ(L"Setup has detected an existing version of Earlier.\r\n\r\nUninstall existing before installing "
                  L"new? (Cancel to exit, leaving existing version).",
                  boxes.Shown()[0].text)
            << "no versions without [ProgramVersion] in the script";
        std::string started = ReadBytes(earlier.started);
        EXPECT_NE(std::string::npos, started.find("--sayonrebootruninst --uninstall=\"")) << started;
        EXPECT_TRUE(PathExists(run.Installed(L"f.txt").c_str())) << "Yes goes on with the install";
    }
}

TEST(InstallWorker, EarlierUninstallNeedingARestartCallsTheInstallOff) {
    MessageRecorder boxes;
    boxes.Script({IDYES});
    InstallRun run(L"Earlier", L"<Program Files>Brask Earlier\\");
    EarlierInstall earlier(run, "[ProgramVersion]\r\n");
    state.programVersion = L"3";
    state.rerunEvent.Set();  // as the old uninstaller does when it restarts
    run.Add(L"f.txt", "f");
    ASSERT_TRUE(run.Pack("[CopyFile]\r\nf.txt\r\n<Destination>f.txt\r\n"));
    ASSERT_TRUE(run.Run());
    ASSERT_EQ(1u, boxes.Shown().size());
    EXPECT_NE(std::wstring::npos, boxes.Shown()[0].text.find(L"Existing Version: \r\n")) << boxes.Shown()[0].text;
    EXPECT_TRUE(state.installAborted);
    EXPECT_FALSE(PathExists(run.Installed(L"f.txt").c_str()));
}

TEST(ReadLogVersion, MissingLogOrSection) {
    ScratchFolder dir;
    EXPECT_STREQ(L"[Unkonwn]", ReadLogVersion((dir / L"none.dat").c_str()).Text());
    WriteBytes(dir / L"log.dat", "[ProgramVersion] \r\n9\r\n");
    EXPECT_STREQ(L"[Unkonwn]", ReadLogVersion((dir / L"log.dat").c_str()).Text());
    EXPECT_STREQ(L"C:\\a b\\x.dat", UninstallLogPathFromCommand(L"\"C:\\u.exe\" --uninstall=\"C:\\a b\\x.dat\"").Text());
    EXPECT_STREQ(L"C:\\old.dat", UninstallLogPathFromCommand(L"C:\\u.exe <uninstall>C:\\old.dat").Text());
    EXPECT_TRUE(UninstallLogPathFromCommand(L"C:\\u.exe /x").IsEmpty());
}

}  // namespace
