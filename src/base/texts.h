// The texts a person reads, looked up by identifier in the language chosen
// for this process (English until another is applied). Every dialog line,
// button and message box takes its words from here.
#pragma once

#include <stddef.h>

#include "base/text_table.h"

#define BRASK_TEXT_ENUM(id, english) k##id,
enum TextId { BRASK_TEXTS(BRASK_TEXT_ENUM) kTextCount };
#undef BRASK_TEXT_ENUM

// The text in the current language; never null.
const wchar_t* Text(TextId id);

// Back to English.
void ResetTexts();

// Applies the text lines of a language file over the current texts: all of
// them when section is null, else only those in the section "[section]".
// Lines with an unknown identifier or other placeholders than the English
// text's are passed over: a mistaken file cannot make a message read
// arguments it is not given. The bytes are changed (escapes resolved in
// place). Returns how many texts were taken.
int ApplyLanguageLines(char* data, size_t size, const char* section);
