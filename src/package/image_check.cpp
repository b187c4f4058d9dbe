#include "package/image_check.h"

#include <windows.h>

#include "package/image_resource.h"

bool IsStartableImage(const wchar_t* path) {
    // The loader checks the headers and that the sections lie in the file.
    HMODULE image = LoadLibraryExW(path, nullptr, DONT_RESOLVE_DLL_REFERENCES);
    if (!image) return false;
    const IMAGE_NT_HEADERS* nt = ImageHeaders(image);
    const IMAGE_NT_HEADERS* own = ImageHeaders(GetModuleHandleW(nullptr));
    bool startable = nt->FileHeader.Machine == own->FileHeader.Machine &&
                     nt->OptionalHeader.Subsystem == own->OptionalHeader.Subsystem &&
                     !(nt->FileHeader.Characteristics & IMAGE_FILE_DLL) && nt->OptionalHeader.AddressOfEntryPoint;
    FreeLibrary(image);
    return startable;
}
