#include "base/registry.h"

#include <string.h>

#include "base/run_log.h"

const wchar_t kCurrentVersionKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion";

namespace {

const wchar_t* RootName(HKEY root) {
    if (root == HKEY_LOCAL_MACHINE) return L"HKLM";
    if (root == HKEY_CURRENT_USER) return L"HKCU";
    if (root == HKEY_CLASSES_ROOT) return L"HKCR";
    if (root == HKEY_USERS) return L"HKU";
    return L"HKCC";
}

}  // namespace

bool RegKey::Open(REGSAM access, HKEY root, const wchar_t* path) {
    Close();
    if (!path || !*path) return false;
    HKEY key = nullptr;
    if (RegCreateKeyExW(root, path, 0, const_cast<wchar_t*>(L""), REG_OPTION_NON_VOLATILE, access, nullptr, &key,
                        nullptr) == ERROR_SUCCESS)
        handle_ = key;
    return IsOpen();
}

void RegKey::Close() {
    if (handle_) RegCloseKey(handle_);
    handle_ = nullptr;
}

RegKey OpenKey(REGSAM access, HKEY root, const wchar_t* path) { return RegKey(access, root, path); }

bool ReadString(void* buffer, uint32_t size, const wchar_t* valueName, HKEY root, const wchar_t* path,
                bool* failed) {
    bool ok = false;
    RegKey key(KEY_QUERY_VALUE, root, path);
    if (key.IsOpen()) {
        DWORD type = 0;
        DWORD bytes = size;
        ok = RegQueryValueExW(key.Handle(), valueName, nullptr, &type, (BYTE*)buffer, &bytes) == ERROR_SUCCESS &&
             (type == REG_SZ || type == REG_EXPAND_SZ);
    }
    if (!ok && buffer) memset(buffer, 0, size);
    if (failed) *failed = !ok;
    return ok;
}

uint32_t QueryValueSize(const wchar_t* valueName, HKEY root, const wchar_t* path, bool* failed) {
    DWORD bytes = 0;
    RegKey key(KEY_QUERY_VALUE, root, path);
    bool ok = key.IsOpen() && RegQueryValueExW(key.Handle(), valueName, nullptr, nullptr, nullptr, &bytes) ==
                                  ERROR_SUCCESS;
    if (failed) *failed = !ok;
    return ok ? bytes : 0;
}

WString ReadStringValue(const wchar_t* valueName, HKEY root, const wchar_t* path) {
    WString result;
    bool failed = false;
    uint32_t size = QueryValueSize(valueName, root, path, &failed);
    if (failed || size == 0) return result;
    // Four zero bytes past the data: a stored string without its terminator
    // ends there, also when the data has an odd byte count (two bytes would
    // leave the last unit's upper byte outside the block).
    ByteBuffer block;
    if (!block.Resize(size + 4, true)) return result;
    if (ReadString(block.Data(), size, valueName, root, path, &failed)) result = (const wchar_t*)block.Data();
    return result;
}

bool WriteValue(const void* data, uint32_t size, DWORD type, const wchar_t* valueName, HKEY root,
                const wchar_t* path) {
    RegKey key(KEY_WRITE, root, path);
    bool written =
        key.IsOpen() && RegSetValueExW(key.Handle(), valueName, 0, type, (const BYTE*)data, size) == ERROR_SUCCESS;
    if (RunLogActive()) {
        WString shown = type == REG_SZ      ? WString((const wchar_t*)data)
                        : type == REG_DWORD ? WString::Formatted(L"%lu", *(const DWORD*)data)
                                            : WString::Formatted(L"%u bytes", size);
        RunLog("registry value %s\\%s \"%s\" = %s%s", RootName(root), path, valueName ? valueName : L"",
               (const wchar_t*)shown, written ? L"" : L" (failed)");
    }
    return written;
}

bool WriteString(const wchar_t* text, const wchar_t* valueName, HKEY root, const wchar_t* path) {
    uint32_t units = text ? (uint32_t)wcslen(text) : 0;
    if (!text) text = L"";
    return WriteValue(text, (units + 1) * sizeof(wchar_t), REG_SZ, valueName, root, path);
}

bool EnumSubkeys(HKEY root, const wchar_t* path, StringList& list) {
    list.DeleteAll();
    RegKey key;
    HKEY handle = root;
    if (path && *path) {
        if (!key.Open(KEY_READ, root, path)) return false;
        handle = key.Handle();
    }
    wchar_t name[1040];
    for (DWORD index = 0;; ++index) {
        DWORD length = 1040;
        if (RegEnumKeyExW(handle, index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        list.AddString(name);
    }
    return true;
}

void DeleteKeyTree(HKEY root, const wchar_t* parentPath, const wchar_t* subkeyName) {
    // Keys directly below a root are never removed: a full path without its
    // parent ("\name") names no key.
    if (!subkeyName || !*subkeyName || !parentPath || !*parentPath) return;
    WString full(parentPath);
    full.EnsureTrailingBackslash();
    full.Append(subkeyName);
    StringList children;
    EnumSubkeys(root, full, children);
    for (int32_t i = 0; i < children.Count(); ++i) DeleteKeyTree(root, full, children[i]);
    RegKey parent(KEY_ALL_ACCESS, root, parentPath);
    if (parent.IsOpen()) RegDeleteKeyW(parent.Handle(), subkeyName);
}
