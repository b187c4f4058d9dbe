// Temporary folder and unique temporary names. Every temporary name is given
// up through DeleteTempFile.
#pragma once

#include "base/wstring.h"

// The user's temporary folder, or the private folder set below.
WString TempFolder();
// From now on TempFolder() names folder (null: the user's folder again), so
// that every temporary file of the process goes into its private folder.
// The pointer is kept, not copied.
void SetPrivateTempFolder(const WString* folder);
// Makes name an existing, empty temporary file; prefix null means "TMP".
void MakeTempFile(WString& name, const char* prefix, const char* suffix);
// Makes folder a new, empty temporary folder ending in a backslash.
bool MakeTempFolder(WString& folder);
void DeleteTempFile(WString& name);
