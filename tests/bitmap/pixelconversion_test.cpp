#include "graphics/bitmap/pixelconversion.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <set>
#include <utility>
#include <vector>

#include "graphics/bitmap/pixelformat.h"
#include "graphics/core/exception.h"
#include "simdlevels.h"

namespace Graphics {
namespace {

using Bytes = std::vector<uint8_t>;

// Converts `count` pixels of `src` into a copy of `dst` (whose extra bytes show what the
// routine must leave alone).
Bytes Convert(int from, int to, const Bytes& src, int count, Bytes dst) {
    RowConverter convert = PixelConversion::Get(from, to);
    EXPECT_NE(convert, nullptr);
    convert(src.data(), dst.data(), count);
    return dst;
}

struct Cell {
    int from, to;
    Bytes src;
    int count;
    Bytes dstBefore;
    Bytes expected;
};

// One line per routine of the table, each with numbers worked out by hand from the
// arithmetic (B, G, R, A byte order for 32-bit pixels).
const std::vector<Cell>& Cells() {
    using namespace PixelFormat;
    static const std::vector<Cell> cells = {
        // RGB24 (B 0x20, G 0x40, R 0xFF): opaque, and luminance (77*255+151*64+28*32)/256 = 117.
        {RGB24, PARGB32, {0x20, 0x40, 0xFF}, 1, Bytes(4), {0x20, 0x40, 0xFF, 0xFF}},
        {RGB24, ARGB32, {0x20, 0x40, 0xFF}, 1, Bytes(4), {0x20, 0x40, 0xFF, 0xFF}},
        {RGB24, RGB32, {0x20, 0x40, 0xFF}, 1, Bytes(4), {0x20, 0x40, 0xFF, 0xFF}},
        {RGB24, Gray8, {0x20, 0x40, 0xFF, 1, 1, 1}, 2, Bytes(2), {117, 1}},
        // PARGB32 (A 128, R 128, G 64, B 32): unpremultiplied 255, 127, 63; stored luminance 79,
        // gamma 150. Second pixel (A 200, R G B 20): luminance 20, gamma 80.
        {PARGB32, RGB24, {32, 64, 128, 128}, 1, Bytes(3), {63, 127, 255}},
        {PARGB32, ARGB32, {32, 64, 128, 128}, 1, Bytes(4), {63, 127, 255, 128}},
        {PARGB32, RGB32, {32, 64, 128, 128}, 1, Bytes(4), {63, 127, 255, 255}},
        {PARGB32, A8, {32, 64, 128, 128, 20, 20, 20, 200}, 2, Bytes(2), {128, 200}},
        {PARGB32, Indexed8, {32, 64, 128, 128, 20, 20, 20, 200}, 2, Bytes(2), {150, 80}},
        {PARGB32, Gray8, {32, 64, 128, 128, 20, 20, 20, 200}, 2, Bytes(2), {150, 80}},
        {PARGB32, A1, {1, 2, 3, 0, 0, 0, 0, 1, 9, 9, 9, 0}, 3, {0xFF}, {0x5F}},
        {PARGB32, Indexed1, {32, 64, 128, 128, 20, 20, 20, 200}, 2, {0x00}, {0x80}},
        {PARGB32, Gray1, {32, 64, 128, 128, 20, 20, 20, 200}, 2, {0x7F}, {0xBF}},
        // ARGB32 (A 128, R 255, G 64, B 32): premultiplied c * 129 / 256 = 128, 32, 16.
        {ARGB32, RGB24, {32, 64, 255, 128}, 1, Bytes(3), {32, 64, 255}},
        {ARGB32, PARGB32, {32, 64, 255, 128}, 1, Bytes(4), {16, 32, 128, 128}},
        {ARGB32, ARGB32, {32, 64, 255, 128}, 1, Bytes(4), {32, 64, 255, 128}},
        {ARGB32, RGB32, {32, 64, 255, 128}, 1, Bytes(4), {32, 64, 255, 255}},
        {ARGB32, A8, {32, 64, 255, 128}, 1, Bytes(1), {128}},
        {ARGB32, Gray8, {32, 64, 255, 128, 1, 1, 1, 255}, 2, Bytes(2), {179, 21}},
        {ARGB32, A1, {32, 64, 255, 128, 32, 64, 255, 0}, 2, {0x00}, {0x80}},
        // RGB32 (fourth byte 0x33 ignored); luminance 117 -> gamma 179; (27) -> 92 < 128.
        {RGB32, RGB24, {32, 64, 255, 0x33}, 1, Bytes(3), {32, 64, 255}},
        {RGB32, PARGB32, {32, 64, 255, 0x33}, 1, Bytes(4), {32, 64, 255, 255}},
        {RGB32, ARGB32, {32, 64, 255, 0x33}, 1, Bytes(4), {32, 64, 255, 255}},
        {RGB32, Gray8, {32, 64, 255, 0x33}, 1, Bytes(1), {179}},
        {RGB32, Gray1, {32, 64, 255, 0x33, 5, 40, 10, 0xFF}, 2, {0x3F}, {0xBF}},
        // A8 200.
        {A8, PARGB32, {200}, 1, Bytes(4), {200, 200, 200, 200}},
        {A8, ARGB32, {200}, 1, Bytes(4), {255, 255, 255, 200}},
        {A8, RGB32, {200}, 1, Bytes(4), {200, 200, 200, 255}},
        {A8, A1, {200, 0, 1, 0, 0, 0, 0, 0, 7}, 9, {0x00, 0x7F}, {0xA0, 0xFF}},
        // Gray8 0x5A.
        {Gray8, PARGB32, {0x5A}, 1, Bytes(4), {0x5A, 0x5A, 0x5A, 0xFF}},
        {Gray8, ARGB32, {0x5A}, 1, Bytes(4), {0x5A, 0x5A, 0x5A, 0xFF}},
        {Gray8, RGB32, {0x5A}, 1, Bytes(4), {0x5A, 0x5A, 0x5A, 0xFF}},
        {Gray8, Indexed8, {0x5A, 0}, 2, Bytes(2), {0x5A, 0}},
        {Gray8, Gray1, {0x5A, 0, 1}, 3, {0x00}, {0xA0}},
        // A1 0b1000...: bit 1 then bit 0.
        {A1, PARGB32, {0x80}, 2, Bytes(8), {255, 255, 255, 255, 0, 0, 0, 0}},
        {A1, ARGB32, {0x80}, 2, Bytes(8), {255, 255, 255, 255, 255, 255, 255, 0}},
        {A1, RGB32, {0x80}, 2, Bytes(8), {255, 255, 255, 255, 0, 0, 0, 255}},
        {A1, A8, {0x80}, 2, Bytes(2), {255, 0}},
        {A1, Gray8, {0x40}, 2, Bytes(2), {0, 255}},
        {A1, Indexed1, {0xA5, 0xC0}, 10, {0x00, 0x3F}, {0xA5, 0xFF}},
        // Gray1.
        {Gray1, PARGB32, {0x80}, 2, Bytes(8), {255, 255, 255, 255, 0, 0, 0, 255}},
        {Gray1, ARGB32, {0x80}, 2, Bytes(8), {255, 255, 255, 255, 0, 0, 0, 255}},
        {Gray1, RGB32, {0x40}, 2, Bytes(8), {0, 0, 0, 255, 255, 255, 255, 255}},
        {Gray1, Gray8, {0x80}, 2, Bytes(2), {255, 0}},
        {Gray1, Indexed1, {0x5A}, 5, {0xFF}, {0x5F}},
    };
    return cells;
}

TEST(PixelConversion, EveryRoutineProducesItsWorkedValues) {
    for (const Cell& cell : Cells()) {
        SCOPED_TRACE(testing::Message() << "from " << cell.from << " to " << cell.to);
        EXPECT_EQ(Convert(cell.from, cell.to, cell.src, cell.count, cell.dstBefore), cell.expected);
    }
}

TEST(PixelConversion, EveryOtherPairRaisesBadFormatConversion) {
    std::set<std::pair<int, int>> supported;
    for (const Cell& cell : Cells()) supported.insert({cell.from, cell.to});
    ASSERT_EQ(supported.size(), 45u);
    Bytes src(16, 0x11), dst(16, 0x22);
    for (int from = 1; from <= 10; ++from) {
        for (int to = 1; to <= 10; ++to) {
            if (supported.count({from, to})) continue;
            SCOPED_TRACE(testing::Message() << "from " << from << " to " << to);
            RowConverter convert = PixelConversion::Get(from, to);
            ASSERT_NE(convert, nullptr);
            try {
                convert(src.data(), dst.data(), 1);
                ADD_FAILURE() << "no exception";
            } catch (const Exception& e) {
                EXPECT_STREQ(e.what(), "Bad format conversion");
            }
            EXPECT_EQ(dst, Bytes(16, 0x22));
        }
    }
}

TEST(PixelConversion, CodesOutsideTheTableHaveNoRoutine) {
    EXPECT_EQ(PixelConversion::Get(0, 2), nullptr);
    EXPECT_EQ(PixelConversion::Get(2, 0), nullptr);
    EXPECT_EQ(PixelConversion::Get(11, 3), nullptr);
    EXPECT_EQ(PixelConversion::Get(3, -1), nullptr);
}

TEST(PixelConversion, PremultiplyRoundTripAndAlphaZero) {
    using namespace PixelFormat;
    // ARGB (128, 255, 0, 0) <-> PARGB (128, 128, 0, 0).
    EXPECT_EQ(Convert(ARGB32, PARGB32, {0, 0, 255, 128}, 1, Bytes(4)), (Bytes{0, 0, 128, 128}));
    EXPECT_EQ(Convert(PARGB32, ARGB32, {0, 0, 128, 128}, 1, Bytes(4)), (Bytes{0, 0, 255, 128}));
    // Alpha 0 leaves the pixel as it is; alpha 255 premultiplies to itself.
    EXPECT_EQ(Convert(PARGB32, ARGB32, {0, 0, 0, 0}, 1, Bytes(4, 9)), (Bytes{0, 0, 0, 0}));
    EXPECT_EQ(Convert(PARGB32, ARGB32, {7, 8, 9, 0}, 1, Bytes(4)), (Bytes{7, 8, 9, 0}));
    EXPECT_EQ(Convert(ARGB32, PARGB32, {1, 128, 254, 255}, 1, Bytes(4)), (Bytes{1, 128, 254, 255}));
    // A colour above its alpha (not a valid premultiplied pixel) saturates at 255.
    EXPECT_EQ(Convert(PARGB32, ARGB32, {10, 150, 200, 100}, 1, Bytes(4)),
              (Bytes{25, 255, 255, 100}));
}

TEST(PixelConversion, UnpremultiplyIsExactForEveryAlphaAndChannel) {
    Bytes src, dst(256 * 256 * 4);
    for (uint32_t a = 0; a < 256; ++a)
        for (uint32_t c = 0; c < 256; ++c)
            src.insert(src.end(), {uint8_t(c), uint8_t(c), uint8_t(c), uint8_t(a)});
    PixelConversion::Get(PixelFormat::PARGB32, PixelFormat::ARGB32)(src.data(), dst.data(),
                                                                    256 * 256);
    for (uint32_t a = 0; a < 256; ++a) {
        for (uint32_t c = 0; c < 256; ++c) {
            size_t at = (a * 256 + c) * 4;
            uint32_t expected = a == 0 ? c : std::min(c, a) * 255 / a;
            ASSERT_EQ(dst[at], expected) << "a " << a << " c " << c;
            ASSERT_EQ(dst[at + 3], a);
        }
    }
}

TEST(PixelConversion, PremultiplyIsExactForEveryAlphaAndChannel) {
    Bytes src, dst(256 * 256 * 4);
    for (uint32_t a = 0; a < 256; ++a)
        for (uint32_t c = 0; c < 256; ++c)
            src.insert(src.end(), {uint8_t(c), uint8_t(255 - c), uint8_t(c), uint8_t(a)});
    PixelConversion::Get(PixelFormat::ARGB32, PixelFormat::PARGB32)(src.data(), dst.data(),
                                                                    256 * 256);
    for (uint32_t a = 0; a < 256; ++a) {
        for (uint32_t c = 0; c < 256; ++c) {
            size_t at = (a * 256 + c) * 4;
            ASSERT_EQ(dst[at], a == 255 ? c : c * (a + 1) / 256) << "a " << a << " c " << c;
            ASSERT_EQ(dst[at + 1], a == 255 ? 255 - c : (255 - c) * (a + 1) / 256);
            ASSERT_EQ(dst[at + 3], a);
        }
    }
}

TEST(PixelConversion, GrayGammaTable) {
    const uint8_t* gamma = PixelConversion::GrayGammaTable();
    EXPECT_EQ(gamma[0], 0);
    EXPECT_EQ(gamma[1], 21);
    EXPECT_EQ(gamma[2], 28);
    EXPECT_EQ(gamma[3], 34);
    EXPECT_EQ(gamma[55], 127);
    EXPECT_EQ(gamma[56], 128);
    EXPECT_EQ(gamma[253], 254);
    EXPECT_EQ(gamma[254], 255);
    EXPECT_EQ(gamma[255], 255);
    for (int i = 1; i < 256; ++i) EXPECT_LE(gamma[i - 1], gamma[i]) << i;
    // White ARGB is grey 255 through the table; RGB24 (1, 1, 1) is grey 1 without it.
    EXPECT_EQ(Convert(PixelFormat::ARGB32, PixelFormat::Gray8, {255, 255, 255, 255}, 1, Bytes(1)),
              Bytes{255});
    EXPECT_EQ(Convert(PixelFormat::RGB24, PixelFormat::Gray8, {1, 1, 1}, 1, Bytes(1)), Bytes{1});
}

// ---- SSE2 rows against their scalar twins ------------------------------------------------

using Routine = void (*)(const uint8_t*, uint8_t*, int32_t);

struct Twin {
    const char* name;
    const SimdKernel<Routine>& forms;
    int dstBytesPerPixel;
};

const Twin kTwins[] = {
    {"premultiply", PixelConversion::kPremultiplyForms, 4},
    {"extract alpha", PixelConversion::kExtractAlphaForms, 1},
    {"force alpha", PixelConversion::kForceAlphaForms, 4},
};

TEST(PixelConversionVector, EqualsScalarOnRandomUnalignedRows) {
    std::mt19937 random(1234);
    for (const Twin& twin : kTwins) {
        SCOPED_TRACE(twin.name);
        for (int count = 0; count <= 37; ++count) {
            for (int srcOffset = 0; srcOffset < 4; ++srcOffset) {
                int dstOffset = (srcOffset * 3 + count) % 5;
                Bytes src(count * 4 + 8);
                for (auto& b : src) b = uint8_t(random());
                // Extreme alphas are where rounding slips show.
                if (count > 0) src[srcOffset + 3] = 255;
                if (count > 1) src[srcOffset + 7] = 0;
                Bytes scalar(count * twin.dstBytesPerPixel + 8, 0xAB);
                twin.forms.scalar(src.data() + srcOffset, scalar.data() + dstOffset, count);
                ForEachVectorLevel([&](SimdLevel level) {
                    Bytes simd(scalar.size(), 0xAB);
                    twin.forms.For(level)(src.data() + srcOffset, simd.data() + dstOffset, count);
                    // Equal everywhere, guard bytes around the row included.
                    ASSERT_EQ(simd, scalar) << "count " << count << " offset " << srcOffset;
                    for (int i = 0; i < dstOffset; ++i) ASSERT_EQ(simd[i], 0xAB);
                });
            }
        }
    }
}

TEST(PixelConversionVector, InPlaceRowsTakeTheScalarPathAndStayCorrect) {
    std::mt19937 random(99);
    Bytes row(37 * 4);
    for (auto& b : row) b = uint8_t(random());
    Bytes expected(37 * 4);
    PixelConversion::PremultiplyScalar(row.data(), expected.data(), 37);
    PixelConversion::Get(PixelFormat::ARGB32, PixelFormat::PARGB32)(row.data(), row.data(), 37);
    EXPECT_EQ(row, expected);

    for (auto& b : row) b = uint8_t(random());
    Bytes alphas(37);
    PixelConversion::ExtractAlphaScalar(row.data(), alphas.data(), 37);
    PixelConversion::Get(PixelFormat::ARGB32, PixelFormat::A8)(row.data(), row.data(), 37);
    EXPECT_EQ(Bytes(row.begin(), row.begin() + 37), alphas);
}

}  // namespace
}  // namespace Graphics
