#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "graphics/software/swlayercompositeop.h"
#include "graphics/software/swspanstate.h"
#include "simdlevels.h"

using namespace Graphics;

namespace {

// A premultiplied pixel: often opaque or fully transparent, otherwise any valid one.
uint32_t RandomPixel(std::mt19937& random) {
    const uint32_t kind = random() % 4;
    const uint32_t alpha = kind == 0 ? 255 : kind == 1 ? 0 : random() % 256;
    uint32_t pixel = alpha << 24;
    for (int shift = 0; shift < 24; shift += 8) pixel |= (random() % (alpha + 1)) << shift;
    return pixel;
}

// Runs of whole shape, no shape and partial shape, so that both paths are exercised.
uint8_t RandomShape(std::mt19937& random, int run) {
    return run % 3 == 0 ? 255 : run % 3 == 1 ? 0 : uint8_t(random());
}

struct GroupRow {
    std::vector<uint32_t> color, backdrop, source;
    std::vector<uint8_t> shape, alpha, sourceShape;

    SwSpanState State(bool isolated) {
        SwSpanState state{};
        state.targetColor = color.data();
        state.targetShape = shape.data();
        state.targetAlpha = alpha.data();
        state.backdropColor = isolated ? nullptr : backdrop.data();
        state.sourceColor = source.data();
        state.sourceShape = sourceShape.data();
        state.span = SwSpan{0, 0, int32_t(color.size()), 255};
        return state;
    }
};

}  // namespace

TEST(LayerCompositeNormal, VectorFormsMatchThePixelForm) {
    std::mt19937 random(17);
    for (int trial = 0; trial < 400; ++trial) {
        const bool knockout = trial % 2 == 1, isolated = trial % 4 >= 2;
        const size_t count = 1 + random() % 70;
        GroupRow row;
        for (size_t i = 0; i < count; ++i) {
            row.color.push_back(RandomPixel(random));
            row.backdrop.push_back(RandomPixel(random));
            row.source.push_back(RandomPixel(random));
            row.shape.push_back(uint8_t(random()));
            row.alpha.push_back(uint8_t(random()));
            row.sourceShape.push_back(RandomShape(random, int(i / 5)));
        }
        const GroupRow original = row;
        SwLayerCompositeNormalOp::CompositeRowScalar(row.State(isolated), knockout, isolated);
        ForEachVectorLevel([&](SimdLevel level) {
            GroupRow wide = original;
            SwLayerCompositeNormalOp::kCompositeRowForms.For(level)(wide.State(isolated), knockout,
                                                                    isolated);
            EXPECT_EQ(wide.color, row.color) << "trial " << trial;
            EXPECT_EQ(wide.shape, row.shape) << "trial " << trial;
            EXPECT_EQ(wide.alpha, row.alpha) << "trial " << trial;
        });
    }
}
