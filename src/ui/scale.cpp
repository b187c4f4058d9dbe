#include "ui/scale.h"

#include <windows.h>

namespace {
int g_logPixelsX = -1;
}

int Scale(int n) {
    if (g_logPixelsX == -1) {
        HDC screen = GetDC(nullptr);
        g_logPixelsX = GetDeviceCaps(screen, LOGPIXELSX);
        ReleaseDC(nullptr, screen);
    }
    return n * g_logPixelsX / 96;
}

int VariantIndex(int percent) {
    if (percent < 125) return 0;
    if (percent < 150) return 1;
    if (percent < 200) return 2;
    if (percent < 300) return 3;
    return 4;
}

int ScaledVariant(const int (&ids)[5]) { return ids[VariantIndex(Scale(100))]; }
