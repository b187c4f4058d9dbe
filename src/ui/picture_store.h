// The pictures the dialogs draw: bitmaps, icon groups and icon images, kept
// in one packed resource (res/pictures/pack_pictures.py writes it and maps
// its records) and decoded on first use, on the thread that draws. Only the
// program's own icon, which the shell shows, stays an ordinary resource.
#pragma once

#include <windows.h>

// The bytes a resource of that type (RT_BITMAP, RT_ICON, RT_GROUP_ICON) and
// id would hold, with their count in *size; null when there is none.
const BYTE* PictureData(LPCWSTR type, int id, DWORD* size);
