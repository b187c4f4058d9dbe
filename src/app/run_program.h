// RunProgram: the one routine that starts a program for the installer
// (script, finish page, container, the parent's command file). It decides
// which of the two processes runs it, extracts it from the package first
// when its path names the package, and elevates when Windows demands it.
#pragma once

#include <windows.h>

void RunProgram(const wchar_t* program, const wchar_t* parameters, bool wait, bool allowHandOff, HWND owner);
