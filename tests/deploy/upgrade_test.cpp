// An install over the installed version leaves what it installs and no
// more: what it dropped goes, its shared files count once for the product
// however often it installs, and a program whose exit code counts can fail
// it whole.
#include <gtest/gtest.h>

#include "deploy/product_versions.h"
#include "package/package_fixture.h"
#include "support/machine_registry.h"
#include "support/shared_counts.h"

namespace {

// Another product's count of a file (named by its path, which is long
// here), set for the test.
class Count {
public:
    Count(const std::wstring& path, int count) : path_(path) { SetSharedCount(path_, count); }
    ~Count() { SetSharedCount(path_, -1); }
    Count(const Count&) = delete;
    Count& operator=(const Count&) = delete;
    int Now() const { return SharedCount(path_); }

private:
    std::wstring path_;
};

class Versions : public ProductVersions {
protected:
    Versions() : ProductVersions(L"DeployVersions") {}
};

TEST_F(Versions, AnUpgradeRemovesWhatItDrops) {
    std::string first = Body("1") + Copy("a.txt", "a.txt") + Copy("b.txt", "old\\b.txt") + Value("Dropped", "x");
    std::wstring v1 = Build(L"v1.exe", {Entry("setup.dat", first), Entry("a.txt", "a"), Entry("b.txt", "b")});
    std::wstring v2 = Build(L"v2.exe", {Entry("setup.dat", Body("2") + Copy("a.txt", "a.txt")), Entry("a.txt", "a2")});
    ASSERT_EQ(0u, RunInstaller(v1, L"--silent").exitCode);
    ASSERT_TRUE(Exists(dir_ / L"dest\\old\\b.txt"));
    ASSERT_EQ(0u, RunInstaller(v2, L"--silent").exitCode);
    EXPECT_EQ("a2", ReadBytes(dir_ / L"dest\\a.txt"));
    EXPECT_FALSE(Exists(dir_ / L"dest\\a.txt-BKIOLD"));
    EXPECT_FALSE(Exists(dir_ / L"dest\\old"));
    EXPECT_EQ(L"", MachineString(kVersionsKey, L"Dropped", 0));
    EXPECT_EQ(L"2", MachineString(kVersionsKey, L"Version", 0));
    EXPECT_EQ(std::string::npos, ReadBytes(RecordPath()).find("b.txt"));
}

TEST_F(Versions, AnotherProductsCountKeepsAFileOfTheProductsFolder) {
    std::wstring v1 = Build(L"v1.exe", {Entry("setup.dat", Body("1") + Copy("a.txt", "a.txt")), Entry("a.txt", "a")});
    ASSERT_EQ(0u, RunInstaller(v1, L"--silent").exitCode);
    Count theirs(dir_ / L"dest\\a.txt", 1);
    EXPECT_EQ(0u, Uninstall());
    EXPECT_EQ("a", ReadBytes(dir_ / L"dest\\a.txt"));
    EXPECT_EQ(1, theirs.Now());
}

// Installed again and again (a repair, the same version): one use.
TEST_F(Versions, InstallsOverItselfCountASharedFileOnce) {
    std::wstring shared = dir_ / L"shared\\s.txt";
    CreateDirectoryW((dir_ / L"shared").c_str(), nullptr);
    ASSERT_TRUE(WriteBytes(shared, "theirs"));
    Count theirs(shared, 1);
    std::string script = Body("1") + "[CopyFile]\r\ns.txt\r\n" + Narrow(shared) + "\r\n";
    std::wstring v1 = Build(L"v1.exe", {Entry("setup.dat", script), Entry("s.txt", "ours")});
    for (int i = 0; i < 3; i++) ASSERT_EQ(0u, RunInstaller(v1, L"--silent").exitCode);
    EXPECT_EQ(2, theirs.Now());
    EXPECT_EQ(0u, Uninstall());
    EXPECT_EQ(1, theirs.Now());
    EXPECT_TRUE(Exists(shared));
}

TEST_F(Versions, AFailingCheckedProgramFailsTheInstall) {
    std::string program = "[RunAndWaitFile]\r\n" + Narrow(BinPath(L"test_helper.exe")) + "\r\nexit 1 -CHECKEXITCODE\r\n\r\n";
    std::string script = Body("1") + Copy("a.txt", "a.txt") + program;
    std::wstring v1 = Build(L"v1.exe", {Entry("setup.dat", script), Entry("a.txt", "a")});
    std::wstring log = dir_ / L"run.log";
    EXPECT_EQ(1603u, RunInstaller(v1, L"--silent" + LogSwitch(log)).exitCode);
    EXPECT_FALSE(Exists(dir_ / L"dest"));
    EXPECT_EQ(L"", RecordPath());
    EXPECT_EQ(L"", MachineString(kVersionsKey, L"Version", 0));
    EXPECT_EQ(1, CountLines(ReadLogLines(log), "elevated child", "ended with 1, a failure"));
}

}  // namespace
