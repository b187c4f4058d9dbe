// Test fixtures around HKEY_LOCAL_MACHINE.
#pragma once

#include <windows.h>

#include <string>

// Redirects HKEY_LOCAL_MACHINE, for this process only, to a fresh empty key
// under HKEY_CURRENT_USER (RegOverridePredefKey), so a test can give the
// code under test machine values that the prefix does not hold, without
// disturbing the other test programs that share the prefix.
class MachineKeyOverride {
public:
    MachineKeyOverride();
    ~MachineKeyOverride();
    MachineKeyOverride(const MachineKeyOverride&) = delete;
    MachineKeyOverride& operator=(const MachineKeyOverride&) = delete;
    bool Active() const { return active_; }
    // Writes a REG_SZ below the substitute key.
    bool SetString(const wchar_t* path, const wchar_t* name, const wchar_t* text);

private:
    std::wstring path_;
    HKEY key_ = nullptr;
    bool active_ = false;
};

// A string value of the real machine key in the given view (KEY_WOW64_32KEY,
// KEY_WOW64_64KEY or 0 for the process's own), empty when missing.
std::wstring MachineString(const wchar_t* path, const wchar_t* name, REGSAM view);
// Whether this is 64-bit Windows (the win64 prefix).
bool Is64BitSystem();
// The Program Files folder this process sees (the 32-bit one under WOW64),
// without a trailing backslash.
std::wstring ProgramFilesFolder();
