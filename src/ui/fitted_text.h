// One line of the program's own text in a given width: translations run
// longer than the English the pages were laid out for. The line keeps its
// size when it fits, else takes the largest smaller size (down to two
// thirds) at which it does; only a line too long even then is ellipsized,
// so no text is ever cut without the "..." showing it.
#pragma once

#include <windows.h>

#include "base/wstring.h"

struct FittedLine {
    int height;     // the font height used
    int width;      // of the text as drawn
    WString shown;  // the text, ellipsized where it had to be
};

FittedLine FitLine(HDC dc, int height, int weight, const wchar_t* text, int maxWidth);
// Draws the line fitted to maxWidth at x, y (its top); returns the fit.
FittedLine DrawFitted(HDC dc, int x, int y, int height, int weight, const wchar_t* text, int maxWidth);

// The width of a control's text in the control's font.
int ControlTextWidth(HWND control);

// Widens push buttons whose text does not fit. ids: a row of buttons from
// right to left; the first keeps its right edge, the others keep their gaps
// to the one before.
void FitButtonRow(HWND dialog, const int* ids, int count);
// Widens one button about its centre when its text does not fit.
void FitButtonCentred(HWND button);
