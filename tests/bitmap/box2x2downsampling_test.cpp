#include "graphics/bitmap/box2x2downsampling.h"

#include <gtest/gtest.h>

#include <vector>

#include "graphics/core/exception.h"
#include "graphics/bitmap/pixelformat.h"

namespace Graphics {
namespace {

using Bytes = std::vector<uint8_t>;

TEST(Box2x2Downsampling, OddGray8ReusesLastColumnAndRow) {
    // 3 x 3, rows packed (stride 3).
    const Bytes src = {10, 20, 30, 40, 51, 60, 70, 80, 99};
    Bytes dst(4, 0);
    Box2x2Downsampling::Downsample(PixelFormat::Gray8, src.data(), 3, GXIntSize{3, 3}, dst.data(),
                                   2);
    // (10+20+40+51)/4 = 30; (30+30+60+60)/4 = 45; (70+80+70+80)/4 = 75; bottom-right = source (2,
    // 2).
    EXPECT_EQ(dst, (Bytes{30, 45, 75, 99}));
}

TEST(Box2x2Downsampling, ChannelsAreAveragedSeparatelyAndTruncated) {
    // Two 32-bit pixels per row, two rows: every channel has its own mean, alpha included.
    const Bytes src = {1, 0, 255, 4, 1, 0, 255, 8, 1, 3, 255, 12, 2, 3, 254, 255};
    Bytes dst(4, 0);
    Box2x2Downsampling::Get(PixelFormat::PARGB32)(src.data(), src.data() + 8, dst.data(), 2);
    EXPECT_EQ(dst, (Bytes{1, 1, 254, 69}));

    // RGB24, width 3: the second output pixel averages column 2 with itself.
    const Bytes rgb = {0, 0, 0, 4, 4, 4, 9, 10, 11};
    Bytes out(6, 0);
    Box2x2Downsampling::Get(PixelFormat::RGB24)(rgb.data(), rgb.data(), out.data(), 3);
    EXPECT_EQ(out, (Bytes{2, 2, 2, 9, 10, 11}));
}

TEST(Box2x2Downsampling, FormatsWithoutRoutine) {
    for (int format :
         {PixelFormat::Indexed8, PixelFormat::A1, PixelFormat::Indexed1, PixelFormat::Gray1}) {
        Bytes src(4, 0), dst(4, 0);
        try {
            Box2x2Downsampling::Downsample(format, src.data(), 4, GXIntSize{0, 0}, dst.data(), 4);
            ADD_FAILURE() << "format " << format << " was accepted";
        } catch (const Exception& e) {
            EXPECT_STREQ(e.what(), "Bad format for downsampling");
        }
    }
    EXPECT_EQ(Box2x2Downsampling::Get(0), nullptr);
    EXPECT_EQ(Box2x2Downsampling::Get(11), nullptr);
    EXPECT_NE(Box2x2Downsampling::Get(PixelFormat::A8), nullptr);
}

}  // namespace
}  // namespace Graphics
