#include "app/command_line.h"

#include <windows.h>

#include "app/installer_state.h"

namespace {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

// Where an argument may begin: the line's start or after a blank.
bool StartsArgument(const WString& line, int32_t pos) { return pos == 1 || IsBlank(line.CharAt(pos - 1)); }

// "--name=VALUE" written whole in quotes, as scripts and other programs
// pass it: the quote before the dash opens an argument.
bool WholeQuotedAt(const WString& line, int32_t dash) {
    return dash > 1 && line.CharAt(dash - 1) == L'"' && StartsArgument(line, dash - 1);
}

}  // namespace

int32_t DecodeArgument(const WString& line, int32_t pos, WString& argument) {
    argument = L"";
    const int32_t end = line.Length();
    bool quoted = false;
    while (pos < end) {
        wchar_t c = line.CharAt(pos);
        if (!quoted && IsBlank(c)) break;
        if (c == L'\\') {
            int32_t run = 0;
            while (line.CharAt(pos + run) == L'\\') ++run;
            bool beforeQuote = line.CharAt(pos + run) == L'"';
            for (int32_t i = 0; i < (beforeQuote ? run / 2 : run); ++i) argument.AppendChar(L'\\');
            pos += run;
            if (beforeQuote && run % 2 == 1) {
                argument.AppendChar(L'"');
                ++pos;
            }
        } else if (c == L'"') {
            // Inside quotes, a doubled quote stands for one.
            if (quoted && line.CharAt(pos + 1) == L'"') {
                argument.AppendChar(L'"');
                ++pos;
            } else {
                quoted = !quoted;
            }
            ++pos;
        } else {
            argument.AppendChar(c);
            ++pos;
        }
    }
    return pos;
}

bool FindSwitchValue(const WString& line, const wchar_t* name, WString& value) {
    const int32_t nameLength = (int32_t)wcslen(name);
    int32_t first = line.Find(name, 1), at = first;
    // An occurrence that begins an argument, bare or quoted whole, is the
    // switch; failing one, the first occurrence anywhere, as ever.
    while (at != 0 && !StartsArgument(line, at) && !WholeQuotedAt(line, at)) at = line.Find(name, at + 1);
    if (at == 0) at = first;
    if (at == 0) return false;
    if (WholeQuotedAt(line, at)) {
        DecodeArgument(line, at - 1, value);
        value = value.From(nameLength + 1);
        if (value.CharAt(1) == L'=') value.RemoveAt(1);
        return true;
    }
    value = line.From(at + nameLength);
    if (value.CharAt(1) == L'=') value.RemoveAt(1);
    if (value.CharAt(1) == L'"') {
        // Typed by a person: the quotes hold the value and a backslash
        // before the closing one is part of the path ("C:\Apps\").
        value.RemoveAt(1);
        int32_t close = value.FindChar(L'"', 1);
        if (close) value = value.Left(close - 1);
    } else if (!value.IsEmpty() && value.CharAt(WString::kLast) == L'"') {
        value.DropRight(1);
    }
    return true;
}

void CommandLineOptions::Parse(const WString& line, int32_t start) {
    names.DeleteAll();
    values.DeleteAll();
    const int32_t end = line.Length();  // just past the last character
    int32_t p = line.FindChar(L'-', start);
    while (p != 0) {
        if (WholeQuotedAt(line, p)) {
            WString argument;
            int32_t next = DecodeArgument(line, p - 1, argument);
            int32_t nameStart = argument.CharAt(2) == L'-' ? 3 : 2;
            int32_t equals = argument.FindChar(L'=', nameStart);
            WString name = equals ? argument.Substring(nameStart, equals - 1) : argument.From(nameStart);
            if (!name.IsEmpty()) {
                names.AddString(name);
                values.AddString(equals ? argument.From(equals + 1) : WString());
            }
            p = line.FindChar(L'-', next);
            continue;
        }
        int32_t nameStart = line.CharAt(p + 1) == L'-' ? p + 2 : p + 1;
        int32_t nameEnd = end;
        for (const wchar_t* stop = L"\"= "; *stop; ++stop) {
            int32_t q = line.FindChar(*stop, nameStart);
            if (q != 0 && q < nameEnd) nameEnd = q;
        }
        if (nameEnd == nameStart) {
            p = line.FindChar(L'-', nameEnd + 1);
            continue;
        }
        WString name = line.Substring(nameStart, nameEnd - 1);
        int32_t pos = nameEnd;
        while (line.CharAt(pos) == L' ' || line.CharAt(pos) == L'=') ++pos;
        WString value;
        int32_t next;
        wchar_t c = line.CharAt(pos);
        // A quoted argument that begins with a dash is the next switch,
        // passed whole, not this one's value.
        if (pos >= end || c == L'-' || (WholeQuotedAt(line, pos + 1) && line.CharAt(pos + 1) == L'-')) {
            next = pos;
        } else if (c == L'"') {
            int32_t close = line.FindChar(L'"', pos + 1);
            if (close != 0) {
                value = line.Substring(pos + 1, close - 1);
                next = close + 1;
            } else {
                next = pos + 1;
            }
        } else {
            int32_t space = line.FindChar(L' ', pos);
            value = line.Substring(pos, space ? space - 1 : end - 1);
            next = space ? space + 1 : end;
        }
        names.AddString(name);
        values.AddString(value);
        p = line.FindChar(L'-', next);
    }
}

int32_t CommandLineOptions::Lookup(const wchar_t* name) const {
    for (int32_t i = 0; i < names.Count(); ++i) {
        if (Compare(names[i], name, true) == 0) return i;
    }
    return -1;
}

int32_t OptionsStart(const WString& line) {
    if (line.CharAt(1) != L'"') return 1;
    int32_t close = line.FindChar(L'"', 2);
    return close ? close + 1 : 1;
}

bool HasSwitch(const wchar_t* text) {
    WString line(GetCommandLineW());
    return line.Find(text, 1) != 0;
}

bool ReadElevationOption(const CommandLineOptions& options) {
    int32_t i = options.Lookup(L"IsElevated");
    if (i < 0) {
        state.commandFilePath = L"";
        return false;
    }
    state.commandFilePath = options.values[i];
    return true;
}

WString GetExePath() {
    wchar_t buffer[1000];
    DWORD n = GetModuleFileNameW(nullptr, buffer, 1000);
    if (n >= 1000) n = 999;
    buffer[n] = 0;
    WString path(buffer);
    if (path.CharAt(1) == L'"') {
        path.RemoveAt(1);
        int32_t quote = path.FindChar(L'"', 1);
        if (quote) path = path.Left(quote - 1);
    }
    return path;
}

WString RestOfCommandLine(const WString& line) {
    WString rest;
    if (line.CharAt(1) == L'"') {
        int32_t close = line.FindChar(L'"', 2);
        if (close) rest = line.From(close + 1);
    } else {
        int32_t space = line.FindChar(L' ', 2);
        if (space) rest = line.From(space + 1);
    }
    rest.TrimLeadingSpaces();
    rest.TrimTrailingSpaces();
    return rest;
}

WString GetRestOfCommandLine() { return RestOfCommandLine(WString(GetCommandLineW())); }
