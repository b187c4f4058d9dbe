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

}  // namespace

bool CancelPendingDelete(const wchar_t* pathText) {
    WString path(WithoutPrefix(pathText));
    WString replacement = WString(path).Append(L"-BKITMP");
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, &key) !=
        ERROR_SUCCESS)
        return false;
    DWORD type = 0, size = 0;
    bool dropped = false;
    if (RegQueryValueExW(key, kPendingValue, nullptr, &type, nullptr, &size) == ERROR_SUCCESS &&
        type == REG_MULTI_SZ && size > 0) {
        // Zeroed beyond the data: the last string is terminated however it
        // was stored.
        DWORD count = size / sizeof(wchar_t);
        wchar_t* data = (wchar_t*)calloc(count + 2, sizeof(wchar_t));
        wchar_t* kept = (wchar_t*)calloc(count + 2, sizeof(wchar_t));
        DWORD read = size;
        if (data && kept && RegQueryValueExW(key, kPendingValue, nullptr, &type, (BYTE*)data, &read) == ERROR_SUCCESS) {
            count = read / sizeof(wchar_t);
            // Pairs of source and target; an empty target is a deletion. The
            // list ends with the data, not at the first empty string.
            DWORD at = 0, out = 0;
            while (at < count) {
                const wchar_t* source = data + at;
                DWORD sourceLength = (DWORD)wcslen(source);
                if (sourceLength == 0 && at + 1 >= count) break;
                DWORD targetAt = at + sourceLength + 1;
                const wchar_t* target = targetAt < count ? data + targetAt : L"";
                DWORD next = targetAt + (DWORD)wcslen(target) + 1;
                bool drop = sourceLength > 0 && target[0] == 0 && SamePath(source, path);
                if (drop && next < count && SamePath(data + next, replacement)) drop = false;
                if (drop) {
                    dropped = true;
                } else {
                    DWORD pairLength = (next < count ? next : count) - at;
                    memcpy(kept + out, source, pairLength * sizeof(wchar_t));
                    out += pairLength;
                }
                at = next;
            }
            if (dropped) {
                if (out == 0)
                    RegDeleteValueW(key, kPendingValue);
                else
                    RegSetValueExW(key, kPendingValue, 0, REG_MULTI_SZ, (const BYTE*)kept,
                                   (out + 1) * sizeof(wchar_t));
            }
        }
        free(data);
        free(kept);
    }
    RegCloseKey(key);
    return dropped;
}
