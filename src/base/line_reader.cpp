#include "base/line_reader.h"

#include <stdint.h>
#include <stdlib.h>
#include <string.h>

namespace {

const uint8_t kUtf8Mark[] = {0xEF, 0xBB, 0xBF};

// At the start of the file: a UTF-8 mark is taken and fixes the file's
// text as UTF-8; anything else is put back and the text is ANSI.
void TakeMark(DiskFile& file) {
    uint8_t head[3];
    uint32_t got = 0;
    while (got < 3 && file.ReadByte(head[got]) && head[got] == kUtf8Mark[got]) got++;
    bool marked = got == 3;
    if (!marked) file.Seek(0, DiskFile::kFromStart);
    file.SetEncoding(marked ? DiskFile::kUtf8Text : DiskFile::kAnsiText);
}

// The line's bytes, converted once the line is whole: a character of a
// double-byte code page (or a UTF-8 sequence) survives only whole.
class LineBytes {
public:
    LineBytes() = default;
    ~LineBytes() {
        if (bytes_ != inline_) free(bytes_);
    }
    LineBytes(const LineBytes&) = delete;
    LineBytes& operator=(const LineBytes&) = delete;

    void Add(uint8_t byte) {
        if (count_ + 1 >= capacity_ && !Grow()) return;
        bytes_[count_++] = (char)byte;
    }
    bool IsEmpty() const { return count_ == 0; }
    void ConvertTo(WString& line, bool utf8) {
        bytes_[count_] = 0;
        line = WString::FromAnsi(bytes_, utf8);
    }

private:
    // Doubling keeps a long line's growth linear; out of memory, the line
    // ends where it could still be held.
    bool Grow() {
        uint32_t capacity = capacity_ * 2;
        char* bigger = (char*)malloc(capacity);
        if (!bigger) return false;
        memcpy(bigger, bytes_, count_);
        if (bytes_ != inline_) free(bytes_);
        bytes_ = bigger;
        capacity_ = capacity;
        return true;
    }

    char inline_[256];
    char* bytes_ = inline_;
    uint32_t count_ = 0;
    uint32_t capacity_ = sizeof inline_;
};

bool ReadLine8(DiskFile& file, WString& line) {
    if (file.Encoding() == DiskFile::kUnknownText) TakeMark(file);
    LineBytes bytes;
    bool ended = false;
    uint8_t byte;
    while (!ended && file.ReadByte(byte)) {
        if (byte == '\r') {
            uint8_t next;
            if (!file.ReadByte(next)) break;
            if (next != '\n') file.Seek(-1, DiskFile::kFromCurrent);
            ended = true;
        } else if (byte == '\n') {
            ended = true;
        } else if (byte != 0) {
            bytes.Add(byte);
        }
    }
    if (!bytes.IsEmpty()) bytes.ConvertTo(line, file.Encoding() == DiskFile::kUtf8Text);
    return ended || !bytes.IsEmpty();
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
