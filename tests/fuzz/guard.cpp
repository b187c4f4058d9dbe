#include "fuzz/guard.h"

#include <windows.h>
#include <stdio.h>
#include <stdlib.h>

#include <new>

// The program's allocations pass through here: the link wraps malloc,
// calloc, realloc and free (-Wl,--wrap), and this file defines every
// operator new and delete, so the product's own definitions (which end the
// process on failure) are never linked in.
extern "C" {
void* __real_malloc(size_t size);
void* __real_calloc(size_t count, size_t size);
void* __real_realloc(void* p, size_t size);
void __real_free(void* p);
}

namespace {

// Live blocks by address, in an open-addressing table outside the heap it
// watches. A block freed that was never counted (one the runtime's own DLL
// allocated) is ignored, so the count cannot drift.
const uint32_t kSlots = 1u << 20;
uintptr_t* g_slots = nullptr;
uint32_t g_live = 0;
volatile LONG g_lock = 0;
uint32_t g_limit = 0xFFFFFFFF;
uint32_t g_oversized = 0;
uint64_t g_allocated = 0;

struct Lock {
    Lock() {
        while (InterlockedExchange(&g_lock, 1)) Sleep(0);
    }
    ~Lock() { InterlockedExchange(&g_lock, 0); }
};

uint32_t Slot(uintptr_t p) { return (uint32_t)((p >> 3) * 2654435761u) & (kSlots - 1); }

void Track(void* p) {
    if (!p) return;
    Lock lock;
    if (!g_slots) {
        g_slots = (uintptr_t*)VirtualAlloc(nullptr, kSlots * sizeof(uintptr_t), MEM_COMMIT, PAGE_READWRITE);
        if (!g_slots) return;
    }
    if (g_live >= kSlots / 2) return;  // beyond what any input should hold
    uint32_t i = Slot((uintptr_t)p);
    while (g_slots[i] != 0) i = (i + 1) & (kSlots - 1);
    g_slots[i] = (uintptr_t)p;
    g_live++;
}

void Untrack(void* p) {
    if (!p || !g_slots) return;
    Lock lock;
    uint32_t i = Slot((uintptr_t)p);
    while (g_slots[i] != 0 && g_slots[i] != (uintptr_t)p) i = (i + 1) & (kSlots - 1);
    if (g_slots[i] == 0) return;
    // Backward-shift deletion: the probe chains stay whole without markers.
    g_slots[i] = 0;
    g_live--;
    for (uint32_t j = (i + 1) & (kSlots - 1); g_slots[j] != 0; j = (j + 1) & (kSlots - 1)) {
        uint32_t home = Slot(g_slots[j]);
        bool movable = i <= j ? (home <= i || home > j) : (home <= i && home > j);
        if (movable) {
            g_slots[i] = g_slots[j];
            g_slots[j] = 0;
            i = j;
        }
    }
}

bool Allowed(size_t size) {
    g_allocated += size;
    if (size <= g_limit) return true;
    if (size > g_oversized) g_oversized = (uint32_t)size;
    return false;
}

void* NewOrReport(size_t size) {
    void* p = malloc(size ? size : 1);
    if (!p) {
        // The product's operator new ends the process here; a fuzz input that
        // gets this far is a finding.
        fprintf(stderr, "operator new failed for %u bytes\n", (unsigned)size);
        guard::Finish();
        TerminateProcess(GetCurrentProcess(), 3);
    }
    return p;
}

std::wstring g_saveFolder;
const char* g_target = nullptr;
const Bytes* g_input = nullptr;
volatile LONG g_deadline = 0;  // GetTickCount value, 0 while idle
volatile LONG g_armed = 0;

uint32_t Hash(const Bytes& input) {
    uint32_t h = 2166136261u;
    for (uint8_t b : input) h = (h ^ b) * 16777619u;
    return h;
}

void ReportAndEnd(const char* kind, unsigned long code) {
    if (g_target && g_input) {
        std::wstring path = guard::SaveInput(g_target, kind, *g_input);
        fprintf(stderr, "FOUND %s %s (0x%08lX): input saved as %ls\n", g_target, kind, code, path.c_str());
    } else {
        fprintf(stderr, "FOUND %s (0x%08lX) outside any input\n", kind, code);
    }
    fflush(stderr);
    TerminateProcess(GetCurrentProcess(), 3);
}

LONG CALLBACK OnException(EXCEPTION_POINTERS* info) {
    DWORD code = info->ExceptionRecord->ExceptionCode;
    switch (code) {
        case EXCEPTION_ACCESS_VIOLATION:
        case EXCEPTION_STACK_OVERFLOW:
        case EXCEPTION_ILLEGAL_INSTRUCTION:
        case EXCEPTION_PRIV_INSTRUCTION:
        case EXCEPTION_INT_DIVIDE_BY_ZERO:
        case EXCEPTION_ARRAY_BOUNDS_EXCEEDED:
        case EXCEPTION_IN_PAGE_ERROR:
        case 0xC0000374:  // heap corruption
        case 0xC0000409:  // stack buffer overrun
            if (g_armed) ReportAndEnd("crash", code);
            break;
    }
    return EXCEPTION_CONTINUE_SEARCH;
}

DWORD WINAPI Watchdog(void*) {
    for (;;) {
        Sleep(50);
        LONG deadline = g_deadline;
        if (deadline != 0 && (LONG)(GetTickCount() - (DWORD)deadline) > 0) ReportAndEnd("hang", 0);
    }
}

}  // namespace

extern "C" {
void* __wrap_malloc(size_t size) {
    if (!Allowed(size)) return nullptr;
    void* p = __real_malloc(size);
    Track(p);
    return p;
}
void* __wrap_calloc(size_t count, size_t size) {
    if (size && count > 0xFFFFFFFFu / size) return nullptr;
    if (!Allowed(count * size)) return nullptr;
    void* p = __real_calloc(count, size);
    Track(p);
    return p;
}
void* __wrap_realloc(void* old, size_t size) {
    if (!Allowed(size)) return nullptr;
    void* p = __real_realloc(old, size);
    if (p || size == 0) Untrack(old);
    Track(p);
    return p;
}
void __wrap_free(void* p) {
    Untrack(p);
    __real_free(p);
}
}

void* operator new(size_t size) { return NewOrReport(size); }
void* operator new[](size_t size) { return NewOrReport(size); }
void* operator new(size_t size, const std::nothrow_t&) noexcept { return malloc(size ? size : 1); }
void* operator new[](size_t size, const std::nothrow_t&) noexcept { return malloc(size ? size : 1); }
void operator delete(void* p) noexcept { free(p); }
void operator delete[](void* p) noexcept { free(p); }
void operator delete(void* p, size_t) noexcept { free(p); }
void operator delete[](void* p, size_t) noexcept { free(p); }

namespace guard {

uint32_t LiveAllocations() { return g_live; }

uint64_t AllocatedBytes() { return g_allocated; }

void SetAllocationLimit(uint32_t limit) { g_limit = limit; }

uint32_t TakeOversized() {
    uint32_t n = g_oversized;
    g_oversized = 0;
    return n;
}

void Start(const std::wstring& saveFolder) {
    g_saveFolder = saveFolder;
    // A crash must end the program with its input saved, not open Wine's
    // crash dialog.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    AddVectoredExceptionHandler(1, OnException);
    CloseHandle(CreateThread(nullptr, 0, Watchdog, nullptr, 0, nullptr));
}

void Begin(const char* target, const Bytes& input, uint32_t limitMs) {
    g_target = target;
    g_input = &input;
    g_armed = 1;
    LONG deadline = (LONG)(GetTickCount() + limitMs);
    g_deadline = deadline ? deadline : 1;
}

void Finish() {
    g_deadline = 0;
    g_armed = 0;
}

std::wstring SaveInput(const char* target, const char* kind, const Bytes& input) {
    char name[128];
    snprintf(name, sizeof name, "%s-%s-%08x.bin", target, kind, (unsigned)Hash(input));
    std::wstring path = g_saveFolder;
    for (const char* c = name; *c; ++c) path += (wchar_t)(uint8_t)*c;
    CreateDirectoryW(g_saveFolder.c_str(), nullptr);
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        WriteFile(h, input.data(), (DWORD)input.size(), &written, nullptr);
        CloseHandle(h);
    }
    return path;
}

}  // namespace guard
