#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <random>
#include <vector>

#include "graphics/bitmap/pixelformatconverter.h"
#include "graphics/bitmap/sysmembitmap.h"
#include "graphics/core/exception.h"
#include "graphics/geometry/matrix.h"
#include "graphics/paint/bitmapbrush.h"
#include "graphics/software/swbitmapcolorsource.h"
#include "graphics/software/swbitmapsampler.h"
#include "graphics/software/swpixel.h"
#include "simdlevels.h"

using namespace Graphics;

namespace {

constexpr GXMatrix kIdentity{1, 0, 0, 1, 0, 0};
const float kNaN = std::numeric_limits<float>::quiet_NaN();

// A bitmap whose rows are given as bytes (each row padded by the bitmap's stride).
std::shared_ptr<SysMemBitmap> MakeBitmap(GXPixelFormat format, int32_t width,
                                         const std::vector<std::vector<uint8_t>>& rows) {
    auto bitmap = std::make_shared<SysMemBitmap>(GXIntSize{width, int32_t(rows.size())}, format,
                                                 96.0f, 96.0f);
    for (size_t y = 0; y < rows.size(); ++y)
        std::memcpy(bitmap->Buffer().Row(int32_t(y)), rows[y].data(), rows[y].size());
    return bitmap;
}

// A PARGB32 (or ARGB32) bitmap from 0xAARRGGBB values, row after row.
std::shared_ptr<SysMemBitmap> MakePixels(GXPixelFormat format, int32_t width,
                                         const std::vector<uint32_t>& pixels) {
    const int32_t height = int32_t(pixels.size()) / width;
    auto bitmap = std::make_shared<SysMemBitmap>(GXIntSize{width, height}, format, 96.0f, 96.0f);
    for (int32_t y = 0; y < height; ++y)
        std::memcpy(bitmap->Buffer().Row(y), pixels.data() + y * width, size_t(width) * 4);
    return bitmap;
}

std::vector<uint32_t> Span(SwColorSource& source, int32_t x0, int32_t x1, int32_t y) {
    std::vector<uint32_t> out(size_t(x1 - x0), 0xDEADBEEFu);
    source.FillSpan(x0, x1, y, out.data());
    return out;
}

using Pixels = std::vector<uint32_t>;

}  // namespace

TEST(SamplerExtend, NearestTilesRowsWithEachExtendMode) {
    auto bitmap =
        MakePixels(GXPixelFormatPARGB32, 4, {0xFF000000, 0xFF000001, 0xFF000002, 0xFF000003});
    auto along = [&](int32_t mode) {
        SwBitmapSampler sampler(bitmap, kIdentity, mode, BitmapExtendClamp, BitmapSamplingNearest,
                                1);
        Pixels span = Span(sampler, -5, 9, 0);
        std::vector<int> columns;
        for (uint32_t pixel : span) columns.push_back(int(pixel & 0xFF));
        return columns;
    };
    EXPECT_EQ(along(BitmapExtendClamp),
              (std::vector<int>{0, 0, 0, 0, 0, 0, 1, 2, 3, 3, 3, 3, 3, 3}));
    EXPECT_EQ(along(BitmapExtendRepeat),
              (std::vector<int>{3, 0, 1, 2, 3, 0, 1, 2, 3, 0, 1, 2, 3, 0}));
    EXPECT_EQ(along(BitmapExtendMirror),
              (std::vector<int>{3, 3, 2, 1, 0, 0, 1, 2, 3, 3, 2, 1, 0, 0}));
    EXPECT_EQ(along(77), along(BitmapExtendClamp));  // unknown modes clamp
}

TEST(SamplerExtend, VerticalExtendIsIndependentOfHorizontal) {
    auto bitmap = MakePixels(GXPixelFormatPARGB32, 1, {0xFF000000, 0xFF000001, 0xFF000002});
    SwBitmapSampler repeat(bitmap, kIdentity, BitmapExtendClamp, BitmapExtendRepeat, 0, 1);
    SwBitmapSampler mirror(bitmap, kIdentity, BitmapExtendClamp, BitmapExtendMirror, 0, 1);
    const int32_t rows[] = {-4, -1, 3, 4, 7};
    const uint32_t repeated[] = {2, 2, 0, 1, 1};
    const uint32_t mirrored[] = {2, 0, 2, 1, 1};
    for (size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(Span(repeat, 5, 6, rows[i])[0] & 0xFF, repeated[i]) << rows[i];
        EXPECT_EQ(Span(mirror, 5, 6, rows[i])[0] & 0xFF, mirrored[i]) << rows[i];
    }
}

TEST(SamplerNearest, ScaledAndTranslatedPositionsPickThePixelContainingTheCentre) {
    auto bitmap =
        MakePixels(GXPixelFormatPARGB32, 2, {0xFF0000AA, 0xFF0000BB, 0xFF0000CC, 0xFF0000DD});
    // Each bitmap pixel covers 3 x 3 device pixels starting at device (10, 20).
    SwBitmapSampler sampler(bitmap, GXMatrix{3, 0, 0, 3, 10, 20}, 0, 0, BitmapSamplingNearest, 1);
    EXPECT_EQ(Span(sampler, 10, 16, 20),
              (Pixels{0xFF0000AA, 0xFF0000AA, 0xFF0000AA, 0xFF0000BB, 0xFF0000BB, 0xFF0000BB}));
    EXPECT_EQ(Span(sampler, 12, 14, 23), (Pixels{0xFF0000CC, 0xFF0000DD}));
}

TEST(SamplerBilinear, IdentityReproducesThePixelsExactly) {
    const Pixels pixels{0xFF102030, 0x80402010, 0x00000000, 0xFFFFFFFF, 0x7F7F7F7F, 0xFF00FF00};
    auto bitmap = MakePixels(GXPixelFormatPARGB32, 3, pixels);
    SwBitmapSampler sampler(bitmap, kIdentity, 0, 0, BitmapSamplingBilinear, 1);
    EXPECT_EQ(Span(sampler, 0, 3, 0), Pixels(pixels.begin(), pixels.begin() + 3));
    EXPECT_EQ(Span(sampler, 0, 3, 1), Pixels(pixels.begin() + 3, pixels.end()));
}

TEST(SamplerBilinear, QuarterAndHalfOffsetsMixWithFixedWeights) {
    // Black, blue / red, green; device (0, 0) samples bitmap (0.75, 1.0): a quarter of the
    // way right (weight int(0.25 x 255) + 1 = 64) and half way down (weight 128).
    auto bitmap =
        MakePixels(GXPixelFormatPARGB32, 2, {0xFF000000, 0xFF0000FF, 0xFFFF0000, 0xFF00FF00});
    SwBitmapSampler sampler(bitmap, GXMatrix{1, 0, 0, 1, -0.25f, -0.5f}, 0, 0,
                            BitmapSamplingBilinear, 1);
    // top = mix(black, blue, 64) = 0xFF00003F; bottom = mix(red, green, 64) = 0xFFC03F00;
    // mix(top, bottom, 128) = 0xFF601F1F.
    EXPECT_EQ(Span(sampler, 0, 1, 0)[0], 0xFF601F1Fu);
    // Device x = 1 samples x = 1.75: the right neighbour clamps onto the pixel itself (192 +
    // 63 = 255 keeps blue and green whole), then blue over green at weight 128: blue
    // 255 x 129 >> 8 = 128, green 255 x 128 >> 8 = 127.
    EXPECT_EQ(Span(sampler, 1, 2, 0)[0], 0xFF007F80u);
    // A whole-row position reads no lower neighbour.
    SwBitmapSampler row(bitmap, GXMatrix{1, 0, 0, 1, -0.25f, 0}, 0, 0, BitmapSamplingBilinear, 1);
    EXPECT_EQ(Span(row, 0, 1, 0)[0], 0xFF00003Fu);
}

TEST(SamplerBilinear, RepeatMixesAcrossTheSeam) {
    auto bitmap = MakePixels(GXPixelFormatPARGB32, 2, {0xFF000000, 0xFFFFFFFF});
    // Device pixel -1 samples bitmap x = 0.0: halfway between column 1 (wrapped) and column 0.
    SwBitmapSampler repeat(bitmap, GXMatrix{1, 0, 0, 1, 0.5f, 0}, BitmapExtendRepeat, 0,
                           BitmapSamplingBilinear, 1);
    SwBitmapSampler clamp(bitmap, GXMatrix{1, 0, 0, 1, 0.5f, 0}, BitmapExtendClamp, 0,
                          BitmapSamplingBilinear, 1);
    // mix(white, black, 128): 255 x 129 >> 8 = 128 per colour channel.
    EXPECT_EQ(Span(repeat, 0, 1, 0)[0], 0xFF808080u);
    EXPECT_EQ(Span(clamp, 0, 1, 0)[0], 0xFF000000u);
}

TEST(SamplerBilinear, StraightAlphaIsMixedBeforePremultiplying) {
    auto bitmap = MakePixels(GXPixelFormatARGB32, 2, {0x80FF0000, 0x00000000});
    SwBitmapSampler sampler(bitmap, GXMatrix{1, 0, 0, 1, -0.25f, 0}, 0, 0, BitmapSamplingBilinear,
                            1);
    // mix = 0x60C00000 (straight), then red 192 x 97 >> 8 = 72.
    EXPECT_EQ(Span(sampler, 0, 1, 0)[0], 0x60480000u);
}

TEST(SamplerFormats, EveryFormatReadsPremultiplied) {
    struct Case {
        GXPixelFormat format;
        std::vector<uint8_t> row;
        Pixels expected;
    };
    const Case cases[] = {
        {GXPixelFormatPARGB32, {0x10, 0x20, 0x30, 0x40}, {0x40302010}},
        {GXPixelFormatARGB32,
         {0x00, 0x00, 0xFF, 0x80, 0x10, 0x20, 0x30, 0xFF},
         {0x80800000, 0xFF302010}},
        {GXPixelFormatRGB24, {0x10, 0x20, 0x30, 0x40, 0x50, 0x60}, {0xFF302010, 0xFF605040}},
        {GXPixelFormatRGB32,
         {0x10, 0x20, 0x30, 0x00, 0x40, 0x50, 0x60, 0x7F},
         {0xFF302010, 0xFF605040}},
        {GXPixelFormatA8, {0x80, 0x00, 0xFF}, {0x80808080, 0x00000000, 0xFFFFFFFF}},
        {GXPixelFormatGray8, {0x40, 0xFF}, {0xFF404040, 0xFFFFFFFF}},
        // 1-bit rows: most significant bit first, across a byte boundary.
        {GXPixelFormatA1, {0xA0, 0x80}, {0xFFFFFFFF, 0, 0xFFFFFFFF, 0, 0, 0, 0, 0, 0xFFFFFFFF, 0}},
        {GXPixelFormatGray1, {0x40}, {0xFF000000, 0xFFFFFFFF, 0xFF000000}},
    };
    for (const Case& c : cases) {
        auto bitmap = MakeBitmap(c.format, int32_t(c.expected.size()), {c.row});
        SwBitmapSampler sampler(bitmap, kIdentity, 0, 0, BitmapSamplingNearest, 1);
        EXPECT_EQ(Span(sampler, 0, int32_t(c.expected.size()), 0), c.expected) << c.format;
    }
}

TEST(SamplerFormats, PaletteColoursArePremultipliedAndMissingEntriesReadBlack) {
    const uint32_t colors[] = {0xFF0000FF, 0x80FF0000};
    auto indexed8 = MakeBitmap(GXPixelFormatIndexed8, 3, {{1, 0, 9}});
    indexed8->SetPalette(std::make_shared<Palette>(colors, 2));
    SwBitmapSampler sampler8(indexed8, kIdentity, 0, 0, BitmapSamplingNearest, 1);
    EXPECT_EQ(Span(sampler8, 0, 3, 0), (Pixels{0x80800000, 0xFF0000FF, 0xFF000000}));

    auto indexed1 = MakeBitmap(GXPixelFormatIndexed1, 2, {{0x40}});
    indexed1->SetPalette(std::make_shared<Palette>(colors, 2));
    SwBitmapSampler sampler1(indexed1, kIdentity, 0, 0, BitmapSamplingNearest, 1);
    EXPECT_EQ(Span(sampler1, 0, 2, 0), (Pixels{0xFF0000FF, 0x80800000}));

    auto noPalette = MakeBitmap(GXPixelFormatIndexed8, 1, {{3}});
    SwBitmapSampler sampler0(noPalette, kIdentity, 0, 0, BitmapSamplingNearest, 1);
    EXPECT_EQ(Span(sampler0, 0, 1, 0)[0], 0xFF000000u);
}

TEST(SamplerFormats, BilinearOnPaletteMixesPaletteColours) {
    const uint32_t colors[] = {0xFF000000, 0x00FFFFFF};
    auto bitmap = MakeBitmap(GXPixelFormatIndexed8, 2, {{0, 1}});
    bitmap->SetPalette(std::make_shared<Palette>(colors, 2));
    SwBitmapSampler sampler(bitmap, GXMatrix{1, 0, 0, 1, -0.5f, 0}, 0, 0, BitmapSamplingBilinear,
                            1);
    // mix(0xFF000000, 0x00FFFFFF, 128) = 0x807F7F7F straight; premultiplied 127 x 129 >> 8 = 63.
    EXPECT_EQ(Span(sampler, 0, 1, 0)[0], 0x803F3F3Fu);
}

TEST(SamplerFormats, OpacityScalesAllFourChannels) {
    auto bitmap = MakeBitmap(GXPixelFormatA8, 1, {{0x80}});
    SwBitmapSampler half(bitmap, kIdentity, 0, 0, BitmapSamplingNearest, 0.5f);
    EXPECT_EQ(Span(half, 0, 1, 0)[0], 0x40404040u);  // weight int(127.5) + 1 = 128
    SwBitmapSampler nan(bitmap, kIdentity, 0, 0, BitmapSamplingNearest, kNaN);
    EXPECT_EQ(Span(nan, 0, 1, 0)[0], 0u);  // NaN opacity is 0: weight 1
}

TEST(SamplerFormats, SourcesWithoutLockReadThroughACopy) {
    auto gray = MakeBitmap(GXPixelFormatGray8, 2, {{0x10, 0xF0}});
    auto converter = std::make_shared<PixelFormatConverter>(gray, GXPixelFormatPARGB32);
    SwBitmapSampler sampler(converter, kIdentity, 0, 0, BitmapSamplingNearest, 1);
    EXPECT_EQ(Span(sampler, 0, 2, 0), (Pixels{0xFF101010, 0xFFF0F0F0}));
}

namespace {

// A source claiming a format code outside the ten.
class BadFormatSource : public BitmapSource {
public:
    GXPixelFormat GetPixelFormat() const override { return 42; }
    GXIntSize GetSize() const override { return {1, 1}; }
    float GetDpiX() const override { return 96; }
    float GetDpiY() const override { return 96; }
    std::shared_ptr<Palette> GetPalette() const override { return nullptr; }
    void CopyPixels(const GXIntRect*, uint8_t*, int32_t, int32_t) override {}
};

}  // namespace

TEST(SamplerFormats, UnknownFormatRaisesNotImplemented) {
    try {
        SwBitmapSampler sampler(std::make_shared<BadFormatSource>(), kIdentity, 0, 0, 0, 1);
        FAIL() << "no exception";
    } catch (const Exception& e) {
        EXPECT_STREQ(e.what(), "Not implemented");
    }
}

TEST(SamplerBox, TapTablesFollowTheFixedWeights) {
    int32_t full = 0;
    auto taps = SwBitmapSampler::BuildBoxTaps(5, 2, full);
    EXPECT_EQ(full, 26214);  // int(65536 / 2.5)
    ASSERT_EQ(taps.size(), 2u);
    EXPECT_EQ(taps[0].first, 0);
    EXPECT_EQ(taps[0].last, 2);
    EXPECT_EQ(taps[0].firstWeight, 26213);
    EXPECT_EQ(taps[0].lastWeight, 13106);
    EXPECT_EQ(taps[1].first, 2);
    EXPECT_EQ(taps[1].last, 5);  // the last record ends at the edge with no weight there
    EXPECT_EQ(taps[1].firstWeight, 13106);
    EXPECT_EQ(taps[1].lastWeight, 0);
}

TEST(SamplerBox, HalvingAveragesAreasWithTheFixedWeights) {
    // 4 x 2 alpha pixels shown at half size: one reduced row of two pixels, taken nearest
    // because the matrix does not rotate.
    auto bitmap = MakeBitmap(GXPixelFormatA8, 4, {{0, 100, 200, 40}, {255, 255, 0, 0}});
    SwBitmapSampler sampler(bitmap, GXMatrix{0.5f, 0, 0, 0.5f, 0, 0}, 0, 0,
                            BitmapSamplingBoxBilinear, 1);
    // Row sums (x 32767 first, x 32768 the rest, >> 16): 50, 119 and 254, 0; then down:
    // (50 x 32767 + 254 x 32768) >> 16 = 151 and (119 x 32767) >> 16 = 59.
    EXPECT_EQ(Span(sampler, 0, 2, 0), (Pixels{0x97979797, 0x3B3B3B3B}));
}

TEST(SamplerBox, UniformWhiteLosesTheTwoLevelsOfTheWeights) {
    auto bitmap = MakePixels(GXPixelFormatPARGB32, 4, Pixels(16, 0xFFFFFFFF));
    SwBitmapSampler sampler(bitmap, GXMatrix{0.5f, 0, 0, 0.5f, 0, 0}, 0, 0,
                            BitmapSamplingBoxBilinear, 1);
    EXPECT_EQ(Span(sampler, 0, 2, 1), (Pixels{0xFDFDFDFD, 0xFDFDFDFD}));
}

TEST(SamplerBox, WithoutShrinkingInBothDirectionsItIsBilinear) {
    Pixels pixels;
    for (uint32_t i = 0; i < 64; ++i) pixels.push_back(0xFF000000u | (i * 0x030507u));
    auto bitmap = MakePixels(GXPixelFormatPARGB32, 8, pixels);
    for (const GXMatrix& m : {GXMatrix{1, 0, 0, 1, 0, 0}, GXMatrix{0.5f, 0, 0, 1.5f, 0.3f, 0.1f},
                              GXMatrix{1.01f, 0, 0, 0.25f, 0, 0}}) {
        SwBitmapSampler box(bitmap, m, 1, 2, BitmapSamplingBoxBilinear, 1);
        SwBitmapSampler bilinear(bitmap, m, 1, 2, BitmapSamplingBilinear, 1);
        for (int32_t y = -2; y < 10; ++y)
            EXPECT_EQ(Span(box, -3, 12, y), Span(bilinear, -3, 12, y));
    }
}

TEST(SamplerBox, RotatedReductionMixesReducedNeighbours) {
    // A uniform image reduces to 0xFD7E3E1E (each pass of the weights loses a level); the
    // bilinear mix of four such neighbours loses at most one more level per mixing stage.
    auto bitmap = MakePixels(GXPixelFormatPARGB32, 16, Pixels(256, 0xFF804020));
    const float c = 0.25f * std::cos(0.5f), s = 0.25f * std::sin(0.5f);
    SwBitmapSampler sampler(bitmap, GXMatrix{c, s, -s, c, 2, 1}, 0, 0, BitmapSamplingBoxBilinear,
                            1);
    for (uint32_t pixel : Span(sampler, 0, 4, 2)) {
        for (int shift = 0; shift < 32; shift += 8) {
            const int expected = int((0xFD7E3E1Eu >> shift) & 0xFF);
            const int channel = int((pixel >> shift) & 0xFF);
            EXPECT_LE(channel, expected);
            EXPECT_GE(channel, expected - 2);
        }
    }
}

TEST(SamplerDegenerate, SingularOrNonFiniteMatricesPaintNothing) {
    auto bitmap = MakePixels(GXPixelFormatPARGB32, 1, {0xFFFFFFFF});
    const GXMatrix bad[] = {{0, 0, 0, 0, 0, 0},
                            {1, 2, 2, 4, 0, 0},
                            {kNaN, 0, 0, 1, 0, 0},
                            {1, 0, 0, 1, std::numeric_limits<float>::infinity(), 0},
                            {1e-39f, 0, 0, 1e-39f, 0, 0}};
    for (const GXMatrix& m : bad)
        for (int32_t mode : {0, 1, 2}) {
            SwBitmapSampler sampler(bitmap, m, 0, 0, mode, 1);
            EXPECT_EQ(Span(sampler, -2, 2, 0), Pixels(4, 0));
        }
}

TEST(SamplerDegenerate, EmptyBitmapsPaintNothing) {
    auto empty = std::make_shared<SysMemBitmap>(GXIntSize{0, 3}, GXPixelFormatPARGB32, 96, 96);
    SwBitmapSampler sampler(empty, kIdentity, 1, 1, 1, 1);
    EXPECT_EQ(Span(sampler, 0, 3, 0), Pixels(3, 0));
}

TEST(SamplerDegenerate, HugePositionsStayWithinTheBitmap) {
    auto bitmap = MakePixels(GXPixelFormatPARGB32, 2, {0xFF000001, 0xFF000002});
    for (int32_t mode : {0, 1, 2}) {
        SwBitmapSampler far(bitmap, GXMatrix{1, 0, 0, 1, -1e30f, 0}, BitmapExtendClamp, 0, mode, 1);
        EXPECT_EQ(Span(far, 0, 2, 0), (Pixels{0xFF000002, 0xFF000002}));
        SwBitmapSampler tiny(bitmap, GXMatrix{1e-20f, 0, 0, 1e-20f, 0, 0}, mode, mode, 1, 1);
        Pixels span = Span(tiny, INT32_MAX - 3, INT32_MAX, INT32_MIN);
        for (uint32_t pixel : span) EXPECT_TRUE(pixel == 0xFF000001 || pixel == 0xFF000002);
    }
}

TEST(SamplerColorSource, LayerSourceIsNearestAndClamped) {
    auto bitmap = MakePixels(GXPixelFormatPARGB32, 2, {0xFF0000AA, 0xFF0000BB});
    SwBitmapColorSource source(bitmap, GXMatrix{1, 0, 0, 1, 5, 0}, 1.0f);
    EXPECT_EQ(Span(source, 3, 9, 0),
              (Pixels{0xFF0000AA, 0xFF0000AA, 0xFF0000AA, 0xFF0000BB, 0xFF0000BB, 0xFF0000BB}));
}

TEST(SamplerBilinear, VectorRowMixesMatchTheScalarTwin) {
    std::mt19937 random(8);
    for (int32_t count = 0; count <= 37; ++count)
        for (int32_t offset = 0; offset < 3; ++offset) {
            std::vector<uint32_t> b, c;
            std::vector<uint16_t> w;
            for (int32_t i = 0; i < count + offset; ++i) {
                b.push_back(random() % 3 ? uint32_t(random()) : 0xFFFFFFFFu);
                c.push_back(random() % 3 ? uint32_t(random()) : 0u);
                w.push_back(uint16_t(1 + random() % 256));
            }
            Pixels scalar(size_t(count + offset), 0);
            SwBitmapSampler::MixRowScalar(b.data() + offset, c.data() + offset, w.data() + offset,
                                          count, scalar.data() + offset);
            ForEachVectorLevel([&](SimdLevel level) {
                Pixels wide(size_t(count + offset), 0);
                SwBitmapSampler::kMixRowForms.For(level)(b.data() + offset, c.data() + offset,
                                                         w.data() + offset, count,
                                                         wide.data() + offset);
                EXPECT_EQ(wide, scalar) << count << " at " << offset;
            });
        }
}

TEST(SamplerBilinear, VectorMixesMatchTheScalarTwin) {
    std::mt19937 random(7);
    auto pixel = [&] {
        const uint32_t pick = random() % 4;
        return pick == 0 ? 0u : pick == 1 ? 0xFFFFFFFFu : uint32_t(random());
    };
    auto weight = [&] {
        const uint32_t pick = random() % 4;
        return uint16_t(pick == 0 ? 1 : pick == 1 ? 256 : 1 + random() % 256);
    };
    for (int32_t count = 0; count <= 37; ++count)
        for (int32_t offset = 0; offset < 3; ++offset) {
            std::vector<uint32_t> tl, tr, bl, br;
            std::vector<uint16_t> wx, wy;
            for (int32_t i = 0; i < count + offset; ++i) {
                tl.push_back(pixel());
                tr.push_back(pixel());
                bl.push_back(pixel());
                br.push_back(pixel());
                wx.push_back(weight());
                wy.push_back(weight());
            }
            Pixels scalar(size_t(count + offset), 0);
            SwBitmapSampler::MixBilinearRowScalar(
                tl.data() + offset, tr.data() + offset, bl.data() + offset, br.data() + offset,
                wx.data() + offset, wy.data() + offset, count, scalar.data() + offset);
            ForEachVectorLevel([&](SimdLevel level) {
                Pixels wide(size_t(count + offset), 0);
                SwBitmapSampler::kMixBilinearRowForms.For(level)(
                    tl.data() + offset, tr.data() + offset, bl.data() + offset, br.data() + offset,
                    wx.data() + offset, wy.data() + offset, count, wide.data() + offset);
                EXPECT_EQ(wide, scalar) << count << " at " << offset;
            });
        }
}

// The in-place gather of 32-bit neighbours against the mix of the same pixels read one at a
// time, at random positions of a bitmap whose rows have room past their ends.
TEST(SamplerBilinear, VectorGathersMatchTheScalarTwin) {
    std::mt19937 random(11);
    constexpr int32_t kWidth = 19, kHeight = 7, kStride = 4 * kWidth + 12;
    std::vector<uint8_t> pixels(size_t(kStride) * kHeight);
    for (auto& byte : pixels) byte = uint8_t(random());
    for (int32_t count = 0; count <= 37; ++count) {
        const size_t n = static_cast<size_t>(count);
        std::vector<int32_t> ix(n), iy(n);
        std::vector<uint16_t> wx(n), wy(n);
        for (int32_t i = 0; i < count; ++i) {
            ix[size_t(i)] = int32_t(random() % (kWidth - 1));
            iy[size_t(i)] = int32_t(random() % (kHeight - 1));
            wx[size_t(i)] = uint16_t(1 + random() % 256);
            wy[size_t(i)] = uint16_t(1 + random() % 256);
        }
        Pixels scalar(n);
        SwBitmapSampler::GatherBilinearScalar(pixels.data(), kStride, ix.data(), iy.data(),
                                              wx.data(), wy.data(), count, scalar.data());
        ForEachVectorLevel([&](SimdLevel level) {
            Pixels wide(n);
            SwBitmapSampler::kGatherBilinearForms.For(level)(pixels.data(), kStride, ix.data(),
                                                             iy.data(), wx.data(), wy.data(), count,
                                                             wide.data());
            EXPECT_EQ(wide, scalar) << count;
        });
    }
}

// The vector splits against the scalar one over runs of serial float sums that cross binade
// boundaries and zero, take rounding ties every step (odd multiples of half the unit),
// stand still, or start beyond the clamp limits or at NaN.
TEST(SamplerBilinear, VectorPositionSplitsMatchTheScalarTwin) {
    std::mt19937 random(5);
    auto uniform = [&](float low, float high) {
        return std::uniform_real_distribution<float>(low, high)(random);
    };
    auto step = [&]() -> float {
        switch (random() % 5) {
            case 0: {  // a rounding tie at every step inside the binade of 2^e
                const int e = int(random() % 12) - 2;
                return std::ldexp(float(2 * (random() % 4096) + 1), e - 24) *
                       (random() % 2 ? 1.0f : -1.0f);
            }
            case 1:
                return 0.0f;
            case 2:
                return uniform(-1e-4f, 1e-4f);
            default:
                return uniform(-3.0f, 3.0f);
        }
    };
    auto start = [&]() -> float {
        switch (random() % 6) {
            case 0:
                return std::ldexp(1.0f, int(random() % 14) - 3) * (random() % 2 ? 1.0f : -1.0f) +
                       uniform(-0.01f, 0.01f);
            case 1:
                return uniform(-2.0f, 2.0f);
            case 2:
                return uniform(-3e9f, 3e9f);
            case 3:
                return random() % 2 ? kNaN : -0.0f;
            default:
                return uniform(-600.0f, 600.0f);
        }
    };
    auto same = [](float a, float b) { return a == b || (std::isnan(a) && std::isnan(b)); };
    for (int trial = 0; trial < 2000; ++trial) {
        const float x0 = start(), y0 = start(), dx = step(), dy = step();
        const int32_t count = int32_t(random() % 70);
        const size_t n = size_t(count);
        std::vector<int32_t> ix(n), iy(n);
        std::vector<uint16_t> wx(n), wy(n);
        float x = x0, y = y0;
        SwBitmapSampler::SplitPositionsScalar(x, y, dx, dy, count, ix.data(), iy.data(), wx.data(),
                                              wy.data());
        ForEachVectorLevel([&](SimdLevel level) {
            std::vector<int32_t> vix(n), viy(n);
            std::vector<uint16_t> vwx(n), vwy(n);
            float vx = x0, vy = y0;
            SwBitmapSampler::kSplitPositionsForms.For(level)(vx, vy, dx, dy, count, vix.data(),
                                                             viy.data(), vwx.data(), vwy.data());
            SCOPED_TRACE(::testing::Message() << "trial " << trial << " from " << x0 << ", " << y0
                                              << " by " << dx << ", " << dy);
            EXPECT_EQ(vix, ix);
            EXPECT_EQ(viy, iy);
            EXPECT_EQ(vwx, wx);
            EXPECT_EQ(vwy, wy);
            EXPECT_TRUE(same(vx, x) && same(vy, y)) << vx << " " << x << " " << vy << " " << y;
        });
    }
}

// The fast paths (neighbours read without extending, pairs of 32-bit pixels in one load)
// against the general gather, on random bitmaps of every format family, sizes down to one
// pixel, every extend mode, scaled and rotated matrices and spans inside and across the
// bitmap's edges.
TEST(SamplerBilinear, FastPathsMatchTheGeneralGather) {
    std::mt19937 random(21);
    auto uniform = [&](float low, float high) {
        return std::uniform_real_distribution<float>(low, high)(random);
    };
    const GXPixelFormat formats[] = {GXPixelFormatPARGB32, GXPixelFormatARGB32, GXPixelFormatRGB32,
                                     GXPixelFormatRGB24,   GXPixelFormatA8,     GXPixelFormatGray8,
                                     GXPixelFormatIndexed8};
    const uint32_t colors[] = {0x80FF0000u, 0xFF00FF00u, 0x400000FFu};
    const int32_t extends[] = {BitmapExtendClamp, BitmapExtendRepeat, BitmapExtendMirror};
    for (int trial = 0; trial < 300; ++trial) {
        const GXPixelFormat format = formats[trial % std::size(formats)];
        const int32_t width = 1 + int32_t(random() % 40), height = 1 + int32_t(random() % 40);
        auto bitmap =
            std::make_shared<SysMemBitmap>(GXIntSize{width, height}, format, 96.0f, 96.0f);
        if (format == GXPixelFormatIndexed8)
            bitmap->SetPalette(std::make_shared<Palette>(colors, 3));
        const PixelBuffer& buffer = bitmap->Buffer();
        for (int32_t y = 0; y < height; ++y)
            for (int32_t i = 0; i < buffer.stride; ++i) buffer.Row(y)[i] = uint8_t(random());
        // Every fourth matrix is axis-aligned, where positions often land on pixel centres
        // and the zero fractions skip neighbours.
        const float scale = uniform(0.3f, 6.0f);
        const float angle = trial % 4 == 0 ? 0.0f : uniform(-3.2f, 3.2f);
        const float c = scale * std::cos(angle), s = scale * std::sin(angle);
        const GXMatrix matrix{c, s, -s, c, uniform(-20, 60), uniform(-20, 60)};
        const float opacity = trial % 3 == 0 ? uniform(0.1f, 1.0f) : 1.0f;
        SwBitmapSampler sampler(bitmap, matrix, extends[random() % 3], extends[random() % 3],
                                BitmapSamplingBilinear, opacity);
        for (int span = 0; span < 12; ++span) {
            // A span starting on the mapped bitmap (or anywhere near it), up to two chunks long.
            const float u = uniform(-2.0f, float(width) + 2), v = uniform(-2.0f, float(height) + 2);
            const int32_t x0 =
                int32_t(std::floor(matrix.a * u + matrix.c * v + matrix.e)) - int32_t(random() % 8);
            const int32_t y = int32_t(std::floor(matrix.b * u + matrix.d * v + matrix.f));
            const int32_t x1 = x0 + int32_t(random() % 600);
            Pixels fast(size_t(x1 - x0), 0xDEADBEEFu), general(size_t(x1 - x0), 0xDEADBEEFu);
            sampler.FillSpan(x0, x1, y, fast.data());
            sampler.FillSpanGeneral(x0, x1, y, general.data());
            EXPECT_EQ(fast, general) << "trial " << trial << " format " << format << " span " << x0
                                     << ".." << x1 << " row " << y;
        }
    }
}

TEST(SamplerNearest, UnscaledSpansMatchPixelByPixelSampling) {
    // Spans of an unscaled, unrotated source read a bitmap row straight along; a span of one
    // pixel computes its index from the position alone, so it is the reference.
    std::mt19937 random(8);
    const GXPixelFormat formats[] = {GXPixelFormatPARGB32, GXPixelFormatARGB32, GXPixelFormatA8,
                                     GXPixelFormatRGB24};
    const int32_t extends[] = {BitmapExtendClamp, BitmapExtendRepeat, BitmapExtendMirror};
    for (int trial = 0; trial < 200; ++trial) {
        const GXPixelFormat format = formats[trial % std::size(formats)];
        const int32_t width = 1 + int32_t(random() % 50), height = 1 + int32_t(random() % 20);
        auto bitmap =
            std::make_shared<SysMemBitmap>(GXIntSize{width, height}, format, 96.0f, 96.0f);
        const PixelBuffer& buffer = bitmap->Buffer();
        for (int32_t y = 0; y < height; ++y)
            for (int32_t i = 0; i < buffer.stride; ++i) buffer.Row(y)[i] = uint8_t(random());
        // Whole-pixel offsets mostly, fractional ones and far-off ones too.
        const float tx =
            trial % 5 == 0 ? float(int(random() % 1000)) / 7.0f : float(int(random() % 80) - 20);
        const float ty = trial % 7 == 0 ? 3.0e6f : float(int(random() % 40) - 10);
        const float opacity = trial % 3 == 0 ? 0.6f : 1.0f;
        SwBitmapSampler sampler(bitmap, GXMatrix{1, 0, 0, 1, tx, ty}, extends[random() % 3],
                                extends[random() % 3], BitmapSamplingNearest, opacity);
        for (int span = 0; span < 10; ++span) {
            const int32_t x0 = int32_t(tx) + int32_t(random() % uint32_t(width + 8)) - 4;
            const int32_t x1 = x0 + 1 + int32_t(random() % uint32_t(width + 4));
            const int32_t y = int32_t(ty) + int32_t(random() % uint32_t(height + 4)) - 2;
            Pixels single;
            for (int32_t x = x0; x < x1; ++x) single.push_back(Span(sampler, x, x + 1, y)[0]);
            EXPECT_EQ(Span(sampler, x0, x1, y), single)
                << "trial " << trial << " span " << x0 << ".." << x1 << " row " << y;
        }
    }
}

namespace {

// Bilinear sampling of a PARGB32 or ARGB32 bitmap one pixel at a time, as the sampler's
// general path does it: the position starts at the centre of the span's first pixel and
// steps by the matrix's x column; each pixel mixes its four neighbours (a zero fraction
// reads the pixel itself for the missing one), then premultiplies straight colour and
// applies the opacity weight.
Pixels ReferenceBilinear(const Pixels& bitmap, int32_t width, int32_t height, bool straight,
                         const GXMatrix& bitmapToDevice, int32_t extendX, int32_t extendY,
                         uint32_t opacityWeight, int32_t x0, int32_t x1, int32_t y) {
    GXMatrix m = kIdentity;
    EXPECT_TRUE(InvertMatrix(bitmapToDevice, m));
    m.e += (m.a + m.c) / 2;
    m.f += (m.b + m.d) / 2;
    float px = m.a * float(x0) + m.c * float(y) + m.e;
    float py = m.b * float(x0) + m.d * float(y) + m.f;
    auto at = [&](int32_t column, int32_t row) {
        return bitmap[size_t(BitmapBrush::ExtendIndex(extendY, row, height)) * size_t(width) +
                      size_t(BitmapBrush::ExtendIndex(extendX, column, width))];
    };
    auto clamp = [](float v) { return std::clamp(v, -1073741824.0f, 1073741824.0f); };
    Pixels out;
    for (int32_t x = x0; x < x1; ++x, px += m.a, py += m.b) {
        const float sx = clamp(px - 0.5f), sy = clamp(py - 0.5f);
        const int32_t ix = int32_t(std::floor(sx)), iy = int32_t(std::floor(sy));
        const uint32_t fx = uint32_t((sx - float(ix)) * 255.0f);
        const uint32_t fy = uint32_t((sy - float(iy)) * 255.0f);
        const uint32_t tl = at(ix, iy);
        const uint32_t tr = fx != 0 ? at(ix + 1, iy) : tl;
        const uint32_t bl = fy != 0 ? at(ix, iy + 1) : tl;
        const uint32_t br = fx != 0 && fy != 0 ? at(ix + 1, iy + 1) : bl;
        uint32_t pixel = SwMix(SwMix(tl, tr, fx + 1), SwMix(bl, br, fx + 1), fy + 1);
        if (straight) pixel = SwColorSource::Premultiply(pixel);
        out.push_back(SwColorSource::ApplyOpacity(pixel, opacityWeight));
    }
    return out;
}

}  // namespace

TEST(SamplerBilinear, RowKeepingMatricesSampleAsThePixelByPixelPath) {
    // Scales, flips and offsets that keep rows horizontal take the path that reuses column
    // taps from row to row; spans of several rows start at the same and at other columns,
    // in every extend mode, so held, extended and replaced taps are all compared.
    std::mt19937 random(23);
    const int32_t width = 13, height = 9;
    Pixels premultiplied, straight;
    for (int32_t i = 0; i < width * height; ++i) {
        const uint32_t alpha = i % 5 == 0 ? 255u : uint32_t(random() % 256);
        const uint32_t color = uint32_t(random()) & 0xFFFFFFu;
        straight.push_back(alpha << 24 | color);
        premultiplied.push_back(SwColorSource::Premultiply(alpha << 24 | color));
    }
    std::uniform_real_distribution<float> scale(0.3f, 3.0f), offset(-20, 20);
    for (int trial = 0; trial < 120; ++trial) {
        const bool isStraight = trial % 3 == 0;
        const float sx = scale(random) * (trial % 4 == 1 ? -1.0f : 1.0f);
        const float sy = scale(random) * (trial % 5 == 2 ? -1.0f : 1.0f);
        const GXMatrix matrix{sx, 0, 0, sy, offset(random), offset(random)};
        const int32_t extendX = int32_t(random() % 3), extendY = int32_t(random() % 3);
        const float opacity = trial % 2 ? 1.0f : 0.6f;
        auto bitmap = MakePixels(isStraight ? GXPixelFormatARGB32 : GXPixelFormatPARGB32, width,
                                 isStraight ? straight : premultiplied);
        SwBitmapSampler sampler(bitmap, matrix, extendX, extendY, BitmapSamplingBilinear, opacity);
        int32_t y = 0;
        for (int32_t span = 0; span < 40; ++span) {
            const int32_t x0 = int32_t(random() % 6) - 3 + (span % 3) * 7;
            const int32_t x1 = x0 + 1 + int32_t(random() % 90);
            // Runs of rows top to bottom, as a fill scans, share mixed bitmap rows.
            y = span % 8 == 0 ? int32_t(random() % 40) - 10 : y + int32_t(random() % 2);
            ASSERT_EQ(Span(sampler, x0, x1, y),
                      ReferenceBilinear(isStraight ? straight : premultiplied, width, height,
                                        isStraight, matrix, extendX, extendY,
                                        SwColorSource::OpacityWeight(opacity), x0, x1, y))
                << "trial " << trial << " span " << span << " x0 " << x0 << " y " << y;
        }
    }
}
