// The images of an icon group among the dialogs' pictures. Windows XP reads
// no PNG image in an icon: LoadImage fails there for a size the group holds
// only as PNG, and the group's largest bitmap, stretched, stands in: a
// run-length bitmap kept beside the group (id + IDB_STAND_IN) where there
// is one, else the group's largest bitmap image.
#pragma once

#include <windows.h>

// The RT_ICON id of the group's largest image stored as a bitmap rather
// than PNG, with its side in *side; 0 when the group has none.
int LargestBitmapImage(int groupId, int* side);
// The stand-in as an icon of width x height, stretched (0, 0: its own
// size): the bitmap beside the group, else that image; null when there is
// neither.
HICON LoadLargestBitmapImage(int groupId, int width, int height);
