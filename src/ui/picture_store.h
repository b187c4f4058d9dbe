// The pictures the dialogs draw: bitmaps and drawings, kept
// in one packed resource (res/pictures/pack_pictures.py writes it and maps
// its records) and decoded on first use, on the thread that draws. Only the
// program's own icon, which the shell shows, stays an ordinary resource.
#pragma once

#include <windows.h>

// The bytes of the record of that type (RT_BITMAP, DRAWING_RECORD,
// STRIP_RECORD) and id, with their count in *size; null when there is none.
const BYTE* PictureData(LPCWSTR type, int id, DWORD* size);
