#pragma once

#include <cstdint>

namespace Graphics {

// A colour inside the library: straight (not premultiplied) alpha, channels nominally 0..1.
struct ColorF {
    float red;    // 0..1
    float green;  // 0..1
    float blue;   // 0..1
    float alpha;  // 0..1, straight

    // Each byte of the ARGB value 0xAARRGGBB divided by 255.
    static ColorF FromARGB(uint32_t argb);
    // Each channel times 255, truncated toward zero. Channels outside 0..1 are clamped and
    // NaN reads as 0, so no input can make the float-to-integer conversion undefined.
    uint32_t ToARGB() const;
};

}  // namespace Graphics
