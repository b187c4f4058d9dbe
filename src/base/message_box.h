// Every message box of the program goes through ShowMessage, so that tests
// can record what would have been shown and answer it from a script instead
// of leaving a modal box waiting for a user.
#pragma once

#include <windows.h>

typedef int (*MessageBoxHook)(HWND owner, const wchar_t* text, const wchar_t* caption, UINT style);

int ShowMessage(HWND owner, const wchar_t* text, const wchar_t* caption, UINT style);

// In-process redirection for tests; null restores the real box.
void SetMessageBoxHook(MessageBoxHook hook);

// The answer a test gives when it scripted none: the choice that backs out.
int DefaultAnswer(UINT style);
