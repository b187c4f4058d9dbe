#include "uninstall/uninstall_worker.h"

#include <windows.h>
#include <objbase.h>
#include <shellapi.h>

#include "app/installer_state.h"
#include "app/language.h"
#include "app/processes.h"
#include "base/disk_file.h"
#include "base/folders.h"
#include "base/line_reader.h"
#include "base/lists.h"
#include "base/message_box.h"
#include "base/registry.h"
#include "base/texts.h"
#include "engine/install_journal.h"
#include "engine/install_scope.h"
#include "engine/logon_delete.h"
#include "engine/path_macros.h"
#include "engine/uninstall_record.h"
#include "uninstall/record_locations.h"
#include "uninstall/record_removal.h"

namespace {

bool IsHeader(const WString& line, const wchar_t* header) { return Compare(line, header, false) == 0; }

class Worker {
public:
    explicit Worker(HWND owner) : owner_(owner) {}
    void Run();

private:
    void RunActions();
    void RunAction(WString program, WString parameters);

    HWND owner_;
    DiskFile log_;
    RecordRemoval removal_{true};
};

void Worker::RunAction(WString program, WString parameters) {
    ExpandPathMacros(program);
    ExpandPathMacros(parameters);
    if (Compare(program.Extension(), L".exe", true) != 0 && parameters.IsEmpty()) {
        // A document: opened in its associated program, not waited for.
        ShellExecuteW(owner_, nullptr, program, nullptr, nullptr, SW_SHOWNORMAL);
        return;
    }
    if (!StartProcess(ProgramCommandLine(program, parameters), true))
        ShowMessage(owner_, WString::Formatted(Text(kErrorRunningAction), (const wchar_t*)program), state.caption,
                    MB_OK | MB_ICONERROR);
}

// Every action runs, in log order, before anything is removed: an action
// may still need the product's files.
void Worker::RunActions() {
    WString line;
    while (ReadLine(log_, line, false)) {
        if (IsHeader(line, L"[UninstallAction]")) {
            WString program = NextLine(log_);
            RunAction(program, NextLine(log_));
        }
    }
}

void Worker::Run() {
    ExpandPathMacros(state.uninstallLogPath);
    const WString& logPath = state.uninstallLogPath;
    // What a killed install of this product left is undone first: the
    // record read below is then the one of what is installed.
    RollBackJournal(JournalPath(logPath), L"an unfinished install of this product");
    log_.SetPath(logPath);
    log_.Open(GENERIC_READ, OPEN_EXISTING, false);
    if (!log_.IsOpen()) {
        // Without its record nothing can be removed; the Uninstall entry and
        // this uninstaller stay, so that the product stays removable once
        // the record is back.
        state.uninstallFailed = true;
        ReportMissingRecord(owner_, logPath);
        return;
    }
    {
        // "<Program Files>" in the record names the folder the install chose.
        RecordLocations locations(logPath);
        RunActions();
        log_.Close();
        bool restartNeeded = false;
        if (removal_.Read(logPath, state.installPath)) {
            removal_.Remove(logPath, restartNeeded);
            removal_.Tidy();
        }
        if (restartNeeded) state.uninstallRebootRequired = true;
    }
    DeleteFileW(logPath);
    DeleteFileW(RecordedLanguagePath(logPath));
    if (!state.projectName.IsEmpty()) {
        WString uninstallKeys = UninstallKeyPath(L"");
        uninstallKeys.StripTrailingBackslashes();
        DeleteKeyTree(ScopeRoot(), uninstallKeys, state.projectName);
    }
    wchar_t self[261] = {0};
    GetModuleFileNameW(nullptr, self, 260);
    // The shared uninstall folder goes too once no other product's
    // uninstaller or log is left in it.
    WString selfFolder = WString(self).FolderPart();
    bool inFolder = Compare(selfFolder, logPath.FolderPart(), true) == 0;
    selfFolder.StripTrailingBackslashes();
    if (state.userScope) {
        ScheduleLogonDelete(state.projectName, self, inFolder ? (const wchar_t*)selfFolder : nullptr);
        return;
    }
    MoveFileExW(self, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    if (inFolder) MoveFileExW(selfFolder, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
}

}  // namespace

void ReportMissingRecord(HWND owner, const wchar_t* path) {
    if (state.silent) return;
    ShowMessage(owner, WString::Formatted(Text(kUninstallLogMissing), path),
                state.caption, MB_OK | MB_ICONERROR);
}

bool IsUninstallRecord(const WString& path) {
    WString name = path.FileName();
    const int32_t prefix = 15;  // "BraskUninstall-"
    if (name.Length() - 1 <= prefix + 4 || Compare(name.Left(prefix), L"BraskUninstall-", true) != 0 ||
        Compare(name.Extension(), L".dat", true) != 0)
        return false;
    StringList folders;
    BothUninstallFolders(folders);
    bool inUninstallFolder = false;
    for (int32_t i = 0; i < folders.Count() && !inUninstallFolder; i++)
        inUninstallFolder = SameObject(folders[i], path.FolderPart());
    if (!inUninstallFolder) return false;
    DiskFile record;
    record.SetPath(path);
    record.Open(GENERIC_READ, OPEN_EXISTING, false);
    WString line;
    while (record.IsOpen() && ReadLine(record, line, false))
        if (IsHeader(line, L"[Project Name]")) return true;
    return false;
}

WString ProjectNameFromLogPath(const wchar_t* path) {
    WString name = WString(path).FileTitle();
    int32_t dash = name.FindChar(L'-', 1);
    return dash ? name.From(dash + 1) : name;
}

WString InstallPathOfProduct(const wchar_t* project) {
    WString path = ReadStringValue(L"InstallTo", ScopeRoot(), UninstallKeyPath(project));
    // Without the value there is no folder: a lone backslash would make
    // "<Destination>" name the root of the current drive.
    if (!path.IsEmpty()) path.EnsureTrailingBackslash();
    return path;
}

void UninstallWorker(EventHandle*, void* ownerWindow) {
    CoInitialize(nullptr);
    Worker worker((HWND)ownerWindow);
    worker.Run();
    CoUninitialize();
}
