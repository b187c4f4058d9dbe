// The install journal: each change an install makes, noted before it is
// made, so that an install that does not finish (cancelled, failed, or its
// process killed) can be undone from its last change back to its first. It
// lies beside the uninstall record ("BraskUninstall-NAME.jnl"), where the
// next install or uninstall of the product, elevated as this one, finds it.
// Each note is one write on a handle kept open: the system holds it once
// written, so a killed process loses none, at no flush to the disk per file.
// UTF-16 lines; the file opens with a map of its records.
#pragma once

#include <windows.h>

#include "base/disk_file.h"
#include "base/lists.h"
#include "base/sync.h"
#include "base/text_pool.h"
#include "base/wstring.h"

class InstallJournal {
public:
    InstallJournal() = default;
    InstallJournal(const InstallJournal&) = delete;
    InstallJournal& operator=(const InstallJournal&) = delete;

    // Starts a journal at path; without one (it cannot be made) the
    // install goes on unjournalled, as the run log says.
    bool Begin(const WString& path);
    bool Active() const { return file_.IsOpen(); }

    // Before a file is written at path: a file already there is moved aside
    // (path + "-BKIOLD", so on its volume) until the install ends; otherwise
    // the file is noted as new. A file that cannot be moved (in use) stays,
    // and the install's own rule for files in use applies. A moved file's
    // path becomes its long spelling: the new file takes the old one's name.
    void BeforeWrite(WString& path, bool exists);
    void Created(const wchar_t* path);
    // Folders just made, parents first (CreateFolderTree's list).
    void Folder(const wchar_t* path);
    void Folders(const StringList& made);
    // Before a value is written: what it held (or that there was none, and
    // which keys above it were missing). view: 0 or a KEY_WOW64_ flag.
    void Value(HKEY root, REGSAM view, const wchar_t* key, const wchar_t* name);
    // Before a component's DllRegisterServer runs.
    void Registered(const wchar_t* path);
    // Before a component's DllUnregisterServer runs (an upgrade removes what
    // the new version dropped): undone by registering it again.
    void Unregistered(const wchar_t* path);
    // Before an element is added to a variable's list (an EnvironmentChange
    // line): undone by taking that element out again, wherever it stands.
    void Environment(HKEY root, const wchar_t* line);

    // The install is complete: the old files go (one still in use at the
    // restart) and so does the journal.
    void Commit();
    // The install did not finish: its changes are undone, last first.
    void RollBack();

private:
    void Note(const wchar_t* header, const WString& fields);

    CriticalSection lock_;  // the decoders make folders and files too
    DiskFile file_;
    // The paths of the "[Replaced]" notes, whose old files the commit
    // removes; lost: one could not be kept (no memory).
    TextPool replacedTexts_;
    PtrList replaced_;
    bool replacedLost_ = false;
};

// The install's one journal.
InstallJournal& Journal();
// The journal of the product whose uninstall record is recordPath.
WString JournalPath(const WString& recordPath);
// Undoes what an unfinished journal at path holds and deletes it, saying
// in the run log that it did, with why; false when there is none.
bool RollBackJournal(const wchar_t* path, const wchar_t* why);
