// Fonts: face names, line splitting, measuring and drawing into a bitmap.
#include "ui/font.h"

#include <gtest/gtest.h>

#include <string>

#include "ui/memory_bitmap.h"

namespace {

class FontTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(canvas.CreateBlank(nullptr, 200, 100));
        dc = canvas.MemoryDC();
        RECT all = {0, 0, 200, 100};
        FillRect(dc, &all, (HBRUSH)GetStockObject(WHITE_BRUSH));
    }
    int BlackPixels(int left, int top, int right, int bottom) {
        int n = 0;
        for (int y = top; y < bottom; ++y)
            for (int x = left; x < right; ++x)
                if (GetPixel(dc, x, y) == RGB(0, 0, 0)) ++n;
        return n;
    }
    MemoryBitmap canvas;
    HDC dc = nullptr;
};

TEST_F(FontTest, FaceNameOfThirtyOneCharactersIsUsed) {
    std::string name(31, 'Q');
    Font font(nullptr, name.c_str(), 16, 0, false, false, false);
    EXPECT_EQ(std::wstring(31, L'Q'), font.logFont.lfFaceName);
}

TEST_F(FontTest, FaceNameOfThirtyTwoCharactersOrNoneGivesTahoma) {
    std::string name(32, 'Q');
    Font font(nullptr, name.c_str(), 16, 0, false, false, false);
    EXPECT_STREQ(L"Tahoma", font.logFont.lfFaceName);
    font.Create(nullptr, "", 16, 0, false, false, false);
    EXPECT_STREQ(L"Tahoma", font.logFont.lfFaceName);
    font.Create(nullptr, nullptr, 16, 0, false, false, false);
    EXPECT_STREQ(L"Tahoma", font.logFont.lfFaceName);
}

TEST_F(FontTest, CreateSetsTheLogFont) {
    Font font;
    ASSERT_TRUE(font.Create(nullptr, "Arial", 23, RGB(1, 2, 3), true, true, true));
    EXPECT_EQ(23, font.logFont.lfHeight);
    EXPECT_EQ(700, font.logFont.lfWeight);
    EXPECT_EQ(1, font.logFont.lfItalic);
    EXPECT_EQ(1, font.logFont.lfUnderline);
    EXPECT_EQ(ANSI_CHARSET, font.logFont.lfCharSet);
    EXPECT_EQ(RGB(1, 2, 3), font.colour);
    EXPECT_FALSE(font.IsSelected());
    // The constructing form leaves italics off.
    Font constructed(nullptr, "Arial", 23, 0, false, true, false);
    EXPECT_EQ(0, constructed.logFont.lfItalic);
    EXPECT_EQ(400, constructed.logFont.lfWeight);
}

TEST_F(FontTest, SelectSetsColourAndModeAndDeselectRestoresThem) {
    SetTextColor(dc, RGB(9, 9, 9));
    SetBkMode(dc, OPAQUE);
    Font font(dc, "Tahoma", 16, RGB(200, 0, 0), false, false, false);
    EXPECT_TRUE(font.IsSelected());
    EXPECT_EQ(RGB(200, 0, 0), GetTextColor(dc));
    EXPECT_EQ(TRANSPARENT, GetBkMode(dc));
    EXPECT_EQ(font.Handle(), GetCurrentObject(dc, OBJ_FONT));
    font.Deselect();
    EXPECT_EQ(RGB(9, 9, 9), GetTextColor(dc));
    EXPECT_EQ(OPAQUE, GetBkMode(dc));
    EXPECT_NE(font.Handle(), GetCurrentObject(dc, OBJ_FONT));
}

TEST_F(FontTest, TextHeightCountsLinesAtCarriageReturnsOnly) {
    Font font(dc, "Tahoma", 16, 0, false, false, false);
    int line = font.TextHeight(L"Ay", false);
    ASSERT_GT(line, 0);
    font.lineSpacing = 3;
    EXPECT_EQ(2 * line + 3, font.TextHeight(L"a\r\nb", true));
    EXPECT_EQ(line, font.TextHeight(L"a\r\nb", false));
    EXPECT_EQ(line, font.TextHeight(L"a\nb", true));
    EXPECT_EQ(3 * line + 6, font.TextHeight(L"a\r\r\nb", true));
    EXPECT_EQ(0, font.TextHeight(L"", true));
}

TEST_F(FontTest, TextWidthOfLinesIsTheWidestLine) {
    Font font(dc, "Tahoma", 16, 0, false, false, false);
    int shortLine = font.TextWidth(L"ab", false, 0);
    int longLine = font.TextWidth(L"abcdefgh", false, 0);
    ASSERT_GT(longLine, shortLine);
    EXPECT_EQ(longLine, font.TextWidth(L"ab\r\nabcdefgh", true, 0));
    // An LF alone does not break the line.
    EXPECT_GT(font.TextWidth(L"abcdefgh\nab", true, 0), longLine);
}

TEST_F(FontTest, TabOriginMovesTheFirstStop) {
    Font font(dc, "Tahoma", 16, 0, false, false, false);
    int average = font.TextWidth(L"abcdefABCDEF", false, 0) / 12;
    int distance = 8 * average;
    int at10 = font.TextWidth(L"\tx", true, 10);
    // The first stop comes 10 pixels earlier when the text starts 10 further in.
    EXPECT_EQ(at10 - 10, font.TextWidth(L"\tx", true, 20));
    // Origins a whole tab distance apart share their stops.
    EXPECT_EQ(at10, font.TextWidth(L"\tx", true, 10 + distance));
    EXPECT_EQ(distance - 10 + font.TextWidth(L"x", false, 0), at10);
}

TEST_F(FontTest, WithoutSelectionTheContextFreeFormsMeasureNothing) {
    Font font(nullptr, "Tahoma", 16, 0, false, false, false);
    EXPECT_EQ(0, font.TextWidth(L"abc", false, 0));
    EXPECT_EQ(0, font.TextHeight(L"abc", false));
    EXPECT_GT(font.TextWidth(dc, L"abc", false, 0), 0);
    EXPECT_FALSE(font.IsSelected());
    Font empty;
    EXPECT_EQ(0, empty.TextWidth(dc, L"abc", false, 0));
    empty.DrawText(dc, 0, 0, L"abc", false);
    EXPECT_EQ(0, BlackPixels(0, 0, 200, 100));
}

TEST_F(FontTest, DrawTextPutsEachLineBelowTheLast) {
    Font font(nullptr, "Tahoma", 20, RGB(0, 0, 0), true, false, false);
    font.DrawText(dc, 10, 10, L"MMMM\r\nMMMM", true);
    int line = font.TextHeight(dc, L"Ay", false);
    EXPECT_GT(BlackPixels(10, 10, 100, 10 + line), 20);
    EXPECT_GT(BlackPixels(10, 10 + line, 100, 10 + 2 * line), 20);
    EXPECT_EQ(0, BlackPixels(10, 10 + 2 * line + 2, 200, 100));
    EXPECT_FALSE(font.IsSelected());
}

TEST_F(FontTest, AnsiTextIsDrawnOnOneLine) {
    Font font(dc, "Tahoma", 20, RGB(0, 0, 0), true, false, false);
    font.DrawText(nullptr, 10, 10, "MM\rMM");
    int line = font.TextHeight(L"Ay", false);
    EXPECT_GT(BlackPixels(10, 10, 200, 10 + line), 20);
    EXPECT_EQ(0, BlackPixels(0, 10 + line + 2, 200, 100));
}

}  // namespace
