// The texts in other languages: the built-in translations as the shipped
// stub carries them, the rules every language file is held to, and the
// choice of a language for a tag.
#include <gtest/gtest.h>

#include <string.h>

#include <map>
#include <string>
#include <vector>

#include "app/language.h"
#include "base/language_file.h"
#include "base/texts.h"
#include "language_check.h"
#include "package/lzma_decode.h"
#include "package/package_format.h"
#include "res/resource_ids.h"
#include "support/process.h"

namespace {

// The decoded built-in table of the shipped stub, cut into its sections.
std::map<std::string, std::string> BuiltInSections() {
    std::map<std::string, std::string> sections;
    HMODULE stub = LoadLibraryExW(BinPath(L"bkstub.exe").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    EXPECT_TRUE(stub);
    HRSRC found = FindResourceW(stub, MAKEINTRESOURCEW(IDR_LANGUAGES), (LPCWSTR)RT_RCDATA);
    EXPECT_TRUE(found);
    if (!found) return sections;
    const uint8_t* data = (const uint8_t*)LockResource(LoadResource(stub, found));
    uint32_t size = SizeofResource(stub, found);
    LzmaHeader header;
    EXPECT_TRUE(ParseLzmaHeader(data, header));
    struct Io {
        const uint8_t* at;
        uint32_t left;
        std::string out;
    } io = {data + package_format::kLzmaHeaderSize, size - package_format::kLzmaHeaderSize, ""};
    LzmaStreamIo calls = {[](void* c, uint8_t* b, uint32_t n) -> uint32_t {
                              Io* io = static_cast<Io*>(c);
                              n = n < io->left ? n : io->left;
                              memcpy(b, io->at, n);
                              io->at += n;
                              io->left -= n;
                              return n;
                          },
                          [](void* c, const uint8_t* d, uint32_t n) {
                              static_cast<Io*>(c)->out.append((const char*)d, n);
                              return true;
                          },
                          &io};
    EXPECT_EQ(kDecoded, DecodeLzmaStream(header, calls));
    FreeLibrary(stub);
    std::string tag;
    size_t start = 0;
    for (size_t end; (end = io.out.find('\n', start)) != std::string::npos; start = end + 1) {
        std::string line = io.out.substr(start, end - start);
        if (!line.empty() && line[0] == '[')
            tag = line.substr(1, line.size() - 2);
        else
            sections[tag] += line + "\n";
    }
    return sections;
}

TEST(Languages, EveryBuiltInLanguageHasEveryTextWithTheEnglishPlaceholders) {
    std::map<std::string, std::string> sections = BuiltInSections();
    std::vector<std::string> tags;
    for (const auto& section : sections) tags.push_back(section.first);
    EXPECT_EQ((std::vector<std::string>{"de", "es", "fr", "it", "ja", "ko", "pl", "pt-BR", "ru", "zh-CN"}), tags);
    for (const auto& section : sections) {
        Bytes file(section.second.begin(), section.second.end());
        // The publishers' checker: every identifier once, known, with the
        // English text's placeholders in their order.
        for (const ScriptFinding& finding : CheckLanguageFile(file))
            ADD_FAILURE() << section.first << ":" << finding.line << ": " << finding.text;
        LanguageLines lines(section.second.data(), section.second.size());
        LanguageLine line;
        while (lines.Next(line))
            EXPECT_NE(0u, line.textLength) << section.first << ": " << std::string(line.name, line.nameLength);
    }
}

TEST(Languages, PlaceholdersMustMatchTheEnglishTextsInOrder) {
    struct Case {
        TextId id;
        const char* text;
        bool same;
    };
    const Case cases[] = {
        {kRemoveQuestion, "%s entfernen?", true},       // "Remove %s?"
        {kRemoveQuestion, "Entfernen?", false},         // an argument left unread is still a mismatch
        {kRemoveQuestion, "%d entfernen?", false},      // would read a string as a number
        {kRemoveQuestion, "%s %s?", false},             // would read past the arguments
        {kRemoveQuestion, "100%% %s?", true},           // "%%" takes no argument
        {kRunningInstall, "%d von %d", true},           // "Running Install %d of %d"
        {kRunningInstall, "%s von %d", false},
        {kUncompressRead, "'%s': '%s'", true},
        {kInstallButton, "Installieren", true},
        {kInstallButton, "Installieren %s", false},
        {kInstallButton, "50%", false},                 // a lone % at the end
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.same, SamePlaceholders(c.id, c.text, strlen(c.text))) << kTextIds[c.id] << ": " << c.text;
}

TEST(Languages, AFileOverridesOnlyTheTextsItMayTake) {
    char file[] =
        "\xEF\xBB\xBF# a publisher's file\r\n"
        "CancelButton=Abbrechen\r\n"
        "RemoveQuestion=%d weg?\r\n"
        "NoSuchText=x\r\n"
        "CancelRebootQuestion=Neustart?\\n\\nJetzt.\r\n"
        "  InstallTo =  nach\r\n";
    EXPECT_EQ(3, ApplyLanguageLines(file, sizeof file - 1, nullptr));
    EXPECT_STREQ(L"Abbrechen", Text(kCancelButton));
    EXPECT_STREQ(L"Remove %s?", Text(kRemoveQuestion)) << "a mismatch keeps the text it had";
    EXPECT_STREQ(L"Neustart?\r\n\r\nJetzt.", Text(kCancelRebootQuestion));
    EXPECT_STREQ(L"  nach", Text(kInstallTo)) << "the text keeps its spaces";
    char sectioned[] = "[de]\nInstallButton=Installieren\n[fr]\nInstallButton=Installer\n";
    EXPECT_EQ(1, ApplyLanguageLines(sectioned, sizeof sectioned - 1, "fr"));
    EXPECT_STREQ(L"Installer", Text(kInstallButton));
    ResetTexts();
    EXPECT_STREQ(L"Cancel", Text(kCancelButton));
    EXPECT_STREQ(L"Install", Text(kInstallButton));
}

TEST(Languages, ATagIsServedByItselfThenByItsPrimaryLanguage) {
    StringList tags;
    for (const wchar_t* tag : {L"en", L"de", L"pt-BR", L"zh-CN", L"pt"}) tags.AddString(tag);
    struct Case {
        const wchar_t* wanted;
        int32_t index;
    };
    const Case cases[] = {{L"de", 1},    {L"DE-at", 1}, {L"de_CH", 1}, {L"pt-BR", 2}, {L"pt-PT", 2},
                          {L"pt", 4},    {L"zh-TW", 3}, {L"en-GB", 0}, {L"nl-NL", -1}, {L"", -1}};
    for (const Case& c : cases) EXPECT_EQ(c.index, MatchLanguage(c.wanted, tags)) << c.wanted;
}

// The switch's tag names files and travels to the elevated child's command
// line: what is not a plain tag is English.
TEST(Languages, TheSwitchTakesOnlyAPlainTag) {
    struct Case {
        const wchar_t* line;
        const wchar_t* chosen;
    };
    const Case cases[] = {{L"setup.exe --language=de-AT", L"de"},
                          {L"setup.exe --language=de\\..\\..\\x", L"en"},
                          {L"setup.exe --language=\"de\\..\"", L"en"},
                          {L"setup.exe --language=de-aaaaaaaaaaaaa", L"de"},
                          {L"setup.exe --language=de-aaaaaaaaaaaaaa", L"en"},
                          {L"setup.exe --language=de_AT", L"en"}};
    for (const Case& c : cases) {
        CommandLineOptions options;
        options.Parse(WString(c.line), 1);
        ChooseLanguage(options);
        EXPECT_STREQ(c.chosen, LanguageTag()) << c.line;
    }
    CommandLineOptions english;
    english.Parse(WString(L"setup.exe --language=en"), 1);
    ChooseLanguage(english);
}

TEST(Languages, TheCheckerNamesEachMistakeOfAPublishersFile) {
    std::string text = "InstallButton=Installieren\nRunningInstall=Installation %s von %d\nInstallButton=Los\n"
                       "Unbekannt=x\nkein Gleichheitszeichen\n";
    std::vector<ScriptFinding> findings = CheckLanguageFile(Bytes(text.begin(), text.end()));
    ASSERT_EQ(4u + (size_t)kTextTotal - 2, findings.size());
    EXPECT_EQ(2u, findings[0].line);
    EXPECT_NE(std::string::npos, findings[0].text.find("%s%d")) << findings[0].text;
    EXPECT_NE(std::string::npos, findings[0].text.find("%d%d")) << findings[0].text;
    EXPECT_EQ(3u, findings[1].line);
    EXPECT_NE(std::string::npos, findings[1].text.find("given again"));
    EXPECT_NE(std::string::npos, findings[2].text.find("unknown identifier 'Unbekannt'"));
    EXPECT_NE(std::string::npos, findings[3].text.find("no '='"));
    EXPECT_NE(std::string::npos, findings[4].text.find("'InstallerHeading' is missing"));
    std::string latin1 = "InstallButton=Schlie\xdf" "en\n";
    EXPECT_NE(std::string::npos,
              CheckLanguageFile(Bytes(latin1.begin(), latin1.end()))[0].text.find("not UTF-8"));
    EXPECT_TRUE(IsLanguageFileName("Setup.LNG.pt-BR"));
    EXPECT_FALSE(IsLanguageFileName("setup.lng."));
    EXPECT_FALSE(IsLanguageFileName("setup.dat"));
}

}  // namespace
