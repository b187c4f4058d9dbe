// The install worker: executes setup.dat's action sections in file order on
// a thread of its own, reports progress through the installer state under
// progressLock, and registers the installed components at the end.
#pragma once

#include <windows.h>

#include "base/lists.h"
#include "base/string_index.h"
#include "base/sync.h"
#include "base/wstring.h"

// The thread entry for StoppableThread; context is the wizard window, the
// owner of every box the worker shows.
void InstallWorker(EventHandle* stop, void* context);
// Called by the worker once it has claimed the end, before it records and
// commits, so that tests can answer a cancel at that moment; null: none.
typedef void (*CommitHook)();
void SetCommitHook(CommitHook hook);

// Which variant of a "[CopyFile]" destination this machine takes: false when
// a more specific variant in destinations replaces it. target receives the
// destination with its marker removed.
bool SelectVariant(const WString& destination, const StringIndex& destinations, bool isWow64, WString& target);

// The marker of a file's 64-bit variant in its name, "__BKI_WIN64".
extern const wchar_t kWin64Marker[];

// Removes every "__BKI_WIN64" and "__BKI_UNICODE" marker: the place where
// any variant of the file was installed.
void RemoveVariantMarkers(WString& destination);

// The key root a "[Registry]" section names ("HKCR", "HKCU", "HKLM", "HKCC",
// "HKU", and "HKSCOPE": HKLM for everyone, HKCU for this user only; whole
// line, case-sensitive); null for anything else.
HKEY ScriptRegistryRoot(const wchar_t* line);
