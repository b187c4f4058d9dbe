#include "base/folders.h"

#include "base/lists.h"
#include "base/protected_folders.h"

DirWalker::DirWalker(const wchar_t* pattern, const wchar_t* folder) : spec_(folder) {
    if (spec_.CharAt(WString::kLast) != L'\\') spec_.AppendChar(L'\\');
    spec_.Append(pattern);
}

DirWalker::DirWalker(const wchar_t* path) : spec_(path) { spec_.StripTrailingBackslashes(); }

DirWalker::~DirWalker() {
    if (findHandle_ != INVALID_HANDLE_VALUE) FindClose(findHandle_);
}

bool DirWalker::Next() {
    for (;;) {
        if (findHandle_ == INVALID_HANDLE_VALUE) {
            if (spec_.IsEmpty()) return false;
            findHandle_ = FindFirstFileW(LongPath(spec_, 248), &findData_);
            spec_ = spec_.FolderPart();
            if (findHandle_ == INVALID_HANDLE_VALUE) {
                spec_ = L"";  // ended: a later call must not search again
                return false;
            }
        } else if (!FindNextFileW(findHandle_, &findData_)) {
            return false;
        }
        const wchar_t* name = findData_.cFileName;
        if (wcscmp(name, L".") == 0 || wcscmp(name, L"..") == 0) continue;
        if (name[0] == 0) return false;
        current_ = spec_;
        current_.Append(name);
        return true;
    }
}

bool PathExists(const wchar_t* path) {
    if (!path || !*path) return false;
    DirWalker walker(path);
    if (walker.Next()) return true;
    // A drive root such as "C:" has no directory entry of its own.
    WString root(path);
    root.Append(L"\\");
    return GetDriveTypeW(root) != DRIVE_NO_ROOT_DIR;
}

uint64_t FileSizeByPath(const wchar_t* path) {
    DirWalker walker(path);
    return walker.Next() ? walker.FileSize() : 0;
}

DWORD AttributesByPath(const wchar_t* path, bool& missing) {
    DirWalker walker(path);
    missing = !walker.Next();
    return missing ? 0 : walker.Attributes();
}

bool ClearReadOnly(const wchar_t* path) {
    bool missing = false;
    DWORD attributes = AttributesByPath(path, missing);
    if (missing) return false;
    return SetFileAttributesW(LongPath(path, 248), attributes & ~FILE_ATTRIBUTE_READONLY) != 0;
}

bool DeleteFileRetry(const wchar_t* path) {
    if (!path || !*path) return false;
    WString systemPath = LongPath(path, 248);
    if (DeleteFileW(systemPath)) return true;
    if (GetLastError() != ERROR_ACCESS_DENIED) return false;
    ClearReadOnly(path);
    return DeleteFileW(systemPath) != 0;
}

namespace {

bool IsFolderAt(const wchar_t* path) {
    DWORD attributes = GetFileAttributesW(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

bool CreateFolderTree(const wchar_t* path, StringList* made) {
    WString p = LongPath(path, 248);
    if (p.IsEmpty()) return false;
    // The whole path first: usually only its last folder is missing, or
    // none, and one call then does it.
    WString whole(p);
    whole.StripTrailingBackslashes();
    if (whole.Length() - 1 > 3 && CreateDirectoryW(whole, nullptr)) {
        if (made) made->AddString(whole);
        return true;
    }
    DWORD error = GetLastError();
    if (error == ERROR_ALREADY_EXISTS) return IsFolderAt(whole);
    StringList components;
    for (WString c = PopLastComponent(p); !c.IsEmpty(); c = PopLastComponent(p)) components.InsertString(0, c);
    for (int32_t i = 0; i < components.Count(); ++i) {
        p.Append(components[i]);
        if (CreateDirectoryW(p, nullptr)) {
            if (made) made->AddString(p);
        } else if (GetLastError() != ERROR_ALREADY_EXISTS) {
            return false;
        }
        p.Append(L"\\");
    }
    if (components.Count() == 0) return true;
    // CreateDirectoryW reports ERROR_ALREADY_EXISTS for a file of that name
    // too; only a folder at the end counts as success.
    return IsFolderAt(p);
}

namespace {

bool IsLink(DWORD attributes) { return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0; }

// A junction or symbolic link goes as a link: RemoveDirectoryW and
// DeleteFileW on a reparse point remove the point itself, never the target.
bool RemoveLink(const WString& path, DWORD attributes) {
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return DeleteFileRetry(path);
    if (RemoveDirectoryW(LongPath(path, 248))) return true;
    ClearReadOnly(path);
    return RemoveDirectoryW(LongPath(path, 248)) != 0;
}

bool RemoveFolder(const wchar_t* folder, const wchar_t* pattern, bool recursive, const ProtectedFolders& guard) {
    if (guard.Contains(folder)) return false;
    bool ok = true;
    DirWalker walker(pattern ? pattern : L"*.*", folder);
    while (walker.Next()) {
        if (IsLink(walker.Attributes())) {
            if (!RemoveLink(walker.Current(), walker.Attributes())) ok = false;
        } else if (walker.IsFolder()) {
            if (recursive && !RemoveFolder(walker.Current(), pattern, recursive, guard)) ok = false;
        } else if (!DeleteFileRetry(walker.Current())) {
            ok = false;
        }
    }
    if (ok) {
        WString self = LongPath(folder, 248);
        self.StripTrailingBackslashes();
        RemoveDirectoryW(self);
    }
    return ok;
}

}  // namespace

bool RemoveTree(const wchar_t* folder, const wchar_t* pattern, bool recursive) {
    // Short paths are roots ("C:", "\"): never wipe a whole drive.
    if (!folder || wcslen(folder) < 3) return false;
    ProtectedFolders guard;
    if (guard.Contains(folder)) return false;
    bool missing = false;
    DWORD attributes = AttributesByPath(folder, missing);
    if (!missing && IsLink(attributes)) return RemoveLink(folder, attributes);
    return RemoveFolder(folder, pattern, recursive, guard);
}
