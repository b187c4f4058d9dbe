// Installers run where no window can be made at all.
#include <gtest/gtest.h>

#include "deploy/deploy_fixture.h"
#include "package/package_fixture.h"

namespace {

// The suite runs this program without DISPLAY, so Wine makes no window at
// all, as for an installer a deployment agent starts without a desktop: the
// silent install and the quiet uninstall run without their windows, and an
// interactive run, which cannot show its wizard, fails.
TEST(WithoutADisplay, SilentInstallAndQuietUninstallRunInteractiveFails) {
    ScratchFolder dir;
    InstalledProduct product(L"DeployHeadless");
    std::wstring log = dir / L"run.log";
    std::wstring exe =
        EmbedInstaller(dir, {Entry("setup.dat", ProductScript("DeployHeadless", dir, true)), Entry("a.txt", "alpha")});
    ProcessResult interactive = RunInstaller(exe, LogSwitch(log));
    ProcessResult run = RunInstaller(exe, L"--silent" + LogSwitch(log));
    std::wstring quiet = product.Value(L"QuietUninstallString");
    ProcessResult removal = RunProcess(quiet + LogSwitch(log), {}, 60000);

    ASSERT_TRUE(interactive.started);
    EXPECT_FALSE(interactive.timedOut);
    EXPECT_EQ(1603u, interactive.exitCode);
    ASSERT_TRUE(run.started);
    EXPECT_FALSE(run.timedOut);
    EXPECT_EQ(0u, run.exitCode);
    ASSERT_FALSE(quiet.empty());
    ASSERT_TRUE(removal.started);
    EXPECT_FALSE(removal.timedOut);
    EXPECT_EQ(0u, removal.exitCode);
    EXPECT_FALSE(Exists(dir / L"dest\\a.txt"));
    EXPECT_TRUE(product.Value(L"UninstallString").empty());
    std::vector<std::string> lines = ReadLogLines(log);
    EXPECT_EQ(2, CountLines(lines, "elevated child", "the wizard's window cannot be made (error "));
    EXPECT_EQ(1, CountLines(lines, "elevated child", "the silent install runs without it"));
    EXPECT_EQ(1, CountLines(lines, "uninstaller", "the silent removal runs without it"));
    EXPECT_EQ(1, CountLines(lines, "elevated child", "exit code 1603"));
}

}  // namespace
