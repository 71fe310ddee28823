#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "graphics/core/exception.h"
#include "graphics/software/swpipeline.h"
#include "graphics/software/swsoftmask.h"
#include "graphics/software/swsoftopacitymaskop.h"
#include "graphics/software/swsoftshapemaskop.h"
#include "graphics/software/swsolidcolorsource.h"
#include "pipelinetesthelpers.h"
#include "simdlevels.h"

using namespace Graphics;
using namespace Graphics::Testing;

namespace {

// A mask source whose alpha encodes the column: alpha = x & 0xFF, colour channels 0. It
// records every span asked for, to check the chunking.
class ColumnSource : public SwColorSource {
public:
    void FillSpan(int32_t x0, int32_t x1, int32_t y, uint32_t* out) override {
        spans.push_back({x0, x1, y});
        for (int32_t x = x0; x < x1; ++x) out[x - x0] = uint32_t(x & 0xFF) << 24;
    }
    struct Call {
        int32_t x0, x1, y;
    };
    std::vector<Call> spans;
};

SwSoftMask Solid(uint32_t pixel, int32_t kind) {
    return SwSoftMask{std::make_shared<SwSolidColorSource>(pixel), kind};
}

// Runs `op` on one span of `width` pixels with full shape and opaque white colour.
struct SpanRun {
    explicit SpanRun(int32_t x0, int32_t x1)
        : shape(size_t(x1 - x0), 255), color(size_t(x1 - x0), 0xFFFFFFFF) {
        state.sourceShape = shape.data();
        state.sourceColor = color.data();
        state.span = SwSpan{7, x0, x1, 255};
    }
    void Run(SwOperation& op) { op.Process(state); }
    std::vector<uint8_t> shape;
    std::vector<uint32_t> color;
    SwSpanState state{};
};

}  // namespace

TEST(SwSoftMask, EachKindGivesItsMaskByte) {
    // Premultiplied A 0x80, R 0x20, G 0x40, B 0x60: luminosity (151 x 64 + 77 x 32 + 28 x 96)
    // >> 8 = 57.
    const uint32_t pixel = 0x80204060;
    const uint8_t expected[4] = {128, 127, 57, 198};
    for (int32_t kind = 0; kind < 4; ++kind) {
        SwSoftShapeMaskOp shapeOp(Solid(pixel, kind));
        SpanRun shape(0, 3);
        shape.Run(shapeOp);
        // Shape 255 x (m + 1) >> 8 = m.
        EXPECT_EQ(shape.shape[2], expected[kind]) << kind;
        EXPECT_EQ(shape.color[2], 0xFFFFFFFFu);

        SwSoftOpacityMaskOp opacityOp(Solid(pixel, kind));
        SpanRun opacity(0, 3);
        opacity.Run(opacityOp);
        const uint32_t m = expected[kind];
        EXPECT_EQ(opacity.color[0], m << 24 | m << 16 | m << 8 | m) << kind;
        EXPECT_EQ(opacity.shape[0], 255);
    }
}

TEST(SwSoftMask, ExtremeMasksPassAllOrNothing) {
    struct Case {
        uint32_t pixel;
        int32_t kind;
        uint8_t shape;  // resulting shape from 200
    } cases[] = {
        {0xFFFFFFFF, kSwSoftMaskLuminosity, 200},     // opaque white passes everything
        {0xFF000000, kSwSoftMaskLuminosity, 0},       // opaque black passes nothing
        {0x00000000, kSwSoftMaskLuminosity, 0},       // transparent: luminosity 0
        {0x00000000, kSwSoftMaskInvertedAlpha, 200},  // inverted transparent passes all
        {0x00000000, kSwSoftMaskInvertedLuminosity, 200}, {0xFF000000, kSwSoftMaskAlpha, 200},
    };
    for (const Case& c : cases) {
        SwSoftShapeMaskOp op(Solid(c.pixel, c.kind));
        SpanRun run(0, 5);
        std::memset(run.shape.data(), 200, run.shape.size());
        run.Run(op);
        EXPECT_EQ(run.shape[4], c.shape) << std::hex << c.pixel << " kind " << c.kind;
    }
}

TEST(SwSoftMask, LongSpansAreFetchedInChunks) {
    auto source = std::make_shared<ColumnSource>();
    SwSoftShapeMaskOp op(SwSoftMask{source, kSwSoftMaskAlpha});
    SpanRun run(5, 2600);
    run.Run(op);
    ASSERT_EQ(source->spans.size(), 3u);
    EXPECT_EQ(source->spans[0].x0, 5);
    EXPECT_EQ(source->spans[0].x1, 1029);
    EXPECT_EQ(source->spans[1].x1, 2053);
    EXPECT_EQ(source->spans[2].x1, 2600);
    EXPECT_EQ(source->spans[2].y, 7);
    // Every pixel got the byte of its own column: 255 x ((x & 255) + 1) >> 8 = x & 255.
    for (int32_t x = 5; x < 2600; ++x) {
        ASSERT_EQ(run.shape[size_t(x - 5)], uint8_t(x & 0xFF)) << x;
    }
}

TEST(SwSoftMask, UnknownKindIsRefused) {
    for (int32_t kind : {-1, 4, 1000}) {
        try {
            SwSoftOpacityMaskOp op(Solid(0xFFFFFFFF, kind));
            FAIL() << "kind " << kind << " accepted";
        } catch (const Exception& e) {
            EXPECT_STREQ(e.what(), "Unsupported soft mask type.");
        }
    }
    EXPECT_THROW(SwSoftShapeMaskOp(SwSoftMask{nullptr, kSwSoftMaskAlpha}), Exception);
    EXPECT_EQ(SwSoftShapeMaskOp(Solid(0, 0)).OrderKey(), 2);
    EXPECT_EQ(SwSoftOpacityMaskOp(Solid(0, 0)).OrderKey(), 5);
}

TEST(SwSoftMask, MasksApplyInsideThePipeline) {
    // Opacity mask alpha 0x80 and shape mask alpha 0x40 on an opaque white fill over a
    // transparent target: shape 255 -> 0x40, colour -> 0x80 per channel, then
    // scale(0x80808080, 0x41) = 0x20 per channel.
    auto target = MakeBitmap(4, 2, GXPixelFormatPARGB32, 0);
    auto pipeline = std::make_shared<SwPipeLine>(RectGeometry({0, 0, 4, 2}), GXIntRect{0, 0, 4, 2});
    pipeline->AddTargetColor(target);
    pipeline->AddOpacityMask(std::make_shared<SwSoftMask>(Solid(0x80000000, kSwSoftMaskAlpha)));
    pipeline->AddShapeMask(std::make_shared<SwSoftMask>(Solid(0x40000000, kSwSoftMaskAlpha)));
    pipeline->AddShapeMask(nullptr);
    pipeline->AddSourceColor(std::make_shared<SwSolidColorSource>(0xFFFFFFFF));
    pipeline->AddBasicComposite();
    pipeline->Execute();
    EXPECT_EQ(Pixel32(*target, 3, 1), 0x20202020u);
    EXPECT_THROW(pipeline->AddOpacityMask(std::make_shared<SwSoftMask>(Solid(0xFFFFFFFF, 7))),
                 Exception);
}

TEST(SwSoftMask, VectorRowsMatchTheirScalarTwins) {
    std::mt19937 random(7);
    std::vector<uint8_t> shape(64), mask(64), expectedShape(64);
    std::vector<uint32_t> color(64), expectedColor(64);
    for (int32_t count = 0; count <= 37; ++count) {
        for (int32_t start = 0; start < 4; ++start) {
            for (auto& v : shape) v = uint8_t(random());
            for (auto& v : mask) v = uint8_t(random());
            for (auto& v : color) {
                // Premultiplied: every colour channel at or below alpha.
                const uint32_t a = random() & 0xFF;
                v = a << 24 | (random() % (a + 1)) << 16 | (random() % (a + 1)) << 8 |
                    (random() % (a + 1));
            }
            mask[size_t(start)] = 255;  // the fully open mask leaves its pixel alone
            expectedShape = shape;
            expectedColor = color;
            SwSoftShapeMaskOp::MultiplyRowScalar(expectedShape.data() + start, mask.data() + start,
                                                 count);
            SwSoftOpacityMaskOp::ScaleRowScalar(expectedColor.data() + start, mask.data() + start,
                                                count);
            ForEachVectorLevel([&](SimdLevel level) {
                std::vector<uint8_t> wideShape = shape;
                std::vector<uint32_t> wideColor = color;
                SwSoftShapeMaskOp::kMultiplyRowForms.For(level)(wideShape.data() + start,
                                                                mask.data() + start, count);
                ASSERT_EQ(wideShape, expectedShape) << count << " from " << start;
                SwSoftOpacityMaskOp::kScaleRowForms.For(level)(wideColor.data() + start,
                                                               mask.data() + start, count);
                ASSERT_EQ(wideColor, expectedColor) << count << " from " << start;
            });
        }
    }
    uint8_t one = 200;
    const uint8_t open = 255;
    SwSoftShapeMaskOp::MultiplyRow(&one, &open, 1);
    EXPECT_EQ(one, 200);
}
