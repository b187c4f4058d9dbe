#include "engine/install_scope.h"

#include "app/installer_state.h"
#include "base/disk_file.h"
#include "base/line_reader.h"
#include "base/run_log.h"

namespace {

const wchar_t kScopeHeader[] = L"[Install Scope]";

bool OpenScript(DiskFile& file, const wchar_t* path) {
    file.SetPath(path);
    file.Open(GENERIC_READ, OPEN_EXISTING, false);
    return file.IsOpen();
}

bool HasMachineFolder(const WString& path) {
    WString upper = path.ToUpper();
    return upper.Find(L"<SYSTEM>", 1) || upper.Find(L"<SYSTEMWOW64>", 1) || upper.Find(L"<WINDOWS>", 1);
}

}  // namespace

ScopeRule ReadScopeRule(const wchar_t* scriptPath) {
    DiskFile script;
    if (!OpenScript(script, scriptPath)) return kScopeMachineOnly;
    WString line;
    while (ReadLine(script, line, false)) {
        if (Compare(line, kScopeHeader, false) != 0) continue;
        ReadLine(script, line, false);
        line.TrimLeadingSpaces();
        line.TrimTrailingSpaces();
        if (Compare(line, L"user", true) == 0) return kScopeUserOnly;
        if (Compare(line, L"either", true) == 0) return kScopeEither;
        if (Compare(line, L"machine", true) != 0)
            RunLog("install scope '%s' is unknown: installs for everyone", (const wchar_t*)line);
        return kScopeMachineOnly;
    }
    return kScopeMachineOnly;
}

bool ChooseScope(ScopeRule rule, const WString& requested) {
    bool wantsUser = Compare(requested, L"user", true) == 0;
    bool wantsMachine = Compare(requested, L"machine", true) == 0;
    if (!requested.IsEmpty() && !wantsUser && !wantsMachine) return false;
    if ((wantsUser && rule == kScopeMachineOnly) || (wantsMachine && rule == kScopeUserOnly)) return false;
    state.userScope = rule == kScopeUserOnly || (rule == kScopeEither && !wantsMachine);
    return true;
}

const wchar_t* ScopeName() { return state.userScope ? L"user" : L"machine"; }

HKEY ScopeRoot() { return state.userScope ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE; }

WString MachinePlaceOfScript(const wchar_t* scriptPath) {
    DiskFile script;
    if (!OpenScript(script, scriptPath)) return WString();
    WString line;
    while (ReadLine(script, line, false)) {
        bool folder = Compare(line, L"[Install To]", false) == 0;
        bool second = Compare(line, L"[CopyFile]", false) == 0 || Compare(line, L"[CreateIcon]", false) == 0;
        bool registry = Compare(line, L"[Registry]", false) == 0;
        if (!folder && !second && !registry) continue;
        WString first, next;
        ReadLine(script, first, false);
        if (folder) {
            if (HasMachineFolder(first)) return first;
            continue;
        }
        // The destination, the link, or the key below the root.
        ReadLine(script, next, false);
        if (second && HasMachineFolder(next)) return next;
        if (registry && Compare(first, L"HKLM", false) == 0) return first.Append(L"\\").Append(next);
    }
    return WString();
}
