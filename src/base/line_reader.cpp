#include "base/line_reader.h"

#include <stdint.h>

namespace {

// One file read per byte: scripts are a few kilobytes, and an unbuffered
// reader leaves the file position exactly after the line for the caller's
// next read or seek.
bool ReadLine8(DiskFile& file, WString& line) {
    char byte[2] = {0, 0};
    for (;;) {
        if (file.Read(byte, 1) != 1) break;
        if (byte[0] == '\r') {
            char next;
            if (file.Read(&next, 1) != 1) break;
            if (next != '\n') file.Seek(-1, DiskFile::kFromCurrent);
            return true;
        }
        if (byte[0] == '\n') return true;
        // A NUL converts to nothing and so disappears.
        line.AppendInPlace(WString::FromAnsi(byte, false));
    }
    return !line.IsEmpty();
}

bool ReadUnit(DiskFile& file, wchar_t& unit) {
    uint8_t bytes[2];
    if (file.Read(bytes, 2) != 2) return false;
    unit = (wchar_t)(bytes[0] | (bytes[1] << 8));
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
