// Registration beyond copying: App Paths entries of installed programs and
// the COM self-registration of installed components.
#pragma once

// HKLM "App Paths\NAME" for a path ending in ".exe" (any letter case).
void RegisterAppPath(const wchar_t* path);
// Calls "DllRegisterServer" of every queued component, or regsvr32 /s when
// the component cannot be loaded here; empties the queue.
void RegisterQueuedComponents();
