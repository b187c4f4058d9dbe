// The uninstall worker: replays an UninstallLog. It runs the script
// author's "[UninstallAction]" programs first, then deletes the "[Registry]"
// values, unregisters and deletes the installed files and shortcuts (keeping
// files another product's record still lists at the same place), removes
// App Paths entries and the folders that became empty, and last removes the
// log, the product's Uninstall key and, at the next restart, itself.
#pragma once

#include <windows.h>

#include "base/sync.h"
#include "base/wstring.h"

// The thread entry for StoppableThread (60000 ms stop timeout); ownerWindow
// owns every box it shows. It never tests stop: once started it runs to the
// end. Reads uninstallLogPath, projectName, installPath and caption; sets
// uninstallRebootRequired and the progress fields under progressLock. A log
// that cannot be opened sets uninstallFailed and removes nothing at all:
// the Uninstall entry and the uninstaller stay (a box says so unless silent).
void UninstallWorker(EventHandle* stop, void* ownerWindow);

// "Unable to open the uninstall log ..." unless silent.
void ReportMissingRecord(HWND owner, const wchar_t* path);
// Only a record is replayed: a file named "BraskUninstall-*.dat" in an
// uninstall folder (compared as the same folder, however spelt) that holds
// a script, at least its "[Project Name]".
bool IsUninstallRecord(const WString& path);

// The product a log belongs to: its file name without extension, from the
// first "-" on when it has one ("BraskUninstall-Tool.dat" gives "Tool").
WString ProjectNameFromLogPath(const wchar_t* path);
// The product's "InstallTo" folder from its Uninstall key, ending in a
// backslash; empty when the product has no such value.
WString InstallPathOfProduct(const wchar_t* project);
