#include "support/folder_security.h"

#include <aclapi.h>
#include <sddl.h>

namespace {

std::wstring SidText(PSID sid) {
    wchar_t* text = nullptr;
    if (!sid || !ConvertSidToStringSidW(sid, &text)) return L"";
    std::wstring result = text;
    LocalFree(text);
    return result;
}

}  // namespace

FolderSecurity ReadSecurity(PSECURITY_DESCRIPTOR descriptor) {
    FolderSecurity result;
    PSID owner = nullptr;
    PACL dacl = nullptr;
    BOOL present = FALSE, defaulted = FALSE;
    if (!descriptor || !GetSecurityDescriptorOwner(descriptor, &owner, &defaulted) ||
        !GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted))
        return result;
    result.read = true;
    result.owner = SidText(owner);
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    if (GetSecurityDescriptorControl(descriptor, &control, &revision))
        result.isProtected = (control & SE_DACL_PROTECTED) != 0;
    for (DWORD i = 0; present && dacl && i < dacl->AceCount; i++) {
        ACE_HEADER* header = nullptr;
        if (!GetAce(dacl, i, (void**)&header)) continue;
        if (header->AceType != ACCESS_ALLOWED_ACE_TYPE) {
            result.otherEntries = true;
            continue;
        }
        ACCESS_ALLOWED_ACE* ace = (ACCESS_ALLOWED_ACE*)header;
        result.allowed.push_back({SidText(&ace->SidStart), ace->Mask, header->AceFlags});
    }
    return result;
}

FolderSecurity ReadFolderSecurity(const std::wstring& path) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                              nullptr, nullptr, nullptr, nullptr, &descriptor) != ERROR_SUCCESS)
        return FolderSecurity();
    FolderSecurity result = ReadSecurity(descriptor);
    LocalFree(descriptor);
    return result;
}

std::wstring ProcessUserSid() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return L"";
    BYTE buffer[256];
    DWORD size = 0;
    std::wstring result;
    if (GetTokenInformation(token, TokenUser, buffer, sizeof(buffer), &size))
        result = SidText(((TOKEN_USER*)buffer)->User.Sid);
    CloseHandle(token);
    return result;
}

bool IsAdminOnly(const FolderSecurity& security) {
    const BYTE inherit = OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE;
    const ACCESS_MASK readExecute = FILE_GENERIC_READ | FILE_GENERIC_EXECUTE;
    if (!security.read || security.owner != L"S-1-5-32-544" || !security.isProtected || security.otherEntries ||
        security.allowed.size() != 3)
        return false;
    bool system = false, admins = false, user = false;
    for (const AllowedEntry& e : security.allowed) {
        if (e.flags != inherit) return false;
        if (e.sid == L"S-1-5-18" && e.mask == FILE_ALL_ACCESS) system = true;
        else if (e.sid == L"S-1-5-32-544" && e.mask == FILE_ALL_ACCESS) admins = true;
        else if (e.sid == ProcessUserSid() && e.mask == readExecute) user = true;
        else return false;
    }
    return system && admins && user;
}
