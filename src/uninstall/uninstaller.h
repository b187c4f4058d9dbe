// The uninstaller's entry: the program started with "--uninstall=" (or the
// older "<uninstall>") and the path of an UninstallLog. It makes sure it has
// administrator rights, relaunching itself through "runas" when it has not,
// and shows the uninstall dialog, which runs the uninstall worker.
#pragma once

#include <windows.h>

#include "base/wstring.h"

// The process exit codes deployment tools read.
const int kUninstallRemoved = 0;
const int kUninstallCancelled = 1602;
const int kUninstallFailed = 1603;
const int kUninstallRestartStarted = 1641;
const int kUninstallRestartNeeded = 3010;

// Returns once the uninstall (or the elevated copy running it) has ended,
// with the exit code for the process.
int RunUninstaller();

// Starts program through the shell ("runas" unless this process can already
// write the Program Files folder) and waits for it, hiding focusWindow once
// after 5 s. False when it could not be started (GetLastError tells why:
// ERROR_CANCELLED when the user declined); exitCode receives its exit code.
bool RunElevatedAndWait(const wchar_t* program, const wchar_t* parameters, HWND focusWindow, DWORD& exitCode);

// The log path of an uninstall command line, unquoted. Records written by
// earlier releases appended " --silent" to the quiet command, after the log
// path: a path that names no file loses that tail.
WString UninstallLogPathOfCommandLine(const WString& line);
