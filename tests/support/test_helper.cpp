// Helper process for tests. "hold PATH EVENT": opens PATH without sharing,
// signals the named event "EVENT-ready", and keeps the file open until EVENT
// is signalled (at most 60 s, so a failed test never leaves it behind).
// "load PATH EVENT" does the same with LoadLibraryW: a DLL in use the way a
// running program uses it, readable by others but not writable.
#include <windows.h>

#include <string>

int wmain(int argc, wchar_t** argv) {
    std::wstring mode = argc >= 4 ? argv[1] : L"";
    if (mode == L"hold" || mode == L"load") {
        HANDLE file = INVALID_HANDLE_VALUE;
        HMODULE module = nullptr;
        if (mode == L"hold")
            file = CreateFileW(argv[2], GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                               nullptr);
        else
            module = LoadLibraryW(argv[2]);
        if (file == INVALID_HANDLE_VALUE && !module) return 2;
        std::wstring name = argv[3];
        HANDLE release = CreateEventW(nullptr, TRUE, FALSE, name.c_str());
        HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, (name + L"-ready").c_str());
        SetEvent(ready);
        WaitForSingleObject(release, 60000);
        if (module) FreeLibrary(module);
        if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
        return 0;
    }
    return 1;
}
