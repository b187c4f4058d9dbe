// Silent runs of the real installer never wait for a person: every box is
// answered in the user's place, Retry boxes after a few short retries, and
// the run ends with its failure code. "--log=" tells what happened, from
// every process of the run.
#include <gtest/gtest.h>

#include <algorithm>

#include "deploy/deploy_fixture.h"
#include "package/package_fixture.h"
#include "package/package_format.h"
#include "stub_embed.h"

namespace {

const char kUnableToExtract[] =
    "Unable to extract a file from install, possibly your security software is blocking the install.";



TEST(SilentRuns, CorruptEntryEndsWith1603WithoutABoxAndTheLogNamesIt) {
    ScratchFolder dir;
    std::wstring log = dir / L"run.log";
    std::wstring exe = EmbedInstaller(
        dir, {Entry("setup.dat", ProductScript("DeployCorrupt", dir, false)), BrokenEntry("a.txt")});
    ProcessResult run = RunInstaller(exe, L"--silent" + LogSwitch(log));
    ASSERT_TRUE(run.started);
    EXPECT_FALSE(run.timedOut) << "a box waited for an answer";
    EXPECT_EQ(1603u, run.exitCode);
    EXPECT_FALSE(Exists(dir / L"dest\\a.txt"));
    std::vector<std::string> lines = ReadLogLines(log);
    EXPECT_EQ(1, CountLines(lines, "elevated child", "entry 'a.txt' could not be uncompressed"));
    EXPECT_EQ(1, CountLines(lines, "elevated child",
                            std::string("message box not shown (silent) \"DeployCorrupt Installer\": \"") +
                                kUnableToExtract + "\" answered OK"));
    EXPECT_EQ(0, CountLines(lines, "", "message box \"")) << "no box was shown";
    EXPECT_EQ(1, CountLines(lines, "elevated child", "exit code 1603"));
    EXPECT_EQ(1, CountLines(lines, "parent", "the elevated child ended with 1603"));
    EXPECT_EQ(1, CountLines(lines, "parent", "exit code 1603"));
}

// Where the script is UTF-8, so are a solid package's names: the log writes
// a damaged entry's name as the script does.
TEST(SilentRuns, DamagedSolidEntryIsNamedInTheLogAsTheScriptWritesIt) {
    ScratchFolder dir;
    std::wstring log = dir / L"run.log", exe = dir / L"utf8-setup.exe";
    const std::string name = "b\xC3\xBC.txt";
    std::string script = "\xEF\xBB\xBF[Project Name]\r\nDeployUtf8\r\n[NoUnInstall]\r\n[Install To]\r\n" +
                         Narrow(dir / L"dest\\") + "\r\n[CopyFile]\r\n" + name + "\r\n<Destination>" + name + "\r\n";
    Bytes package = LayOutSolid({{{"setup.dat", script}}, {{name, "beta beta"}}}, package_format::kUtf8Names);
    package[RecordAt(package, 1) + 12] ^= 1;  // its CRC-32
    SealPackage(package);
    std::string error;
    ASSERT_TRUE(EmbedPackage(BinPath(L"bkstub.exe"), package, exe, error)) << error;
    EXPECT_EQ(1603u, RunInstaller(exe, L"--silent" + LogSwitch(log)).exitCode);
    EXPECT_EQ(1, CountLines(ReadLogLines(log), "elevated child",
                            "entry '" + name + "': its bytes do not match their CRC-32"))
        << ReadBytes(log);
}

// A folder where the file must go: the copy fails with an error that is no
// sharing violation, which asks Retry or Cancel.
TEST(SilentRuns, FileThatCannotBeWrittenIsRetriedThenEndsWith1603) {
    ScratchFolder dir;
    std::wstring log = dir / L"run.log";
    CreateDirectoryW((dir / L"dest").c_str(), nullptr);
    CreateDirectoryW((dir / L"dest\\a.txt").c_str(), nullptr);
    std::wstring exe =
        EmbedInstaller(dir, {Entry("setup.dat", ProductScript("DeployBlocked", dir, false)), Entry("a.txt", "alpha")});
    DWORD started = GetTickCount();
    ProcessResult run = RunInstaller(exe, L"--silent" + LogSwitch(log));
    DWORD took = GetTickCount() - started;
    ASSERT_TRUE(run.started);
    EXPECT_FALSE(run.timedOut) << "a box waited for an answer";
    EXPECT_EQ(1603u, run.exitCode);
    std::vector<std::string> lines = ReadLogLines(log);
    std::string box = "message box not shown (silent) \"DeployBlocked Installer\": \"Cannot install '" +
                      Narrow(dir / L"dest\\a.txt") + "', disk may be full.\" answered ";
    EXPECT_EQ(3, CountLines(lines, "elevated child", box + "Retry"));
    EXPECT_EQ(1, CountLines(lines, "elevated child", box + "Cancel"));
    EXPECT_GE(took, 3000u) << "the retries pause";
    RemoveDirectoryW((dir / L"dest\\a.txt").c_str());
}

struct Unblocker {
    std::wstring log;
    std::wstring folder;
    bool removed = false;
};

// Takes the obstacle away once the run has retried for the first time.
DWORD WINAPI RemoveAfterFirstRetry(void* context) {
    Unblocker* u = static_cast<Unblocker*>(context);
    for (DWORD start = GetTickCount(); GetTickCount() - start < 60000; Sleep(100)) {
        if (CountLines(ReadLogLines(u->log), "elevated child", "answered Retry") == 0) continue;
        u->removed = RemoveDirectoryW(u->folder.c_str()) != 0;
        return 0;
    }
    return 1;
}

TEST(SilentRuns, FileFreedDuringTheRetriesIsInstalled) {
    ScratchFolder dir;
    Unblocker unblocker{dir / L"run.log", dir / L"dest\\a.txt"};
    CreateDirectoryW((dir / L"dest").c_str(), nullptr);
    CreateDirectoryW(unblocker.folder.c_str(), nullptr);
    std::wstring exe =
        EmbedInstaller(dir, {Entry("setup.dat", ProductScript("DeployFreed", dir, false)), Entry("a.txt", "alpha")});
    HANDLE watcher = CreateThread(nullptr, 0, RemoveAfterFirstRetry, &unblocker, 0, nullptr);
    ProcessResult run = RunInstaller(exe, L"--silent" + LogSwitch(unblocker.log));
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(watcher, 60000));
    CloseHandle(watcher);
    ASSERT_TRUE(run.started);
    EXPECT_FALSE(run.timedOut);
    EXPECT_TRUE(unblocker.removed);
    EXPECT_EQ(0u, run.exitCode);
    EXPECT_EQ("alpha", ReadBytes(dir / L"dest\\a.txt"));
    EXPECT_EQ(0, CountLines(ReadLogLines(unblocker.log), "elevated child", "answered Cancel"));
}

TEST(SilentRuns, LogListsWhatBothProcessesDidAndTheQuietUninstallAppendsToIt) {
    ScratchFolder dir;
    InstalledProduct product(L"DeployLogged");
    std::wstring log = dir / L"run.log";
    std::wstring exe =
        EmbedInstaller(dir, {Entry("setup.dat", ProductScript("DeployLogged", dir, true)), Entry("a.txt", "alpha")});
    ProcessResult run = RunInstaller(exe, L"--silent" + LogSwitch(log));
    ASSERT_TRUE(run.started);
    ASSERT_FALSE(run.timedOut);
    EXPECT_EQ(0u, run.exitCode);
    std::vector<std::string> lines = ReadLogLines(log);
    EXPECT_EQ(1, CountLines(lines, "parent", "started: \"" + Narrow(exe) + "\" --silent --log="));
    EXPECT_EQ(1, CountLines(lines, "parent", "role: parent"));
    EXPECT_EQ(1, CountLines(lines, "elevated child", "started: \"" + Narrow(exe) + "\" --selfrun --IsElevated="));
    EXPECT_EQ(1, CountLines(lines, "elevated child", "role: elevated child, runs the wizard silently"));
    EXPECT_EQ(1, CountLines(lines, "elevated child", "package check: "));
    EXPECT_EQ(1, CountLines(lines, "elevated child", "section [CopyFile]"));
    EXPECT_EQ(1, CountLines(lines, "elevated child", "file installed: '" + Narrow(dir / L"dest\\a.txt") + "'"));
    EXPECT_EQ(1, CountLines(lines, "elevated child", "shortcut '" + Narrow(dir / L"links\\A.lnk") + "'"));
    EXPECT_EQ(1, CountLines(lines, "elevated child",
                            "Uninstall entry HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\DeployLogged"));
    std::wstring quiet = product.Value(L"QuietUninstallString");
    EXPECT_EQ(1, CountLines(lines, "elevated child", "\"QuietUninstallString\" = " + Narrow(quiet)));
    EXPECT_EQ(1, CountLines(lines, "elevated child", "exit code 0"));
    EXPECT_EQ(1, CountLines(lines, "parent", "exit code 0"));
    // Whole lines only: every one begins with its time and its process.
    for (const std::string& line : lines) EXPECT_TRUE(line.size() > 25 && line[24] == '[' && line[4] == '-') << line;

    // The quiet command as the Uninstall entry holds it, the log appended.
    ASSERT_FALSE(quiet.empty());
    ProcessResult removal = RunProcess(quiet + LogSwitch(log), {}, 60000);
    ASSERT_TRUE(removal.started);
    EXPECT_FALSE(removal.timedOut);
    EXPECT_EQ(0u, removal.exitCode);
    EXPECT_FALSE(Exists(dir / L"dest\\a.txt"));
    lines = ReadLogLines(log);
    EXPECT_EQ(1, CountLines(lines, "uninstaller", "role: uninstaller, replays '"));
    EXPECT_EQ(1, CountLines(lines, "uninstaller", "exit code 0"));
}

TEST(SilentRuns, WithoutTheSwitchNothingIsWritten) {
    ScratchFolder dir;
    std::wstring exe =
        EmbedInstaller(dir, {Entry("setup.dat", ProductScript("DeployUnlogged", dir, false)), Entry("a.txt", "alpha")});
    ProcessResult run = RunInstaller(exe, L"--silent");
    ASSERT_TRUE(run.started);
    EXPECT_FALSE(run.timedOut);
    EXPECT_EQ(0u, run.exitCode);
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found;
    HANDLE walk = FindFirstFileW((dir / L"*").c_str(), &found);
    for (BOOL more = walk != INVALID_HANDLE_VALUE; more; more = FindNextFileW(walk, &found))
        if (found.cFileName[0] != L'.') names.push_back(found.cFileName);
    if (walk != INVALID_HANDLE_VALUE) FindClose(walk);
    std::sort(names.begin(), names.end());
    EXPECT_EQ((std::vector<std::wstring>{L"deploy-setup.exe", L"dest", L"links"}), names);
}

}  // namespace

namespace {

// The Uninstall entry's command pieces: "COPY" --uninstall="RECORD".
bool SplitUninstallString(const std::wstring& command, std::wstring& copy, std::wstring& record) {
    size_t a = command.find(L'"'), b = command.find(L'"', a + 1);
    size_t c = command.find(L"--uninstall=\"", b), d = command.find(L'"', c + 13);
    if (a != 0 || b == std::wstring::npos || c == std::wstring::npos || d == std::wstring::npos) return false;
    copy = command.substr(1, b - 1);
    record = command.substr(c + 13, d - c - 13);
    return true;
}

// Values quoted whole, as PowerShell, .NET and Python pass them, with other
// switches after them: the folder with a space, the log, the record.
TEST(SilentRuns, WholeQuotedValuesFollowedBySwitchesInstallAndRemove) {
    ScratchFolder dir;
    InstalledProduct product(L"DeployQuoted");
    std::wstring log = dir / L"quoted run.log";
    std::wstring folder = dir / L"My Notes";
    std::wstring exe =
        EmbedInstaller(dir, {Entry("setup.dat", ProductScript("DeployQuoted", dir, true)), Entry("a.txt", "alpha")});
    ProcessResult run =
        RunInstaller(exe, L"\"--installto=" + folder + L"\" \"--log=" + log + L"\" --silent --noautoreboot");
    ASSERT_TRUE(run.started);
    ASSERT_FALSE(run.timedOut);
    EXPECT_EQ(0u, run.exitCode);
    EXPECT_EQ("alpha", ReadBytes(folder + L"\\a.txt"));
    EXPECT_EQ(1, CountLines(ReadLogLines(log), "elevated child", "exit code 0"));

    std::wstring copy, record;
    ASSERT_TRUE(SplitUninstallString(product.Value(L"UninstallString"), copy, record));
    ProcessResult removal =
        RunProcess(L"\"" + copy + L"\" \"--uninstall=" + record + L"\" --silent \"--log=" + log + L"\"", {}, 60000);
    ASSERT_TRUE(removal.started);
    EXPECT_FALSE(removal.timedOut);
    EXPECT_EQ(0u, removal.exitCode);
    EXPECT_FALSE(Exists(folder + L"\\a.txt"));
    EXPECT_TRUE(product.Value(L"UninstallString").empty());
    EXPECT_EQ(1, CountLines(ReadLogLines(log), "uninstaller", "role: uninstaller, replays '" + Narrow(record) + "'"));
}

}  // namespace
