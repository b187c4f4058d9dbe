#include "app/language.h"

#include <windows.h>
#include <string.h>

#include "app/installer_state.h"
#include "base/byte_buffer.h"
#include "base/disk_file.h"
#include "base/language_file.h"
#include "base/run_log.h"
#include "base/texts.h"
#include "package/install_package.h"
#include "package/resource_stream.h"
#include "package/setup_files.h"
#include "res/resource_ids.h"
#include "ui/script_font.h"

namespace {

const wchar_t kPackagePrefix[] = L"setup.lng.";
const int32_t kPrefixLength = (int32_t)(sizeof kPackagePrefix / sizeof kPackagePrefix[0]) - 1;

WString g_tag(L"en");
WString g_wanted;
bool g_requested = false;
// The decoded built-in translations, kept while their texts are applied.
ByteBuffer g_builtIn;
bool g_decoded = false;

WString PrimaryOf(const wchar_t* tag) {
    WString primary(tag);
    int32_t dash = primary.FindChar(L'-', 1);
    if (!dash) dash = primary.FindChar(L'_', 1);
    if (dash) primary.SetLength(dash - 1);
    return primary;
}

// The built-in translations: one stream in the resources, the languages'
// files one after another, each under its "[TAG]".
bool DecodeBuiltIn() {
    if (g_decoded) return g_builtIn.Size() != 0;
    g_decoded = true;
    return DecodeResourceStream(IDR_LANGUAGES, g_builtIn);
}

void AddBuiltInTags(StringList& tags) {
    tags.AddString(L"en");
    if (!DecodeBuiltIn()) return;
    LanguageLines lines((const char*)g_builtIn.Data(), g_builtIn.Size());
    LanguageLine line;
    while (lines.Next(line)) {
        if (line.kind != kLanguageSection) continue;
        WString tag;
        for (size_t i = 0; i < line.nameLength; i++) tag.AppendChar((wchar_t)(uint8_t)line.name[i]);
        tags.AddString(tag);
    }
}

// English, then the built-in translation that serves tag, if any.
void ApplyBuiltIn(const wchar_t* tag) {
    ResetTexts();
    if (Compare(PrimaryOf(tag), L"en", true) == 0) return;
    StringList tags;
    AddBuiltInTags(tags);
    int32_t index = MatchLanguage(tag, tags);
    if (index <= 0) return;
    // Applying resolves escapes in place: a copy, as the table may be
    // applied again.
    ByteBuffer copy;
    if (!copy.Resize(g_builtIn.Size(), false)) return;
    memcpy(copy.Data(), g_builtIn.Data(), g_builtIn.Size());
    ApplyLanguageLines((char*)copy.Data(), copy.Size(), WString(tags[index]).ToAnsi());
}

// A language file is a few kilobytes: anything near this is no such file.
const uint32_t kLanguageFileLimit = 1 << 20;

void Choose(const wchar_t* tag) {
    g_tag = tag;
    ApplyBuiltIn(tag);
    UseScriptOf(tag);
}

}  // namespace

WString UserLanguageTag() {
    LCID locale = MAKELCID(GetUserDefaultUILanguage(), SORT_DEFAULT);
    wchar_t language[16] = L"", country[16] = L"";
    GetLocaleInfoW(locale, LOCALE_SISO639LANGNAME, language, 16);
    GetLocaleInfoW(locale, LOCALE_SISO3166CTRYNAME, country, 16);
    WString tag(language);
    if (tag.IsEmpty()) return WString(L"en");
    if (country[0]) {
        tag.AppendChar(L'-');
        tag.Append(country);
    }
    return tag;
}

int32_t MatchLanguage(const wchar_t* wanted, const StringList& tags) {
    for (int32_t i = 0; i < tags.Count(); i++)
        if (Compare(tags[i], wanted, true) == 0) return i;
    WString primary = PrimaryOf(wanted);
    for (int32_t i = 0; i < tags.Count(); i++)
        if (Compare(PrimaryOf(tags[i]), primary, true) == 0) return i;
    return -1;
}

bool IsLanguageTag(const wchar_t* tag) {
    int32_t length = 0;
    for (; tag[length]; length++) {
        wchar_t c = tag[length];
        bool allowed = (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9') || c == L'-';
        if (!allowed || length == kMaxLanguageTag) return false;
    }
    return length != 0;
}

void ChooseLanguage(const CommandLineOptions& options) {
    int32_t at = options.Lookup(L"language");
    g_requested = at >= 0 && !options.values[at].IsEmpty();
    // The tag names files and is handed on to the elevated child's command
    // line: anything but a plain tag is refused whole.
    if (g_requested && !IsLanguageTag(options.values[at])) {
        RunLog("language: \"%s\" is not a language tag; English is used", (const wchar_t*)options.values[at]);
        Choose(L"en");
        g_wanted = L"en";
        return;
    }
    g_wanted = g_requested ? options.values[at] : UserLanguageTag();
    StringList tags;
    tags.AddString(L"en");
    if (Compare(PrimaryOf(g_wanted), L"en", true) != 0) AddBuiltInTags(tags);
    int32_t index = MatchLanguage(g_wanted, tags);
    Choose(index < 0 ? L"en" : tags[index]);
}

bool IsLanguageEntry(const WString& name) {
    return Compare(name.Left(kPrefixLength), kPackagePrefix, true) == 0 && name.Length() - 1 > kPrefixLength;
}

void ApplyPackageLanguage() {
    if (!state.package || !state.package->Package()) return;
    InstallPackage* package = state.package->Package();
    StringList names, tags;
    WString name;
    for (int32_t i = 0;; i++) {
        package->EntryName(i, name);
        if (name.IsEmpty()) break;
        // A tag that is no plain tag names no language the user can want.
        if (!IsLanguageEntry(name) || !IsLanguageTag(name.From(kPrefixLength + 1))) continue;
        names.AddString(name);
        tags.AddString(name.From(kPrefixLength + 1));
    }
    int32_t own = MatchLanguage(g_wanted, tags);
    if (own < 0) return;
    // The publisher's language wins where it serves the user as well as a
    // built-in one: an exact tag first, then the primary language.
    StringList all;
    AddBuiltInTags(all);
    int32_t builtIn = MatchLanguage(g_wanted, all);
    if (builtIn >= 0 && Compare(all[builtIn], g_wanted, true) == 0 && Compare(tags[own], g_wanted, true) != 0) return;
    Choose(tags[own]);
    WString path = WString(state.package->Folder()).Append(names[own]);
    ByteBuffer text;
    if (!package->ExtractEntry(names[own], path) || !ReadWholeFile(path, text, kLanguageFileLimit)) return;
    ApplyLanguageLines((char*)text.Data(), text.Size(), nullptr);
}

WString RecordedLanguagePath(const WString& recordPath) { return recordPath.StripExtension().Append(L".lng"); }

void RecordLanguage(const WString& recordPath) {
    DiskFile out;
    out.SetPath(RecordedLanguagePath(recordPath));
    out.Open(GENERIC_WRITE, CREATE_ALWAYS, false);
    if (!out.IsOpen()) return;
    WString section = WString::Formatted(L"[%s]", (const wchar_t*)g_tag);
    out.WriteText(section.ToAnsi(), true);
    if (!state.package) return;
    WString path = WString(state.package->Folder()).Append(kPackagePrefix).Append(g_tag);
    ByteBuffer text;
    if (ReadWholeFile(path, text, kLanguageFileLimit)) out.Write(text.Data(), text.Size());
}

void ApplyRecordedLanguage(const WString& recordPath) {
    ByteBuffer text;
    if (!ReadWholeFile(RecordedLanguagePath(recordPath), text, kLanguageFileLimit)) return;
    LanguageLines lines((const char*)text.Data(), text.Size());
    LanguageLine line;
    if (!lines.Next(line) || line.kind != kLanguageSection) return;
    WString recorded;
    for (size_t i = 0; i < line.nameLength; i++) recorded.AppendChar((wchar_t)(uint8_t)line.name[i]);
    if (!IsLanguageTag(recorded)) return;
    if (g_requested && Compare(recorded, g_wanted, true) != 0) return;
    Choose(recorded);
    ApplyLanguageLines((char*)text.Data(), text.Size(), recorded.ToAnsi());
}

const wchar_t* LanguageTag() { return g_tag; }

bool LanguageRequested() { return g_requested; }

WString LanguageOption() { return WString::Formatted(L" --language=%s", (const wchar_t*)g_tag); }
