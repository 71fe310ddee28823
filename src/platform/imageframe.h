#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/hostgdiplus.h"

namespace Host {

// The pixels of one image as the host's GDI+ holds them: a decoded frame, or a bitmap made
// for saving. Rows are top-down.
struct ImageFrame {
    uint32_t width = 0;                  // pixels
    uint32_t height = 0;                 // rows
    Gdiplus::PixelFormat format = 0;     // one of the formats below
    int32_t stride = 0;                  // bytes per row, a multiple of 4
    std::unique_ptr<uint8_t[]> pixels;   // stride * height bytes
    std::vector<Gdiplus::ARGB> palette;  // indexed formats only
    float dpiX = 96.0f;                  // dots per inch, 96 when unknown
    float dpiY = 96.0f;                  // dots per inch, 96 when unknown

    // The largest pixel store an image file may ask for: a declared size past it is
    // refused before anything is allocated, so a hostile header costs nothing.
    static constexpr uint64_t kMaxPixelBytes = uint64_t(1) << 30;

    // Sets the size and format and allocates the (uninitialised) rows. OutOfMemory when
    // the size is 0, the store would pass kMaxPixelBytes or the allocation fails.
    Gdiplus::Status Allocate(uint32_t width, uint32_t height, Gdiplus::PixelFormat format);
    uint8_t* Row(uint32_t row) const { return pixels.get() + size_t(stride) * row; }
};

// The simplest resolution in dots per inch that a file's dots per `unitsPerInch`-unit
// value stands for: files store resolutions per metre or per centimetre, rounded, so a
// written 300 dpi comes back as 11811 per metre; this returns 300 again rather than
// 299.9994. Non-positive or absurd values give 96.
float DpiFromDensity(double density, double unitsPerInch);

// The greyscale palette of a `bits`-deep image: entry i is grey i * 255 / (2^bits - 1).
std::vector<Gdiplus::ARGB> GreyPalette(int bits);

}  // namespace Host
