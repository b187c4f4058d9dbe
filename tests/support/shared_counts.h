// Counts of shared files under HKLM "...\\CurrentVersion\\SharedDLLs", as
// installers leave them, named by the file's path; view: 0 (the process's
// own) or a KEY_WOW64_ flag.
#pragma once

#include <windows.h>

#include <string>

// -1 when there is none.
int SharedCount(const std::wstring& path, REGSAM view = 0);
// A count below 0 deletes the value.
void SetSharedCount(const std::wstring& path, int count, REGSAM view = 0);
