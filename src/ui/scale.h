// Pixel constants of the look are 96-DPI values; Scale maps them to the
// screen. Images made in several resolutions pick theirs by display scale.
#pragma once

#include <stdint.h>

// n * LOGPIXELSX / 96, truncated; the DPI is read once per process.
int Scale(int n);
// Of five ids for 100, 125, 150, 200 and 300 %, the one for the display:
// Scale(100) below 125, 150, 200, 300, or the last.
int ScaledVariant(const int (&ids)[5]);
int VariantIndex(int percent);
