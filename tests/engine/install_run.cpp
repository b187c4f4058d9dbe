#include "engine/install_run.h"

#include "app/installer_state.h"
#include "base/folders.h"
#include "base/stoppable_thread.h"
#include "engine/finish_items.h"
#include "engine/install_worker.h"
#include "engine/path_macros.h"
#include "engine/registration_queue.h"
#include "engine/uninstall_record.h"
#include "package/setup_files.h"
#include "support/process.h"

std::wstring Expand(const wchar_t* text) {
    WString copy(text);
    ExpandPathMacros(copy);
    return copy.Text();
}

bool ReadDword(HKEY root, const wchar_t* key, const wchar_t* name, DWORD& value) {
    DWORD size = sizeof value;
    return RegGetValueW(root, key, name, RRF_RT_REG_DWORD, nullptr, &value, &size) == ERROR_SUCCESS;
}

std::wstring ReadText(HKEY root, const wchar_t* key, const wchar_t* name, DWORD* type) {
    wchar_t buffer[1024] = {0};
    DWORD size = sizeof buffer, kind = 0;
    if (RegGetValueW(root, key, name, RRF_RT_ANY | RRF_NOEXPAND, &kind, buffer, &size) != ERROR_SUCCESS)
        return L"<missing>";
    if (type) *type = kind;
    return buffer;
}

bool KeyExists(HKEY root, const wchar_t* key) {
    HKEY handle;
    if (RegOpenKeyExW(root, key, 0, KEY_READ, &handle) != ERROR_SUCCESS) return false;
    RegCloseKey(handle);
    return true;
}

InstallRun::InstallRun(const wchar_t* projectName, const wchar_t* installFolder) : project_(projectName) {
    state.projectName = projectName;
    state.caption = WString::Formatted(L"%s Installer", projectName);
    installPath = Expand(installFolder);
    state.installPath = installPath.c_str();
    state.programVersion = L"";
    state.uninstallSettings = L"";
    state.allowUninstall = true;
    state.offerUninstallOld = true;
    state.saveInstallPath = false;
    state.saveInstallPathValue = L"";
    state.silent = false;
    state.installAborted = false;
    state.uninstallRecordWritten = false;
    state.actionText = L"";
    state.progressDone = state.progressTotal = 0;
    state.commandFilePath = CommandFile().c_str();
    BOOL wow64 = FALSE;
    IsWow64Process(GetCurrentProcess(), &wow64);
    state.isWow64 = wow64;
    CreateFolderTree((dir / L"files").c_str());
    owner = CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
}

InstallRun::~InstallRun() {
    delete state.package;
    state.package = nullptr;
    ClearFinishItems();
    RegistrationQueue().DeleteAll();
    state.commandFilePath = L"";
    state.silent = false;
    state.installAborted = false;
    state.rerunEvent.Reset();
    RemoveTree(installPath.c_str(), nullptr, true);
    DeleteFileW(UninstallerCopyPath());
    DeleteFileW(UninstallLogPath());
    // Gone when no other product's files are in it, as after an uninstall.
    RemoveDirectoryW(UninstallFolder());
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, UninstallKeyPath(project_.c_str()));
    if (owner) DestroyWindow(owner);
}

void InstallRun::Add(const std::wstring& entry, const std::string& bytes) {
    std::wstring path = dir / (L"files\\" + entry);
    CreateFolderTree(WString(path.c_str()).FolderPart());
    WriteBytes(path, bytes);
}

void InstallRun::AddCopy(const std::wstring& entry, const std::wstring& source) { Add(entry, ReadBytes(source)); }

bool InstallRun::Pack(const std::string& text) {
    script = text;
    WriteBytes(dir / L"setup.dat", text);
    std::wstring package = dir / L"test.pkg";
    std::wstring command = L"\"" + BinPath(L"bkpack.exe") + L"\" pack \"" + (dir / L"setup.dat") + L"\" \"" +
                           (dir / L"files") + L"\" -o \"" + package + L"\" --level 1 --quiet";
    ProcessResult built = RunProcess(command, {}, 60000);
    if (!built.started || built.exitCode != 0) return false;
    SetupFiles* files = new SetupFiles();
    bool failed = true;
    files->Create(failed, package.c_str());
    state.package = files;
    return !failed;
}

bool InstallRun::Run() {
    StoppableThread worker;
    if (!worker.Start(InstallWorker, owner, 60000)) return false;
    for (int i = 0; i < 600 && !worker.IsFinished(); i++) Sleep(100);
    return worker.IsFinished();
}
