// Starting other processes: plainly, and through the "runas" verb.
#pragma once

#include <windows.h>

#include "base/wstring.h"

// CreateProcessW of a whole command line; on failure GetLastError still
// holds the reason (ERROR_ELEVATION_REQUIRED tells the caller to elevate).
bool StartProcess(const wchar_t* commandLine, bool wait);
// ShellExecuteExW with "runas": Windows asks for consent or credentials.
bool RunElevated(const wchar_t* file, const wchar_t* parameters, bool wait);
// ShellExecuteExW with the given verb (null: the file's default action);
// the process handle, when there is one, is returned open in process.
bool ShellStart(const wchar_t* verb, const wchar_t* file, const wchar_t* parameters, HANDLE& process);
// ShellStart, then a wait for the process when asked; documents opened by a
// running program give no process to wait for.
bool ShellRun(const wchar_t* verb, const wchar_t* file, const wchar_t* parameters, bool wait);
// True when an executable's bytes hold a manifest asking for administrator
// rights ("level=requireAdministrator", the value quoted or not).
bool ManifestRequiresAdmin(const uint8_t* bytes, uint32_t size);
