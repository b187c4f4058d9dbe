// The publisher's banner (the package's setup.bmp): drawn into the wizard's
// header band, left of the emblem, on every page.
#pragma once

#include <windows.h>

// Draws the banner into room of dc: its pixels taken as 96-DPI pixels and
// scaled to the display, made smaller where room needs it, its
// aspect kept, at room's top left. False when the package has none or it
// cannot be read.
bool DrawBanner(HDC dc, const RECT& room);
