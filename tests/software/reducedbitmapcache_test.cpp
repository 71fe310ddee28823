#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "graphics/bitmap/bitmap.h"
#include "graphics/paint/bitmapbrush.h"
#include "graphics/software/swbitmapsampler.h"
#include "graphics/software/swreducedbitmapcache.h"

namespace Graphics {
namespace {

// Writes a pattern derived from `seed` into the bitmap's own pixels, behind its caches'
// back (the front's Lock would tell them).
void Paint(Bitmap& bitmap, uint32_t seed) {
    BitmapLock lock(*bitmap.GetImpl(), nullptr, LockMode::Write);
    const GXBitmapData& data = lock.Data();
    const GXIntSize size = bitmap.GetSize();
    for (int32_t y = 0; y < size.height; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(data.data) +
                                                ptrdiff_t(y) * data.stride);
        for (int32_t x = 0; x < size.width; ++x) {
            const uint32_t a = (x * 7 + y * 3 + seed) & 0xFF;
            const uint32_t c = (x * 13 + y * 5 + seed * 3) % (a + 1);
            row[x] = a << 24 | c << 16 | (c / 2) << 8 | (a - c);
        }
    }
}

// The device pixels of the bitmap drawn at `scale` (box pre-reduction), rotated a little so
// that the reduction is sampled bilinearly.
std::vector<uint32_t> Draw(const std::shared_ptr<BitmapSource>& bitmap, float scale) {
    const GXMatrix m{scale * 0.98f, scale * 0.2f, -scale * 0.2f, scale * 0.98f, 30, 5};
    SwBitmapSampler sampler(bitmap, m, 0, 0, BitmapSamplingBoxBilinear, 1.0f);
    std::vector<uint32_t> pixels(64 * 64);
    for (int32_t y = 0; y < 64; ++y) sampler.FillSpan(0, 64, y, &pixels[size_t(y) * 64]);
    return pixels;
}

TEST(ReducedBitmapCache, ALibraryBitmapIsReducedOncePerLevelUntilItChanges) {
    const GXBitmapDesc desc{300, 200, GXPixelFormatPARGB32, 96, 96};
    auto bitmap = Bitmap::Create(desc);
    Paint(*bitmap, 1);
    const uint64_t before = SwReducedBitmapCache::MemoryInUse();

    const std::vector<uint32_t> first = Draw(bitmap, 0.1f);
    // 300 x 200 at a tenth: 30 x 20 reduced pixels are kept.
    EXPECT_EQ(SwReducedBitmapCache::MemoryInUse() - before, 30u * 20 * 4);

    // Pixels changed without telling the caches: the kept reduction is what the next draw
    // samples, so it draws exactly as the first did.
    Paint(*bitmap, 2);
    EXPECT_EQ(Draw(bitmap, 0.1f), first);
    EXPECT_EQ(SwReducedBitmapCache::MemoryInUse() - before, 30u * 20 * 4);

    // Another level is kept beside it.
    const std::vector<uint32_t> fifth = Draw(bitmap, 0.2f);
    EXPECT_EQ(SwReducedBitmapCache::MemoryInUse() - before, (30u * 20 + 60 * 40) * 4);

    // A change drops them; the next draws reduce the new pixels, exactly as a sampler of a
    // bitmap without caches (a plain pixel store) does.
    bitmap->NotifyChanged();
    EXPECT_EQ(SwReducedBitmapCache::MemoryInUse(), before);
    const std::vector<uint32_t> changed = Draw(bitmap, 0.1f);
    EXPECT_NE(changed, first);
    EXPECT_EQ(changed, Draw(bitmap->GetImpl(), 0.1f));

    bitmap.reset();
    EXPECT_EQ(SwReducedBitmapCache::MemoryInUse(), before);
}

}  // namespace
}  // namespace Graphics
