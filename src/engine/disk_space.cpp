#include "engine/disk_space.h"

#include <windows.h>
#include <wchar.h>

bool HasRoomFor(const wchar_t* folder, uint64_t bytes, uint64_t& freeBytes) {
    wchar_t path[MAX_PATH];
    freeBytes = 0;
    if (!folder || wcslen(folder) >= MAX_PATH) return true;
    wcscpy(path, folder);
    // The install folder is made later: the free space is its parent's.
    for (;;) {
        ULARGE_INTEGER available;
        if (GetDiskFreeSpaceExW(path, &available, nullptr, nullptr)) {
            freeBytes = available.QuadPart;
            return freeBytes >= bytes;
        }
        size_t length = wcslen(path);
        while (length > 0 && path[length - 1] == L'\\') path[--length] = 0;
        wchar_t* slash = wcsrchr(path, L'\\');
        if (!slash) return true;
        slash[1] = 0;
    }
}
