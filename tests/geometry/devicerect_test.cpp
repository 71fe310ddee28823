#include "graphics/geometry/devicerect.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace Graphics {
namespace {

// The device box of corners in path order, which must form one.
DeviceRect Box(const GXPoint (&corners)[4]) {
    DeviceRect box;
    EXPECT_TRUE(DeviceRect::FromCorners(corners, box));
    return box;
}

DeviceRect Box(const GXRect& r) {
    return Box({{r.left, r.top}, {r.right, r.top}, {r.right, r.bottom}, {r.left, r.bottom}});
}

bool SnapRect(const GXRect& r, GXRect& s) {
    GXIntRect pixels;
    if (!Box(r).Snap(pixels)) return false;
    s = GXRect{float(pixels.left), float(pixels.top), float(pixels.right), float(pixels.bottom)};
    return true;
}

GXRect Snap(GXRect r) {
    GXRect s{-1, -1, -1, -1};
    EXPECT_TRUE(SnapRect(r, s));
    return s;
}

bool MapRectAxisAligned(const GXMatrix& ctm, const GXRect& rect, GXRect& box) {
    DeviceRect device;
    if (!DeviceRect::FromUserRect(ctm, rect, device)) return false;
    box = device.Box();
    return true;
}

void ExpectRect(const GXRect& r, float l, float t, float rt, float b) {
    EXPECT_EQ(r.left, l);
    EXPECT_EQ(r.top, t);
    EXPECT_EQ(r.right, rt);
    EXPECT_EQ(r.bottom, b);
}

TEST(DeviceRect, DropsTheLessCoveredEndPixelAndKeepsThinSpans) {
    // x keeps its 11 pixels; y loses the bottom pixel (0.3 of the top one is cut against
    // 0.8 of the bottom one).
    ExpectRect(Snap({0.3f, 0.3f, 10.6f, 10.2f}), 0, 0, 11, 10);
    // Thinner than a pixel inside one pixel: that pixel.
    ExpectRect(Snap({5.2f, 0, 5.4f, 1}), 5, 0, 6, 1);
    // Zero-width spans still cover one pixel, also on a pixel edge.
    ExpectRect(Snap({5, 2, 5, 2}), 5, 2, 6, 3);
    // A one-pixel span straddling a pixel edge: a tie drops the far end.
    ExpectRect(Snap({2.5f, -1.5f, 3.5f, -0.5f}), 2, -2, 3, -1);
    // Closer to the right pixel: the left one is dropped.
    ExpectRect(Snap({2.6f, 0, 3.6f, 1}), 3, 0, 4, 1);
    // Already whole.
    ExpectRect(Snap({-3, 4, 7, 9}), -3, 4, 7, 9);
}

TEST(DeviceRect, RefusesInfiniteAndHugeBoxes) {
    const float inf = std::numeric_limits<float>::infinity();
    GXRect s{7, 7, 7, 7};
    EXPECT_FALSE(SnapRect({0, 0, inf, 1}, s));
    EXPECT_FALSE(SnapRect({0, -inf, 1, 1}, s));
    EXPECT_FALSE(SnapRect({0, 0, 1, 3e9f}, s));
    ExpectRect(s, 7, 7, 7, 7);
    EXPECT_TRUE(SnapRect({-kSnapLimit, 0, kSnapLimit, 1}, s));
    ExpectRect(s, -kSnapLimit, 0, kSnapLimit, 1);
}

TEST(DeviceRect, AxisAlignedMappingFollowsScalesFlipsAndQuarterTurns) {
    GXRect d;
    ASSERT_TRUE(MapRectAxisAligned({1, 0, 0, 1, 0, 0}, {1, 2, 3, 5}, d));
    ExpectRect(d, 1, 2, 3, 5);
    ASSERT_TRUE(MapRectAxisAligned({2, 0, 0, -3, 10, 20}, {1, 2, 3, 5}, d));
    ExpectRect(d, 12, 5, 16, 14);
    // A quarter turn exchanges the corners' roles.
    ASSERT_TRUE(MapRectAxisAligned({0, 1, -1, 0, 0, 0}, {1, 2, 3, 5}, d));
    ExpectRect(d, -5, 1, -2, 3);
    // Inverted input comes back normalised.
    ASSERT_TRUE(MapRectAxisAligned({1, 0, 0, 1, 0, 0}, {3, 5, 1, 2}, d));
    ExpectRect(d, 1, 2, 3, 5);
    EXPECT_FALSE(MapRectAxisAligned({0.7071f, 0.7071f, -0.7071f, 0.7071f, 0, 0}, {0, 0, 1, 1}, d));
    EXPECT_FALSE(MapRectAxisAligned({1, 0.5f, 0, 1, 0, 0}, {0, 0, 1, 1}, d));
    const float nan = std::numeric_limits<float>::quiet_NaN();
    EXPECT_FALSE(MapRectAxisAligned({nan, 0, 0, 1, 0, 0}, {0, 0, 1, 1}, d));
    EXPECT_FALSE(MapRectAxisAligned({1, 0, 0, 1, 0, 0}, {0, nan, 1, 1}, d));
}

TEST(DeviceRect, FourCornersInPathOrderOnly) {
    const GXPoint rect[4] = {{1, 1}, {4, 1}, {4, 3}, {1, 3}};
    ExpectRect(Box(rect).Box(), 1, 1, 4, 3);
    const GXPoint vertical[4] = {{1, 1}, {1, 3}, {4, 3}, {4, 1}};
    ExpectRect(Box(vertical).Box(), 1, 1, 4, 3);
    // The same corners crossing over (a bow tie) are no rectangle.
    const GXPoint bowTie[4] = {{1, 1}, {4, 3}, {4, 1}, {1, 3}};
    DeviceRect box;
    EXPECT_FALSE(DeviceRect::FromCorners(bowTie, box));
}

TEST(DeviceRect, WholePixelsOnlyOnPixelEdges) {
    GXIntRect pixels{};
    ASSERT_TRUE(Box(GXRect{-3, 4, 7, 9}).WholePixels(pixels));
    EXPECT_EQ(pixels.left, -3);
    EXPECT_EQ(pixels.bottom, 9);
    EXPECT_FALSE(Box(GXRect{0, 0, 7.5f, 9}).WholePixels(pixels));
    // Infinite edges are cut to the snapping limit, beyond every bitmap.
    const float inf = std::numeric_limits<float>::infinity();
    ASSERT_TRUE(Box(GXRect{-inf, 0, inf, 1e30f}).WholePixels(pixels));
    EXPECT_EQ(pixels.left, -int32_t(kSnapLimit));
    EXPECT_EQ(pixels.right, int32_t(kSnapLimit));
    EXPECT_EQ(pixels.bottom, int32_t(kSnapLimit));
}

// The rasterizer snaps the eighths of a pixel it keeps edges in; as doubles those are exact,
// and they must snap as the same edges given as floats do.
TEST(DeviceRect, EighthsSnapAsFloatsDo) {
    for (int32_t low = -40; low <= 40; ++low)
        for (int32_t high = low; high <= low + 40; ++high) {
            const PixelSpan exact = SnapSpan(low / 8.0, high / 8.0);
            const PixelSpan single = SnapSpan(low / 8.0f, high / 8.0f);
            EXPECT_EQ(exact.begin, single.begin) << low << " " << high;
            EXPECT_EQ(exact.end, single.end) << low << " " << high;
        }
}

}  // namespace
}  // namespace Graphics
