// The settings the install wizard reads from the script's header sections
// before it shows its first page, into the installer state and the wizard's
// own fields, and where an earlier install of the product went.
#pragma once

#include <windows.h>
#include <stdint.h>

#include "base/lists.h"
#include "wizard/destination.h"

// Reads setup.dat once, top to bottom, then finds an earlier install, makes
// the 64-bit decision and refreshes the destination in dialog. False when
// this Windows does not meet "[Windows Version]" (after its message): the
// wizard then ends with 0 without showing a page.
bool LoadWizardSettings(HWND dialog, WizardFields& fields);

// Only 4 is a requirement: 64-bit Windows. It also selects the 64-bit
// folders; on 32-bit Windows it shows its message and returns false.
bool CheckWindowsVersion(int64_t required);

// True when every ".exe" and ".dll" destination has its "__BKI_WIN64" twin
// among destinations (or there is none at all).
bool AllProgramsHave64BitTwins(const StringList& destinations);
