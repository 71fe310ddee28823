#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace Platform {

// A bitmap of the host system's own kind, the one that device contexts draw into: rows
// top-down, each padded to a multiple of four bytes, 1, 8, 24 or 32 bits a pixel (1-bit rows
// start at the most significant bit; 24 and 32 bits are blue, green, red[, fourth byte]),
// and for 1 and 8 bits an optional colour table of 0x00RRGGBB entries.
class NativeBitmap {
public:
    // Empty when the arguments describe no bitmap (depth, non-positive or oversized
    // dimensions, a colour table on a deep bitmap or longer than the depth can index) or
    // the memory cannot be had. The pixels start zeroed.
    static std::shared_ptr<NativeBitmap> Create(int32_t width, int32_t height,
                                                int32_t bitsPerPixel,
                                                const uint32_t* colorTable, uint32_t colorCount);

    int32_t Width() const { return width_; }
    int32_t Height() const { return height_; }
    int32_t BitsPerPixel() const { return bitsPerPixel_; }
    int32_t Stride() const { return stride_; }
    uint8_t* Row(int32_t y) const { return pixels_.get() + int64_t(stride_) * y; }
    const std::vector<uint32_t>& ColorTable() const { return colorTable_; }
    // Replaces the colour table of a 1- or 8-bit bitmap with the first entries of `colors`
    // it can index (0x00RRGGBB); deep bitmaps keep none.
    void SetColorTable(const uint32_t* colors, uint32_t count);

    // Bytes of one row of `width` pixels, padded to four bytes; -1 beyond 2 GiB.
    static int64_t GetStride(int64_t width, int32_t bitsPerPixel);

private:
    NativeBitmap() = default;

    int32_t width_ = 0;                   // pixels, > 0
    int32_t height_ = 0;                  // rows, > 0
    int32_t bitsPerPixel_ = 0;            // 1, 8, 24 or 32
    int32_t stride_ = 0;                  // bytes from one row to the next, a multiple of 4
    std::unique_ptr<uint8_t[]> pixels_;   // stride_ * height_ bytes
    std::vector<uint32_t> colorTable_;    // 0x00RRGGBB; empty for deep bitmaps or none given
};

}  // namespace Platform
