#pragma once

#include <cstdint>

namespace Graphics {

// One horizontal run of equal coverage handed to the pipeline's operations.
struct SwSpan {
    int32_t y;         // pixel row, pipeline space
    int32_t x0;        // first pixel
    int32_t x1;        // first pixel after the span; > x0
    uint8_t coverage;  // 0..255 (4 x run value - 1; 255 for whole pixels)
};

// The record every operation of a pipeline reads and writes for the current span. Pointer
// fields address the span's first pixel; buffers hold x1 - x0 valid entries from index 0.
struct SwSpanState {
    uint32_t* targetColor;          // premultiplied 0xAARRGGBB target pixel at (x0, y)
    uint8_t* targetShape;           // group shape byte at (x0, y); groups only, else null
    uint8_t* targetAlpha;           // group alpha byte at (x0, y); groups only, else null
    const uint32_t* backdropColor;  // backdrop pixel at (x0, y); non-isolated groups only
    uint8_t* sourceShape;           // coverage times shape masks, 0..255 per pixel
    uint32_t* sourceColor;          // premultiplied source colour per pixel
    int32_t blendMode;              // 0..15; compositors dispatch on it once per span
    SwSpan span;                    // the span being processed
};

}  // namespace Graphics
