// The face the program's own texts are drawn in. Tahoma covers Latin,
// Greek and Cyrillic; Japanese, Chinese and Korean need a face with their
// characters: the first of the script's usual faces that this system has,
// else any face it has for the script's character set.
#pragma once

#include <windows.h>

// For the language of the run, by its primary language ("ja", "zh", "ko");
// any other keeps Tahoma.
void UseScriptOf(const wchar_t* languageTag);
// A font being made for Tahoma takes the script's face and character set.
void ApplyScriptFace(LOGFONTW& font);
// The controls of a dialog template (drawn by the system in the template's
// font) take the script's face at the same size; nothing for Tahoma's scripts.
void ApplyScriptFontToControls(HWND dialog);
