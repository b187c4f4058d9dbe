// The unelevated parent's relaunch of its own executable with administrator
// rights, and the child's hold on that parent.
#pragma once

#include <windows.h>

enum RelaunchResult { kChildRan, kRelaunchRefused, kRelaunchFailed };

// Starts exePath elevated and waits for it, executing the command file
// whenever the child has written one; hides focusWindow once after 5 s.
// exitCode receives the child's exit code when it ran.
RelaunchResult RelaunchElevated(const wchar_t* exePath, const wchar_t* parameters, const wchar_t* commandFilePath,
                                HWND focusWindow, DWORD& exitCode);
// The elevated child keeps a SYNCHRONIZE handle on the process that started
// it, so that waiting for that process can end when it has gone.
HANDLE OpenParentProcess();
