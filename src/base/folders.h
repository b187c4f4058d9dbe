// Folder enumeration and path operations. Every path passes LongPath(.., 248)
// on its way to the system, so deep install trees keep working.
#pragma once

#include <windows.h>
#include <stdint.h>

#include "base/lists.h"
#include "base/wstring.h"

class DirWalker {
public:
    DirWalker(const wchar_t* pattern, const wchar_t* folder);
    explicit DirWalker(const wchar_t* path);
    ~DirWalker();
    DirWalker(const DirWalker&) = delete;
    DirWalker& operator=(const DirWalker&) = delete;

    bool Next();
    const WString& Current() const { return current_; }
    DWORD Attributes() const { return findData_.dwFileAttributes; }
    uint64_t FileSize() const { return ((uint64_t)findData_.nFileSizeHigh << 32) | findData_.nFileSizeLow; }
    bool IsFolder() const { return (Attributes() & FILE_ATTRIBUTE_DIRECTORY) != 0; }

private:
    WString current_;
    WIN32_FIND_DATAW findData_ = {};
    HANDLE findHandle_ = INVALID_HANDLE_VALUE;
    WString spec_;
};

bool PathExists(const wchar_t* path);
uint64_t FileSizeByPath(const wchar_t* path);
DWORD AttributesByPath(const wchar_t* path, bool& missing);
bool ClearReadOnly(const wchar_t* path);
bool DeleteFileRetry(const wchar_t* path);
// made, when given, receives the folders this call created, parents first.
bool CreateFolderTree(const wchar_t* path, StringList* made = nullptr);
// Refuses a drive root and the protected folders (ProtectedFolders), also
// below folder, and removes a junction or symbolic link as a link, never
// what it points to.
bool RemoveTree(const wchar_t* folder, const wchar_t* pattern, bool recursive);
