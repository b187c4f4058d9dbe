#include "ui/font.h"

#include <string.h>

#include "ui/script_font.h"

Font::Font()
    : selected(0), dc(nullptr), previousFont(nullptr), savedTextColour(0), savedBackgroundMode(0), transparent(1),
      font(nullptr), colour(0), lineSpacing(0) {
    memset(&logFont, 0, sizeof logFont);
}

// Italics are left off here as everywhere the program constructs its fonts;
// Create honours the argument.
Font::Font(HDC target, const char* faceName, int height, COLORREF textColour, bool bold, bool, bool underline)
    : Font() {
    Create(target, faceName, height, textColour, bold, false, underline);
}

bool Font::Create(HDC target, const char* faceName, int height, COLORREF textColour, bool bold, bool italic,
                  bool underline) {
    Free();
    lineSpacing = 0;
    selected = 0;
    transparent = 1;
    colour = textColour;
    memset(&logFont, 0, sizeof logFont);
    if (!faceName || !faceName[0] || strlen(faceName) >= LF_FACESIZE ||
        !MultiByteToWideChar(CP_ACP, 0, faceName, -1, logFont.lfFaceName, LF_FACESIZE))
        wcscpy(logFont.lfFaceName, L"Tahoma");
    logFont.lfHeight = height;
    logFont.lfWeight = bold ? FW_BOLD : FW_NORMAL;
    logFont.lfItalic = italic ? 1 : 0;
    logFont.lfUnderline = underline ? 1 : 0;
    logFont.lfCharSet = ANSI_CHARSET;
    ApplyScriptFace(logFont);
    font = CreateFontIndirectW(&logFont);
    if (font && target) Select(target);
    return font != nullptr;
}

void Font::Select(HDC target) {
    Deselect();
    if (!font) return;
    dc = target;
    previousFont = SelectObject(dc, font);
    savedTextColour = SetTextColor(dc, colour);
    savedBackgroundMode = SetBkMode(dc, transparent ? TRANSPARENT : OPAQUE);
    selected = 1;
}

void Font::Deselect() {
    if (!selected) return;
    SelectObject(dc, previousFont);
    SetTextColor(dc, savedTextColour);
    SetBkMode(dc, savedBackgroundMode);
    selected = 0;
}

bool Font::SetWeight(int weight) {
    Free();
    logFont.lfWeight = weight;
    font = CreateFontIndirectW(&logFont);
    return font != nullptr;
}

void Font::Free() {
    Deselect();
    if (font) DeleteObject(font);
    font = nullptr;
}
