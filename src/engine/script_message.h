// The script's "[Message]" boxes, shown alike by the install worker and the
// container.
#pragma once

#include <windows.h>

#include "base/wstring.h"

// Shows text (each backslash + "n" becomes a line break) with the icon and
// buttons its kind line names, captioned with the installer's caption.
// False when the user answered No to a "QuestionYesNo".
bool ShowScriptMessage(HWND owner, const WString& text, const WString& kind);
