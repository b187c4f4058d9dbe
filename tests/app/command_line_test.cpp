#include "app/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "app/installer_state.h"

namespace {

typedef std::vector<std::pair<std::wstring, std::wstring>> Options;

Options ParseLine(const wchar_t* text) {
    WString line(text);
    CommandLineOptions o;
    o.Parse(line, OptionsStart(line));
    Options out;
    for (int32_t i = 0; i < o.names.Count(); ++i) out.push_back({o.names[i].Text(), o.values[i].Text()});
    return out;
}

TEST(CommandLine, Parse) {
    struct {
        const wchar_t* line;
        Options options;
    } cases[] = {
        {L"\"C:\\My-Dir\\setup.exe\" --selfrun --IsElevated=\"C:\\Temp\\BKI1.tmp\" --silent",
         {{L"selfrun", L""}, {L"IsElevated", L"C:\\Temp\\BKI1.tmp"}, {L"silent", L""}}},
        {L"setup.exe --installto=\"C:\\Program Files\\My App\" --x", {{L"installto", L"C:\\Program Files\\My App"}, {L"x", L""}}},
        {L"setup.exe --installto=C:\\Program Files\\My App", {{L"installto", L"C:\\Program"}}},
        {L"setup.exe --a -b", {{L"a", L""}, {L"b", L""}}},
        {L"setup.exe --a=-b", {{L"a", L""}, {L"b", L""}}},
        {L"setup.exe --name  = value tail", {{L"name", L"value"}}},
        {L"setup.exe --q=\"unterminated", {{L"q", L""}}},
        {L"setup.exe -- --x", {{L"x", L""}}},
        {L"setup.exe - = --y=1", {{L"y", L"1"}}},
        {L"setup.exe --", {}},
        {L"setup.exe --uninstall=\"C:\\Program Files\\BraskUninstall\\BraskUninstall-App.dat\" --silent",
         {{L"uninstall", L"C:\\Program Files\\BraskUninstall\\BraskUninstall-App.dat"}, {L"silent", L""}}},
        // A program path without quotes that holds "-" yields extra names.
        {L"C:\\my-setup.exe --silent", {{L"setup.exe", L""}, {L"silent", L""}}},
    };
    for (auto& c : cases) EXPECT_EQ(c.options, ParseLine(c.line)) << c.line;
}

TEST(CommandLine, StartPosition) {
    EXPECT_EQ(1, OptionsStart(WString(L"setup.exe -a")));
    EXPECT_EQ(10, OptionsStart(WString(L"\"a-b.exe\" -a")));
    EXPECT_EQ(1, OptionsStart(WString(L"\"unclosed -a")));
    // Quoted program path with "-": nothing of it becomes an option.
    EXPECT_EQ((Options{{L"silent", L""}}), ParseLine(L"\"C:\\my-setup.exe\" --silent"));
}

TEST(CommandLine, LookupFoldsCase) {
    WString line(L"setup.exe --ISELEVATED=\"C:\\t.tmp\" --isElevated=second");
    CommandLineOptions o;
    o.Parse(line, 1);
    EXPECT_EQ(0, o.Lookup(L"IsElevated"));
    EXPECT_EQ(-1, o.Lookup(L"IsElevate"));
    EXPECT_TRUE(ReadElevationOption(o));
    EXPECT_EQ(std::wstring(L"C:\\t.tmp"), state.commandFilePath.Text());
    CommandLineOptions none;
    none.Parse(WString(L"setup.exe --silent"), 1);
    EXPECT_FALSE(ReadElevationOption(none));
    EXPECT_TRUE(state.commandFilePath.IsEmpty());
}

TEST(CommandLine, RestOfCommandLine) {
    struct {
        const wchar_t* line;
        const wchar_t* rest;
    } cases[] = {
        {L"\"C:\\a b\\setup.exe\"   --silent --installto=\"x y\"  ", L"--silent --installto=\"x y\""},
        {L"setup.exe --silent", L"--silent"},
        {L"setup.exe", L""},
        {L"\"setup.exe\"", L""},
        {L"\"C:\\x.exe\"--silent", L"--silent"},
    };
    for (auto& c : cases) EXPECT_EQ(std::wstring(c.rest), RestOfCommandLine(WString(c.line)).Text()) << c.line;
}

TEST(CommandLine, OwnProcess) {
    WString exe = GetExePath();
    EXPECT_EQ(L".exe", std::wstring(exe.Extension().ToLower().Text()));
    EXPECT_EQ(0, exe.Find(L"\"", 1));
    EXPECT_TRUE(HasSwitch(L"test_app"));  // the program path counts too
    EXPECT_FALSE(HasSwitch(L"--no-such-switch-here"));
}

}  // namespace
