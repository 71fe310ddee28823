#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "graphics/bitmap/sysmembitmap.h"
#include "graphics/raster/coveragebuffer.h"
#include "graphics/raster/rasterizationsink.h"
#include "graphics/raster/rasterizer.h"
#include "graphics/software/shapefillerop.h"
#include "graphics/software/swbasiccompositenormalsse2op.h"
#include "graphics/software/swbasiccompositeop.h"
#include "graphics/software/swblend.h"
#include "graphics/software/swcoveragecompositenormalop.h"
#include "graphics/software/swcoveragemask.h"
#include "graphics/software/swpixel.h"
#include "graphics/software/swsolidcompositenormalop.h"
#include "graphics/software/swsourceshapeop.h"
#include "graphics/software/swtargetcolorop.h"
#include "simdlevels.h"

using namespace Graphics;

namespace {

// A random premultiplied pixel, with the extremes of alpha and colour well represented.
uint32_t RandomPremultiplied(std::mt19937& random) {
    uint32_t pick = random() % 8;
    uint32_t a = pick == 0 ? 0 : pick == 1 ? 255 : random() % 256;
    auto channel = [&]() { return a == 0 ? 0u : static_cast<uint32_t>(random() % (a + 1)); };
    return (a << 24) | (channel() << 16) | (channel() << 8) | channel();
}

uint8_t RandomShape(std::mt19937& random) {
    uint32_t pick = random() % 6;
    return static_cast<uint8_t>(pick == 0 ? 0 : pick == 1 ? 255 : random() % 256);
}

SwSpanState StateFor(uint32_t* target, uint32_t* source, uint8_t* shape, int32_t count,
                     int32_t mode) {
    SwSpanState state{};
    state.targetColor = target;
    state.sourceColor = source;
    state.sourceShape = shape;
    state.blendMode = mode;
    state.span = {0, 0, count, 255};
    return state;
}

}  // namespace

TEST(SwBasicCompositeNormalSSE2Op, FourWideEqualsOnePixelFormOnRandomRows) {
    std::mt19937 random(99);
    for (int trial = 0; trial < 400; ++trial) {
        const int32_t count = static_cast<int32_t>(random() % 38);  // 0..37
        const size_t start = random() % 4;                          // unaligned starts
        std::vector<uint32_t> target(count + start), source(count + start);
        std::vector<uint8_t> shape(count + start);
        for (int32_t i = 0; i < count; ++i) {
            target[start + i] = RandomPremultiplied(random);
            source[start + i] = RandomPremultiplied(random);
            shape[start + i] = RandomShape(random);
        }
        std::vector<uint32_t> scalar = target;
        SwBasicCompositeNormalSSE2Op::CompositeRowScalar(
            scalar.data() + start, source.data() + start, shape.data() + start, count);
        ForEachVectorLevel([&](SimdLevel level) {
            std::vector<uint32_t> wide = target;
            SwBasicCompositeNormalSSE2Op::kCompositeRowForms.For(level)(
                wide.data() + start, source.data() + start, shape.data() + start, count);
            ASSERT_EQ(wide, scalar) << "trial " << trial << " count " << count;
        });
        SwBasicCompositeNormalSSE2Op op;
        SwSpanState state =
            StateFor(target.data() + start, source.data() + start, shape.data() + start, count, 0);
        op.Process(state);
        ASSERT_EQ(target, scalar) << "trial " << trial << " count " << count;
    }
}

// Rows mostly of opaque source under full shape, broken now and then by a translucent pixel
// or partial coverage, so that four-pixel groups go both the copying way and the mixing one.
TEST(SwBasicCompositeNormalSSE2Op, OpaqueStretchesEqualOnePixelForm) {
    std::mt19937 random(5);
    for (int trial = 0; trial < 200; ++trial) {
        const int32_t count = static_cast<int32_t>(random() % 38);
        const size_t start = random() % 4;
        std::vector<uint32_t> target(count + start), source(count + start);
        std::vector<uint8_t> shape(count + start, 255);
        for (int32_t i = 0; i < count; ++i) {
            target[start + i] = RandomPremultiplied(random);
            source[start + i] = 0xFF000000u | (static_cast<uint32_t>(random()) & 0xFFFFFFu);
            if (random() % 12 == 0) source[start + i] = RandomPremultiplied(random);
            if (random() % 12 == 0) shape[start + i] = RandomShape(random);
        }
        std::vector<uint32_t> scalar = target;
        SwBasicCompositeNormalSSE2Op::CompositeRowScalar(
            scalar.data() + start, source.data() + start, shape.data() + start, count);
        ForEachVectorLevel([&](SimdLevel level) {
            std::vector<uint32_t> wide = target;
            SwBasicCompositeNormalSSE2Op::kCompositeRowForms.For(level)(
                wide.data() + start, source.data() + start, shape.data() + start, count);
            ASSERT_EQ(wide, scalar) << "trial " << trial << " count " << count;
        });
    }
}

TEST(SwBasicCompositeNormalSSE2Op, PinnedPixels) {
    struct Case {
        uint32_t target, source;
        uint8_t shape;
        uint32_t expected;
    };
    const Case cases[] = {
        // One sub-sample (coverage 3) of opaque white over opaque black: 3 x 256 >> 8.
        {0xFF000000, 0xFFFFFFFF, 3, 0xFF030303},
        {0xFF123456, 0xFFABCDEF, 255, 0xFFABCDEF},  // full coverage replaces
        {0xFF123456, 0xFFABCDEF, 0, 0xFF123456},    // no coverage keeps
        {0x00000000, 0x80402010, 255, 0x80402010},  // transparent target takes the source
        // Half-transparent red over opaque blue: 0x80 + blue x 128 >> 8.
        {0xFF0000FF, 0x80800000, 255, 0xFF80007F},
    };
    for (const Case& c : cases) {
        for (int wide = 0; wide < 2; ++wide) {
            // Four equal pixels go through the vector loop, one through the scalar form.
            std::vector<uint32_t> target(wide ? 4 : 1, c.target), source(target.size(), c.source);
            std::vector<uint8_t> shape(target.size(), c.shape);
            SwBasicCompositeNormalSSE2Op::CompositeRow(target.data(), source.data(), shape.data(),
                                                       static_cast<int32_t>(target.size()));
            for (uint32_t pixel : target)
                EXPECT_EQ(pixel, c.expected) << std::hex << c.target << " " << c.source;
        }
    }
}

TEST(SwBasicCompositeOp, PinnedPixelsForEachAlphaCase) {
    // Both opaque, full coverage: the blend result, opaque, for every mode.
    for (int32_t mode = 0; mode < 16; ++mode) {
        uint32_t cb = 0xFF336699, cs = 0xFF996633;
        EXPECT_EQ(SwBasicCompositeOp::CompositePixel(mode, cb, cs, 255),
                  SwBlendColors(mode, cb, cs) | 0xFF000000u)
            << mode;
    }
    // Transparent target: the shape-scaled source, no blending.
    EXPECT_EQ(SwBasicCompositeOp::CompositePixel(kSwBlendMultiply, 0x00000000, 0xFF804020, 128),
              0x80402010u);
    // Nothing to draw: no shape, or no source alpha.
    EXPECT_EQ(SwBasicCompositeOp::CompositePixel(kSwBlendScreen, 0x80402010, 0xFFFFFFFF, 0),
              0x80402010u);
    EXPECT_EQ(SwBasicCompositeOp::CompositePixel(kSwBlendScreen, 0x80402010, 0x00000000, 255),
              0x80402010u);
    // Both half-transparent, Multiply: B = (127, 0, 0); colour = scale(cs, 128) +
    // scale(cb, 128) + scale(B, 65); alpha = 128 + 128 - 64.
    EXPECT_EQ(SwBasicCompositeOp::CompositePixel(kSwBlendMultiply, 0x80402010, 0x80800000, 255),
              0xC0801008u);
    // Opaque source over a half-transparent target, Screen: mix(cs, B, 129), opaque.
    EXPECT_EQ(SwBasicCompositeOp::CompositePixel(kSwBlendScreen, 0x80404040, 0xFF0000FF, 255),
              0xFF3F3FFFu);
    // Quarter-transparent source over an opaque target, Darken: mix(cb, B, 65), opaque.
    EXPECT_EQ(SwBasicCompositeOp::CompositePixel(kSwBlendDarken, 0xFF808080, 0x40400000, 255),
              0xFF806060u);
}

TEST(SwBasicCompositeOp, SpansMatchThePixelFunctionAndStayPremultiplied) {
    std::mt19937 random(5);
    for (int32_t mode = 0; mode < 16; ++mode) {
        const int32_t count = 64;
        std::vector<uint32_t> target(count), source(count);
        std::vector<uint8_t> shape(count);
        for (int32_t i = 0; i < count; ++i) {
            target[i] = RandomPremultiplied(random);
            source[i] = RandomPremultiplied(random);
            shape[i] = RandomShape(random);
        }
        std::vector<uint32_t> before = target;
        SwBasicCompositeOp op;
        SwSpanState state = StateFor(target.data(), source.data(), shape.data(), count, mode);
        op.Process(state);
        for (int32_t i = 0; i < count; ++i) {
            EXPECT_EQ(target[i],
                      SwBasicCompositeOp::CompositePixel(mode, before[i], source[i], shape[i]));
            uint32_t a = target[i] >> 24;
            EXPECT_LE((target[i] >> 16) & 0xFF, a) << "mode " << mode << " pixel " << i;
            EXPECT_LE((target[i] >> 8) & 0xFF, a) << "mode " << mode << " pixel " << i;
            EXPECT_LE(target[i] & 0xFF, a) << "mode " << mode << " pixel " << i;
            // Source-over never lowers alpha.
            EXPECT_GE(a, before[i] >> 24);
        }
    }
}

TEST(SwShapeOps, WriteTheSpanCoverage) {
    std::vector<uint8_t> shape(8, 7), targetShape(8, 9);
    SwSpanState state{};
    state.sourceShape = shape.data();
    state.targetShape = targetShape.data() + 2;
    state.span = {3, 10, 14, 191};
    SwSourceShapeOp source;
    ShapeFillerOp filler;
    EXPECT_EQ(source.OrderKey(), kSwOrderTargetAndShape);
    EXPECT_EQ(filler.OrderKey(), kSwOrderComposite);
    source.Process(state);
    filler.Process(state);
    EXPECT_EQ(shape, (std::vector<uint8_t>{191, 191, 191, 191, 7, 7, 7, 7}));
    EXPECT_EQ(targetShape, (std::vector<uint8_t>{9, 9, 191, 191, 191, 191, 9, 9}));
}

namespace {

// The pipeline's per-span steps for a solid opaque white source: target pointer, source
// shape from the run's coverage byte, Normal compositing into a PARGB32 bitmap.
class WhiteFillSink : public RasterizationSink {
public:
    WhiteFillSink(GXBitmapData lock, int32_t width)
        : source_(static_cast<size_t>(width), 0xFFFFFFFF), shape_(source_.size()) {
        state_ = {};
        state_.targetLock = lock;
        state_.sourceColor = source_.data();
        state_.sourceShape = shape_.data();
    }
    void AddCoverageRow(int32_t row, const CoverageBuffer& coverage) override {
        for (const CoverageRun* run = coverage.First(); run != coverage.End(); run = run->next) {
            if (run->value != 0)
                Run({row, run->x, run->next->x, CoverageBuffer::CoverageByte(run->value)});
        }
    }
    void FillPixelRect(int32_t x0, int32_t y0, int32_t x1, int32_t y1) override {
        for (int32_t y = y0; y < y1; ++y) Run({y, x0, x1, 255});
    }
    bool AcceptsTrapezoids(int32_t, int32_t) override { return false; }
    void AddTrapezoid(float, float, float, float, float, float, float, float) override {}

private:
    void Run(const SwSpan& span) {
        state_.span = span;
        target_.Process(state_);
        shapeOp_.Process(state_);
        composite_.Process(state_);
    }
    std::vector<uint32_t> source_;
    std::vector<uint8_t> shape_;
    SwSpanState state_;
    SwTargetColorOp target_{nullptr};
    SwSourceShapeOp shapeOp_;
    SwBasicCompositeNormalSSE2Op composite_;
};

}  // namespace

TEST(SwPipelinePieces, RasterizedCoverageCompositesIntoABitmap) {
    EXPECT_EQ(CoverageBuffer::CoverageByte(64), 255);
    EXPECT_EQ(CoverageBuffer::CoverageByte(1), 3);
    auto bitmap =
        std::make_shared<SysMemBitmap>(GXIntSize{16, 8}, GXPixelFormatPARGB32, 96.0f, 96.0f);
    BitmapLock lock(*bitmap, nullptr, LockMode::ReadWrite);
    auto pixel = [&](int x, int y) -> uint32_t& {
        return reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(lock.Data().data) +
                                           y * lock.Data().stride)[x];
    };
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 16; ++x) pixel(x, y) = 0xFF000000;
    }
    auto sink = std::make_shared<WhiteFillSink>(lock.Data(), 16);
    Rasterizer rasterizer({0, 0, 16, 8}, 0.25f, false, sink);
    rasterizer.BeginRasterization();
    rasterizer.SetFillRule(0);
    // A whole pixel at (2, 1), one sample at (5, 1), half a pixel over (8..9, 6).
    const GXRect rects[] = {{2, 1, 3, 2}, {5, 1, 5.125f, 1.125f}, {8.5f, 6, 9.5f, 6.5f}};
    for (const GXRect& r : rects) {
        rasterizer.BeginFigure({r.left, r.top});
        rasterizer.LineTo({r.right, r.top});
        rasterizer.LineTo({r.right, r.bottom});
        rasterizer.LineTo({r.left, r.bottom});
        rasterizer.EndFigureClose();
    }
    rasterizer.EndRasterization();
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 16; ++x) {
            uint32_t expected = 0xFF000000;
            if (x == 2 && y == 1) expected = 0xFFFFFFFF;  // coverage 255
            if (x == 5 && y == 1) expected = 0xFF030303;  // coverage 3: 3 x 256 >> 8
            // 16 samples: coverage 63, white scaled by 64 / 256.
            if ((x == 8 || x == 9) && y == 6) expected = 0xFF3F3F3F;
            EXPECT_EQ(pixel(x, y), expected) << x << "," << y;
        }
    }
}

TEST(SwPixel, UnpremultiplyDividesExactly) {
    // Every alpha and every channel up to it (and past it, where min() applies).
    for (uint32_t a = 1; a < 256; ++a) {
        for (uint32_t v = 0; v < 256; ++v) {
            uint32_t expected = (v < a ? v : a) * 255 / a;
            uint32_t c = (a << 24) | (v << 16) | (v << 8) | v;
            ASSERT_EQ(SwUnpremultiply(c), (a << 24) | expected * 0x010101u) << a << " " << v;
        }
    }
    EXPECT_EQ(SwUnpremultiply(0x00123456), 0x00123456u);
    EXPECT_EQ(SwUnpremultiply(0x80402010), 0x807F3F1Fu);
}

TEST(SwSolidCompositeNormalOp, FourWideEqualsOnePixelFormAndTheGeneralCompositor) {
    std::mt19937 random(41);
    for (int trial = 0; trial < 600; ++trial) {
        const int32_t count = static_cast<int32_t>(random() % 38);  // 0..37
        const size_t start = random() % 4;                          // unaligned starts
        // Opaque colours at full coverage take the fill shortcut; the rest blend.
        const uint32_t pixel =
            trial % 5 == 0 ? 0xFF000000u | (random() & 0xFFFFFFu) : RandomPremultiplied(random);
        const uint8_t coverage = trial % 5 == 0 ? 255 : RandomShape(random);
        // A third of the rows hold any bits at all, malformed pixels included: the solid
        // forms must still agree with the general ones on them.
        const bool anyBits = trial % 3 == 2;
        std::vector<uint32_t> target(count + start);
        for (int32_t i = 0; i < count; ++i)
            target[start + i] = anyBits ? uint32_t(random()) : RandomPremultiplied(random);
        // What the pipeline ran before: a source row of the colour, a shape row of the
        // coverage, the general compositor.
        std::vector<uint32_t> source(count + start, pixel);
        std::vector<uint8_t> shape(count + start, coverage);

        const std::vector<uint32_t> original = target;
        std::vector<uint32_t> scalar = target, generalScalar = target, general = target;
        SwSolidCompositeNormalOp::CompositeRowScalar(scalar.data() + start, pixel, coverage, count);
        SwBasicCompositeNormalSSE2Op::CompositeRowScalar(
            generalScalar.data() + start, source.data() + start, shape.data() + start, count);
        SwBasicCompositeNormalSSE2Op::CompositeRow(general.data() + start, source.data() + start,
                                                   shape.data() + start, count);
        ASSERT_EQ(scalar, generalScalar) << "trial " << trial << " count " << count;

        SwSolidCompositeNormalOp op(pixel);
        SwSpanState state = StateFor(target.data() + start, nullptr, nullptr, count, 0);
        state.span.coverage = coverage;
        op.Process(state);
        ASSERT_EQ(target, general) << "trial " << trial << " count " << count;
        // Four-wide and one-pixel forms differ on malformed pixels only; the vector forms
        // split a span alike, so they agree with each other on any bits.
        if (!anyBits) {
            ASSERT_EQ(target, scalar) << "trial " << trial << " count " << count;
        }
        ForEachVectorLevel([&](SimdLevel level) {
            std::vector<uint32_t> solid = original, basic = original;
            SwSolidCompositeNormalOp::kCompositeRowForms.For(level)(solid.data() + start, pixel,
                                                                    coverage, count);
            SwBasicCompositeNormalSSE2Op::kCompositeRowForms.For(level)(
                basic.data() + start, source.data() + start, shape.data() + start, count);
            ASSERT_EQ(solid, basic) << "trial " << trial << " count " << count;
            if (!anyBits) {
                ASSERT_EQ(solid, scalar) << "trial " << trial << " count " << count;
            }
        });
    }
}

// A glyph mask's rows composited whole give what its spans give one by one, on any target
// bits (alpha 0 and malformed pixels included), in every instruction set.
TEST(SwSolidCompositeNormalOp, MaskRowsEqualTheirSpansCompositedOneByOne) {
    std::mt19937 random(47);
    for (int trial = 0; trial < 300; ++trial) {
        SwCoverageMask mask;
        const int32_t rows = 1 + int32_t(random() % 4), left = int32_t(random() % 3);
        for (int32_t y = 0; y < rows; ++y) {
            for (int32_t x = left + int32_t(random() % 3); x < 30; x += 1 + int32_t(random() % 3)) {
                const int32_t x1 = std::min<int32_t>(x + 1 + int32_t(random() % 11), 31);
                mask.spans.push_back(
                    {int16_t(y), int16_t(x), int16_t(x1), uint8_t(1 + random() % 255)});
                x = x1;
            }
        }
        mask.box = GXIntRect{left, 0, 31, rows};
        for (const SwCoverageSpan& span : mask.spans)
            mask.box.left = std::min<int32_t>(mask.box.left, span.x0);
        mask.BuildRows();
        ASSERT_FALSE(mask.coverage.empty());
        // Rows end at the box or, half the time, run on over their padding.
        const int32_t width = trial % 2 ? mask.rowStride : mask.box.right - mask.box.left;
        const uint32_t pixel = trial % 4 == 0 ? 0xFF000000u | (random() & 0xFFFFFFu)
                                              : RandomPremultiplied(random) | 0x01000000u;
        std::vector<uint32_t> original(size_t(34 * rows));
        for (uint32_t& value : original) {
            const uint32_t kind = random() % 3;
            value = kind == 0   ? uint32_t(random()) & 0x00FFFFFFu
                    : kind == 1 ? uint32_t(random())
                                : RandomPremultiplied(random);
        }
        ForEachVectorLevel([&](SimdLevel level) {
            std::vector<uint32_t> spans = original;
            for (const SwCoverageSpan& span : mask.spans)
                SwSolidCompositeNormalOp::kCompositeRowForms.For(level)(
                    spans.data() + span.y * 34 + span.x0, pixel, span.coverage, span.x1 - span.x0);
            for (SimdLevel rowLevel : {SimdLevel::kScalar, level}) {
                std::vector<uint32_t> whole = original;
                SwSolidCompositeNormalOp::kCompositeMaskForms.For(rowLevel)(
                    reinterpret_cast<uint8_t*>(whole.data() + mask.box.left), 34 * 4, pixel,
                    mask.coverage.data(), mask.lone.data(), mask.rowStride, width, rows);
                ASSERT_EQ(whole, spans) << "trial " << trial;
            }
        });
    }
    // Overlapping spans and large masks keep the span path alone.
    SwCoverageMask overlapping, large;
    overlapping.spans = {{0, 0, 5, 100}, {0, 4, 6, 100}};
    overlapping.box = GXIntRect{0, 0, 6, 1};
    overlapping.BuildRows();
    large.spans = {{0, 0, 1000, 100}, {99, 0, 1, 100}};
    large.box = GXIntRect{0, 0, 1000, 100};
    large.BuildRows();
    EXPECT_TRUE(overlapping.coverage.empty() && large.coverage.empty());
}

TEST(SwSolidCompositeNormalOp, MalformedTargetPixelsMatchTheGeneralCompositor) {
    // Colour above alpha saturates in the four-wide form and not in the one-pixel form, so
    // both compositors must split a span at the same place.
    for (int32_t count = 1; count <= 9; ++count) {
        std::vector<uint32_t> target(size_t(count), 0x10FFFFFFu), general = target;
        std::vector<uint32_t> source(size_t(count), 0x80808080u);
        std::vector<uint8_t> shape(size_t(count), 200);
        SwBasicCompositeNormalSSE2Op::CompositeRow(general.data(), source.data(), shape.data(),
                                                   count);
        SwSolidCompositeNormalOp::CompositeRow(target.data(), 0x80808080u, 200, count);
        EXPECT_EQ(target, general) << count;
    }
}

TEST(SwCoverageCompositeNormalOp, EqualsTheGeneralCompositorWithAShapeRowOfTheCoverage) {
    std::mt19937 random(43);
    for (int trial = 0; trial < 600; ++trial) {
        const int32_t count = static_cast<int32_t>(random() % 38);  // 0..37
        const size_t start = random() % 4;                          // unaligned starts
        // Whole pixels skip the source scaling; the rest scale it.
        const uint8_t coverage = trial % 3 == 0 ? 255 : RandomShape(random);
        const bool anyBits = trial % 4 == 3;  // malformed pixels too
        std::vector<uint32_t> target(count + start), source(count + start);
        for (int32_t i = 0; i < count; ++i) {
            target[start + i] = anyBits ? uint32_t(random()) : RandomPremultiplied(random);
            source[start + i] = anyBits ? uint32_t(random()) : RandomPremultiplied(random);
        }
        std::vector<uint8_t> shape(count + start, coverage);
        ForEachVectorLevel([&](SimdLevel level) {
            std::vector<uint32_t> coverageForm = target, basic = target;
            SwCoverageCompositeNormalOp::kCompositeRowForms.For(level)(
                coverageForm.data() + start, source.data() + start, coverage, count);
            SwBasicCompositeNormalSSE2Op::kCompositeRowForms.For(level)(
                basic.data() + start, source.data() + start, shape.data() + start, count);
            ASSERT_EQ(coverageForm, basic) << "trial " << trial << " count " << count;
        });
        std::vector<uint32_t> general = target;
        SwBasicCompositeNormalSSE2Op::CompositeRow(general.data() + start, source.data() + start,
                                                   shape.data() + start, count);
        SwCoverageCompositeNormalOp op;
        SwSpanState state =
            StateFor(target.data() + start, source.data() + start, nullptr, count, 0);
        state.span.coverage = coverage;
        op.Process(state);
        ASSERT_EQ(target, general) << "trial " << trial << " count " << count;
    }
}
