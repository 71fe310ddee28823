#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "canvas.h"
#include "gx.h"

namespace {

// The rectangle as a path of 4 corners (closed), 5 points (back to the start, then closed)
// or 6 (a point halfway along the top side too: no four-corner figure, so only the
// rasterizer sees it is a rectangle).
GXGeometryRec_* RectanglePath(const GXRect& r, int32_t points) {
    GXGeometryRec_* geometry = nullptr;
    EXPECT_EQ(GXCreateGeometry(&geometry), GXResultSuccess);
    const GXPoint corners[5] = {{r.left, r.top}, {r.right, r.top}, {r.right, r.bottom},
                                {r.left, r.bottom}, {r.left, r.top}};
    const GXPoint middle{(r.left + r.right) / 2, r.top};
    EXPECT_EQ(GXGeometryBeginFigure(geometry, &corners[0]), GXResultSuccess);
    if (points == 6) {
        EXPECT_EQ(GXGeometryLineTo(geometry, &middle), GXResultSuccess);
    }
    for (int32_t i = 1; i < (points == 4 ? 4 : 5); ++i)
        EXPECT_EQ(GXGeometryLineTo(geometry, &corners[i]), GXResultSuccess);
    EXPECT_EQ(GXGeometryEndFigureClose(geometry), GXResultSuccess);
    return geometry;
}

// A group's own pixels start at kGroupCorner, which cuts some of the rectangles drawn here
// and misses others: sub-target and device pixels differ by that offset, and a cut
// rectangle keeps the pixels it has outside the group.
constexpr int32_t kSize = 24;
constexpr GXPoint kGroupCorner{3, 2};

// What a fill of `geometry` covers, or what a fill of the whole target covers through a
// clip to it; with `group`, drawn inside a group that covers the target from kGroupCorner.
std::vector<uint32_t> Cover(GXGeometryRec_* geometry, const GXMatrix& ctm, int32_t adjust,
                            bool clip, bool group) {
    Canvas canvas(kSize, kSize, GXPixelFormatPARGB32);
    canvas.Begin();
    const GXLayerParams layer{{kGroupCorner.x, kGroupCorner.y, kSize, kSize}, 1, 1, 0};
    if (group) {
        EXPECT_EQ(GXRenderTargetBeginLayer(canvas.target(), &layer), GXResultSuccess);
    }
    EXPECT_EQ(GXRenderTargetSetStrokeAdjustment(canvas.target(), adjust), GXResultSuccess);
    EXPECT_EQ(GXRenderTargetSetCTM(canvas.target(), &ctm), GXResultSuccess);
    GXBrushRec_* white = canvas.Solid(kWhite);
    if (clip) {
        EXPECT_EQ(GXRenderTargetClipGeometry(canvas.target(), geometry), GXResultSuccess);
        const GXMatrix identity{1, 0, 0, 1, 0, 0};
        EXPECT_EQ(GXRenderTargetSetCTM(canvas.target(), &identity), GXResultSuccess);
        canvas.FillRect(0, 0, kSize, kSize, white);
    } else {
        EXPECT_EQ(GXRenderTargetFillGeometry(canvas.target(), geometry, white), GXResultSuccess);
    }
    if (group) {
        EXPECT_EQ(GXRenderTargetEndLayer(canvas.target()), GXResultSuccess);
    }
    canvas.End();
    std::vector<uint32_t> coverage;
    for (uint32_t pixel : canvas.Pixels()) coverage.push_back(Alpha(pixel));
    return coverage;
}

// `coverage` outside the group's pixels left out.
std::vector<uint32_t> InGroup(std::vector<uint32_t> coverage) {
    for (int32_t y = 0; y < kSize; ++y)
        for (int32_t x = 0; x < kSize; ++x)
            if (x < kGroupCorner.x || y < kGroupCorner.y) coverage[size_t(y * kSize + x)] = 0;
    return coverage;
}

// A fill and a clip of the same rectangle cover the same pixels with the same coverage:
// upright, scaled, half a pixel off, with stroke adjustment on and off, as 4, 5 or 6 points;
// inside a group placed away from the target's corner they cover the same device pixels.
TEST(RectangleAgreement, FillAndClipOfARectangleCoverTheSame) {
    std::mt19937 random(6);
    std::uniform_real_distribution<float> at(1, 9), size(0.3f, 9);
    const GXMatrix ctms[] = {{1, 0, 0, 1, 0, 0}, {1, 0, 0, 1, 0.5f, 0.5f},
                             {1.5f, 0, 0, 1.25f, 0.3f, 0.7f}, {2, 0, 0, 2, -0.5f, 0.5f}};
    for (int32_t trial = 0; trial < 40; ++trial) {
        const float left = at(random), top = at(random);
        GXRect rect{left, top, left + size(random), top + size(random)};
        if (trial % 4 == 0) rect = GXRect{float(int32_t(left)), float(int32_t(top)),
                                          float(int32_t(left) + 5), float(int32_t(top) + 3)};
        for (const GXMatrix& ctm : ctms)
            for (int32_t adjust = 0; adjust < 2; ++adjust)
                for (int32_t points : {4, 5, 6}) {
                    GXGeometryRec_* geometry = RectanglePath(rect, points);
                    SCOPED_TRACE(::testing::Message()
                                 << "trial " << trial << ", adjust " << adjust << ", points "
                                 << points << ", scale " << ctm.a << ", offset " << ctm.e);
                    const std::vector<uint32_t> fill = Cover(geometry, ctm, adjust, false, false);
                    EXPECT_EQ(Cover(geometry, ctm, adjust, true, false), fill);
                    EXPECT_EQ(Cover(geometry, ctm, adjust, false, true), InGroup(fill));
                    EXPECT_EQ(Cover(geometry, ctm, adjust, true, true), InGroup(fill));
                    GXObjectRelease(GX_HANDLE(geometry));
                }
    }
}

}  // namespace
