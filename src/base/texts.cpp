#include "base/texts.h"

#include <windows.h>
#include <string.h>

#include "base/language_file.h"
#include "base/wstring.h"

namespace {

// Filled before the first lookup; changed only while the process starts,
// before any other thread runs.
WString g_texts[kTextCount];
bool g_ready = false;

void SetText(int index, const char* utf8, size_t length) {
    int units = MultiByteToWideChar(CP_UTF8, 0, utf8, (int)length, nullptr, 0);
    g_texts[index] = L"";
    if (units <= 0) return;
    wchar_t* wide = new wchar_t[units + 1];
    MultiByteToWideChar(CP_UTF8, 0, utf8, (int)length, wide, units);
    wide[units] = 0;
    g_texts[index].Assign(wide, units + 1);
    delete[] wide;
}

}  // namespace

void ResetTexts() {
    for (int i = 0; i < kTextCount; i++) SetText(i, kEnglishTexts[i], strlen(kEnglishTexts[i]));
    g_ready = true;
}

const wchar_t* Text(TextId id) {
    if (!g_ready) ResetTexts();
    return g_texts[id];
}

int ApplyLanguageLines(char* data, size_t size, const char* section) {
    if (!g_ready) ResetTexts();
    LanguageLines lines(data, size);
    LanguageLine line;
    bool inside = section == nullptr;
    int taken = 0;
    while (lines.Next(line)) {
        if (line.kind == kLanguageSection) {
            if (!section) continue;
            inside = strlen(section) == line.nameLength && !_strnicmp(section, line.name, line.nameLength);
            continue;
        }
        if (!inside || line.kind != kLanguageText) continue;
        int index = TextIndex(line.name, line.nameLength);
        if (index < 0 || !SamePlaceholders(index, line.text, line.textLength)) continue;
        char* text = const_cast<char*>(line.text);
        SetText(index, text, UnescapeText(text, line.textLength));
        ++taken;
    }
    return taken;
}
