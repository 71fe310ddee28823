// Native bitmaps, memory and Cairo device contexts and the render targets over them, through
// gx.h and gxhost.h: nothing here needs a display.
#include <cairo.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "gx.h"
#include "gxhost.h"

namespace {

// A native bitmap released at the end of a scope.
struct NativeBitmap {
    GXHostBitmap* handle = nullptr;
    NativeBitmap(int32_t width, int32_t height, int32_t bits, std::vector<uint32_t> table = {}) {
        EXPECT_EQ(GXHostCreateBitmap(width, height, bits, table.data(), uint32_t(table.size()),
                                     &handle),
                  GXResultSuccess);
    }
    ~NativeBitmap() { GXHostDeleteBitmap(handle); }
    GXBitmapData Bits() const {
        GXBitmapData bits{};
        EXPECT_EQ(GXHostBitmapGetBits(handle, &bits), GXResultSuccess);
        return bits;
    }
    uint32_t Pixel32(int32_t x, int32_t y) const {
        const GXBitmapData bits = Bits();
        uint32_t value;
        std::memcpy(&value, static_cast<uint8_t*>(bits.data) + y * bits.stride + x * 4, 4);
        return value & 0xFFFFFFu;
    }
};

// A memory context with `bitmap` selected.
struct MemoryDC {
    GXHostDC* handle = nullptr;
    explicit MemoryDC(GXHostBitmap* bitmap) {
        EXPECT_EQ(GXHostCreateMemoryDC(&handle), GXResultSuccess);
        EXPECT_EQ(GXHostSelectBitmap(handle, bitmap), GXResultSuccess);
    }
    ~MemoryDC() { GXHostDeleteDC(handle); }
};

// Fills a target with one colour through a rectangle, between BeginPaint and EndPaint.
GXResult PaintRect(GXRenderTargetRec_* target, const GXRect& rect, uint32_t argb) {
    GXBrushRec_* brush = nullptr;
    EXPECT_EQ(GXCreateBrushSolidARGB(argb, &brush), GXResultSuccess);
    EXPECT_EQ(GXRenderTargetBeginPaint(target), GXResultSuccess);
    EXPECT_EQ(GXRenderTargetFillRect(target, &rect, brush), GXResultSuccess);
    GXObjectRelease(GX_HANDLE(brush));
    return GXRenderTargetEndPaint(target);
}

}  // namespace

// Every format goes out as a native bitmap and comes back with the same pixel bytes, in the
// format the native depth and colour table give.
TEST(HostBitmap, SaveToAndCreateFromHBITMAPRoundTrip) {
    struct Case {
        GXPixelFormat format;
        int32_t bits;
        uint32_t colors;
        GXPixelFormat back;
    };
    const Case cases[] = {{GXPixelFormatRGB24, 24, 0, GXPixelFormatRGB24},
                          {GXPixelFormatPARGB32, 32, 0, GXPixelFormatRGB32},
                          {GXPixelFormatARGB32, 32, 0, GXPixelFormatRGB32},
                          {GXPixelFormatRGB32, 32, 0, GXPixelFormatRGB32},
                          {GXPixelFormatA8, 8, 0, GXPixelFormatGray8},
                          {GXPixelFormatGray8, 8, 256, GXPixelFormatIndexed8},
                          {GXPixelFormatIndexed8, 8, 3, GXPixelFormatIndexed8},
                          {GXPixelFormatA1, 1, 2, GXPixelFormatIndexed1},
                          {GXPixelFormatGray1, 1, 2, GXPixelFormatIndexed1}};
    std::mt19937 random(7);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.format);
        const int32_t width = 1 + int32_t(random() % 37), height = 1 + int32_t(random() % 9);
        const GXBitmapDesc desc{width, height, c.format, 150, 150};
        GXBitmapRec_* bitmap = nullptr;
        ASSERT_EQ(GXCreateBitmap(&desc, &bitmap), GXResultSuccess);
        const int32_t rowBytes = (width * c.bits + 7) / 8;
        std::vector<uint8_t> pixels(size_t(rowBytes) * height);
        for (uint8_t& byte : pixels) byte = uint8_t(random());
        // Bits past the last 1-bit pixel of a row are not pixels.
        if (c.bits == 1 && width % 8)
            for (int32_t y = 0; y < height; ++y) pixels[size_t(y) * rowBytes + rowBytes - 1] &= uint8_t(0xFF00 >> (width % 8));
        const GXBitmapData memory{pixels.data(), rowBytes, rowBytes};
        ASSERT_EQ(GXBitmapCopyFromMemory(bitmap, nullptr, &memory), GXResultSuccess);
        if (c.format == GXPixelFormatIndexed8) {
            const uint32_t colors[3] = {0xFF102030u, 0x80405060u, 0xFFFFFFFFu};
            GXPaletteRec_* palette = nullptr;
            ASSERT_EQ(GXCreatePalette(colors, 3, &palette), GXResultSuccess);
            ASSERT_EQ(GXBitmapSetPalette(bitmap, palette), GXResultSuccess);
            GXObjectRelease(GX_HANDLE(palette));
        }

        GXHostBitmap* native = nullptr;
        ASSERT_EQ(GXBitmapSaveToHBITMAP(bitmap, &native), GXResultSuccess);
        GXHostBitmapInfo info{};
        ASSERT_EQ(GXHostBitmapGetInfo(native, &info), GXResultSuccess);
        EXPECT_EQ(info.width, width);
        EXPECT_EQ(info.height, height);
        EXPECT_EQ(info.bitsPerPixel, c.bits);
        EXPECT_EQ(info.stride % 4, 0);
        ASSERT_EQ(info.colorCount, c.colors);
        std::vector<uint32_t> table(info.colorCount);
        if (!table.empty()) {
            ASSERT_EQ(GXHostBitmapGetColorTable(native, table.data()), GXResultSuccess);
        }
        if (c.format == GXPixelFormatGray8) {
            EXPECT_EQ(table[0x7F], 0x7F7F7Fu);
        } else if (c.format == GXPixelFormatIndexed8) {
            EXPECT_EQ(table[1], 0x405060u);
        } else if (c.bits == 1) {
            EXPECT_EQ(table, (std::vector<uint32_t>{0, 0xFFFFFF}));
        }

        GXBitmapRec_* wrapped = nullptr;
        ASSERT_EQ(GXCreateBitmapFromHBITMAP(native, &wrapped), GXResultSuccess);
        // The wrapper shares the native pixels, which outlive the deleted handle.
        EXPECT_EQ(GXHostDeleteBitmap(native), GXResultSuccess);
        GXPixelFormat format = 0;
        ASSERT_EQ(GXBitmapGetPixelFormat(wrapped, &format), GXResultSuccess);
        EXPECT_EQ(format, c.back);
        float dpi = 0;
        ASSERT_EQ(GXBitmapGetDpiX(wrapped, &dpi), GXResultSuccess);
        EXPECT_EQ(dpi, 96);
        std::vector<uint8_t> back(pixels.size());
        const GXBitmapData out{back.data(), rowBytes, rowBytes};
        ASSERT_EQ(GXBitmapCopyToMemory(wrapped, nullptr, &out), GXResultSuccess);
        EXPECT_EQ(back, pixels);
        GXObjectRelease(GX_HANDLE(wrapped));
        GXObjectRelease(GX_HANDLE(bitmap));
    }
}

// Painting a bitmap made from a native one writes the native pixels in place.
TEST(HostBitmap, RenderTargetOverWrappedBitmapPaintsNativePixels) {
    NativeBitmap native(16, 8, 32);
    GXBitmapRec_* bitmap = nullptr;
    ASSERT_EQ(GXCreateBitmapFromHBITMAP(native.handle, &bitmap), GXResultSuccess);
    GXRenderTargetRec_* target = nullptr;
    ASSERT_EQ(GXCreateRenderTargetBitmap(bitmap, &target), GXResultSuccess);
    EXPECT_EQ(PaintRect(target, {4, 2, 8, 6}, 0xFF336699u), GXResultSuccess);
    EXPECT_EQ(native.Pixel32(5, 3), 0x336699u);
    EXPECT_EQ(native.Pixel32(3, 3), 0u);
    GXObjectRelease(GX_HANDLE(target));
    GXObjectRelease(GX_HANDLE(bitmap));
}

// A render target over a memory context starts from its pixels under the rectangle, paints
// only the rectangle, and covers the whole selected bitmap when no rectangle is given.
TEST(HostBitmap, DeviceTargetOverMemoryContextCopiesInAndPresents) {
    NativeBitmap native(40, 30, 32);
    const GXBitmapData bits = native.Bits();
    for (int32_t y = 0; y < 30; ++y)
        for (int32_t x = 0; x < 40; ++x) {
            const uint32_t value = uint32_t(x * 5) << 16 | uint32_t(y * 7);
            std::memcpy(static_cast<uint8_t*>(bits.data) + y * bits.stride + x * 4, &value, 4);
        }
    MemoryDC dc(native.handle);
    int32_t caps[4];
    for (int32_t cap = 0; cap < 4; ++cap) ASSERT_EQ(GXHostGetDeviceCaps(dc.handle, cap, &caps[cap]), GXResultSuccess);
    EXPECT_EQ(caps[GXHostCapHorzRes], 40);
    EXPECT_EQ(caps[GXHostCapVertRes], 30);
    EXPECT_EQ(caps[GXHostCapLogPixelsX], 96);

    const GXIntRect rect{10, 5, 30, 25};
    GXRenderTargetRec_* target = nullptr;
    ASSERT_EQ(GXCreateRenderTargetHDC(dc.handle, &rect, &target), GXResultSuccess);
    GXIntSize size{};
    ASSERT_EQ(GXRenderTargetGetSize(target, &size), GXResultSuccess);
    EXPECT_EQ(size.width, 20);
    EXPECT_EQ(size.height, 20);
    // Half of the target painted: the other half must come back as it was (the copy-in).
    EXPECT_EQ(PaintRect(target, {0, 0, 10, 20}, 0xFFFF0000u), GXResultSuccess);
    EXPECT_EQ(native.Pixel32(10, 5), 0xFF0000u);
    EXPECT_EQ(native.Pixel32(19, 24), 0xFF0000u);
    EXPECT_EQ(native.Pixel32(20, 5), uint32_t(20 * 5) << 16 | 5 * 7);
    EXPECT_EQ(native.Pixel32(29, 24), uint32_t(29 * 5) << 16 | 24 * 7);
    EXPECT_EQ(native.Pixel32(9, 5), uint32_t(9 * 5) << 16 | 5 * 7);
    EXPECT_EQ(native.Pixel32(10, 25), uint32_t(10 * 5) << 16 | 25 * 7);
    GXObjectRelease(GX_HANDLE(target));

    ASSERT_EQ(GXCreateRenderTargetHDC(dc.handle, nullptr, &target), GXResultSuccess);
    ASSERT_EQ(GXRenderTargetGetSize(target, &size), GXResultSuccess);
    EXPECT_EQ(size.width, 40);
    EXPECT_EQ(size.height, 30);
    GXPixelFormat format = 0;
    ASSERT_EQ(GXRenderTargetGetPixelFormat(target, &format), GXResultSuccess);
    EXPECT_EQ(format, GXPixelFormatRGB32);
    GXObjectRelease(GX_HANDLE(target));

    // An empty rectangle makes an empty target that presents nothing.
    const GXIntRect empty{5, 5, 5, 9};
    ASSERT_EQ(GXCreateRenderTargetHDC(dc.handle, &empty, &target), GXResultSuccess);
    EXPECT_EQ(PaintRect(target, {0, 0, 10, 10}, 0xFF00FF00u), GXResultSuccess);
    EXPECT_EQ(native.Pixel32(5, 5), uint32_t(5 * 5) << 16 | 5 * 7);
    GXObjectRelease(GX_HANDLE(target));
}

// Blits between memory contexts: indexed sources through their colour table, stretching by
// nearest pixel, black from outside the source.
TEST(HostBitmap, BlitsBetweenMemoryContexts) {
    NativeBitmap indexed(4, 2, 8, {0x112233, 0x445566});
    static_cast<uint8_t*>(indexed.Bits().data)[1] = 1;
    NativeBitmap deep(8, 4, 32);
    MemoryDC from(indexed.handle), to(deep.handle);
    ASSERT_EQ(GXHostStretchBlt(to.handle, 0, 0, 8, 4, from.handle, 0, 0, 4, 2), GXResultSuccess);
    EXPECT_EQ(deep.Pixel32(0, 0), 0x112233u);
    EXPECT_EQ(deep.Pixel32(2, 1), 0x445566u);
    EXPECT_EQ(deep.Pixel32(3, 1), 0x445566u);
    EXPECT_EQ(deep.Pixel32(4, 0), 0x112233u);
    ASSERT_EQ(GXHostBitBlt(to.handle, 6, 2, 2, 2, from.handle, 3, 1), GXResultSuccess);
    EXPECT_EQ(deep.Pixel32(6, 2), 0x112233u);
    EXPECT_EQ(deep.Pixel32(7, 2), 0u);
    // 1- and 8-bit bitmaps are only read.
    EXPECT_EQ(GXHostBitBlt(from.handle, 0, 0, 2, 2, to.handle, 0, 0), GXResultGraphicsError);
}

// A Cairo context's user space is the device: the target lands under its translation.
TEST(HostBitmap, DeviceTargetOverCairoContext) {
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 64, 48);
    cairo_t* cairo = cairo_create(surface);
    cairo_set_source_rgb(cairo, 0, 0, 1);
    cairo_paint(cairo);
    cairo_translate(cairo, 8, 4);
    GXHostDC* dc = nullptr;
    ASSERT_EQ(GXHostCreateCairoDC(cairo, &dc), GXResultSuccess);
    cairo_destroy(cairo);  // the context keeps its own reference
    GXRenderTargetRec_* target = nullptr;
    ASSERT_EQ(GXCreateRenderTargetHDC(dc, nullptr, &target), GXResultSuccess);
    GXIntSize size{};
    ASSERT_EQ(GXRenderTargetGetSize(target, &size), GXResultSuccess);
    EXPECT_EQ(size.width, 56);
    EXPECT_EQ(size.height, 44);
    EXPECT_EQ(PaintRect(target, {0, 0, 4, 4}, 0xFFFF0000u), GXResultSuccess);
    cairo_surface_flush(surface);
    const auto pixel = [&](int32_t x, int32_t y) {
        const uint8_t* row = cairo_image_surface_get_data(surface) + y * cairo_image_surface_get_stride(surface);
        uint32_t value;
        std::memcpy(&value, row + x * 4, 4);
        return value;
    };
    EXPECT_EQ(pixel(8, 4), 0xFFFF0000u);
    EXPECT_EQ(pixel(11, 7), 0xFFFF0000u);
    EXPECT_EQ(pixel(12, 4), 0xFF0000FFu);  // copied in and presented back unchanged
    EXPECT_EQ(pixel(7, 4), 0xFF0000FFu);   // outside the device
    GXObjectRelease(GX_HANDLE(target));
    GXHostDeleteDC(dc);
    cairo_surface_destroy(surface);
}

// Null, deleted and wrong-kind handles and lying arguments get result codes, never a crash.
TEST(HostBitmap, BadHandlesAndArguments) {
    GXHostBitmap* bitmap = nullptr;
    GXHostDC* dc = nullptr;
    GXRenderTargetRec_* target = nullptr;
    GXBitmapRec_* wrapped = nullptr;
    const uint32_t table[3] = {0, 1, 2};
    EXPECT_EQ(GXHostCreateBitmap(4, 4, 16, nullptr, 0, &bitmap), GXResultInvalidArg);
    EXPECT_EQ(GXHostCreateBitmap(0, 4, 32, nullptr, 0, &bitmap), GXResultInvalidArg);
    EXPECT_EQ(GXHostCreateBitmap(1 << 30, 1 << 30, 32, nullptr, 0, &bitmap), GXResultInvalidArg);
    EXPECT_EQ(GXHostCreateBitmap(4, 4, 1, table, 3, &bitmap), GXResultInvalidArg);
    EXPECT_EQ(GXHostCreateBitmap(4, 4, 32, table, 2, &bitmap), GXResultInvalidArg);
    EXPECT_EQ(GXHostCreateBitmap(4, 4, 8, nullptr, 2, &bitmap), GXResultInvalidArg);
    EXPECT_EQ(bitmap, nullptr);

    ASSERT_EQ(GXHostCreateBitmap(4, 4, 32, nullptr, 0, &bitmap), GXResultSuccess);
    ASSERT_EQ(GXHostCreateMemoryDC(&dc), GXResultSuccess);
    // A DC where a bitmap belongs and the other way round: not found as that kind.
    EXPECT_EQ(GXCreateBitmapFromHBITMAP(reinterpret_cast<GXHostBitmap*>(dc), &wrapped), GXResultGraphicsError);
    EXPECT_EQ(GXCreateRenderTargetHDC(reinterpret_cast<GXHostDC*>(bitmap), nullptr, &target), GXResultGraphicsError);
    EXPECT_EQ(GXCreateRenderTargetHWND(reinterpret_cast<GXHostWindow*>(dc), 1, &target), GXResultGraphicsError);
    EXPECT_EQ(GXHostSelectBitmap(reinterpret_cast<GXHostDC*>(bitmap), nullptr), GXResultInvalidArg);
    EXPECT_EQ(GXHostDeleteWindow(reinterpret_cast<GXHostWindow*>(dc)), GXResultInvalidArg);
    const GXIntRect inverted{10, 0, 0, 10};
    EXPECT_EQ(GXCreateRenderTargetHDC(dc, &inverted, &target), GXResultInvalidArg);
    const GXIntRect huge{INT32_MIN, 0, INT32_MAX, 10};
    EXPECT_EQ(GXCreateRenderTargetHDC(dc, &huge, &target), GXResultInvalidArg);
    EXPECT_EQ(GXCreateRenderTargetHDC(nullptr, nullptr, &target), GXResultInvalidArg);
    EXPECT_EQ(GXCreateRenderTargetHWND(nullptr, 0, &target), GXResultInvalidArg);
    int32_t cap = 0;
    EXPECT_EQ(GXHostGetDeviceCaps(dc, 4, &cap), GXResultInvalidArg);
    EXPECT_EQ(target, nullptr);

    // Deleted handles: the second delete and every later use are refused.
    EXPECT_EQ(GXHostDeleteBitmap(bitmap), GXResultSuccess);
    EXPECT_EQ(GXHostDeleteBitmap(bitmap), GXResultInvalidArg);
    EXPECT_EQ(GXHostSelectBitmap(dc, bitmap), GXResultInvalidArg);
    EXPECT_EQ(GXCreateBitmapFromHBITMAP(bitmap, &wrapped), GXResultGraphicsError);
    EXPECT_EQ(GXHostDeleteDC(dc), GXResultSuccess);
    EXPECT_EQ(GXCreateRenderTargetHDC(dc, nullptr, &target), GXResultGraphicsError);
    EXPECT_EQ(GXHostBitBlt(dc, 0, 0, 1, 1, dc, 0, 0), GXResultInvalidArg);
    EXPECT_EQ(wrapped, nullptr);

    // An empty bitmap has no native form.
    const GXBitmapDesc desc{0, 5, GXPixelFormatRGB32, 96, 96};
    GXBitmapRec_* emptyBitmap = nullptr;
    ASSERT_EQ(GXCreateBitmap(&desc, &emptyBitmap), GXResultSuccess);
    EXPECT_EQ(GXBitmapSaveToHBITMAP(emptyBitmap, &bitmap), GXResultGraphicsError);
    GXObjectRelease(GX_HANDLE(emptyBitmap));
}
