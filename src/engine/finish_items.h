// The optional script actions the worker collects for the wizard's finish
// page ("Optional - " in their option line); the wizard sets checked.
#pragma once

#include "base/wstring.h"

struct FinishShortcut {
    bool checked = false;
    WString linkPath;
    WString target;
    WString arguments;
    WString displayName;
};

struct FinishProgram {
    bool checked = false;
    WString program;
    WString parameters;
    bool wait = false;
    WString displayName;
};

// Frees the items of both lists of the installer state.
void ClearFinishItems();
