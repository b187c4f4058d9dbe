// What replaying an uninstall record removes: the "[Registry]" values, the
// environment changes, the installed files and the shortcuts it lists, by the uninstall's rules: a
// file stays while another product's record lists it at the same place,
// while SharedDLLs counts another use of it, or when the install found it
// newer and left it ("[KeptFile]"). The uninstall removes all of a record;
// an upgrade, by the same rules, only what its new record no longer lists.
// While an install journal is active each change is journalled first, so
// that a rollback puts it back.
#pragma once

#include "base/lists.h"
#include "base/protected_folders.h"
#include "base/string_index.h"
#include "base/wstring.h"
#include "uninstall/file_keys.h"

class RecordRemoval {
public:
    // showProgress: each item removed moves the progress fields.
    explicit RecordRemoval(bool showProgress) : showProgress_(showProgress) {}
    RecordRemoval(const RecordRemoval&) = delete;
    RecordRemoval& operator=(const RecordRemoval&) = delete;

    // Reads what the record at logPath lists, its placeholders as its
    // install used them: "<Destination>" as installPath, "<Program Files>"
    // as the record's folders. False when it cannot be opened.
    bool Read(const WString& logPath, const WString& installPath);
    // Drops what newer lists too.
    void LeaveOut(const RecordRemoval& newer);
    // Adds the record's installed files, expanded, to files.
    void InstalledFiles(StringList& files) const;
    int32_t CopyCount() const { return copyCount_; }
    // The record lists this environment change as its product's.
    bool OwnsEnvironment(const wchar_t* line) const;

    // Deletes the values, gives up the shared uses and unregisters and
    // removes the files and shortcuts that no one else needs. ownLog: the
    // record's path (the other products' records lie beside it). Sets
    // restartNeeded when a file can only go at the next restart.
    void Remove(const WString& ownLog, bool& restartNeeded);
    // Once the files have gone for good: their App Paths entries, and the
    // folders that became empty.
    void Tidy();

private:
    void ReleaseSharedUses();
    void ReadOtherRecord(const WString& otherLog);
    void ReadOtherRecords(const WString& logPath);
    bool ListedByOthers(const WString& item);
    void DropKeptItems();
    void RemoveItem(int32_t index, bool& restartNeeded);

    bool showProgress_;
    ProtectedFolders guard_;
    StringList removals_;
    // Each "[Registry]" value as root, key (expanded) and name, one text.
    StringList values_;
    // "[KeptFile]": files the install found newer and left alone.
    StringIndex keptFiles_;
    // "[AddedToEnvironment]": the changes to take out again.
    StringList environment_;
    // The destinations of the other products' records, as written and by
    // FileKeys (another record may name the same file in another spelling).
    StringIndex listedTexts_;
    StringIndex listedKeys_;
    FileKeys keys_;
    int32_t copyCount_ = 0;
};
