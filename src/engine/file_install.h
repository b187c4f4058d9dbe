// FileInstaller: puts package entries at their destinations, never over a
// file of a higher version; a destination in use is replaced at the next
// restart. One per install: what it learns once (the folders made, the
// deletions pending at restart) serves every file.
#pragma once

#include <windows.h>

#include "base/string_index.h"
#include "engine/pending_delete.h"

class FileInstaller {
public:
    // Boxes are owned by owner and captioned with the installer's caption.
    explicit FileInstaller(HWND owner) : owner_(owner) {}
    FileInstaller(const FileInstaller&) = delete;
    FileInstaller& operator=(const FileInstaller&) = delete;

    // failed is set when the entry could not be extracted or the user
    // cancelled a failed copy; the caller then stops the install. A file left
    // alone as newer, or deferred to the restart, counts as success.
    void Install(const wchar_t* entryName, const wchar_t* destination, bool& failed);
    // The same with the entry already decoded into the file decoded. movable:
    // it may be renamed into place (it is no longer needed and lies in the
    // destination's folder); moved tells whether it was. Otherwise the
    // caller deletes it.
    void InstallDecoded(const wchar_t* decoded, bool movable, const wchar_t* destination, bool& failed, bool& moved);

private:
    WString ExpandedTarget(const wchar_t* destination);
    void Place(const WString& source, bool movable, WString target, bool& failed, bool& moved);

    HWND owner_;
    PendingDeletes pending_;
    StringIndex folders_;  // made or found, with a trailing backslash
};

// One file with an installer of its own.
void InstallFile(const wchar_t* entryName, const wchar_t* destination, bool& failed, HWND owner);
