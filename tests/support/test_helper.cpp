// Helper process for tests. "hold PATH EVENT": opens PATH without sharing,
// signals the named event "EVENT-ready", and keeps the file open until EVENT
// is signalled (at most 60 s, so a failed test never leaves it behind).
#include <windows.h>

#include <string>

int wmain(int argc, wchar_t** argv) {
    if (argc >= 4 && std::wstring(argv[1]) == L"hold") {
        HANDLE file = CreateFileW(argv[2], GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) return 2;
        std::wstring name = argv[3];
        HANDLE release = CreateEventW(nullptr, TRUE, FALSE, name.c_str());
        HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, (name + L"-ready").c_str());
        SetEvent(ready);
        WaitForSingleObject(release, 60000);
        CloseHandle(file);
        return 0;
    }
    return 1;
}
