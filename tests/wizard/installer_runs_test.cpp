// The built installer (the stub with a package embedded by the builder) run
// as a user runs it: the parent relaunches itself, the elevated child shows
// the wizard. Walked through every page at 100 % and 150 % with a picture of
// each, and run silently: files, shortcut and Uninstall entry, and a file in
// use that is replaced at the restart.
#include <gtest/gtest.h>
#include <shlobj.h>

#include <string>

#include "app/installer_state.h"
#include "base/registry.h"
#include "engine/path_macros.h"
#include "engine/uninstall_record.h"
#include "gui/driver.h"
#include "package/package_fixture.h"
#include "res/resource_ids.h"
#include "stub_embed.h"
#include "support/display_dpi.h"
#include "support/installed_product.h"
#include "support/machine_registry.h"
#include "support/message_recorder.h"
#include "support/process.h"
#include "support/scratch.h"

namespace {

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

std::wstring Embed(const ScratchFolder& dir, const std::vector<PackedEntry>& entries) {
    std::string error;
    std::wstring out = dir / L"setup-under-test.exe";
    EXPECT_TRUE(EmbedPackage(TestStubPath(), LayOut(entries), out, error)) << error;
    return out;
}

std::wstring ItemText(HWND window, int id) {
    wchar_t text[512] = L"";
    GetDlgItemTextW(window, id, text, 512);
    return text;
}

bool WaitFor(bool (*done)(HWND, const void*), HWND window, const void* context, DWORD ms) {
    for (DWORD start = GetTickCount(); GetTickCount() - start < ms; Sleep(50))
        if (done(window, context)) return true;
    return false;
}
bool CancelReads(HWND window, const void* text) {
    return ItemText(window, IDC_CANCEL) == static_cast<const wchar_t*>(text);
}
bool InstallHidden(HWND window, const void*) { return !IsWindowVisible(GetDlgItem(window, IDC_INSTALL)); }
bool Disabled(HWND window, const void*) { return !IsWindowEnabled(GetDlgItem(window, IDC_CANCEL)); }
// Shown once the page is set up, which may follow the window's creation.
bool ScopeOffered(HWND window, const void*) {
    return GetWindowLongW(GetDlgItem(window, IDC_SCOPE_MACHINE), GWL_STYLE) & WS_VISIBLE;
}

Picture Shot(HWND window, const std::wstring& name, int percent) {
    Sleep(400);
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    Sleep(300);
    Picture picture = Capture(window);
    CreateDirectoryW(BinPath(L"screenshots").c_str(), nullptr);
    SaveBitmap(picture, BinPath(L"screenshots\\wizard-") + name + L"-" + std::to_wstring(percent) + L"-" +
                            PrefixKind() + L".bmp");
    return picture;
}

RECT ControlRect(HWND window, int id) {
    RECT r = {};
    GetWindowRect(GetDlgItem(window, id), &r);
    MapWindowPoints(nullptr, window, (POINT*)&r, 2);
    return r;
}

// The band at 35 to 60 vertical units, where every page writes its title;
// the destination edit (hidden or not) stands at 25, 116 units.
int TitleInk(const Picture& p, HWND window) {
    RECT edit = ControlRect(window, IDC_INSTALL_PATH);
    return DarkPixels(p, p.width / 4, edit.top * 35 / 116, p.width * 3 / 4, edit.top * 60 / 116);
}

// A BMP file of width x height pixels of one colour, 24 bits each.
std::string SolidBmp(int width, int height, BYTE r, BYTE g, BYTE b) {
    int row = (width * 3 + 3) / 4 * 4;
    std::string pixels(row * height, '\0');
    for (int y = 0; y < height; y++)
        for (int x = 0; x < width; x++) {
            pixels[y * row + x * 3] = (char)b;
            pixels[y * row + x * 3 + 1] = (char)g;
            pixels[y * row + x * 3 + 2] = (char)r;
        }
    BITMAPFILEHEADER file = {0x4D42, (DWORD)(14 + 40 + pixels.size()), 0, 0, 14 + 40};
    BITMAPINFOHEADER info = {40, width, height, 1, 24, BI_RGB, (DWORD)pixels.size(), 0, 0, 0, 0};
    return std::string((const char*)&file, 14) + std::string((const char*)&info, 40) + pixels;
}

// The bounds of the pixels of one colour (a channel off by a few for the
// halftone's rounding).
RECT Bounds(const Picture& p, COLORREF colour) {
    RECT r = {p.width, p.height, -1, -1};
    for (int y = 0; y < p.height; y++)
        for (int x = 0; x < p.width; x++) {
            COLORREF at = p.At(x, y);
            if (abs(GetRValue(at) - GetRValue(colour)) > 8 || abs(GetGValue(at) - GetGValue(colour)) > 8 ||
                abs(GetBValue(at) - GetBValue(colour)) > 8)
                continue;
            r.left = std::min<LONG>(r.left, x);
            r.top = std::min<LONG>(r.top, y);
            r.right = std::max<LONG>(r.right, x + 1);
            r.bottom = std::max<LONG>(r.bottom, y + 1);
        }
    return r;
}

// The publisher's banner: in the header band left of the emblem, above the
// title, its aspect kept, scaled for the display.
void ExpectBanner(const Picture& p, HWND window, int percent) {
    RECT banner = Bounds(p, RGB(200, 30, 60)), edit = ControlRect(window, IDC_INSTALL_PATH);
    LONG width = banner.right - banner.left, height = banner.bottom - banner.top;
    ASSERT_GT(width, 0) << "no banner";
    EXPECT_LT(banner.right, p.width / 2) << "left of the emblem";
    EXPECT_LT(banner.bottom, edit.top * 35 / 116) << "above the title";
    EXPECT_NEAR(width, height * 4, 8) << "aspect kept";
    EXPECT_NEAR(160 * percent / 100, width, 2) << "scaled for the display";
}

// Walks the wizard through its four pages at the given DPI, one picture
// each; the installer ends with 0.
void TourAt(DWORD dpi, int percent) {
    ScratchFolder dir;
    std::wstring hold1 = L"bktest-tour-install-" + std::to_wstring(percent);
    std::wstring hold2 = L"bktest-tour-finish-" + std::to_wstring(percent);
    HANDLE release1 = CreateEventW(nullptr, TRUE, FALSE, hold1.c_str());
    HANDLE release2 = CreateEventW(nullptr, TRUE, FALSE, hold2.c_str());
    // The helper asks for administrator rights, so the elevated child runs
    // it itself instead of handing it to its parent; a GUI program, so that
    // no console window covers the pictures.
    std::string helper = Narrow(BinPath(L"admin_gui_helper.exe"));
    std::string script =
        "[Project Name]\r\nTour\r\n[ProgramVersion]\r\n2.0\r\n[NoUnInstall]\r\n[Install To]\r\n" +
        Narrow(dir / L"dest\\") + "\r\n[Action]\r\nCopying the tour's files\r\n[RunAndWaitFile]\r\n" + helper +
        "\r\nhold \"" + Narrow(dir / L"held1.txt") + "\" " + Narrow(hold1) +
        "\r\n\r\n[CopyFile]\r\na.txt\r\n<Destination>a.txt\r\n[CreateIcon]\r\n<Destination>a.txt\r\n" +
        Narrow(dir / L"links\\Tour.lnk") + "\r\n\r\nOptional - Desktop Icon!\r\n[RunAndWaitFile]\r\n" + helper +
        "\r\nhold \"" + Narrow(dir / L"held2.txt") + "\" " + Narrow(hold2) + "\r\nOptional - Tour Guide\r\n";
    std::wstring exe = Embed(dir, {Entry("setup.dat", script), Entry("a.txt", std::string(3000, 'a')),
                                   Entry("setup.lic", "Licence of the tour.\r\n"),
                                   Entry("setup.bmp", SolidBmp(160, 40, 200, 30, 60))});
    DisplayDpi display(dpi);
    ChildProcess installer;
    ASSERT_TRUE(installer.Start(L"\"" + exe + L"\""));
    HWND window = WaitForWindow(L"#32770", L"Tour Installer", 30000);
    ASSERT_TRUE(window);

    // Ready: title, destination, terms, and the disk line right under the
    // Choose button, ending at its right edge.
    Picture ready = Shot(window, L"ready", percent);
    EXPECT_EQ((dir / L"dest\\"), ItemText(window, IDC_INSTALL_PATH));
    EXPECT_TRUE(IsWindowVisible(GetDlgItem(window, IDC_LICENSE_LINK)));
    RECT choose = ControlRect(window, IDC_CHOOSE);
    int lineHeight = (choose.bottom - choose.top) * 12 / 15;
    EXPECT_GT(DarkPixels(ready, (choose.left + choose.right) / 2, choose.bottom, choose.right + 1,
                         choose.bottom + lineHeight),
              lineHeight)
        << "the disk line's end";
    EXPECT_EQ(0, DarkPixels(ready, choose.right + 3, choose.bottom, ready.width - 4, choose.bottom + lineHeight));
    EXPECT_GT(TitleInk(ready, window), 50);
    ExpectBanner(ready, window, percent);

    ASSERT_TRUE(ClickButton(window, IDC_INSTALL, false));
    ASSERT_TRUE(WaitFor(InstallHidden, window, nullptr, 10000));
    Picture installing = Shot(window, L"installing", percent);
    EXPECT_GT(TitleInk(installing, window), 50);
    EXPECT_TRUE(IsWindowVisible(GetDlgItem(window, IDC_PROGRESS)));
    RECT cancel = ControlRect(window, IDC_CANCEL);
    EXPECT_NEAR(installing.width / 2, (cancel.left + cancel.right) / 2, 2) << "Cancel moves to the centre";
    SetEvent(release1);

    ASSERT_TRUE(WaitFor(CancelReads, window, L"Finish", 30000));
    Picture finished = Shot(window, L"finished", percent);
    ExpectBanner(finished, window, percent);
    HWND list = FindWindowExW(window, nullptr, L"ListBox", nullptr);
    ASSERT_TRUE(list);
    wchar_t row[256] = L"";
    ASSERT_EQ(2, (int)SendMessageW(list, LB_GETCOUNT, 0, 0));
    SendMessageW(list, LB_GETTEXT, 0, (LPARAM)row);
    EXPECT_STREQ(L"Create Icon: Desktop Icon: 0", row);
    SendMessageW(list, LB_GETTEXT, 1, (LPARAM)row);
    EXPECT_STREQ(L"Run Program: Tour Guide: 1", row);
    // The title, and the two lines from 85 horizontal units on, above the list.
    EXPECT_GT(TitleInk(finished, window), 50);
    RECT edit = ControlRect(window, IDC_INSTALL_PATH);
    RECT listAt = {};
    GetWindowRect(list, &listAt);
    MapWindowPoints(nullptr, window, (POINT*)&listAt, 2);
    EXPECT_GT(DarkPixels(finished, edit.left * 85 / 25, edit.top * 60 / 116, finished.width, listAt.top), 100);

    ASSERT_TRUE(ClickButton(window, IDC_CANCEL, false));
    ASSERT_TRUE(WaitFor(Disabled, window, nullptr, 10000));
    Picture finishing = Shot(window, L"finishing", percent);
    EXPECT_GT(TitleInk(finishing, window), 50);
    SetEvent(release2);

    EXPECT_EQ(0u, installer.Wait(30000));
    EXPECT_EQ(std::string(3000, 'a'), ReadBytes(dir / L"dest\\a.txt"));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW((dir / L"links\\Tour.lnk").c_str())) << "left unticked";
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW((dir / L"held2.txt").c_str())) << "the ticked program ran";
    CloseHandle(release1);
    CloseHandle(release2);
}

// A script that allows either scope: the ready page offers both, for this
// user only first; the folder shown follows the choice, and "for everyone"
// is installed by the elevated copy, at once, where the page showed.
TEST(InstallerRuns, ReadyPageChoosesTheScope) {
    wchar_t local[MAX_PATH] = L"";
    SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, 0, local);
    const std::wstring folders[] = {std::wstring(local) + L"\\Programs\\ScopeChoice\\",
                                    ProgramFilesFolder() + L"\\ScopeChoice\\"};
    for (int everyone = 0; everyone < 2; everyone++) {
        SCOPED_TRACE(everyone ? "for everyone" : "for this user");
        ScratchFolder dir;
        InstalledProduct product(L"ScopeChoice", !everyone);
        std::wstring log = dir / L"run.log";
        std::wstring exe = Embed(dir, {Entry("setup.dat", "[Project Name]\r\nScopeChoice\r\n[Install Scope]\r\neither\r\n"
                                                          "[Install To]\r\n<Program Files>ScopeChoice\\\r\n[CopyFile]\r\n"
                                                          "a.txt\r\n<Destination>a.txt\r\n"),
                                       Entry("a.txt", "a")});
        ChildProcess installer;
        ASSERT_TRUE(installer.Start(L"\"" + exe + L"\" --log=\"" + log + L"\""));
        HWND ready = WaitForWindow(L"#32770", L"ScopeChoice Installer", 30000);
        ASSERT_TRUE(ready);
        ASSERT_TRUE(WaitFor(ScopeOffered, ready, nullptr, 10000));
        EXPECT_EQ(BST_CHECKED, IsDlgButtonChecked(ready, IDC_SCOPE_USER));
        if (everyone) {
            ASSERT_TRUE(ClickButton(ready, IDC_SCOPE_MACHINE, false));
            Shot(ready, L"scope", 100);
        }
        EXPECT_EQ(folders[everyone], ItemText(ready, IDC_INSTALL_PATH));
        ASSERT_TRUE(ClickButton(ready, IDC_INSTALL, false));
        for (DWORD start = GetTickCount(); everyone && IsWindow(ready) && GetTickCount() - start < 10000;) Sleep(50);
        HWND window = everyone ? WaitForWindow(L"#32770", L"ScopeChoice Installer", 30000) : ready;
        ASSERT_TRUE(WaitFor(CancelReads, window, L"Finish", 30000));
        ASSERT_TRUE(ClickButton(window, IDC_CANCEL, false));
        EXPECT_EQ(0u, installer.Wait(30000));
        EXPECT_EQ(folders[everyone], product.Value(L"InstallLocation"));
        EXPECT_EQ("a", ReadBytes(folders[everyone] + L"a.txt"));
        EXPECT_EQ(everyone != 0, ReadBytes(log).find("elevated child") != std::string::npos);
        EXPECT_EQ(0u, RunProcess(product.Value(L"QuietUninstallString"), {}, 60000).exitCode);
    }
}

TEST(InstallerRuns, WizardPagesAt100Percent) { TourAt(96, 100); }
TEST(InstallerRuns, WizardPagesAt150Percent) { TourAt(144, 150); }


std::string SilentScript(const char* name, const ScratchFolder& dir) {
    return std::string("[Project Name]\r\n") + name + "\r\n[Install To]\r\n" + Narrow(dir / L"dest\\") +
           "\r\n[CopyFile]\r\na.txt\r\n<Destination>a.txt\r\n[CopyFile]\r\nb.txt\r\n<Destination>sub\\b.txt\r\n"
           "[CreateIcon]\r\n<Destination>a.txt\r\n" +
           Narrow(dir / L"links\\A.lnk") + "\r\n\r\n\r\n";
}

TEST(InstallerRuns, SilentInstallPutsFilesShortcutAndUninstallEntryInPlace) {
    ScratchFolder dir;
    InstalledProduct product(L"WizardSilentRun");
    std::wstring exe = Embed(dir, {Entry("setup.dat", SilentScript("WizardSilentRun", dir)),
                                   Entry("a.txt", "alpha"), Entry("b.txt", "beta")});
    ProcessResult run = RunProcess(L"\"" + exe + L"\" --silent", {}, 60000);
    ASSERT_TRUE(run.started);
    EXPECT_FALSE(run.timedOut);
    EXPECT_EQ(0u, run.exitCode);
    EXPECT_EQ("alpha", ReadBytes(dir / L"dest\\a.txt"));
    EXPECT_EQ("beta", ReadBytes(dir / L"dest\\sub\\b.txt"));
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW((dir / L"links\\A.lnk").c_str()));
    EXPECT_NE(std::wstring::npos, product.Value(L"UninstallString").find(L"--uninstall=")) << product.Value(L"UninstallString");
}

TEST(InstallerRuns, FileInUseNeedsARestartAndIsReplacedByIt) {
    ScratchFolder dir;
    InstalledProduct product(L"WizardInUseRun");
    CreateDirectoryW((dir / L"dest").c_str(), nullptr);
    WriteBytes(dir / L"dest\\a.txt", "old");
    std::wstring exe = Embed(dir, {Entry("setup.dat", SilentScript("WizardInUseRun", dir)),
                                   Entry("a.txt", "alpha"), Entry("b.txt", "beta")});
    {
        FileHolder holder(dir / L"dest\\a.txt");
        ASSERT_TRUE(holder.Held());
        ProcessResult run = RunProcess(L"\"" + exe + L"\" --silent --noautoreboot", {}, 60000);
        ASSERT_TRUE(run.started);
        EXPECT_FALSE(run.timedOut);
        EXPECT_EQ(3010u, run.exitCode);
    }
    EXPECT_EQ("old", ReadBytes(dir / L"dest\\a.txt"));
    EXPECT_EQ("beta", ReadBytes(dir / L"dest\\sub\\b.txt"));
    ASSERT_TRUE(RestartWindows());
    EXPECT_EQ("alpha", ReadBytes(dir / L"dest\\a.txt"));
}

// "[Windows Version]" 4 asks for 64-bit Windows: on 32-bit Windows the
// installer says so and ends before any page with 1633, silent or not.
TEST(InstallerRuns, WindowsVersionGateRefusesThirtyTwoBitWindows) {
    ScratchFolder dir;
    std::wstring exe = Embed(dir, {Entry("setup.dat", "[Project Name]\r\nWizardGateRun\r\n[Windows Version]\r\n4\r\n"
                                                      "[NoUnInstall]\r\n[Install To]\r\n" +
                                                          Narrow(dir / L"dest\\") +
                                                          "\r\n[CopyFile]\r\na.txt\r\n<Destination>a.txt\r\n"),
                                   Entry("a.txt", "alpha")});
    std::wstring log = dir / L"boxes.txt";
    ProcessResult run = RunProcess(L"\"" + exe + L"\" --silent", {{L"BRASK_TEST_MSGBOX", log}}, 60000);
    ASSERT_TRUE(run.started);
    EXPECT_FALSE(run.timedOut);
    std::vector<ShownMessage> boxes = ReadMessageLog(log);
    if (PrefixKind() == L"win32") {
        EXPECT_EQ(1633u, run.exitCode);
        ASSERT_EQ(1u, boxes.size());
        EXPECT_EQ(L"This install requires Windows 64 bit or above.", boxes[0].text);
        EXPECT_EQ(L"WizardGateRun Installer", boxes[0].caption);
        EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW((dir / L"dest\\a.txt").c_str()));
    } else {
        EXPECT_EQ(0u, run.exitCode);
        EXPECT_TRUE(boxes.empty());
        EXPECT_EQ("alpha", ReadBytes(dir / L"dest\\a.txt"));
    }
}

}  // namespace
