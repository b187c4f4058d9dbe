// InstallFile: puts one package entry at its destination, never over a file
// of a higher version; a destination in use is replaced at the next restart.
#pragma once

#include <windows.h>

// failed is set when the entry could not be extracted or the user cancelled
// a failed copy; the caller then stops the install. A file left alone as
// newer, or deferred to the restart, counts as success. Boxes are owned by
// owner and captioned with the installer's caption.
void InstallFile(const wchar_t* entryName, const wchar_t* destination, bool& failed, HWND owner);
// The same with the entry already decoded into the file decoded (null when
// it could not be): the caller deletes that file.
void InstallDecodedFile(const wchar_t* entryName, const wchar_t* decoded, const wchar_t* destination, bool& failed,
                        HWND owner);
