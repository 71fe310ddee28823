#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/hostgdiplus.h"

namespace Host {

// The pixels of one image as the host's GDI+ holds them: a decoded frame, or a bitmap made
// for saving. Rows are top-down. Decoders call Allocate once they know the layout, and it
// decides where the rows go: into a store of the frame's own, into rows the caller lent
// (so that a decoder writes straight into the caller's bitmap), or nowhere when only the
// layout was asked for.
struct ImageFrame {
    // What Allocate does with the layout a decoder found.
    enum class Mode {
        Own,     // allocates `pixels` and decodes into them
        Lent,    // decodes into `lentRows`; the layout must equal the one already recorded
        Layout,  // records the layout and stops the decoder with Aborted
    };

    uint32_t width = 0;                  // pixels
    uint32_t height = 0;                 // rows
    Gdiplus::PixelFormat format = 0;     // one of the formats below
    int32_t stride = 0;                  // bytes from one row to the next, >= the row's bytes
    uint8_t* scan0 = nullptr;            // first row: in `pixels` or lent; null before Allocate
    std::unique_ptr<uint8_t[]> pixels;   // the own store, stride * height bytes, or null
    std::vector<Gdiplus::ARGB> palette;  // indexed formats only
    float dpiX = 96.0f;                  // dots per inch, 96 when unknown
    float dpiY = 96.0f;                  // dots per inch, 96 when unknown
    Mode mode = Mode::Own;               // what Allocate does
    uint8_t* lentRows = nullptr;         // Mode::Lent: the caller's first row
    int32_t lentStride = 0;              // Mode::Lent: the caller's row distance, > 0

    // The largest pixel store an image file may ask for: a declared size past it is
    // refused before anything is allocated, so a hostile header costs nothing.
    static constexpr uint64_t kMaxPixelBytes = uint64_t(1) << 30;

    // Sets the size and format and provides the (uninitialised) rows as `mode` says.
    // OutOfMemory when the size is 0, the store would pass kMaxPixelBytes or the allocation
    // fails; Aborted in Mode::Layout; GenericError when lent rows do not fit the layout.
    Gdiplus::Status Allocate(uint32_t width, uint32_t height, Gdiplus::PixelFormat format);
    // Bytes of one row's pixels.
    static uint64_t RowBytes(uint32_t width, Gdiplus::PixelFormat format) {
        return (uint64_t(width) * Gdiplus::GetPixelFormatSize(format) + 7) / 8;
    }
    uint8_t* Row(uint32_t row) const { return scan0 + size_t(stride) * row; }
};

// The simplest resolution in dots per inch that a file's dots per `unitsPerInch`-unit
// value stands for: files store resolutions per metre or per centimetre, rounded, so a
// written 300 dpi comes back as 11811 per metre; this returns 300 again rather than
// 299.9994. Non-positive or absurd values give 96.
float DpiFromDensity(double density, double unitsPerInch);

// The greyscale palette of a `bits`-deep image: entry i is grey i * 255 / (2^bits - 1).
std::vector<Gdiplus::ARGB> GreyPalette(int bits);

}  // namespace Host
