#include "engine/registration.h"

#include <windows.h>

#include "app/installer_state.h"
#include "app/processes.h"
#include "base/registry.h"
#include "base/run_log.h"
#include "engine/install_journal.h"
#include "engine/install_scope.h"
#include "engine/path_macros.h"
#include "engine/registration_queue.h"

namespace {

const wchar_t kAppPaths[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\App Paths";

bool IsProgram(const WString& path) { return Compare(path.Extension(), L".EXE", true) == 0; }

}  // namespace

void RegisterAppPath(const wchar_t* pathText) {
    WString path(pathText);
    ExpandPathMacros(path);
    if (!IsProgram(path)) return;
    WString key = WString::Formatted(L"%s\\%s", kAppPaths, (const wchar_t*)path.FileName());
    Journal().Value(ScopeRoot(), 0, key, L"");
    Journal().Value(ScopeRoot(), 0, key, L"Path");
    WriteString(path, L"", ScopeRoot(), key);
    WriteString(path.FolderPart(), L"Path", ScopeRoot(), key);
}

void UnregisterAppPath(const wchar_t* path) {
    WString program(path);
    if (!IsProgram(program)) return;
    // The key is named by the file name alone: another product's program of
    // the same name may own it now, and its entry must stay.
    WString key = WString::Formatted(L"%s\\%s", kAppPaths, (const wchar_t*)program.FileName());
    WString registered = ReadStringValue(L"", ScopeRoot(), key);
    if (registered.CharAt(1) == L'"') registered.RemoveAt(1);
    if (!registered.IsEmpty() && registered.CharAt(WString::kLast) == L'"') registered.DropRight(1);
    if (Compare(registered, program, true) == 0) DeleteKeyTree(ScopeRoot(), kAppPaths, program.FileName());
}

void SelfRegister(const wchar_t* path, bool unregister) {
    typedef HRESULT(STDAPICALLTYPE * RegisterServer)();
    HMODULE library = LoadLibraryW(path);
    if (library) {
        const char* name = unregister ? "DllUnregisterServer" : "DllRegisterServer";
        RegisterServer entry = (RegisterServer)(void*)GetProcAddress(library, name);
        if (entry) entry();
        FreeLibrary(library);
        return;
    }
    // A component this process cannot load (built for the other processor
    // type) goes through the system's own tool.
    WString command = WString::Formatted(L"\"<Windows>\\system32\\regsvr32.exe\" %s/s \"%s\"",
                                         unregister ? L"/u " : L"", path);
    ExpandPathMacros(command);
    StartProcess(command, true);
}

void RegisterQueuedComponents() {
    StringList& queue = RegistrationQueue();
    // Registration writes the machine's classes: a user's own install
    // keeps its libraries as plain files.
    if (state.userScope) {
        for (int32_t i = 0; i < queue.Count(); i++) RunLog("'%s' not registered: installed for this user only", queue[i]);
        queue.DeleteAll();
        return;
    }
    for (int32_t i = 0; i < queue.Count(); i++) {
        Journal().Registered(queue[i]);
        SelfRegister(queue[i], false);
    }
    queue.DeleteAll();
}
