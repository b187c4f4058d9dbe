// The dialogs' icons drawn from their drawings at any size: clear where the
// picture is not, its colours where it is, edges blended, and drawings that
// end early refused.
#include "ui/vector_picture.h"

#include <gtest/gtest.h>

#include <vector>

#include "res/resource_ids.h"
#include "ui/icon_handle.h"
#include "ui/memory_bitmap.h"

namespace {

// The icon drawn over white at side x side, as the dialogs draw it.
struct Drawn {
    MemoryBitmap target;
    COLORREF At(double x, double y) const {
        return GetPixel(target.MemoryDC(), (int)(x * target.Width()), (int)(y * target.Height()));
    }
};

bool DrawOverWhite(int id, int side, Drawn& drawn) {
    IconHandle icon;
    if (!icon.Load(id, side) || icon.Width() != side || icon.Height() != side) return false;
    if (!drawn.target.CreateBlank(nullptr, side, side)) return false;
    RECT all = {0, 0, side, side};
    FillRect(drawn.target.MemoryDC(), &all, (HBRUSH)GetStockObject(WHITE_BRUSH));
    icon.Draw(drawn.target.MemoryDC(), 0, 0);
    return true;
}

bool Near(COLORREF a, COLORREF b) {
    return abs(GetRValue(a) - GetRValue(b)) < 8 && abs(GetGValue(a) - GetGValue(b)) < 8 &&
           abs(GetBValue(a) - GetBValue(b)) < 8;
}

// Each icon at the sides the dialogs ask for and at sides none does: a
// point of its picture (as a fraction of the side) and its colour there;
// the corners stay white.
TEST(VectorPicture, EveryIconDrawsItsColoursAtEverySide) {
    const struct {
        int id;
        double x, y;
        COLORREF colour;
        int fromSide;  // below it the point's feature is under two pixels, blurred
    } kRows[] = {
        {IDI_SUCCESS, 0.5, 0.2, RGB(0x2E, 0x9E, 0x4F), 0},   // the disc above the tick
        {IDI_SUCCESS, 0.44, 0.64, RGB(255, 255, 255), 32},    // the tick's corner
        {IDI_FAILURE, 0.5, 0.5, RGB(255, 255, 255), 32},      // where the cross's strokes meet
        {IDI_FAILURE, 0.5, 0.2, RGB(0xD2, 0x3B, 0x3B), 0},
        {IDI_UNINSTALL, 0.5, 0.14, RGB(0x5A, 0x62, 0x70), 0},  // the lid
        {IDI_UNINSTALL, 0.45, 0.6, RGB(0x5A, 0x62, 0x70), 32},  // between two white lines
        {IDI_RESTART, 0.2, 0.54, RGB(0xD9, 0x7A, 0x00), 0},  // the arc's left side
        {IDI_RESTART, 0.5, 0.54, RGB(255, 255, 255), 32},     // inside the arc
        {IDI_CHECKED, 0.15, 0.5, RGB(0x2D, 0x6C, 0xDF), 0},
        {IDI_CHECKED_DISABLED, 0.15, 0.5, RGB(0xB4, 0xBD, 0xCB), 0},
        {IDI_UNCHECKED, 0.5, 0.5, RGB(255, 255, 255), 32},    // inside the outline
        {IDI_UNCHECKED, 0.5, 0.1, RGB(0x5A, 0x62, 0x70), 32},  // the outline
        {IDI_UNCHECKED_DISABLED, 0.5, 0.5, RGB(0xF0, 0xF1, 0xF3), 0},
        {IDI_PROGRAM, 0.5, 0.2, RGB(0x2D, 0x6C, 0xDF), 0},   // the title bar
        {IDI_PROGRAM, 0.48, 0.59, RGB(0x2E, 0x9E, 0x4F), 0},  // the triangle
        {IDI_SHORTCUT, 0.62, 0.44, RGB(0x2D, 0x6C, 0xDF), 0},  // the arrow's head
    };
    for (const auto& row : kRows)
        for (int side : {16, 20, 24, 32, 48, 75, 94, 112, 150, 256, 37, 300}) {
            if (side < row.fromSide) continue;
            Drawn drawn;
            ASSERT_TRUE(DrawOverWhite(row.id, side, drawn)) << row.id << " " << side;
            EXPECT_PRED2(Near, row.colour, drawn.At(row.x, row.y)) << row.id << " at " << side;
            EXPECT_EQ(RGB(255, 255, 255), GetPixel(drawn.target.MemoryDC(), 0, 0)) << row.id << " " << side;
            EXPECT_EQ(RGB(255, 255, 255), GetPixel(drawn.target.MemoryDC(), side - 1, side - 1)) << row.id;
        }
}

// The disc's rim is blended with what is under it: colours between the
// green and the white, not only those two.
TEST(VectorPicture, EdgesAreBlended) {
    Drawn drawn;
    ASSERT_TRUE(DrawOverWhite(IDI_SUCCESS, 150, drawn));
    int between = 0;
    for (int x = 0; x < 150; x++) {
        COLORREF c = GetPixel(drawn.target.MemoryDC(), x, 75);
        between += !Near(c, RGB(255, 255, 255)) && !Near(c, RGB(0x2E, 0x9E, 0x4F));
    }
    EXPECT_GE(between, 2);
    EXPECT_LE(between, 12);
}

// A square from (16, 16) to (48, 48) of 64 units, drawn at 64 pixels; and
// the same cut short at each byte.
TEST(VectorPicture, ShortDrawingsAreRefused) {
    const uint8_t kSquare[] = {64, 1, 10, 20, 30, 2, 0, 4, 0, 4, 2, 0, 12, 0, 4, 2,
                               0, 12, 0, 12, 2, 0, 4, 0, 12, 4, 0};
    std::vector<uint8_t> pixels(64 * 64 * 4);
    ASSERT_TRUE(DrawVectorPicture(kSquare, sizeof kSquare, 64, 64, pixels.data()));
    const uint8_t* inside = &pixels[(32 * 64 + 32) * 4];
    EXPECT_EQ(30, inside[0]);
    EXPECT_EQ(10, inside[2]);
    EXPECT_EQ(255, inside[3]);
    EXPECT_EQ(0, pixels[(8 * 64 + 8) * 4 + 3]);
    EXPECT_EQ(255, pixels[(16 * 64 + 16) * 4 + 3]);
    EXPECT_EQ(0, pixels[(48 * 64 + 48) * 4 + 3]);
    for (uint32_t size = 0; size < sizeof kSquare; size++)
        EXPECT_FALSE(DrawVectorPicture(kSquare, size, 64, 64, pixels.data())) << size;
    EXPECT_EQ(nullptr, LoadVectorIcon(9999, 32));
}

// The close button's strips at each scale: four cells of the scale's size
// (150 %'s are not square), each picture above its mask. In the pressed
// cell the tile is ink: its red above, black below; the normal cell's
// corner, outside its cross, is clear: black above, white below.
TEST(VectorPicture, CloseStripsHoldPicturesAboveTheirMasks) {
    const struct {
        int id, cellWidth, cellHeight;
    } kStrips[] = {{IDB_CLOSE_100, 22, 22}, {IDB_CLOSE_125, 28, 28}, {IDB_CLOSE_150, 31, 29},
                   {IDB_CLOSE_200, 44, 44}, {IDB_CLOSE_300, 66, 66}};
    for (const auto& strip : kStrips) {
        MemoryBitmap bitmap;
        ASSERT_TRUE(bitmap.LoadResource(strip.id)) << strip.id;
        ASSERT_EQ(4 * strip.cellWidth, bitmap.Width());
        ASSERT_EQ(2 * strip.cellHeight, bitmap.Height());
        HDC dc = bitmap.MemoryDC();
        int pressedX = strip.cellWidth + strip.cellWidth / 2, tileY = strip.cellHeight / 5;
        EXPECT_PRED2(Near, RGB(0xA8, 0x12, 0x1E), GetPixel(dc, pressedX, tileY)) << strip.id;
        EXPECT_EQ(RGB(0, 0, 0), GetPixel(dc, pressedX, strip.cellHeight + tileY)) << strip.id;
        EXPECT_EQ(RGB(0, 0, 0), GetPixel(dc, 1, 1)) << strip.id;
        EXPECT_EQ(RGB(255, 255, 255), GetPixel(dc, 1, strip.cellHeight + 1)) << strip.id;
    }
}

}  // namespace
