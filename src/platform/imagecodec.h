#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "platform/imageframe.h"

namespace Host {

// One image file format: how to recognise, count, decode and encode it. Decoders read
// from memory (a file is read whole first, an in-memory file is read where it lies), so
// files and memory share one path; encoders write into memory, and the caller writes the
// file. Every function reports through its result and never throws.
struct ImageCodec {
    const char* mimeType;  // "image/png", ...

    // True when the bytes start like this format.
    bool (*matches)(const uint8_t* data, size_t size);
    // The number of frames (at least 1 for a file that can be decoded at all).
    CodecResult (*countFrames)(const uint8_t* data, size_t size, uint32_t* count);
    // Decodes frame `index` into `frame`, in the nearest format the library takes.
    CodecResult (*decode)(const uint8_t* data, size_t size, uint32_t index, ImageFrame& frame);
    // Encodes an RGB24, RGB32, ARGB32 or PARGB32 frame.
    CodecResult (*encode)(const ImageFrame& frame, std::vector<uint8_t>& out);
};

extern const ImageCodec BmpCodec;
extern const ImageCodec JpegCodec;
extern const ImageCodec GifCodec;
extern const ImageCodec TiffCodec;
extern const ImageCodec PngCodec;

// Every codec, in the order encoders are looked up.
inline const ImageCodec* const kImageCodecs[] = {&BmpCodec, &JpegCodec, &GifCodec, &TiffCodec,
                                                 &PngCodec};

// The codec whose signature the bytes carry; null when none does.
inline const ImageCodec* FindDecoder(const uint8_t* data, size_t size) {
    for (const ImageCodec* codec : kImageCodecs)
        if (codec->matches(data, size)) return codec;
    return nullptr;
}

// The codec that writes the MIME type `mime` (an exact, case-sensitive match of the
// UTF-16 text); null when none does.
inline const ImageCodec* FindEncoder(std::u16string_view mime) {
    for (const ImageCodec* codec : kImageCodecs) {
        std::string_view own(codec->mimeType);
        if (own.size() == mime.size() && std::equal(own.begin(), own.end(), mime.begin()))
            return codec;
    }
    return nullptr;
}

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
