#include "graphics/software/swclipping.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <vector>

#include "graphics/software/swpipeline.h"
#include "graphics/software/swsolidcolorsource.h"
#include "pipelinetesthelpers.h"

using namespace Graphics;
using namespace Graphics::Testing;

namespace {

const GXMatrix kIdentity{1, 0, 0, 1, 0, 0};

// Fills the whole of a fresh opaque black size x size target with opaque white under
// `clipping`: every channel of the result equals the clip's coverage at that pixel.
std::shared_ptr<SysMemBitmap> DrawThrough(SwClipping& clipping, int32_t size) {
    auto target = MakeBitmap(size, size, GXPixelFormatPARGB32, 0xFF000000);
    auto pipeline = std::make_shared<SwPipeLine>(RectGeometry({0, 0, float(size), float(size)}),
                                                 GXIntRect{0, 0, size, size});
    pipeline->AddTargetColor(target);
    pipeline->AddClipMask(clipping);
    pipeline->AddSourceColor(std::make_shared<SwSolidColorSource>(0xFFFFFFFF));
    pipeline->AddBasicComposite();
    pipeline->Execute();
    return target;
}

// The coverage bytes of one geometry over `box` (pixel (0, 0) of the result is the box's
// top-left), rendered as a clip-mask pipeline renders them.
std::shared_ptr<SysMemBitmap> Coverage(const std::shared_ptr<Geometry>& geometry,
                                       const GXIntRect& box) {
    const int32_t width = box.right - box.left, height = box.bottom - box.top;
    auto shape = MakeBitmap(width, height, GXPixelFormatA8, 0);
    auto pipeline = std::make_shared<SwPipeLine>(geometry, GXIntRect{0, 0, width, height});
    pipeline->SetCTM(GXMatrix{1, 0, 0, 1, -float(box.left), -float(box.top)});
    pipeline->SetSnapRectangles(true);
    pipeline->AddTargetShape(shape);
    pipeline->AddShapeFiller();
    pipeline->Execute();
    return shape;
}

}  // namespace

TEST(SwClipping, RectangleClipNarrowsTheBoxWithoutAMask) {
    SwClipping clipping(GXIntSize{32, 32}, 96, 96);
    clipping.ClipGeometry(RectGeometry({10, 10, 21, 21}), kIdentity, false);
    EXPECT_FALSE(clipping.HasGeometries());
    EXPECT_EQ(clipping.Mask(), nullptr);
    const GXIntRect box = clipping.PixelBox();
    EXPECT_EQ(box.left, 10);
    EXPECT_EQ(box.top, 10);
    EXPECT_EQ(box.right, 21);
    EXPECT_EQ(box.bottom, 21);
    auto target = DrawThrough(clipping, 32);
    for (int32_t y = 0; y < 32; ++y) {
        for (int32_t x = 0; x < 32; ++x) {
            const bool inside = x >= 10 && x <= 20 && y >= 10 && y <= 20;
            ASSERT_EQ(Pixel32(*target, x, y), inside ? 0xFFFFFFFFu : 0xFF000000u) << x << "," << y;
        }
    }
    // A quarter turn keeps a rectangle a rectangle; its corners swap roles.
    clipping.ClipGeometry(RectGeometry({0, -18, 40, -12}), GXMatrix{0, 1, -1, 0, 0, 0}, false);
    EXPECT_FALSE(clipping.HasGeometries());
    const GXRect bounds = clipping.Bounds();
    EXPECT_EQ(bounds.left, 12);
    EXPECT_EQ(bounds.right, 18);
    EXPECT_EQ(bounds.top, 10);
    EXPECT_EQ(bounds.bottom, 21);
    // Off the pixel edges a rectangle cuts pixels partly, through the mask.
    clipping.ClipGeometry(RectGeometry({10.5f, 10.5f, 20.5f, 20.5f}), kIdentity, false);
    EXPECT_TRUE(clipping.HasGeometries());
}

TEST(SwClipping, LensOfTwoCirclesIsTheProductOfTheirCoverages) {
    auto a = EllipseGeometry({2, 6, 22, 26});
    auto b = EllipseGeometry({10, 6, 30, 26});
    SwClipping clipping(GXIntSize{32, 32}, 96, 96);
    clipping.ClipGeometry(a, kIdentity, false);
    clipping.ClipGeometry(b, kIdentity, false);
    ASSERT_TRUE(clipping.HasGeometries());
    const GXIntRect box = clipping.PixelBox();
    EXPECT_EQ(box.left, 10);
    EXPECT_EQ(box.right, 22);
    EXPECT_EQ(box.top, 6);
    EXPECT_EQ(box.bottom, 26);
    auto coverageA = Coverage(a, box), coverageB = Coverage(b, box);
    auto target = DrawThrough(clipping, 32);
    int32_t partial = 0;
    for (int32_t y = 0; y < 32; ++y) {
        for (int32_t x = 0; x < 32; ++x) {
            const bool inBox = x >= 10 && x < 22 && y >= 6 && y < 26;
            const uint32_t m = inBox ? (((Pixel8(*coverageB, x - 10, y - 6) + 1u) *
                                         ((Pixel8(*coverageA, x - 10, y - 6) + 1u) * 255u >> 8)) >>
                                        8)
                                     : 0u;
            ASSERT_EQ(Pixel32(*target, x, y), 0xFF000000u | m << 16 | m << 8 | m) << x << "," << y;
            partial += m > 0 && m < 255;
        }
    }
    // The lens centre is fully visible, each circle's own side hidden, edges anti-aliased.
    EXPECT_EQ(Pixel32(*target, 16, 16), 0xFFFFFFFFu);
    EXPECT_EQ(Pixel32(*target, 5, 16), 0xFF000000u);
    EXPECT_EQ(Pixel32(*target, 27, 16), 0xFF000000u);
    EXPECT_GT(partial, 10);
    // The mask is built once and kept.
    const auto mask = clipping.Mask();
    EXPECT_EQ(clipping.Mask(), mask);
    EXPECT_EQ(mask->GetSize().width, 12);
}

TEST(SwClipping, CopiesAreIndependentAndCompareByContent) {
    SwClipping clipping(GXIntSize{16, 16}, 96, 96);
    clipping.ClipGeometry(EllipseGeometry({0, 0, 10, 10}), kIdentity, false);
    SwClipping copy = clipping;
    EXPECT_TRUE(copy == clipping);
    copy.ClipGeometry(RectGeometry({2, 2, 8, 8}), kIdentity, false);
    EXPECT_FALSE(copy == clipping);
    EXPECT_EQ(clipping.Bounds().left, 0);

    // Distinct but equal geometries under equal matrices compare equal.
    SwClipping other(GXIntSize{16, 16}, 96, 96);
    other.ClipGeometry(EllipseGeometry({0, 0, 10, 10}), kIdentity, false);
    EXPECT_TRUE(other == clipping);
    SwClipping moved(GXIntSize{16, 16}, 96, 96);
    moved.ClipGeometry(EllipseGeometry({0, 0, 10, 10}), GXMatrix{1, 0, 0, 1, 0.5f, 0}, false);
    EXPECT_FALSE(moved == clipping);

    // Reset is a fresh clipping.
    copy.Reset();
    EXPECT_TRUE(copy == SwClipping(GXIntSize{16, 16}, 96, 96));
    EXPECT_FALSE(copy.HasGeometries());
}

TEST(SwClipping, ClipOutsideTheTargetHidesEverything) {
    SwClipping clipping(GXIntSize{16, 16}, 96, 96);
    clipping.ClipGeometry(EllipseGeometry({40, 40, 50, 50}), kIdentity, false);
    const GXRect bounds = clipping.Bounds();
    EXPECT_EQ(bounds.left, 0);
    EXPECT_EQ(bounds.right, 0);
    EXPECT_EQ(clipping.Mask(), nullptr);
    auto target = DrawThrough(clipping, 16);
    for (int32_t y = 0; y < 16; ++y) {
        for (int32_t x = 0; x < 16; ++x) ASSERT_EQ(Pixel32(*target, x, y), 0xFF000000u);
    }
    // An empty geometry clips everything too.
    SwClipping empty(GXIntSize{16, 16}, 96, 96);
    empty.ClipGeometry(std::make_shared<Geometry>(), kIdentity, false);
    EXPECT_EQ(empty.PixelBox().right, 0);
}

TEST(SwClipping, BadGeometryAndMatricesStayDefined) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    SwClipping clipping(GXIntSize{16, 16}, 96, 96);
    clipping.ClipGeometry(RectGeometry({0, 0, 8, 8}), GXMatrix{nan, 0, 0, 1, 0, 0}, false);
    clipping.ClipGeometry(EllipseGeometry({-1e30f, -1e30f, 1e30f, 1e30f}), kIdentity, false);
    clipping.ClipGeometry(RectGeometry({0, 0, inf, 8}), kIdentity, false);
    auto target = DrawThrough(clipping, 16);
    // Nothing of the NaN-mapped rectangle is visible.
    EXPECT_EQ(Pixel32(*target, 4, 4), 0xFF000000u);
    SwClipping huge(GXIntSize{16, 16}, 96, 96);
    huge.ClipGeometry(EllipseGeometry({-1e30f, -1e30f, 1e30f, 1e30f}), kIdentity, false);
    const GXIntRect box = huge.PixelBox();
    EXPECT_EQ(box.right, 16);
    EXPECT_EQ(Pixel32(*DrawThrough(huge, 16), 8, 8), 0xFFFFFFFFu);
    SwClipping negative(GXIntSize{-5, 16}, 96, 96);
    EXPECT_EQ(negative.PixelBox().right, 0);
}
