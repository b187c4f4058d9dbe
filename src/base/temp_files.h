// Temporary folder and unique temporary names. Every temporary name is given
// up through DeleteTempFile.
#pragma once

#include "base/wstring.h"

WString TempFolder();
// Makes name an existing, empty temporary file; prefix null means "TMP".
void MakeTempFile(WString& name, const char* prefix, const char* suffix);
// Makes folder a new, empty temporary folder ending in a backslash.
bool MakeTempFolder(WString& folder);
void DeleteTempFile(WString& name);
