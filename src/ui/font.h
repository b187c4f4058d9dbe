// Font: a font made from a LOGFONTW together with the text colour and
// background mode it draws with; selected in at most one context at a time.
// Multi-line text breaks at CR only (an LF after a CR is skipped); tab
// stops are the system's defaults unless a tab origin asks for explicit ones.
#pragma once

#include <windows.h>
#include <stdint.h>

class Font {
public:
    Font();
    Font(HDC dc, const char* faceName, int height, COLORREF colour, bool bold, bool italic, bool underline);
    ~Font() { Free(); }
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;

    // faceName: ANSI code page; null, empty or 32 characters and longer give
    // "Tahoma". height: the cell height in pixels, already scaled.
    bool Create(HDC dc, const char* faceName, int height, COLORREF colour, bool bold, bool italic, bool underline);
    // Makes the font again with another weight (100 to 900); unselected.
    bool SetWeight(int weight);
    void Select(HDC dc);
    void Deselect();
    void Free();

    void DrawText(HDC dc, int x, int y, const wchar_t* text, bool multiLine);
    void DrawText(HDC dc, int x, int y, const char* text);
    int TextWidth(HDC dc, const wchar_t* text, bool tabbed, int tabOrigin);
    int TextWidth(const wchar_t* text, bool tabbed, int tabOrigin);
    int TextHeight(HDC dc, const wchar_t* text, bool multiLine);
    int TextHeight(const wchar_t* text, bool multiLine);

    HFONT Handle() const { return font; }
    bool IsSelected() const { return selected != 0; }

    uint8_t selected;
    HDC dc;
    HGDIOBJ previousFont;
    COLORREF savedTextColour;
    int savedBackgroundMode;
    uint8_t transparent;
    HFONT font;
    LOGFONTW logFont;
    COLORREF colour;
    int lineSpacing;

private:
    int LineHeight(HDC target);
};
