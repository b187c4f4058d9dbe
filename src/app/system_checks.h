// Questions about the system the installer runs on.
#pragma once

#include <windows.h>

// The system version, fetched once for the process.
const OSVERSIONINFOW& GetOsVersion();
bool IsXpOrLater();
// The administrator test used throughout: can we create a file in the
// Program Files folder?
bool CanWriteProgramFiles();
