#include "base/system_library.h"

#include "base/wstring.h"

HMODULE LoadSystemLibrary(const wchar_t* name) {
    wchar_t folder[MAX_PATH];
    UINT n = GetSystemDirectoryW(folder, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return nullptr;
    WString path(folder);
    path.EnsureTrailingBackslash();
    path.Append(name);
    // The altered search path makes the DLL's own imports resolve from
    // System32 as well, not from the program's folder.
    return LoadLibraryExW(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

FARPROC SystemProcedure(const wchar_t* library, const char* procedure) {
    // Always by the full path: a module of that name already loaded may be
    // one that something else found beside the program.
    HMODULE module = LoadSystemLibrary(library);
    return module ? GetProcAddress(module, procedure) : nullptr;
}

void RestrictDllSearch() {
    typedef BOOL(WINAPI * SetDefaultDllDirectoriesFn)(DWORD);
    typedef BOOL(WINAPI * SetDllDirectoryFn)(const wchar_t*);
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    if (!kernel) return;
    SetDefaultDllDirectoriesFn setDefault =
        (SetDefaultDllDirectoriesFn)(void*)GetProcAddress(kernel, "SetDefaultDllDirectories");
    // LOAD_LIBRARY_SEARCH_SYSTEM32, spelled out: older headers lack it.
    if (setDefault) setDefault(0x00000800);
    // An empty string takes the current folder out of the search order.
    SetDllDirectoryFn setDirectory = (SetDllDirectoryFn)(void*)GetProcAddress(kernel, "SetDllDirectoryW");
    if (setDirectory) setDirectory(L"");
}
