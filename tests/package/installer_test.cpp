// The real installer with packages embedded by the builder: it opens its
// package at start, reports a broken one, and leaves no folder behind.
#include <gtest/gtest.h>

#include "base/folders.h"
#include "base/temp_files.h"
#include "package/package_fixture.h"
#include "stub_embed.h"
#include "support/message_recorder.h"
#include "support/process.h"
#include "support/scratch.h"

namespace {

const wchar_t kCorrupted[] = L"This installation is corrupted, please obtain a new copy.";
const wchar_t kUnableToExtract[] =
    L"Unable to extract a file from install, possibly your security software is blocking the install.";

int CountPrivateFolders() {
    int count = 0;
    DirWalker walker(L"BKI*.tmp", TempFolder());
    while (walker.Next())
        if (walker.IsFolder()) count++;
    return count;
}

struct InstallerRun {
    ProcessResult process;
    std::vector<ShownMessage> boxes;
};

InstallerRun RunInstaller(const std::wstring& exe, const ScratchFolder& dir, const wchar_t* arguments = L"") {
    InstallerRun run;
    std::wstring log = dir / L"boxes.txt";
    DeleteFileW(log.c_str());
    run.process = RunProcess(L"\"" + exe + L"\" " + arguments, {{L"BRASK_TEST_MSGBOX", log}}, 60000);
    run.boxes = ReadMessageLog(log);
    return run;
}

std::wstring Embed(const ScratchFolder& dir, const Bytes& package, const wchar_t* name) {
    std::string error;
    std::wstring out = dir / name;
    EXPECT_TRUE(EmbedPackage(BinPath(L"bkstub.exe"), package, out, error)) << error;
    return out;
}

TEST(Installer, OpensItsPackageAndRemovesItsFolder) {
    ScratchFolder dir;
    int before = CountPrivateFolders();
    // Silent and without an uninstall record: the wizard ends by itself and
    // leaves nothing behind in the shared prefix.
    std::wstring exe =
        Embed(dir, LayOut({Entry("setup.dat", "[Project Name]\r\nDemo\r\n[NoUnInstall]\r\n")}), L"good.exe");
    InstallerRun run = RunInstaller(exe, dir, L"--silent");
    ASSERT_TRUE(run.process.started);
    EXPECT_FALSE(run.process.timedOut);
    EXPECT_EQ(0u, run.process.exitCode);
    EXPECT_TRUE(run.boxes.empty());
    EXPECT_EQ(before, CountPrivateFolders());
}

TEST(Installer, WithoutScriptShowsTheExtractionMessage) {
    ScratchFolder dir;
    std::wstring exe = Embed(dir, LayOut({Entry("readme.txt", "no script here")}), L"noscript.exe");
    InstallerRun run = RunInstaller(exe, dir);
    EXPECT_EQ(0u, run.process.exitCode);
    ASSERT_EQ(1u, run.boxes.size());
    EXPECT_EQ(kUnableToExtract, run.boxes[0].text);
    EXPECT_EQ(L"Setup", run.boxes[0].caption);
}

TEST(Installer, WithoutAnyPackageShowsTheExtractionMessage) {
    ScratchFolder dir;
    InstallerRun run = RunInstaller(BinPath(L"bkstub.exe"), dir);
    EXPECT_EQ(0u, run.process.exitCode);
    ASSERT_EQ(1u, run.boxes.size());
    EXPECT_EQ(kUnableToExtract, run.boxes[0].text);
}

TEST(Installer, CorruptedPackageIsReported) {
    ScratchFolder dir;
    Bytes package = LayOut({Entry("setup.dat", "[Project Name]\r\nDemo\r\n")});
    std::wstring exe = Embed(dir, package, L"broken.exe");
    // Find the package inside the program and change one reserved byte.
    std::string image = ReadBytes(exe);
    std::string needle(package.end() - 24, package.end());
    size_t end = image.rfind(needle);
    ASSERT_NE(std::string::npos, end);
    size_t start = end + 24 - package.size();
    image[start + 5] ^= 0x01;
    WriteBytes(exe, image);
    InstallerRun run = RunInstaller(exe, dir);
    EXPECT_EQ(0u, run.process.exitCode);
    ASSERT_EQ(2u, run.boxes.size());
    EXPECT_EQ(kCorrupted, run.boxes[0].text);
    EXPECT_EQ((UINT)MB_ICONERROR, run.boxes[0].style);
    EXPECT_EQ(kUnableToExtract, run.boxes[1].text);
}

}  // namespace
