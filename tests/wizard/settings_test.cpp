// The settings the wizard reads from the script before its first page: the
// destination and what overrides it, the size, the 64-bit decision and the
// Windows requirement, against a real package and the wizard's template.
#include <gtest/gtest.h>

#include <objbase.h>

#include <string>
#include <vector>

#include "app/installer_state.h"
#include "base/registry.h"
#include "engine/shortcuts.h"
#include "engine/uninstall_record.h"
#include "package/package_fixture.h"
#include "package/setup_files.h"
#include "res/resource_ids.h"
#include "support/machine_registry.h"
#include "support/message_recorder.h"
#include "support/process.h"
#include "support/scratch.h"
#include "ui/xwindow.h"
#include "wizard/wizard_settings.h"

namespace {

const wchar_t kRememberedName[] = L"WizardSettingsTest";

void ResetSettings() {
    state.projectName = L"Setup";
    state.caption = L"Setup";
    state.installPath = L"";
    state.programVersion = L"";
    state.saveInstallPath = false;
    state.saveInstallPathValue = L"";
    state.requiredKB = 0;
    state.use64BitLocations = false;
    BOOL wow64 = FALSE;
    IsWow64Process(GetCurrentProcess(), &wow64);
    state.isWow64 = wow64;
}

// A remembered install path under HKCU, removed again afterwards.
class RememberedPath {
public:
    explicit RememberedPath(const wchar_t* folder) {
        written_ = WriteString(folder, kRememberedName, HKEY_CURRENT_USER, kRememberedPathsKey);
    }
    ~RememberedPath() {
        HKEY key;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, kRememberedPathsKey, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return;
        RegDeleteValueW(key, kRememberedName);
        RegCloseKey(key);
    }
    bool written_;
};

// The wizard's dialog from its template, holding the destination edit.
struct WizardWindow {
    WizardWindow() { window.CreateFromTemplate(IDD_INSTALL, nullptr, false); }
    std::wstring ShownDestination() const {
        wchar_t text[512] = L"";
        GetDlgItemTextW(window.hwnd, IDC_INSTALL_PATH, text, 512);
        return text;
    }
    XWindow window;
};

struct Loaded {
    bool qualifies = false;
    WizardFields fields;
    std::wstring shown;
};

// Opens a package of script and two entries of 700 bytes as the process's
// package, and loads the settings into a wizard window.
void Load(const std::string& script, Loaded& out) {
    ScratchFolder dir;
    std::wstring path = SavePackage(dir.Path(), LayOut({Entry("setup.dat", script), Entry("a.bin", std::string(700, 'a')),
                                                        Entry("b.bin", std::string(700, 'b'))}));
    SetupFiles files;
    bool failed = true;
    files.Create(failed, path.c_str());
    ASSERT_FALSE(failed);
    SetupFiles* previous = state.package;
    state.package = &files;
    WizardWindow wizard;
    if (wizard.window.hwnd) {
        out.qualifies = LoadWizardSettings(wizard.window.hwnd, out.fields);
        out.shown = wizard.ShownDestination();
    }
    state.package = previous;
    ASSERT_TRUE(wizard.window.hwnd != nullptr);
}

class WizardSettings : public testing::Test {
protected:
    void SetUp() override { ResetSettings(); }
    void TearDown() override { ResetSettings(); }
};

TEST_F(WizardSettings, HeaderSectionsFillTheStateAndTheDestinationShows) {
    Loaded r;
    Load("[Project Name]\r\nTool\r\n[ProgramVersion]\r\n2.1\r\n[Install To]\r\n<Program Files>Tool\\\r\n"
         "[CopyFile]\r\na.bin\r\n<Destination>a.bin\r\n[CopyFile]\r\nmissing.bin\r\n<Destination>m.bin\r\n"
         "[CopyFile]\r\nb.bin\r\n<Destination>b.bin\r\n",
         r);
    EXPECT_TRUE(r.qualifies);
    EXPECT_STREQ(L"Tool", state.projectName);
    EXPECT_STREQ(L"Tool Installer", state.caption);
    EXPECT_STREQ(L"2.1", state.programVersion);
    // 1400 bytes: summed first, then divided once (700 / 1024 alone is 0).
    EXPECT_EQ(1, state.requiredKB);
    EXPECT_STREQ(L"<Program Files>Tool\\", r.fields.installToText);
    std::wstring path = (const wchar_t*)state.installPath;
    EXPECT_EQ(std::wstring::npos, path.find(L'<')) << path;
    EXPECT_EQ(L"Tool\\", path.substr(path.size() - 5));
    EXPECT_EQ(path, r.shown);
    EXPECT_GT(r.fields.freeMB, 0);
}

// "[Install To]" then "[SaveInstallPath]": the remembered folder wins when
// there is one; without it the script's folder stays.
TEST_F(WizardSettings, RememberedPathReplacesTheScriptsFolderOnlyWhenPresent) {
    const std::string script = "[Project Name]\r\nTool\r\n[Install To]\r\nC:\\Script Folder\\\r\n"
                               "[SaveInstallPath]\r\nWizardSettingsTest\r\n";
    {
        RememberedPath remembered(L"C:\\Remembered\\");
        ASSERT_TRUE(remembered.written_);
        Loaded r;
        Load(script, r);
        EXPECT_STREQ(L"C:\\Remembered\\", state.installPath);
        EXPECT_STREQ(L"C:\\Remembered\\", r.fields.installToText);
        EXPECT_TRUE(state.saveInstallPath);
        EXPECT_STREQ(L"WizardSettingsTest", state.saveInstallPathValue);
    }
    ResetSettings();
    Loaded r;
    Load(script, r);
    EXPECT_STREQ(L"C:\\Script Folder\\", state.installPath);
    EXPECT_TRUE(state.saveInstallPath);
}

// "[LocateInstall]": the folder of the shortcut's target, when the shortcut
// is there; the script's folder otherwise.
TEST_F(WizardSettings, LocateInstallTakesTheFolderOfTheShortcutsTarget) {
    ScratchFolder dir;
    CreateDirectoryW((dir / L"Located").c_str(), nullptr);
    ASSERT_TRUE(WriteBytes(dir / L"Located\\tool.exe", "MZ"));
    ShortcutDefinition shortcut;
    shortcut.target = (dir / L"Located\\tool.exe").c_str();
    CoInitialize(nullptr);
    ASSERT_GE(CreateShortcut((dir / L"Tool.lnk").c_str(), shortcut), 0);
    for (bool present : {true, false}) {
        ResetSettings();
        std::string link = std::string(WString((dir / (present ? L"Tool.lnk" : L"Missing.lnk")).c_str()).ToAnsi());
        Loaded r;
        Load("[Project Name]\r\nTool\r\n[Install To]\r\nC:\\Script Folder\\\r\n[LocateInstall]\r\n" + link + "\r\n",
             r);
        std::wstring expected = present ? dir / L"Located\\" : L"C:\\Script Folder\\";
        EXPECT_EQ(expected, std::wstring(state.installPath)) << present;
        EXPECT_EQ(expected, r.shown) << present;
    }
    CoUninitialize();
}

// Nothing located by the script: the folder comes from the record that the
// product's uninstall entry names.
TEST_F(WizardSettings, EarlierInstallIsFoundThroughItsUninstallEntry) {
    ScratchFolder dir;
    std::wstring log = dir / L"BraskUninstall-Tool.dat";
    ASSERT_TRUE(WriteBytes(log, "[Project Name]\r\nTool\r\n[Install To]\r\nC:\\Earlier Place\\\r\n"));
    MachineKeyOverride machine;
    ASSERT_TRUE(machine.Active());
    std::wstring command = L"\"C:\\x\\Uninstall-Tool.exe\" --uninstall=\"" + log + L"\"";
    ASSERT_TRUE(machine.SetString(L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tool", L"UninstallString",
                                  command.c_str()));
    Loaded r;
    Load("[Project Name]\r\nTool\r\n[Install To]\r\nC:\\Script Folder\\\r\n", r);
    EXPECT_STREQ(L"C:\\Earlier Place\\", state.installPath);
    EXPECT_STREQ(L"C:\\Earlier Place\\", r.fields.installToText);
    EXPECT_EQ(L"C:\\Earlier Place\\", r.shown);
}

TEST_F(WizardSettings, InstallToOptionInItsForms) {
    struct Case {
        const wchar_t* commandLine;
        const wchar_t* expected;
    } cases[] = {
        {L"setup.exe --silent --installto=\"C:\\My Apps\\Tool\"", L"C:\\My Apps\\Tool"},
        // A quoted folder ends at its closing quote; quoted whole, anywhere.
        {L"setup.exe --installto=\"C:\\My Apps\\Tool\" --silent", L"C:\\My Apps\\Tool"},
        {L"setup.exe \"--installto=C:\\My Apps\\Tool\" --silent", L"C:\\My Apps\\Tool"},
        // Unquoted, whatever follows becomes part of the folder.
        {L"setup.exe --installto=C:\\My Apps\\Tool --silent", L"C:\\My Apps\\Tool --silent"},
        {L"setup.exe --installto D:\\Plain", L" D:\\Plain"},
        {L"setup.exe <installto>\"D:\\Old Form\"", L"\"D:\\Old Form\""},
        {L"setup.exe <installto>D:\\Old --installto=E:\\New", L"E:\\New"},
        {L"setup.exe --silent", L"C:\\From Script\\"},
    };
    for (const Case& c : cases) {
        WizardFields fields;
        fields.installToText = L"C:\\From Script\\";
        state.installPath = L"elsewhere";
        ApplyInstallToOption(c.commandLine, fields);
        EXPECT_STREQ(c.expected, fields.installToText) << c.commandLine;
        EXPECT_STREQ(c.expected, state.installPath) << c.commandLine;
    }
}

// Started by the next test with the option on its own command line.
TEST_F(WizardSettings, DISABLED_OptionOverridesEveryDestination) {
    ASSERT_NE(nullptr, wcsstr(GetCommandLineW(), L"--installto="));
    RememberedPath remembered(L"C:\\Remembered\\");
    Loaded r;
    Load("[Install To]\r\nC:\\Script\\\r\n[SaveInstallPath]\r\nWizardSettingsTest\r\n[Install To]\r\nC:\\Last\\\r\n", r);
    EXPECT_STREQ(L"C:\\Chosen Folder", r.fields.installToText);
    EXPECT_STREQ(L"C:\\Chosen Folder", state.installPath);
    EXPECT_EQ(L"C:\\Chosen Folder", r.shown);
}

TEST_F(WizardSettings, CommandLineOptionIsReappliedAfterEachDestination) {
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    ProcessResult run = RunProcess(L"\"" + std::wstring(self) +
                                       L"\" --gtest_also_run_disabled_tests"
                                       L" --gtest_filter=WizardSettings.DISABLED_OptionOverridesEveryDestination"
                                       L" --installto=\"C:\\Chosen Folder\"",
                                   {}, 60000, true);
    ASSERT_TRUE(run.started && !run.timedOut);
    EXPECT_EQ(0u, run.exitCode) << run.output;
    EXPECT_NE(std::string::npos, run.output.find("1 test")) << run.output;
}

TEST_F(WizardSettings, SixtyFourBitFoldersOnlyWhenEveryProgramHasItsTwin) {
    struct Case {
        std::vector<const wchar_t*> destinations;
        bool expected;
    } cases[] = {
        {{L"<Destination>tool.exe", L"<Destination>readme.txt"}, false},
        {{L"<Destination>tool.exe", L"<Destination>tool__BKI_WIN64.exe"}, true},
        {{L"<Destination>readme.txt", L"<Destination>data.bin"}, true},
        {{}, true},
        {{L"<Destination>LIB.DLL", L"<Destination>lib__BKI_WIN64.dll", L"<Destination>lib__BKI_UNICODE.dll"}, true},
        {{L"<Destination>tool.exe", L"<Destination>tool__BKI_WIN64.exe", L"<Destination>helper.dll"}, false},
    };
    for (const Case& c : cases) {
        StringList list;
        for (const wchar_t* d : c.destinations) list.AddString(d);
        EXPECT_EQ(c.expected, AllProgramsHave64BitTwins(list)) << (c.destinations.empty() ? L"" : c.destinations[0]);
    }
    // Only a 32-bit process on 64-bit Windows decides.
    for (BOOL wow64 : {TRUE, FALSE}) {
        ResetSettings();
        state.isWow64 = wow64;
        Loaded r;
        Load("[CopyFile]\r\na.bin\r\n<Destination>tool.exe\r\n[CopyFile]\r\nb.bin\r\n<Destination>tool__BKI_WIN64.exe\r\n",
             r);
        EXPECT_EQ(wow64 != 0, state.use64BitLocations);
    }
}

// 4 asks for 64-bit Windows; the win32 prefix refuses it and the reading
// stops there, while what follows the reading still happens.
TEST_F(WizardSettings, WindowsVersionFourNeedsSixtyFourBitWindows) {
    MessageRecorder boxes;
    Loaded r;
    Load("[Project Name]\r\nTool\r\n[Install To]\r\nC:\\Tool\\\r\n[Windows Version]\r\n4\r\n"
         "[CopyFile]\r\na.bin\r\n<Destination>a.bin\r\n[ProgramVersion]\r\n9\r\n",
         r);
    EXPECT_TRUE(state.use64BitLocations);
    if (state.isWow64) {
        EXPECT_TRUE(r.qualifies);
        EXPECT_TRUE(boxes.Shown().empty());
        EXPECT_STREQ(L"9", state.programVersion);
    } else {
        EXPECT_FALSE(r.qualifies);
        ASSERT_EQ(1u, boxes.Shown().size());
        EXPECT_EQ(L"This install requires Windows 64 bit or above.", boxes.Shown()[0].text);
        EXPECT_EQ(L"Tool Installer", boxes.Shown()[0].caption);
        EXPECT_EQ((UINT)(MB_TOPMOST | MB_ICONERROR), boxes.Shown()[0].style);
        EXPECT_STREQ(L"", state.programVersion) << "reading stopped";
        EXPECT_EQ(0, state.requiredKB);
        EXPECT_EQ(L"C:\\Tool\\", r.shown) << "the destination is still refreshed";
    }
    for (const char* version : {"5", "6"}) {
        ResetSettings();
        boxes.Clear();
        // A lone ".exe" keeps the destinations from choosing 64-bit folders.
        Load(std::string("[Windows Version]\r\n") + version +
                 "\r\n[ProgramVersion]\r\n9\r\n[CopyFile]\r\na.bin\r\n<Destination>tool.exe\r\n",
             r);
        EXPECT_TRUE(r.qualifies) << version;
        EXPECT_TRUE(boxes.Shown().empty()) << version;
        EXPECT_FALSE(state.use64BitLocations) << version;
        EXPECT_STREQ(L"9", state.programVersion);
    }
}

}  // namespace
