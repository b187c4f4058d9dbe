// Memory bitmaps, pictures from memory, icons, pens and brushes.
#include "ui/memory_bitmap.h"

#include <gtest/gtest.h>

#include <set>

#include <string>

#include "res/resource_ids.h"
#include "support/process.h"
#include "support/scratch.h"
#include "ui/gdi_objects.h"
#include "ui/icon_handle.h"

namespace {

void Fill(HDC dc, int w, int h, COLORREF colour) {
    Brush brush(nullptr, colour);
    RECT r = {0, 0, w, h};
    FillRect(dc, &r, brush.Handle());
}

// A 24-bit BMP file, bottom-up, every pixel of one colour.
std::string BmpBytes(int w, int h, COLORREF colour) {
    int stride = (w * 3 + 3) & ~3;
    BITMAPFILEHEADER file = {};
    BITMAPINFOHEADER info = {};
    info.biSize = sizeof info;
    info.biWidth = w;
    info.biHeight = h;
    info.biPlanes = 1;
    info.biBitCount = 24;
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = file.bfOffBits + stride * h;
    std::string bytes((const char*)&file, sizeof file);
    bytes.append((const char*)&info, sizeof info);
    std::string row(stride, 0);
    for (int x = 0; x < w; ++x) {
        row[x * 3] = (char)GetBValue(colour);
        row[x * 3 + 1] = (char)GetGValue(colour);
        row[x * 3 + 2] = (char)GetRValue(colour);
    }
    for (int y = 0; y < h; ++y) bytes += row;
    return bytes;
}

int ScreenDpi() {
    HDC screen = GetDC(nullptr);
    int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    return dpi;
}

bool Near(COLORREF a, COLORREF b) {
    return abs(GetRValue(a) - GetRValue(b)) < 24 && abs(GetGValue(a) - GetGValue(b)) < 24 &&
           abs(GetBValue(a) - GetBValue(b)) < 24;
}

TEST(MemoryBitmap, DrawWithMinusOneCopiesTheWholeBitmap) {
    MemoryBitmap source, target;
    ASSERT_TRUE(source.CreateBlank(nullptr, 20, 10));
    ASSERT_TRUE(target.CreateBlank(source.MemoryDC(), 40, 40));
    EXPECT_EQ(20, source.Width());
    EXPECT_EQ(10, source.Height());
    Fill(source.MemoryDC(), 20, 10, RGB(255, 0, 0));
    Fill(target.MemoryDC(), 40, 40, RGB(255, 255, 255));
    EXPECT_NE(0, source.Draw(target.MemoryDC(), 5, 5, -1, -1, 0, 0, SRCCOPY));
    EXPECT_EQ(RGB(255, 0, 0), GetPixel(target.MemoryDC(), 5, 5));
    EXPECT_EQ(RGB(255, 0, 0), GetPixel(target.MemoryDC(), 24, 14));
    EXPECT_EQ(RGB(255, 255, 255), GetPixel(target.MemoryDC(), 25, 14));
    EXPECT_EQ(RGB(255, 255, 255), GetPixel(target.MemoryDC(), 24, 15));
}

TEST(MemoryBitmap, WithoutBitmapNothingIsDrawn) {
    MemoryBitmap empty, target;
    ASSERT_TRUE(target.CreateBlank(nullptr, 4, 4));
    EXPECT_EQ(0, empty.Draw(target.MemoryDC(), 0, 0, -1, -1, 0, 0, SRCCOPY));
    EXPECT_EQ(0, empty.Width());
    EXPECT_EQ(0, empty.Height());
    EXPECT_EQ(0, target.Draw(nullptr, 0, 0, -1, -1, 0, 0, SRCCOPY));
    EXPECT_FALSE(empty.CreateBlank(nullptr, 0, 5));
    EXPECT_EQ(nullptr, empty.Bitmap());
}

TEST(MemoryBitmap, ReusingFreesTheOldBitmap) {
    MemoryBitmap b;
    ASSERT_TRUE(b.CreateBlank(nullptr, 8, 8));
    HBITMAP first = b.Bitmap();
    ASSERT_TRUE(b.CreateBlank(nullptr, 9, 3));
    BITMAP bm;
    EXPECT_EQ(0, GetObjectW(first, sizeof bm, &bm));
    EXPECT_EQ(9, b.Width());
    b.Free();
    EXPECT_FALSE(b.IsSelected());
    EXPECT_EQ(0, b.Width());
}

TEST(MemoryBitmap, LoadPictureOfBmpBytes) {
    std::string bmp = BmpBytes(6, 4, RGB(0, 128, 255));
    MemoryBitmap b;
    ASSERT_TRUE(b.LoadPicture(nullptr, (const uint8_t*)bmp.data(), (uint32_t)bmp.size()));
    EXPECT_EQ(MulDiv(6, ScreenDpi(), 96), b.Width());
    EXPECT_EQ(MulDiv(4, ScreenDpi(), 96), b.Height());
    EXPECT_TRUE(Near(RGB(0, 128, 255), GetPixel(b.MemoryDC(), 1, 1)));
}

TEST(MemoryBitmap, LoadPictureOfJpegBytesIsTheRightWayUp) {
    // Drawn by the build with ImageMagick: 16 x 12, red top half, blue bottom.
    std::string jpeg = ReadBytes(BinPath(L"testdata\\red_over_blue.jpg"));
    ASSERT_FALSE(jpeg.empty());
    MemoryBitmap b;
    ASSERT_TRUE(b.LoadPicture(nullptr, (const uint8_t*)jpeg.data(), (uint32_t)jpeg.size()));
    ASSERT_GT(b.Width(), 0);
    EXPECT_EQ(b.Width() * 12, b.Height() * 16);
    EXPECT_TRUE(Near(RGB(255, 0, 0), GetPixel(b.MemoryDC(), b.Width() / 2, 1)));
    EXPECT_TRUE(Near(RGB(0, 0, 255), GetPixel(b.MemoryDC(), b.Width() / 2, b.Height() - 2)));
}

// A failed load leaves no picture: the earlier one is released, not kept.
TEST(MemoryBitmap, UnreadablePictureIsRefusedAndTheOldOneReleased) {
    MemoryBitmap b;
    ASSERT_TRUE(b.CreateBlank(nullptr, 3, 3));
    EXPECT_FALSE(b.LoadPicture(nullptr, (const uint8_t*)"not a picture at all", 20));
    EXPECT_EQ(nullptr, b.Bitmap());
    EXPECT_FALSE(b.IsSelected());
    EXPECT_EQ(0, b.Width());
}

TEST(MemoryBitmap, ResourcesHaveTheirStatedSizes) {
    struct Expected {
        int id, w, h;
    } sets[] = {{IDB_CLOSE_100, 88, 44},       {IDB_CLOSE_125, 112, 56},      {IDB_CLOSE_150, 124, 58},
                {IDB_CLOSE_200, 176, 88},      {IDB_CLOSE_300, 264, 132},     {IDB_EMBLEM_100, 190, 25},
                {IDB_EMBLEM_125, 237, 31},     {IDB_EMBLEM_150, 355, 37},     {IDB_EMBLEM_200, 380, 50},
                {IDB_EMBLEM_300, 570, 75},     {IDB_EMBLEM_MASK_100, 190, 25}, {IDB_EMBLEM_MASK_125, 237, 31},
                {IDB_EMBLEM_MASK_150, 355, 37}, {IDB_EMBLEM_MASK_200, 380, 50}, {IDB_EMBLEM_MASK_300, 570, 75}};
    for (const Expected& e : sets) {
        MemoryBitmap b;
        EXPECT_TRUE(b.LoadResource(e.id)) << e.id;
        EXPECT_EQ(e.w, b.Width()) << e.id;
        EXPECT_EQ(e.h, b.Height()) << e.id;
    }
}

// Mask with SRCAND, then picture with SRCPAINT: the emblem's ink comes out
// black, the rest keeps the background.
TEST(MemoryBitmap, EmblemOverItsMaskLeavesTheBackgroundAroundTheInk) {
    MemoryBitmap picture, mask, target;
    ASSERT_TRUE(picture.LoadResource(IDB_EMBLEM_100));
    ASSERT_TRUE(mask.LoadResource(IDB_EMBLEM_MASK_100));
    ASSERT_TRUE(target.CreateBlank(nullptr, 190, 25));
    Fill(target.MemoryDC(), 190, 25, RGB(245, 245, 245));
    mask.Draw(target.MemoryDC(), 0, 0, -1, -1, 0, 0, SRCAND);
    picture.Draw(target.MemoryDC(), 0, 0, -1, -1, 0, 0, SRCPAINT);
    int ink = 0, background = 0, other = 0;
    for (int y = 0; y < 25; ++y)
        for (int x = 0; x < 190; ++x) {
            COLORREF c = GetPixel(target.MemoryDC(), x, y);
            if (c == RGB(0, 0, 0)) ++ink;
            else if (c == RGB(245, 245, 245)) ++background;
            else ++other;
        }
    EXPECT_GT(ink, 300);
    EXPECT_GT(background, 190 * 25 / 2);
    EXPECT_EQ(0, other);
    // The middle, where the dialogs write their title, stays clear.
    for (int x = 70; x < 120; ++x) EXPECT_EQ(RGB(245, 245, 245), GetPixel(target.MemoryDC(), x, 10)) << x;
}

TEST(IconHandle, DrawDuplicateAndEmpty) {
    IconHandle icon, copy, empty;
    ASSERT_TRUE(icon.Load(IDI_FAILURE, 32));
    ASSERT_TRUE(copy.Duplicate(icon.Handle()));
    EXPECT_NE(icon.Handle(), copy.Handle());
    EXPECT_EQ(32, copy.Width());
    EXPECT_FALSE(empty.Duplicate(nullptr));
    EXPECT_EQ(0, empty.Width());
    MemoryBitmap target;
    ASSERT_TRUE(target.CreateBlank(nullptr, 40, 40));
    Fill(target.MemoryDC(), 40, 40, RGB(255, 255, 255));
    copy.Draw(target.MemoryDC(), 4, 4);
    // The failure icon is a red disc: red in its middle, white outside it.
    COLORREF middle = GetPixel(target.MemoryDC(), 4 + 8, 4 + 16);
    EXPECT_GT(GetRValue(middle), 150);
    EXPECT_LT(GetGValue(middle), 100);
    EXPECT_EQ(RGB(255, 255, 255), GetPixel(target.MemoryDC(), 2, 2));
    empty.Draw(target.MemoryDC(), 0, 0);
}

TEST(PenAndBrush, SelectionIsRestoredOnFree) {
    MemoryBitmap target;
    ASSERT_TRUE(target.CreateBlank(nullptr, 10, 10));
    HDC dc = target.MemoryDC();
    HGDIOBJ pen0 = GetCurrentObject(dc, OBJ_PEN), brush0 = GetCurrentObject(dc, OBJ_BRUSH);
    {
        Pen pen(dc, 1, RGB(1, 2, 3));
        Brush brush(dc, RGB(4, 5, 6));
        EXPECT_EQ(pen.Handle(), GetCurrentObject(dc, OBJ_PEN));
        EXPECT_EQ(brush.Handle(), GetCurrentObject(dc, OBJ_BRUSH));
        Brush face;
        ASSERT_TRUE(face.UseSystemFace(dc));
        EXPECT_EQ(GetSysColorBrush(COLOR_BTNFACE), face.Handle());
    }
    EXPECT_EQ(pen0, GetCurrentObject(dc, OBJ_PEN));
    EXPECT_EQ(brush0, GetCurrentObject(dc, OBJ_BRUSH));
    // The system brush survived its wrapper.
    LOGBRUSH lb;
    EXPECT_NE(0, GetObjectW(GetSysColorBrush(COLOR_BTNFACE), sizeof lb, &lb));
}

TEST(WindowDC, AcquireAndRelease) {
    WindowDC screen;
    EXPECT_TRUE(screen.Acquire(nullptr));
    EXPECT_GT(GetDeviceCaps(screen.Handle(), LOGPIXELSX), 0);
    screen.Release();
    EXPECT_EQ(nullptr, screen.Handle());
}

}  // namespace
