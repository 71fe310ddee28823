#include <random>

#include "exceptionmessage.h"
#include "gpufixture.h"
#include "graphics/bitmap/box2x2downsampling.h"
#include "graphics/bitmap/pixelformat.h"
#include "graphics/bitmap/pixelformatconverter.h"
#include "graphics/bitmap/sysmembitmap.h"
#include "graphics/gpu/gpubitmapcache.h"
#include "graphics/gpu/gpuvidmemtexture.h"

using namespace Graphics;

namespace {

std::shared_ptr<SysMemBitmap> RandomBitmap(GXIntSize size, GXPixelFormat format, uint32_t seed) {
    auto bitmap = std::make_shared<SysMemBitmap>(size, format, 96, 96);
    std::mt19937 random(seed);
    BitmapLock lock(*bitmap, nullptr, LockMode::Write);
    for (int32_t y = 0; y < size.height; ++y) {
        uint8_t* row = static_cast<uint8_t*>(lock.Data().data) + size_t(y) * lock.Data().stride;
        for (int32_t i = 0; i < lock.Data().rowBytes; ++i) row[i] = uint8_t(random());
    }
    return bitmap;
}

// The tightly packed rows of `source`.
std::vector<uint8_t> Bytes(BitmapSource& source) {
    GXIntSize size = source.GetSize();
    int32_t rowBytes = int32_t(PixelFormat::GetRowBytes(source.GetPixelFormat(), size.width));
    std::vector<uint8_t> bytes(size_t(rowBytes) * size.height);
    source.CopyPixels(nullptr, bytes.data(), rowBytes, rowBytes);
    return bytes;
}

}  // namespace

// Upload, lock, read back: every byte survives, in every texture format, for both kinds of
// texture, whole and through a window.
TEST_F(GpuTest, TexturesRoundTripEveryFormatBitExact) {
    for (GXPixelFormat format : {GXPixelFormatPARGB32, GXPixelFormatARGB32, GXPixelFormatRGB32,
                                 GXPixelFormatA8, GXPixelFormatGray8}) {
        auto bitmap = RandomBitmap({13, 7}, format, format);
        std::shared_ptr<GpuTexture> textures[2] = {
            std::make_shared<GpuVidMemTexture>(device_, GXIntSize{13, 7}, format, 96, 96, true),
            RenderTexture(13, 7, format)};
        for (const auto& texture : textures) {
            texture->CopyFromSource(nullptr, bitmap, nullptr);
            EXPECT_EQ(Bytes(*texture), Bytes(*bitmap)) << format;
            // A window: the bottom-right part lands in place, the rest stays.
            auto patch = RandomBitmap({5, 3}, format, 99);
            GXIntPoint at{8, 4};
            texture->CopyFromSource(&at, patch, nullptr);
            bitmap->CopyFromSource(&at, patch, nullptr);
            EXPECT_EQ(Bytes(*texture), Bytes(*bitmap)) << format;
            bitmap = RandomBitmap({13, 7}, format, format);
        }
    }
    EXPECT_EQ(MessageOf([&] { RenderTexture(2, 2, GXPixelFormatIndexed8); }), "Unsuported pixel format");
}

// Each level of the chain is the 2x2 box average of the level above, cut to the level's
// size (Vulkan halves rounding down; a lone last row or column stands in for its neighbour).
TEST_F(GpuTest, MipChainEqualsBoxDownsampling) {
    for (GXPixelFormat format : {GXPixelFormatARGB32, GXPixelFormatA8}) {
        auto bitmap = RandomBitmap({13, 6}, format, 7);
        auto texture = std::make_shared<GpuVidMemTexture>(device_, GXIntSize{13, 6}, format, 96, 96, true);
        texture->CopyFromSource(nullptr, bitmap, nullptr);
        std::shared_ptr<GpuImage> image = texture->Image();
        ASSERT_EQ(image->Describe().mipLevels, 4u);
        std::vector<uint8_t> above = Bytes(*bitmap);
        int32_t pixel = int32_t(PixelFormat::GetRowBytes(format, 1));
        GXIntSize size{13, 6};
        for (uint32_t level = 1; level < 4; ++level) {
            GXIntSize half{std::max(size.width / 2, 1), std::max(size.height / 2, 1)};
            // The expected level: the box filter over the even part of the level above.
            GXIntSize even{std::min(size.width, 2 * half.width), std::min(size.height, 2 * half.height)};
            std::vector<uint8_t> expected(size_t(half.width) * half.height * pixel);
            Box2x2Downsampling::Downsample(format, above.data(), size.width * pixel, even,
                                           expected.data(), half.width * pixel);
            auto staging = device_->CreateSysMemSurface(half.width, half.height, format);
            device_->CopyRect(image, level, nullptr, staging, nullptr);
            GXBitmapData data = device_->MapResource(*staging);
            std::vector<uint8_t> actual;
            for (int32_t y = 0; y < half.height; ++y) {
                const uint8_t* row = static_cast<const uint8_t*>(data.data) + size_t(y) * data.stride;
                actual.insert(actual.end(), row, row + half.width * pixel);
            }
            EXPECT_EQ(actual, expected) << format << " level " << level;
            above = expected;
            size = half;
        }
    }
}

TEST_F(GpuTest, RenderTextureFillsAndCopiesStayInsideTheirRectangles) {
    auto texture = RenderTexture(6, 4);
    texture->ColorFill(nullptr, ColorF{0, 0, 0, 0});
    GXIntRect rect{1, 1, 4, 3};
    texture->ColorFill(&rect, ColorF{1, 0, 0, 0.6f});  // premultiplied on the way
    std::vector<uint32_t> pixels = Pixels(*texture);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x)
            EXPECT_EQ(pixels[y * 6 + x], x >= 1 && x < 4 && y >= 1 && y < 3 ? 0x99990000u : 0u);
    // Texture copies clip to both textures: only the overlap lands, nothing else moves.
    auto copy = RenderTexture(6, 4);
    copy->ColorFill(nullptr, ColorF{0, 0, 0, 0});
    GXIntPoint at{-1, 2};
    GXIntRect from{0, 0, 9, 9};
    copy->CopyFromTexture(&at, *texture, &from);
    std::vector<uint32_t> copied = Pixels(*copy);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x)
            EXPECT_EQ(copied[y * 6 + x], y >= 2 ? pixels[(y - 2) * 6 + x + 1] * (x < 5) : 0u) << x << "," << y;
}

// The bitmap cache: one upload per bitmap, converted formats, a new one after a change,
// and the device's size limit.
TEST_F(GpuTest, BitmapCacheUploadsOnceConvertsAndRespectsTheLimit) {
    std::shared_ptr<GpuBitmapCache> cache = device_->GetBitmapCache();
    auto indexed = RandomBitmap({9, 5}, GXPixelFormatIndexed8, 3);
    std::vector<uint32_t> colors(256);
    for (uint32_t i = 0; i < 256; ++i) colors[i] = 0x80000000u | i * 0x010203u;
    indexed->SetPalette(std::make_shared<Palette>(colors.data(), colors.size()));
    std::shared_ptr<GpuVidMemTexture> texture = cache->GetTexture(indexed);
    EXPECT_EQ(texture->GetPixelFormat(), GXPixelFormatARGB32);
    PixelFormatConverter converted(indexed, GXPixelFormatARGB32);
    EXPECT_EQ(Bytes(*texture), Bytes(converted));
    EXPECT_EQ(cache->GetTexture(indexed), texture);
    indexed->NotifyChanged();
    EXPECT_NE(cache->GetTexture(indexed), texture);

    uint32_t limit = device_->MaxTextureSize();
    auto wide = std::make_shared<SysMemBitmap>(GXIntSize{int32_t(limit) + 1, 1}, GXPixelFormatA8, 96, 96);
    EXPECT_EQ(MessageOf([&] { cache->GetTexture(wide); }), "Texture is too big");
}
