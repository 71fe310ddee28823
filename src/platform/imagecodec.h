#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/hostgdiplus.h"
#include "platform/imageframe.h"

namespace Host {

// One file format of the host's GDI+: how to recognise, count, decode and encode it.
// Decoders read from memory (a file is read whole first), so files and streams share one
// path; encoders write into memory, and the caller writes the file.
struct ImageCodec {
    const char* mimeType;                 // "image/png", ...
    const char* description;              // "PNG", ...
    const char* extensions;               // "*.PNG", ...
    Gdiplus::CLSID clsid;                 // the encoder's identifier
    Gdiplus::GUID formatId;               // the format's identifier
    const Gdiplus::GUID* frameDimension;  // FrameDimensionPage or FrameDimensionTime

    // True when the bytes start like this format.
    bool (*matches)(const uint8_t* data, size_t size);
    // The number of frames (at least 1 for a file that can be decoded at all).
    Gdiplus::Status (*countFrames)(const uint8_t* data, size_t size, uint32_t* count);
    // Decodes frame `index` into `frame`, in the nearest format the library takes.
    Gdiplus::Status (*decode)(const uint8_t* data, size_t size, uint32_t index, ImageFrame& frame);
    // Encodes a 24bppRGB, 32bppRGB, 32bppARGB or 32bppPARGB frame.
    Gdiplus::Status (*encode)(const ImageFrame& frame, std::vector<uint8_t>& out);
};

extern const ImageCodec BmpCodec;
extern const ImageCodec JpegCodec;
extern const ImageCodec GifCodec;
extern const ImageCodec TiffCodec;
extern const ImageCodec PngCodec;

// The codecs in the order GDI+ lists its encoders.
inline const ImageCodec* const kImageCodecs[] = {&BmpCodec, &JpegCodec, &GifCodec, &TiffCodec,
                                                 &PngCodec};

// One straight-alpha BGRA pixel from a premultiplied one (the library's arithmetic:
// min(c, a) * 255 / a, alpha 0 kept as is).
inline void UnpremultiplyPixel(const uint8_t* src, uint8_t* dst) {
    uint32_t a = src[3];
    for (int c = 0; c < 3; ++c) {
        uint32_t v = src[c] < a ? src[c] : a;
        dst[c] = a == 0 ? src[c] : uint8_t(v * 255 / a);
    }
    dst[3] = uint8_t(a);
}

}  // namespace Host
