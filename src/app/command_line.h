// The command line: switches found by plain substring search of the raw
// line, and name/value options parsed from it.
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
// Case-sensitive: a switch also matches inside a longer word or a value.
bool HasSwitch(const wchar_t* text);
bool ReadElevationOption(const CommandLineOptions& options);
WString GetExePath();
WString RestOfCommandLine(const WString& line);
WString GetRestOfCommandLine();
