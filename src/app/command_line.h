// The command line: switches without a value found by plain substring
// search of the raw line; values read from it in the forms people type and
// in the whole-quoted form programs pass.
#pragma once

#include <stdint.h>

#include "base/lists.h"
#include "base/wstring.h"

class CommandLineOptions {
public:
    // start: 1-based position where the scan for "-" begins.
    void Parse(const WString& line, int32_t start);
    // Index of the first option named name (ASCII case folded), or -1.
    int32_t Lookup(const wchar_t* name) const;

    StringList names;
    StringList values;
};

// Where option parsing starts: past the program path's closing quote.
int32_t OptionsStart(const WString& line);
// Reads the argument beginning at pos (1-based) by the rules Windows
// programs split command lines by (CommandLineToArgvW): blanks outside
// quotes end it, quotes group and vanish, 2n backslashes before a quote give
// n, 2n+1 give n and a literal quote. Returns the position just past it.
int32_t DecodeArgument(const WString& line, int32_t pos, WString& argument);
// The value of a switch that takes one (name: "--installto",
// "--uninstall="), case-sensitive, wherever it stands, in the forms people
// and programs write: "--installto=D:\My App" whole in quotes, decoded as
// above; --installto="D:\My App\", the value ending at its closing quote;
// --installto=D:\My App, unquoted, running to the end of the line. False
// when the switch is absent.
bool FindSwitchValue(const WString& line, const wchar_t* name, WString& value);
// Case-sensitive: a switch also matches inside a longer word or a value.
bool HasSwitch(const wchar_t* text);
bool ReadElevationOption(const CommandLineOptions& options);
WString GetExePath();
WString RestOfCommandLine(const WString& line);
WString GetRestOfCommandLine();
