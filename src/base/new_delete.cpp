// The program's own operator new and delete. The runtime's versions throw
// std::bad_alloc, which drags the whole exception machinery (unwinder,
// demangler, thread-local emulation) into an executable built without
// exceptions: about 100 KB of the stub. Running out of memory for the small
// objects allocated this way leaves nothing sensible to do but end.
#include <windows.h>
#include <stdlib.h>

#include <new>

namespace {

void* Allocate(size_t size) {
    void* p = malloc(size ? size : 1);
    if (!p) ExitProcess(ERROR_NOT_ENOUGH_MEMORY);
    return p;
}

}  // namespace

void* operator new(size_t size) { return Allocate(size); }
void* operator new[](size_t size) { return Allocate(size); }
void* operator new(size_t size, const std::nothrow_t&) noexcept { return malloc(size ? size : 1); }
void* operator new[](size_t size, const std::nothrow_t&) noexcept { return malloc(size ? size : 1); }
void operator delete(void* p) noexcept { free(p); }
void operator delete[](void* p) noexcept { free(p); }
void operator delete(void* p, size_t) noexcept { free(p); }
void operator delete[](void* p, size_t) noexcept { free(p); }
