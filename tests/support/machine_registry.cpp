#include "support/machine_registry.h"

#include "base/random.h"

MachineKeyOverride::MachineKeyOverride() {
    path_ = L"Software\\BraskTest-machine-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
            std::to_wstring(RandomBelow(0));
    if (RegCreateKeyExW(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_, nullptr) !=
        ERROR_SUCCESS)
        return;
    active_ = RegOverridePredefKey(HKEY_LOCAL_MACHINE, key_) == ERROR_SUCCESS;
}

MachineKeyOverride::~MachineKeyOverride() {
    if (active_) RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
    if (key_) RegCloseKey(key_);
    RegDeleteTreeW(HKEY_CURRENT_USER, path_.c_str());
}

bool MachineKeyOverride::SetString(const wchar_t* path, const wchar_t* name, const wchar_t* text) {
    return RegSetKeyValueW(key_, path, name, REG_SZ, text, (DWORD)((wcslen(text) + 1) * sizeof(wchar_t))) ==
           ERROR_SUCCESS;
}

std::wstring MachineString(const wchar_t* path, const wchar_t* name, REGSAM view) {
    HKEY key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, KEY_QUERY_VALUE | view, &key) != ERROR_SUCCESS) return L"";
    wchar_t buffer[MAX_PATH] = {0};
    DWORD bytes = sizeof buffer - sizeof(wchar_t);
    DWORD type = 0;
    std::wstring result;
    if (RegQueryValueExW(key, name, nullptr, &type, (BYTE*)buffer, &bytes) == ERROR_SUCCESS && type == REG_SZ)
        result = buffer;
    RegCloseKey(key);
    return result;
}

bool Is64BitSystem() {
    BOOL wow64 = FALSE;
    return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
}

std::wstring ProgramFilesFolder() {
    return MachineString(L"Software\\Microsoft\\Windows\\CurrentVersion", L"ProgramFilesDir", 0);
}
