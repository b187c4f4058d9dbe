// Before an install: find an earlier install of the same product through
// its uninstall entry and offer to remove it first.
#pragma once

#include <windows.h>

#include "base/wstring.h"

// False when the install is to stop (Cancel, or the old uninstaller needs a
// restart to finish).
bool CheckExistingVersion(HWND owner);
// The UninstallLog path inside an uninstall command ("--uninstall=" or the
// older "<uninstall>" form), without its surrounding quotes.
WString UninstallLogPathFromCommand(const WString& command);
// The line after "[ProgramVersion]" in a log, or "[Unkonwn]".
WString ReadLogVersion(const wchar_t* path);
