// Removal never takes what is not its own: a file written again after an
// uninstall survives that uninstall's restart, another product's App Paths
// entry and shared files stay, and "<Program Files>" in a record names the
// folder the install used.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "app/installer_state.h"
#include "base/registry.h"
#include "engine/pending_delete.h"
#include "engine/uninstall_record.h"
#include "gui/driver.h"
#include "res/resource_ids.h"
#include "support/machine_registry.h"
#include "support/message_recorder.h"
#include "support/process.h"
#include "support/scratch.h"
#include "uninstall/uninstall_fixture.h"

namespace {

std::string Narrow(const std::wstring& text) { return std::string(WString(text.c_str()).ToAnsi()); }

std::string CopySection(const std::wstring& entry, const std::wstring& destination) {
    return "[CopyFile]\r\n" + Narrow(entry) + "\r\n" + Narrow(destination) + "\r\n";
}

const wchar_t kAppPaths[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\bktestsame.exe";

class RemovalSafety : public ProductFilesTest {};

TEST_F(RemovalSafety, PendingDeleteIsCancelledOnlyForItsOwnPath) {
    std::wstring a = files / L"a.txt", b = files / L"b.txt";
    ASSERT_TRUE(WriteBytes(a, "a"));
    ASSERT_TRUE(WriteBytes(b, "b"));
    ASSERT_TRUE(MoveFileExW(a.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT));
    ASSERT_TRUE(MoveFileExW(b.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT));
    // Letter case and the long-path prefix do not matter.
    std::wstring upper = a;
    for (wchar_t& c : upper) c = (wchar_t)towupper(c);
    EXPECT_TRUE(CancelPendingDelete((L"\\\\?\\" + upper).c_str()));
    EXPECT_FALSE(CancelPendingDelete(a.c_str())) << "already cancelled";
    ASSERT_TRUE(RestartWindows());
    EXPECT_TRUE(Exists(a));
    EXPECT_FALSE(Exists(b));
}

// An uninstall that ran while a file was in use scheduled it, and its own
// uninstaller, for deletion; installing again before the restart writes
// both anew, and the restart must leave them.
TEST_F(RemovalSafety, ReinstallBeforeTheRestartKeepsTheNewFiles) {
    TestProduct product(L"BkTestAgain", L"<Program Files>BkTest Again");
    Entries entries = {{L"f.txt", File("f.txt", "first")}};
    std::string actions = CopySection(L"f.txt", L"<Destination>f.txt");
    ASSERT_TRUE(product.Install(actions, entries));
    std::wstring installed = product.Folder() + L"f.txt";
    {
        FileHolder holder(installed);
        ASSERT_TRUE(holder.Held());
        UninstallRun run = product.Uninstall();
        ASSERT_TRUE(run.resultWritten);
        EXPECT_TRUE(run.reboot);
    }
    ASSERT_TRUE(product.Install(actions, entries));
    ASSERT_TRUE(RestartWindows());
    EXPECT_EQ("first", ReadBytes(installed));
    EXPECT_TRUE(Exists(product.CopyPath()));
    EXPECT_TRUE(Exists(product.LogPath()));
    UninstallRun run = product.Uninstall();
    ASSERT_TRUE(run.resultWritten);
    EXPECT_FALSE(Exists(installed));
}

TEST_F(RemovalSafety, AppPathsEntryOfAnotherProductStays) {
    TestProduct first(L"BkTestPathOne", L"<Program Files>BkTest PathOne");
    TestProduct second(L"BkTestPathTwo", L"<Program Files>BkTest PathTwo");
    Entries entries = {{L"tool.exe", BinPath(L"test_helper.exe")}};
    std::string actions = CopySection(L"tool.exe", L"<Destination>bktestsame.exe");
    ASSERT_TRUE(first.Install(actions, entries));
    ASSERT_TRUE(second.Install(actions, entries));
    ASSERT_EQ(second.Folder() + L"bktestsame.exe", MachineString(kAppPaths, L"", 0));
    UninstallRun run = first.Uninstall();
    ASSERT_TRUE(run.resultWritten);
    EXPECT_FALSE(Exists(first.Folder()));
    EXPECT_EQ(second.Folder() + L"bktestsame.exe", MachineString(kAppPaths, L"", 0));
    run = second.Uninstall();
    ASSERT_TRUE(run.resultWritten);
    EXPECT_EQ(L"", MachineString(kAppPaths, L"", 0));
}

// Windows keeps the native program folder as "ProgramW6432Dir" in the
// 32-bit registry view too; Wine does not, so "<Program Files>" would name
// the 32-bit folder either way. Set as Windows has it, for one test.
class NativeProgramFilesValue {
public:
    NativeProgramFilesValue() {
        if (!Is64BitSystem() || !MachineString(kKey, L"ProgramW6432Dir", 0).empty()) return;
        std::wstring native = MachineString(kKey, L"ProgramFilesDir", KEY_WOW64_64KEY);
        set_ = !native.empty() && WriteString(native.c_str(), L"ProgramW6432Dir", HKEY_LOCAL_MACHINE, kKey);
    }
    ~NativeProgramFilesValue() {
        HKEY key = nullptr;
        if (!set_ || RegOpenKeyExW(HKEY_LOCAL_MACHINE, kKey, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return;
        RegDeleteValueW(key, L"ProgramW6432Dir");
        RegCloseKey(key);
    }

private:
    static constexpr const wchar_t* kKey = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
    bool set_ = false;
};

// On 64-bit Windows a product of documents only uses the native program
// folder, one with a 32-bit program the other: their records lie apart,
// and a file both installed stays until both are gone.
TEST_F(RemovalSafety, SharedFileCountsTheRecordsOfBothProgramFolders) {
    NativeProgramFilesValue native;
    std::wstring shared = L"<Windows>BkTestAcross\\common.txt";
    TestProduct documents(L"BkTestAcrossDocs", L"<Program Files>BkTest AcrossDocs");
    TestProduct program(L"BkTestAcrossProg", L"<Program Files>BkTest AcrossProg");
    Entries entries = {{L"common.txt", File("common.txt", "shared")}, {L"tool.exe", BinPath(L"test_helper.exe")}};
    ASSERT_TRUE(documents.Install(CopySection(L"common.txt", shared), entries));
    ASSERT_TRUE(program.Install(CopySection(L"common.txt", shared) + CopySection(L"tool.exe", L"<Destination>tool.exe"),
                                entries));
    EXPECT_EQ(PrefixKind() == L"win64", documents.Uses64BitFolders());
    EXPECT_FALSE(program.Uses64BitFolders());
    if (PrefixKind() == L"win64") {
        EXPECT_NE(documents.LogPath().substr(0, 20), program.LogPath().substr(0, 20));
    }
    std::wstring common = Expanded(shared);

    UninstallRun run = program.Uninstall();
    ASSERT_TRUE(run.resultWritten);
    EXPECT_FALSE(Exists(program.Folder()));
    EXPECT_EQ("shared", ReadBytes(common));
    run = documents.Uninstall();
    ASSERT_TRUE(run.resultWritten);
    EXPECT_FALSE(Exists(common));
    EXPECT_FALSE(Exists(Expanded(L"<Windows>BkTestAcross")));
}

// "<Program Files>" in the record resolves to the folder the install used,
// decided again from the record by the wizard's rule.
TEST_F(RemovalSafety, ProgramFilesInTheRecordIsTheFolderTheInstallUsed) {
    NativeProgramFilesValue native;
    TestProduct documents(L"BkTestWhereDocs", L"<Program Files>BkTest WhereDocs");
    TestProduct program(L"BkTestWhereProg", L"<Program Files>BkTest WhereProg");
    Entries entries = {{L"f.txt", File("f.txt", "f")}, {L"tool.exe", BinPath(L"test_helper.exe")}};
    std::wstring own = L"<Program Files>BkTest WhereOwn\\f.txt";
    ASSERT_TRUE(documents.Install(CopySection(L"f.txt", own), entries));
    std::wstring docsFile = documents.Expand(own);
    ASSERT_TRUE(Exists(docsFile));
    ASSERT_TRUE(program.Install(CopySection(L"f.txt", L"<Program Files>BkTest WhereProg2\\f.txt") +
                                    CopySection(L"tool.exe", L"<Destination>tool.exe"),
                                entries));
    std::wstring progFile = program.Expand(L"<Program Files>BkTest WhereProg2\\f.txt");
    ASSERT_TRUE(Exists(progFile));
    if (PrefixKind() == L"win64") {
        EXPECT_NE(docsFile.substr(0, 20), progFile.substr(0, 20));
    }
    ASSERT_TRUE(documents.Uninstall().resultWritten);
    ASSERT_TRUE(program.Uninstall().resultWritten);
    EXPECT_FALSE(Exists(docsFile));
    EXPECT_FALSE(Exists(progFile));
}

struct InstallThread {
    TestProduct* product;
    const Entries* entries;
    std::string actions;
    volatile bool installed = false;
    static DWORD WINAPI Run(void* self) {
        InstallThread* t = static_cast<InstallThread*>(self);
        t->installed = t->product->Install(t->actions, *t->entries);
        return 0;
    }
};

// Version 2 offers to remove version 1 (Yes): version 1's uninstaller runs
// and schedules its own deletion; the restart afterwards must not take
// version 2's uninstaller, written at the same place.
TEST_F(RemovalSafety, UpgradeKeepsTheNewUninstallerOverTheRestart) {
    TestProduct product(L"BkTestUpgrade", L"<Program Files>BkTest Upgrade");
    Entries entries = {{L"a.txt", File("a.txt", "a")}};
    std::string actions = CopySection(L"a.txt", L"<Destination>a.txt");
    product.version = "1";
    ASSERT_TRUE(product.Install(actions, entries));
    ASSERT_TRUE(product.UseRealUninstaller());

    product.version = "2";
    product.installAnswers = {IDYES};
    ScratchFolder boxes;
    SetEnvironmentVariableW(L"BRASK_TEST_MSGBOX", (boxes / L"boxes.txt").c_str());
    InstallThread install{&product, &entries, actions};
    HANDLE thread = CreateThread(nullptr, 0, InstallThread::Run, &install, 0, nullptr);
    // Version 1's own uninstaller, started by the existing-version check.
    HWND dialog = WaitForWindow(nullptr, L"UnInstaller", 60000);
    EXPECT_TRUE(dialog != nullptr);
    if (dialog) {
        EXPECT_TRUE(ClickButton(dialog, IDOK, false));
        DWORD start = GetTickCount();
        wchar_t text[32] = {};
        while (GetTickCount() - start < 30000 && wcscmp(text, L"Finish") != 0) {
            Sleep(100);
            GetDlgItemTextW(dialog, IDCANCEL, text, 32);
        }
        EXPECT_STREQ(L"Finish", text);
        EXPECT_TRUE(ClickButton(dialog, IDCANCEL, false));
    }
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread, 120000));
    CloseHandle(thread);
    SetEnvironmentVariableW(L"BRASK_TEST_MSGBOX", nullptr);
    EXPECT_TRUE(ReadMessageLog(boxes / L"boxes.txt").empty());
    ASSERT_TRUE(install.installed);
    EXPECT_FALSE(state.rerunEvent.IsSignalled());

    ASSERT_TRUE(RestartWindows());
    EXPECT_TRUE(Exists(product.CopyPath()));
    EXPECT_TRUE(Exists(product.Folder() + L"a.txt"));
    EXPECT_EQ("[ProgramVersion]\r\n2", ReadBytes(product.LogPath()).substr(ReadBytes(product.LogPath()).find("[ProgramVersion]"), 19));
    // Version 2's uninstaller (the real one) removes it cleanly.
    ASSERT_TRUE(product.UseRealUninstaller());
    ProcessResult r = RunProcess(product.QuietUninstallString(), {}, 60000);
    EXPECT_EQ(0u, r.exitCode);
    EXPECT_FALSE(Exists(product.Folder()));
    EXPECT_TRUE(product.UninstallString().empty());
    ASSERT_TRUE(RestartWindows());
    EXPECT_FALSE(Exists(product.CopyPath()));
}

}  // namespace
