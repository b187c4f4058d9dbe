// An install's scope: for everyone (the machine's program folder, HKLM,
// the all-users Start menu; needs administrator rights) or for this user
// only (the user's own program folder, HKCU, the user's Start menu; never
// elevates). A script allows scopes with the header line "[Install Scope]"
// followed by one line:
//   machine   for everyone only (also what a script without it means)
//   user      for this user only
//   either    both; "--scope=machine" or "--scope=user" chooses, and
//             without the switch the install is for this user only
// The uninstall record holds the scope the install took on that line.
#pragma once

#include <windows.h>

#include "base/wstring.h"

enum ScopeRule { kScopeMachineOnly, kScopeUserOnly, kScopeEither };

// The rule of a script or record file; a missing file or header, or a word
// it does not know (logged), is machine only.
ScopeRule ReadScopeRule(const wchar_t* scriptPath);
// Sets state.userScope from the rule and the "--scope=" value (empty when
// the switch is absent). False, with the switch text, when the rule does
// not allow what the switch asks.
bool ChooseScope(ScopeRule rule, const WString& requested);
// The line a record holds after "[Install Scope]".
const wchar_t* ScopeName();
// HKLM for everyone, HKCU for this user only: where the install registers
// itself and what the script's root "HKSCOPE" means.
HKEY ScopeRoot();
// The first place a script writes that only an administrator may (a file
// or shortcut below "<System>", "<SystemWOW64>" or "<Windows>", an HKLM
// value), as its line reads; empty when there is none.
WString MachinePlaceOfScript(const wchar_t* scriptPath);
