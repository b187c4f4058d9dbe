#include "engine/file_install.h"

#include <stdint.h>

#include "app/installer_state.h"
#include "base/folders.h"
#include "base/message_box.h"
#include "base/run_log.h"
#include "base/temp_files.h"
#include "base/texts.h"
#include "engine/file_version.h"
#include "engine/install_journal.h"
#include "engine/path_macros.h"
#include "engine/registration_queue.h"
#include "engine/replace_at_restart.h"
#include "engine/shared_files.h"
#include "engine/uninstall_record.h"
#include "package/setup_files.h"

namespace {

bool Extract(const WString& entry, const WString& destination) {
    InstallPackage* package = state.package ? state.package->Package() : nullptr;
    return package && package->ExtractEntry(entry, destination);
}

bool InUse(DWORD error) {
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION || error == ERROR_USER_MAPPED_FILE;
}

// The copy loop; false when the user cancelled.
bool CopyOver(const WString& source, const WString& destination, uint64_t existing, uint64_t incoming, HWND owner) {
    WString target = LongPath(destination, 260);
    for (;;) {
        // Clears a read-only, hidden or system attribute that would make
        // CopyFileW refuse to overwrite.
        SetFileAttributesW(target, FILE_ATTRIBUTE_NORMAL);
        if (CopyFileW(LongPath(source, 260), target, FALSE)) {
            RunLog("file installed: '%s'", (const wchar_t*)destination);
            return true;
        }
        DWORD error = GetLastError();
        if (InUse(error)) {
            // Equal versions in use: the right file is already there.
            bool replace = existing == 0 || existing != incoming;
            if (!replace) RunLog("file '%s' in use, its version already there: kept", (const wchar_t*)destination);
            if (replace && ReplaceAtRestart(source, destination))
                RunLog("file '%s' in use: replaced at the next restart", (const wchar_t*)destination);
            else if (replace)
                ShowMessage(owner, Text(kFilesInUse), state.caption, MB_OK);
            return true;
        }
        WString text = WString::Formatted(Text(kCannotInstall), (const wchar_t*)destination);
        if (ShowMessage(owner, text, state.caption, MB_RETRYCANCEL | MB_ICONERROR | MB_DEFBUTTON2) != IDRETRY)
            return false;
    }
}

// The decoded file renamed into place, its bytes not written again; false
// (nothing changed) where a rename cannot do it, in use above all, and
// the copy loop then decides.
bool MoveOver(const WString& source, const WString& destination, bool existed) {
    WString target = LongPath(destination, 260);
    if (existed) SetFileAttributesW(target, FILE_ATTRIBUTE_NORMAL);
    if (!MoveFileExW(LongPath(source, 260), target, MOVEFILE_REPLACE_EXISTING)) return false;
    RunLog("file installed: '%s'", (const wchar_t*)destination);
    return true;
}

bool IsComponent(const WString& path) {
    WString extension = path.Extension();
    return Compare(extension, L".dll", true) == 0 || Compare(extension, L".ocx", true) == 0;
}

void ReportNotExtracted(const WString& entry, const WString& target, HWND owner) {
    RunLog("entry '%s' could not be extracted for '%s'", (const wchar_t*)entry, (const wchar_t*)target);
    ShowMessage(owner, Text(kSecurityBlocking), state.caption, MB_ICONERROR | MB_OK);
}

}  // namespace

// The steps after extraction: from the file source to target, expanded.
void FileInstaller::Place(const WString& source, bool movable, WString target, bool& failed, bool& moved) {
    // An uninstall since the last restart may have scheduled this path for
    // deletion (a file that was in use then): the restart must not take
    // the file written now.
    pending_.Cancel(target);
    bool existed = GetFileAttributesW(LongPath(target, 260)) != INVALID_FILE_ATTRIBUTES;
    // Versions matter only against a versioned file already there: any
    // incoming version is at least none.
    uint64_t existing = existed ? FileVersion(target) : 0;
    uint64_t incoming = existing ? FileVersion(source) : 0;
    if (incoming < existing) {
        // Not this product's file: its uninstall must leave it.
        RunLog("file '%s' kept: the installed version is newer", (const wchar_t*)target);
        RecordKeptFile(target);
    } else {
        Journal().BeforeWrite(target, existed);
        if (movable && MoveOver(source, target, existed))
            moved = true;
        else if (!CopyOver(source, target, existing, incoming, owner_))
            failed = true;
    }
    // A user's own install is no one else's to count.
    if (!failed && !state.userScope) AddSharedUse(target, existed);
    if (!failed && IsComponent(target)) RegistrationQueue().AddString(target);
}

WString FileInstaller::ExpandedTarget(const wchar_t* destination) {
    WString target(destination);
    ExpandPathMacros(target);
    // Made once per folder; a failure here shows up as a failed copy below.
    WString folder = target.Left(target.FindLastChar(L'\\'));
    StringList made;
    if (!folders_.Contains(folder) && CreateFolderTree(folder, &made)) folders_.Add(folder, 0);
    Journal().Folders(made);
    return target;
}

void FileInstaller::Install(const wchar_t* entryName, const wchar_t* destination, bool& failed) {
    failed = false;
    WString target = ExpandedTarget(destination);
    WString entry(entryName);
    ExpandPathMacros(entry);
    WString temporary;
    MakeTempFile(temporary, "Ins", nullptr);
    bool moved = false;
    if (Extract(entry, temporary)) {
        Place(temporary, false, target, failed, moved);
    } else {
        ReportNotExtracted(entry, target, owner_);
        failed = true;
    }
    DeleteTempFile(temporary);
}

void FileInstaller::InstallDecoded(const wchar_t* decoded, bool movable, const wchar_t* destination, bool& failed,
                                   bool& moved) {
    failed = moved = false;
    WString target = ExpandedTarget(destination);
    // Renamed only within its folder: a file moved in from elsewhere would
    // keep the permissions of the folder it was made in.
    movable = movable && Compare(WString(decoded).FolderPart(), target.FolderPart(), true) == 0;
    Place(WString(decoded), movable, target, failed, moved);
}

void InstallFile(const wchar_t* entryName, const wchar_t* destination, bool& failed, HWND owner) {
    FileInstaller installer(owner);
    installer.Install(entryName, destination, failed);
}
