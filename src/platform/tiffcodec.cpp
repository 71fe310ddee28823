// TIFF through libtiff, over memory. Each page is a frame. Grey, palette and 8-bit RGB(A)
// strips are read row by row into the nearest library format; everything else libtiff
// knows (tiles, planes, 16-bit colour, YCbCr, CMYK, Lab, ...) goes through its RGBA reader.
#include <tiffio.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include "platform/imagecodec.h"

namespace Host {

namespace {

using enum CodecResult;

// libtiff's largest single allocation for one image: well above any strip or tile a real
// file has, far below what a hostile header could ask for.
constexpr tmsize_t kMaxTiffAlloc = tmsize_t(64) << 20;

// The bytes libtiff reads from or writes to.
struct TiffStream {
    const uint8_t* data;        // the file when reading
    size_t size;                // its length; grows with the output when writing
    uint64_t position;          // next byte read or written
    std::vector<uint8_t>* out;  // the file being written, null when reading
};

tmsize_t ReadProc(thandle_t handle, void* buffer, tmsize_t count) {
    auto* s = static_cast<TiffStream*>(handle);
    if (count < 0 || s->position >= s->size) return 0;
    size_t n = std::min<uint64_t>(uint64_t(count), s->size - s->position);
    std::memcpy(buffer, s->data + s->position, n);
    s->position += n;
    return tmsize_t(n);
}

tmsize_t WriteProc(thandle_t handle, void* buffer, tmsize_t count) {
    auto* s = static_cast<TiffStream*>(handle);
    if (!s->out || count < 0) return -1;
    uint64_t end = s->position + uint64_t(count);
    try {
        if (end > s->out->size()) s->out->resize(size_t(end));
    } catch (const std::bad_alloc&) {
        return -1;
    }
    std::memcpy(s->out->data() + s->position, buffer, size_t(count));
    s->position = end;
    s->size = s->out->size();
    return count;
}

toff_t SeekProc(thandle_t handle, toff_t offset, int whence) {
    auto* s = static_cast<TiffStream*>(handle);
    uint64_t base = whence == SEEK_CUR ? s->position : whence == SEEK_END ? s->size : 0;
    if (offset > UINT64_MAX - base) return toff_t(-1);
    s->position = base + offset;
    return s->position;
}

int CloseProc(thandle_t) {
    return 0;
}

toff_t SizeProc(thandle_t handle) {
    return static_cast<TiffStream*>(handle)->size;
}

int MapProc(thandle_t, void**, toff_t*) {
    return 0;
}

void UnmapProc(thandle_t, void*, toff_t) {}

// Errors and warnings are reported through status codes; nothing is printed.
int Quiet(TIFF*, void*, const char*, const char*, va_list) {
    return 1;
}

// Closes the TIFF and frees its options when the scope ends.
class TiffHandle {
public:
    TiffHandle(TiffStream& stream, const char* mode) {
        options_ = TIFFOpenOptionsAlloc();
        if (!options_) return;
        TIFFOpenOptionsSetMaxSingleMemAlloc(options_, kMaxTiffAlloc);
        TIFFOpenOptionsSetErrorHandlerExtR(options_, Quiet, nullptr);
        TIFFOpenOptionsSetWarningHandlerExtR(options_, Quiet, nullptr);
        tiff_ = TIFFClientOpenExt("memory", mode, &stream, ReadProc, WriteProc, SeekProc, CloseProc,
                                  SizeProc, MapProc, UnmapProc, options_);
    }
    ~TiffHandle() {
        if (tiff_) TIFFClose(tiff_);
        if (options_) TIFFOpenOptionsFree(options_);
    }
    TiffHandle(const TiffHandle&) = delete;
    TiffHandle& operator=(const TiffHandle&) = delete;

    TIFF* get() const { return tiff_; }

private:
    TIFFOpenOptions* options_ = nullptr;  // error handlers and allocation limit
    TIFF* tiff_ = nullptr;                // null when the open failed
};

// The page's layout, with libtiff's defaults filled in.
struct TiffPage {
    uint32_t width = 0, height = 0;  // pixels
    uint16_t samples = 1;            // samples per pixel
    uint16_t bits = 1;               // bits per sample
    uint16_t photometric = 0xffff;   // PHOTOMETRIC_*, 0xffff when absent
    uint16_t planar = PLANARCONFIG_CONTIG;
    uint16_t extraCount = 0;                       // extra samples (alpha and others)
    uint16_t extraKind = EXTRASAMPLE_UNSPECIFIED;  // the kind of the first extra sample
    uint64_t workingBytes = 0;  // what libtiff holds while reading: a raw and a decoded strip
};

// Whether the file holds the data its page declares: every strip or tile lies inside the
// file, and the compressed bytes are enough for the pixels under the most the page's
// compression can expand them. A page cut short, or a header declaring an image its data
// cannot fill, is refused before anything is allocated for it. Compressions without such
// a bound (fax, JPEG, ...) are bounded by the memory budget alone.
bool HoldsDeclaredImage(TIFF* tiff, const TiffPage& page, uint64_t fileSize) {
    uint32_t count = TIFFIsTiled(tiff) ? TIFFNumberOfTiles(tiff) : TIFFNumberOfStrips(tiff);
    // Each strip needs a byte at least, which also bounds this walk by the file's size.
    if (count == 0 || count > fileSize) return false;
    uint64_t compressed = 0;
    for (uint32_t i = 0; i < count; ++i) {
        int error = 0;
        uint64_t offset = TIFFGetStrileOffsetWithErr(tiff, i, &error);
        uint64_t bytes = error ? 0 : TIFFGetStrileByteCountWithErr(tiff, i, &error);
        if (error || bytes == 0 || offset > fileSize || bytes > fileSize - offset) return false;
        compressed += bytes;
    }
    uint16_t compression = COMPRESSION_NONE;
    TIFFGetFieldDefaulted(tiff, TIFFTAG_COMPRESSION, &compression);
    uint64_t maxRatio =
        compression == COMPRESSION_NONE       ? 1
        : compression == COMPRESSION_PACKBITS ? 64    // 2 bytes for 128
        : compression == COMPRESSION_LZW      ? 4096  // a code, a string
        : compression == COMPRESSION_ADOBE_DEFLATE || compression == COMPRESSION_DEFLATE
            ? 1032  // deflate's own limit
            : 0;
    uint64_t stored =
        (uint64_t(page.width) * page.bits * page.samples + 7) / 8 * uint64_t(page.height);
    return maxRatio == 0 || compressed * maxRatio >= stored;
}

void ReadResolution(TIFF* tiff, ImageFrame& frame) {
    float x = 0, y = 0;
    uint16_t unit = RESUNIT_INCH;
    TIFFGetFieldDefaulted(tiff, TIFFTAG_RESOLUTIONUNIT, &unit);
    if (!TIFFGetField(tiff, TIFFTAG_XRESOLUTION, &x) ||
        !TIFFGetField(tiff, TIFFTAG_YRESOLUTION, &y))
        return;
    if (unit == RESUNIT_INCH) {
        frame.dpiX = DpiFromDensity(x, 1.0);
        frame.dpiY = DpiFromDensity(y, 1.0);
    } else if (unit == RESUNIT_CENTIMETER) {
        frame.dpiX = DpiFromDensity(x, 2.54);
        frame.dpiY = DpiFromDensity(y, 2.54);
    }
}

// Grey and palette pages of 1 to 8 bits, and 16-bit grey, read as indexed rows.
CodecResult ReadIndexed(TIFF* tiff, const TiffPage& page, ImageFrame& frame, size_t scanline) {
    if (page.photometric == PHOTOMETRIC_PALETTE) {
        uint16_t *red, *green, *blue;
        if (!TIFFGetField(tiff, TIFFTAG_COLORMAP, &red, &green, &blue)) return Unreadable;
        uint32_t entries = 1u << page.bits;
        // Some writers store 8-bit values in the 16-bit map: then no entry passes 255.
        bool eightBit = true;
        for (uint32_t i = 0; i < entries; ++i)
            eightBit = eightBit && red[i] < 256 && green[i] < 256 && blue[i] < 256;
        int shift = eightBit ? 0 : 8;
        frame.palette.resize(entries);
        for (uint32_t i = 0; i < entries; ++i)
            frame.palette[i] = 0xff000000u | (uint32_t(red[i] >> shift) << 16) |
                               (uint32_t(green[i] >> shift) << 8) | uint32_t(blue[i] >> shift);
    } else {
        frame.palette = GreyPalette(page.bits == 16 ? 8 : page.bits);
        if (page.photometric == PHOTOMETRIC_MINISWHITE)
            std::reverse(frame.palette.begin(), frame.palette.end());
    }
    GXPixelFormat format = page.bits == 1 ? GXPixelFormatIndexed1 : GXPixelFormatIndexed8;
    CodecResult status =
        frame.Allocate(page.width, page.height, format, page.workingBytes + scanline);
    if (status != Ok) return status;
    std::vector<uint8_t> scratch(scanline);
    for (uint32_t y = 0; y < page.height; ++y) {
        if (TIFFReadScanline(tiff, scratch.data(), y, 0) < 0) return Unreadable;
        uint8_t* dst = frame.Row(y);
        switch (page.bits) {
            case 1:
                std::memcpy(dst, scratch.data(), (page.width + 7) / 8);
                break;
            case 8:
                std::memcpy(dst, scratch.data(), page.width);
                break;
            case 16: {
                // libtiff has brought the samples to the machine's byte order.
                for (uint32_t x = 0; x < page.width; ++x) {
                    uint16_t v;
                    std::memcpy(&v, scratch.data() + 2 * x, 2);
                    dst[x] = uint8_t(v >> 8);
                }
                break;
            }
            default: {
                uint32_t perByte = 8 / page.bits, mask = (1u << page.bits) - 1;
                for (uint32_t x = 0; x < page.width; ++x) {
                    uint32_t shift = 8 - page.bits * (x % perByte + 1);
                    dst[x] = uint8_t((scratch[x / perByte] >> shift) & mask);
                }
            }
        }
    }
    return Ok;
}

// 8-bit RGB and RGBA strips, swapped to BGR(A).
CodecResult ReadRgb(TIFF* tiff, const TiffPage& page, ImageFrame& frame, size_t scanline) {
    GXPixelFormat format = GXPixelFormatRGB24;
    if (page.samples == 4)
        format = page.extraKind == EXTRASAMPLE_ASSOCALPHA   ? GXPixelFormatPARGB32
                 : page.extraKind == EXTRASAMPLE_UNASSALPHA ? GXPixelFormatARGB32
                                                            : GXPixelFormatRGB32;
    CodecResult status =
        frame.Allocate(page.width, page.height, format, page.workingBytes + scanline);
    if (status != Ok) return status;
    std::vector<uint8_t> scratch(scanline);
    for (uint32_t y = 0; y < page.height; ++y) {
        if (TIFFReadScanline(tiff, scratch.data(), y, 0) < 0) return Unreadable;
        const uint8_t* src = scratch.data();
        uint8_t* dst = frame.Row(y);
        for (uint32_t x = 0; x < page.width; ++x, src += page.samples, dst += page.samples) {
            dst[0] = src[2];
            dst[1] = src[1];
            dst[2] = src[0];
            if (page.samples == 4) dst[3] = format == GXPixelFormatRGB32 ? 255 : src[3];
        }
    }
    return Ok;
}

// Anything else libtiff can turn into RGBA: premultiplied when the page has alpha.
CodecResult ReadThroughRgba(TIFF* tiff, const TiffPage& page, ImageFrame& frame) {
    char message[1024];
    if (!TIFFRGBAImageOK(tiff, message)) return Unreadable;
    // libtiff wants one block of packed rows: the frame's own when its rows are packed,
    // else a block of their own first, counted against the budget.
    uint64_t packedBytes = 4 * uint64_t(page.width) * page.height;
    bool packed = frame.mode != ImageFrame::Mode::Lent ||
                  uint64_t(frame.lentStride) == 4 * uint64_t(page.width);
    CodecResult status = frame.Allocate(page.width, page.height,
                                        page.extraCount ? GXPixelFormatPARGB32 : GXPixelFormatRGB32,
                                        page.workingBytes + (packed ? 0 : packedBytes));
    if (status != Ok) return status;
    std::unique_ptr<uint32_t[]> block;
    uint32_t* raster = reinterpret_cast<uint32_t*>(frame.scan0);
    if (!packed) {
        block.reset(new (std::nothrow) uint32_t[size_t(page.width) * page.height]);
        if (!block) return OutOfMemory;
        raster = block.get();
    }
    if (!TIFFReadRGBAImageOriented(tiff, page.width, page.height, raster, ORIENTATION_TOPLEFT, 0))
        return Unreadable;
    // libtiff packs red in the low byte: swap red and blue into BGRA (in place when the
    // rows are the frame's).
    for (uint32_t y = 0; y < page.height; ++y) {
        const uint32_t* src = raster + size_t(y) * page.width;
        uint8_t* dst = frame.Row(y);
        for (uint32_t x = 0; x < page.width; ++x, dst += 4) {
            uint32_t p;
            std::memcpy(&p, src + x, 4);
            dst[0] = uint8_t(p >> 16), dst[1] = uint8_t(p >> 8), dst[2] = uint8_t(p);
            dst[3] = uint8_t(p >> 24);
        }
    }
    return Ok;
}

CodecResult ReadPage(TIFF* tiff, uint64_t fileSize, ImageFrame& frame) {
    TiffPage page;
    if (!TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &page.width) ||
        !TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &page.height))
        return Unreadable;
    // Refused before libtiff allocates anything for the page.
    uint64_t rgbaBytes = 4 * uint64_t(page.width) * page.height;
    if (page.width == 0 || page.height == 0 || rgbaBytes > ImageFrame::kMaxDecodeBytes)
        return OutOfMemory;
    TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLESPERPIXEL, &page.samples);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_BITSPERSAMPLE, &page.bits);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_PLANARCONFIG, &page.planar);
    TIFFGetField(tiff, TIFFTAG_PHOTOMETRIC, &page.photometric);
    uint16_t* extraKinds = nullptr;
    if (TIFFGetField(tiff, TIFFTAG_EXTRASAMPLES, &page.extraCount, &extraKinds) &&
        page.extraCount > 0)
        page.extraKind = extraKinds[0];
    if (!HoldsDeclaredImage(tiff, page, fileSize)) return Unreadable;
    uint64_t stripBytes = TIFFIsTiled(tiff) ? TIFFTileSize64(tiff) : TIFFStripSize64(tiff);
    page.workingBytes = 2 * std::min<uint64_t>(stripBytes, uint64_t(kMaxTiffAlloc));
    ReadResolution(tiff, frame);
    bool rows = !TIFFIsTiled(tiff) && page.planar == PLANARCONFIG_CONTIG;
    bool grey =
        (page.photometric == PHOTOMETRIC_MINISBLACK ||
         page.photometric == PHOTOMETRIC_MINISWHITE) &&
        page.samples == 1 &&
        (page.bits == 1 || page.bits == 2 || page.bits == 4 || page.bits == 8 || page.bits == 16);
    bool palette = page.photometric == PHOTOMETRIC_PALETTE && page.samples == 1 &&
                   (page.bits == 1 || page.bits == 2 || page.bits == 4 || page.bits == 8);
    bool rgb = page.photometric == PHOTOMETRIC_RGB && page.bits == 8 &&
               (page.samples == 3 || (page.samples == 4 && page.extraCount == 1));
    if (!rows || !(grey || palette || rgb)) return ReadThroughRgba(tiff, page, frame);
    tmsize_t scanline = TIFFScanlineSize(tiff);
    uint64_t expected = (uint64_t(page.width) * page.bits * page.samples + 7) / 8;
    if (scanline <= 0 || uint64_t(scanline) < expected) return Unreadable;
    return rgb ? ReadRgb(tiff, page, frame, size_t(scanline))
               : ReadIndexed(tiff, page, frame, size_t(scanline));
}

bool TiffMatches(const uint8_t* data, size_t size) {
    return size >= 4 && ((data[0] == 'I' && data[1] == 'I' && data[2] == 42 && data[3] == 0) ||
                         (data[0] == 'M' && data[1] == 'M' && data[2] == 0 && data[3] == 42) ||
                         (data[0] == 'I' && data[1] == 'I' && data[2] == 43 && data[3] == 0) ||
                         (data[0] == 'M' && data[1] == 'M' && data[2] == 0 && data[3] == 43));
}

CodecResult TiffCountFrames(const uint8_t* data, size_t size, uint32_t* count) {
    TiffStream stream{data, size, 0, nullptr};
    TiffHandle tiff(stream, "rm");
    if (!tiff.get()) return Unreadable;
    *count = TIFFNumberOfDirectories(tiff.get());
    return *count ? Ok : Unreadable;
}

CodecResult TiffDecode(const uint8_t* data, size_t size, uint32_t index, ImageFrame& frame) {
    try {
        TiffStream stream{data, size, 0, nullptr};
        TiffHandle tiff(stream, "rm");
        if (!tiff.get()) return Unreadable;
        if (index > UINT16_MAX || !TIFFSetDirectory(tiff.get(), tdir_t(index))) return NoSuchFrame;
        return ReadPage(tiff.get(), size, frame);
    } catch (const std::bad_alloc&) {
        return OutOfMemory;
    }
}

// RGB or RGBA strips, LZW-compressed; premultiplied images keep their premultiplication
// (associated alpha), straight ones say so (unassociated alpha).
CodecResult TiffEncode(const ImageFrame& frame, std::vector<uint8_t>& out) {
    bool alpha = frame.format == GXPixelFormatARGB32 || frame.format == GXPixelFormatPARGB32;
    if (!alpha && frame.format != GXPixelFormatRGB24 && frame.format != GXPixelFormatRGB32)
        return Unsupported;
    if (!(frame.dpiX > 0 && frame.dpiY > 0)) return Unsupported;
    try {
        TiffStream stream{nullptr, 0, 0, &out};
        TiffHandle tiff(stream, "w");
        if (!tiff.get()) return Failed;
        TIFF* t = tiff.get();
        uint16_t samples = alpha ? 4 : 3;
        TIFFSetField(t, TIFFTAG_IMAGEWIDTH, frame.width);
        TIFFSetField(t, TIFFTAG_IMAGELENGTH, frame.height);
        TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 8);
        TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, samples);
        TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
        TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
        TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
        TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(t, 0));
        TIFFSetField(t, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
        TIFFSetField(t, TIFFTAG_XRESOLUTION, double(frame.dpiX));
        TIFFSetField(t, TIFFTAG_YRESOLUTION, double(frame.dpiY));
        if (alpha) {
            uint16_t kind = frame.format == GXPixelFormatPARGB32 ? EXTRASAMPLE_ASSOCALPHA
                                                                 : EXTRASAMPLE_UNASSALPHA;
            TIFFSetField(t, TIFFTAG_EXTRASAMPLES, 1, &kind);
        }
        std::vector<uint8_t> row(size_t(frame.width) * samples);
        int srcBytes = frame.format == GXPixelFormatRGB24 ? 3 : 4;
        for (uint32_t y = 0; y < frame.height; ++y) {
            const uint8_t* src = frame.Row(y);
            uint8_t* dst = row.data();
            for (uint32_t x = 0; x < frame.width; ++x, src += srcBytes, dst += samples) {
                dst[0] = src[2];
                dst[1] = src[1];
                dst[2] = src[0];
                if (alpha) dst[3] = src[3];
            }
            if (TIFFWriteScanline(t, row.data(), y, 0) < 0) return Failed;
        }
        if (!TIFFFlush(t)) return Failed;
        return Ok;
    } catch (const std::bad_alloc&) {
        return OutOfMemory;
    }
}

}  // namespace

extern const ImageCodec TiffCodec = {
    "image/tiff", TiffMatches, TiffCountFrames, TiffDecode, TiffEncode,
};

}  // namespace Host
