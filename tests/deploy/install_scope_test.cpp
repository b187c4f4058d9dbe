// Installs for this user only as deployment tools run them: unelevated, in
// the user's own folders and HKCU; both scopes side by side; refusals.
#include <gtest/gtest.h>
#include <shlobj.h>

#include "base/registry.h"
#include "engine/pending_delete.h"
#include "deploy/deploy_fixture.h"
#include "package/package_fixture.h"

namespace {

std::wstring Folder(int csidl) {
    wchar_t path[MAX_PATH] = {0};
    SHGetFolderPathW(nullptr, csidl, nullptr, 0, path);
    return path;
}

std::wstring UserPrograms() { return Folder(CSIDL_LOCAL_APPDATA) + L"\\Programs\\"; }

// One file into "<Program Files>NAME\", a Start-menu shortcut to it and a
// value under the scope's root naming the folder; extra goes at the end.
std::string ScopedScript(const std::string& name, const std::string& scope, const std::string& extra = "") {
    return "[Project Name]\r\n" + name + "\r\n[Install Scope]\r\n" + scope + "\r\n[Install To]\r\n<Program Files>" +
           name + "\\\r\n[CopyFile]\r\na.txt\r\n<Destination>a.txt\r\n[CreateIcon]\r\n<Destination>a.txt\r\n" +
           "<Start Programs>" + name + "\\A.lnk\r\n\r\n\r\n[Registry]\r\nHKSCOPE\r\nSoftware\\" + name +
           "\r\nSTRING\r\nfolder\r\n<Destination>\r\n" + extra;
}

DWORD QuietUninstall(const InstalledProduct& product, const std::wstring& log) {
    return RunProcess(product.Value(L"QuietUninstallString") + LogSwitch(log), {}, 60000).exitCode;
}

// A variable as stored (REG_EXPAND_SZ unexpanded) and its type.
struct Variable {
    bool exists = false;
    DWORD type = 0;
    std::wstring text;
};

Variable ReadVariable(HKEY root, const wchar_t* key, const wchar_t* name) {
    Variable v;
    wchar_t buffer[4096] = {0};
    DWORD bytes = sizeof buffer - sizeof(wchar_t);
    RegKey opened(KEY_QUERY_VALUE, root, key);
    v.exists = RegQueryValueExW(opened.Handle(), name, nullptr, &v.type, (BYTE*)buffer, &bytes) == ERROR_SUCCESS;
    v.text = buffer;
    return v;
}

void WriteVariable(HKEY root, const wchar_t* key, const wchar_t* name, const std::wstring& text, DWORD type) {
    RegKey opened(KEY_SET_VALUE, root, key);
    RegSetValueExW(opened.Handle(), name, 0, type, (const BYTE*)text.c_str(), (DWORD)(text.size() + 1) * 2);
}

// The prefix's variable as it was, whatever the test did.
struct KeptVariable {
    KeptVariable(HKEY r, const wchar_t* k, const wchar_t* n) : root(r), key(k), name(n), was(ReadVariable(r, k, n)) {}
    ~KeptVariable() {
        RegKey opened(KEY_SET_VALUE, root, key);
        if (was.exists)
            WriteVariable(root, key, name, was.text, was.type);
        else
            RegDeleteValueW(opened.Handle(), name);
    }
    HKEY root;
    const wchar_t *key, *name;
    Variable was;
};

// The install adds to PATH in its scope's environment (an element already
// there, in other spelling, it leaves) and sets a variable; the uninstall
// takes out exactly what it added: an element added meanwhile stays.
TEST(InstallScope, EnvironmentChangesAreTakenOutExactly) {
    struct Row { const char* scope; HKEY root; const wchar_t* key; };
    const Row rows[] = {{"user", HKEY_CURRENT_USER, L"Environment"},
                        {"machine", HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment"}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.scope);
        ScratchFolder dir;
        std::wstring log = dir / L"run.log";
        bool user = row.root == HKEY_CURRENT_USER;
        InstalledProduct product(L"ScopeEnv", user);
        KeptVariable path(row.root, row.key, L"PATH"), home(row.root, row.key, L"BRASK_ENV_HOME");
        std::wstring before = (path.was.exists ? path.was.text + L";" : L"") + L"%SystemDrive%\\BraskOther";
        WriteVariable(row.root, row.key, L"PATH", before, REG_EXPAND_SZ);
        std::string changes = "[Environment]\r\nPATH|append|<Destination>bin\r\n[Environment]\r\nPATH|Prepend|"
                              "<Destination>first\r\n[Environment]\r\nPATH|append|%SYSTEMDRIVE%\\braskother\\\r\n"
                              "[Environment]\r\nBRASK_ENV_HOME|set|<Destination>\r\n";
        std::wstring exe = EmbedInstaller(
            dir, {Entry("setup.dat", ScopedScript("ScopeEnv", row.scope, changes)), Entry("a.txt", "a")});
        ASSERT_EQ(0u, RunInstaller(exe, L"--silent" + LogSwitch(log)).exitCode);
        EXPECT_EQ(user, CountLines(ReadLogLines(log), "elevated child", "") == 0);
        // Installed over itself, it finds its own elements: they stay, once.
        ASSERT_EQ(0u, RunInstaller(exe, L"--silent").exitCode);
        std::wstring folder = product.Value(L"InstallLocation");
        Variable added = ReadVariable(row.root, row.key, L"PATH");
        EXPECT_EQ(folder + L"first;" + before + L";" + folder + L"bin", added.text);
        EXPECT_EQ(folder, ReadVariable(row.root, row.key, L"BRASK_ENV_HOME").text);
        WriteVariable(row.root, row.key, L"PATH", added.text + L";C:\\Later", REG_EXPAND_SZ);
        EXPECT_EQ(0u, QuietUninstall(product, log));
        Variable left = ReadVariable(row.root, row.key, L"PATH");
        EXPECT_EQ(before + L";C:\\Later", left.text);
        EXPECT_EQ((DWORD)REG_EXPAND_SZ, left.type);
        EXPECT_FALSE(ReadVariable(row.root, row.key, L"BRASK_ENV_HOME").exists);
    }
}

TEST(InstallScope, UserInstallNeverElevatesAndItsQuietUninstallLeavesNothing) {
    ScratchFolder dir;
    std::wstring log = dir / L"run.log";
    InstalledProduct product(L"ScopeUser", true);
    std::wstring exe = EmbedInstaller(dir, {Entry("setup.dat", ScopedScript("ScopeUser", "user")), Entry("a.txt", "a")});
    std::wstring folder = UserPrograms() + L"ScopeUser\\";
    std::wstring link = Folder(CSIDL_PROGRAMS) + L"\\ScopeUser\\A.lnk";
    ProcessResult run = RunInstaller(exe, L"--silent" + LogSwitch(log));
    EXPECT_EQ(0u, run.exitCode);
    std::vector<std::string> lines = ReadLogLines(log);
    EXPECT_EQ(0, CountLines(lines, "elevated child", "")) << "nothing ran elevated";
    EXPECT_EQ(1, CountLines(lines, "user installer", "role: install for this user only"));
    EXPECT_TRUE(Exists(folder + L"a.txt"));
    EXPECT_TRUE(Exists(link));
    EXPECT_EQ(folder, std::wstring(ReadStringValue(L"folder", HKEY_CURRENT_USER, L"Software\\ScopeUser")));
    EXPECT_TRUE(InstalledProduct(L"ScopeUser").Value(L"UninstallString").empty()) << "nothing under HKLM";
    std::wstring uninstaller = product.Value(L"DisplayIcon");
    EXPECT_EQ(0u, uninstaller.find(UserPrograms() + L"BraskUninstall\\")) << Narrow(uninstaller);
    EXPECT_EQ(0u, QuietUninstall(product, log));
    EXPECT_EQ(0, CountLines(ReadLogLines(log), "elevated uninstaller", "")) << "the uninstall did not elevate";
    EXPECT_FALSE(Exists(folder));
    EXPECT_FALSE(Exists(link));
    EXPECT_TRUE(product.Value(L"UninstallString").empty());
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
    EXPECT_TRUE(Exists(userFolder + L"a.txt"));
    EXPECT_EQ(0u, QuietUninstall(forUser, log));
    EXPECT_FALSE(Exists(userFolder + L"a.txt"));
    EXPECT_TRUE(Exists(machineFolder + L"a.txt")) << "the machine's install stays";
    EXPECT_EQ(0u, QuietUninstall(forEveryone, log));
    EXPECT_FALSE(Exists(machineFolder + L"a.txt"));
}

TEST(InstallScope, WhatTheScopeDoesNotAllowIsRefusedBeforeAnythingIsWritten) {
    // The process that refuses, and part of what it says.
    struct Row { const char *what, *scope; const wchar_t* options; std::string extra; const char *role, *says; };
    const Row rows[] = {
        {"user switch, machine script", "machine", L" --scope=user", "", "parent",
         "This product installs for everyone only: the switch '--scope=user' cannot be used."},
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
        EXPECT_EQ(1603u, RunInstaller(exe, L"--silent" + std::wstring(row.options) + LogSwitch(log)).exitCode);
        EXPECT_EQ(1, CountLines(ReadLogLines(log), row.role, row.says));
        EXPECT_FALSE(Exists(UserPrograms() + L"ScopeRefused\\a.txt"));
    }
}

}  // namespace
