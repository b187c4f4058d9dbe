// Starting other processes: plainly, and through the "runas" verb.
#pragma once

#include <windows.h>

#include "base/wstring.h"

// What a caller may want from a program it waits for.
struct ProgramWait {
    // In: dispatch the calling thread's window messages while waiting, so
    // that its windows keep painting and Windows never marks them as not
    // responding during a long run.
    bool dispatchMessages = false;
    // In: how long the program may take; past it, it is ended with the
    // processes it started, and counts as not finished.
    DWORD limitMs = INFINITE;
    // Out: the program was waited for to its end, and its exit code; or it
    // was ended at the limit.
    bool finished = false;
    bool timedOut = false;
    DWORD exitCode = 0;
};

// Ends a process and, first, the processes it started, and theirs.
void EndProcessTree(HANDLE process);

// Waits for a process to end, as details asks (null: a plain wait), and
// records its exit code there.
void WaitForProcess(HANDLE process, ProgramWait* details);

// The command line of a program and its parameters (none: empty or null).
// The path is always quoted: unquoted, "C:\Program Files\x.exe" would start
// "C:\Program.exe" where one exists.
WString ProgramCommandLine(const wchar_t* program, const wchar_t* parameters);
// CreateProcessW of a whole command line; on failure GetLastError still
// holds the reason (ERROR_ELEVATION_REQUIRED tells the caller to elevate).
bool StartProcess(const wchar_t* commandLine, bool wait, ProgramWait* details = nullptr);
// ShellExecuteExW with "runas": Windows asks for consent or credentials.
bool RunElevated(const wchar_t* file, const wchar_t* parameters, bool wait, ProgramWait* details = nullptr);
// ShellExecuteExW with the given verb (null: the file's default action);
// the process handle, when there is one, is returned open in process.
bool ShellStart(const wchar_t* verb, const wchar_t* file, const wchar_t* parameters, HANDLE& process);
// ShellStart, then a wait for the process when asked; documents opened by a
// running program give no process to wait for.
bool ShellRun(const wchar_t* verb, const wchar_t* file, const wchar_t* parameters, bool wait,
              ProgramWait* details = nullptr);
// True when an executable's bytes hold a manifest asking for administrator
// rights ("level=requireAdministrator", the value quoted or not).
bool ManifestRequiresAdmin(const uint8_t* bytes, uint32_t size);
