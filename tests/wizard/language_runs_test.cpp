// The built installer in another language, run as a user runs it: the
// wizard's pages and the uninstaller's dialog in German and in Japanese
// (pictures of each in build/screenshots/), the uninstaller speaking the
// language the install used, a silent install's log quoting its box in
// German, and a publisher's own text for one box.
#include <gtest/gtest.h>

#include <string>

#include "app/command_line.h"
#include "app/language.h"
#include "app/reboot.h"
#include "app/reboot_dialog.h"
#include "base/texts.h"
#include "deploy/deploy_fixture.h"
#include "gui/driver.h"
#include "package/package_fixture.h"
#include "res/resource_ids.h"
#include "support/installed_product.h"
#include "ui/fitted_text.h"
#include "ui/script_font.h"

namespace {

std::string Utf8(const std::wstring& text) {
    int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string out(n > 0 ? n - 1 : 0, '\0');
    if (n > 1) WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, &out[0], n, nullptr, nullptr);
    return out;
}

std::wstring ItemText(HWND window, int id) {
    wchar_t text[512] = L"";
    GetDlgItemTextW(window, id, text, 512);
    return text;
}

bool WaitUntil(HWND window, int id, const std::wstring& text, bool visible, DWORD ms) {
    for (DWORD start = GetTickCount(); GetTickCount() - start < ms; Sleep(50)) {
        HWND item = GetDlgItem(window, id);
        if (ItemText(window, id) == text && (IsWindowVisible(item) != 0) == visible && IsWindowEnabled(item))
            return true;
    }
    return false;
}

Picture Shot(HWND window, const std::wstring& name) {
    Sleep(400);
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    Sleep(300);
    Picture picture = Capture(window);
    CreateDirectoryW(BinPath(L"screenshots").c_str(), nullptr);
    SaveBitmap(picture, BinPath(L"screenshots\\language-") + name + L"-" + PrefixKind() + L".bmp");
    return picture;
}

// Nothing drawn in the window's right margin below the emblem: a line too
// long for the page would run into it.
void ExpectRightMarginClear(const Picture& p, const std::wstring& name) {
    EXPECT_EQ(0, DarkPixels(p, p.width - p.width / 40, p.height / 5, p.width - 3, p.height - p.height / 8)) << name;
}

struct Language {
    const wchar_t* tag;
    const wchar_t* caption;  // of a product named Tongue
    const wchar_t* install;
    const wchar_t* finish;
    const wchar_t* shortcutRow;
    const wchar_t* uninstallCaption;
    const wchar_t* uninstall;
};

void WalkThrough(const Language& language) {
    ScratchFolder dir;
    InstalledProduct product(L"Tongue");
    std::string script = "[Project Name]\r\nTongue\r\n[ProgramVersion]\r\n1.0\r\n[Install To]\r\n" +
                         Narrow(dir / L"dest\\") +
                         "\r\n[CopyFile]\r\na.txt\r\n<Destination>a.txt\r\n[CreateIcon]\r\n<Destination>a.txt\r\n" +
                         Narrow(dir / L"links\\Tongue.lnk") + "\r\n\r\nOptional - Desktop Icon!\r\n";
    std::wstring exe = EmbedInstaller(dir, {Entry("setup.dat", script), Entry("a.txt", std::string(3000, 'a')),
                                            Entry("setup.lic", "Licence.\r\n")});
    std::wstring tag = language.tag;
    ChildProcess installer;
    ASSERT_TRUE(installer.Start(L"\"" + exe + L"\" --language=" + tag));
    HWND window = WaitForWindow(L"#32770", language.caption, 30000);
    ASSERT_TRUE(window) << Utf8(language.caption);
    EXPECT_EQ(language.install, ItemText(window, IDC_INSTALL));
    ExpectRightMarginClear(Shot(window, tag + L"-ready"), L"ready");

    ASSERT_TRUE(ClickButton(window, IDC_INSTALL, false));
    Shot(window, tag + L"-installing");
    ASSERT_TRUE(WaitUntil(window, IDC_CANCEL, language.finish, true, 30000));
    ExpectRightMarginClear(Shot(window, tag + L"-finished"), L"finished");
    HWND list = FindWindowExW(window, nullptr, L"ListBox", nullptr);
    ASSERT_TRUE(list);
    wchar_t row[256] = L"";
    SendMessageW(list, LB_GETTEXT, 0, (LPARAM)row);
    EXPECT_EQ(std::wstring(language.shortcutRow) + L": 0", row);
    ASSERT_TRUE(ClickButton(window, IDC_CANCEL, false));
    EXPECT_EQ(0u, installer.Wait(30000));

    // The uninstaller, without the switch, speaks the install's language.
    ChildProcess uninstaller;
    ASSERT_TRUE(uninstaller.Start(product.Value(L"UninstallString")));
    HWND dialog = WaitForWindow(L"#32770", language.uninstallCaption, 30000);
    ASSERT_TRUE(dialog) << Utf8(language.uninstallCaption);
    EXPECT_EQ(language.uninstall, ItemText(dialog, IDOK));
    ExpectRightMarginClear(Shot(dialog, tag + L"-uninstall"), L"uninstall");
    ASSERT_TRUE(ClickButton(dialog, IDOK, false));
    ASSERT_TRUE(WaitUntil(dialog, IDCANCEL, language.finish, true, 30000));
    ExpectRightMarginClear(Shot(dialog, tag + L"-uninstalled"), L"uninstalled");
    ASSERT_TRUE(ClickButton(dialog, IDCANCEL, false));
    EXPECT_EQ(0u, uninstaller.Wait(30000));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW((dir / L"dest\\a.txt").c_str()));
}

TEST(LanguageRuns, GermanWizardAndUninstaller) {
    WalkThrough({L"de", L"Tongue \x2013 Installation", L"Installieren", L"Fertig stellen",
                 L"Verkn\xfcpfung erstellen: Desktop Icon", L"Deinstallation", L"Deinstallieren"});
}

TEST(LanguageRuns, JapaneseWizardAndUninstaller) {
    WalkThrough({L"ja", L"Tongue \x30bb\x30c3\x30c8\x30a2\x30c3\x30d7",
                 L"\x30a4\x30f3\x30b9\x30c8\x30fc\x30eb", L"\x5b8c\x4e86",
                 L"\x30b7\x30e7\x30fc\x30c8\x30ab\x30c3\x30c8\x3092\x4f5c\x6210: Desktop Icon",
                 L"\x30a2\x30f3\x30a4\x30f3\x30b9\x30c8\x30fc\x30eb",
                 L"\x30a2\x30f3\x30a4\x30f3\x30b9\x30c8\x30fc\x30eb"});
}

// A UTF-8 script names product, folder and file in Japanese on a Windows of
// another code page: ready page, Uninstall entry and record keep them.
TEST(LanguageRuns, JapaneseNamesFromAUtf8Script) {
    ScratchFolder dir;
    const std::wstring name = L"\u65e5\u672c\u88fd\u54c1", file = L"\u8aac\u660e.txt";
    const std::wstring folder = dir / L"dest\\\u65e5\u672c\\", script = dir / L"setup.dat", exe = dir / L"setup.exe";
    InstalledProduct product(name.c_str());
    CreateDirectoryW((dir / L"files").c_str(), nullptr);
    WriteBytes(dir / (L"files\\" + file), "text");
    WriteBytes(script, "\xef\xbb\xbf[Project Name]\r\n" + Utf8(name) + "\r\n[Install To]\r\n" + Utf8(folder) +
                           "\r\n[CopyFile]\r\n" + Utf8(file) + "\r\n<Destination>" + Utf8(file) + "\r\n");
    ProcessResult built = RunProcess(L"\"" + BinPath(L"bkpack.exe") + L"\" build \"" + script + L"\" \"" + dir / L"files" +
                                         L"\" --stub \"" + BinPath(L"bkstub.exe") + L"\" --quiet -o \"" + exe + L"\"",
                                     {}, 120000, true);
    ASSERT_EQ(0u, built.exitCode) << built.output;
    ChildProcess installer, uninstaller;
    ASSERT_TRUE(installer.Start(L"\"" + exe + L"\" --language=en"));
    HWND window = WaitForWindow(L"#32770", (name + L" Installer").c_str(), 30000);
    ASSERT_TRUE(window) << "no ready page captioned with the product's name";
    EXPECT_EQ(folder, ItemText(window, IDC_INSTALL_PATH));
    ASSERT_TRUE(ClickButton(window, IDC_INSTALL, false));
    ASSERT_TRUE(WaitUntil(window, IDC_CANCEL, L"Finish", true, 30000));
    ASSERT_TRUE(ClickButton(window, IDC_CANCEL, false));
    EXPECT_EQ(0u, installer.Wait(30000));
    EXPECT_EQ("text", ReadBytes(folder + file));
    EXPECT_EQ(name, product.Value(L"DisplayName"));
    ASSERT_TRUE(uninstaller.Start(product.Value(L"QuietUninstallString")));
    EXPECT_EQ(0u, uninstaller.Wait(60000));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(folder.c_str()));
    EXPECT_EQ(L"", product.Value(L"DisplayName"));
}

// A destination file that is a folder cannot be written: the silent run
// retries, gives up, and its log quotes the box in the run's language,
// or in the publisher's words where the package brings its own.
TEST(LanguageRuns, SilentLogQuotesTheBoxInTheRunsLanguage) {
    ScratchFolder dir;
    InstalledProduct product(L"Zunge");
    std::string script = ProductScript("Zunge", dir, false);
    CreateDirectoryW((dir / L"dest").c_str(), nullptr);
    CreateDirectoryW((dir / L"dest\\a.txt").c_str(), nullptr);
    std::wstring log = dir / L"run.log";
    std::wstring builtIn = EmbedInstaller(dir, {Entry("setup.dat", script), Entry("a.txt", "alpha")});
    std::wstring own = EmbedInstaller(
        dir, {Entry("setup.dat", script), Entry("a.txt", "alpha"),
              Entry("setup.lng.de", "# ours\nCannotInstall=Kein Platz f\xc3\xbcr \xe2\x80\x9e%s\xe2\x80\x9c.\n")},
        L"own.exe");
    std::wstring arguments = L"--silent --language=de --log=\"" + log + L"\"";
    EXPECT_EQ(1603u, RunInstaller(builtIn, arguments).exitCode);
    EXPECT_EQ(1603u, RunInstaller(own, arguments).exitCode);
    std::vector<std::string> lines = ReadLogLines(log);
    std::string file = Narrow(dir / L"dest\\a.txt");
    std::string caption = "\"Zunge \xe2\x80\x93 Installation\"";
    std::string box = "message box not shown (silent) " + caption + ": \"";
    EXPECT_EQ(1, CountLines(lines, "elevated child",
                            box + "\xe2\x80\x9e" + file + "\xe2\x80\x9c kann nicht installiert werden. "
                                  "M\xc3\xb6glicherweise ist der Datentr\xc3\xa4ger voll.\" answered Cancel"))
        << "the built-in German";
    EXPECT_EQ(1, CountLines(lines, "elevated child",
                            box + "Kein Platz f\xc3\xbcr \xe2\x80\x9e" + file + "\xe2\x80\x9c.\" answered Cancel"))
        << "the publisher's text";
    EXPECT_EQ(0, CountLines(lines, "elevated child", "disk may be full")) << "no English";
    RemoveDirectoryW((dir / L"dest\\a.txt").c_str());
}

DWORD NoRestart() { return ERROR_SUCCESS; }

DWORD WINAPI RunCountdown(void*) {
    dlgRebooting countdown(true);
    return 0;
}

BOOL CALLBACK TakeVisible(HWND window, LPARAM found) {
    if (!IsWindowVisible(window)) return TRUE;
    *(HWND*)found = window;
    return FALSE;
}

// The countdown's buttons were laid out for "Cancel Reboot" and "Reboot
// Now": the German texts are longer, and the buttons grow without running
// into each other.
TEST(LanguageRuns, GermanCountdownMakesRoomForItsButtons) {
    CommandLineOptions options;
    options.Parse(WString(L"setup.exe --language=de"), 1);
    ChooseLanguage(options);
    SetRestartHook(NoRestart);
    DWORD threadId = 0;
    HANDLE thread = CreateThread(nullptr, 0, RunCountdown, nullptr, 0, &threadId);
    HWND window = nullptr;
    for (DWORD start = GetTickCount(); !window && GetTickCount() - start < 10000; Sleep(50))
        EnumThreadWindows(threadId, TakeVisible, (LPARAM)&window);
    ASSERT_TRUE(window);
    ExpectRightMarginClear(Shot(window, L"de-countdown"), L"countdown");
    HWND now = GetDlgItem(window, IDC_REBOOT_NOW), cancel = GetDlgItem(window, IDC_CANCEL_REBOOT);
    EXPECT_EQ(L"Jetzt neu starten", ItemText(window, IDC_REBOOT_NOW));
    EXPECT_EQ(L"Neustart abbrechen", ItemText(window, IDC_CANCEL_REBOOT));
    RECT left, right;
    GetWindowRect(now, &left);
    GetWindowRect(cancel, &right);
    EXPECT_LT(left.right, right.left) << "the buttons keep a gap";
    EXPECT_GT(left.right - left.left, ControlTextWidth(now));
    EXPECT_GT(right.right - right.left, ControlTextWidth(cancel));
    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread, 10000));
    CloseHandle(thread);
    SetRestartHook(nullptr);
    ResetTexts();
    UseScriptOf(L"en");
}

}  // namespace
