#include "engine/registration.h"

#include <windows.h>

#include "app/processes.h"
#include "base/registry.h"
#include "engine/path_macros.h"
#include "engine/registration_queue.h"

void RegisterAppPath(const wchar_t* pathText) {
    WString path(pathText);
    ExpandPathMacros(path);
    if (Compare(path.Extension(), L".EXE", true) != 0) return;
    WString key = WString::Formatted(L"Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\%s",
                                     (const wchar_t*)path.FileName());
    WriteString(path, L"", HKEY_LOCAL_MACHINE, key);
    WriteString(path.FolderPart(), L"Path", HKEY_LOCAL_MACHINE, key);
}

void RegisterQueuedComponents() {
    typedef HRESULT(STDAPICALLTYPE * RegisterServer)();
    StringList& queue = RegistrationQueue();
    for (int32_t i = 0; i < queue.Count(); i++) {
        HMODULE library = LoadLibraryW(queue[i]);
        if (library) {
            RegisterServer entry = (RegisterServer)(void*)GetProcAddress(library, "DllRegisterServer");
            if (entry) entry();
            FreeLibrary(library);
            continue;
        }
        // A component this process cannot load (built for the other
        // processor type) registers through the system's own tool.
        WString command = WString::Formatted(L"\"<Windows>\\system32\\regsvr32.exe\" /s \"%s\"", (const wchar_t*)queue[i]);
        ExpandPathMacros(command);
        StartProcess(command, true);
    }
    queue.DeleteAll();
}
