// The C++ layer of gx.hpp over the shared library: ownership, guards and errors.
#include <gtest/gtest.h>
#include <gx.hpp>

#include <atomic>
#include <cstdlib>
#include <new>

// Counts the live blocks of operator new in the whole process, the library's included
// (it allocates its handle records and objects with it): a handle the layer forgot to
// release stays counted.
namespace {
std::atomic<long> liveBlocks{0};

void* Allocate(std::size_t size, std::size_t alignment) {
    void* block = nullptr;
    if (posix_memalign(&block, alignment < sizeof(void*) ? sizeof(void*) : alignment,
                       size ? size : 1))
        return nullptr;
    ++liveBlocks;
    return block;
}
void Free(void* block) noexcept {
    if (!block) return;
    --liveBlocks;
    std::free(block);
}
}  // namespace

void* operator new(std::size_t size) {
    if (void* block = Allocate(size, alignof(std::max_align_t))) return block;
    throw std::bad_alloc();
}
void* operator new(std::size_t size, std::align_val_t alignment) {
    if (void* block = Allocate(size, std::size_t(alignment))) return block;
    throw std::bad_alloc();
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return Allocate(size, alignof(std::max_align_t));
}
void* operator new[](std::size_t size) {
    return operator new(size);
}
void* operator new[](std::size_t size, std::align_val_t alignment) {
    return operator new(size, alignment);
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept {
    return operator new(size, tag);
}
void operator delete(void* block) noexcept {
    Free(block);
}
void operator delete(void* block, std::size_t) noexcept {
    Free(block);
}
void operator delete(void* block, std::align_val_t) noexcept {
    Free(block);
}
void operator delete(void* block, std::size_t, std::align_val_t) noexcept {
    Free(block);
}
void operator delete[](void* block) noexcept {
    Free(block);
}
void operator delete[](void* block, std::size_t) noexcept {
    Free(block);
}
void operator delete[](void* block, std::align_val_t) noexcept {
    Free(block);
}
void operator delete[](void* block, std::size_t, std::align_val_t) noexcept {
    Free(block);
}

namespace {

uint32_t PixelAt(const gx::Bitmap& bitmap, int32_t x, int32_t y) {
    auto lock = bitmap.Lock(GXLockRead, GXIntRect{x, y, x + 1, y + 1});
    return *static_cast<const uint32_t*>(lock.data().data);
}

template <class Call>
GXResult ResultOf(Call call) {
    try {
        call();
    } catch (const gx::Error& error) {
        return error.result();
    }
    return GXResultSuccess;
}

// Makes a handle of every kind and draws with them: a clipped fill inside a state guard,
// a gradient and text after it, all in a paint pass on an ARGB32 bitmap, which the
// library converts back only at EndPaint.
void DrawScene() {
    gx::Bitmap bitmap = gx::Bitmap::Create({32, 32, GXPixelFormatARGB32, 96.0f, 96.0f});
    const uint32_t colors[] = {0xFF000000u, 0xFFFFFFFFu};
    bitmap.SetPalette(gx::Palette::Create(colors));
    EXPECT_EQ(bitmap.GetPalette().Colors()[1], 0xFFFFFFFFu);

    gx::RenderTarget target = gx::RenderTarget::CreateForBitmap(bitmap);
    gx::Brush red = gx::Brush::CreateSolidARGB(0xFFFF0000u);
    const GXGradientStop stops[] = {{0.0f, 0xFF0000FFu}, {1.0f, 0xFF00FF00u}};
    gx::Brush ramp = gx::Brush::CreateGradient(
        gx::Gradient::CreateLinear({nullptr, 0, 0, 0, 32, 0, 1, 1, {0, 0}, 0}, stops), 1.0f);
    gx::Geometry clip = gx::Geometry::Create();
    clip.Rectangle({0, 0, 16, 32});
    gx::FontFace face = gx::FontFace::Create(u"DejaVu Sans", 0, 12.0f);

    gx::Region band =
        gx::Region::CreateFromRect({0, 0, 8, 8}).CombineRect({0, 8, 4, 16}, GXCombineUnion);
    int rects = 0;
    band.EnumRects([&](const GXIntRect&) { ++rects; });
    EXPECT_EQ(rects, 2);
    {
        gx::PaintPass pass(target);
        target.Clear(0xFFFFFFFFu);
        {
            gx::StateGuard state(target);
            target.ClipGeometry(clip);
            target.FillRect({0, 0, 32, 32}, red);
        }
        target.FillRect({24, 0, 32, 8}, ramp);
        target.FillText(face, u"gx", red);
    }
    EXPECT_EQ(PixelAt(bitmap, 4, 24), 0xFFFF0000u);
    EXPECT_EQ(PixelAt(bitmap, 20, 24), 0xFFFFFFFFu);  // the clip ended with the state
    EXPECT_NE(PixelAt(bitmap, 28, 4), 0xFFFFFFFFu);   // ... so the gradient reaches x 24..32
}

TEST(CppLayer, ReleasesEveryHandleItMakes) {
    DrawScene();  // first use fills the library's lasting caches (fonts, tables)
    const long before = liveBlocks;
    DrawScene();
    EXPECT_EQ(liveBlocks - before, 0);

    // The count does see a handle that is never given back.
    GXGeometryRec_* leaked = gx::Geometry::Create().release();
    EXPECT_GT(liveBlocks - before, 0);
    GXObjectRelease(GX_HANDLE(leaked));
    EXPECT_EQ(liveBlocks - before, 0);
}

TEST(CppLayer, CopiesShareMovesHandOverShareKeepsTheCallersReference) {
    gx::Region a = gx::Region::CreateFromRect({0, 0, 4, 4});
    gx::Region b = a;
    EXPECT_EQ(a.get(), b.get());
    gx::Region c = std::move(a);
    EXPECT_FALSE(a);
    a = c;
    b.reset();
    c = gx::Region();
    EXPECT_TRUE(a.ContainsRect({0, 0, 4, 4}));  // a's reference kept the region alive

    GXRegionRec_* raw = nullptr;
    ASSERT_EQ(GXCreateRegion(&raw), GXResultSuccess);
    { gx::Region shared = gx::Share<gx::Region>(raw); }
    uint8_t empty = 0;
    EXPECT_EQ(GXRegionIsAreaEmpty(raw, &empty), GXResultSuccess);
    GXObjectRelease(GX_HANDLE(raw));
}

TEST(CppLayer, FailuresThrowTheirResultAndNoResultIsAValue) {
    EXPECT_EQ(ResultOf([] { gx::Bitmap::Create({4, 4, 99, 96.0f, 96.0f}); }), GXResultInvalidArg);
    const uint32_t one[] = {0xFF000000u};
    EXPECT_EQ(ResultOf([&] { gx::Palette::Create(one).Color(1); }), GXResultOutOfRange);
    EXPECT_EQ(ResultOf([] { gx::Geometry().Empty(); }), GXResultInvalidArg);
    EXPECT_EQ(ResultOf([] { gx::FontFace::Create(std::u16string_view(u"a\0b", 3), 0, 12.0f); }),
              GXResultInvalidArg);
    EXPECT_EQ(ResultOf([] { gx::Bitmap::CreateFromFile(u"/no/such/file.png"); }),
              GXResultGraphicsError);
    try {
        gx::Check(GXResultPaintFailed);
    } catch (const gx::Error& error) {
        EXPECT_STREQ(error.what(), "libgx: the paint could not be finished");
    }

    EXPECT_FALSE(gx::Geometry::Create().CurrentPoint());
    EXPECT_FALSE(gx::Bitmap::Create({1, 1, GXPixelFormatARGB32, 96.0f, 96.0f}).GetPalette());
    EXPECT_FALSE(gx::BitmapCache::Get(0x7FFFFFFFu));
}

}  // namespace
