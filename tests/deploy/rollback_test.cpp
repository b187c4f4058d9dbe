// An upgrade that does not finish leaves the version before it as it was:
// its files byte for byte, its uninstall record and Uninstall entry, its
// registry values, and nothing of the new version. Version 2 replaces a
// file, adds one in a new folder, changes a value and adds one, adds to an
// environment variable, runs a program (which writes the record first), and
// then meets a corrupt entry.
#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "base/registry.h"
#include "deploy/product_versions.h"
#include "package/package_fixture.h"
#include "support/machine_registry.h"

namespace {

typedef std::map<std::wstring, std::string> State;

// Files compared by a digest of their bytes.
std::string Content(const std::wstring& path) {
    return Exists(path) ? std::to_string(std::hash<std::string>()(ReadBytes(path))) : "(none)";
}

void AddFolder(const std::wstring& folder, State& state) {
    WIN32_FIND_DATAW found;
    HANDLE walk = FindFirstFileW((folder + L"*").c_str(), &found);
    if (walk == INVALID_HANDLE_VALUE) return;
    do {
        std::wstring name = found.cFileName;
        if (name == L"." || name == L"..") continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            state[folder + name + L"\\"] = "";
            AddFolder(folder + name + L"\\", state);
        } else {
            state[folder + name] = Content(folder + name);
        }
    } while (FindNextFileW(walk, &found));
    FindClose(walk);
}

class Rollback : public ProductVersions {
protected:
    Rollback() : ProductVersions(L"DeployRollback") {}

    void SetUp() override {
        std::string old = Body("1") + Copy("a.txt", "a.txt") + Copy("b.txt", "b.txt");
        std::wstring v1 = Build(L"v1.exe", {Entry("setup.dat", old), Entry("a.txt", "old a"), Entry("b.txt", "old b")});
        ASSERT_EQ(0u, RunInstaller(v1, L"--silent").exitCode);
        std::string program = "[RunAndWaitFile]\r\n" + Narrow(BinPath(L"test_helper.exe")) + "\r\nkill-parent \"" +
                              Narrow(dir_ / L"killed") + "\" -RUNELEVATED\r\n\r\n";
        std::string upgrade = Body("2") + Copy("a.txt", "a.txt") + Copy("c.txt", "new\\c.txt") + Value("Added", "x") +
                              "[Environment]\r\nBRASK_ROLLBACK|append|<Destination>bin\r\n" + program +
                              Copy("d.txt", "d.txt");
        v2_ = Build(L"v2.exe", {Entry("setup.dat", upgrade), Entry("a.txt", "new a"), Entry("c.txt", "new c"),
                                BrokenEntry("d.txt")});
        old_ = Snapshot();
        ASSERT_EQ("1", old_[L"DisplayVersion"]);
    }

    // The product's files, its record and uninstaller, and its values.
    State Snapshot() {
        State state;
        AddFolder(dir_ / L"dest\\", state);
        std::wstring path = RecordPath();
        if (!path.empty()) {
            std::wstring folder = path.substr(0, path.rfind(L'\\') + 1);
            for (const wchar_t* name :
                 {L"BraskUninstall-DeployRollback.dat", L"BraskUninstall-DeployRollback.lng",
                  L"BraskUninstall-DeployRollback.jnl", L"Uninstall-DeployRollback.exe"})
                state[folder + name] = Content(folder + name);
        }
        for (const wchar_t* name : {L"DisplayVersion", L"UninstallString", L"InstallTo"})
            state[name] = Narrow(product_.Value(name));
        for (const wchar_t* name : {L"Version", L"Added"})
            state[std::wstring(L"value ") + name] = Narrow(MachineString(kVersionsKey, name, 0));
        state[L"environment"] = Narrow((const wchar_t*)ReadStringValue(
            L"BRASK_ROLLBACK", HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment"));
        return state;
    }

    std::wstring v2_;
    State old_;
};

TEST_F(Rollback, AFailedUpgradeLeavesTheOldVersion) {
    WriteBytes(dir_ / L"killed", "not this time");
    std::wstring log = dir_ / L"run.log";
    EXPECT_EQ(1603u, RunInstaller(v2_, L"--silent" + LogSwitch(log)).exitCode);
    EXPECT_EQ(old_, Snapshot());
    EXPECT_EQ(1, CountLines(ReadLogLines(log), "elevated child", "the install did not finish: rolled back"));
}

// Killed after its record and half its files, then run again: the rerun
// undoes the killed run first, and then its own failure.
TEST_F(Rollback, AKilledUpgradeIsUndoneByTheNextRun) {
    std::wstring log = dir_ / L"run.log";
    RunInstaller(v2_, L"--silent");
    ASSERT_TRUE(Exists(dir_ / L"killed"));
    ASSERT_NE(old_, Snapshot()) << "the killed run changed nothing";
    EXPECT_EQ(1603u, RunInstaller(v2_, L"--silent" + LogSwitch(log)).exitCode);
    EXPECT_EQ(old_, Snapshot());
    EXPECT_EQ(1, CountLines(ReadLogLines(log), "elevated child", "an unfinished install of this product: rolled back"));
}

}  // namespace
