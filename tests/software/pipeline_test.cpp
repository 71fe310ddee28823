#include "graphics/software/swpipeline.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <vector>

#include "graphics/core/exception.h"
#include "graphics/raster/coveragebuffer.h"
#include "graphics/raster/rasterizer.h"
#include "graphics/software/swbasiccompositeop.h"
#include "graphics/software/swbitmapcolorsource.h"
#include "graphics/software/swsolidcolorsource.h"
#include "pipelinetesthelpers.h"

using namespace Graphics;
using namespace Graphics::Testing;

namespace {

// Fills `geometry` with a solid pixel into `target` over the target's whole area.
void FillSolid(const std::shared_ptr<BitmapBase>& target, std::shared_ptr<Geometry> geometry,
               uint32_t pixel, int32_t blendMode = 0, bool snap = false,
               const GXMatrix& ctm = GXMatrix{1, 0, 0, 1, 0, 0}) {
    const GXIntSize size = target->GetSize();
    auto pipeline =
        std::make_shared<SwPipeLine>(std::move(geometry), GXIntRect{0, 0, size.width, size.height});
    pipeline->SetCTM(ctm);
    pipeline->SetSnapRectangles(snap);
    pipeline->SetBlendMode(blendMode);
    pipeline->AddTargetColor(target);
    pipeline->AddSourceColor(std::make_shared<SwSolidColorSource>(pixel));
    pipeline->AddBasicComposite();
    pipeline->Execute();
}

// The run values 0..64 the rasterizer produces for a geometry, per pixel.
class CoverageRecorder : public RasterizationSink {
public:
    CoverageRecorder(int32_t width, int32_t height)
        : width_(width), values(size_t(width * height), 0) {}
    void AddCoverageRow(int32_t row, const CoverageBuffer& coverage) override {
        for (const CoverageRun* run = coverage.First(); run != coverage.End(); run = run->next) {
            for (int32_t x = run->x; run->value && x < run->next->x; ++x) {
                values[size_t(row * width_ + x)] = run->value;
            }
        }
    }
    void FillPixelRect(int32_t x0, int32_t y0, int32_t x1, int32_t y1) override {
        for (int32_t y = y0; y < y1; ++y) {
            for (int32_t x = x0; x < x1; ++x) values[size_t(y * width_ + x)] = 64;
        }
    }
    bool AcceptsTrapezoids(int32_t, int32_t) override { return false; }
    void AddTrapezoid(float, float, float, float, float, float, float, float) override {}

    int32_t width_;
    std::vector<int32_t> values;
};

}  // namespace

TEST(SwPipeLine, SolidRectangleFillsExactPixels) {
    auto target = MakeBitmap(16, 16, GXPixelFormatPARGB32, 0);
    FillSolid(target, RectGeometry({2, 3, 6, 8}), 0xFFFF0000);
    // Half a pixel column at x 8, one sub-sample at (12, 12).
    FillSolid(target, RectGeometry({8.5f, 3, 10, 4}), 0xFFFF0000);
    FillSolid(target, RectGeometry({12, 12, 12.125f, 12.125f}), 0xFFFFFFFF);
    for (int32_t y = 0; y < 16; ++y) {
        for (int32_t x = 0; x < 8; ++x) {
            const bool inside = x >= 2 && x < 6 && y >= 3 && y < 8;
            EXPECT_EQ(Pixel32(*target, x, y), inside ? 0xFFFF0000u : 0u) << x << "," << y;
        }
    }
    // 32 units -> coverage 127 -> red scaled by 128/256 onto a transparent target.
    EXPECT_EQ(Pixel32(*target, 8, 3), 0x7F7F0000u);
    EXPECT_EQ(Pixel32(*target, 9, 3), 0xFFFF0000u);
    EXPECT_EQ(Pixel32(*target, 10, 3), 0u);
    // One sample: coverage 3, white x 4 >> 8 = 3 on every channel.
    EXPECT_EQ(Pixel32(*target, 12, 12), 0x03030303u);
}

TEST(SwPipeLine, SnappedRectangleIsWholePixels) {
    auto target = MakeBitmap(8, 8, GXPixelFormatPARGB32, 0xFF000000);
    FillSolid(target, RectGeometry({1.25f, 1.25f, 3.75f, 2.75f}), 0xFF00FF00, 0, true);
    int32_t changed = 0;
    for (int32_t y = 0; y < 8; ++y) {
        for (int32_t x = 0; x < 8; ++x) {
            const uint32_t p = Pixel32(*target, x, y);
            EXPECT_TRUE(p == 0xFF000000u || p == 0xFF00FF00u) << std::hex << p;
            changed += p == 0xFF00FF00u;
        }
    }
    EXPECT_GT(changed, 0);
}

TEST(SwPipeLine, CircleMatchesRasterizedCoverage) {
    auto target = MakeBitmap(24, 24, GXPixelFormatPARGB32, 0xFF000000);
    auto circle = EllipseGeometry({2, 2, 22, 22});
    FillSolid(target, circle, 0xFFFFFFFF);
    auto recorder = std::make_shared<CoverageRecorder>(24, 24);
    RasterizeGeometry(*circle, GXMatrix{1, 0, 0, 1, 0, 0}, GXRect{0, 0, 24, 24}, false, recorder);
    int32_t full = 0, partial = 0;
    for (int32_t y = 0; y < 24; ++y) {
        for (int32_t x = 0; x < 24; ++x) {
            const int32_t v = recorder->values[size_t(y * 24 + x)];
            // White over opaque black: each channel is 255 x (4v) >> 8, 255 for a whole pixel.
            const uint32_t c = v == 64 ? 255u : (255u * uint32_t(4 * v)) >> 8;
            EXPECT_EQ(Pixel32(*target, x, y), 0xFF000000u | c << 16 | c << 8 | c) << x << "," << y;
            full += v == 64;
            partial += v > 0 && v < 64;
        }
    }
    EXPECT_EQ(Pixel32(*target, 12, 12), 0xFFFFFFFFu);
    EXPECT_EQ(Pixel32(*target, 2, 2), 0xFF000000u);
    EXPECT_GT(full, 250);
    EXPECT_GT(partial, 20);
}

TEST(SwPipeLine, BitmapBrushTilesTheSource) {
    auto tile = MakeBitmap(2, 2, GXPixelFormatPARGB32, 0xFF0000FF);
    {
        BitmapLock lock(*tile, nullptr, LockMode::Write);
        auto* p = static_cast<uint32_t*>(lock.Data().data);
        p[1] = 0x80800000;  // a half-transparent premultiplied red at (1, 0)
    }
    auto target = MakeBitmap(6, 4, GXPixelFormatPARGB32, 0xFF00FF00);
    auto pipeline = std::make_shared<SwPipeLine>(RectGeometry({0, 0, 6, 4}), GXIntRect{0, 0, 6, 4});
    pipeline->AddTargetColor(target);
    pipeline->AddSourceColor(
        std::make_shared<SwBitmapColorSource>(tile, GXMatrix{1, 0, 0, 1, 0, 0}, BitmapExtendRepeat,
                                              BitmapExtendRepeat, BitmapSamplingNearest, 1.0f));
    pipeline->AddBasicComposite();
    pipeline->Execute();
    for (int32_t y = 0; y < 4; ++y) {
        for (int32_t x = 0; x < 6; ++x) {
            // Red at half alpha over green: 0x80 red + green x (256 - 128) >> 8 = 0x7F.
            const uint32_t expected = (x % 2 == 1 && y % 2 == 0) ? 0xFF807F00u : 0xFF0000FFu;
            EXPECT_EQ(Pixel32(*target, x, y), expected) << x << "," << y;
        }
    }
}

TEST(SwPipeLine, BlendModeSelectsTheBlendingCompositor) {
    const uint32_t backdrop = 0xFF4080C0, source = 0xFF808080;
    auto multiplied = MakeBitmap(4, 1, GXPixelFormatPARGB32, backdrop);
    FillSolid(multiplied, RectGeometry({0, 0, 4, 1}), source, 1);
    const uint32_t expected = SwBasicCompositeOp::CompositePixel(1, backdrop, source, 255);
    EXPECT_EQ(Pixel32(*multiplied, 3, 0), expected);
    EXPECT_NE(expected, source);
    // Multiply by mid grey halves each channel (within the blend's rounding).
    EXPECT_NEAR(double((expected >> 16) & 0xFF), 0x40 * 128.0 / 255, 1.0);
    EXPECT_NEAR(double(expected & 0xFF), 0xC0 * 128.0 / 255, 1.0);
    // Onto a transparent target the source lands unblended, whatever the mode.
    auto clear = MakeBitmap(4, 1, GXPixelFormatPARGB32, 0);
    FillSolid(clear, RectGeometry({0, 0, 4, 1}), source, 1);
    EXPECT_EQ(Pixel32(*clear, 0, 0), source);
    // An unknown code composites as Normal.
    auto normal = MakeBitmap(4, 1, GXPixelFormatPARGB32, backdrop);
    FillSolid(normal, RectGeometry({0, 0, 4, 1}), source, 99);
    EXPECT_EQ(Pixel32(*normal, 0, 0), source);
}

TEST(SwPipeLine, OperationsRunInKeyOrderWhateverTheAddingOrder) {
    auto target = MakeBitmap(4, 4, GXPixelFormatPARGB32, 0);
    auto pipeline = std::make_shared<SwPipeLine>(RectGeometry({0, 0, 4, 4}), GXIntRect{0, 0, 4, 4});
    pipeline->AddBasicComposite();
    pipeline->AddSourceColor(std::make_shared<SwSolidColorSource>(0xFF123456));
    pipeline->AddTargetColor(target);
    pipeline->Execute();
    EXPECT_EQ(Pixel32(*target, 3, 3), 0xFF123456u);
}

TEST(SwPipeLine, ClipBoxCutsRowsAndRuns) {
    auto target = MakeBitmap(8, 8, GXPixelFormatPARGB32, 0);
    auto pipeline =
        std::make_shared<SwPipeLine>(EllipseGeometry({-4, -4, 12, 12}), GXIntRect{0, 0, 8, 8});
    pipeline->IntersectClipBox(GXIntRect{2, 3, 5, 6});
    pipeline->AddTargetColor(target);
    pipeline->AddSourceColor(std::make_shared<SwSolidColorSource>(0xFFFFFFFF));
    pipeline->AddBasicComposite();
    pipeline->Execute();
    for (int32_t y = 0; y < 8; ++y) {
        for (int32_t x = 0; x < 8; ++x) {
            const bool inside = x >= 2 && x < 5 && y >= 3 && y < 6;
            EXPECT_EQ(Pixel32(*target, x, y), inside ? 0xFFFFFFFFu : 0u) << x << "," << y;
        }
    }
    // Whole-pixel rectangles are cut the same way.
    auto rectTarget = MakeBitmap(8, 8, GXPixelFormatPARGB32, 0);
    auto rect = std::make_shared<SwPipeLine>(RectGeometry({0, 0, 8, 8}), GXIntRect{0, 0, 8, 8});
    rect->SetSnapRectangles(true);
    rect->IntersectClipBox(GXIntRect{6, 1, 20, 2});
    rect->AddTargetColor(rectTarget);
    rect->AddSourceColor(std::make_shared<SwSolidColorSource>(0xFFFFFFFF));
    rect->AddBasicComposite();
    rect->Execute();
    EXPECT_EQ(Pixel32(*rectTarget, 5, 1), 0u);
    EXPECT_EQ(Pixel32(*rectTarget, 6, 1), 0xFFFFFFFFu);
    EXPECT_EQ(Pixel32(*rectTarget, 7, 1), 0xFFFFFFFFu);
    EXPECT_EQ(Pixel32(*rectTarget, 7, 2), 0u);
}

TEST(SwPipeLine, TargetSmallerThanThePipelineIsNeverOverrun) {
    // The pipeline covers 64 x 64 but the bitmap only 4 x 4: spans stop at the bitmap.
    auto target = MakeBitmap(4, 4, GXPixelFormatPARGB32, 0);
    auto pipeline =
        std::make_shared<SwPipeLine>(RectGeometry({0, 0, 64, 64}), GXIntRect{0, 0, 64, 64});
    pipeline->AddTargetColor(target);
    pipeline->AddSourceColor(std::make_shared<SwSolidColorSource>(0xFFFFFFFF));
    pipeline->AddBasicComposite();
    pipeline->Execute();
    EXPECT_EQ(pipeline->ClipBox().right, 4);
    EXPECT_EQ(Pixel32(*target, 3, 3), 0xFFFFFFFFu);
}

TEST(SwPipeLine, BadInputDrawsNothing) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    auto target = MakeBitmap(8, 8, GXPixelFormatPARGB32, 0);
    FillSolid(target, RectGeometry({0, 0, 8, 8}), 0xFFFFFFFF, 0, false,
              GXMatrix{nan, 0, 0, 1, 0, 0});
    FillSolid(target, RectGeometry({0, 0, 8, 8}), 0xFFFFFFFF, 0, true,
              GXMatrix{1, 0, 0, 1, inf, 0});
    FillSolid(target, RectGeometry({0, 0, 8, 8}), 0xFFFFFFFF, 0, false, GXMatrix{0, 0, 0, 0, 0, 0});
    FillSolid(target, RectGeometry({nan, 0, 8, 8}), 0xFFFFFFFF);
    FillSolid(target, std::make_shared<Geometry>(), 0xFFFFFFFF);
    for (int32_t y = 0; y < 8; ++y) {
        for (int32_t x = 0; x < 8; ++x) EXPECT_EQ(Pixel32(*target, x, y), 0u);
    }
    // Empty and inverted pipeline rectangles.
    for (const GXIntRect& r :
         {GXIntRect{0, 0, 0, 8}, GXIntRect{8, 8, 0, 0}, GXIntRect{INT32_MIN, 0, INT32_MAX, -5}}) {
        auto pipeline = std::make_shared<SwPipeLine>(RectGeometry({0, 0, 8, 8}), r);
        pipeline->AddTargetColor(target);
        pipeline->AddSourceColor(std::make_shared<SwSolidColorSource>(0xFFFFFFFF));
        pipeline->AddBasicComposite();
        pipeline->Execute();
    }
    EXPECT_EQ(Pixel32(*target, 0, 0), 0u);
    // A target of another format is refused before anything is drawn.
    auto a8 = MakeBitmap(8, 8, GXPixelFormatA8, 0);
    auto pipeline = std::make_shared<SwPipeLine>(RectGeometry({0, 0, 8, 8}), GXIntRect{0, 0, 8, 8});
    EXPECT_THROW(pipeline->AddTargetColor(a8), Exception);
    EXPECT_THROW(pipeline->AddTargetColor(nullptr), Exception);
}

TEST(SwPipeLine, HugeGeometryCoversTheTarget) {
    auto target = MakeBitmap(8, 8, GXPixelFormatPARGB32, 0);
    FillSolid(target, RectGeometry({-1e30f, -1e30f, 1e30f, 1e30f}), 0xFF00FF00);
    FillSolid(target, RectGeometry({0, 0, 1, 1}), 0xFFFF0000, 0, false,
              GXMatrix{1e30f, 0, 0, 1e30f, -5e29f, -5e29f});
    EXPECT_EQ(Pixel32(*target, 0, 0), 0xFFFF0000u);
    EXPECT_EQ(Pixel32(*target, 7, 7), 0xFFFF0000u);
}

TEST(SwPipeLine, ExecuteNeedsSharedOwnership) {
    SwPipeLine pipeline(RectGeometry({0, 0, 4, 4}), GXIntRect{0, 0, 4, 4});
    EXPECT_THROW(pipeline.Execute(), std::bad_weak_ptr);
}

TEST(SwPipeLine, SinkCallsAreCutToTheClipBox) {
    // Rows and rectangles handed to the pipeline directly, wider than its clip box: the
    // pipeline cuts them itself rather than trusting its caller.
    auto shape = MakeBitmap(16, 8, GXPixelFormatA8, 0);
    auto pipeline = std::make_shared<SwPipeLine>(nullptr, GXIntRect{0, 0, 16, 8});
    pipeline->AddTargetShape(shape);
    pipeline->AddShapeFiller();
    pipeline->IntersectClipBox(GXIntRect{2, 1, 12, 4});
    CoverageBuffer coverage(0, 16);
    for (int32_t sub = 0; sub < 8; ++sub) coverage.AddSpan(4, 15 * 8);  // x 0 half, 1..14 full
    pipeline->AddCoverageRow(0, coverage);                              // above the box
    pipeline->AddCoverageRow(1, coverage);
    pipeline->AddCoverageRow(4, coverage);  // below the box
    pipeline->FillPixelRect(-100, 2, 100, 3);
    pipeline->FillPixelRect(0, 3, 2, 4);  // left of the box
    for (int32_t y = 0; y < 8; ++y) {
        for (int32_t x = 0; x < 16; ++x) {
            const bool inside = (y == 1 || y == 2) && x >= 2 && x < 12;
            EXPECT_EQ(Pixel8(*shape, x, y), inside ? 255 : 0) << x << "," << y;
        }
    }
}
