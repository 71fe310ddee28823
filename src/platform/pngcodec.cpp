// PNG through libpng. libpng reports errors by longjmp, so the functions that call into it
// hold no object with a destructor; everything that must be freed is owned by their callers.
#include <png.h>

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstring>
#include <new>

#include "platform/imagecodec.h"

namespace Host {

namespace {

using enum CodecResult;

// The bytes libpng reads from.
struct PngInput {
    const uint8_t* data;  // the whole file
    size_t size;          // bytes in the file
    size_t position;      // next byte to hand out
};

void ReadBytes(png_structp png, png_bytep out, size_t count) {
    auto* input = static_cast<PngInput*>(png_get_io_ptr(png));
    if (count > input->size - input->position) png_error(png, "truncated");
    std::memcpy(out, input->data + input->position, count);
    input->position += count;
}

// Total bytes of the IDAT chunks that follow the header, walking the chunk list of the
// file in memory (a chunk running past the end counts what is there).
uint64_t CompressedPixelBytes(const uint8_t* data, size_t size) {
    uint64_t total = 0;
    for (size_t at = 8; at + 12 <= size;) {
        uint32_t length = png_get_uint_32(data + at);
        size_t present = std::min<size_t>(length, size - at - 12);
        if (std::memcmp(data + at + 4, "IDAT", 4) == 0) total += present;
        if (present < length) break;
        at += 12 + present;
    }
    return total;
}

// Deflate writes at most 258 bytes for every two bits of a run (the format's own limit of
// about 1032 : 1), so pixel data declared beyond that multiple of the compressed bytes
// cannot be in the file, however it goes on.
constexpr uint64_t kMaxDeflateRatio = 1032;

// What libpng allocates besides the pixels and its two rows (the current and the
// previous, for the filters): zlib's window and state, and the largest ancillary chunk it
// will hold.
constexpr uint64_t kZlibBytes = uint64_t(64) << 10;
constexpr png_alloc_size_t kMaxChunkBytes = png_alloc_size_t(8) << 20;

void WriteBytes(png_structp png, png_bytep bytes, size_t count) {
    auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
    bool grown = true;
    try {
        out->insert(out->end(), bytes, bytes + count);
    } catch (const std::bad_alloc&) {
        grown = false;
    }
    if (!grown) png_error(png, "out of memory");
}

void FlushBytes(png_structp) {}

[[noreturn]] void Fail(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}

void Warn(png_structp, png_const_charp) {}

// Sets up the transformations that bring the file's pixels into a format of the library,
// with the palette of indexed results. libpng strips 16-bit channels and swaps to BGR.
GXPixelFormat ChooseReadFormat(png_structp png, png_infop info, std::vector<uint32_t>& palette) {
    int bitDepth = png_get_bit_depth(png, info);
    int colorType = png_get_color_type(png, info);
    bool hasTrns = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
    if (bitDepth == 16) png_set_strip_16(png);
    png_set_bgr(png);
    switch (colorType) {
        case PNG_COLOR_TYPE_PALETTE: {
            png_colorp colors = nullptr;
            int count = 0;
            png_get_PLTE(png, info, &colors, &count);
            png_bytep alphas = nullptr;
            int alphaCount = 0;
            if (hasTrns) png_get_tRNS(png, info, &alphas, &alphaCount, nullptr);
            for (int i = 0; i < count; ++i) {
                uint32_t a = i < alphaCount ? alphas[i] : 255;
                palette.push_back((a << 24) | (uint32_t(colors[i].red) << 16) |
                                  (uint32_t(colors[i].green) << 8) | colors[i].blue);
            }
            if (bitDepth == 1) return GXPixelFormatIndexed1;
            png_set_packing(png);
            return GXPixelFormatIndexed8;
        }
        case PNG_COLOR_TYPE_GRAY:
            if (!hasTrns) {
                if (bitDepth == 1) {
                    palette = GreyPalette(1);
                    return GXPixelFormatIndexed1;
                }
                palette = GreyPalette(bitDepth == 16 ? 8 : bitDepth);
                png_set_packing(png);
                return GXPixelFormatIndexed8;
            }
            png_set_tRNS_to_alpha(png);
            png_set_gray_to_rgb(png);
            return GXPixelFormatARGB32;
        case PNG_COLOR_TYPE_GRAY_ALPHA:
            png_set_gray_to_rgb(png);
            return GXPixelFormatARGB32;
        case PNG_COLOR_TYPE_RGB:
            if (!hasTrns) return GXPixelFormatRGB24;
            png_set_tRNS_to_alpha(png);
            return GXPixelFormatARGB32;
        default:
            return GXPixelFormatARGB32;
    }
}

// Decodes into `frame` with `rows` as the row table; returns Unreadable when
// libpng gives up (the frame is then thrown away by the caller).
CodecResult ReadPng(png_structp png, png_infop info, const PngInput& input, ImageFrame& frame,
                    std::vector<png_bytep>& rows) {
    if (setjmp(png_jmpbuf(png))) return Unreadable;
    png_read_info(png, info);
    // The filtered rows as the file stores them, each with its filter byte.
    uint32_t width = png_get_image_width(png, info), height = png_get_image_height(png, info);
    uint64_t storedBytes =
        ((uint64_t(width) * png_get_bit_depth(png, info) * png_get_channels(png, info) + 7) / 8 +
         1) *
        height;
    if (CompressedPixelBytes(input.data, input.size) * kMaxDeflateRatio < storedBytes)
        return Unreadable;
    png_uint_32 xDensity, yDensity;
    int unit;
    if (png_get_pHYs(png, info, &xDensity, &yDensity, &unit) && unit == PNG_RESOLUTION_METER) {
        frame.dpiX = DpiFromDensity(xDensity, 0.0254);
        frame.dpiY = DpiFromDensity(yDensity, 0.0254);
    }
    GXPixelFormat format = ChooseReadFormat(png, info, frame.palette);
    // Counted before libpng sizes its rows: a pixel of up to 8 bytes while transformed.
    uint64_t workingBytes =
        2 * (8 * uint64_t(width) + 64) + kZlibBytes + kMaxChunkBytes + height * sizeof(png_bytep);
    CodecResult status = frame.Allocate(width, height, format, workingBytes);
    if (status != Ok) return status;
    if (png_get_interlace_type(png, info) != PNG_INTERLACE_NONE) png_set_interlace_handling(png);
    png_read_update_info(png, info);
    if (png_get_rowbytes(png, info) > size_t(frame.stride)) return Unreadable;
    rows.resize(frame.height);
    for (uint32_t y = 0; y < frame.height; ++y) rows[y] = frame.Row(y);
    png_read_image(png, rows.data());
    // The chunks after the pixels are read too: a file cut short before its end is refused.
    png_read_end(png, nullptr);
    return Ok;
}

bool PngMatches(const uint8_t* data, size_t size) {
    return size >= 8 && png_sig_cmp(data, 0, 8) == 0;
}

CodecResult PngCountFrames(const uint8_t*, size_t, uint32_t* count) {
    *count = 1;
    return Ok;
}

CodecResult PngDecode(const uint8_t* data, size_t size, uint32_t index, ImageFrame& frame) {
    if (index != 0) return NoSuchFrame;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, Fail, Warn);
    if (!png) return OutOfMemory;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return OutOfMemory;
    }
    PngInput input{data, size, 0};
    png_set_read_fn(png, &input, ReadBytes);
    png_set_chunk_malloc_max(png, kMaxChunkBytes);
    std::vector<png_bytep> rows;
    CodecResult status;
    try {
        status = ReadPng(png, info, input, frame, rows);
    } catch (const std::bad_alloc&) {
        status = OutOfMemory;
    }
    png_destroy_read_struct(&png, &info, nullptr);
    return status;
}

// Encodes `frame` into `out`; `scratch` holds one row for premultiplied images.
CodecResult WritePng(png_structp png, png_infop info, const ImageFrame& frame,
                     std::vector<uint8_t>& scratch) {
    if (setjmp(png_jmpbuf(png))) return Failed;
    bool hasAlpha = frame.format == GXPixelFormatARGB32 || frame.format == GXPixelFormatPARGB32;
    png_set_IHDR(png, info, frame.width, frame.height, 8,
                 hasAlpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_pHYs(png, info, png_uint_32(std::lround(frame.dpiX / 0.0254)),
                 png_uint_32(std::lround(frame.dpiY / 0.0254)), PNG_RESOLUTION_METER);
    png_write_info(png, info);
    png_set_bgr(png);
    if (frame.format == GXPixelFormatRGB32) png_set_filler(png, 0, PNG_FILLER_AFTER);
    for (uint32_t y = 0; y < frame.height; ++y) {
        const uint8_t* row = frame.Row(y);
        if (frame.format == GXPixelFormatPARGB32) {
            for (uint32_t x = 0; x < frame.width; ++x)
                UnpremultiplyPixel(row + 4 * x, scratch.data() + 4 * x);
            row = scratch.data();
        }
        png_write_row(png, row);
    }
    png_write_end(png, nullptr);
    return Ok;
}

CodecResult PngEncode(const ImageFrame& frame, std::vector<uint8_t>& out) {
    if (frame.format != GXPixelFormatRGB24 && frame.format != GXPixelFormatRGB32 &&
        frame.format != GXPixelFormatARGB32 && frame.format != GXPixelFormatPARGB32)
        return Unsupported;
    if (!(frame.dpiX > 0 && frame.dpiX < 1e6f && frame.dpiY > 0 && frame.dpiY < 1e6f))
        return Unsupported;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, Fail, Warn);
    if (!png) return OutOfMemory;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return OutOfMemory;
    }
    png_set_write_fn(png, &out, WriteBytes, FlushBytes);
    CodecResult status;
    try {
        std::vector<uint8_t> scratch(frame.format == GXPixelFormatPARGB32 ? 4 * size_t(frame.width)
                                                                          : 0);
        status = WritePng(png, info, frame, scratch);
    } catch (const std::bad_alloc&) {
        status = OutOfMemory;
    }
    png_destroy_write_struct(&png, &info);
    return status;
}

}  // namespace

extern const ImageCodec PngCodec = {
    "image/png", PngMatches, PngCountFrames, PngDecode, PngEncode,
};

}  // namespace Host
