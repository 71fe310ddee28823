#pragma once

#include <cstdint>

namespace Graphics {

// 8-bit premultiplied channel arithmetic on 0xAARRGGBB pixels, two channels per 32-bit
// multiply. Weights run 1..256 so that 256 is exactly "unchanged"; every step truncates.

inline uint32_t SwAlpha(uint32_t c) {
    return c >> 24;
}

// Each channel times w / 256 (w in 1..256; products stay below 2^16 so the halves never
// carry into each other).
inline uint32_t SwScale(uint32_t c, uint32_t w) {
    uint32_t rb = (((c & 0x00FF00FFu) * w) >> 8) & 0x00FF00FFu;
    uint32_t ag = (((c >> 8) & 0x00FF00FFu) * w) & 0xFF00FF00u;
    return rb | ag;
}

// b weighted by 257 - w plus c weighted by w (w in 1..256; 256 gives c). The two floors
// sum to at most 255 per channel, so the addition cannot carry.
inline uint32_t SwMix(uint32_t b, uint32_t c, uint32_t w) {
    return SwScale(b, 257 - w) + SwScale(c, w);
}

// Per-channel sum clamped to 255, in two 16-bit halves so a carry never crosses channels.
inline uint32_t SwAddSaturate(uint32_t a, uint32_t b) {
    uint32_t rb = (a & 0x00FF00FFu) + (b & 0x00FF00FFu);
    uint32_t ag = ((a >> 8) & 0x00FF00FFu) + ((b >> 8) & 0x00FF00FFu);
    rb |= 0x01000100u - ((rb >> 8) & 0x00010001u);  // a field past 255 becomes 0x1FF
    ag |= 0x01000100u - ((ag >> 8) & 0x00010001u);
    return (rb & 0x00FF00FFu) | ((ag & 0x00FF00FFu) << 8);
}

// Straight colour from premultiplied: channel = min(channel, alpha) x 255 / alpha; a pixel
// of alpha 0 is returned unchanged.
inline uint32_t SwUnpremultiply(uint32_t c) {
    uint32_t a = SwAlpha(c);
    if (a == 0) return c;
    auto channel = [a](uint32_t v) { return (v < a ? v : a) * 255 / a; };
    return (a << 24) | (channel((c >> 16) & 0xFF) << 16) | (channel((c >> 8) & 0xFF) << 8) |
           channel(c & 0xFF);
}

}  // namespace Graphics
