#include "app/command_line.h"

#include <windows.h>

#include "app/installer_state.h"

void CommandLineOptions::Parse(const WString& line, int32_t start) {
    names.DeleteAll();
    values.DeleteAll();
    const int32_t end = line.Length();  // just past the last character
    int32_t p = line.FindChar(L'-', start);
    while (p != 0) {
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
        if (pos >= end || c == L'-') {
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
