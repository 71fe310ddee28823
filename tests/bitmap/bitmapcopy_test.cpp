// Copies between pixel sources: clipping of CopyFromSource, copies of a bitmap onto itself,
// the format converter's paths and the solid colour source.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "graphics/core/exception.h"
#include "graphics/bitmap/bitmap.h"
#include "graphics/bitmap/pixelformat.h"
#include "graphics/bitmap/pixelformatconverter.h"
#include "graphics/bitmap/solidcolorbitmapsource.h"
#include "graphics/bitmap/sysmembitmap.h"

namespace Graphics {
namespace {

std::shared_ptr<Bitmap> MakeGray8(int32_t width, int32_t height) {
    auto bitmap = Bitmap::Create(GXBitmapDesc{width, height, GXPixelFormatGray8, 96, 96});
    // Pixel (x, y) holds 10 * y + x, so every misplaced byte is visible.
    GXBitmapData data = bitmap->Lock(nullptr, LockMode::Write);
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x)
            static_cast<uint8_t*>(data.data)[y * data.stride + x] = uint8_t(10 * y + x);
    bitmap->Unlock();
    return bitmap;
}

uint8_t At(Bitmap& bitmap, int32_t x, int32_t y) {
    GXBitmapData data = bitmap.Lock(nullptr, LockMode::Read);
    uint8_t value = static_cast<uint8_t*>(data.data)[y * data.stride + x];
    bitmap.Unlock();
    return value;
}

TEST(CopyFromSource, ClipsBothSidesAndKeepsPixelsAligned) {
    auto source = MakeGray8(5, 5);
    auto target = MakeGray8(4, 4);
    // Destination origin (-1, 2): source column 0 falls off the left, rows 2.. off the bottom.
    GXIntPoint origin{-1, 2};
    GXIntRect rect{1, 1, 4, 5};
    target->CopyFrom(&origin, source, &rect);
    EXPECT_EQ(At(*target, 0, 2), 12);  // source (2, 1)
    EXPECT_EQ(At(*target, 1, 2), 13);
    EXPECT_EQ(At(*target, 2, 2), 22);  // untouched: the rectangle is 2 wide once clipped
    EXPECT_EQ(At(*target, 0, 3), 22);  // source (2, 2)
    EXPECT_EQ(At(*target, 1, 1), 11);  // untouched row above
}

TEST(CopyFromSource, SourceRectangleOutsideTheSourceShiftsTheDestination) {
    auto source = MakeGray8(3, 3);
    auto target = MakeGray8(4, 4);
    GXIntPoint origin{0, 0};
    GXIntRect rect{-2, -1, 2, 2};  // only source columns 0..1, rows 0..1 exist
    target->CopyFrom(&origin, source, &rect);
    EXPECT_EQ(At(*target, 2, 1), 0);   // source (0, 0) lands at (0 + 2, 0 + 1)
    EXPECT_EQ(At(*target, 3, 2), 11);  // source (1, 1)
    EXPECT_EQ(At(*target, 1, 1), 11);  // left of it: untouched
    EXPECT_EQ(At(*target, 0, 0), 0);
    EXPECT_EQ(At(*target, 3, 0), 3);
}

TEST(CopyFromSource, WritesOnlyTheSourceRectangleWidth) {
    auto source = MakeGray8(8, 2);
    auto target = Bitmap::Create(GXBitmapDesc{8, 2, GXPixelFormatGray8, 96, 96});
    target->ColorFill(nullptr, 0xFFFFFFFF);
    GXIntRect rect{0, 0, 3, 2};
    target->CopyFrom(nullptr, source, &rect);
    EXPECT_EQ(At(*target, 2, 1), 12);
    EXPECT_EQ(At(*target, 3, 0), 255);  // the rows reach further, the copy must not
    EXPECT_EQ(At(*target, 7, 1), 255);
}

TEST(CopyFromSource, OverlappingCopyOntoItself) {
    for (int direction : {1, -1}) {
        auto bitmap = MakeGray8(6, 6);
        GXIntPoint origin{1 + direction, 1 + direction};
        GXIntRect rect{1, 1, 5, 5};
        bitmap->CopyFrom(&origin, bitmap, &rect);
        int32_t d = direction;
        for (int32_t y = 1; y < 5; ++y)
            for (int32_t x = 1; x < 5; ++x)
                EXPECT_EQ(At(*bitmap, x + d, y + d), 10 * y + x) << x << "," << y << " dir " << d;
    }
}

TEST(PixelFormatConverter, IndexedSourcesGoThroughThePalette) {
    auto indexed = Bitmap::Create(GXBitmapDesc{3, 1, GXPixelFormatIndexed8, 96, 96});
    const uint32_t colors[2] = {0x80FF0000, 0xFF00FF00};
    indexed->SetPalette(std::make_shared<Palette>(colors, 2));
    uint8_t indices[16] = {1, 0, 7};
    indexed->CopyFromMemory(nullptr, GXBitmapData{indices, 3, 16});
    PixelFormatConverter converter(indexed, PixelFormat::PARGB32);
    EXPECT_EQ(converter.GetPixelFormat(), PixelFormat::PARGB32);
    uint32_t out[3] = {};
    converter.CopyPixels(nullptr, reinterpret_cast<uint8_t*>(out), 12, 12);
    EXPECT_EQ(out[0], 0xFF00FF00u);
    EXPECT_EQ(out[1], 0x80800000u);  // red premultiplied by 128: 255 * 129 / 256 = 128
    EXPECT_EQ(out[2], 0xFF000000u);  // index 7 is past the palette: opaque black

    auto bits = Bitmap::Create(GXBitmapDesc{10, 1, GXPixelFormatIndexed1, 96, 96});
    bits->SetPalette(std::make_shared<Palette>(colors, 2));
    uint8_t row[16] = {0x40, 0x40};
    bits->CopyFromMemory(nullptr, GXBitmapData{row, 2, 16});
    uint8_t alphas[10] = {};
    PixelFormatConverter(bits, PixelFormat::A8).CopyPixels(nullptr, alphas, 10, 10);
    EXPECT_EQ(alphas[0], 0x80);
    EXPECT_EQ(alphas[1], 0xFF);
    EXPECT_EQ(alphas[9], 0xFF);
    EXPECT_EQ(alphas[8], 0x80);
}

TEST(PixelFormatConverter, UnlockableSourceIsReadRowByRow) {
    // A solid source cannot be locked; the converter copies its rows one at a time.
    auto solid = std::make_shared<SolidColorBitmapSource>(GXIntSize{5, 3}, PixelFormat::ARGB32,
                                                          ColorF::FromARGB(0x80FF8000));
    PixelFormatConverter converter(solid, PixelFormat::RGB24);
    std::vector<uint8_t> out(3 * 16, 0xEE);
    GXIntRect rect{1, 1, 4, 3};
    converter.CopyPixels(&rect, out.data(), 16, 16);
    for (int row = 0; row < 2; ++row) {
        for (int x = 0; x < 3; ++x) {
            EXPECT_EQ(out[row * 16 + 3 * x], 0x00);
            EXPECT_EQ(out[row * 16 + 3 * x + 1], 0x80);
            EXPECT_EQ(out[row * 16 + 3 * x + 2], 0xFF);
        }
        EXPECT_EQ(out[row * 16 + 9], 0xEE);  // three pixels, no more
    }
    EXPECT_EQ(out[2 * 16], 0xEE);  // two rows, no more
}

TEST(PixelFormatConverter, WritesOnlyWholePixelsThatFitTheRow) {
    auto source = MakeGray8(4, 1);
    uint8_t out[16];
    std::memset(out, 0xEE, sizeof out);
    PixelFormatConverter(source, PixelFormat::RGB32).CopyPixels(nullptr, out, 16, 10);
    EXPECT_EQ(out[4], 1);     // second pixel written
    EXPECT_EQ(out[8], 0xEE);  // a third would not fit in 10 bytes
}

TEST(SolidColorBitmapSource, HoldsTheConvertedPixel) {
    SolidColorBitmapSource solid(GXIntSize{7, 2}, PixelFormat::A1, ColorF::FromARGB(0xFF000000));
    EXPECT_EQ(solid.Pixel()[0] & 0x80, 0x80);
    EXPECT_EQ(solid.GetDpiX(), 96.0f);
    EXPECT_EQ(solid.GetPalette(), nullptr);
    uint8_t rows[2][4] = {};
    solid.CopyPixels(nullptr, rows[0], 4, 4);
    EXPECT_EQ(rows[0][0], 0xFF);
    EXPECT_EQ(rows[1][0], 0xFF);
    EXPECT_EQ(rows[1][1], 0x00);  // 7 bits take one byte

    // A destination row cut inside a pixel still gets that pixel's leading bytes.
    SolidColorBitmapSource rgb(GXIntSize{4, 1}, PixelFormat::RGB24, ColorF::FromARGB(0xFF112233));
    uint8_t cut[8];
    std::memset(cut, 0xEE, sizeof cut);
    rgb.CopyPixels(nullptr, cut, 8, 5);
    EXPECT_EQ(cut[3], 0x33);
    EXPECT_EQ(cut[4], 0x22);
    EXPECT_EQ(cut[5], 0xEE);

    for (int format : {PixelFormat::Indexed8, PixelFormat::Indexed1, PixelFormat::Gray1}) {
        EXPECT_THROW(SolidColorBitmapSource(GXIntSize{1, 1}, format, ColorF{0, 0, 0, 1}),
                     Exception);
    }
}

TEST(ColorF, ByteRoundTripAndHostileChannels) {
    for (uint32_t b = 0; b < 256; ++b) {
        uint32_t argb = (b << 24) | (b << 16) | ((255 - b) << 8) | b;
        EXPECT_EQ(ColorF::FromARGB(argb).ToARGB(), argb);
    }
    ColorF color = ColorF::FromARGB(0x80FF4000);
    EXPECT_FLOAT_EQ(color.red, 1.0f);
    EXPECT_FLOAT_EQ(color.green, 64.0f / 255.0f);
    EXPECT_FLOAT_EQ(color.blue, 0.0f);
    EXPECT_FLOAT_EQ(color.alpha, 128.0f / 255.0f);
    float nan = std::numeric_limits<float>::quiet_NaN();
    float inf = std::numeric_limits<float>::infinity();
    EXPECT_EQ((ColorF{nan, inf, -inf, 2.0f}.ToARGB()), 0xFF00FF00u);
    EXPECT_EQ((ColorF{0.5f, -0.1f, 0.999f, 0.0f}.ToARGB()), 0x007F00FEu);
}

TEST(PixelFormat, BitsPerPixel) {
    const int32_t expected[11] = {-1, 24, 32, 32, 32, 8, 8, 8, 1, 1, 1};
    for (int32_t format = 0; format <= 10; ++format)
        EXPECT_EQ(PixelFormat::GetBitsPerPixel(format), expected[format]);
    EXPECT_EQ(PixelFormat::GetBitsPerPixel(11), -1);
    EXPECT_EQ(PixelFormat::GetBitsPerPixel(-2), -1);
    EXPECT_EQ(PixelFormat::GetRowBytes(PixelFormat::A1, 100), 13);
}

TEST(PixelBuffer, StrideAndRepresentableSizes) {
    EXPECT_EQ(PixelBuffer::GetStride(1, 1), 16);
    EXPECT_EQ(PixelBuffer::GetStride(100, 24), 304);
    EXPECT_EQ(PixelBuffer::GetStride(0, 32), 0);
    EXPECT_EQ(PixelBuffer::GetStride(4, 32), 16);
    EXPECT_EQ(PixelBuffer::GetStride(5, 32), 32);
    EXPECT_TRUE(PixelBuffer::CanRepresent(-3, -4, 32));
    EXPECT_TRUE(PixelBuffer::CanRepresent(0, 0, 8));
    EXPECT_FALSE(PixelBuffer::CanRepresent(INT32_MIN, 1, 8));
    EXPECT_FALSE(PixelBuffer::CanRepresent(1, INT32_MIN, 8));
    EXPECT_FALSE(PixelBuffer::CanRepresent(600000000, 1, 32));  // stride past 2^31
    EXPECT_TRUE(PixelBuffer::CanRepresent(500000000, 1, 32));
    EXPECT_FALSE(PixelBuffer::CanRepresent(500000000, 1000, 32));  // 2 TB
    SysMemBitmap bitmap(GXIntSize{-3, -2}, PixelFormat::RGB24, 72, 72);
    EXPECT_EQ(bitmap.Buffer().width, 3);
    EXPECT_EQ(bitmap.Buffer().height, 2);
    EXPECT_EQ(bitmap.GetSize().width, -3);
}

}  // namespace
}  // namespace Graphics
