// The dialogs' icons, drawn at run time from the small drawings that
// res/pictures/vectors.py makes of their descriptions: one drawing serves
// every size a dialog asks for, where images would be needed at each.
#pragma once

#include <windows.h>
#include <stdint.h>

// Fills bgra (width x height pixels, top row first, 4 bytes each: blue,
// green, red, opacity, not premultiplied; cleared by the caller) with the
// drawing, scaled alike both ways and centred. False for a drawing that
// ends early or names an unknown operation.
bool DrawVectorPicture(const uint8_t* drawing, uint32_t size, int width, int height, uint8_t* bgra);

// The drawing of that id among the dialogs' pictures as an icon of
// side x side with its opacity; null when there is none.
HICON LoadVectorIcon(int id, int side);

// The strip of that id: its cells' pictures side by side, each over the
// dialogs' top colour where it is mostly ink and black elsewhere, and below
// them their masks (black where the picture is); null when there is none.
HBITMAP LoadVectorStrip(int id);
