#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "gx.h"

// Drawing through the public interface for the render-target tests: a bitmap, a render
// target over it and solid brushes, released together.

constexpr uint32_t kRed = 0xFFFF0000u;
constexpr uint32_t kWhite = 0xFFFFFFFFu;
constexpr uint32_t kBlack = 0xFF000000u;

class Canvas {
public:
    Canvas(int32_t width, int32_t height, GXPixelFormat format) : width_(width), height_(height) {
        const GXBitmapDesc desc{width, height, format, 96, 96};
        EXPECT_EQ(GXCreateBitmap(&desc, &bitmap_), GXResultSuccess);
        EXPECT_EQ(GXBitmapColorFill(bitmap_, nullptr, 0), GXResultSuccess);
        EXPECT_EQ(GXCreateRenderTargetBitmap(bitmap_, &target_), GXResultSuccess);
        red_ = Solid(kRed);
    }
    ~Canvas() {
        for (GXBrushRec_* brush : brushes_) GXObjectRelease(GX_HANDLE(brush));
        GXObjectRelease(GX_HANDLE(target_));
        GXObjectRelease(GX_HANDLE(bitmap_));
    }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    GXBrushRec_* Solid(uint32_t argb) {
        GXBrushRec_* brush = nullptr;
        EXPECT_EQ(GXCreateBrushSolidARGB(argb, &brush), GXResultSuccess);
        brushes_.push_back(brush);
        return brush;
    }
    // The bitmap's pixels, rows top-down, in its own format (four bytes a pixel).
    std::vector<uint32_t> Pixels() const {
        std::vector<uint32_t> pixels(size_t(width_) * height_);
        const GXBitmapData memory{pixels.data(), width_ * 4, width_ * 4};
        EXPECT_EQ(GXBitmapCopyToMemory(bitmap_, nullptr, &memory), GXResultSuccess);
        return pixels;
    }
    uint32_t At(int32_t x, int32_t y) const { return Pixels()[size_t(y) * width_ + x]; }
    // How many pixels are not 0.
    int32_t Painted() const {
        int32_t count = 0;
        for (uint32_t p : Pixels()) count += p != 0;
        return count;
    }
    void Begin() { ASSERT_EQ(GXRenderTargetBeginPaint(target_), GXResultSuccess); }
    void End() { ASSERT_EQ(GXRenderTargetEndPaint(target_), GXResultSuccess); }
    void FillRect(float l, float t, float r, float b, GXBrushRec_* brush) {
        const GXRect rect{l, t, r, b};
        ASSERT_EQ(GXRenderTargetFillRect(target_, &rect, brush), GXResultSuccess);
    }

    GXBitmapRec_* bitmap() const { return bitmap_; }
    GXRenderTargetRec_* target() const { return target_; }
    GXBrushRec_* red() const { return red_; }

private:
    int32_t width_, height_;
    GXBitmapRec_* bitmap_ = nullptr;
    GXRenderTargetRec_* target_ = nullptr;
    GXBrushRec_* red_ = nullptr;
    std::vector<GXBrushRec_*> brushes_;
};

inline uint32_t Alpha(uint32_t pixel) {
    return pixel >> 24;
}
