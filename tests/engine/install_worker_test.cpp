// The install worker on real packages: what a script leaves on the machine.
#include <gtest/gtest.h>

#include <objbase.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include "app/installer_state.h"
#include "base/folders.h"
#include "engine/finish_items.h"
#include "engine/install_run.h"
#include "engine/install_worker.h"
#include "engine/shortcuts.h"
#include "engine/uninstall_record.h"
#include "support/fake_parent.h"
#include "support/message_recorder.h"
#include "support/process.h"

namespace {

const wchar_t kWorkerKey[] = L"Software\\BraskTest\\Worker";
const wchar_t kComponents[] = L"Software\\BraskTest\\Components";
const wchar_t kAppPaths[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";

std::string Narrow(const std::wstring& text) { return std::string(WString(text.c_str()).ToAnsi()); }

DWORD Mark(const wchar_t* name) {
    DWORD value = 0;
    ReadDword(HKEY_CURRENT_USER, kComponents, name, value);
    return value;
}

struct ComScope {
    ComScope() { CoInitialize(nullptr); }
    ~ComScope() { CoUninitialize(); }
};

// Arguments and working folder of a link, as the shell reads them back.
void ReadLink(const std::wstring& path, std::wstring& arguments, std::wstring& folder) {
    IShellLinkW* link = nullptr;
    IPersistFile* file = nullptr;
    wchar_t buffer[MAX_PATH] = {0};
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, (void**)&link)))
        return;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, (void**)&file)) && SUCCEEDED(file->Load(path.c_str(), 0))) {
        link->GetArguments(buffer, MAX_PATH);
        arguments = buffer;
        link->GetWorkingDirectory(buffer, MAX_PATH);
        folder = buffer;
    }
    if (file) file->Release();
    link->Release();
}

const char kFullScript[] =
    "[Project Name]\r\nWorkerTest\r\n"
    "[ProgramVersion]\r\n2.5\r\n"
    "[Install To]\r\n<Program Files>Brask Worker Test\\\r\n"
    "[UninstallSettings]\r\nBrask Test Publisher\r\n"
    "[Action]\r\nCopying the files\r\n"
    "[CopyFile]\r\ntool.exe\r\n<Destination>bin\\Tool.Exe\r\n"
    "[CopyFile]\r\nregistering.dll\r\n<Destination>bin\\registering.dll\r\n"
    "[CopyFile]\r\nforeign.dll\r\n<Destination>bin\\foreign.dll\r\n"
    "[CopyFile]\r\nexportless.ocx\r\n<Destination>exportless.ocx\r\n"
    "[CopyFile]\r\ndocs\\readme.txt\r\n<Destination>docs\\deep\\readme.txt\r\n"
    "[CreateIcon]\r\n<Destination>bin\\Tool.Exe\r\n<Start Programs>Brask Worker Test\\Tool.lnk\r\n--flag value\r\n\r\n"
    "[CreateIcon]\r\n<Destination>docs\\deep\\readme.txt\r\n<DeskTop>Readme.lnk\r\n\r\nOptional - Read me\r\n"
    "[RunFile]\r\n<Destination>bin\\Tool.Exe\r\nrecord later.log\r\nOptional - Run the tool!\r\n"
    "[Registry]\r\nHKLM\r\nSoftware\\BraskTest\\Worker\r\nSTRING\r\nFolder\r\n<Destination>\r\n"
    "[Registry]\r\nHKLM\r\nSoftware\\BraskTest\\Worker\r\nDWORD\r\nCount\r\n-2\r\n"
    "[Registry]\r\nHKLM\r\nSoftware\\BraskTest\\Worker\r\nBINARY\r\nBlob\r\nblob.bin\r\n"
    "[Registry]\r\nHKCU\r\nSoftware\\BraskTest\\Worker\r\nSTRING\r\nUserText\r\nin <Destination>\r\n"
    "[Registry]\r\nHKCU\r\nSoftware\\BraskTest\\Worker\r\nDWORD\r\nUserCount\r\n7\r\n"
    "[Registry]\r\nHKCU\r\nSoftware\\BraskTest\\Worker\r\nBINARY\r\nUserBlob\r\nblob.bin\r\n"
    "[Registry]\r\nHKXX\r\nSoftware\\BraskTest\\Worker\r\nSTRING\r\nNowhere\r\nx\r\n"
    "[RunAndWaitFile]\r\n<Destination>bin\\Tool.Exe\r\nrecord <Destination>handed.log\r\n\r\n"
    "[UninstallAction]\r\n<Destination>bin\\Tool.Exe\r\nrecord uninstall.log\r\n"
    "just a line outside any section\r\n";

TEST(InstallWorker, FullScriptLeavesFilesShortcutsValuesAndTheRecord) {
    ComScope com;
    MessageRecorder boxes;
    InstallRun run(L"WorkerTest", L"<Program Files>Brask Worker Test\\");
    state.programVersion = L"2.5";
    state.uninstallSettings = L"Brask Test Publisher";
    state.requiredKB = 42;
    state.saveInstallPath = true;
    state.saveInstallPathValue = L"WorkerTestPath";
    RegDeleteTreeW(HKEY_CURRENT_USER, kComponents);
    RegDeleteTreeW(HKEY_CURRENT_USER, kWorkerKey);
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, kWorkerKey);
    std::string helper = ReadBytes(BinPath(L"test_helper.exe"));
    run.Add(L"tool.exe", helper);
    run.AddCopy(L"registering.dll", BinPath(L"components\\registering.dll"));
    run.AddCopy(L"foreign.dll", BinPath(L"components\\foreign.dll"));
    run.AddCopy(L"exportless.ocx", BinPath(L"components\\exportless.ocx"));
    run.Add(L"docs\\readme.txt", "read me");
    run.Add(L"blob.bin", std::string("\x00\xFF\x10", 3));
    ASSERT_TRUE(run.Pack(kFullScript));

    bool recordBeforeProgram = false;
    std::vector<std::wstring> handed;
    {
        FakeParent parent(run.CommandFile(), [&] {
            if (PathExists(UninstallLogPath())) recordBeforeProgram = true;
        });
        ASSERT_TRUE(run.Run());
        handed = parent.Lines();
    }
    EXPECT_TRUE(boxes.Shown().empty());
    EXPECT_FALSE(state.installAborted);

    // Files, with the folders they need.
    EXPECT_EQ(helper, ReadBytes(run.Installed(L"bin\\Tool.Exe")));
    EXPECT_EQ("read me", ReadBytes(run.Installed(L"docs\\deep\\readme.txt")));
    // Progress: every copy section counted; the last action registers.
    EXPECT_EQ(5, state.progressTotal);
    EXPECT_EQ(5, state.progressDone);
    EXPECT_STREQ(L"Registering Dlls", state.actionText.Text());

    // The shortcut, made in a new Start-menu group.
    std::wstring link = Expand(L"<Start Programs>Brask Worker Test\\Tool.lnk");
    WString target;
    ASSERT_TRUE(ShortcutTarget(link.c_str(), target));
    EXPECT_EQ(0, Compare(target, run.Installed(L"bin\\Tool.Exe").c_str(), true)) << target.Text();
    std::wstring arguments, folder;
    ReadLink(link, arguments, folder);
    EXPECT_EQ(L"--flag value", arguments);
    EXPECT_EQ(0, Compare(WString(folder.c_str()), run.Installed(L"bin\\").c_str(), true)) << folder;
    DeleteFileW(link.c_str());
    RemoveDirectoryW(WString(link.c_str()).FolderPart());

    // Optional items wait for the finish page.
    ASSERT_EQ(1, state.finishShortcuts.Count());
    FinishShortcut* shortcut = (FinishShortcut*)state.finishShortcuts.At(0);
    EXPECT_STREQ(L"Read me", shortcut->displayName.Text());
    EXPECT_STREQ(L"<DeskTop>Readme.lnk", shortcut->linkPath.Text());
    EXPECT_FALSE(PathExists(Expand(L"<DeskTop>Readme.lnk").c_str()));
    ASSERT_EQ(1, state.finishPrograms.Count());
    FinishProgram* program = (FinishProgram*)state.finishPrograms.At(0);
    EXPECT_STREQ(L"Run the tool!", program->displayName.Text());
    EXPECT_STREQ(L"record later.log", program->parameters.Text());
    EXPECT_FALSE(program->wait);

    // App Paths for the program only.
    std::wstring appKey = std::wstring(kAppPaths) + L"Tool.Exe";
    EXPECT_EQ(run.Installed(L"bin\\Tool.Exe"), ReadText(HKEY_LOCAL_MACHINE, appKey.c_str(), L""));
    EXPECT_EQ(run.Installed(L"bin\\"), ReadText(HKEY_LOCAL_MACHINE, appKey.c_str(), L"Path"));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, (std::wstring(kAppPaths) + L"registering.dll").c_str()));
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, appKey.c_str());

    // Values: machine ones here, the user's string and number to the parent.
    DWORD type = 0, count = 0;
    EXPECT_EQ(run.installPath, ReadText(HKEY_LOCAL_MACHINE, kWorkerKey, L"Folder", &type));
    EXPECT_EQ((DWORD)REG_SZ, type);
    ASSERT_TRUE(ReadDword(HKEY_LOCAL_MACHINE, kWorkerKey, L"Count", count));
    EXPECT_EQ(0xFFFFFFFEu, count);
    BYTE blob[8] = {0};
    DWORD size = sizeof blob;
    ASSERT_EQ(ERROR_SUCCESS, RegGetValueW(HKEY_LOCAL_MACHINE, kWorkerKey, L"Blob", RRF_RT_REG_BINARY, nullptr, blob, &size));
    EXPECT_EQ(3u, size);
    EXPECT_EQ(0xFF, blob[1]);
    size = sizeof blob;
    EXPECT_EQ(ERROR_SUCCESS, RegGetValueW(HKEY_CURRENT_USER, kWorkerKey, L"UserBlob", RRF_RT_REG_BINARY, nullptr, blob, &size));
    EXPECT_EQ(L"<missing>", ReadText(HKEY_CURRENT_USER, kWorkerKey, L"UserText"));
    std::vector<std::wstring> expected = {
        L"[setreg_hkcu_string]", L"UserText", kWorkerKey, L"in " + run.installPath,
        L"[setreg_hkcu_dword]", L"UserCount", kWorkerKey, L"7",
        L"[run]", run.Installed(L"bin\\Tool.Exe"), L"record " + run.Installed(L"handed.log"), L"1"};
    EXPECT_EQ(expected, handed);
    EXPECT_TRUE(recordBeforeProgram) << "the record must exist before the program is handed over";
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, kWorkerKey);
    RegDeleteTreeW(HKEY_CURRENT_USER, kWorkerKey);

    // Components: registered in the process, through regsvr32 when the
    // process cannot load them, and loaded and freed when they export nothing.
    EXPECT_EQ(1u, Mark(L"registering-registered"));
    EXPECT_EQ(1u, Mark(L"foreign-registered"));
    EXPECT_EQ(1u, Mark(L"exportless-loads"));
    EXPECT_EQ(1u, Mark(L"exportless-frees"));
    RegDeleteTreeW(HKEY_CURRENT_USER, kComponents);

    // The uninstall record.
    std::wstring copy = UninstallerCopyPath().Text();
    EXPECT_EQ(Expand(L"<Program Files>BraskUninstall\\Uninstall-WorkerTest.exe"), copy);
    EXPECT_TRUE(PathExists(copy.c_str()));
    std::string log = ReadBytes(UninstallLogPath().Text());
    std::string expectedLog = kFullScript;
    std::string from = "[Install To]\r\n<Program Files>Brask Worker Test\\\r\n";
    expectedLog.replace(expectedLog.find(from), from.size(), "[Install To]\r\n" + Narrow(run.installPath) + "\r\n");
    EXPECT_EQ(expectedLog, log);

    std::wstring key = UninstallKeyPath(L"WorkerTest").Text();
    std::wstring uninstall = L"\"" + copy + L"\" --uninstall=\"" + UninstallLogPath().Text() + L"\"";
    struct {
        const wchar_t* name;
        std::wstring text;
    } strings[] = {
        {L"DisplayName", L"WorkerTest"},
        {L"Publisher", L"Brask Test Publisher"},
        {L"DisplayVersion", L"2.5"},
        {L"InstallLocation", run.installPath},
        {L"DisplayIcon", copy},
        {L"UninstallString", uninstall},
        // The log path comes last: the uninstaller reads everything after
        // "--uninstall=" as the path.
        {L"QuietUninstallString", L"\"" + copy + L"\" --silent --uninstall=\"" + UninstallLogPath().Text() + L"\""},
        {L"InstallTo", run.installPath},
    };
    for (auto& s : strings) {
        type = 0;
        EXPECT_EQ(s.text, ReadText(HKEY_LOCAL_MACHINE, key.c_str(), s.name, &type)) << s.name;
        EXPECT_EQ((DWORD)REG_SZ, type) << s.name;
    }
    for (auto& d : {std::make_pair(L"NoModify", 1u), std::make_pair(L"NoRepair", 1u),
                    std::make_pair(L"EstimatedSize", 42u)}) {
        DWORD value = 0;
        EXPECT_TRUE(ReadDword(HKEY_LOCAL_MACHINE, key.c_str(), d.first, value)) << d.first;
        EXPECT_EQ(d.second, value) << d.first;
    }
    for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
        EXPECT_EQ(run.installPath, ReadText(root, L"Software\\BraskInstall", L"WorkerTestPath"));
        RegDeleteKeyValueW(root, L"Software\\BraskInstall", L"WorkerTestPath");
    }
}

}  // namespace
