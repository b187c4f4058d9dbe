// The registry layer: free functions that open a key, do one operation and
// close it again, so no handle outlives a call. Failures are flags, never
// message boxes. No registry-view flag is added here: the process sees the
// view of its own bitness (a 32-bit process on 64-bit Windows the 32-bit one);
// only the shared-file counts (engine/shared_files.h) choose a view.
#pragma once

#include <windows.h>
#include <stdint.h>

#include "base/lists.h"
#include "base/wstring.h"

// The key below HKEY_LOCAL_MACHINE where Windows names its folders: one copy
// for every reader.
extern const wchar_t kCurrentVersionKey[];

// Owner of one open key handle; closed by the destructor, reusable.
class RegKey {
public:
    RegKey() = default;
    RegKey(REGSAM access, HKEY root, const wchar_t* path) { Open(access, root, path); }
    ~RegKey() { Close(); }
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;

    // Through RegCreateKeyExW: a missing key is created, empty, when the
    // process may create it. An empty path opens nothing.
    bool Open(REGSAM access, HKEY root, const wchar_t* path);
    void Close();
    HKEY Handle() const { return handle_; }
    bool IsOpen() const { return handle_ != nullptr; }

private:
    HKEY handle_ = nullptr;
};

RegKey OpenKey(REGSAM access, HKEY root, const wchar_t* path);

// Fills buffer (size bytes) with a REG_SZ or REG_EXPAND_SZ value as stored,
// unterminated if stored so; on failure the whole buffer is zeroed.
bool ReadString(void* buffer, uint32_t size, const wchar_t* valueName, HKEY root, const wchar_t* path,
                bool* failed);
// The value's data size in bytes, 0 when it cannot be queried.
uint32_t QueryValueSize(const wchar_t* valueName, HKEY root, const wchar_t* path, bool* failed);
// The stored text (REG_EXPAND_SZ unexpanded), or empty.
WString ReadStringValue(const wchar_t* valueName, HKEY root, const wchar_t* path);
// Creates the key path as needed. An empty value name is the default value.
bool WriteValue(const void* data, uint32_t size, DWORD type, const wchar_t* valueName, HKEY root,
                const wchar_t* path);
// REG_SZ with its terminator.
bool WriteString(const wchar_t* text, const wchar_t* valueName, HKEY root, const wchar_t* path);
// Subkey names of root\path (of root itself for an empty path), tag 0; false
// only when a non-empty path could not be opened.
bool EnumSubkeys(HKEY root, const wchar_t* path, StringList& list);
// Removes parentPath\subkeyName with everything below it, children first;
// what cannot be removed stays and the walk goes on.
void DeleteKeyTree(HKEY root, const wchar_t* parentPath, const wchar_t* subkeyName);
