#include "base/wstring.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::wstring S(const WString& s) { return s.Text(); }

WString Fallback(const wchar_t* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    WString s = FormatFallback(fmt, args);
    va_end(args);
    return s;
}

TEST(WString, EmptyString) {
    WString s;
    EXPECT_EQ(1, s.Length());
    EXPECT_EQ(0, s.CharAt(WString::kLast));
    EXPECT_EQ(L"", S(s.Right(3)));
    s.EnsureTrailingBackslash();
    EXPECT_EQ(L"\\", S(s));
    EXPECT_EQ(1, WString(nullptr).Length());
}

TEST(WString, AssignCountIncludesTheTerminator) {
    WString s;
    s.Assign(L"abcdef", 3);  // three units, the last overwritten by NUL
    EXPECT_EQ(L"ab", S(s));
    EXPECT_EQ(3, s.Length());
    s.Assign(L"xyz", 0);
    EXPECT_EQ(4, s.Length());
}

TEST(WString, PositionsAndFind) {
    WString abc(L"abc");
    EXPECT_EQ(1, abc.Find(L"", 1));
    EXPECT_EQ(0, abc.Find(L"c", 4));
    EXPECT_EQ(0, abc.Find(L"a", 0));
    EXPECT_EQ(3, abc.Find(L"c", 1));
    EXPECT_EQ(2, abc.Find(L"bc", 2));
    EXPECT_EQ(0, abc.Find(L"bcd", 1));
    EXPECT_EQ(L'c', abc.CharAt(WString::kLast));
    EXPECT_EQ(0, abc.CharAt(0));
    EXPECT_EQ(0, abc.CharAt(4));
    EXPECT_EQ(4, WString(L"a.b.c").FindLastChar(L'.'));
    EXPECT_EQ(0, WString().FindLastChar(L'x'));
}

TEST(WString, Compare) {
    EXPECT_EQ(0, Compare(WString(L"ABC"), L"abc", true));
    EXPECT_EQ(-1, Compare(WString(L"ABC"), L"abc", false));
    EXPECT_EQ(-1, Compare(WString(L"ab"), L"abc", false));
    EXPECT_EQ(1, Compare(WString(L"abd"), L"abc", false));
    EXPECT_EQ(1, Compare(WString(L"abc"), L"ab", false));
    EXPECT_EQ(1, Compare(WString(L"abc"), nullptr, false));
    EXPECT_NE(0, Compare(WString(L"\u00C9"), L"\u00E9", true));  // accents never fold
    EXPECT_EQ(1, Compare(WString(L"\uFFFF"), L"a", false));       // unsigned units
}

TEST(WString, EditingInPlace) {
    WString s(L"hello");
    EXPECT_EQ(L'o', s.RemoveAt(WString::kLast));
    EXPECT_EQ(0, s.RemoveAt(9));
    s.InsertChar(L'!', WString::kLast);
    s.InsertChar(L'>', 1);
    s.InsertChar(L'x', 0);
    s.InsertChar(L'x', 99);
    EXPECT_EQ(L">hell!", S(s));
    s.InsertText(L"[]", s.Length());
    s.InsertText(L"--", 2);
    EXPECT_EQ(L">--hell![]", S(s));
    s.DeleteRange(2, 3);
    s.DeleteRange(0, 2);
    s.DeleteRange(5, 4);
    EXPECT_EQ(L">hell![]", S(s));
    s.DropRight(2);
    EXPECT_EQ(L">hell!", S(s));
    s.DropRight(100);
    EXPECT_EQ(1, s.Length());
    s = L"ab";
    s.SetLength(4);
    EXPECT_EQ(L"ab  ", S(s));
    s.SetLength(1);
    EXPECT_EQ(L"a", S(s));
    s = L"  \tx";
    EXPECT_EQ(L'\t', s.TrimLeadingSpaces());
    EXPECT_EQ(L"\tx", S(s));
    s = L"   ";
    EXPECT_EQ(0, s.TrimLeadingSpaces());
}

TEST(WString, Replace) {
    WString s(L"line1\\nline2\\n");
    s.Replace(L"\\n", L"\r\n", false);
    EXPECT_EQ(L"line1\r\nline2\r\n", S(s));
    WString t(L"aXa xa");
    t.Replace(L"xa", L"xaxa", true);  // inserted text is never rescanned
    EXPECT_EQ(L"axaxa xaxa", S(t));
    WString u(L"abc");
    u.Replace(L"", L"z", false);
    EXPECT_EQ(L"abc", S(u));
    WString v(L"<Program Files>x<PROGRAM FILES>");
    v.Replace(L"<program files>", L"C:\\", true);
    EXPECT_EQ(L"C:\\xC:\\", S(v));
}

TEST(WString, Copies) {
    WString s(L"abcdef");
    EXPECT_EQ(L"bcd", S(s.Substring(2, 4)));
    EXPECT_EQ(L"def", S(s.Substring(4, 100)));
    EXPECT_EQ(L"", S(s.Substring(0, 3)));
    EXPECT_EQ(L"", S(s.Substring(7, 9)));
    EXPECT_EQ(L"", S(s.Substring(4, 3)));
    EXPECT_EQ(L"ab", S(s.Left(2)));
    EXPECT_EQ(L"ef", S(s.Right(2)));
    EXPECT_EQ(L"abcdef", S(s.Right(10)));
    EXPECT_EQ(L"", S(s.Right(0)));
    EXPECT_EQ(L"cdef", S(s.From(3)));
    EXPECT_EQ(L"A-Z\u00E9", S(WString(L"a-z\u00E9").ToUpper()));
    EXPECT_EQ(L"a-z\u00C9", S(WString(L"A-Z\u00C9").ToLower()));
}

TEST(WString, Numbers) {
    EXPECT_EQ(L"-9223372036854775808", S(WString::Int64ToText(INT64_MIN)));
    EXPECT_EQ(L"0", S(WString::Int64ToText(0)));
    EXPECT_EQ(L"-42", S(WString::Int64ToText(-42)));
    EXPECT_EQ(L"18446744073709551615", S(WString::UInt64ToText(UINT64_MAX)));
    EXPECT_EQ(L"00000000000000FF", S(WString::Hex16(255)));
    EXPECT_EQ(L"0", S(WString::HexTrim(0)));
    EXPECT_EQ(L"ABC", S(WString::HexTrim(0xABC)));
    EXPECT_EQ(L"-17", S(WString(-17)));
    struct { const wchar_t* text; int64_t value; } cases[] = {
        {L"  -42x", -42}, {L"+7", 7}, {L"1-2", 1}, {L"", 0}, {L"abc", 0},
        {L"9223372036854775807", INT64_MAX}, {L"18446744073709551616", 0},  // wraps
    };
    for (auto& c : cases) EXPECT_EQ(c.value, WString(c.text).ToInt64()) << c.text;
}

TEST(WString, RuntimeFormat) {
    EXPECT_EQ(L"--selfrun --IsElevated=\"C:\\x y\" --silent",
              S(WString::Formatted(L"--selfrun --IsElevated=\"%s\" %s", L"C:\\x y", L"--silent")));
    EXPECT_EQ(L"Running Install 2 of 5", S(WString::Formatted(L"Running Install %d of %d", 2, 5)));
    // Longer than the first scratch buffer: the retry with a larger one.
    std::wstring big(3000, L'x');
    WString s = WString::Formatted(L"[%s]", big.c_str());
    EXPECT_EQ(3002, s.Length() - 1);
    EXPECT_EQ(L']', s.CharAt(WString::kLast));
    // Exactly filling the first buffer (999 characters).
    std::wstring edge(997, L'y');
    EXPECT_EQ(999, WString::Formatted(L"<%s>", edge.c_str()).Length() - 1);
}

TEST(WString, FallbackFormatter) {
    EXPECT_EQ(L"3.5", S(Fallback(L"%.2f", 3.5)));
    EXPECT_EQ(L"0.25", S(Fallback(L"%f", 0.25)));
    EXPECT_EQ(L"-1.5", S(Fallback(L"%.1f", -1.5)));
    EXPECT_EQ(L"10", S(Fallback(L"%.0f", 10.0)));
    EXPECT_EQ(L"007", S(Fallback(L"%3d", 7)));
    EXPECT_EQ(L"-07", S(Fallback(L"%3d", -7)));
    EXPECT_EQ(L"", S(Fallback(L"abc%")));
    EXPECT_EQ(L"", S(Fallback(L"%1.2.3d", 5)));
    EXPECT_EQ(L"100%", S(Fallback(L"%d%%", 100)));
    EXPECT_EQ(L"a=x b=4294967295", S(Fallback(L"a=%s b=%u", L"x", 0xFFFFFFFFu)));
    EXPECT_EQ(L"00ff FF", S(Fallback(L"%4x %X", 255u, 255u)));
    EXPECT_EQ(L"-2147483648", S(Fallback(L"%d", INT32_MIN)));
    EXPECT_EQ(L"7", S(Fallback(L"%ld", 7)));  // unknown letters are skipped
}

TEST(WString, PathText) {
    WString p(L"C:\\dir.old\\file");
    EXPECT_EQ(L".", S(p.Extension()));
    EXPECT_EQ(L"C:\\dir", S(p.StripExtension()));
    WString f(L"C:\\dir\\file.txt");
    EXPECT_EQ(L".txt", S(f.Extension()));
    EXPECT_EQ(L"C:\\dir\\", S(f.FolderPart()));
    EXPECT_EQ(L"file.txt", S(f.FileName()));
    EXPECT_EQ(L"file", S(f.FileTitle()));
    EXPECT_EQ(L"plain", S(WString(L"plain").FileName()));
    EXPECT_EQ(L"plain", S(WString(L"plain").FolderPart()));
    WString b(L"C:\\a\\\\");
    b.StripTrailingBackslashes();
    EXPECT_EQ(L"C:\\a", S(b));
    b.EnsureTrailingBackslash();
    b.EnsureTrailingBackslash();
    EXPECT_EQ(L"C:\\a\\", S(b));
}

TEST(WString, RootsAndComponents) {
    EXPECT_EQ(4, WString(L"C:\\a\\b").RootEnd());
    EXPECT_EQ(10, WString(L"\\\\server\\share\\x").RootEnd());
    EXPECT_EQ(8, WString(L"\\\\?\\C:\\x").RootEnd());
    EXPECT_EQ(1, WString(L"C:").RootEnd());
    WString p(L"C:\\a\\b\\c\\");
    EXPECT_EQ(L"c", S(PopLastComponent(p)));
    EXPECT_EQ(L"C:\\a\\b\\", S(p));
    EXPECT_EQ(L"b", S(PopLastComponent(p)));
    EXPECT_EQ(L"a", S(PopLastComponent(p)));
    EXPECT_EQ(L"C:\\", S(p));
    EXPECT_EQ(L"", S(PopLastComponent(p)));
    WString unc(L"\\\\server\\share\\dir");
    EXPECT_EQ(L"dir", S(PopLastComponent(unc)));
    EXPECT_EQ(L"share", S(PopLastComponent(unc)));
    EXPECT_EQ(L"", S(PopLastComponent(unc)));
    EXPECT_EQ(L"\\\\server\\", S(unc));
}

TEST(WString, LongPath) {
    std::wstring longPath = L"C:\\" + std::wstring(257, L'a');  // 260 characters
    EXPECT_EQ(L"\\\\?\\" + longPath, S(LongPath(longPath.c_str(), 260)));
    std::wstring shorter = longPath.substr(0, 259);
    EXPECT_EQ(shorter, S(LongPath(shorter.c_str(), 260)));
    EXPECT_EQ(L"\\\\?\\" + shorter, S(LongPath(shorter.c_str(), 248)));
    std::wstring unc = L"\\\\server\\" + std::wstring(300, L'b');
    EXPECT_EQ(unc, S(LongPath(unc.c_str(), 260)));
}

TEST(WString, GrowthAndCapacity) {
    std::wstring t127(127, L'a');
    WString a(t127.c_str());
    EXPECT_EQ(128, a.Capacity());
    EXPECT_TRUE(a.IsInline());
    WString b(a), c(a);
    a.Append(L"b");
    EXPECT_EQ(154, a.Capacity());
    b.AppendInPlace(L"b");
    EXPECT_EQ(172, b.Capacity());
    c.InsertChar(L'b', 1);
    EXPECT_EQ(161, c.Capacity());
    EXPECT_FALSE(c.IsInline());
    EXPECT_EQ(L'b', c.CharAt(1));

    std::wstring t200(200, L'z');
    WString h(t200.c_str());
    h.SetTag(77);
    EXPECT_FALSE(h.IsInline());
    WString copy(h);
    EXPECT_EQ(t200, S(copy));
    EXPECT_EQ(77u, copy.Tag());
    WString assigned;
    assigned.SetTag(5);
    assigned = h;  // assignment keeps the destination's tag
    EXPECT_EQ(5u, assigned.Tag());
    // Shrinking keeps the block: the string never gives its buffer back.
    h = L"x";
    EXPECT_EQ(201, h.Capacity());

    WString grow;
    for (int i = 0; i < 10000; ++i) grow.AppendChar(L'0' + i % 10);
    EXPECT_EQ(10001, grow.Length());
    EXPECT_EQ(L'9', grow.CharAt(WString::kLast));
}

TEST(WString, SelfReferencingEdits) {
    WString s(L"abc");
    s.Append(s);
    EXPECT_EQ(L"abcabc", S(s));
    s.Assign(s.Text() + 3, 0);
    EXPECT_EQ(L"abc", S(s));
    s = s;
    EXPECT_EQ(L"abc", S(s));
}

TEST(WString, AnsiAndUtf8) {
    WString u = WString::FromAnsi("caf\xC3\xA9", true);
    EXPECT_EQ(L"caf\u00E9", S(u));
    EXPECT_EQ(5, u.Length());
    WString a = WString::FromAnsi("plain", false);
    EXPECT_EQ(L"plain", S(a));
    EXPECT_EQ(1, WString::FromAnsi(nullptr, true).Length());
    WString back(L"setup.dat");
    EXPECT_STREQ("setup.dat", back.ToAnsi());
    WString empty;
    EXPECT_STREQ("", empty.ToAnsi());
}

}  // namespace
