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
        // Whole arguments quoted, anywhere.
        {L"setup.exe \"--log=C:\\my logs\\u.log\" --silent", {{L"log", L"C:\\my logs\\u.log"}, {L"silent", L""}}},
        {L"\"C:\\setup.exe\" --selfrun \"--IsElevated=C:\\Temp\\BKI 1.tmp\" \"--installto=D:\\A B\"",
         {{L"selfrun", L""}, {L"IsElevated", L"C:\\Temp\\BKI 1.tmp"}, {L"installto", L"D:\\A B"}}},
        {L"setup.exe \"--silent\" \"-x=1\"", {{L"silent", L""}, {L"x", L"1"}}},
    };
    for (auto& c : cases) EXPECT_EQ(c.options, ParseLine(c.line)) << c.line;
}

// Switches that take a value, as people type them and as PowerShell, .NET,
// Python and Wine pass them (the whole argument quoted), first, in the
// middle and last on the line.
TEST(CommandLine, SwitchValuesInBothQuotedForms) {
    struct {
        const wchar_t* line;
        const wchar_t* name;
        bool found;
        const wchar_t* value;
    } cases[] = {
        {L"setup.exe \"--installto=C:\\Apps\\My Notes\" --silent --noautoreboot", L"--installto", true,
         L"C:\\Apps\\My Notes"},
        {L"setup.exe --silent \"--installto=C:\\Apps\\My Notes\" --noautoreboot", L"--installto", true,
         L"C:\\Apps\\My Notes"},
        {L"setup.exe --silent --noautoreboot \"--installto=C:\\Apps\\My Notes\"", L"--installto", true,
         L"C:\\Apps\\My Notes"},
        {L"setup.exe --installto=\"C:\\Apps\\My Notes\" --silent", L"--installto", true, L"C:\\Apps\\My Notes"},
        {L"setup.exe --silent --installto=\"C:\\Apps\\My Notes\"", L"--installto", true, L"C:\\Apps\\My Notes"},
        // Typed: the backslash before the closing quote belongs to the path.
        {L"setup.exe --installto=\"C:\\Apps\\\" --silent", L"--installto", true, L"C:\\Apps\\"},
        // Passed whole: doubled before the quote, as the splitting rules want.
        {L"setup.exe \"--installto=C:\\Apps\\\\\" --silent", L"--installto", true, L"C:\\Apps\\"},
        // Unquoted, last: the value runs to the end, spaces and all.
        {L"setup.exe --silent --installto=C:\\Program Files\\My App", L"--installto", true,
         L"C:\\Program Files\\My App"},
        {L"setup.exe --silent", L"--installto", false, L""},
        {L"\"C:\\u\\Uninstall-X.exe\" \"--uninstall=C:\\u\\BraskUninstall-X.dat\" --log=C:\\u.log", L"--uninstall=",
         true, L"C:\\u\\BraskUninstall-X.dat"},
        {L"\"C:\\u\\Uninstall-X.exe\" --log=C:\\u.log \"--uninstall=C:\\u\\BraskUninstall-X.dat\"", L"--uninstall=",
         true, L"C:\\u\\BraskUninstall-X.dat"},
        {L"\"C:\\u\\Uninstall-X.exe\" --uninstall=\"C:\\u\\BraskUninstall-X.dat\" --silent --log=C:\\u.log",
         L"--uninstall=", true, L"C:\\u\\BraskUninstall-X.dat"},
        // Inside another word it still counts, as it always did.
        {L"\"C:\\setup.exe\"--installto=D:\\x", L"--installto", true, L"D:\\x"},
    };
    for (auto& c : cases) {
        WString value;
        EXPECT_EQ(c.found, FindSwitchValue(WString(c.line), c.name, value)) << c.line;
        EXPECT_EQ(std::wstring(c.value), value.Text()) << c.line;
    }
}

// The splitting rules of CommandLineToArgvW, for one argument.
TEST(CommandLine, DecodeArgument) {
    struct {
        const wchar_t* line;
        int32_t start;
        const wchar_t* argument;
        int32_t next;
    } cases[] = {
        {L"\"a b\" c", 1, L"a b", 6},
        {L"a\\\\\"b c\" d", 1, L"a\\b c", 9},
        {L"a\\\"b c", 1, L"a\"b", 5},
        {L"a\\b", 1, L"a\\b", 4},
        {L"\"x\"\"y\" z", 1, L"x\"y", 7},
        {L"p \"--log=C:\\my logs\\u.log\" --silent", 3, L"--log=C:\\my logs\\u.log", 27},
    };
    for (auto& c : cases) {
        WString argument;
        EXPECT_EQ(c.next, DecodeArgument(WString(c.line), c.start, argument)) << c.line;
        EXPECT_EQ(std::wstring(c.argument), argument.Text()) << c.line;
    }
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
