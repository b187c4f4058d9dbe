#include "engine/pending_delete.h"

#include <windows.h>
#include <stdlib.h>
#include <string.h>

#include "base/wstring.h"

namespace {

const wchar_t kSessionManager[] = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager";
const wchar_t kPendingValue[] = L"PendingFileRenameOperations";

// The stored names are NT paths ("\??\C:\..."); the callers' may carry the
// long-path prefix. Both compare without them.
const wchar_t* WithoutPrefix(const wchar_t* path) {
    if (wcsncmp(path, L"\\??\\", 4) == 0 || wcsncmp(path, L"\\\\?\\", 4) == 0) return path + 4;
    return path;
}

bool SamePath(const wchar_t* stored, const WString& path) {
    return Compare(WString(WithoutPrefix(stored)), path, true) == 0;
}

// The value's strings, zeroed beyond the data so that the last one ends
// however it was stored; null when there is none. The caller frees it.
wchar_t* ReadPending(HKEY key, DWORD& count) {
    DWORD type = 0, size = 0;
    if (RegQueryValueExW(key, kPendingValue, nullptr, &type, nullptr, &size) != ERROR_SUCCESS || type != REG_MULTI_SZ ||
        size == 0)
        return nullptr;
    count = size / sizeof(wchar_t);
    wchar_t* data = (wchar_t*)calloc(count + 2, sizeof(wchar_t));
    DWORD read = size;
    if (data && RegQueryValueExW(key, kPendingValue, nullptr, &type, (BYTE*)data, &read) == ERROR_SUCCESS) {
        count = read / sizeof(wchar_t);
        return data;
    }
    free(data);
    return nullptr;
}

// The pair at data + at: its target and the place of the next pair; false
// at the end. The list ends with the data, not at the first empty string.
bool NextPair(const wchar_t* data, DWORD count, DWORD at, const wchar_t*& target, DWORD& next) {
    if (at >= count) return false;
    DWORD sourceLength = (DWORD)wcslen(data + at);
    if (sourceLength == 0 && at + 1 >= count) return false;
    DWORD targetAt = at + sourceLength + 1;
    target = targetAt < count ? data + targetAt : L"";
    next = targetAt + (DWORD)wcslen(target) + 1;
    return true;
}

}  // namespace

bool CancelPendingDelete(const wchar_t* pathText) {
    WString path(WithoutPrefix(pathText));
    WString replacement = WString(path).Append(L"-BKITMP");
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, &key) !=
        ERROR_SUCCESS)
        return false;
    bool dropped = false;
    DWORD count = 0;
    wchar_t* data = ReadPending(key, count);
    wchar_t* kept = data ? (wchar_t*)calloc(count + 2, sizeof(wchar_t)) : nullptr;
    if (kept) {
        // Pairs of source and target; an empty target is a deletion.
        DWORD at = 0, out = 0, next = 0;
        const wchar_t* target = nullptr;
        for (; NextPair(data, count, at, target, next); at = next) {
            const wchar_t* source = data + at;
            bool drop = source[0] != 0 && target[0] == 0 && SamePath(source, path);
            if (drop && next < count && SamePath(data + next, replacement)) drop = false;
            if (drop) {
                dropped = true;
            } else {
                DWORD pairLength = (next < count ? next : count) - at;
                memcpy(kept + out, source, pairLength * sizeof(wchar_t));
                out += pairLength;
            }
        }
        if (dropped) {
            if (out == 0)
                RegDeleteValueW(key, kPendingValue);
            else
                RegSetValueExW(key, kPendingValue, 0, REG_MULTI_SZ, (const BYTE*)kept, (out + 1) * sizeof(wchar_t));
        }
    }
    free(data);
    free(kept);
    RegCloseKey(key);
    return dropped;
}

bool PendingDeletes::Cancel(const wchar_t* path) {
    if (!read_) {
        read_ = true;
        HKEY key = nullptr;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_QUERY_VALUE, &key) == ERROR_SUCCESS) {
            DWORD count = 0, next = 0;
            const wchar_t* target = nullptr;
            wchar_t* data = ReadPending(key, count);
            for (DWORD at = 0; data && NextPair(data, count, at, target, next); at = next)
                if (data[at] != 0 && target[0] == 0) paths_.Add(WithoutPrefix(data + at), 0);
            free(data);
            RegCloseKey(key);
        }
    }
    return paths_.Contains(WithoutPrefix(path)) && CancelPendingDelete(path);
}
