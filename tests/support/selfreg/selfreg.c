/* A component that registers itself the way COM servers do: its
   DllRegisterServer writes HKCU "Software\BkTestSelfReg" value <its path>,
   DllUnregisterServer removes the value and the key. */
#include <windows.h>

static HMODULE self;
static const wchar_t key[] = L"Software\\BkTestSelfReg";

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_ATTACH) self = instance;
    return TRUE;
}

__declspec(dllexport) HRESULT __stdcall DllRegisterServer(void) {
    wchar_t path[MAX_PATH];
    DWORD n = GetModuleFileNameW(self, path, MAX_PATH);
    LONG r = RegSetKeyValueW(HKEY_CURRENT_USER, key, path, REG_SZ, L"registered", sizeof L"registered");
    return n && r == ERROR_SUCCESS ? S_OK : E_FAIL;
}

__declspec(dllexport) HRESULT __stdcall DllUnregisterServer(void) {
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(self, path, MAX_PATH);
    RegDeleteKeyValueW(HKEY_CURRENT_USER, key, path);
    RegDeleteKeyW(HKEY_CURRENT_USER, key);
    return S_OK;
}
