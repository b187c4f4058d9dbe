#include <windows.h>

#include "app/entry.h"
#include "base/system_library.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    RestrictDllSearch();
    return RunEntryPoint(instance);
}
