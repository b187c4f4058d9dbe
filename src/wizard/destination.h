// The wizard's destination folder: the text the script or the user gave,
// the command line's override, and the folder shown with its free space.
#pragma once

#include <windows.h>
#include <stdint.h>

#include "base/wstring.h"

// The wizard's own fields that its settings fill.
struct WizardFields {
    // The destination before placeholder expansion.
    WString installToText;
    // Free space of the destination drive in MiB; 0 until measured.
    int64_t freeMB = 0;
};

// Applies "<installto>" or "--installto" of the process's command line to
// installToText, then copies installToText to state.installPath.
void ApplyInstallToOption(WizardFields& fields);
// The same on the given command line.
void ApplyInstallToOption(const wchar_t* commandLine, WizardFields& fields);

// Expands state.installPath in place, shows it in the destination edit of
// dialog, measures freeMB and invalidates dialog. The wizard paints its page
// picture (which shows freeMB) after this returns.
void RefreshDestination(HWND dialog, WizardFields& fields);
