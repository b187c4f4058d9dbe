// Scenes: anchored coordinates, measuring, layers, ellipsizing, gradients,
// state masks, and a whole scene drawn into a bitmap.
#include "ui/scene.h"

#include <gtest/gtest.h>

#include <string>

#include "gui/driver.h"
#include "res/resource_ids.h"
#include "support/process.h"
#include "ui/font.h"
#include "ui/memory_bitmap.h"
#include "ui/scale.h"

namespace {

const COLORREF kWhite = RGB(255, 255, 255);
const COLORREF kBlack = RGB(0, 0, 0);

class SceneTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(canvas.CreateBlank(nullptr, kWidth, kHeight));
        dc = canvas.MemoryDC();
        RECT all = {0, 0, kWidth, kHeight};
        FillRect(dc, &all, (HBRUSH)GetStockObject(WHITE_BRUSH));
    }
    COLORREF At(int x, int y) const { return GetPixel(dc, x, y); }
    // The box around the pixels darker than 90 in every channel; empty when none.
    RECT Ink(int left, int top, int right, int bottom) const {
        RECT box = {right, bottom, left, top};
        for (int y = top; y < bottom; ++y)
            for (int x = left; x < right; ++x) {
                COLORREF c = At(x, y);
                if (GetRValue(c) < 90 && GetGValue(c) < 90 && GetBValue(c) < 90) {
                    if (x < box.left) box.left = x;
                    if (x >= box.right) box.right = x + 1;
                    if (y < box.top) box.top = y;
                    if (y >= box.bottom) box.bottom = y + 1;
                }
            }
        return box;
    }
    Picture ToPicture() const {
        Picture p;
        p.width = kWidth;
        p.height = kHeight;
        p.bgra.resize((size_t)kWidth * kHeight * 4);
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x) {
                COLORREF c = At(x, y);
                unsigned char* px = &p.bgra[((size_t)y * kWidth + x) * 4];
                px[0] = GetBValue(c);
                px[1] = GetGValue(c);
                px[2] = GetRValue(c);
                px[3] = 255;
            }
        return p;
    }
    static const int kWidth = 320, kHeight = 140;
    MemoryBitmap canvas;
    HDC dc = nullptr;
};

TextItem Text(int32_t x, int32_t y, const wchar_t* text) {
    TextItem t;
    t.x = x;
    t.y = y;
    t.text = text;
    return t;
}

TEST(SceneLayout, AnchoredItemsMeasureAsTheMarginsOrTheMinimumSize) {
    Scene scene;
    scene.AddFill({0, 0, SceneAnchor::kFar, SceneAnchor::kFar, RGB(0, 0, 255), 0, 0}, 0);
    // A frame along the far edge: 16 pixels in from it, to it.
    scene.AddFrame({SceneAnchor::kFar | 0x100010, 0, SceneAnchor::kFar, SceneAnchor::kFar, 0, 0, 0, 0}, 0);
    scene.SetLayout(3, 4, 0, 0);
    SIZE size = scene.Measure();
    EXPECT_EQ(3, size.cx);
    EXPECT_EQ(4, size.cy);
    scene.SetLayout(3, 4, 20, 10);
    size = scene.Measure();
    EXPECT_EQ(20, size.cx);
    EXPECT_EQ(10, size.cy);
    // An item at fixed offsets sets the size; the anchored fill follows it.
    scene.AddBox({2, 2, 30, 12, 0, 0, 0, 0, 0}, 0);
    size = scene.Measure();
    EXPECT_EQ(33, size.cx);
    EXPECT_EQ(16, size.cy);
    EXPECT_EQ(0, scene.width);  // Measure leaves the stored size alone
}

TEST(SceneLayout, ResolveAnchorsAndAligns) {
    Scene scene;
    scene.width = 100;
    scene.height = 51;
    struct Case {
        int32_t value;
        bool horizontal;
        int32_t origin, size, expected;
    } cases[] = {
        {0x100005, true, 40, 0, 35},                     // negative offset
        {5, true, 40, 0, 45},
        {SceneAnchor::kFar, true, 7, 0, 107},            // far edge
        {SceneAnchor::kHalf, false, 0, 0, 25},           // half of 51, truncated
        {SceneAnchor::kCentre, true, 0, 21, 40},         // 50 - 10
        {SceneAnchor::kCentre, false, 0, 13, 19},        // 25 - 6
        {SceneAnchor::kFarAlign, true, 0, 20, 80},       // far edges meet
        {SceneAnchor::kFar | 0x100003, true, 0, 0, 97},  // far edge less 3
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.expected, scene.Resolve(c.value, c.horizontal, c.origin, c.size)) << std::hex << c.value;
}

TEST(SceneLayout, LevelsAndCopiesOneLayerUp) {
    Scene scene;
    scene.AddFill({0, 0, 1, 1, 0, 0, 0}, 0);
    scene.AddText(Text(0, 0, L"a"), 0);
    scene.AddFill({0, 0, 1, 1, 0, 0, 0}, 5);
    EXPECT_EQ(0, static_cast<FillItem*>(scene.fills.At(0))->level);
    EXPECT_EQ(1, scene.TextAt(0)->level);
    EXPECT_EQ(5, static_cast<FillItem*>(scene.fills.At(1))->level);
    EXPECT_EQ(6, scene.levelCount);

    Scene source, copy;
    source.AddFill({0, 0, 1, 1, 0, 0, 0}, 0);
    source.AddText(Text(0, 0, L"b"), 0);
    copy.SetLayout(1, 2, 3, 4);
    copy.AddBox({0, 0, 1, 1, 0, 0, 0, 0, 0}, 0);
    copy.CopyFrom(source);
    EXPECT_EQ(0, copy.boxes.Count());
    EXPECT_EQ(1, static_cast<FillItem*>(copy.fills.At(0))->level);
    EXPECT_EQ(2, copy.TextAt(0)->level);
    EXPECT_STREQ(L"b", copy.TextAt(0)->text);
    EXPECT_EQ(3, copy.levelCount);
    EXPECT_EQ(0, copy.marginX);
    EXPECT_EQ(0, copy.minHeight);
}

TEST_F(SceneTest, EllipsizeCutsOnlyWhatDoesNotFit) {
    Font font(dc, nullptr, 16, 0, false, false, false);
    int fitsAb = font.TextWidth(L"ab...", false, 0) + 1;
    WString text(L"abcdef");
    EXPECT_TRUE(Ellipsize(font, fitsAb, text));
    EXPECT_STREQ(L"ab...", text);
    WString fits(L"abcdef");
    EXPECT_FALSE(Ellipsize(font, font.TextWidth(L"abcdef", false, 0) + 1, fits));
    EXPECT_STREQ(L"abcdef", fits);
    WString empty;
    EXPECT_FALSE(Ellipsize(font, 1, empty));
}

TEST_F(SceneTest, TextIsCentredOrAlignedToTheFarEdge) {
    struct Case {
        int32_t x, y;
    } cases[] = {{SceneAnchor::kCentre, SceneAnchor::kCentre}, {SceneAnchor::kFarAlign, SceneAnchor::kFarAlign}};
    for (const Case& c : cases) {
        SetUp();
        Scene scene;
        scene.SetLayout(0, 0, 200, 60);
        scene.AddText(Text(c.x, c.y, L"HHHH"), 0);
        scene.Render(dc, 10, 20);
        Font font(dc, nullptr, Scale(13), 0, false, false, false);
        int w = font.TextWidth(L"HHHH", false, 0);
        int h = font.TextHeight(L"HHHH", false);
        int left = c.x == SceneAnchor::kCentre ? 10 + 100 - w / 2 : 10 + 200 - w;
        int top = c.y == SceneAnchor::kCentre ? 20 + 30 - h / 2 : 20 + 60 - h;
        RECT ink = Ink(0, 0, kWidth, kHeight);
        SCOPED_TRACE(c.x);
        // The ink lies within the text's cell and fills most of its width.
        EXPECT_GE(ink.left, left);
        EXPECT_LE(ink.right, left + w);
        EXPECT_GT(ink.right - ink.left, w * 2 / 3);
        EXPECT_GE(ink.top, top);
        EXPECT_LE(ink.bottom, top + h);
    }
}

TEST_F(SceneTest, FlatGradientDrawsTheFlatColour) {
    const COLORREF flat = RGB(30, 160, 90);
    RECT r = {5, 5, 25, 15};
    GradientRect(dc, r, flat, flat, flat, flat);
    for (int y = 5; y <= 15; ++y)
        for (int x = 5; x <= 25; ++x) ASSERT_EQ(flat, At(x, y)) << x << "," << y;
    EXPECT_EQ(kWhite, At(26, 10));
    EXPECT_EQ(kWhite, At(10, 16));
}

TEST_F(SceneTest, GradientRunsFromCornerToCorner) {
    // Across only: one column per colour step, ending on the far colour.
    RECT across = {0, 0, 10, 3};
    GradientRect(dc, across, RGB(0, 0, 0), RGB(200, 100, 0), RGB(0, 0, 0), RGB(200, 100, 0));
    EXPECT_EQ(RGB(0, 0, 0), At(0, 3));
    EXPECT_EQ(RGB(100, 50, 0), At(5, 1));
    EXPECT_EQ(RGB(200, 100, 0), At(10, 0));
    // Down: each row runs from its left colour to its right colour.
    RECT down = {20, 0, 60, 40};
    GradientRect(dc, down, RGB(255, 0, 0), RGB(255, 0, 0), RGB(0, 0, 255), RGB(0, 0, 255));
    EXPECT_EQ(RGB(255, 0, 0), At(20, 0));
    EXPECT_EQ(RGB(0, 0, 255), At(60, 40));
    RECT corners = {70, 0, 110, 40};
    GradientRect(dc, corners, RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255), RGB(255, 255, 255));
    COLORREF topLeft = At(70, 0), topRight = At(110, 0);
    EXPECT_GT(GetRValue(topLeft), 200);
    EXPECT_LT(GetGValue(topLeft), 50);
    EXPECT_GT(GetGValue(topRight), 200);
    EXPECT_LT(GetRValue(topRight), 50);
    EXPECT_GT(GetBValue(At(70, 40)), 200);
    EXPECT_LT(GetRValue(At(70, 40)), 50);
}

TEST_F(SceneTest, VisibleMaskShowsOnlyItemsWhoseBitsAreAllSet) {
    Scene scene;
    scene.AddFill({0, 0, 10, 10, RGB(255, 0, 0), 0, 0}, 0);
    scene.AddFill({0, 0, 10, 10, RGB(0, 255, 0), 0x3, 0}, 0);
    const struct {
        uint32_t visible;
        COLORREF expected;
    } cases[] = {{0, RGB(255, 0, 0)}, {0x1, RGB(255, 0, 0)}, {0x3, RGB(0, 255, 0)}, {0x7, RGB(0, 255, 0)},
                 {0x2, RGB(255, 0, 0)}};
    for (const auto& c : cases) {
        scene.visibleMask = c.visible;
        scene.Render(dc, 0, 0);
        EXPECT_EQ(c.expected, At(5, 5)) << c.visible;
    }
}

TEST_F(SceneTest, GradientCacheFollowsTheSize) {
    Scene scene;
    GradientItem g;
    g.right = SceneAnchor::kFar;
    g.bottom = 8;
    g.topLeft = g.bottomLeft = RGB(0, 0, 255);
    g.topRight = g.bottomRight = RGB(0, 0, 55);
    scene.AddGradient(g, 0);
    scene.SetLayout(0, 0, 40, 0);
    scene.Render(dc, 0, 0);
    GradientItem& item = *static_cast<GradientItem*>(scene.gradients.At(0));
    EXPECT_EQ(40, item.cachedWidth);
    EXPECT_EQ(8, item.cachedHeight);
    EXPECT_EQ(RGB(0, 0, 255), At(0, 0));
    EXPECT_EQ(kWhite, At(40, 0));
    scene.SetLayout(0, 0, 60, 0);
    scene.Render(dc, 0, 20);
    EXPECT_EQ(60, item.cachedWidth);
    EXPECT_NE(kWhite, At(59, 27));
    item.noCache = 1;
    scene.Render(dc, 0, 40);
    EXPECT_EQ(nullptr, item.cache.Bitmap());
    EXPECT_EQ(RGB(0, 0, 255), At(0, 40));
}

// Every kind in one scene, drawn at an origin, in layers: the layer above
// covers the one below whatever the kinds, and within a layer the kinds
// keep their order whatever order they were added in.
TEST_F(SceneTest, RenderedSceneShowsEveryKind) {
    IconHandle success;
    ASSERT_TRUE(success.Load(IDI_SUCCESS, 32, 32));
    Scene scene;
    scene.SetLayout(8, 8, 0, 0);
    scene.AddFill({0, 0, SceneAnchor::kFar, SceneAnchor::kFar, RGB(240, 240, 200), 0, 0}, 0);
    scene.AddFrame({0, 0, SceneAnchor::kFar, SceneAnchor::kFar, RGB(0, 0, 128), 0, 0, 0}, 1);
    scene.AddBox({4, 4, 60, 40, RGB(255, 255, 255), RGB(200, 0, 0), 0, 0, 0}, 1);
    scene.AddBox({70, 4, 130, 40, RGB(0, 160, 0), RGB(0, 80, 0), 0, 0, 12}, 1);
    GradientItem g;
    g.left = 4;
    g.top = 50;
    g.right = 130;
    g.bottom = 70;
    g.topLeft = g.bottomLeft = RGB(0, 0, 255);
    g.topRight = g.bottomRight = RGB(255, 255, 0);
    scene.AddGradient(g, 1);
    IconItem icon;
    icon.x = 140;
    icon.y = 4;
    icon.source = success.Handle();
    scene.AddIcon(icon, 1);
    TextItem title = Text(140, 50, L"Scene\ttabbed");
    title.colour = kBlack;
    title.bold = 1;
    scene.AddText(title, 1);
    TextItem hidden = Text(10, 15, L"covered");
    scene.AddText(hidden, 1);
    // Layer 2 covers the text of layer 1 inside the first box.
    scene.AddFill({6, 6, 58, 38, RGB(255, 220, 220), 0, 0}, 2);
    scene.Render(dc, 10, 10);
    SaveBitmap(ToPicture(), BinPath(L"screenshots\\scene-") + PrefixKind() + L".bmp");

    SIZE size = {scene.width, scene.height};
    EXPECT_GE(size.cx, 140 + 32 + 8);
    EXPECT_EQ(kWhite, At(9, 9));
    EXPECT_EQ(RGB(0, 0, 128), At(10, 10));                          // frame over the fill
    EXPECT_EQ(RGB(0, 0, 128), At(10 + size.cx - 1, 10 + size.cy - 1));
    EXPECT_EQ(kWhite, At(10 + size.cx, 10 + size.cy));
    EXPECT_EQ(RGB(240, 240, 200), At(12, 12));                      // the fill
    EXPECT_EQ(RGB(200, 0, 0), At(14, 14));                          // box pen
    EXPECT_EQ(RGB(255, 255, 255), At(15, 48));                      // box fill
    EXPECT_EQ(RGB(255, 220, 220), At(30, 30));                      // layer 2
    RECT covered = Ink(16, 16, 68, 48);
    EXPECT_GE(covered.left, covered.right) << "the upper layer hides the text";
    EXPECT_EQ(RGB(0, 160, 0), At(110, 30));                         // rounded box
    EXPECT_NE(RGB(0, 160, 0), At(80, 14));                          // its rounded corner
    EXPECT_EQ(RGB(0, 0, 255), At(14, 65));                          // gradient's near colour
    COLORREF farEnd = At(139, 65);
    EXPECT_GT(GetRValue(farEnd), 240);
    EXPECT_LT(GetBValue(farEnd), 15);
    int changed = 0;
    for (int y = 14; y < 46; ++y)
        for (int x = 150; x < 182; ++x)
            if (At(x, y) != RGB(240, 240, 200)) ++changed;
    EXPECT_GT(changed, 100);
    EXPECT_EQ(nullptr, static_cast<IconItem*>(scene.icons.At(0))->icon.Handle());
    RECT text = Ink(150, 60, kWidth, kHeight);
    EXPECT_LT(text.left, 153);
    EXPECT_GT(text.right - text.left, 60);
}

}  // namespace
