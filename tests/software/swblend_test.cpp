#include "graphics/software/swblend.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "simdlevels.h"

using namespace Graphics;

namespace {

// One channel of a separable mode, run through the whole-colour entry on all three channels
// at once, checking the three agree (channel order mistakes show up here).
uint32_t Channel(int32_t mode, uint32_t cb, uint32_t cs) {
    uint32_t result =
        SwBlendColors(mode, 0xFF000000u | cb * 0x010101u, 0xFF000000u | cs * 0x010101u);
    uint32_t c = result & 0xFF;
    EXPECT_EQ(result, c * 0x010101u) << "mode " << mode << " cb " << cb << " cs " << cs;
    return c;
}

}  // namespace

TEST(SwBlend, SeparableModesPinnedValues) {
    struct Case {
        int32_t mode;
        uint32_t cb, cs, expected;
    };
    const Case cases[] = {
        // Multiply: white keeps the source, black gives black; (129 x 200) >> 8.
        {kSwBlendMultiply, 255, 77, 77},
        {kSwBlendMultiply, 0, 200, 0},
        {kSwBlendMultiply, 128, 200, 100},
        // Screen: black keeps the source; 300 - (200 x 101 >> 8).
        {kSwBlendScreen, 0, 255, 255},
        {kSwBlendScreen, 0, 99, 99},
        {kSwBlendScreen, 100, 200, 222},
        {kSwBlendScreen, 255, 255, 255},
        // Overlay is HardLight with the roles exchanged.
        {kSwBlendOverlay, 100, 200, 156},
        {kSwBlendOverlay, 200, 100, 189},
        {kSwBlendDarken, 30, 40, 30},
        {kSwBlendDarken, 40, 30, 30},
        {kSwBlendLighten, 30, 40, 40},
        {kSwBlendLighten, 40, 30, 40},
        // ColorBurn: Cs = 0 gives 0 even on white; t > 255 gives 0.
        {kSwBlendColorBurn, 255, 0, 0},
        {kSwBlendColorBurn, 200, 100, 115},
        {kSwBlendColorBurn, 0, 100, 0},
        {kSwBlendColorBurn, 255, 10, 255},
        {kSwBlendColorBurn, 100, 255, 100},
        // ColorDodge: Cs = 255 gives 255 even on black.
        {kSwBlendColorDodge, 0, 255, 255},
        {kSwBlendColorDodge, 100, 100, 164},
        {kSwBlendColorDodge, 200, 100, 255},
        {kSwBlendColorDodge, 0, 0, 0},
        // HardLight: 128 takes the screen branch, Cb + 1 - Cb / 255.
        {kSwBlendHardLight, 100, 128, 101},
        {kSwBlendHardLight, 255, 128, 255},
        {kSwBlendHardLight, 100, 50, 39},
        {kSwBlendHardLight, 100, 200, 189},
        // SoftLight: lower branch 100 - 155 x 155 x 100 / 65025; upper through D.
        {kSwBlendSoftLight, 100, 50, 64},
        {kSwBlendSoftLight, 100, 200, 133},
        {kSwBlendSoftLight, 50, 255, 113},
        {kSwBlendSoftLight, 77, 128, 77},
        {kSwBlendSoftLight, 0, 0, 0},
        {kSwBlendSoftLight, 255, 0, 255},
        {kSwBlendDifference, 10, 250, 240},
        {kSwBlendDifference, 250, 10, 240},
        {kSwBlendExclusion, 100, 200, 144},
        {kSwBlendExclusion, 255, 255, 0},
        {kSwBlendExclusion, 0, 37, 37},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Channel(c.mode, c.cb, c.cs), c.expected)
            << "mode " << c.mode << " cb " << c.cb << " cs " << c.cs;
    }
}

TEST(SwBlend, SoftLightTableFollowsSinglePrecisionFormula) {
    // Below x = 0.25 (Cb <= 63) the cubic, above it the square root.
    EXPECT_EQ(kSwSoftLightD[0], 0);
    EXPECT_EQ(kSwSoftLightD[1], 3);
    EXPECT_EQ(kSwSoftLightD[50], 113);
    EXPECT_EQ(kSwSoftLightD[63], 126);
    EXPECT_EQ(kSwSoftLightD[64], 127);
    EXPECT_EQ(kSwSoftLightD[100], 159);
    EXPECT_EQ(kSwSoftLightD[200], 225);
    EXPECT_EQ(kSwSoftLightD[254], 254);
    EXPECT_EQ(kSwSoftLightD[255], 255);
    for (int i = 1; i < 256; ++i) EXPECT_GE(kSwSoftLightD[i], kSwSoftLightD[i - 1]) << i;
}

TEST(SwBlend, SeparableModesPerChannelAndIdentities) {
    // Channels are blended independently: red, green and blue each see their own pair.
    EXPECT_EQ(SwBlendColors(kSwBlendMultiply, 0x00FF8000, 0x00408040), 0x00404000u);
    EXPECT_EQ(SwBlendColors(kSwBlendDifference, 0x0010FF20, 0x00200F10), 0x0010F010u);
    // Normal returns the source; alpha bytes never leak into the result.
    EXPECT_EQ(SwBlendColors(kSwBlendNormal, 0xFF123456, 0x80ABCDEF), 0x00ABCDEFu);
    EXPECT_EQ(SwBlendColors(kSwBlendScreen, 0xFF000000, 0xFF000000), 0u);
    // Codes outside 0..15 behave as Normal.
    EXPECT_EQ(SwBlendColors(16, 0x00112233, 0x00445566), 0x00445566u);
    EXPECT_EQ(SwBlendColors(-1, 0x00112233, 0x00445566), 0x00445566u);
    for (uint32_t v = 0; v < 256; v += 3) {
        for (uint32_t w = 0; w < 256; w += 5) {
            EXPECT_EQ(Channel(kSwBlendMultiply, 255, v), v);
            EXPECT_EQ(Channel(kSwBlendScreen, 0, v), v);
            // Darken and Lighten split the pair; Difference is symmetric.
            EXPECT_EQ(Channel(kSwBlendDarken, v, w) + Channel(kSwBlendLighten, v, w), v + w);
            EXPECT_EQ(Channel(kSwBlendDifference, v, w), Channel(kSwBlendDifference, w, v));
            EXPECT_EQ(Channel(kSwBlendOverlay, v, w), Channel(kSwBlendHardLight, w, v));
            // Every result stays a byte (the upper SoftLight branch and Screen included).
            for (int32_t mode = 1; mode <= 11; ++mode) EXPECT_LE(Channel(mode, v, w), 255u);
        }
    }
}

TEST(SwBlend, NonSeparableModesPinnedValues) {
    struct Case {
        uint32_t cb, cs, hue, saturation, color, luminosity;
    };
    // Values of the single-precision arithmetic, evaluated step by step.
    const Case cases[] = {
        // A grey source under Hue gives grey at the backdrop's luminosity (0.3 x 255).
        {0xFF0000, 0x808080, 0x4C4C4C, 0x4C4C4C, 0x4C4C4C, 0xFF4949},
        {0x808080, 0xFF0000, 0x808080, 0x808080, 0xFF4949, 0x4C4C4C},
        {0x000000, 0xFFFFFF, 0x000000, 0x000000, 0x000000, 0xFFFFFF},
        {0x204060, 0xC08010, 0x4E370E, 0x00478F, 0x553600, 0x6C8CAC},
        {0x10E080, 0x3070F0, 0x699BFF, 0x1ADA81, 0x699BFF, 0x00A458},
        {0xFFFFFF, 0x00FF00, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0x969696},
        {0x336699, 0x996633, 0x85521F, 0x326599, 0x85521F, 0x4679AC},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SwBlendColors(kSwBlendHue, c.cb, c.cs), c.hue) << std::hex << c.cb << " " << c.cs;
        EXPECT_EQ(SwBlendColors(kSwBlendSaturation, c.cb, c.cs), c.saturation) << std::hex << c.cb;
        EXPECT_EQ(SwBlendColors(kSwBlendColor, c.cb, c.cs), c.color) << std::hex << c.cb;
        EXPECT_EQ(SwBlendColors(kSwBlendLuminosity, c.cb, c.cs), c.luminosity) << std::hex << c.cb;
    }
}

TEST(SwBlend, NonSeparableModesStayInRangeOnExtremes) {
    // Saturated and grey colours drive ClipColor's two corrections; results stay bytes
    // and the alpha byte stays clear.
    const uint32_t colors[] = {0x000000, 0xFFFFFF, 0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00,
                               0x00FFFF, 0xFF00FF, 0x010101, 0xFEFEFE, 0x80FF00, 0x7F7F80};
    for (uint32_t cb : colors) {
        for (uint32_t cs : colors) {
            for (int32_t mode = kSwBlendHue; mode <= kSwBlendLuminosity; ++mode) {
                EXPECT_EQ(SwBlendColors(mode, 0xFF000000 | cb, 0xFF000000 | cs) >> 24, 0u);
            }
            // Luminosity of a colour onto itself changes nothing beyond a rounding unit.
            uint32_t same = SwBlendColors(kSwBlendLuminosity, cb, cb);
            for (int shift = 0; shift < 24; shift += 8) {
                int a = static_cast<int>((same >> shift) & 0xFF);
                int b = static_cast<int>((cb >> shift) & 0xFF);
                EXPECT_LE(std::abs(a - b), 1) << std::hex << cb;
            }
        }
    }
}

// The vector forms against the scalar functions on random colours, greys and the extreme
// corners included (where the ties of SetSat's decision order and both ClipColor branches
// are decided), with row lengths that leave remainders for every narrower form.
TEST(SwBlend, NonSeparableVectorRowsMatchTheScalarFunctions) {
    std::mt19937 random(12);
    auto colour = [&]() -> uint32_t {
        switch (random() % 4) {
            case 0: {  // grey or two equal channels
                const uint32_t v = random() & 0xFF, w = random() & 0xFF;
                return random() % 2 ? v * 0x010101u : (v << 16) | (v << 8) | w;
            }
            case 1:  // channels 0 or 255 only
                return uint32_t(random() & 0x010101u) * 0xFF;
            default:
                return uint32_t(random()) & 0xFFFFFFu;
        }
    };
    for (int32_t mode = kSwBlendHue; mode <= kSwBlendLuminosity; ++mode)
        for (int32_t count = 0; count <= 45; ++count) {
            const size_t n = static_cast<size_t>(count);
            std::vector<uint32_t> backdrop(n + 1), source(n + 1);
            for (size_t i = 0; i < backdrop.size(); ++i) {
                backdrop[i] = colour();
                source[i] = colour();
            }
            std::vector<uint32_t> scalar(n);
            SwBlendNonSeparableRowScalar(mode, backdrop.data() + 1, source.data() + 1, count,
                                         scalar.data());
            for (int32_t i = 0; i < count; ++i)
                ASSERT_EQ(scalar[size_t(i)],
                          SwBlendColors(mode, backdrop[size_t(i) + 1], source[size_t(i) + 1]));
            ForEachVectorLevel([&](SimdLevel level) {
                std::vector<uint32_t> wide(n);
                kSwBlendNonSeparableRowForms.For(level)(mode, backdrop.data() + 1,
                                                        source.data() + 1, count, wide.data());
                ASSERT_EQ(wide, scalar) << "mode " << mode << " count " << count;
            });
        }
}
