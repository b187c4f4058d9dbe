/* A DLL that is nothing but its version resource, built at several versions
   for the file-installation tests. */
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) { return TRUE; }
