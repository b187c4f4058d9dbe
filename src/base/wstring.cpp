#include "base/wstring.h"

#include <windows.h>
#include <stdlib.h>
#include <string.h>

namespace {

int32_t TextUnits(const wchar_t* text) { return text ? (int32_t)wcslen(text) : 0; }

}  // namespace

WString::WString() : buffer_(inline_), length_(1), tag_(0), ansi_(nullptr), ansiSize_(0), capacity_(kInline) {
    inline_[0] = 0;
}

WString::WString(const wchar_t* text) : WString() { Assign(text, 0); }

WString::WString(const WString& other) : WString() {
    Assign(other.buffer_, other.length_);
    tag_ = other.tag_;
}

WString::WString(int32_t value) : WString() { *this = Int64ToText(value); }

WString::~WString() {
    if (buffer_ != inline_) free(buffer_);
    free(ansi_);
}

void WString::ReserveKeep(int32_t needed, int32_t spare) {
    if (capacity_ >= needed) return;
    int32_t cap = needed + spare;
    wchar_t* block = (wchar_t*)malloc(sizeof(wchar_t) * cap);
    memcpy(block, buffer_, sizeof(wchar_t) * length_);
    if (buffer_ != inline_) free(buffer_);
    buffer_ = block;
    capacity_ = cap;
}

void WString::ReserveDiscard(int32_t needed) {
    if (needed < 1) needed = 1;
    if (capacity_ >= needed) return;
    if (buffer_ != inline_) free(buffer_);
    buffer_ = (wchar_t*)malloc(sizeof(wchar_t) * needed);
    capacity_ = needed;
}

WString WString::FromAnsi(const char* text, bool utf8) {
    WString s;
    if (!text) return s;
    int32_t bytes = (int32_t)strlen(text);
    if (utf8) {
        s.ReserveDiscard(bytes + 3);
        memset(s.buffer_, 0, sizeof(wchar_t) * (bytes + 3));
        MultiByteToWideChar(CP_UTF8, 0, text, bytes, s.buffer_, bytes + 2);
        s.length_ = (int32_t)wcslen(s.buffer_) + 1;
    } else {
        s.AssignAnsi(text);
    }
    return s;
}

void WString::Assign(const wchar_t* text, int32_t count) {
    if (!text) {
        buffer_[0] = 0;
        length_ = 1;
        return;
    }
    if (count == 0) count = TextUnits(text) + 1;
    if (count < 1) count = 1;
    // A source inside our own buffer survives: the old block goes only after
    // the copy.
    if (capacity_ >= count) {
        memmove(buffer_, text, sizeof(wchar_t) * count);
    } else {
        wchar_t* block = (wchar_t*)malloc(sizeof(wchar_t) * count);
        memcpy(block, text, sizeof(wchar_t) * count);
        if (buffer_ != inline_) free(buffer_);
        buffer_ = block;
        capacity_ = count;
    }
    buffer_[count - 1] = 0;
    length_ = count;
}

WString& WString::operator=(const wchar_t* text) {
    Assign(text, 0);
    return *this;
}

WString& WString::operator=(const WString& other) {
    if (this != &other) Assign(other.buffer_, other.length_);
    return *this;
}

WString& WString::AssignAnsi(const char* text) {
    if (!text) {
        Assign(nullptr, 0);
        return *this;
    }
    int32_t units = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (units < 1) units = 1;
    ReserveDiscard(units);
    buffer_[0] = 0;
    MultiByteToWideChar(CP_ACP, 0, text, -1, buffer_, units);
    buffer_[units - 1] = 0;
    length_ = units;
    return *this;
}

wchar_t WString::CharAt(int32_t pos) const {
    if (pos == kLast) pos = length_ - 1;
    if (pos < 1 || pos >= length_) return 0;
    return buffer_[pos - 1];
}

void WString::CopyTo(wchar_t* dst) const { memcpy(dst, buffer_, sizeof(wchar_t) * length_); }

const char* WString::ToAnsi(bool utf8) {
    UINT codePage = utf8 ? CP_UTF8 : CP_ACP;
    int32_t bytes = WideCharToMultiByte(codePage, 0, buffer_, -1, nullptr, 0, nullptr, nullptr);
    if (bytes < 0) bytes = 0;
    int32_t size = bytes + 4;
    if (!ansi_ || ansiSize_ != size) {
        free(ansi_);
        ansi_ = (char*)malloc(size);
        ansiSize_ = size;
    }
    memset(ansi_, 0, size);
    WideCharToMultiByte(codePage, 0, buffer_, -1, ansi_, bytes, nullptr, nullptr);
    return ansi_;
}

int32_t WString::Find(const wchar_t* needle, int32_t start) const {
    if (start < 1) return 0;
    int32_t n = TextUnits(needle);
    if (n == 0) return start < length_ ? start : 0;
    // The last start that still fits, computed so that a start near the
    // 32-bit limit cannot overflow into a position before the buffer.
    int32_t last = length_ - n;
    for (int32_t p = start; p <= last; ++p) {
        if (memcmp(buffer_ + p - 1, needle, sizeof(wchar_t) * n) == 0) return p;
    }
    return 0;
}

int32_t WString::FindChar(wchar_t ch, int32_t start) const {
    wchar_t needle[2] = {ch, 0};
    return Find(needle, start);
}

int32_t WString::FindLastChar(wchar_t ch) const {
    for (int32_t p = length_ - 1; p >= 1; --p) {
        if (buffer_[p - 1] == ch) return p;
    }
    return 0;
}

int Compare(const WString& s, const wchar_t* other, bool ignoreCase) {
    if (!other) return 1;
    const wchar_t* a = s.Text();
    for (;; ++a, ++other) {
        uint16_t x = *a, y = *other;
        if (ignoreCase) {
            x = FoldLower(x);
            y = FoldLower(y);
        }
        if (x != y) return x > y ? 1 : -1;
        if (x == 0) return 0;
    }
}

void WString::InsertUnits(const wchar_t* units, int32_t count, int32_t pos, int32_t spare) {
    ReserveKeep(length_ + count, spare);
    memmove(buffer_ + pos - 1 + count, buffer_ + pos - 1, sizeof(wchar_t) * (length_ - pos + 1));
    memcpy(buffer_ + pos - 1, units, sizeof(wchar_t) * count);
    length_ += count;
}

WString& WString::Append(const wchar_t* text) {
    int32_t n = TextUnits(text);
    if (n > 0) {
        // Copy first: text may live in our own buffer.
        WString copy(text);
        InsertUnits(copy.buffer_, n, length_, 25);
    }
    return *this;
}

WString& WString::Append(const WString& text) { return Append(text.buffer_); }

void WString::AppendInPlace(const wchar_t* text) {
    int32_t n = TextUnits(text);
    if (n == 0) return;
    WString copy(text);
    InsertUnits(copy.buffer_, n, length_, (length_ + n) / 3);
}

void WString::AppendChar(wchar_t ch) { InsertUnits(&ch, 1, length_, (length_ + 1) / 3); }

void WString::InsertChar(wchar_t ch, int32_t pos) {
    if (pos == kLast) pos = length_;
    if (pos < 1 || pos > length_) return;
    InsertUnits(&ch, 1, pos, 32);
}

void WString::InsertText(const wchar_t* text, int32_t pos) {
    int32_t n = TextUnits(text);
    if (n == 0 || pos < 1 || pos > length_) return;
    WString copy(text);
    InsertUnits(copy.buffer_, n, pos, 32);
}

wchar_t WString::RemoveAt(int32_t pos) {
    if (pos == kLast) pos = length_ - 1;
    if (pos < 1 || pos >= length_) return 0;
    wchar_t c = buffer_[pos - 1];
    memmove(buffer_ + pos - 1, buffer_ + pos, sizeof(wchar_t) * (length_ - pos));
    --length_;
    return c;
}

void WString::DeleteRange(int32_t start, int32_t end) {
    if (start < 1 || start >= length_ || end < start) return;
    if (end > length_ - 1) end = length_ - 1;
    int32_t n = end - start + 1;
    memmove(buffer_ + start - 1, buffer_ + end, sizeof(wchar_t) * (length_ - end));
    length_ -= n;
}

void WString::DropRight(int32_t n) {
    if (n <= 0) return;
    int32_t chars = length_ - 1;
    if (n >= chars) n = chars;
    length_ -= n;
    buffer_[length_ - 1] = 0;
}

void WString::SetLength(int32_t n) {
    if (n < 0) n = 0;
    ReserveKeep(n + 1, 0);
    for (int32_t i = length_ - 1; i < n; ++i) buffer_[i] = L' ';
    buffer_[n] = 0;
    length_ = n + 1;
}

wchar_t WString::TrimLeadingSpaces() {
    int32_t i = 0;
    while (i < length_ - 1 && buffer_[i] == L' ') ++i;
    if (i > 0) DeleteRange(1, i);
    return buffer_[0];
}

void WString::TrimTrailingSpaces() {
    while (length_ > 1 && buffer_[length_ - 2] == L' ') DropRight(1);
}

void WString::Replace(const wchar_t* find, const wchar_t* with, bool ignoreCase) {
    int32_t findLen = TextUnits(find);
    if (findLen == 0) return;
    // Copies: either text may live in this string's own buffer.
    WString needle(find), value(with);
    int32_t withLen = value.length_ - 1;
    // Matched left to right, each search resuming after the last match, and
    // the result built in one pass: editing in place would move the rest of
    // the text once per occurrence, quadratic in a long text.
    WString result;
    int32_t copied = 0;
    for (int32_t i = 0; i <= length_ - 1 - findLen;) {
        bool match = true;
        for (int32_t k = 0; k < findLen && match; ++k) {
            wchar_t a = buffer_[i + k], b = needle.buffer_[k];
            match = ignoreCase ? FoldLower(a) == FoldLower(b) : a == b;
        }
        if (!match) {
            ++i;
            continue;
        }
        if (i > copied) result.InsertUnits(buffer_ + copied, i - copied, result.length_, (result.length_ + i) / 3);
        if (withLen > 0) result.InsertUnits(value.buffer_, withLen, result.length_, (result.length_ + withLen) / 3);
        i += findLen;
        copied = i;
    }
    if (copied == 0) return;
    if (copied < length_ - 1) result.InsertUnits(buffer_ + copied, length_ - 1 - copied, result.length_, 0);
    Assign(result.buffer_, result.length_);
}

WString WString::Substring(int32_t start, int32_t end) const {
    WString s;
    if (start < 1 || start >= length_ || end < start) return s;
    if (end > length_ - 1) end = length_ - 1;
    s.Assign(buffer_ + start - 1, end - start + 2);
    return s;
}

WString WString::Right(int32_t n) const {
    int32_t chars = length_ - 1;
    if (n <= 0) return WString();
    if (n >= chars) return *this;
    return Substring(chars - n + 1, chars);
}

WString WString::ToUpper() const {
    WString s(*this);
    for (int32_t i = 0; i < s.length_ - 1; ++i) {
        if (s.buffer_[i] >= L'a' && s.buffer_[i] <= L'z') s.buffer_[i] -= 32;
    }
    return s;
}

WString WString::ToLower() const {
    WString s(*this);
    for (int32_t i = 0; i < s.length_ - 1; ++i) s.buffer_[i] = FoldLower(s.buffer_[i]);
    return s;
}

WString WString::Int64ToText(int64_t value) {
    if (value == INT64_MIN) return WString(L"-9223372036854775808");
    if (value < 0) {
        WString s(L"-");
        s.Append(UInt64ToText((uint64_t)-value));
        return s;
    }
    return UInt64ToText((uint64_t)value);
}

WString WString::UInt64ToText(uint64_t value) {
    wchar_t digits[24];
    int i = 23;
    digits[i] = 0;
    do {
        digits[--i] = (wchar_t)(L'0' + value % 10);
        value /= 10;
    } while (value != 0);
    return WString(digits + i);
}

WString WString::Hex16(uint64_t value) {
    wchar_t digits[17];
    for (int i = 15; i >= 0; --i) {
        digits[i] = L"0123456789ABCDEF"[value & 15];
        value >>= 4;
    }
    digits[16] = 0;
    return WString(digits);
}

WString WString::HexTrim(uint64_t value) {
    WString s = Hex16(value);
    int32_t zeros = 0;
    while (zeros < 15 && s.buffer_[zeros] == L'0') ++zeros;
    if (zeros > 0) s.DeleteRange(1, zeros);
    return s;
}

int64_t WString::ToInt64() const {
    WString s(*this);
    s.TrimLeadingSpaces();
    int32_t pos = 1;
    bool negative = false;
    if (s.CharAt(1) == L'-') {
        negative = true;
        pos = 2;
    } else if (s.CharAt(1) == L'+') {
        pos = 2;
    }
    uint64_t value = 0;  // unsigned: overflow wraps instead of being undefined
    for (wchar_t c = s.CharAt(pos); c >= L'0' && c <= L'9'; c = s.CharAt(++pos)) {
        value = value * 10 + (uint64_t)(c - L'0');
    }
    return negative ? (int64_t)(0 - value) : (int64_t)value;
}

WString WString::Extension() const {
    int32_t dot = FindLastChar(L'.');
    if (dot != 0 && dot > FindLastChar(L'\\')) return From(dot);
    return WString(L".");
}

WString WString::FileName() const {
    int32_t slash = FindLastChar(L'\\');
    return slash ? From(slash + 1) : *this;
}

WString WString::StripExtension() const {
    int32_t dot = FindLastChar(L'.');
    return dot ? Left(dot - 1) : *this;
}

WString WString::FolderPart() const {
    int32_t slash = FindLastChar(L'\\');
    return slash ? Left(slash) : *this;
}

void WString::EnsureTrailingBackslash() {
    if (CharAt(kLast) != L'\\') AppendChar(L'\\');
}

void WString::StripTrailingBackslashes() {
    while (CharAt(kLast) == L'\\') DropRight(1);
}

int32_t WString::RootEnd() const {
    int32_t from = Find(L"\\\\?\\", 1) == 1 ? 7 : 3;
    int32_t slash = FindChar(L'\\', from);
    return slash ? slash + 1 : 1;
}

WString PopLastComponent(WString& path) {
    if (path.Length() - 1 <= path.RootEnd() - 1) return WString();
    path.StripTrailingBackslashes();
    int32_t slash = path.FindLastChar(L'\\');
    WString last = path.From(slash + 1);
    path.DropRight(path.Length() - 1 - slash);
    return last;
}

WString LongPath(const wchar_t* path, int32_t limit) {
    WString p(path);
    if (p.Find(L"\\\\", 1) == 1 || p.Length() - 1 < limit) return p;
    WString prefixed(L"\\\\?\\");
    prefixed.Append(p);
    return prefixed;
}
