// Silent runs: nobody may be at the screen (a deployment tool, often
// running as SYSTEM, where no box can even be seen), and a box that waits
// for an answer would hold the run for ever. Their boxes are answered in
// the user's place instead; interactive runs still ask.
#pragma once

#include <windows.h>

void SetUnattended(bool on);
bool IsUnattended();
// The answer that backs out (Cancel, No, OK). Where the box offers Retry,
// the same box is first retried a few times a short pause apart, for a
// file that is locked only for a moment.
int UnattendedAnswer(const wchar_t* text, UINT style);
// MessageBoxW when someone may answer, the unattended answer otherwise;
// either way the run log gets the box and its answer.
int AskOrAnswer(HWND owner, const wchar_t* text, const wchar_t* caption, UINT style);
