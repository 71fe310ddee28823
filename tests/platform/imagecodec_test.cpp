// The host decoders on layouts made by the codec libraries: each lands in the library
// format that holds it, with its palette; pages and animation frames are selected.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "gx.h"
#include "platform/imagecodec.h"
#include "testimages.h"

namespace {

namespace fs = std::filesystem;

// A decoded bitmap's format, palette and packed rows.
struct Decoded {
    GXResult result = -1;
    GXPixelFormat format = 0;
    GXIntSize size{};
    std::vector<uint32_t> palette;
    std::vector<uint8_t> rows;  // rowBytes = (bits * width + 7) / 8
};

Decoded Inspect(GXResult result, GXBitmapRec_* bitmap) {
    Decoded d;
    d.result = result;
    if (result != GXResultSuccess) return d;
    GXBitmapGetPixelFormat(bitmap, &d.format);
    GXBitmapGetSize(bitmap, &d.size);
    GXPaletteRec_* palette = nullptr;
    GXBitmapGetPalette(bitmap, &palette);
    if (palette) {
        uint64_t n = 0;
        const uint32_t* colors = nullptr;
        GXPaletteGetNumColors(palette, &n);
        GXPaletteGetColors(palette, &colors);
        d.palette.assign(colors, colors + n);
        GXObjectRelease(reinterpret_cast<GXOBase*>(palette));
    }
    int bits = d.format == GXPixelFormatIndexed1   ? 1
               : d.format == GXPixelFormatIndexed8 ? 8
               : d.format == GXPixelFormatRGB24    ? 24
                                                   : 32;
    int32_t rowBytes = (bits * d.size.width + 7) / 8;
    d.rows.resize(size_t(rowBytes) * d.size.height);
    GXBitmapData memory{d.rows.data(), rowBytes, rowBytes};
    GXBitmapCopyToMemory(bitmap, nullptr, &memory);
    GXObjectRelease(reinterpret_cast<GXOBase*>(bitmap));
    return d;
}

Decoded FromMemory(const std::vector<uint8_t>& bytes) {
    GXBitmapRec_* bitmap = nullptr;
    GXResult r = GXCreateBitmapFromMemory(bytes.data(), bytes.size(), &bitmap);
    return Inspect(r, bitmap);
}

class ImageCodecTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("gx_imagecodec_" + std::to_string(::getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string Name(const char* name) const { return (dir_ / name).string(); }
    void Write(const char* name, const std::vector<uint8_t>& bytes) const {
        std::ofstream(Name(name), std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    }
    // Frame `index` of a file, with the frame count it reports.
    Decoded Frame(const char* name, int32_t index, uint32_t& count) const {
        std::string utf8 = Name(name);
        std::vector<uint16_t> path(utf8.begin(), utf8.end());
        path.push_back(0);
        GXBitmapRec_* bitmap = nullptr;
        GXResult r = GXCreateBitmapFromFileFrame(path.data(), index, &count, &bitmap);
        return Inspect(r, bitmap);
    }

    fs::path dir_;
};

TEST_F(ImageCodecTest, PngGreyAndPaletteImagesBecomeIndexed) {
    Decoded grey8 = FromMemory(TestImages::Png(3, 1, PNG_COLOR_TYPE_GRAY, 8, {0, 7, 255}));
    ASSERT_EQ(grey8.result, GXResultSuccess);
    EXPECT_EQ(grey8.format, GXPixelFormatIndexed8);
    ASSERT_EQ(grey8.palette.size(), 256u);
    EXPECT_EQ(grey8.palette[7], 0xff070707u);
    EXPECT_EQ(grey8.rows, (std::vector<uint8_t>{0, 7, 255}));

    // Two-bit grey: indices widened to bytes, the palette spreads four levels.
    Decoded grey2 = FromMemory(TestImages::Png(4, 1, PNG_COLOR_TYPE_GRAY, 2, {0x1b}));
    ASSERT_EQ(grey2.result, GXResultSuccess);
    EXPECT_EQ(grey2.format, GXPixelFormatIndexed8);
    EXPECT_EQ(grey2.rows, (std::vector<uint8_t>{0, 1, 2, 3}));
    EXPECT_EQ(grey2.palette,
              (std::vector<uint32_t>{0xff000000, 0xff555555, 0xffaaaaaa, 0xffffffff}));

    Decoded grey1 = FromMemory(TestImages::Png(8, 1, PNG_COLOR_TYPE_GRAY, 1, {0xa5}));
    ASSERT_EQ(grey1.result, GXResultSuccess);
    EXPECT_EQ(grey1.format, GXPixelFormatIndexed1);
    EXPECT_EQ(grey1.rows, (std::vector<uint8_t>{0xa5}));
    EXPECT_EQ(grey1.palette, (std::vector<uint32_t>{0xff000000, 0xffffffff}));

    // Four-bit palette with transparency on its first entry.
    Decoded pal4 = FromMemory(
        TestImages::Png(2, 1, PNG_COLOR_TYPE_PALETTE, 4, {0x10}, {10, 20, 30, 40, 50, 60}, {0}));
    ASSERT_EQ(pal4.result, GXResultSuccess);
    EXPECT_EQ(pal4.format, GXPixelFormatIndexed8);
    EXPECT_EQ(pal4.rows, (std::vector<uint8_t>{1, 0}));
    EXPECT_EQ(pal4.palette, (std::vector<uint32_t>{0x000a141e, 0xff28323c}));
}

TEST_F(ImageCodecTest, PngDeepAndAlphaImagesBecomeDirectColour) {
    // 16-bit RGB keeps the high bytes, in BGR order.
    Decoded rgb16 = FromMemory(
        TestImages::Png(1, 1, PNG_COLOR_TYPE_RGB, 16, {0x12, 0x34, 0x56, 0x78, 0x9a, 0xbc}));
    ASSERT_EQ(rgb16.result, GXResultSuccess);
    EXPECT_EQ(rgb16.format, GXPixelFormatRGB24);
    EXPECT_EQ(rgb16.rows, (std::vector<uint8_t>{0x9a, 0x56, 0x12}));

    Decoded greyAlpha = FromMemory(TestImages::Png(1, 1, PNG_COLOR_TYPE_GRAY_ALPHA, 8, {90, 30}));
    ASSERT_EQ(greyAlpha.result, GXResultSuccess);
    EXPECT_EQ(greyAlpha.format, GXPixelFormatARGB32);
    EXPECT_EQ(greyAlpha.rows, (std::vector<uint8_t>{90, 90, 90, 30}));

    // A grey value marked transparent: alpha 0 on exactly that value.
    Decoded greyKey = FromMemory(TestImages::Png(2, 1, PNG_COLOR_TYPE_GRAY, 8, {5, 6}, {}, {6}));
    ASSERT_EQ(greyKey.result, GXResultSuccess);
    EXPECT_EQ(greyKey.format, GXPixelFormatARGB32);
    EXPECT_EQ(greyKey.rows, (std::vector<uint8_t>{5, 5, 5, 255, 6, 6, 6, 0}));
}

TEST_F(ImageCodecTest, JpegGreyIsIndexedAndCmykIsRgb) {
    Decoded grey = FromMemory(TestImages::Jpeg(8, 8, 1, std::vector<uint8_t>(64, 200)));
    ASSERT_EQ(grey.result, GXResultSuccess);
    EXPECT_EQ(grey.format, GXPixelFormatIndexed8);
    EXPECT_EQ(grey.palette.size(), 256u);
    for (uint8_t v : grey.rows) EXPECT_NEAR(v, 200, 2);

    // Pure cyan ink (libjpeg writes Adobe CMYK inverted) is (0, 255, 255) in RGB.
    std::vector<uint8_t> cmyk;
    for (int i = 0; i < 64; ++i) cmyk.insert(cmyk.end(), {0, 255, 255, 255});
    Decoded rgb = FromMemory(TestImages::Jpeg(8, 8, 4, cmyk));
    ASSERT_EQ(rgb.result, GXResultSuccess);
    EXPECT_EQ(rgb.format, GXPixelFormatRGB32);
    EXPECT_NEAR(rgb.rows[0], 255, 3);  // blue
    EXPECT_NEAR(rgb.rows[1], 255, 3);  // green
    EXPECT_NEAR(rgb.rows[2], 0, 3);    // red
}

TEST_F(ImageCodecTest, TiffPagesAreFrames) {
    std::vector<TestImages::TiffPage> pages = {
        {2, 1, 3, 8, PHOTOMETRIC_RGB, {1, 2, 3, 4, 5, 6}, {}},
        {8, 2, 1, 1, PHOTOMETRIC_MINISWHITE, {0xf0, 0x0f}, {}},
        {3, 1, 1, 4, PHOTOMETRIC_PALETTE, {0x12, 0xf0}, {}},
    };
    pages[2].colormap.assign(48, 0);
    pages[2].colormap[1] = 0xff00;       // red of entry 1
    pages[2].colormap[16 + 2] = 0x8000;  // green of entry 2
    Write("pages.tif", TestImages::Tiff(Name("scratch.tif"), pages));
    uint32_t count = 0;
    Decoded first = Frame("pages.tif", 0, count);
    EXPECT_EQ(count, 3u);
    ASSERT_EQ(first.result, GXResultSuccess);
    EXPECT_EQ(first.format, GXPixelFormatRGB24);
    EXPECT_EQ(first.rows, (std::vector<uint8_t>{3, 2, 1, 6, 5, 4}));

    Decoded second = Frame("pages.tif", 1, count);
    ASSERT_EQ(second.result, GXResultSuccess);
    EXPECT_EQ(second.format, GXPixelFormatIndexed1);
    EXPECT_EQ(second.rows, (std::vector<uint8_t>{0xf0, 0x0f}));
    EXPECT_EQ(second.palette, (std::vector<uint32_t>{0xffffffff, 0xff000000}));  // 0 is white

    Decoded third = Frame("pages.tif", 2, count);
    ASSERT_EQ(third.result, GXResultSuccess);
    EXPECT_EQ(third.format, GXPixelFormatIndexed8);
    EXPECT_EQ(third.rows, (std::vector<uint8_t>{1, 2, 15}));
    EXPECT_EQ(third.palette[1], 0xffff0000u);
    EXPECT_EQ(third.palette[2], 0xff008000u);

    count = 0;
    EXPECT_EQ(Frame("pages.tif", 3, count).result, GXResultGraphicsError);
    EXPECT_EQ(count, 3u);
}

TEST_F(ImageCodecTest, DeepTiffGoesThroughTheRgbaReader) {
    // 16-bit RGB samples (machine order, as libtiff takes them; v * 257 so that they scale
    // back to v exactly): only the RGBA reader has them.
    TestImages::TiffPage page{20, 18, 3, 16, PHOTOMETRIC_RGB, {}, {}};
    for (uint32_t i = 0; i < 20 * 18; ++i)
        for (uint16_t v : {uint16_t(uint8_t(i) * 257), uint16_t(uint8_t(i * 3) * 257),
                           uint16_t(uint8_t(255 - i) * 257)}) {
            uint8_t bytes[2];
            std::memcpy(bytes, &v, 2);
            page.rows.insert(page.rows.end(), bytes, bytes + 2);
        }
    Decoded d = FromMemory(TestImages::Tiff(Name("deep.tif"), {page}));
    ASSERT_EQ(d.result, GXResultSuccess);
    EXPECT_EQ(d.format, GXPixelFormatRGB32);
    for (uint32_t i = 0; i < 20 * 18; ++i) {
        ASSERT_EQ(d.rows[4 * i + 0], uint8_t(255 - i)) << i;
        ASSERT_EQ(d.rows[4 * i + 1], uint8_t(i * 3)) << i;
        ASSERT_EQ(d.rows[4 * i + 2], uint8_t(i)) << i;
    }
}

TEST_F(ImageCodecTest, GifImagesAreFramesOnTheLogicalScreen) {
    std::vector<uint8_t> interlacedIndices(3 * 9);
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 3; ++x) interlacedIndices[size_t(y * 3 + x)] = uint8_t(y % 4);
    std::vector<TestImages::GifFrame> frames = {
        {0, 0, 4, 9, std::vector<uint8_t>(36, 1), -1, false},
        {1, 2, 2, 2, {2, 3, 3, 2}, 0, false},
        {1, 0, 3, 9, interlacedIndices, -1, true},
    };
    Write("anim.gif", TestImages::Gif(4, 9, frames));
    uint32_t count = 0;
    Decoded first = Frame("anim.gif", 0, count);
    EXPECT_EQ(count, 3u);
    ASSERT_EQ(first.result, GXResultSuccess);
    EXPECT_EQ(first.format, GXPixelFormatIndexed8);
    EXPECT_EQ(first.rows, std::vector<uint8_t>(36, 1));
    EXPECT_EQ(first.palette,
              (std::vector<uint32_t>{0xff000000, 0xffff0000, 0xff00ff00, 0xff0000ff}));

    // The second image has a transparent index: the rest of the screen takes it.
    Decoded second = Frame("anim.gif", 1, count);
    ASSERT_EQ(second.result, GXResultSuccess);
    EXPECT_EQ(second.palette[0], 0x00000000u);
    EXPECT_EQ(second.rows[0], 0);
    EXPECT_EQ(second.rows[2 * 4 + 1], 2);
    EXPECT_EQ(second.rows[2 * 4 + 2], 3);
    EXPECT_EQ(second.rows[3 * 4 + 1], 3);

    Decoded third = Frame("anim.gif", 2, count);
    ASSERT_EQ(third.result, GXResultSuccess);
    for (int y = 0; y < 9; ++y) {
        EXPECT_EQ(third.rows[size_t(y * 4)], 0) << y;  // background outside the image
        EXPECT_EQ(third.rows[size_t(y * 4 + 2)], y % 4) << y;
    }
    count = 0;
    EXPECT_EQ(Frame("anim.gif", 3, count).result, GXResultGraphicsError);
    EXPECT_EQ(count, 3u);
    EXPECT_EQ(Frame("anim.gif", -1, count).result, GXResultGraphicsError);
}

TEST(ImageFrameBudget, PixelsAndDecoderBuffersShareOneBudget) {
    using Host::CodecResult;
    using Host::ImageFrame;
    constexpr uint64_t kBudget = ImageFrame::kMaxDecodeBytes;
    // 16384 x 16384 RGB32 is the whole budget: it fits alone, not with any working memory.
    ImageFrame layout;
    layout.mode = ImageFrame::Mode::Layout;
    EXPECT_EQ(layout.Allocate(16384, 16384, GXPixelFormatRGB32), CodecResult::LayoutRead);
    EXPECT_EQ(layout.WorkingBudget(), 0u);
    EXPECT_EQ(layout.Allocate(16384, 16384, GXPixelFormatRGB32, 1), CodecResult::OutOfMemory);
    EXPECT_EQ(layout.Allocate(1, 1, GXPixelFormatRGB32, kBudget), CodecResult::OutOfMemory);
    EXPECT_EQ(layout.Allocate(0, 5, GXPixelFormatRGB32), CodecResult::OutOfMemory);
    EXPECT_EQ(layout.Allocate(UINT32_MAX, UINT32_MAX, GXPixelFormatIndexed1, 0),
              CodecResult::OutOfMemory);
    // Lent rows take only the layout they were lent for.
    EXPECT_EQ(layout.Allocate(3, 2, GXPixelFormatRGB24), CodecResult::LayoutRead);
    EXPECT_EQ(layout.WorkingBudget(), kBudget - 12 * 2);
    uint8_t rows[2 * 16];
    layout.mode = ImageFrame::Mode::Lent;
    layout.lentRows = rows;
    layout.lentStride = 16;
    EXPECT_EQ(layout.Allocate(3, 3, GXPixelFormatRGB24), CodecResult::Failed);
    EXPECT_EQ(layout.Allocate(3, 2, GXPixelFormatRGB24), CodecResult::Ok);
    EXPECT_EQ(layout.Row(1), rows + 16);
}

}  // namespace
