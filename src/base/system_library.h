// DLLs other than the ones Windows always takes from System32 are loaded by
// their full System32 path at run time, never imported statically: the
// loader resolves static imports from the program's own folder first, and
// installers are downloaded into folders full of other people's files (a
// planted msimg32.dll or version.dll would run inside the elevated child).
#pragma once

#include <windows.h>

// name: a file name such as L"msimg32.dll"; null when it cannot be loaded.
// The module stays loaded for the life of the process.
HMODULE LoadSystemLibrary(const wchar_t* name);

// The named export of a System32 DLL, or null.
FARPROC SystemProcedure(const wchar_t* library, const char* procedure);

// First thing at start: the DLLs the shell and COM load later (uxtheme,
// dwmapi, propsys, cryptbase...) come from System32 only. Both calls are
// looked up at run time; systems without them keep their own search order.
void RestrictDllSearch();
