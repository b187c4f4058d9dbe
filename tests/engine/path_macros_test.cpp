#include "engine/path_macros.h"

#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <string>

#include "app/installer_state.h"
#include "support/machine_registry.h"
#include "package/setup_files.h"
#include "support/process.h"
#include "support/scratch.h"
#include "support/test_package.h"

namespace {

const wchar_t kKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion";

std::wstring Expanded(const wchar_t* text) {
    WString s(text);
    ExpandPathMacros(s);
    return s.Text();
}

std::wstring WithBackslash(std::wstring folder) {
    if (folder.empty() || folder.back() != L'\\') folder += L'\\';
    return folder;
}

// The folder as the shell reports it through SHGetFolderPathW, a different
// route from the one the expansion takes.
std::wstring ShellFolder(int csidl) {
    wchar_t buffer[MAX_PATH] = {0};
    if (SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, buffer) != S_OK) return L"";
    return WithBackslash(buffer);
}

// Restores the installer-state fields the expansion reads.
class StateGuard {
public:
    StateGuard() : installPath_(state.installPath), use64_(state.use64BitLocations) {}
    ~StateGuard() {
        state.installPath = installPath_;
        state.use64BitLocations = use64_;
    }

private:
    WString installPath_;
    bool use64_;
};

// 64-bit Windows keeps "ProgramW6432Dir" (the native program folder) in both
// registry views; Wine's 64-bit prefix has no such value. For the time of a
// test it is added to the 32-bit view the way Windows holds it, and removed
// again. Only this test program touches that value.
class WindowsLikeProgramW6432Dir {
public:
    WindowsLikeProgramW6432Dir() {
        if (!Is64BitSystem() || !MachineString(kKey, L"ProgramW6432Dir", 0).empty()) return;
        std::wstring native = MachineString(kKey, L"ProgramFilesDir", KEY_WOW64_64KEY);
        added_ = !native.empty() &&
                 RegSetKeyValueW(HKEY_LOCAL_MACHINE, kKey, L"ProgramW6432Dir", REG_SZ, native.c_str(),
                                 (DWORD)((native.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
    }
    ~WindowsLikeProgramW6432Dir() {
        if (added_) RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, kKey, L"ProgramW6432Dir");
    }

private:
    bool added_ = false;
};

TEST(PathMacros, SystemFolders) {
    std::wstring system = ShellFolder(CSIDL_SYSTEM);
    ASSERT_FALSE(system.empty());
    EXPECT_EQ(system + L"x.dll", Expanded(L"<System>x.dll"));
    EXPECT_EQ(ShellFolder(CSIDL_WINDOWS) + L"win.ini", Expanded(L"<windows>\\win.ini"));
    // The 32-bit system folder of 64-bit Windows; 32-bit Windows has none
    // and the System folder takes its place.
    std::wstring wow64 = Expanded(L"<SystemWOW64>");
    if (PrefixKind() == L"win64") {
        EXPECT_EQ(ShellFolder(CSIDL_SYSTEMX86), wow64);
        EXPECT_NE(system, wow64);
    } else {
        EXPECT_EQ(system, wow64);
    }
}

TEST(PathMacros, SpecialFoldersOfTheShell) {
    EXPECT_EQ(ShellFolder(CSIDL_STARTUP) + L"a.lnk", Expanded(L"<Startup>a.lnk"));
    EXPECT_EQ(ShellFolder(CSIDL_COMMON_PROGRAMS) + L"Tool\\", Expanded(L"<Start Programs>\\Tool\\"));
    EXPECT_EQ(ShellFolder(CSIDL_DESKTOPDIRECTORY) + L"b.lnk", Expanded(L"<desktop>b.lnk"));
    EXPECT_EQ(ShellFolder(CSIDL_APPDATA) + L"Microsoft\\Internet Explorer\\Quick Launch\\c.lnk",
              Expanded(L"<QuickLaunch>c.lnk"));
    EXPECT_EQ(ShellFolder(CSIDL_PERSONAL) + L"d.txt", Expanded(L"<MyDocuments>\\d.txt"));
    EXPECT_NE(std::wstring::npos, Expanded(L"<Start Programs>").find(L"\\Programs\\"));
}

TEST(PathMacros, DestinationIgnoringCaseWithTheBackslashFolded) {
    StateGuard guard;
    state.installPath = L"C:\\Apps\\Tool";
    EXPECT_EQ(L"C:\\Apps\\Tool\\bin\\a.dll", Expanded(L"<destination>\\bin\\a.dll"));
    EXPECT_EQ(L"C:\\Apps\\Tool\\a.dll", Expanded(L"<DESTINATION>a.dll"));
    state.installPath = L"C:\\Apps\\Tool\\";
    EXPECT_EQ(L"C:\\Apps\\Tool\\a;C:\\Apps\\Tool\\b", Expanded(L"<Destination>a;<Destination>\\b"));
    // A destination written with a later placeholder is resolved in the same call.
    state.installPath = L"<Program Files>\\Tool";
    EXPECT_EQ(WithBackslash(MachineString(kKey, L"ProgramFilesDir", 0)) + L"Tool\\x", Expanded(L"<Destination>x"));
}

TEST(PathMacros, EmptyDestinationLeavesThePlaceholder) {
    // Not a lone backslash: that would be the root of the current drive.
    StateGuard guard;
    state.installPath = L"";
    EXPECT_EQ(L"<Destination>\\a.dll", Expanded(L"<Destination>\\a.dll"));
}

TEST(PathMacros, ProgramFilesByUse64BitLocations) {
    StateGuard guard;
    WindowsLikeProgramW6432Dir windowsLike;
    std::wstring own = WithBackslash(MachineString(kKey, L"ProgramFilesDir", 0));
    ASSERT_NE(L"\\", own);
    state.use64BitLocations = false;
    EXPECT_EQ(own + L"Tool\\a.exe", Expanded(L"<Program Files>\\Tool\\a.exe"));
    state.use64BitLocations = true;
    std::wstring with64 = Expanded(L"<program files>Tool");
    if (PrefixKind() == L"win64") {
        EXPECT_EQ(L"C:\\Program Files (x86)\\", own);
        EXPECT_EQ(WithBackslash(MachineString(kKey, L"ProgramFilesDir", KEY_WOW64_64KEY)) + L"Tool", with64);
        EXPECT_EQ(L"C:\\Program Files\\Tool", with64);
    } else {
        // 32-bit Windows has one program folder and no "ProgramW6432Dir".
        EXPECT_EQ(L"", MachineString(kKey, L"ProgramW6432Dir", 0));
        EXPECT_EQ(L"C:\\Program Files\\Tool", with64);
    }
}

TEST(PathMacros, ProgramFilesFallsBackAndNeverBecomesALoneBackslash) {
    StateGuard guard;
    MachineKeyOverride machine;
    ASSERT_TRUE(machine.Active());
    ASSERT_TRUE(machine.SetString(kKey, L"ProgramFilesDir", L"D:\\Progs32"));
    ASSERT_TRUE(machine.SetString(kKey, L"ProgramW6432Dir", L""));
    state.use64BitLocations = true;
    EXPECT_EQ(L"D:\\Progs32\\x", Expanded(L"<Program Files>x"));  // an empty native value falls back
    ASSERT_TRUE(machine.SetString(kKey, L"ProgramW6432Dir", L"D:\\Progs64\\"));
    EXPECT_EQ(L"D:\\Progs64\\x", Expanded(L"<Program Files>\\x"));
    state.use64BitLocations = false;
    EXPECT_EQ(L"D:\\Progs32\\x", Expanded(L"<Program Files>x"));
    ASSERT_TRUE(machine.SetString(kKey, L"ProgramFilesDir", L""));
    EXPECT_EQ(L"<Program Files>\\x", Expanded(L"<Program Files>\\x"));
}

TEST(PathMacros, BackslashCleanUpAndUnc) {
    EXPECT_EQ(L"C:\\a\\b", Expanded(L"C:\\\\a\\\\b"));
    EXPECT_EQ(L"\\\\srv\\share\\x", Expanded(L"\\\\srv\\share\\\\x"));
    EXPECT_EQ(L"C:\\a\\\\b\\\\c", Expanded(L"C:\\a\\\\\\b\\\\\\\\c"));  // 3 and 4 become 2
    EXPECT_EQ(L"\\a", Expanded(L"\\a"));
    EXPECT_EQ(L"\\\\?\\C:\\x", Expanded(L"\\\\?\\C:\\x"));
    EXPECT_EQ(L"", Expanded(L""));
}

TEST(PathMacros, UnknownWordsStayAsTheyAre) {
    ASSERT_EQ(nullptr, state.package);
    EXPECT_EQ(L"<TempInstall>run.exe", Expanded(L"<TempInstall>run.exe"));
    EXPECT_EQ(L"<Source>setup.dat", Expanded(L"<Source>setup.dat"));
    EXPECT_EQ(L"<Nothing>\\x <System", Expanded(L"<Nothing>\\\\x <System"));
    EXPECT_EQ(ShellFolder(CSIDL_SYSTEM) + L"a;" + ShellFolder(CSIDL_SYSTEM) + L"b",
              Expanded(L"<System>a;<system>b"));
}

TEST(PathMacros, SourceIsThePackagesPrivateFolder) {
    ScratchFolder dir;
    TestPackage package(dir.Path(), {});
    ASSERT_TRUE(package.Ready());
    std::wstring folder = state.package->Folder().Text();
    ASSERT_EQ(L'\\', folder.back());
    EXPECT_EQ(folder + L"setup.dat", Expanded(L"<source>\\setup.dat"));
    EXPECT_EQ("[Project Name]\r\nTest\r\n", ReadBytes(folder + L"setup.dat"));
}

}  // namespace
