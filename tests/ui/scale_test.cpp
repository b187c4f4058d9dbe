// The display-scale rule in this process, and the choice among the five
// resolutions of a picture. Scale at other DPIs: see gui/demo_test.cpp,
// which needs a fresh process per DPI.
#include "ui/scale.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace {

TEST(Scale, FollowsTheScreenDpiAndTruncates) {
    HDC screen = GetDC(nullptr);
    int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    EXPECT_EQ(100 * dpi / 96, Scale(100));
    EXPECT_EQ(21 * dpi / 96, Scale(21));
    EXPECT_EQ(-(7 * dpi / 96), Scale(-7));
    EXPECT_EQ(0, Scale(0));
}

TEST(Scale, VariantThresholds) {
    EXPECT_EQ(0, VariantIndex(100));
    EXPECT_EQ(0, VariantIndex(124));
    EXPECT_EQ(1, VariantIndex(125));
    EXPECT_EQ(1, VariantIndex(149));
    EXPECT_EQ(2, VariantIndex(150));
    EXPECT_EQ(2, VariantIndex(199));
    EXPECT_EQ(3, VariantIndex(200));
    EXPECT_EQ(3, VariantIndex(299));
    EXPECT_EQ(4, VariantIndex(300));
    EXPECT_EQ(4, VariantIndex(1000));
    const int ids[5] = {11, 12, 13, 14, 15};
    EXPECT_EQ(ids[VariantIndex(Scale(100))], ScaledVariant(ids));
}

}  // namespace
