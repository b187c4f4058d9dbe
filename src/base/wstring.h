// WString: the one string type. UTF-16, 128 code units inline, 1-based
// positions (0 = not found), length counting the terminating NUL.
#pragma once

#include <stdarg.h>
#include <stdint.h>
#include <wchar.h>

class WString {
public:
    // Position argument meaning "the last character" (or "after it" for
    // InsertChar). Callers throughout the program pass it.
    static const int32_t kLast = -12345;
    static const int32_t kInline = 128;

    WString();
    WString(const wchar_t* text);
    WString(const WString& other);
    explicit WString(int32_t value);
    ~WString();

    static WString FromAnsi(const char* text, bool utf8);
    void Assign(const wchar_t* text, int32_t count);
    WString& operator=(const wchar_t* text);
    WString& operator=(const WString& other);
    WString& AssignAnsi(const char* text);

    int32_t Length() const { return length_; }
    bool IsEmpty() const { return length_ <= 1; }
    int32_t Capacity() const { return capacity_; }
    bool IsInline() const { return buffer_ == inline_; }
    const wchar_t* Text() const { return buffer_; }
    operator const wchar_t*() const { return buffer_; }
    uint32_t Tag() const { return tag_; }
    void SetTag(uint32_t tag) { tag_ = tag; }

    wchar_t CharAt(int32_t pos) const;
    void CopyTo(wchar_t* dst) const;
    // The text in the ANSI code page, or in UTF-8 with utf8 set; valid until
    // the next call or the string's end.
    const char* ToAnsi(bool utf8 = false);

    int32_t Find(const wchar_t* needle, int32_t start) const;
    int32_t FindChar(wchar_t ch, int32_t start) const;
    int32_t FindLastChar(wchar_t ch) const;

    WString& Append(const wchar_t* text);
    WString& Append(const WString& text);
    void AppendInPlace(const wchar_t* text);
    void AppendChar(wchar_t ch);
    void InsertChar(wchar_t ch, int32_t pos);
    void InsertText(const wchar_t* text, int32_t pos);
    wchar_t RemoveAt(int32_t pos);
    void DeleteRange(int32_t start, int32_t end);
    void DropRight(int32_t n);
    void SetLength(int32_t n);
    wchar_t TrimLeadingSpaces();
    void TrimTrailingSpaces();
    void Replace(const wchar_t* find, const wchar_t* with, bool ignoreCase);

    WString Substring(int32_t start, int32_t end) const;
    WString Left(int32_t n) const { return Substring(1, n); }
    WString Right(int32_t n) const;
    WString From(int32_t pos) const { return Substring(pos, length_ - 1); }
    WString ToUpper() const;
    WString ToLower() const;

    static WString Int64ToText(int64_t value);
    static WString UInt64ToText(uint64_t value);
    static WString Hex16(uint64_t value);
    static WString HexTrim(uint64_t value);
    int64_t ToInt64() const;

    void Format(const wchar_t* fmt, ...);
    void FormatV(const wchar_t* fmt, va_list args);
    static WString Formatted(const wchar_t* fmt, ...);

    WString Extension() const;
    WString FileName() const;
    WString StripExtension() const;
    WString FileTitle() const { return FileName().StripExtension(); }
    WString FolderPart() const;
    void EnsureTrailingBackslash();
    void StripTrailingBackslashes();
    int32_t RootEnd() const;

private:
    void ReserveKeep(int32_t needed, int32_t spare);
    void ReserveDiscard(int32_t needed);
    void InsertUnits(const wchar_t* units, int32_t count, int32_t pos, int32_t spare);

    wchar_t* buffer_;
    int32_t length_;
    uint32_t tag_;
    wchar_t inline_[kInline];
    char* ansi_;
    int32_t ansiSize_;
    int32_t capacity_;
};

// The ASCII case folding of every comparison that ignores case.
inline wchar_t FoldLower(wchar_t c) { return (c >= L'A' && c <= L'Z') ? (wchar_t)(c + 32) : c; }
// Only 0 (equal) is meaningful to callers; A-Z/a-z fold with ignoreCase.
int Compare(const WString& s, const wchar_t* other, bool ignoreCase);
// Splits a folder path from the end; empty once only the root is left.
WString PopLastComponent(WString& path);
// Adds the "\\?\" prefix to paths of limit characters or more (260 for file
// opens, 248 for folder operations, the system's MAX_PATH rules).
WString LongPath(const wchar_t* path, int32_t limit);
// The built-in formatter used when the runtime's cannot produce the text.
WString FormatFallback(const wchar_t* fmt, va_list args);
