// The folders no removal may take, whatever path names them: drive roots
// and the folders of the system and the shell. Folders are compared by the
// object they open (volume serial and file index), so other spellings of
// one folder ("C:\WINDOWS\.", a short name, a "\\?\" path, a link to it)
// are the same folder.
#pragma once

#include <windows.h>

#include "base/wstring.h"

struct FolderIdentity {
    DWORD volume = 0;
    DWORD indexHigh = 0;
    DWORD indexLow = 0;
};

// The full path of path without "\\?\" and without trailing backslashes,
// except that a bare drive keeps its "\". Opens nothing.
WString FullPath(const wchar_t* path);
// False when path cannot be opened. Files have an identity too.
bool IdentifyFolder(const wchar_t* path, FolderIdentity& identity);
bool SameIdentity(const FolderIdentity& a, const FolderIdentity& b);
// True when both paths open the same file or folder.
bool SameObject(const wchar_t* a, const wchar_t* b);

class ProtectedFolders {
public:
    // Reads the system's folders: the Windows and System folders, both
    // Program Files folders, the profiles and the shell's folders.
    ProtectedFolders();
    ProtectedFolders(const ProtectedFolders&) = delete;
    ProtectedFolders& operator=(const ProtectedFolders&) = delete;

    // True for a drive or volume root, for one of the folders above, and
    // for an empty path.
    bool Contains(const wchar_t* path) const;

private:
    void Add(const wchar_t* path);

    static const int kCapacity = 40;
    FolderIdentity folders_[kCapacity];
    int count_ = 0;
};
