// The program's entry point, in place of the C runtime's start-up code
// (8 KB of the stub): msvcrt.dll sets itself up when it is loaded, the
// program reads its command line from Windows, and it uses no thread-local
// data, so what is left is to run the static constructors, and at the end
// what they registered to run at exit. The link refuses auto-imported data
// (--disable-auto-import), which only the start-up code could mend.
#include <windows.h>
#include <stdlib.h>

extern "C" void __main();  // libmingw32: runs the static constructors once

// The constructors register their objects' destructors here; exit() runs
// them. msvcrt's own atexit is data to the linker, not a function.
extern "C" int atexit(void (*function)()) { return _onexit((_onexit_t)function) ? 0 : -1; }

extern "C" void BraskStart() {
    __main();
    exit(wWinMain(GetModuleHandleW(nullptr), nullptr, nullptr, SW_SHOWDEFAULT));
}
