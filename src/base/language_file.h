// Language files: the texts of text_table.h in another language.
//
//   # a comment                 (blank lines too)
//   [de]                        a section: the built-in table keeps one per
//                               language; a publisher's file needs none
//   InstallButton=Installieren  identifier=text, UTF-8
//
// In a text, \n is a line break (CR LF) and \\ a backslash; everything after
// the "=" is the text, spaces included. A UTF-8 byte-order mark is skipped.
// Plain C++ over bytes: the installer and the package builder read the
// same files the same way.
#pragma once

#include <stddef.h>

enum LanguageLineKind { kLanguageText, kLanguageSection, kLanguageMalformed };

struct LanguageLine {
    LanguageLineKind kind;
    size_t number;  // 1-based
    const char* name;  // identifier, or the section's tag
    size_t nameLength;
    const char* text;  // escapes not yet resolved
    size_t textLength;
};

class LanguageLines {
public:
    LanguageLines(const char* data, size_t size);
    // Skips blank and comment lines; false at the end.
    bool Next(LanguageLine& line);

private:
    const char* at_;
    const char* end_;
    size_t number_;
};

extern const char* const kTextIds[];
extern const char* const kEnglishTexts[];
extern const int kTextTotal;

// The index of an identifier in the text table, or -1.
int TextIndex(const char* name, size_t length);

// Resolves the escapes in place (the result is never longer); returns the
// new length.
size_t UnescapeText(char* text, size_t length);

// The printf conversions of a text in order ("%s%d"), "%%" left out; cut
// to fit size. Two texts that can take the same arguments have equal ones.
void PlaceholderSignature(const char* text, size_t length, char* out, size_t size);
bool SamePlaceholders(int index, const char* text, size_t length);
