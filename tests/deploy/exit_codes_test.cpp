// The table of exit codes, path by path, with the real installer and the
// real uninstaller it registers. The table of docs/deployment.md is this one.
#include <gtest/gtest.h>

#include <stdio.h>

#include <functional>
#include <memory>

#include "app/installer_state.h"
#include "base/wstring.h"
#include "deploy/deploy_fixture.h"
#include "gui/driver.h"
#include "package/package_fixture.h"

namespace {

struct Row {
    const char* path;
    DWORD expected;
    std::function<DWORD()> run;
};

const DWORD kTimedOut = 0xFFFFFFFF;

DWORD Code(const ProcessResult& run) { return !run.started || run.timedOut ? kTimedOut : run.exitCode; }

// Started without --silent, its first window is closed as a user closes
// it: the uninstaller's own (Cancel), the installer's wizard (found by its
// caption, as the parent that starts it shows a window of its own).
DWORD CloseFirstWindow(const std::wstring& commandLine, bool uninstaller) {
    ChildProcess process;
    if (!process.Start(commandLine)) return kTimedOut;
    HWND window = uninstaller ? WaitForProcessWindow(process.Id(), 30000)
                              : WaitForWindow(L"#32770", L"DeployTable Installer", 30000);
    if (!window) return kTimedOut;
    if (uninstaller)
        ClickButton(window, IDCANCEL, false);
    else
        PostMessageW(window, WM_CLOSE, 0, 0);
    return process.Wait(30000);
}

TEST(ExitCodes, EveryPathEndsWithItsCode) {
    ScratchFolder dir;
    InstalledProduct product(L"DeployTable");
    std::wstring log = dir / L"table.log";
    std::string script = ProductScript("DeployTable", dir, true);
    std::wstring good = EmbedInstaller(dir, {Entry("setup.dat", script), Entry("a.txt", "alpha")});
    std::wstring broken = EmbedInstaller(dir, {Entry("setup.dat", script), BrokenEntry("a.txt")}, L"broken.exe");
    std::wstring gated = EmbedInstaller(
        dir, {Entry("setup.dat", "[Windows Version]\r\n4\r\n" + ProductScript("DeployGate", dir, false)),
              Entry("a.txt", "alpha")},
        L"gated.exe");
    // A product of some 80 TB: the directory states 4 GiB for a.txt, which
    // is copied 20,000 times.
    std::string huge = script;
    for (int i = 0; i < 20000; i++) huge += "[CopyFile]\r\na.txt\r\n<Destination>a.txt\r\n";
    std::wstring tooLarge = EmbedInstaller(dir, {Entry("setup.dat", huge), PackedEntry{"a.txt", Packed("alpha"), 0xFFFFFFF0u}},
                                           L"large.exe");
    std::wstring silent = L"--silent --log=\"" + log + L"\"";
    bool win32 = PrefixKind() == L"win32";
    std::unique_ptr<FileHolder> holder;

    std::vector<Row> rows = {
        {"install: the product larger than its disk's free space (nothing installed)", 1603,
         [&] {
             DWORD code = Code(RunInstaller(tooLarge, silent));
             return Exists(dir / L"dest\\a.txt") ? 0 : code;
         }},
        {"install: silent", 0, [&] { return Code(RunInstaller(good, silent)); }},
        {"install: wizard closed on the ready page", 1602,
         [&] { return CloseFirstWindow(L"\"" + good + L"\"", false); }},
        {"install: an entry of the package is corrupt", 1603, [&] { return Code(RunInstaller(broken, silent)); }},
        {"install: a file cannot be written (Retry/Cancel, answered Cancel after the retries)", 1603,
         [&] {
             DeleteFileW((dir / L"dest\\a.txt").c_str());
             CreateDirectoryW((dir / L"dest\\a.txt").c_str(), nullptr);
             DWORD code = Code(RunInstaller(good, silent));
             RemoveDirectoryW((dir / L"dest\\a.txt").c_str());
             return code;
         }},
        {"install: [Windows Version] 4 (64-bit only), on this Windows", win32 ? 1633u : 0u,
         [&] { return Code(RunInstaller(gated, silent)); }},
        {"install: a file in use, --noautoreboot", 3010,
         [&] {
             WriteBytes(dir / L"dest\\a.txt", "old");
             holder.reset(new FileHolder(dir / L"dest\\a.txt"));
             DWORD code = Code(RunInstaller(good, silent + L" --noautoreboot"));
             holder.reset();
             return code;
         }},
        {"uninstall: dialog cancelled on the first page", 1602,
         [&] { return CloseFirstWindow(product.Value(L"UninstallString"), true); }},
        {"uninstall: a file in use, quiet, --noautoreboot", 3010,
         [&] {
             holder.reset(new FileHolder(dir / L"dest\\a.txt"));
             DWORD code =
                 Code(RunProcess(product.Value(L"QuietUninstallString") + L" --noautoreboot --log=\"" + log + L"\"",
                                 {}, 60000));
             holder.reset();
             return code;
         }},
        {"install again: silent", 0, [&] { return Code(RunInstaller(good, silent)); }},
        {"uninstall: quiet", 0,
         [&] {
             std::wstring quiet = product.Value(L"QuietUninstallString");
             DWORD code = Code(RunProcess(quiet + L" --log=\"" + log + L"\"", {}, 60000));
             // Kept for the next row: the same command once the record is gone.
             WriteBytes(dir / L"quiet.txt", Narrow(quiet));
             return code;
         }},
        {"uninstall: quiet, the uninstall record missing", 1603,
         [&] {
             std::wstring quiet = (const wchar_t*)WString::FromAnsi(ReadBytes(dir / L"quiet.txt").c_str(), false);
             return Code(RunProcess(quiet + L" --log=\"" + log + L"\"", {}, 60000));
         }},
    };
    for (const Row& row : rows) {
        DWORD code = row.run();
        EXPECT_EQ(row.expected, code) << row.path;
        printf("| %s | %lu |\n", row.path, code);
    }
    EXPECT_TRUE(product.Value(L"UninstallString").empty());
    // The held restart of the uninstall with a file in use signalled no
    // installer that a restart was coming.
    EXPECT_FALSE(state.rerunEvent.IsSignalled());
    // Carries out the replacement and the deletions the rows scheduled.
    EXPECT_TRUE(RestartWindows());
}

}  // namespace
