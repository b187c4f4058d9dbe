/* A DLL planted beside an installer under the name of a system DLL: when
   it is loaded it leaves "<its own path>.loaded". It exports the names a
   program might import from msimg32 and version, so that a static import
   would really resolve to it. */
/* Only the types: the system headers declare these names themselves. */
#define WIN32_LEAN_AND_MEAN
#define NOGDI
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID reserved) {
    (void)reserved;
    if (reason == DLL_PROCESS_ATTACH) {
        wchar_t path[MAX_PATH + 8];
        DWORD n = GetModuleFileNameW(self, path, MAX_PATH);
        if (n > 0 && n < MAX_PATH) {
            lstrcatW(path, L".loaded");
            HANDLE h = CreateFileW(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
            if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
        }
    }
    return TRUE;
}

__declspec(dllexport) BOOL WINAPI GradientFill(HDC dc, void* v, ULONG n, void* m, ULONG c, ULONG mode) {
    (void)dc, (void)v, (void)n, (void)m, (void)c, (void)mode;
    return FALSE;
}
__declspec(dllexport) BOOL WINAPI AlphaBlend(HDC a, int b, int c, int d, int e, HDC f, int g, int h, int i, int j,
                                             DWORD k) {
    (void)a, (void)b, (void)c, (void)d, (void)e, (void)f, (void)g, (void)h, (void)i, (void)j, (void)k;
    return FALSE;
}
__declspec(dllexport) DWORD WINAPI GetFileVersionInfoSizeW(const wchar_t* path, DWORD* handle) {
    (void)path;
    if (handle) *handle = 0;
    return 0;
}
__declspec(dllexport) BOOL WINAPI GetFileVersionInfoW(const wchar_t* path, DWORD h, DWORD size, void* data) {
    (void)path, (void)h, (void)size, (void)data;
    return FALSE;
}
__declspec(dllexport) BOOL WINAPI VerQueryValueW(const void* block, const wchar_t* sub, void** out, UINT* length) {
    (void)block, (void)sub, (void)out, (void)length;
    return FALSE;
}
