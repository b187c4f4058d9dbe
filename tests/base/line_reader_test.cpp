#include "base/line_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/scratch.h"

namespace {

// Every line ReadLine returns for a file of these bytes, and the text left in
// the string by the final false call.
struct Lines {
    std::vector<std::wstring> lines;
    std::wstring afterEnd;
};

Lines ReadAll(const std::string& bytes, bool utf16) {
    ScratchFolder dir;
    std::wstring path = dir / L"script.txt";
    EXPECT_TRUE(WriteBytes(path, bytes));
    DiskFile file;
    file.SetPath(path.c_str());
    file.Open(GENERIC_READ, OPEN_EXISTING, false);
    EXPECT_TRUE(file.IsOpen());
    Lines result;
    WString line(L"stale");
    while (ReadLine(file, line, utf16)) result.lines.push_back(line.Text());
    result.afterEnd = line.Text();
    // A second pass from the start reads the same (consumers count, then act).
    std::vector<std::wstring> again;
    for (file.Seek(0, DiskFile::kFromStart); ReadLine(file, line, utf16);) again.push_back(line.Text());
    EXPECT_EQ(result.lines, again);
    return result;
}

std::string Utf16(const std::wstring& text) {
    std::string bytes;
    for (wchar_t c : text) {
        bytes += (char)(c & 0xFF);
        bytes += (char)(c >> 8);
    }
    return bytes;
}

typedef std::vector<std::wstring> Texts;

TEST(ReadLine, EveryLineBreak) {
    EXPECT_EQ((Texts{L"a", L"b"}), ReadAll("a\rb", false).lines);
    EXPECT_EQ((Texts{L"a", L"", L"b"}), ReadAll("a\r\n\r\nb", false).lines);
    EXPECT_EQ((Texts{L"a"}), ReadAll("a\n", false).lines);
    EXPECT_EQ((Texts{L"a", L"b", L"", L"c"}), ReadAll("a\nb\r\n\nc\r\n", false).lines);
    EXPECT_EQ((Texts{L"a", L"", L"b"}), ReadAll("a\r\rb", false).lines);
}

TEST(ReadLine, OnlyABreakOrNothing) {
    Lines crlf = ReadAll("\r\n", false);
    EXPECT_EQ((Texts{L""}), crlf.lines);
    EXPECT_EQ(L"", crlf.afterEnd);
    EXPECT_TRUE(ReadAll("", false).lines.empty());
    EXPECT_EQ(L"", ReadAll("", false).afterEnd);
}

TEST(ReadLine, LastLineWithoutBreakOrEndingInCr) {
    EXPECT_EQ((Texts{L"first", L"last"}), ReadAll("first\r\nlast", false).lines);
    Lines cr = ReadAll("x\r", false);
    EXPECT_EQ((Texts{L"x"}), cr.lines);
    EXPECT_EQ(L"", cr.afterEnd);
}

TEST(ReadLine, NulBytesDisappear) {
    EXPECT_EQ((Texts{L"ab", L"c"}), ReadAll(std::string("a\0b\r\nc\0", 7), false).lines);
    EXPECT_EQ((Texts{L""}), ReadAll(std::string("\0\n", 2), false).lines);
}

TEST(ReadLine, AnsiBytesGoThroughTheCodePage) {
    wchar_t expected[2] = {0, 0};
    char byte = (char)0xE9;
    MultiByteToWideChar(CP_ACP, 0, &byte, 1, expected, 1);
    EXPECT_EQ((Texts{std::wstring(L"caf") + expected}), ReadAll("caf\xE9\r\n", false).lines);
}

// Lines convert whole: through the code page (in 932 a character is two
// bytes), or as UTF-8 behind the mark, at the start of the file only.
TEST(ReadLine, LinesConvertWhole) {
    auto ansi = [](const std::string& bytes) {
        wchar_t text[64] = {0};
        MultiByteToWideChar(CP_ACP, 0, bytes.data(), (int)bytes.size(), text, 63);
        return std::wstring(text);
    };
    const std::string nihon = "\xe6\x97\xa5\xe6\x9c\xac", mark = "\xef\xbb\xbf";
    std::vector<std::pair<std::string, Texts>> rows = {
        {"\x93\xfa\x96\x7b\r\nx", {ansi("\x93\xfa\x96\x7b"), L"x"}},
        {mark + "[Project Name]\r\n" + nihon, {L"[Project Name]", L"\u65e5\u672c"}},
        {mark + "\r\n" + nihon.substr(0, 2) + '\0' + nihon.substr(2), {L"", L"\u65e5\u672c"}},
        {mark, {}},
        {"a\n" + mark, {L"a", ansi(mark)}},
    };
    for (const auto& row : rows) EXPECT_EQ(row.second, ReadAll(row.first, false).lines) << row.first;
}

TEST(ReadLine, MissingParameterLineReadsAsEmpty) {
    ScratchFolder dir;
    std::wstring path = dir / L"setup.dat";
    ASSERT_TRUE(WriteBytes(path, "[CopyFile]\r\nentry.bin"));
    DiskFile file;
    file.SetPath(path.c_str());
    file.Open(GENERIC_READ, OPEN_EXISTING, false);
    WString header, entry, destination(L"stale");
    ASSERT_TRUE(ReadLine(file, header, false));
    ASSERT_TRUE(ReadLine(file, entry, false));
    EXPECT_FALSE(ReadLine(file, destination, false));
    EXPECT_EQ(L"entry.bin", std::wstring(entry.Text()));
    EXPECT_TRUE(destination.IsEmpty());
    // A second pass starts again at offset 0.
    ASSERT_TRUE(file.Seek(0, DiskFile::kFromStart));
    ASSERT_TRUE(ReadLine(file, header, false));
    EXPECT_EQ(L"[CopyFile]", std::wstring(header.Text()));
}

TEST(ReadLine, Utf16WithMarksAndBreaks) {
    Lines l = ReadAll("\xFF\xFE" + Utf16(L"[run]\r\nC:\\a b.exe\r\n"), true);
    EXPECT_EQ((Texts{L"[run]", L"C:\\a b.exe"}), l.lines);
    // A mark at the start of any line is skipped, inside a line it is kept.
    std::wstring inner = std::wstring(L"x") + wchar_t(0xFEFF) + L"y";
    EXPECT_EQ((Texts{L"a", inner, L"b"}),
              ReadAll(Utf16(L"a\n" + inner + L"\r") + "\xFF\xFE" + Utf16(L"b"), true).lines);
    EXPECT_EQ((Texts{L"a", L"b", L"", L"c"}), ReadAll(Utf16(L"a\rb\r\n\nc"), true).lines);
    EXPECT_EQ((Texts{L"ab"}), ReadAll(Utf16(std::wstring(L"a\0b\r\n", 5)), true).lines);
    EXPECT_EQ((Texts{L"\u0416z"}), ReadAll(Utf16(L"\u0416z"), true).lines);
}

TEST(ReadLine, Utf16HalfUnitAtTheEnd) {
    // A unit is complete only with both bytes: the odd byte is no character.
    EXPECT_EQ((Texts{L"ab"}), ReadAll(Utf16(L"ab") + "c", true).lines);
    Lines crThenHalf = ReadAll(Utf16(L"x\r") + "y", true);
    EXPECT_EQ((Texts{L"x"}), crThenHalf.lines);
}

}  // namespace
