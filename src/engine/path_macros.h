// PathMacro placeholders: angle-bracket words in script lines, record lines
// and fixed path strings ("<Program Files>", "<Destination>", ...) that stand
// for folders of this machine. Matched ignoring ASCII case; each value gets
// a trailing backslash; re-evaluated on every call. An install for this
// user only (state.userScope) reads "<Program Files>" as the user's own
// program folder and "<Start Programs>" as the user's Start menu;
// "<User Programs>" is the user's program folder in either scope.
#pragma once

#include "base/wstring.h"

// Replaces every known placeholder in text, then folds doubled backslashes
// (keeping a leading UNC pair). A folder that cannot be determined, or whose
// value is empty, leaves its placeholder in the text. Never fails.
void ExpandPathMacros(WString& text);
