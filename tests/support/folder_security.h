// Reads back a folder's owner and DACL, for the private-folder tests.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

struct AllowedEntry {
    std::wstring sid;  // string form, "S-1-5-32-544"
    ACCESS_MASK mask;
    BYTE flags;  // inheritance flags
};

struct FolderSecurity {
    bool read = false;
    std::wstring owner;
    bool isProtected = false;  // SE_DACL_PROTECTED: nothing inherited
    bool otherEntries = false;  // any entry that is not access-allowed
    std::vector<AllowedEntry> allowed;
};

FolderSecurity ReadFolderSecurity(const std::wstring& path);
FolderSecurity ReadSecurity(PSECURITY_DESCRIPTOR descriptor);
// The string form of this process's user.
std::wstring ProcessUserSid();
// True when the DACL is the private folder's: SYSTEM and Administrators full
// control, the user read and execute, for the folder and what is made in it.
bool IsAdminOnly(const FolderSecurity& security);
