// PathMacro placeholders: angle-bracket words in script lines, record lines
// and fixed path strings ("<Program Files>", "<Destination>", ...) that stand
// for folders of this machine. Matched ignoring ASCII case; each value gets
// a trailing backslash; re-evaluated on every call.
#pragma once

#include "base/wstring.h"

// Replaces every known placeholder in text, then folds doubled backslashes
// (keeping a leading UNC pair). A folder that cannot be determined, or whose
// value is empty, leaves its placeholder in the text. Never fails.
void ExpandPathMacros(WString& text);
