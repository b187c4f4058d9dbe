// Registration beyond copying: App Paths entries of installed programs and
// the COM self-registration of installed components.
#pragma once

// The scope's (HKLM or HKCU) "App Paths\NAME" for a path ending in ".exe"
// (any letter case).
void RegisterAppPath(const wchar_t* path);
// Removes the scope's "App Paths\NAME" of a path ending in ".exe".
void UnregisterAppPath(const wchar_t* path);
// Calls the component's "DllRegisterServer" (or "DllUnregisterServer"), or
// starts regsvr32 /s (/u /s) and waits when it cannot be loaded here.
void SelfRegister(const wchar_t* path, bool unregister);
// Calls "DllRegisterServer" of every queued component, or regsvr32 /s when
// the component cannot be loaded here; empties the queue.
void RegisterQueuedComponents();
