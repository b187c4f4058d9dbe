// The process's private temporary folder. In the user's temporary folder
// any unelevated process of the user can write, and could swap a program
// between its extraction and its start; an elevated process would then run
// it with administrator rights. So an elevated process makes its folder
// writable only by Administrators and SYSTEM.
#pragma once

#include "base/wstring.h"

// True when the process holds administrator rights: an elevated token
// (Vista and later) or, where the system has no elevation, membership of
// the Administrators group.
bool IsProcessElevated();

// The private folder's security: owner Administrators; protected (nothing
// inherited from the temporary folder); full control for SYSTEM and
// Administrators, read and execute for the user, on the folder and on what
// is made in it. Null when the user is unknown; released with LocalFree.
void* AdminOnlyDescriptor();

// Creates the folder path, which must not exist yet (false, with
// ERROR_ALREADY_EXISTS, when it does); adminOnly as below.
bool CreatePrivateFolder(const wchar_t* path, bool adminOnly);

// Makes folder a new temporary folder ending in a backslash, one this call
// created: a folder of the chosen name that already existed may be
// another's and is never used. adminOnly: owned by Administrators, written
// only by Administrators and SYSTEM, read by the user; not inheriting the
// temporary folder's permissions.
bool MakePrivateFolder(WString& folder, bool adminOnly);
