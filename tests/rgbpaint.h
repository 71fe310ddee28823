#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "gx.h"

// What `draw(target)` paints on a fresh RGB32 bitmap of the given size, as 0x00RRGGBB pixels,
// rows top-down: the reference that window and screen tests compare what they read back with.
template <class Draw>
std::vector<uint32_t> PaintOnRgbBitmap(int32_t width, int32_t height, Draw&& draw) {
    const GXBitmapDesc desc{width, height, GXPixelFormatRGB32, 96, 96};
    GXBitmapRec_* bitmap = nullptr;
    GXRenderTargetRec_* target = nullptr;
    EXPECT_EQ(GXCreateBitmap(&desc, &bitmap), GXResultSuccess);
    EXPECT_EQ(GXCreateRenderTargetBitmap(bitmap, &target), GXResultSuccess);
    EXPECT_EQ(GXRenderTargetBeginPaint(target), GXResultSuccess);
    draw(target);
    EXPECT_EQ(GXRenderTargetEndPaint(target), GXResultSuccess);
    std::vector<uint32_t> pixels(size_t(width) * height);
    const GXBitmapData memory{pixels.data(), width * 4, width * 4};
    EXPECT_EQ(GXBitmapCopyToMemory(bitmap, nullptr, &memory), GXResultSuccess);
    for (uint32_t& pixel : pixels) pixel &= 0xFFFFFFu;
    GXObjectRelease(GX_HANDLE(target));
    GXObjectRelease(GX_HANDLE(bitmap));
    return pixels;
}
