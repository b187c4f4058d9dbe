#include "language_check.h"

#include <string.h>

#include "base/language_file.h"

namespace {

const char kPrefix[] = "setup.lng.";

bool IsUtf8(const Bytes& b) {
    for (size_t i = 0; i < b.size();) {
        uint8_t c = b[i];
        size_t more = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : 4;
        if (more == 4 || b.size() - i <= more) return false;
        for (size_t k = 1; k <= more; k++)
            if ((b[i + k] & 0xC0) != 0x80) return false;
        i += more + 1;
    }
    return true;
}

std::string Signature(const char* text, size_t length) {
    char out[64];
    PlaceholderSignature(text, length, out, sizeof out);
    return *out ? out : "none";
}

}  // namespace

bool IsLanguageFileName(const std::string& name) {
    size_t n = sizeof kPrefix - 1;
    if (name.size() <= n) return false;
    for (size_t i = 0; i < n; i++)
        if ((name[i] | 0x20) != kPrefix[i]) return false;
    return true;
}

std::vector<ScriptFinding> CheckLanguageFile(const Bytes& file) {
    std::vector<ScriptFinding> out;
    if (!IsUtf8(file)) {
        out.push_back({1, "the file is not UTF-8 text: save it as UTF-8"});
        return out;
    }
    std::vector<size_t> seenAt(kTextTotal, 0);
    LanguageLines lines(reinterpret_cast<const char*>(file.data()), file.size());
    LanguageLine line;
    size_t last = 0;
    while (lines.Next(line)) {
        last = line.number;
        std::string name(line.name, line.nameLength);
        if (line.kind == kLanguageSection) {
            out.push_back({line.number, "'[" + name + "]' is no text; the file's name gives its language"});
            continue;
        }
        if (line.kind == kLanguageMalformed) {
            out.push_back({line.number, "the line has no '=': write identifier=text"});
            continue;
        }
        int index = TextIndex(line.name, line.nameLength);
        if (index < 0) {
            out.push_back({line.number, "unknown identifier '" + name + "': the installer has no such text"});
            continue;
        }
        if (seenAt[index]) {
            out.push_back({line.number, "'" + name + "' is given again (first on line " +
                                            std::to_string(seenAt[index]) + "); the later one is used"});
        }
        seenAt[index] = line.number;
        if (!SamePlaceholders(index, line.text, line.textLength)) {
            out.push_back({line.number, "'" + name + "' has the placeholders " + Signature(line.text, line.textLength) +
                                            " but the English text has " +
                                            Signature(kEnglishTexts[index], strlen(kEnglishTexts[index])) +
                                            ", in that order; the installer shows its own text instead"});
        }
    }
    for (int i = 0; i < kTextTotal; i++)
        if (!seenAt[i])
            out.push_back({last + 1, std::string("'") + kTextIds[i] +
                                         "' is missing: the built-in text of the language (or English) is shown"});
    return out;
}
