// Shell shortcut files (.lnk) through the shell's link object.
#pragma once

#include <windows.h>
#include <stdint.h>

#include "base/wstring.h"

struct ShortcutDefinition {
    enum Mask : uint32_t {
        kDescription = 0x01,
        kArguments = 0x02,
        kIcon = 0x04,
        kWorkingFolder = 0x08,
        kHotkey = 0x10,
        kShowCommand = 0x20,
    };
    WString target;
    uint32_t mask = 0;
    WString description;
    WString arguments;
    WString iconPath;
    int iconIndex = 0;
    WString workingFolder;
    WORD hotkey = 0;
    int showCommand = SW_SHOWNORMAL;
};

// Placeholders are expanded in every path; the link's folder is created.
// Returns the COM result of the last step. COM must be initialised.
HRESULT CreateShortcut(const wchar_t* linkPath, const ShortcutDefinition& shortcut);
// The target path stored in an existing link; false when there is none.
bool ShortcutTarget(const wchar_t* linkPath, WString& target);
