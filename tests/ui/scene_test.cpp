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
#include "ui/scene_text.h"

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
    Picture Taken() const {
        Picture p;
        p.width = kWidth;
        p.height = kHeight;
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x) {
                COLORREF c = At(x, y);
                unsigned char px[4] = {GetBValue(c), GetGValue(c), GetRValue(c), 255};
                p.bgra.insert(p.bgra.end(), px, px + 4);
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

void AddGradient(Scene& scene, RECT r, COLORREF topLeft, COLORREF topRight, COLORREF bottomLeft,
                 COLORREF bottomRight) {
    GradientItem g;
    g.left = r.left, g.top = r.top, g.right = r.right, g.bottom = r.bottom;
    g.topLeft = topLeft, g.topRight = topRight, g.bottomLeft = bottomLeft, g.bottomRight = bottomRight;
    scene.AddGradient(g, 1);
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

// Consecutive texts that ask for the same font share it; any attribute that
// differs makes a new one.
TEST_F(SceneTest, ConsecutiveTextsShareTheirFont) {
    SceneTextFont fonts(dc);
    TextItem plain = Text(0, 0, L"a"), same = Text(5, 5, L"b"), bold = Text(0, 0, L"c");
    bold.bold = 1;
    HFONT first = fonts.For(plain).Handle();
    ASSERT_NE(nullptr, first);
    EXPECT_EQ(first, fonts.For(same).Handle());
    EXPECT_EQ(first, (HFONT)GetCurrentObject(dc, OBJ_FONT));
    Font& boldFont = fonts.For(bold);
    EXPECT_EQ(FW_BOLD, boldFont.logFont.lfWeight);
    EXPECT_NE(first, boldFont.Handle());
    same.colour = RGB(1, 2, 3);
    EXPECT_EQ(RGB(1, 2, 3), fonts.For(same).colour);
    same.faceName = L"Arial";
    EXPECT_STREQ(L"Arial", fonts.For(same).logFont.lfFaceName);
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
        Picture picture = Taken();
        SCOPED_TRACE(c.x);
        // All the ink lies within the text's cell, and it reaches both ends.
        int inside = DarkPixels(picture, left, top, left + w, top + h);
        EXPECT_GT(inside, 20);
        EXPECT_EQ(inside, DarkPixels(picture, 0, 0, kWidth, kHeight));
        EXPECT_GT(DarkPixels(picture, left, top, left + 3, top + h), 0);
        EXPECT_GT(DarkPixels(picture, left + w - 3, top, left + w, top + h), 0);
    }
}

// A gradient that changes only across is drawn by columns, right and bottom
// included; four equal colours give the flat colour.
TEST_F(SceneTest, GradientsFlatAndAcross) {
    const COLORREF flat = RGB(30, 160, 90);
    GradientRect(dc, {5, 5, 25, 15}, flat, flat, flat, flat);
    for (int y = 5; y <= 15; ++y)
        for (int x = 5; x <= 25; ++x) ASSERT_EQ(flat, At(x, y)) << x << "," << y;
    EXPECT_EQ(kWhite, At(26, 10));
    EXPECT_EQ(kWhite, At(10, 16));
    GradientRect(dc, {30, 0, 40, 3}, kBlack, RGB(200, 100, 0), kBlack, RGB(200, 100, 0));
    EXPECT_EQ(kBlack, At(30, 3));
    EXPECT_EQ(RGB(100, 50, 0), At(35, 1));
    EXPECT_EQ(RGB(200, 100, 0), At(40, 0));
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
    AddGradient(scene, {0, 0, SceneAnchor::kFar, 8}, RGB(0, 0, 255), RGB(0, 0, 55), RGB(0, 0, 255), RGB(0, 0, 55));
    scene.SetLayout(0, 0, 40, 0);
    scene.Render(dc, 0, 0);
    GradientItem& item = *static_cast<GradientItem*>(scene.gradients.At(0));
    EXPECT_EQ(40, item.cachedWidth);
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
    ASSERT_TRUE(success.Load(IDI_SUCCESS, 32));
    Scene scene;
    scene.SetLayout(8, 8, 0, 0);
    scene.AddFill({0, 0, SceneAnchor::kFar, SceneAnchor::kFar, RGB(240, 240, 200), 0, 0}, 0);
    scene.AddFrame({0, 0, SceneAnchor::kFar, SceneAnchor::kFar, RGB(0, 0, 128), 0, 0, 0}, 1);
    scene.AddBox({4, 4, 60, 40, RGB(255, 255, 255), RGB(200, 0, 0), 0, 0, 0}, 1);
    scene.AddBox({70, 4, 130, 40, RGB(0, 160, 0), RGB(0, 80, 0), 0, 0, 12}, 1);
    // Four corners: drawn row by row with GradientFill.
    AddGradient(scene, {4, 50, 130, 70}, RGB(0, 0, 255), RGB(255, 255, 0), RGB(0, 0, 255), RGB(255, 0, 0));
    IconItem icon;
    icon.x = 140;
    icon.y = 4;
    icon.source = success.Handle();
    scene.AddIcon(icon, 1);
    TextItem title = Text(140, 50, L"Scene\ttabbed");
    title.colour = kBlack;
    title.bold = 1;
    scene.AddText(title, 1);
    scene.AddText(Text(10, 15, L"covered"), 1);
    // Layer 2 covers the text of layer 1 inside the first box.
    scene.AddFill({6, 6, 58, 38, RGB(255, 220, 220), 0, 0}, 2);
    scene.Render(dc, 10, 10);
    Picture picture = Taken();
    SaveBitmap(picture, BinPath(L"screenshots\\scene-") + PrefixKind() + L".bmp");

    SIZE size = {scene.width, scene.height};
    EXPECT_GE(size.cx, 140 + 32 + 8);
    EXPECT_EQ(RGB(0, 0, 128), At(10, 10));                          // frame over the fill
    EXPECT_EQ(RGB(0, 0, 128), At(10 + size.cx - 1, 10 + size.cy - 1));
    EXPECT_EQ(kWhite, At(10 + size.cx, 10 + size.cy));
    EXPECT_EQ(RGB(240, 240, 200), At(12, 12));                      // the fill
    EXPECT_EQ(RGB(200, 0, 0), At(14, 14));                          // box pen
    EXPECT_EQ(RGB(255, 255, 255), At(15, 48));                      // box fill
    EXPECT_EQ(RGB(255, 220, 220), At(30, 30));                      // layer 2
    EXPECT_EQ(0, DarkPixels(picture, 16, 16, 68, 48)) << "the upper layer hides the text";
    EXPECT_EQ(RGB(0, 160, 0), At(110, 30));                         // rounded box
    EXPECT_EQ(RGB(240, 240, 200), At(80, 14));                      // with a round corner
    EXPECT_EQ(RGB(0, 0, 255), At(14, 65));                          // gradient's near colour
    COLORREF topRight = At(139, 60), bottomRight = At(139, 79);
    EXPECT_GT(GetGValue(topRight), 230);
    EXPECT_LT(GetBValue(topRight), 20);
    EXPECT_GT(GetRValue(bottomRight), 230);
    EXPECT_LT(GetGValue(bottomRight), 30);
    int changed = 0;
    for (int y = 14; y < 46; ++y)
        for (int x = 150; x < 182; ++x)
            if (At(x, y) != RGB(240, 240, 200)) ++changed;
    EXPECT_GT(changed, 100);
    EXPECT_EQ(nullptr, static_cast<IconItem*>(scene.icons.At(0))->icon.Handle());
    EXPECT_GT(DarkPixels(picture, 150, 60, 153, 80), 0);      // the text at its place
    EXPECT_GT(DarkPixels(picture, 200, 60, kWidth, 80), 0);   // and after its tab
}

}  // namespace
