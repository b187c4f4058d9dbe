// Installs for this user only, as a deployment tool runs them: no elevated
// process, the user's own folders and HKCU, and a quiet uninstall that
// takes all of it away; both scopes of one product side by side; scripts
// and switches a scope does not allow, refused before anything is written.
#include <gtest/gtest.h>
#include <shlobj.h>

#include "base/registry.h"
#include "engine/pending_delete.h"
#include "deploy/deploy_fixture.h"
#include "package/package_fixture.h"
#include "support/machine_registry.h"

namespace {

const wchar_t kUninstallKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

std::wstring Folder(int csidl) {
    wchar_t path[MAX_PATH] = {0};
    SHGetFolderPathW(nullptr, csidl, nullptr, 0, path);
    return path;
}

std::wstring UserPrograms() { return Folder(CSIDL_LOCAL_APPDATA) + L"\\Programs\\"; }

bool HasKey(HKEY root, const std::wstring& path) {
    HKEY key;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

// One file into "<Program Files>NAME\", a Start-menu shortcut to it and a
// value under the scope's root naming the folder; extra goes at the end.
std::string ScopedScript(const std::string& name, const std::string& scope, const std::string& extra = "") {
    return "[Project Name]\r\n" + name + "\r\n[Install Scope]\r\n" + scope + "\r\n[Install To]\r\n<Program Files>" +
           name + "\\\r\n[CopyFile]\r\na.txt\r\n<Destination>a.txt\r\n[CreateIcon]\r\n<Destination>a.txt\r\n" +
           "<Start Programs>" + name + "\\A.lnk\r\n\r\n\r\n[Registry]\r\nHKSCOPE\r\nSoftware\\" + name +
           "\r\nSTRING\r\nfolder\r\n<Destination>\r\n" + extra;
}

ProcessResult QuietUninstall(const InstalledProduct& product, const std::wstring& log) {
    return RunProcess(product.Value(L"QuietUninstallString") + LogSwitch(log), {}, 60000);
}

TEST(InstallScope, UserInstallNeverElevatesAndItsQuietUninstallLeavesNothing) {
    ScratchFolder dir;
    std::wstring log = dir / L"run.log";
    InstalledProduct product(L"ScopeUser", true);
    std::wstring exe = EmbedInstaller(dir, {Entry("setup.dat", ScopedScript("ScopeUser", "user")), Entry("a.txt", "a")});
    std::wstring folder = UserPrograms() + L"ScopeUser\\";
    std::wstring link = Folder(CSIDL_PROGRAMS) + L"\\ScopeUser\\A.lnk";

    ProcessResult run = RunInstaller(exe, L"--silent" + LogSwitch(log));
    ASSERT_TRUE(run.started);
    EXPECT_EQ(0u, run.exitCode);
    std::vector<std::string> lines = ReadLogLines(log);
    EXPECT_EQ(0, CountLines(lines, "elevated child", "")) << "nothing ran elevated";
    EXPECT_EQ(0, CountLines(lines, "parent", "relaunches itself"));
    EXPECT_EQ(1, CountLines(lines, "user installer", "role: install for this user only"));
    EXPECT_TRUE(Exists(folder + L"a.txt"));
    EXPECT_TRUE(Exists(link));
    EXPECT_EQ(folder, std::wstring(ReadStringValue(L"folder", HKEY_CURRENT_USER, L"Software\\ScopeUser")));
    EXPECT_FALSE(HasKey(HKEY_LOCAL_MACHINE, std::wstring(kUninstallKey) + L"ScopeUser"));
    std::wstring uninstaller = product.Value(L"DisplayIcon");
    EXPECT_EQ(0u, uninstaller.find(UserPrograms() + L"BraskUninstall\\")) << Narrow(uninstaller);

    ProcessResult removal = QuietUninstall(product, log);
    ASSERT_TRUE(removal.started);
    EXPECT_EQ(0u, removal.exitCode);
    EXPECT_EQ(0, CountLines(ReadLogLines(log), "elevated uninstaller", "")) << "the uninstall did not elevate";
    EXPECT_FALSE(Exists(folder));
    EXPECT_FALSE(Exists(link));
    EXPECT_FALSE(Exists(UserPrograms() + L"BraskUninstall\\BraskUninstall-ScopeUser.dat"));
    EXPECT_FALSE(HasKey(HKEY_CURRENT_USER, std::wstring(kUninstallKey) + L"ScopeUser"));
    EXPECT_TRUE(std::wstring(ReadStringValue(L"folder", HKEY_CURRENT_USER, L"Software\\ScopeUser")).empty());
    // The running uninstaller goes at the user's next logon: a restart's
    // deletion would need administrator rights.
    EXPECT_FALSE(CancelPendingDelete(uninstaller.c_str()));
    const wchar_t* runOnce = L"Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
    std::wstring logon = (const wchar_t*)ReadStringValue(L"BraskUninstall-ScopeUser", HKEY_CURRENT_USER, runOnce);
    EXPECT_NE(std::wstring::npos, logon.find(L"\"" + uninstaller + L"\"")) << Narrow(logon);
    RegKey key(KEY_SET_VALUE, HKEY_CURRENT_USER, runOnce);
    if (key.IsOpen()) RegDeleteValueW(key.Handle(), L"BraskUninstall-ScopeUser");
}

TEST(InstallScope, BothScopesOfOneProductSideBySideEachRemovedAlone) {
    ScratchFolder dir;
    std::wstring log = dir / L"run.log";
    InstalledProduct forUser(L"ScopeBoth", true), forEveryone(L"ScopeBoth");
    std::wstring exe = EmbedInstaller(dir, {Entry("setup.dat", ScopedScript("ScopeBoth", "either")), Entry("a.txt", "a")});
    // "either" installs for this user unless the switch says otherwise.
    ASSERT_EQ(0u, RunInstaller(exe, L"--silent --scope=machine" + LogSwitch(log)).exitCode);
    ASSERT_EQ(0u, RunInstaller(exe, L"--silent" + LogSwitch(log)).exitCode);
    std::wstring userFolder = forUser.Value(L"InstallLocation"), machineFolder = forEveryone.Value(L"InstallLocation");
    EXPECT_EQ(UserPrograms() + L"ScopeBoth\\", userFolder);
    ASSERT_FALSE(machineFolder.empty());
    EXPECT_NE(userFolder, machineFolder);
    EXPECT_TRUE(Exists(userFolder + L"a.txt"));
    EXPECT_TRUE(Exists(machineFolder + L"a.txt"));

    EXPECT_EQ(0u, QuietUninstall(forUser, log).exitCode);
    EXPECT_FALSE(Exists(userFolder + L"a.txt"));
    EXPECT_TRUE(Exists(machineFolder + L"a.txt")) << "the machine's install stays";
    EXPECT_FALSE(forEveryone.Value(L"UninstallString").empty());
    EXPECT_EQ(0u, QuietUninstall(forEveryone, log).exitCode);
    EXPECT_FALSE(Exists(machineFolder + L"a.txt"));
}

TEST(InstallScope, WhatTheScopeDoesNotAllowIsRefusedBeforeAnythingIsWritten) {
    struct Row {
        const char* what;
        const char* scope;
        const wchar_t* options;
        std::string extra;
        const char* role;  // the process that refuses
        std::string says;
    };
    const Row rows[] = {
        {"user switch, machine script", "machine", L" --scope=user", "", "parent",
         "This product installs for everyone only: the switch '--scope=user' cannot be used."},
        {"machine switch, user script", "user", L" --scope=machine", "", "parent",
         "This product installs for this user only: the switch '--scope=machine' cannot be used."},
        {"unknown switch value", "either", L" --scope=all", "", "parent", "The switch '--scope=all' is not known"},
        {"a file in <System>", "user", L"", "[CopyFile]\r\na.txt\r\n<System>scope.txt\r\n", "user installer",
         "cannot be installed for this user only: it writes '<System>scope.txt', which needs administrator rights."},
        {"an HKLM value", "either", L"", "[Registry]\r\nHKLM\r\nSoftware\\ScopeRefused\r\nSTRING\r\nv\r\nd\r\n", "user installer",
         "it writes 'HKLM\\Software\\ScopeRefused'"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        ScratchFolder dir;
        std::wstring log = dir / L"run.log";
        InstalledProduct forUser(L"ScopeRefused", true), forEveryone(L"ScopeRefused");
        std::wstring exe = EmbedInstaller(
            dir, {Entry("setup.dat", ScopedScript("ScopeRefused", row.scope, row.extra)), Entry("a.txt", "a")});
        ProcessResult run = RunInstaller(exe, L"--silent" + std::wstring(row.options) + LogSwitch(log));
        ASSERT_TRUE(run.started);
        EXPECT_FALSE(run.timedOut);
        EXPECT_EQ(1603u, run.exitCode);
        EXPECT_EQ(1, CountLines(ReadLogLines(log), row.role, row.says));
        EXPECT_FALSE(Exists(UserPrograms() + L"ScopeRefused\\a.txt"));
        EXPECT_TRUE(forUser.Value(L"UninstallString").empty());
        EXPECT_TRUE(forEveryone.Value(L"UninstallString").empty());
    }
}

}  // namespace
