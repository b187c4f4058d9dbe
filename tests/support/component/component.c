/* COM-style components for the registration tests. Each leaves its marks
   under HKCU\Software\BraskTest\Components:
     COMPONENT_NAME "-loads"    incremented on every load
     COMPONENT_NAME "-frees"    incremented on every unload
     COMPONENT_NAME "-registered" set to 1 by DllRegisterServer, when built
   with HAS_REGISTER. With ONLY_IN_REGSVR32 the library refuses to load in
   any other process, as a component for another processor type would. */
#include <windows.h>
#include <wchar.h>

#define KEY L"Software\\BraskTest\\Components"

static void Bump(const wchar_t* suffix) {
    wchar_t name[128];
    DWORD value = 0, size = sizeof value;
    swprintf(name, 128, L"%ls%ls", COMPONENT_NAME, suffix);
    RegGetValueW(HKEY_CURRENT_USER, KEY, name, RRF_RT_REG_DWORD, NULL, &value, &size);
    value++;
    RegSetKeyValueW(HKEY_CURRENT_USER, KEY, name, REG_DWORD, &value, sizeof value);
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    (void)instance;
    (void)reserved;
    if (reason == DLL_PROCESS_ATTACH) {
#ifdef ONLY_IN_REGSVR32
        wchar_t exe[MAX_PATH];
        DWORD n = GetModuleFileNameW(NULL, exe, MAX_PATH);
        if (n < 12 || _wcsicmp(exe + n - 12, L"regsvr32.exe") != 0) return FALSE;
#endif
        Bump(L"-loads");
    } else if (reason == DLL_PROCESS_DETACH) {
        Bump(L"-frees");
    }
    return TRUE;
}

#ifdef HAS_REGISTER
__declspec(dllexport) HRESULT __stdcall DllRegisterServer(void) {
    Bump(L"-registered");
    return S_OK;
}
#endif
