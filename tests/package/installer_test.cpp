// The real installer with packages embedded by the builder: it opens its
// package at start, reports a broken one, and leaves no folder behind.
#include <gtest/gtest.h>

#include "base/folders.h"
#include "base/temp_files.h"
#include "gui/driver.h"
#include "package/package_fixture.h"
#include "stub_embed.h"
#include "support/message_recorder.h"
#include "support/process.h"
#include "support/scratch.h"

namespace {

const wchar_t kCorrupted[] = L"This installation is corrupted, please obtain a new copy.";
const wchar_t kUnableToExtract[] =
    L"Unable to extract a file from install, possibly your security software is blocking the install.";

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

std::wstring Embed(const ScratchFolder& dir, const Bytes& package, const wchar_t* name,
                   const std::wstring& stub = TestStubPath()) {
    std::string error;
    std::wstring out = dir / name;
    EXPECT_TRUE(EmbedPackage(stub, package, out, error)) << error;
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
    EXPECT_EQ(1603u, run.process.exitCode);
    ASSERT_EQ(1u, run.boxes.size());
    EXPECT_EQ(kUnableToExtract, run.boxes[0].text);
    EXPECT_EQ(L"Setup", run.boxes[0].caption);
}

TEST(Installer, WithoutAnyPackageShowsTheExtractionMessage) {
    ScratchFolder dir;
    InstallerRun run = RunInstaller(TestStubPath(), dir);
    EXPECT_EQ(1603u, run.process.exitCode);
    ASSERT_EQ(1u, run.boxes.size());
    EXPECT_EQ(kUnableToExtract, run.boxes[0].text);
}

// The shipped stub reads nothing from the environment: with the test
// variables set it records no box and answers none; a real box waits for
// the user.
TEST(Installer, ShippedStubIgnoresTheTestVariables) {
    ScratchFolder dir;
    std::wstring log = dir / L"boxes.txt";
    SetEnvironmentVariableW(L"BRASK_TEST_MSGBOX", log.c_str());
    SetEnvironmentVariableW(L"BRASK_TEST_ANSWERS", L"1");
    ChildProcess stub;
    bool started = stub.Start(L"\"" + BinPath(L"bkstub.exe") + L"\"");
    SetEnvironmentVariableW(L"BRASK_TEST_MSGBOX", nullptr);
    SetEnvironmentVariableW(L"BRASK_TEST_ANSWERS", nullptr);
    ASSERT_TRUE(started);
    HWND box = WaitForProcessWindow(stub.Id(), 30000);
    ASSERT_TRUE(box != nullptr) << "no box on the display";
    wchar_t caption[64] = {};
    GetWindowTextW(box, caption, 64);
    EXPECT_STREQ(L"Setup", caption);
    bool hasText = false;
    for (const ControlInfo& c : ListControls(box))
        if (c.text == kUnableToExtract) hasText = true;
    EXPECT_TRUE(hasText);
    EXPECT_TRUE(ClickButton(box, IDOK, false));
    EXPECT_EQ(1603u, stub.Wait(30000));
    EXPECT_FALSE(PathExists(log.c_str()));
}

namespace {

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

// The "*helper.exe" files in the temporary folder and in its private folders.
std::vector<std::wstring> HelperCopies(bool inPrivateFolders) {
    std::vector<std::wstring> found;
    if (!inPrivateFolders) {
        DirWalker walker(L"*helper.exe", TempFolder());
        while (walker.Next()) found.push_back((const wchar_t*)walker.Current());
        return found;
    }
    DirWalker folders(L"BKI*.tmp", TempFolder());
    while (folders.Next()) {
        if (!folders.IsFolder()) continue;
        DirWalker walker(L"*helper.exe", folders.Current());
        while (walker.Next()) found.push_back((const wchar_t*)walker.Current());
    }
    return found;
}

}  // namespace

// The elevated child extracts a "<TempInstall>" program only into its own
// private folder, and runs it from there; the folder goes at the end.
TEST(Installer, TemporaryProgramRunsFromThePrivateFolder) {
    ScratchFolder dir;
    std::wstring event = L"BraskPrivateFolderTest-" + std::to_wstring(GetCurrentProcessId());
    std::string script = "[Project Name]\r\nGuarded\r\n[NoUnInstall]\r\n[RunAndWaitFile]\r\n<TempInstall>\\helper.exe\r\n"
                         "hold \"" + Narrow(dir / L"held.txt") + "\" " + Narrow(event) + "\r\n\r\n";
    std::wstring exe = Embed(dir, LayOut({Entry("setup.dat", script),
                                          Entry("helper.exe", ReadBytes(BinPath(L"test_helper.exe")))}),
                             L"guarded.exe");
    HANDLE release = CreateEventW(nullptr, TRUE, FALSE, event.c_str());
    HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, (event + L"-ready").c_str());
    ASSERT_TRUE(release && ready);
    std::vector<std::wstring> before = HelperCopies(true);
    SetEnvironmentVariableW(L"BRASK_TEST_MSGBOX", (dir / L"boxes.txt").c_str());
    ChildProcess installer;
    bool started = installer.Start(L"\"" + exe + L"\" --silent");
    SetEnvironmentVariableW(L"BRASK_TEST_MSGBOX", nullptr);
    ASSERT_TRUE(started);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(ready, 60000));
    std::vector<std::wstring> copies = HelperCopies(true);
    EXPECT_EQ(before.size() + 1, copies.size());
    EXPECT_TRUE(HelperCopies(false).empty());
    SetEvent(release);
    EXPECT_EQ(0u, installer.Wait(60000));
    for (const std::wstring& copy : copies) {
        std::wstring folder = copy.substr(0, copy.find_last_of(L'\\'));
        EXPECT_FALSE(PathExists(folder.c_str())) << folder;
    }
    EXPECT_TRUE(ReadMessageLog(dir / L"boxes.txt").empty());
    CloseHandle(release);
    CloseHandle(ready);
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
    EXPECT_EQ(1603u, run.process.exitCode);
    ASSERT_EQ(2u, run.boxes.size());
    EXPECT_EQ(kCorrupted, run.boxes[0].text);
    EXPECT_EQ((UINT)MB_ICONERROR, run.boxes[0].style);
    EXPECT_EQ(kUnableToExtract, run.boxes[1].text);
}

// Wine prefers its own DLLs, which would hide the hole: an override for the
// installer's file name (in the prefix's registry: Wine reads no override
// from a child's environment) makes it take a DLL found on the search path,
// as Windows does for every DLL it does not always take from System32.
class PreferFoundDlls {
public:
    PreferFoundDlls(const wchar_t* exeName, const std::vector<std::wstring>& dlls) {
        key_ = std::wstring(L"Software\\Wine\\AppDefaults\\") + exeName;
        HKEY key;
        if (RegCreateKeyExW(HKEY_CURRENT_USER, (key_ + L"\\DllOverrides").c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                            nullptr, &key, nullptr) != ERROR_SUCCESS)
            return;
        for (const std::wstring& dll : dlls)
            RegSetValueExW(key, dll.c_str(), 0, REG_SZ, (const BYTE*)L"native,builtin", 30);
        RegCloseKey(key);
    }
    ~PreferFoundDlls() { RegDeleteTreeW(HKEY_CURRENT_USER, key_.c_str()); }
    PreferFoundDlls(const PreferFoundDlls&) = delete;
    PreferFoundDlls& operator=(const PreferFoundDlls&) = delete;

private:
    std::wstring key_;
};

TEST(Installer, LoadsNoDllPlantedBesideIt) {
    ScratchFolder dir;
    std::wstring exe = Embed(dir, LayOut({Entry("setup.dat", "[Project Name]\r\nPlanted\r\n[NoUnInstall]\r\n")}),
                             L"setup.exe", BinPath(L"bkstub.exe"));
    const std::vector<std::wstring> names = {L"msimg32", L"version", L"uxtheme", L"dwmapi", L"propsys", L"cryptbase"};
    for (const std::wstring& name : names)
        ASSERT_TRUE(CopyFileW(BinPath(L"planted.dll").c_str(), (dir / (name + L".dll")).c_str(), FALSE));
    PreferFoundDlls preferFound(L"setup.exe", names);
    ProcessResult run =
        RunProcess(L"\"" + exe + L"\" --silent", {{L"BRASK_TEST_MSGBOX", dir / L"boxes.txt"}}, 60000);
    EXPECT_TRUE(run.started);
    EXPECT_FALSE(run.timedOut);
    // Wine's own user32 imports version.dll, so Wine's loader takes the
    // planted one at start, before any code of the installer runs; the
    // system's user32 does not. That one is left out here.
    for (const std::wstring& name : names)
        if (name != L"version") {
            EXPECT_FALSE(PathExists((dir / (name + L".dll.loaded")).c_str())) << name;
        }
}

}  // namespace
