#include "base/private_folder.h"

#include <windows.h>
#include <sddl.h>

#include "base/temp_files.h"

namespace {

const int kAttempts = 16;

// The string form of the token's user, for the reading entry.
WString TokenUserSid() {
    WString result;
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return result;
    BYTE buffer[256];
    DWORD size = 0;
    if (GetTokenInformation(token, TokenUser, buffer, sizeof(buffer), &size)) {
        wchar_t* text = nullptr;
        if (ConvertSidToStringSidW(((TOKEN_USER*)buffer)->User.Sid, &text)) {
            result = text;
            LocalFree(text);
        }
    }
    CloseHandle(token);
    return result;
}

}  // namespace

void* AdminOnlyDescriptor() {
    WString user = TokenUserSid();
    if (user.IsEmpty()) return nullptr;
    WString sddl = WString::Formatted(L"O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;FRFX;;;%s)",
                                      (const wchar_t*)user);
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &descriptor, nullptr))
        return nullptr;
    return descriptor;
}

bool IsProcessElevated() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
    TOKEN_ELEVATION elevation = {};
    DWORD size = 0;
    bool known = GetTokenInformation(token, TokenElevation, &elevation, sizeof(elevation), &size) != 0;
    CloseHandle(token);
    if (known) return elevation.TokenIsElevated != 0;
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    PSID admins = nullptr;
    if (!AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0,
                                  &admins))
        return false;
    BOOL member = FALSE;
    if (!CheckTokenMembership(nullptr, admins, &member)) member = FALSE;
    FreeSid(admins);
    return member != 0;
}

bool CreatePrivateFolder(const wchar_t* path, bool adminOnly) {
    SECURITY_ATTRIBUTES attributes = {sizeof(attributes), nullptr, FALSE};
    if (adminOnly) {
        attributes.lpSecurityDescriptor = AdminOnlyDescriptor();
        if (!attributes.lpSecurityDescriptor) return false;
    }
    // CreateDirectoryW fails with ERROR_ALREADY_EXISTS for a folder that
    // is there: never one to take over.
    bool made = CreateDirectoryW(LongPath(path, 248), &attributes) != 0;
    DWORD error = GetLastError();
    if (attributes.lpSecurityDescriptor) LocalFree(attributes.lpSecurityDescriptor);
    SetLastError(made ? 0 : error);
    return made;
}

bool MakePrivateFolder(WString& folder, bool adminOnly) {
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        WString name;
        MakeTempFile(name, "BKI", nullptr);
        folder = name;
        DeleteTempFile(name);
        if (CreatePrivateFolder(folder, adminOnly)) {
            folder.EnsureTrailingBackslash();
            return true;
        }
        // Someone made a folder of that name in the meantime: another name.
        if (GetLastError() != ERROR_ALREADY_EXISTS) break;
    }
    folder = L"";
    return false;
}
