#include "support/shared_counts.h"

namespace {

const wchar_t kSharedDlls[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";

}  // namespace

int SharedCount(const std::wstring& path, REGSAM view) {
    HKEY key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSharedDlls, 0, KEY_QUERY_VALUE | view, &key) != ERROR_SUCCESS) return -1;
    DWORD count = 0, bytes = sizeof count, type = 0;
    LONG read = RegQueryValueExW(key, path.c_str(), nullptr, &type, (BYTE*)&count, &bytes);
    RegCloseKey(key);
    return read == ERROR_SUCCESS && type == REG_DWORD ? (int)count : -1;
}

void SetSharedCount(const std::wstring& path, int count, REGSAM view) {
    HKEY key;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, kSharedDlls, 0, nullptr, 0, KEY_SET_VALUE | view, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return;
    DWORD value = (DWORD)count;
    if (count < 0)
        RegDeleteValueW(key, path.c_str());
    else
        RegSetValueExW(key, path.c_str(), 0, REG_DWORD, (const BYTE*)&value, sizeof value);
    RegCloseKey(key);
}

