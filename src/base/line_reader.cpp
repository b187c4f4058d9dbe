#include "base/line_reader.h"

#include <windows.h>
#include <stdint.h>

namespace {

// Each byte as the ANSI code page converts it alone (0: to nothing), the
// way lines have always been read: a byte that is only part of a
// multi-byte character converts on its own. Filled once; threads that race
// to fill it write the same values.
wchar_t g_ansiUnit[256];
volatile LONG g_ansiReady = 0;

const wchar_t* AnsiUnits() {
    if (!g_ansiReady) {
        for (int b = 1; b < 256; b++) {
            char byte[2] = {(char)b, 0};
            g_ansiUnit[b] = WString::FromAnsi(byte, false).CharAt(1);
        }
        InterlockedExchange(&g_ansiReady, 1);
    }
    return g_ansiUnit;
}

bool ReadLine8(DiskFile& file, WString& line) {
    const wchar_t* units = AnsiUnits();
    uint8_t byte;
    while (file.ReadByte(byte)) {
        if (byte == '\r') {
            uint8_t next;
            if (!file.ReadByte(next)) break;
            if (next != '\n') file.Seek(-1, DiskFile::kFromCurrent);
            return true;
        }
        if (byte == '\n') return true;
        // A NUL converts to nothing and so disappears.
        if (units[byte]) line.AppendChar(units[byte]);
    }
    return !line.IsEmpty();
}

bool ReadUnit(DiskFile& file, wchar_t& unit) {
    uint8_t low, high;
    if (!file.ReadByte(low) || !file.ReadByte(high)) return false;
    unit = (wchar_t)(low | (high << 8));
    return true;
}

bool ReadLine16(DiskFile& file, WString& line) {
    wchar_t unit;
    for (;;) {
        if (!ReadUnit(file, unit)) break;
        if (unit == L'\r') {
            wchar_t next;
            if (!ReadUnit(file, next)) break;
            if (next != L'\n') file.Seek(-2, DiskFile::kFromCurrent);
            return true;
        }
        if (unit == L'\n') return true;
        // Writers put a byte-order mark before any line, not only the first.
        if (unit == 0xFEFF && line.IsEmpty()) continue;
        if (unit != 0) line.AppendChar(unit);
    }
    return !line.IsEmpty();
}

}  // namespace

bool ReadLine(DiskFile& file, WString& line, bool utf16) {
    line = L"";
    return utf16 ? ReadLine16(file, line) : ReadLine8(file, line);
}

WString NextLine(DiskFile& file) {
    WString line;
    ReadLine(file, line, false);
    return line;
}
