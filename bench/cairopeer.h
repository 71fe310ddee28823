#pragma once

// What every benchmark that draws the same scene with Cairo needs of it: libgx's 0xAARRGGBB
// colours as Cairo sources, and a finished surface's pixels for comparing pictures.

#include <cairo.h>

#include <cstdint>
#include <cstring>
#include <vector>

inline void SetCairoColor(cairo_t* cr, uint32_t argb) {
    cairo_set_source_rgba(cr, ((argb >> 16) & 0xFF) / 255.0, ((argb >> 8) & 0xFF) / 255.0,
                          (argb & 0xFF) / 255.0, (argb >> 24) / 255.0);
}

// The pixels of a size x size image surface, rows packed.
inline std::vector<uint32_t> CairoPixels(cairo_surface_t* surface, int size) {
    cairo_surface_flush(surface);
    const unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    std::vector<uint32_t> pixels(size_t(size) * size_t(size));
    for (int y = 0; y < size; ++y)
        std::memcpy(&pixels[size_t(y) * size_t(size)], data + size_t(y) * size_t(stride),
                    size_t(size) * 4);
    return pixels;
}
