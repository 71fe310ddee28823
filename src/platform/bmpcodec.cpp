// Windows bitmap files, read and written here: uncompressed 1-, 4-, 8-, 16-, 24- and 32-bit
// images with BITMAPCOREHEADER up to BITMAPV5HEADER, bit fields included. Run-length and
// embedded JPEG/PNG compression are not read.
#include <bit>
#include <cmath>
#include <cstring>
#include <new>

#include "platform/imagecodec.h"

namespace Host {

namespace {

using enum CodecResult;

constexpr size_t kFileHeaderBytes = 14;
constexpr uint32_t kCoreHeaderBytes = 12;
constexpr uint32_t kInfoHeaderBytes = 40;
constexpr uint32_t kV4HeaderBytes = 108;
constexpr uint32_t kCompressionRgb = 0;
constexpr uint32_t kCompressionBitFields = 3;
constexpr uint32_t kCompressionAlphaBitFields = 6;

uint16_t Get16(const uint8_t* p) {
    return uint16_t(p[0] | (p[1] << 8));
}
uint32_t Get32(const uint8_t* p) {
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

// One colour channel stored under a bit mask, scaled to 0..255.
struct Channel {
    uint32_t mask;  // the channel's bits in a pixel; 0 when absent
    int shift;      // position of the lowest bit of the mask
    uint32_t max;   // the largest value the mask holds (mask >> shift)

    explicit Channel(uint32_t m) : mask(m), shift(m ? std::countr_zero(m) : 0), max(m >> shift) {}
    // Contiguous masks only: others are not colour channels.
    bool Valid() const { return mask == 0 || ((max + 1) & max) == 0; }
    uint8_t Get(uint32_t pixel) const {
        return max == 0 ? 0 : uint8_t(uint64_t((pixel & mask) >> shift) * 255 / max);
    }
};

// What the headers say, checked against the file's size.
struct BmpLayout {
    int32_t width;          // pixels, > 0
    int32_t height;         // rows, > 0
    bool topDown;           // rows stored top to bottom (negative height in the file)
    uint32_t bitsPerPixel;  // 1, 4, 8, 16, 24 or 32
    uint32_t masks[4];      // red, green, blue, alpha bit masks for 16 and 32 bits
    size_t rowBytes;        // bytes per stored row, a multiple of 4
    size_t pixelOffset;     // where the first stored row starts
};

CodecResult ReadLayout(const uint8_t* data, size_t size, BmpLayout& layout,
                       std::vector<uint32_t>& palette, float& dpiX, float& dpiY) {
    if (size < kFileHeaderBytes + 4) return Unreadable;
    const uint8_t* header = data + kFileHeaderBytes;
    uint32_t headerBytes = Get32(header);
    if (headerBytes != kCoreHeaderBytes && (headerBytes < kInfoHeaderBytes || headerBytes > 1024))
        return Unreadable;
    if (size < kFileHeaderBytes + headerBytes) return Unreadable;
    uint32_t compression = kCompressionRgb;
    uint32_t colorsUsed = 0;
    size_t paletteEntryBytes = 4;
    size_t afterHeader = kFileHeaderBytes + headerBytes;
    int64_t height;
    if (headerBytes == kCoreHeaderBytes) {
        layout.width = Get16(header + 4);
        height = Get16(header + 6);
        layout.bitsPerPixel = Get16(header + 10);
        paletteEntryBytes = 3;
    } else {
        layout.width = int32_t(Get32(header + 4));
        height = int32_t(Get32(header + 8));
        layout.bitsPerPixel = Get16(header + 14);
        compression = Get32(header + 16);
        int32_t xDensity = int32_t(Get32(header + 24)), yDensity = int32_t(Get32(header + 28));
        dpiX = DpiFromDensity(xDensity, 0.0254);
        dpiY = DpiFromDensity(yDensity, 0.0254);
        colorsUsed = Get32(header + 32);
    }
    if (layout.width <= 0 || height == 0 || height == INT32_MIN) return Unreadable;
    layout.topDown = height < 0;
    layout.height = int32_t(height < 0 ? -height : height);
    uint32_t bpp = layout.bitsPerPixel;
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) return Unreadable;
    // Default masks: 5-5-5 for 16 bits, 8-8-8 without alpha for 32.
    if (bpp == 16) {
        layout.masks[0] = 0x7c00, layout.masks[1] = 0x03e0, layout.masks[2] = 0x001f;
    } else {
        layout.masks[0] = 0xff0000, layout.masks[1] = 0xff00, layout.masks[2] = 0xff;
    }
    layout.masks[3] = 0;
    if (compression == kCompressionBitFields || compression == kCompressionAlphaBitFields) {
        if (bpp != 16 && bpp != 32) return Unreadable;
        int count = compression == kCompressionAlphaBitFields ? 4 : 3;
        // Version 2 headers and later hold the masks; the plain info header is followed
        // by them.
        const uint8_t* masks = header + kInfoHeaderBytes;
        if (headerBytes == kInfoHeaderBytes) afterHeader += 4 * size_t(count);
        if (headerBytes >= 56) count = 4;
        if (size < size_t(masks - data) + 4 * size_t(count)) return Unreadable;
        for (int i = 0; i < count; ++i) layout.masks[i] = Get32(masks + 4 * i);
    } else if (compression != kCompressionRgb) {
        return Unreadable;
    }
    if (bpp <= 8) {
        uint32_t entries = colorsUsed ? colorsUsed : 1u << bpp;
        if (entries > (1u << bpp)) return Unreadable;
        if (afterHeader + entries * paletteEntryBytes > size) return Unreadable;
        palette.resize(entries);
        for (uint32_t i = 0; i < entries; ++i) {
            const uint8_t* e = data + afterHeader + i * paletteEntryBytes;
            palette[i] = 0xff000000u | (uint32_t(e[2]) << 16) | (uint32_t(e[1]) << 8) | e[0];
        }
    }
    layout.rowBytes = (uint64_t(layout.width) * bpp + 31) / 32 * 4;
    layout.pixelOffset = Get32(data + 10);
    if (layout.pixelOffset > size ||
        uint64_t(size - layout.pixelOffset) / layout.rowBytes < uint64_t(layout.height))
        return Unreadable;
    return Ok;
}

GXPixelFormat FormatFor(const BmpLayout& layout) {
    switch (layout.bitsPerPixel) {
        case 1:
            return GXPixelFormatIndexed1;
        case 4:
        case 8:
            return GXPixelFormatIndexed8;
        case 16:
        case 24:
            return GXPixelFormatRGB24;
        default:
            if (layout.masks[3] != 0) return GXPixelFormatARGB32;
            return GXPixelFormatRGB32;
    }
}

// One stored row into one frame row.
void ConvertRow(const BmpLayout& layout, const Channel* channels, const uint8_t* src,
                uint8_t* dst) {
    uint32_t w = uint32_t(layout.width);
    switch (layout.bitsPerPixel) {
        case 1:
            std::memcpy(dst, src, (w + 7) / 8);
            break;
        case 4:
            for (uint32_t x = 0; x < w; ++x) dst[x] = (src[x / 2] >> (x % 2 ? 0 : 4)) & 15;
            break;
        case 8:
            std::memcpy(dst, src, w);
            break;
        case 24:
            std::memcpy(dst, src, size_t(w) * 3);
            break;
        default: {
            bool wide = layout.bitsPerPixel == 32;
            int outBytes = wide ? 4 : 3;
            for (uint32_t x = 0; x < w; ++x) {
                uint32_t pixel = wide ? Get32(src + 4 * x) : Get16(src + 2 * x);
                uint8_t* out = dst + size_t(outBytes) * x;
                out[0] = channels[2].Get(pixel);
                out[1] = channels[1].Get(pixel);
                out[2] = channels[0].Get(pixel);
                if (wide) out[3] = channels[3].mask ? channels[3].Get(pixel) : 255;
            }
        }
    }
}

bool BmpMatches(const uint8_t* data, size_t size) {
    return size >= 2 && data[0] == 'B' && data[1] == 'M';
}

CodecResult BmpCountFrames(const uint8_t*, size_t, uint32_t* count) {
    *count = 1;
    return Ok;
}

CodecResult BmpDecode(const uint8_t* data, size_t size, uint32_t index, ImageFrame& frame) {
    if (index != 0) return NoSuchFrame;
    try {
        BmpLayout layout;
        CodecResult status = ReadLayout(data, size, layout, frame.palette, frame.dpiX, frame.dpiY);
        if (status != Ok) return status;
        const Channel channels[4] = {Channel(layout.masks[0]), Channel(layout.masks[1]),
                                     Channel(layout.masks[2]), Channel(layout.masks[3])};
        for (const Channel& channel : channels)
            if (!channel.Valid()) return Unreadable;
        status = frame.Allocate(uint32_t(layout.width), uint32_t(layout.height), FormatFor(layout));
        if (status != Ok) return status;
        for (uint32_t y = 0; y < frame.height; ++y) {
            uint32_t stored = layout.topDown ? y : frame.height - 1 - y;
            ConvertRow(layout, channels, data + layout.pixelOffset + stored * layout.rowBytes,
                       frame.Row(y));
        }
        return Ok;
    } catch (const std::bad_alloc&) {
        return OutOfMemory;
    }
}

void Put16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}
void Put32(std::vector<uint8_t>& out, uint32_t v) {
    Put16(out, v & 0xffff);
    Put16(out, v >> 16);
}

// Opaque images are written as 24-bit rows, images with alpha as 32-bit rows under a
// version 4 header whose masks name the alpha byte.
CodecResult BmpEncode(const ImageFrame& frame, std::vector<uint8_t>& out) {
    bool alpha = frame.format == GXPixelFormatARGB32 || frame.format == GXPixelFormatPARGB32;
    if (!alpha && frame.format != GXPixelFormatRGB24 && frame.format != GXPixelFormatRGB32)
        return Unsupported;
    if (frame.width > INT32_MAX || frame.height > INT32_MAX) return Unsupported;
    if (!(frame.dpiX > 0 && frame.dpiX < 1e6f && frame.dpiY > 0 && frame.dpiY < 1e6f))
        return Unsupported;
    uint32_t bpp = alpha ? 32 : 24;
    uint32_t headerBytes = alpha ? kV4HeaderBytes : kInfoHeaderBytes;
    uint64_t rowBytes = (uint64_t(frame.width) * bpp + 31) / 32 * 4;
    uint64_t pixelOffset = kFileHeaderBytes + headerBytes;
    uint64_t fileBytes = pixelOffset + rowBytes * frame.height;
    if (fileBytes > UINT32_MAX) return Unsupported;
    try {
        out.reserve(size_t(fileBytes));
        out.push_back('B');
        out.push_back('M');
        Put32(out, uint32_t(fileBytes));
        Put32(out, 0);
        Put32(out, uint32_t(pixelOffset));
        Put32(out, headerBytes);
        Put32(out, frame.width);
        Put32(out, frame.height);  // positive: rows stored bottom-up
        Put16(out, 1);
        Put16(out, bpp);
        Put32(out, alpha ? kCompressionBitFields : kCompressionRgb);
        Put32(out, uint32_t(rowBytes * frame.height));
        Put32(out, uint32_t(std::lround(frame.dpiX / 0.0254)));
        Put32(out, uint32_t(std::lround(frame.dpiY / 0.0254)));
        Put32(out, 0);
        Put32(out, 0);
        if (alpha) {
            for (uint32_t mask : {0x00ff0000u, 0x0000ff00u, 0x000000ffu, 0xff000000u})
                Put32(out, mask);
            Put32(out, 0x73524742);  // 'sRGB' colour space; endpoints and gamma unused
            out.insert(out.end(), kV4HeaderBytes - 60, 0);
        }
        size_t rowStart = out.size();
        out.resize(size_t(fileBytes), 0);  // row padding stays zero
        for (uint32_t y = 0; y < frame.height; ++y) {
            const uint8_t* src = frame.Row(frame.height - 1 - y);
            uint8_t* dst = out.data() + rowStart + y * rowBytes;
            if (frame.format == GXPixelFormatRGB24 || frame.format == GXPixelFormatARGB32) {
                std::memcpy(dst, src, size_t(frame.width) * (bpp / 8));
            } else if (frame.format == GXPixelFormatPARGB32) {
                for (uint32_t x = 0; x < frame.width; ++x)
                    UnpremultiplyPixel(src + 4 * x, dst + 4 * x);
            } else {
                for (uint32_t x = 0; x < frame.width; ++x) std::memcpy(dst + 3 * x, src + 4 * x, 3);
            }
        }
        return Ok;
    } catch (const std::bad_alloc&) {
        return OutOfMemory;
    }
}

}  // namespace

extern const ImageCodec BmpCodec = {
    "image/bmp", BmpMatches, BmpCountFrames, BmpDecode, BmpEncode,
};

}  // namespace Host
