// The run log that "--log=" asks for: UTF-8 lines appended to one file by
// every process of a run (parent, elevated child, uninstaller, the
// installers a container starts), each line marked with its process. Off
// until opened: without the switch nothing is written.
#pragma once

#include <windows.h>

// path: the switch's value (made absolute here); empty leaves the log off.
// tag: the process's role, written on every line after its id.
void OpenRunLog(const wchar_t* path, const wchar_t* tag);
void SetRunLogTag(const wchar_t* tag);
bool RunLogActive();
// The log's file, for passing the switch on to the programs a run starts.
const wchar_t* RunLogPath();
// One line; printf-style as WString::Format, the format in ASCII (half the
// room of a wide one in every installer). Nothing when the log is off.
void RunLog(const char* fmt, ...);
// The line of a message box: its caption, text and the answer it got, or,
// when nobody was asked, the answer it was given in that person's place.
void RunLogMessageBox(const wchar_t* text, const wchar_t* caption, UINT style, int answer, bool shown);
