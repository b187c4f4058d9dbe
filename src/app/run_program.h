// RunProgram: the one routine that starts a program for the installer
// (script, finish page, container, the parent's command file). It decides
// which of the two processes runs it, extracts it from the package first
// when its path names the package, and elevates when Windows demands it.
#pragma once

#include <windows.h>

#include "app/processes.h"

// A marker in the parameters, removed before the start: " -CHECKEXITCODE"
// asks that the exit code of a program waited for count, so the program
// runs in this process (a parent it were handed to keeps its exit code).
extern const wchar_t kCheckExitCode[];

// waitDetails, when given, says how to wait and receives the exit code of a
// program that was waited for here (not of one handed to the parent).
void RunProgram(const wchar_t* program, const wchar_t* parameters, bool wait, bool allowHandOff, HWND owner,
                ProgramWait* waitDetails = nullptr);
