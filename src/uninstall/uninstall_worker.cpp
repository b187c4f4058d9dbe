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
#include "base/protected_folders.h"
#include "base/registry.h"
#include "base/string_index.h"
#include "base/texts.h"
#include "engine/install_journal.h"
#include "engine/install_scope.h"
#include "engine/install_worker.h"
#include "engine/logon_delete.h"
#include "engine/path_macros.h"
#include "engine/registration.h"
#include "engine/shared_files.h"
#include "engine/uninstall_record.h"
#include "uninstall/file_keys.h"
#include "uninstall/record_locations.h"

namespace {

const wchar_t kLogPattern[] = L"BraskUninstall-*.dat";

// Tags of the items of removals_.
const uint32_t kKeep = 1;           // still needed: it stays
const uint32_t kInstalledFile = 2;  // from "[CopyFile]" (the others are shortcuts)

// The folder of path without its trailing backslash.
WString FolderOf(const WString& path) {
    WString folder = path.FolderPart();
    if (folder.CharAt(WString::kLast) == L'\\') folder.DropRight(1);
    return folder;
}

// The next folder up, or empty at the top: folders of three characters or
// less ("C:\\") and names without a backslash are never removed.
WString FolderAbove(const WString& folder) {
    int32_t slash = folder.FindLastChar(L'\\');
    return slash ? folder.Left(slash - 1) : WString();
}

bool IsRemovable(const WString& folder) { return folder.Length() - 1 > 3; }

// Schedules the folder of path and its parents, deepest first, for removal
// at the next restart, after the file scheduled before them, up to but not
// including a protected folder or a drive root (ProtectedFolders knows them
// whatever spelling the record has). A folder that is not empty then stays.
void RemoveFoldersAtRestart(const WString& path, const ProtectedFolders& guard) {
    for (WString folder = FolderOf(path); IsRemovable(folder) && !guard.Contains(folder); folder = FolderAbove(folder))
        MoveFileExW(LongPath(folder, 260), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
}

// A folder's parents are shorter texts than the folder.
int DeeperFirst(const void* a, const void* b) {
    return (*(const WString* const*)b)->Length() - (*(const WString* const*)a)->Length();
}

WString NextLine(DiskFile& file) {
    WString line;
    ReadLine(file, line, false);
    return line;
}

bool IsHeader(const WString& line, const wchar_t* header) { return Compare(line, header, false) == 0; }

class Worker {
public:
    explicit Worker(HWND owner) : owner_(owner) {}
    void Run();

private:
    void RunActions();
    void RunAction(WString program, WString parameters);
    void CollectRemovals();
    void DeleteRegistryValue();
    void ReleaseSharedUses();
    void ReadOtherRecord(const WString& otherLog);
    void ReadOtherRecords(const WString& logPath);
    bool ListedByOthers(const WString& item);
    void DropKeptItems();
    void RemoveItem(int32_t index);
    void RemoveEmptyFolders();

    HWND owner_;
    ProtectedFolders guard_;
    DiskFile log_;
    StringList removals_;
    // "[KeptFile]": files the install found newer and left alone.
    StringIndex keptFiles_;
    // The destinations of the other products' records, as written and by
    // FileKeys (another record may name the same file in another spelling).
    StringIndex listedTexts_;
    StringIndex listedKeys_;
    FileKeys keys_;
    int32_t copyCount_ = 0;
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
        if (IsHeader(line, L"[CopyFile]")) {
            copyCount_++;
        } else if (IsHeader(line, L"[UninstallAction]")) {
            WString program = NextLine(log_);
            RunAction(program, NextLine(log_));
        }
    }
}

void Worker::DeleteRegistryValue() {
    WString root = NextLine(log_), key = NextLine(log_);
    NextLine(log_);
    WString name = NextLine(log_);
    NextLine(log_);
    ExpandPathMacros(key);
    HKEY rootKey = ScriptRegistryRoot(root);
    if (!rootKey) return;
    // The key stays: other values, or other products, may live in it.
    RegKey opened(KEY_ALL_ACCESS, rootKey, key);
    if (opened.IsOpen()) RegDeleteValueW(opened.Handle(), name);
}

void Worker::CollectRemovals() {
    log_.Seek(0, DiskFile::kFromStart);
    StringIndex destinations;
    WString line;
    while (ReadLine(log_, line, false)) {
        if (IsHeader(line, L"[CopyFile]")) {
            NextLine(log_);
            WString destination = NextLine(log_);
            ExpandPathMacros(destination);
            // All variants of a file were installed at the same place.
            RemoveVariantMarkers(destination);
            if (destinations.Add(destination, 0)) removals_.AddString(destination, kInstalledFile);
        } else if (IsHeader(line, L"[CreateIcon]")) {
            NextLine(log_);
            WString link = NextLine(log_);
            NextLine(log_);
            ExpandPathMacros(link);
            removals_.AddString(link);
        } else if (IsHeader(line, L"[Registry]")) {
            DeleteRegistryValue();
        } else if (IsHeader(line, L"[KeptFile]")) {
            keptFiles_.Add(NextLine(log_), 0);
        }
    }
}

// Every installed file gives up its count, if it has one, whatever else
// keeps it; a file still used by others, or one that was never this
// product's (kept as newer), stays.
void Worker::ReleaseSharedUses() {
    for (int32_t i = 0; i < removals_.Count(); i++) {
        WString& item = removals_[i];
        if (!(item.Tag() & kInstalledFile)) continue;
        bool mayGo = state.userScope || ReleaseSharedUse(item);
        if (!mayGo || keptFiles_.Contains(item)) item.SetTag(item.Tag() | kKeep);
    }
}

void Worker::ReadOtherRecord(const WString& otherLog) {
    WString otherPath = InstallPathOfProduct(ProjectNameFromLogPath(otherLog));
    // That product's "<Program Files>" is the folder its own install chose.
    RecordLocations locations(otherLog);
    DiskFile other;
    other.SetPath(otherLog);
    other.Open(GENERIC_READ, OPEN_EXISTING, false);
    if (!other.IsOpen()) return;
    WString line;
    while (ReadLine(other, line, false)) {
        if (!IsHeader(line, L"[CopyFile]")) continue;
        NextLine(other);
        WString destination = NextLine(other);
        WString ownPath = state.installPath;
        state.installPath = otherPath;
        ExpandPathMacros(destination);
        state.installPath = ownPath;
        RemoveVariantMarkers(destination);
        listedTexts_.Add(destination, 0);
        WString key = keys_.KeyOf(destination);
        if (!key.IsEmpty()) listedKeys_.Add(key, 0);
    }
}

bool Worker::ListedByOthers(const WString& item) {
    if (listedTexts_.Contains(item)) return true;
    // Keys of the own items only when another record has any.
    return listedKeys_.Count() > 0 && listedKeys_.Contains(keys_.KeyOf(item));
}

void Worker::DropKeptItems() {
    for (int32_t i = removals_.Count() - 1; i >= 0; i--)
        if ((removals_[i].Tag() & kKeep) || ListedByOthers(removals_[i])) removals_.DeleteAt(i);
}

void Worker::RemoveItem(int32_t index) {
    const WString& path = removals_[index];
    // GetFileAttributesW rather than a directory search: a "*" or "?" in a
    // recorded path must not stand for some other file.
    DWORD attributes = GetFileAttributesW(LongPath(path, 260));
    bool isFile = attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
    if (isFile && !DeleteFileRetry(path)) {
        state.uninstallRebootRequired = true;
        MoveFileExW(LongPath(path, 260), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
        // Its folders can only go once the file has gone.
        RemoveFoldersAtRestart(path, guard_);
    }
    UnregisterAppPath(path);
    MutexLock lock(state.progressLock);
    state.progressDone = index + 1;
    state.progressTotal = copyCount_;
    state.actionChanged = true;
}

// Once every item has gone, each folder that held one is tried once,
// deepest first, and so are its parents up to but not including a protected
// folder or a drive root. A folder that is not empty stays.
void Worker::RemoveEmptyFolders() {
    StringIndex seen;
    StringList folders;
    for (int32_t i = 0; i < removals_.Count(); i++) {
        // A folder met before was followed upward then.
        for (WString folder = FolderOf(removals_[i]); IsRemovable(folder) && seen.Add(folder, 0);
             folder = FolderAbove(folder)) {
            if (guard_.Contains(folder)) break;
            folders.AddString(folder);
        }
    }
    folders.Sort(DeeperFirst);
    for (int32_t i = 0; i < folders.Count(); i++) RemoveDirectoryW(LongPath(folders[i], 248));
}

// The records of products that used the 64-bit folders lie in the native
// program folder, the others' in the 32-bit one: both are searched.
void Worker::ReadOtherRecords(const WString& logPath) {
    StringList folders;
    folders.AddString(logPath.FolderPart());
    BothUninstallFolders(folders);
    for (int32_t f = 0; f < folders.Count(); f++) {
        DirWalker others(kLogPattern, folders[f]);
        while (others.Next()) {
            // The file name alone tells the own log from the others, however
            // its folder was spelt; a record of the same name in the other
            // folder belongs to the same product (one Uninstall key) and is
            // stale.
            if (Compare(others.Current().FileName(), logPath.FileName(), true) == 0) continue;
            ReadOtherRecord(others.Current());
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
        CollectRemovals();
        ReleaseSharedUses();
        ReadOtherRecords(logPath);
        DropKeptItems();
        for (int32_t i = 0; i < removals_.Count(); i++) {
            WString extension = removals_[i].Extension();
            if (Compare(extension, L".dll", true) == 0 || Compare(extension, L".ocx", true) == 0)
                SelfRegister(removals_[i], true);
        }
        for (int32_t i = 0; i < removals_.Count(); i++) RemoveItem(i);
        RemoveEmptyFolders();
        log_.Close();
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
