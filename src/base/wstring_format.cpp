// printf-style formatting of WString: the runtime's formatter first, our own
// small formatter when the runtime cannot deliver the text in any buffer size
// we are willing to try.
#include "base/wstring.h"

#include <stdio.h>
#include <stdlib.h>

namespace {

// _vsnwprintf is msvcrt's own: %s takes a wide string there. The C99 variant
// that libstdc++ switches on would read %s as 8-bit text.
bool TryRuntimeFormat(WString& out, const wchar_t* fmt, va_list args) {
    for (int32_t size = 1000; size < 104857600; size *= 5) {
        wchar_t* scratch = (wchar_t*)malloc(sizeof(wchar_t) * size);
        if (!scratch) return false;
        va_list copy;
        va_copy(copy, args);
        int result = _vsnwprintf(scratch, size - 1, fmt, copy);
        va_end(copy);
        bool done = result >= 0 && result <= size - 1;
        if (done) {
            scratch[result] = 0;
            out = scratch;
        }
        free(scratch);
        if (done) return true;
    }
    return false;
}

void AppendPadded(WString& out, const WString& digits, int32_t width) {
    for (int32_t n = digits.Length() - 1; n < width; ++n) out.AppendChar(L'0');
    out.AppendInPlace(digits);
}

WString FixedPoint(double value, int32_t precision) {
    bool negative = value < 0;
    if (negative) value = -value;
    bool addedOne = value < 1.0;
    if (addedOne) value += 1.0;
    double scaled = value;
    for (int32_t i = 0; i < precision; ++i) scaled *= 10.0;
    WString digits = WString::UInt64ToText((uint64_t)(scaled + 0.49));
    if (precision > 0) digits.InsertChar(L'.', digits.Length() - precision);
    if (addedOne) {
        // The 1.0 added above made the integer part non-empty; take it back.
        wchar_t first = digits.RemoveAt(1);
        digits.InsertChar((wchar_t)(first - 1), 1);
    }
    if (negative) digits.InsertChar(L'-', 1);
    // Zeros are trimmed only behind a point: "%.0f" of 10 stays "10".
    while (digits.FindChar(L'.', 1) && digits.CharAt(WString::kLast) == L'0') digits.DropRight(1);
    if (digits.CharAt(WString::kLast) == L'.') digits.DropRight(1);
    return digits;
}

}  // namespace

WString FormatFallback(const wchar_t* fmt, va_list args) {
    WString out;
    if (!fmt) return out;
    for (const wchar_t* p = fmt; *p; ++p) {
        if (*p != L'%') {
            out.AppendChar(*p);
            continue;
        }
        int32_t width = 0, precision = 5;
        bool inPrecision = false;
        for (++p;; ++p) {
            wchar_t c = *p;
            if (c == 0) return WString();
            if (c >= L'0' && c <= L'9') {
                if (inPrecision)
                    precision = precision * 10 + (c - L'0');
                else
                    width = width * 10 + (c - L'0');
                continue;
            }
            if (c == L'.') {
                if (inPrecision) return WString();
                inPrecision = true;
                precision = 0;
                continue;
            }
            if (c == L'%') {
                out.AppendChar(L'%');
            } else if (c == L's') {
                out.AppendInPlace(va_arg(args, const wchar_t*));
            } else if (c == L'd' || c == L'i') {
                int32_t v = va_arg(args, int32_t);
                if (v < 0) {
                    out.AppendChar(L'-');
                    AppendPadded(out, WString::UInt64ToText(0u - (uint32_t)v), width - 1);
                } else {
                    AppendPadded(out, WString::UInt64ToText((uint32_t)v), width);
                }
            } else if (c == L'u') {
                AppendPadded(out, WString::UInt64ToText(va_arg(args, uint32_t)), width);
            } else if (c == L'x' || c == L'X') {
                WString hex = WString::HexTrim(va_arg(args, uint32_t));
                AppendPadded(out, c == L'x' ? hex.ToLower() : hex, width);
            } else if (c == L'f') {
                out.AppendInPlace(FixedPoint(va_arg(args, double), precision));
            } else {
                continue;  // unknown letters inside a conversion are skipped
            }
            break;
        }
    }
    return out;
}

void WString::FormatV(const wchar_t* fmt, va_list args) {
    if (TryRuntimeFormat(*this, fmt, args)) return;
    va_list copy;
    va_copy(copy, args);
    *this = FormatFallback(fmt, copy);
    va_end(copy);
}

void WString::Format(const wchar_t* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    FormatV(fmt, args);
    va_end(args);
}

WString WString::Formatted(const wchar_t* fmt, ...) {
    WString s;
    va_list args;
    va_start(args, fmt);
    s.FormatV(fmt, args);
    va_end(args);
    return s;
}
