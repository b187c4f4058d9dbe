#include "uninstall/record_removal.h"

#include <windows.h>

#include "app/installer_state.h"
#include "base/disk_file.h"
#include "base/folders.h"
#include "base/line_reader.h"
#include "base/registry.h"
#include "engine/environment.h"
#include "engine/install_journal.h"
#include "engine/install_scope.h"
#include "engine/install_worker.h"
#include "engine/path_macros.h"
#include "engine/registration.h"
#include "engine/shared_files.h"
#include "engine/uninstall_record.h"
#include "uninstall/record_locations.h"
#include "uninstall/uninstall_worker.h"

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

bool IsHeader(const WString& line, const wchar_t* header) { return Compare(line, header, false) == 0; }

// A value's three parts joined by line breaks, which no script line holds.
WString ValueText(const WString& root, const WString& key, const WString& name) {
    WString text(root);
    text.Append(L"\n").Append(key).Append(L"\n").Append(name);
    return text;
}

void DeleteValue(const WString& text) {
    int32_t first = text.FindChar(L'\n', 1), second = text.FindChar(L'\n', first + 1);
    HKEY root = ScriptRegistryRoot(text.Left(first - 1));
    if (!root) return;
    WString key = text.Substring(first + 1, second - 1), name = text.From(second + 1);
    Journal().Value(root, 0, key, name);
    // The key stays: other values, or other products, may live in it.
    RegKey opened(KEY_ALL_ACCESS, root, key);
    if (opened.IsOpen()) RegDeleteValueW(opened.Handle(), name);
}

// Looked up, not searched: both records list every file of the product.
void LeaveOutListed(StringList& items, const StringList& listed) {
    StringIndex index;
    for (int32_t i = 0; i < listed.Count(); i++) index.Add(listed[i], 0);
    for (int32_t i = items.Count() - 1; i >= 0; i--)
        if (index.Contains(items[i])) items.DeleteAt(i);
}

}  // namespace

bool RecordRemoval::Read(const WString& logPath, const WString& installPath) {
    DiskFile log;
    log.SetPath(logPath);
    log.Open(GENERIC_READ, OPEN_EXISTING, false);
    if (!log.IsOpen()) return false;
    RecordLocations locations(logPath);
    WString ownPath = state.installPath;
    state.installPath = installPath;
    StringIndex destinations;
    WString line;
    while (ReadLine(log, line, false)) {
        if (IsHeader(line, L"[CopyFile]")) {
            copyCount_++;
            NextLine(log);
            WString destination = NextLine(log);
            ExpandPathMacros(destination);
            // All variants of a file were installed at the same place.
            RemoveVariantMarkers(destination);
            if (destinations.Add(destination, 0)) removals_.AddString(destination, kInstalledFile);
        } else if (IsHeader(line, L"[CreateIcon]")) {
            NextLine(log);
            WString link = NextLine(log);
            NextLine(log);
            ExpandPathMacros(link);
            removals_.AddString(link);
        } else if (IsHeader(line, L"[Registry]")) {
            WString root = NextLine(log), key = NextLine(log);
            NextLine(log);
            WString name = NextLine(log);
            NextLine(log);
            ExpandPathMacros(key);
            values_.AddString(ValueText(root, key, name));
        } else if (IsHeader(line, kKeptFileHeader)) {
            keptFiles_.Add(NextLine(log), 0);
        } else if (IsHeader(line, kAddedEnvironmentHeader)) {
            environment_.AddString(NextLine(log));
        }
    }
    state.installPath = ownPath;
    return true;
}

void RecordRemoval::LeaveOut(const RecordRemoval& newer) {
    LeaveOutListed(removals_, newer.removals_);
    LeaveOutListed(values_, newer.values_);
    LeaveOutListed(environment_, newer.environment_);
}

bool RecordRemoval::OwnsEnvironment(const wchar_t* line) const { return environment_.Contains(line, true); }

void RecordRemoval::InstalledFiles(StringList& files) const {
    for (int32_t i = 0; i < removals_.Count(); i++)
        if (removals_[i].Tag() & kInstalledFile) files.AddString(removals_[i]);
}

// Every installed file gives up its count, if it has one, whatever else
// keeps it; a file still used by others, or one that was never this
// product's (kept as newer), stays.
void RecordRemoval::ReleaseSharedUses() {
    for (int32_t i = 0; i < removals_.Count(); i++) {
        WString& item = removals_[i];
        if (!(item.Tag() & kInstalledFile)) continue;
        bool mayGo = state.userScope || ReleaseSharedUse(item);
        if (!mayGo || keptFiles_.Contains(item)) item.SetTag(item.Tag() | kKeep);
    }
}

void RecordRemoval::ReadOtherRecord(const WString& otherLog) {
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

// The records of products that used the 64-bit folders lie in the native
// program folder, the others' in the 32-bit one: both are searched.
void RecordRemoval::ReadOtherRecords(const WString& logPath) {
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

bool RecordRemoval::ListedByOthers(const WString& item) {
    if (listedTexts_.Contains(item)) return true;
    // Keys of the own items only when another record has any.
    return listedKeys_.Count() > 0 && listedKeys_.Contains(keys_.KeyOf(item));
}

void RecordRemoval::DropKeptItems() {
    for (int32_t i = removals_.Count() - 1; i >= 0; i--)
        if ((removals_[i].Tag() & kKeep) || ListedByOthers(removals_[i])) removals_.DeleteAt(i);
}

void RecordRemoval::RemoveItem(int32_t index, bool& restartNeeded) {
    WString path = removals_[index];
    // GetFileAttributesW rather than a directory search: a "*" or "?" in a
    // recorded path must not stand for some other file.
    DWORD attributes = GetFileAttributesW(LongPath(path, 260));
    bool isFile = attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
    // Journalled, the file waits aside until the install is committed.
    if (isFile && Journal().Active()) {
        Journal().BeforeWrite(path, true);
        isFile = GetFileAttributesW(LongPath(path, 260)) != INVALID_FILE_ATTRIBUTES;
    }
    if (isFile && !DeleteFileRetry(path)) {
        restartNeeded = true;
        MoveFileExW(LongPath(path, 260), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
        // Its folders can only go once the file has gone.
        RemoveFoldersAtRestart(path, guard_);
    }
    if (!showProgress_) return;
    MutexLock lock(state.progressLock);
    state.progressDone = index + 1;
    state.progressTotal = copyCount_;
    state.actionChanged = true;
}

void RecordRemoval::Remove(const WString& ownLog, bool& restartNeeded) {
    for (int32_t i = 0; i < values_.Count(); i++) DeleteValue(values_[i]);
    // The record's scope is the install's: its environment is the one changed.
    for (int32_t i = 0; i < environment_.Count(); i++) RevertEnvironmentChange(ScopeRoot(), environment_[i]);
    ReleaseSharedUses();
    ReadOtherRecords(ownLog);
    DropKeptItems();
    for (int32_t i = 0; i < removals_.Count(); i++) {
        WString extension = removals_[i].Extension();
        if (Compare(extension, L".dll", true) == 0 || Compare(extension, L".ocx", true) == 0) {
            Journal().Unregistered(removals_[i]);
            SelfRegister(removals_[i], true);
        }
    }
    for (int32_t i = 0; i < removals_.Count(); i++) RemoveItem(i, restartNeeded);
}

// Each folder that held an item is tried once, deepest first, and so are
// its parents up to but not including a protected folder or a drive root.
// A folder that is not empty stays.
void RecordRemoval::Tidy() {
    StringIndex seen;
    StringList folders;
    for (int32_t i = 0; i < removals_.Count(); i++) {
        UnregisterAppPath(removals_[i]);
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
