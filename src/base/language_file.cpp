#include "base/language_file.h"

#include <string.h>

#include "base/text_table.h"

#define BRASK_TEXT_ID(id, english) #id,
#define BRASK_TEXT_ENGLISH(id, english) english,
const char* const kTextIds[] = {BRASK_TEXTS(BRASK_TEXT_ID)};
const char* const kEnglishTexts[] = {BRASK_TEXTS(BRASK_TEXT_ENGLISH)};
const int kTextTotal = (int)(sizeof kTextIds / sizeof kTextIds[0]);

namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t'; }

void Trim(const char*& begin, const char*& end) {
    while (begin < end && IsSpace(*begin)) ++begin;
    while (end > begin && IsSpace(end[-1])) --end;
}

}  // namespace

LanguageLines::LanguageLines(const char* data, size_t size) : at_(data), end_(data + size), number_(0) {
    if (size >= 3 && !memcmp(data, "\xEF\xBB\xBF", 3)) at_ += 3;
}

bool LanguageLines::Next(LanguageLine& line) {
    while (at_ < end_) {
        const char* begin = at_;
        const char* stop = (const char*)memchr(begin, '\n', (size_t)(end_ - begin));
        if (!stop) stop = end_;
        at_ = stop < end_ ? stop + 1 : end_;
        ++number_;
        const char* last = stop;
        if (last > begin && last[-1] == '\r') --last;
        const char* first = begin;
        while (first < last && IsSpace(*first)) ++first;
        if (first == last || *first == '#') continue;
        line.number = number_;
        line.text = nullptr;
        line.textLength = 0;
        if (*first == '[' && last[-1] == ']') {
            line.kind = kLanguageSection;
            const char* tag = first + 1;
            const char* tagEnd = last - 1;
            Trim(tag, tagEnd);
            line.name = tag;
            line.nameLength = (size_t)(tagEnd - tag);
            return true;
        }
        const char* equals = (const char*)memchr(first, '=', (size_t)(last - first));
        line.kind = equals ? kLanguageText : kLanguageMalformed;
        const char* nameEnd = equals ? equals : last;
        Trim(first, nameEnd);
        line.name = first;
        line.nameLength = (size_t)(nameEnd - first);
        if (equals) {
            line.text = equals + 1;
            line.textLength = (size_t)(last - equals - 1);
        }
        return true;
    }
    return false;
}

int TextIndex(const char* name, size_t length) {
    for (int i = 0; i < kTextTotal; i++)
        if (strlen(kTextIds[i]) == length && !memcmp(kTextIds[i], name, length)) return i;
    return -1;
}

size_t UnescapeText(char* text, size_t length) {
    size_t out = 0;
    for (size_t i = 0; i < length; i++) {
        if (text[i] == '\\' && i + 1 < length && (text[i + 1] == 'n' || text[i + 1] == '\\')) {
            // "\n" and CR LF are both two bytes: the text never grows.
            if (text[i + 1] == 'n') {
                text[out++] = '\r';
                text[out++] = '\n';
            } else {
                text[out++] = '\\';
            }
            ++i;
        } else {
            text[out++] = text[i];
        }
    }
    return out;
}

void PlaceholderSignature(const char* text, size_t length, char* out, size_t size) {
    size_t n = 0;
    for (size_t i = 0; i < length; i++) {
        if (text[i] != '%') continue;
        size_t start = i++;
        // Flags, width, precision and size letters up to the conversion.
        while (i < length && strchr("-+ #0123456789.lhI", text[i])) ++i;
        if (i < length && text[i] == '%' && i == start + 1) continue;
        size_t end = i < length ? i + 1 : length;
        for (size_t k = start; k < end && n + 1 < size; k++) out[n++] = text[k];
        i = end - 1;
    }
    if (size) out[n] = 0;
}

bool SamePlaceholders(int index, const char* text, size_t length) {
    char english[64], other[64];
    PlaceholderSignature(kEnglishTexts[index], strlen(kEnglishTexts[index]), english, sizeof english);
    PlaceholderSignature(text, length, other, sizeof other);
    return !strcmp(english, other);
}
