// The uninstaller an install leaves: the program without its package, which
// runs every uninstaller role, with its dialog and without.
#include <gtest/gtest.h>

#include "deploy/deploy_fixture.h"
#include "gui/driver.h"
#include "package/package_fixture.h"
#include "package/package_format.h"

namespace {

// Clicks through the uninstall dialog as a user does: Uninstall, then Finish.
DWORD UninstallWithTheDialog(const std::wstring& commandLine) {
    ChildProcess process;
    if (!process.Start(commandLine)) return (DWORD)-1;
    HWND window = WaitForProcessWindow(process.Id(), 30000);
    if (!window || !ClickButton(window, IDOK, false)) return (DWORD)-1;
    for (DWORD waited = 0; waited < 30000; waited += 100) {
        for (const ControlInfo& c : ListControls(window))
            if (c.id == IDCANCEL && c.text == L"Finish") {
                ClickButton(window, IDCANCEL, false);
                return process.Wait(30000);
            }
        Sleep(100);
    }
    return (DWORD)-1;
}

TEST(SmallUninstaller, IsTheProgramAloneAndRemovesTheProduct) {
    ScratchFolder dir;
    InstalledProduct product(L"DeploySmall");
    std::string stub = ReadBytes(BinPath(L"bkstub.exe"));
    // A product far larger than the program: its copy would show.
    std::string payload;
    for (uint32_t i = 0, x = 1; i < (1u << 20); i++) payload += (char)((x = x * 1103515245u + 12345u) >> 24);
    std::wstring installer = EmbedInstaller(
        dir, {Entry("setup.dat", ProductScript("DeploySmall", dir, true)), Entry("a.txt", payload),
              Entry(package_format::kUninstallerEntry, stub)});
    ASSERT_GT(ReadBytes(installer).size(), stub.size() + payload.size() / 2);

    for (bool quiet : {true, false}) {
        SCOPED_TRACE(quiet ? "quiet" : "dialog");
        ASSERT_EQ(0u, RunInstaller(installer, L"--silent").exitCode);
        std::wstring copy = product.Value(L"DisplayIcon");
        ASSERT_FALSE(copy.empty());
        EXPECT_EQ(stub.size(), ReadBytes(copy).size());
        EXPECT_TRUE(ReadBytes(copy) == stub);
        ASSERT_TRUE(GetFileAttributesW((dir / L"dest\\a.txt").c_str()) != INVALID_FILE_ATTRIBUTES);
        DWORD code = quiet ? RunProcess(product.Value(L"QuietUninstallString"), {}, 60000).exitCode
                           : UninstallWithTheDialog(product.Value(L"UninstallString"));
        EXPECT_EQ(0u, code);
        EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW((dir / L"dest\\a.txt").c_str()));
        EXPECT_TRUE(product.Value(L"UninstallString").empty());
    }
    EXPECT_TRUE(RestartWindows());
}

}  // namespace
