// The icon groups as the dialogs load them: exactly their sizes, and the
// stand-in for Windows XP, which reads no PNG image. Wine reads PNG, so its
// LoadImage never fails as XP's does: the stand-in is asked for directly.
#include "ui/icon_group.h"

#include <gtest/gtest.h>

#include <set>

#include "res/resource_ids.h"
#include "ui/icon_handle.h"
#include "ui/memory_bitmap.h"
#include "ui/picture_store.h"

namespace {

const std::set<int> kRowSides = {16, 20, 24, 32, 48};
const std::set<int> kPageSides = {75, 94, 112, 150, 256};

#pragma pack(push, 2)
struct Entry {
    BYTE width, height, colours, reserved;
    WORD planes, bitCount;
    DWORD bytes;
    WORD id;
};
#pragma pack(pop)

// The sides of the group's images, each once, however many depths it has.
std::set<int> SidesOf(const WORD* group) {
    std::set<int> sides;
    const Entry* entries = (const Entry*)(group + 3);
    for (WORD i = 0; group && i < group[2]; ++i) sides.insert(entries[i].width ? entries[i].width : 256);
    return sides;
}

std::set<int> GroupSides(int id) {
    DWORD size = 0;
    return SidesOf((const WORD*)PictureData((LPCWSTR)RT_GROUP_ICON, id, &size));
}

// The program's own icon, which only the shell shows, is an ordinary resource.
std::set<int> ApplicationIconSides() {
    HMODULE self = GetModuleHandleW(nullptr);
    HRSRC found = FindResourceW(self, MAKEINTRESOURCEW(IDI_APPLICATION_ICON), (LPCWSTR)RT_GROUP_ICON);
    return SidesOf(found ? (const WORD*)LockResource(LoadResource(self, found)) : nullptr);
}

std::set<int> Both(const std::set<int>& a, const std::set<int>& b) {
    std::set<int> all = a;
    all.insert(b.begin(), b.end());
    return all;
}

TEST(IconGroups, HoldExactlyTheSizesTheirDialogsAsk) {
    for (int id : {IDI_CHECKED, IDI_CHECKED_DISABLED, IDI_UNCHECKED, IDI_UNCHECKED_DISABLED, IDI_PROGRAM,
                   IDI_SHORTCUT})
        EXPECT_EQ(kRowSides, GroupSides(id)) << id;
    for (int id : {IDI_SUCCESS, IDI_FAILURE, IDI_UNINSTALL}) EXPECT_EQ(kPageSides, GroupSides(id)) << id;
    EXPECT_EQ(Both(kRowSides, kPageSides), GroupSides(IDI_RESTART));
    EXPECT_EQ((std::set<int>{16, 32, 48, 256}), ApplicationIconSides());
}

TEST(IconGroups, EveryIconLoadsAtItsSizes) {
    for (int id : {IDI_CHECKED, IDI_CHECKED_DISABLED, IDI_UNCHECKED, IDI_UNCHECKED_DISABLED, IDI_PROGRAM, IDI_RESTART,
                   IDI_SHORTCUT, IDI_SUCCESS, IDI_FAILURE, IDI_UNINSTALL})
        for (int side : GroupSides(id)) {
            IconHandle icon;
            ASSERT_TRUE(icon.Load(id, side, side)) << id << " " << side;
            EXPECT_EQ(side, icon.Width()) << id;
            EXPECT_EQ(side, icon.Height()) << id;
        }
}

// Draws the icon over white at side x side: clear corners, no pixel of the
// stand-ins' key colour, enough ink. Returns the pixel at (x, y).
COLORREF ExpectDrawnClear(const IconHandle& icon, int id, int side, int x = 0, int y = 0) {
    MemoryBitmap target;
    EXPECT_TRUE(target.CreateBlank(nullptr, side, side));
    HDC dc = target.MemoryDC();
    RECT all = {0, 0, side, side};
    FillRect(dc, &all, (HBRUSH)GetStockObject(WHITE_BRUSH));
    icon.Draw(dc, 0, 0);
    EXPECT_EQ(RGB(255, 255, 255), GetPixel(dc, 1, 1)) << id << " " << side;
    EXPECT_EQ(RGB(255, 255, 255), GetPixel(dc, side - 2, side - 2)) << id << " " << side;
    int inked = 0, keyed = 0;
    for (int py = 0; py < side; py++)
        for (int px = 0; px < side; px++) {
            COLORREF c = GetPixel(dc, px, py);
            keyed += c == RGB(255, 0, 255);
            if (px % 2 == 0 && py % 2 == 0) inked += c != RGB(255, 255, 255);
        }
    EXPECT_EQ(0, keyed) << id << " " << side;
    EXPECT_GT(inked, side * side / 4 / 8) << id << " " << side;
    return GetPixel(dc, x, y);
}

// Drawn over white, the pages' pictures keep clear corners and ink, whether
// their PNG holds full colour or a palette with opacities.
TEST(IconGroups, PagePicturesKeepTheirTransparency) {
    for (int id : {IDI_SUCCESS, IDI_FAILURE, IDI_UNINSTALL, IDI_RESTART})
        for (int side : kPageSides) {
            IconHandle icon;
            ASSERT_TRUE(icon.Load(id, side, side)) << id << " " << side;
            ExpectDrawnClear(icon, id, side);
        }
}

// The largest bitmap image, not the larger PNG images, and not a smaller
// bitmap; the page groups keep theirs beside the group, not in it.
TEST(IconGroups, LargestBitmapImageSkipsThePngImages) {
    int side = 0;
    EXPECT_EQ(0, LargestBitmapImage(IDI_SUCCESS, &side));
    EXPECT_NE(0, LargestBitmapImage(IDI_RESTART, &side));
    EXPECT_EQ(16, side);
    EXPECT_NE(0, LargestBitmapImage(IDI_CHECKED, &side));
    EXPECT_EQ(16, side);
    EXPECT_EQ(0, LargestBitmapImage(9999, &side));
    EXPECT_EQ(0, side);
    EXPECT_EQ(nullptr, LoadLargestBitmapImage(9999, 16, 16));
}

// The stand-in made an icon of the size asked, drawn clear over white.
COLORREF DrawStandIn(int id, int side, int x, int y) {
    HICON icon = LoadLargestBitmapImage(id, side, side);
    EXPECT_NE(nullptr, icon) << id;
    if (!icon) return CLR_INVALID;
    IconHandle owner;
    EXPECT_TRUE(owner.Duplicate(icon));
    DestroyIcon(icon);
    EXPECT_EQ(side, owner.Width()) << id;
    EXPECT_EQ(side, owner.Height()) << id;
    return ExpectDrawnClear(owner, id, side, x, y);
}

// Sizes the page groups hold only as PNG: their 75-pixel run-length stand-in
// made an icon, stretched up or shrunk; the restart group's too, rather
// than its 16-pixel image in the group.
TEST(IconGroups, TheStandInIsStretchedToTheSizeAsked) {
    for (int id : {IDI_SUCCESS, IDI_FAILURE, IDI_UNINSTALL, IDI_RESTART})
        for (int side : {48, 75, 150}) DrawStandIn(id, side, 0, 0);
    // The success picture: a green disc with a white tick.
    COLORREF disc = DrawStandIn(IDI_SUCCESS, 150, 75, 20);
    EXPECT_GT(GetGValue(disc), 120);
    EXPECT_LT(GetRValue(disc), 100);
}

}  // namespace
