// The language of this run. "--language=TAG" (an IETF tag: "de", "pt-BR")
// chooses it; without the switch the user's UI language does, then its
// primary language, then English. The built-in translations come from the
// stub's resources; a publisher's "setup.lng.TAG" in the package is laid
// over them. The uninstaller takes the language the install recorded.
#pragma once

#include "app/command_line.h"
#include "base/lists.h"
#include "base/wstring.h"

// At start, before the first box: the switch, or the user's UI language,
// from the built-in translations.
void ChooseLanguage(const CommandLineOptions& options);
// An entry named "setup.lng.TAG" (any letter case, a tag after the dot).
bool IsLanguageEntry(const WString& name);
// Once the package is open: its "setup.lng.TAG" files join the choice, and
// the chosen one is laid over the built-in texts.
void ApplyPackageLanguage();
// The uninstaller, given its record: without the switch, the language the
// install recorded beside it, with the publisher's texts it recorded.
void ApplyRecordedLanguage(const WString& recordPath);
// Beside the uninstall record: the install's language and the publisher's
// texts for it, for the uninstaller.
void RecordLanguage(const WString& recordPath);
// The recorded file of a record (same name, ".lng").
WString RecordedLanguagePath(const WString& recordPath);

// The tag of the chosen language ("en" for English).
const wchar_t* LanguageTag();
// The switch was given on this process's command line.
bool LanguageRequested();
// " --language=TAG" for the chosen language.
WString LanguageOption();

// The longest tag taken ("zh-Hant-TW" and its kind fit).
const int32_t kMaxLanguageTag = 16;
// A tag is ASCII letters, digits and hyphens, at most kMaxLanguageTag long.
bool IsLanguageTag(const wchar_t* tag);

// The user's UI language as a tag ("de-DE").
WString UserLanguageTag();
// Index of the tag that serves wanted: the same tag (ASCII case folded),
// else the first with the same primary language; -1 for none.
int32_t MatchLanguage(const wchar_t* wanted, const StringList& tags);
