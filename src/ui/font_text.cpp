// Drawing and measuring text with a Font.
#include <stdlib.h>
#include <wchar.h>

#include "base/wstring.h"
#include "ui/font.h"

namespace {

// Lines break at CR; the LFs right after a CR belong to the break, an LF
// elsewhere stays in the text. An empty text has no lines.
class LineCursor {
public:
    explicit LineCursor(const wchar_t* text) : next_(text), done_(!text || !text[0]) {}
    bool Next(const wchar_t** start, int* length) {
        if (done_) return false;
        const wchar_t* end = next_;
        while (*end && *end != L'\r') ++end;
        *start = next_;
        *length = (int)(end - next_);
        if (!*end) {
            done_ = true;
        } else {
            ++end;
            while (*end == L'\n') ++end;
            next_ = end;
        }
        return true;
    }

private:
    const wchar_t* next_;
    bool done_;
};

int CountLines(const wchar_t* text) {
    LineCursor lines(text);
    const wchar_t* start;
    int length;
    int n = 0;
    while (lines.Next(&start, &length)) ++n;
    return n;
}

// Puts the font into the context it is asked to work on for one call and
// back where it was afterwards. Null target: the context it is selected in.
class FontInContext {
public:
    FontInContext(Font& font, HDC target) : font_(font), restore_(nullptr), changed_(false) {
        if (!font.Handle()) return;
        if (font.IsSelected() && (!target || target == font.dc)) return;
        if (!target) return;
        if (font.IsSelected()) restore_ = font.dc;
        font.Select(target);
        changed_ = true;
    }
    ~FontInContext() {
        if (!changed_) return;
        font_.Deselect();
        if (restore_) font_.Select(restore_);
    }
    HDC Context() const { return font_.IsSelected() ? font_.dc : nullptr; }

private:
    Font& font_;
    HDC restore_;
    bool changed_;
};

// Explicit stops every eight average character widths, offset so that the
// first stop falls where it would had the text started at tabOrigin.
int* BuildTabStops(HDC dc, int tabOrigin, int* count) {
    SIZE sample = {0, 0};
    GetTextExtentPoint32W(dc, L"abcdefABCDEF", 12, &sample);
    int average = sample.cx / 12;
    if (average < 1) average = 1;
    int distance = average * 8;
    RECT desktop = {0, 0, 0, 0};
    GetClientRect(GetDesktopWindow(), &desktop);
    *count = desktop.right / average + 10;
    while (tabOrigin > distance) tabOrigin -= distance;
    int* stops = (int*)malloc(sizeof(int) * *count);
    if (!stops) {
        *count = 0;
        return nullptr;
    }
    for (int i = 0; i < *count; ++i) stops[i] = distance - tabOrigin + i * distance;
    return stops;
}

}  // namespace

int Font::LineHeight(HDC target) {
    SIZE size = {0, 0};
    GetTextExtentPoint32W(target, L"Ay", 2, &size);
    return size.cy;
}

void Font::DrawText(HDC target, int x, int y, const wchar_t* text, bool multiLine) {
    if (!text) return;
    FontInContext use(*this, target);
    HDC out = use.Context();
    if (!out) return;
    if (!multiLine) {
        ExtTextOutW(out, x, y, transparent ? 0 : ETO_OPAQUE, nullptr, text, (UINT)wcslen(text), nullptr);
        return;
    }
    int step = LineHeight(out) + lineSpacing;
    LineCursor lines(text);
    const wchar_t* start;
    int length;
    while (lines.Next(&start, &length)) {
        TabbedTextOutW(out, x, y, start, length, 0, nullptr, 0);
        y += step;
    }
}

void Font::DrawText(HDC target, int x, int y, const char* text) {
    if (!text) return;
    WString wide = WString::FromAnsi(text, false);
    DrawText(target, x, y, wide.Text(), false);
}

int Font::TextWidth(HDC target, const wchar_t* text, bool tabbed, int tabOrigin) {
    if (!text) return 0;
    FontInContext use(*this, target);
    HDC out = use.Context();
    if (!out) return 0;
    if (!tabbed) {
        SIZE size = {0, 0};
        GetTextExtentPoint32W(out, text, (int)wcslen(text), &size);
        return size.cx;
    }
    int count = 0;
    int* stops = tabOrigin ? BuildTabStops(out, tabOrigin, &count) : nullptr;
    int widest = 0;
    LineCursor lines(text);
    const wchar_t* start;
    int length;
    while (lines.Next(&start, &length)) {
        int width = LOWORD(GetTabbedTextExtentW(out, start, length, count, stops));
        if (width > widest) widest = width;
    }
    free(stops);
    return widest;
}

int Font::TextWidth(const wchar_t* text, bool tabbed, int tabOrigin) {
    return selected ? TextWidth(dc, text, tabbed, tabOrigin) : 0;
}

int Font::TextHeight(HDC target, const wchar_t* text, bool multiLine) {
    if (!text) return 0;
    FontInContext use(*this, target);
    HDC out = use.Context();
    if (!out) return 0;
    int lines = multiLine ? CountLines(text) : 1;
    if (lines == 0) return 0;
    return lines * LineHeight(out) + (lines - 1) * lineSpacing;
}

int Font::TextHeight(const wchar_t* text, bool multiLine) { return selected ? TextHeight(dc, text, multiLine) : 0; }
