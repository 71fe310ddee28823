#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "gx.h"

namespace Host {

// What a codec call came to.
enum class CodecResult {
    Ok,
    Unreadable,   // not the codec's format, corrupt, or cut short before the image ends
    OutOfMemory,  // the decode would pass the memory budget, or an allocation failed
    NoSuchFrame,  // the frame index is not below the file's frame count
    Unsupported,  // the frame cannot be written in this format (pixel format, size, dpi)
    Failed,       // the encoder failed
    LayoutRead,   // ImageFrame::Mode::Layout stopped the decoder once the layout was known
};

// The pixels of one image: a decoded frame, or a bitmap handed to an encoder. Rows are
// top-down, in one of the library's formats: GXPixelFormatIndexed1, Indexed8, RGB24,
// RGB32, ARGB32 or PARGB32. Decoders call Allocate once they know the layout, and it
// decides where the rows go: into a store of the frame's own, into rows the caller lent
// (so that a decoder writes straight into the caller's bitmap), or nowhere when only the
// layout was asked for.
struct ImageFrame {
    // What Allocate does with the layout a decoder found.
    enum class Mode {
        Own,     // allocates `pixels` and decodes into them
        Lent,    // decodes into `lentRows`; the layout must equal the one already recorded
        Layout,  // records the layout and stops the decoder with LayoutRead
    };

    uint32_t width = 0;                 // pixels
    uint32_t height = 0;                // rows
    GXPixelFormat format = 0;           // one of the formats above
    int32_t stride = 0;                 // bytes from one row to the next, >= the row's bytes
    uint8_t* scan0 = nullptr;           // first row: in `pixels` or lent; null before Allocate
    std::unique_ptr<uint8_t[]> pixels;  // the own store, stride * height bytes, or null
    std::vector<uint32_t> palette;      // indexed formats only, 0xAARRGGBB straight alpha
    float dpiX = 96.0f;                 // dots per inch, 96 when unknown
    float dpiY = 96.0f;                 // dots per inch, 96 when unknown
    Mode mode = Mode::Own;              // what Allocate does
    uint8_t* lentRows = nullptr;        // Mode::Lent: the caller's first row
    int32_t lentStride = 0;             // Mode::Lent: the caller's row distance, > 0

    // The most memory one decode may use: the pixel store and the decoder's own buffers
    // together. A declared size past it is refused before anything is allocated, so a
    // hostile header costs nothing.
    static constexpr uint64_t kMaxDecodeBytes = uint64_t(1) << 30;

    // Sets the size and format and provides the (uninitialised) rows as `mode` says.
    // `workingBytes` is what the decoder itself will still allocate for this frame: it
    // counts against kMaxDecodeBytes with the pixels. OutOfMemory when the size is 0,
    // the total would pass the budget or the allocation fails; LayoutRead in Mode::Layout;
    // Failed when lent rows do not fit the layout.
    CodecResult Allocate(uint32_t width, uint32_t height, GXPixelFormat format,
                         uint64_t workingBytes = 0);
    // What is left of the budget for the decoder's own buffers once the pixel store of
    // the allocated layout is counted.
    uint64_t WorkingBudget() const {
        uint64_t store = uint64_t(stride) * height;
        return store < kMaxDecodeBytes ? kMaxDecodeBytes - store : 0;
    }
    // Bits of one pixel of `format`.
    static uint32_t BitsPerPixel(GXPixelFormat format);
    // Bytes of one row's pixels.
    static uint64_t RowBytes(uint32_t width, GXPixelFormat format) {
        return (uint64_t(width) * BitsPerPixel(format) + 7) / 8;
    }
    // The 4-byte aligned distance between rows of a frame's own store.
    static uint64_t AlignedStride(uint32_t width, GXPixelFormat format) {
        return (RowBytes(width, format) + 3) / 4 * 4;
    }
    uint8_t* Row(uint32_t row) const { return scan0 + size_t(stride) * row; }
};

// The simplest resolution in dots per inch that a file's dots per `unitsPerInch`-unit
// value stands for: files store resolutions per metre or per centimetre, rounded, so a
// written 300 dpi comes back as 11811 per metre; this returns 300 again rather than
// 299.9994. Non-positive or absurd values give 96.
float DpiFromDensity(double density, double unitsPerInch);

// The greyscale palette of a `bits`-deep image: entry i is grey i * 255 / (2^bits - 1).
std::vector<uint32_t> GreyPalette(int bits);

}  // namespace Host
