// Whether a file is a program this machine starts, checked without running
// any of its code: the uninstaller is checked so before it is registered.
#pragma once

// True when the system's loader maps path as an image, as it would to start
// it but resolving nothing and running nothing, of this program's machine
// type and subsystem, not a DLL and with an entry point.
bool IsStartableImage(const wchar_t* path);
