// The GDI+ flat functions of hostgdiplus.h: images held in memory, decoded and encoded by
// the codecs of imagecodec.h.
#include <atomic>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "platform/hostcom.h"
#include "platform/hostgdiplus.h"
#include "platform/imagecodec.h"

// An image: the frame in hand and, for decoded files, the file's bytes so that other
// frames can be decoded on request.
struct GpImage {
    std::vector<uint8_t> encoded;             // the whole file; empty for made bitmaps
    const Host::ImageCodec* codec = nullptr;  // the file's codec; null for made bitmaps
    uint32_t frameCount = 0;                  // frames in the file, 0 until counted
    Host::ImageFrame frame;                   // the active frame's pixels
    bool locked = false;                      // between LockBits and UnlockBits
};

namespace Gdiplus {

const GUID FrameDimensionTime = {
    0x6aedbd6d, 0x3fb5, 0x418a, {0x83, 0xa6, 0x7f, 0x45, 0x22, 0x9d, 0xc8, 0x72}};
const GUID FrameDimensionPage = {
    0x7462dc86, 0x6180, 0x4c7e, {0x8e, 0x3f, 0xee, 0x73, 0x33, 0xa7, 0xa4, 0x83}};

namespace {

std::atomic<int32_t> startCount{0};  // GdiplusStartup calls not yet shut down

bool Started() {
    return startCount.load() > 0;
}

// UTF-16 to UTF-8; false on an unpaired surrogate (no file can have that name here).
bool Utf16ToUtf8(const WCHAR* text, std::string& out) {
    for (size_t i = 0; text[i] != 0; ++i) {
        uint32_t c = text[i];
        if (c >= 0xd800 && c < 0xdc00) {
            uint32_t low = text[i + 1];
            if (low < 0xdc00 || low >= 0xe000) return false;
            c = 0x10000 + ((c - 0xd800) << 10) + (low - 0xdc00);
            ++i;
        } else if (c >= 0xdc00 && c < 0xe000) {
            return false;
        }
        if (c < 0x80) {
            out += char(c);
        } else if (c < 0x800) {
            out += char(0xc0 | (c >> 6));
            out += char(0x80 | (c & 0x3f));
        } else if (c < 0x10000) {
            out += char(0xe0 | (c >> 12));
            out += char(0x80 | ((c >> 6) & 0x3f));
            out += char(0x80 | (c & 0x3f));
        } else {
            out += char(0xf0 | (c >> 18));
            out += char(0x80 | ((c >> 12) & 0x3f));
            out += char(0x80 | ((c >> 6) & 0x3f));
            out += char(0x80 | (c & 0x3f));
        }
    }
    return true;
}

// Closes a C file when the scope ends.
struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

Status ReadWholeFile(const WCHAR* filename, std::vector<uint8_t>& bytes) {
    std::string path;
    if (!Utf16ToUtf8(filename, path)) return InvalidParameter;
    FilePtr file(std::fopen(path.c_str(), "rb"));
    if (!file) return FileNotFound;
    uint8_t chunk[65536];
    size_t n;
    try {
        while ((n = std::fread(chunk, 1, sizeof chunk, file.get())) > 0)
            bytes.insert(bytes.end(), chunk, chunk + n);
    } catch (const std::bad_alloc&) {
        return OutOfMemory;
    }
    return std::ferror(file.get()) ? Win32Error : Ok;
}

// Makes an image of the file in `bytes` with its first frame decoded.
Status CreateFromBytes(std::vector<uint8_t>&& bytes, GpBitmap** bitmap) {
    const Host::ImageCodec* codec = nullptr;
    for (const Host::ImageCodec* candidate : Host::kImageCodecs)
        if (candidate->matches(bytes.data(), bytes.size())) codec = candidate;
    if (!codec) return UnknownImageFormat;
    std::unique_ptr<GpImage> image(new (std::nothrow) GpImage);
    if (!image) return OutOfMemory;
    Status status = codec->decode(bytes.data(), bytes.size(), 0, image->frame);
    if (status != Ok) return status;
    image->encoded = std::move(bytes);
    image->codec = codec;
    *bitmap = image.release();
    return Ok;
}

const GUID& FrameDimensionOf(const GpImage* image) {
    return image->codec ? *image->codec->frameDimension : FrameDimensionPage;
}

// The strings of one encoder, in the order they are stored after the array.
struct EncoderStrings {
    std::string name, description, extensions, mime;
};

EncoderStrings StringsOf(const Host::ImageCodec& codec) {
    return {std::string("Built-in ") + codec.description + " Codec", codec.description,
            codec.extensions, codec.mimeType};
}

size_t EncoderBytes() {
    size_t bytes = sizeof(ImageCodecInfo) * std::size(Host::kImageCodecs);
    for (const Host::ImageCodec* codec : Host::kImageCodecs) {
        EncoderStrings s = StringsOf(*codec);
        for (const std::string* text : {&s.name, &s.description, &s.extensions, &s.mime})
            bytes += (text->size() + 1) * sizeof(WCHAR);
    }
    return bytes;
}

// Copies an ASCII text as UTF-16 to `cursor` and moves the cursor past it.
const WCHAR* StoreString(const std::string& text, WCHAR*& cursor) {
    const WCHAR* start = cursor;
    for (char c : text) *cursor++ = WCHAR(uint8_t(c));
    *cursor++ = 0;
    return start;
}

}  // namespace

Status GdiplusStartup(ULONG_PTR* token, const GdiplusStartupInput* input, GdiplusStartupOutput*) {
    if (!token || !input) return InvalidParameter;
    if (input->GdiplusVersion != 1) return UnsupportedGdiplusVersion;
    ++startCount;
    *token = 1;
    return Ok;
}

void GdiplusShutdown(ULONG_PTR token) {
    if (token != 0 && startCount.load() > 0) --startCount;
}

namespace DllExports {

GpStatus GdipCreateBitmapFromFile(const WCHAR* filename, GpBitmap** bitmap) {
    if (!filename || !bitmap) return InvalidParameter;
    if (!Started()) return GdiplusNotInitialized;
    std::vector<uint8_t> bytes;
    Status status = ReadWholeFile(filename, bytes);
    return status == Ok ? CreateFromBytes(std::move(bytes), bitmap) : status;
}

GpStatus GdipCreateBitmapFromStream(IStream* stream, GpBitmap** bitmap) {
    if (!stream || !bitmap) return InvalidParameter;
    if (!Started()) return GdiplusNotInitialized;
    STATSTG stat{};
    if (stream->Stat(&stat, STATFLAG_NONAME) != S_OK) return InvalidParameter;
    if (stat.cbSize.QuadPart > UINT32_MAX) return OutOfMemory;  // one Read call at most
    if (stream->Seek(LARGE_INTEGER{0}, STREAM_SEEK_SET, nullptr) != S_OK) return InvalidParameter;
    std::vector<uint8_t> bytes;
    try {
        bytes.resize(size_t(stat.cbSize.QuadPart));
    } catch (const std::bad_alloc&) {
        return OutOfMemory;
    }
    ULONG read = 0;
    if (stream->Read(bytes.data(), ULONG(bytes.size()), &read) < 0 || read != bytes.size())
        return Win32Error;
    return CreateFromBytes(std::move(bytes), bitmap);
}

GpStatus GdipCreateBitmapFromScan0(INT width, INT height, INT, PixelFormat format, BYTE* scan0,
                                   GpBitmap** bitmap) {
    if (!bitmap || width <= 0 || height <= 0) return InvalidParameter;
    if (!Started()) return GdiplusNotInitialized;
    // Only stores of its own are made: the library fills them through LockBits.
    if (scan0) return NotImplemented;
    if (format != PixelFormat24bppRGB && format != PixelFormat32bppRGB &&
        format != PixelFormat32bppARGB && format != PixelFormat32bppPARGB)
        return InvalidParameter;
    std::unique_ptr<GpImage> image(new (std::nothrow) GpImage);
    if (!image) return OutOfMemory;
    Status status = image->frame.Allocate(UINT(width), UINT(height), format);
    if (status != Ok) return status;
    *bitmap = image.release();
    return Ok;
}

GpStatus GdipDisposeImage(GpImage* image) {
    if (!image) return InvalidParameter;
    delete image;
    return Ok;
}

GpStatus GdipImageGetFrameDimensionsCount(GpImage* image, UINT* count) {
    if (!image || !count) return InvalidParameter;
    *count = 1;
    return Ok;
}

GpStatus GdipImageGetFrameDimensionsList(GpImage* image, GUID* dimensionIDs, UINT count) {
    if (!image || !dimensionIDs || count != 1) return InvalidParameter;
    dimensionIDs[0] = FrameDimensionOf(image);
    return Ok;
}

GpStatus GdipImageGetFrameCount(GpImage* image, const GUID* dimensionID, UINT* count) {
    if (!image || !dimensionID || !count) return InvalidParameter;
    if (!(*dimensionID == FrameDimensionOf(image))) return InvalidParameter;
    if (image->frameCount == 0) {
        if (!image->codec) {
            image->frameCount = 1;
        } else {
            Status status = image->codec->countFrames(image->encoded.data(), image->encoded.size(),
                                                      &image->frameCount);
            if (status != Ok) return status;
        }
    }
    *count = image->frameCount;
    return Ok;
}

GpStatus GdipImageSelectActiveFrame(GpImage* image, const GUID* dimensionID, UINT frameIndex) {
    UINT count = 0;
    Status status = GdipImageGetFrameCount(image, dimensionID, &count);
    if (status != Ok) return status;
    if (frameIndex >= count) return InvalidParameter;
    if (image->locked) return WrongState;
    if (!image->codec) return Ok;  // a made bitmap has its one frame
    // Decoded aside, so that a frame that fails leaves the active one as it was.
    Host::ImageFrame frame;
    status = image->codec->decode(image->encoded.data(), image->encoded.size(), frameIndex, frame);
    if (status == Ok) image->frame = std::move(frame);
    return status;
}

GpStatus GdipGetImagePixelFormat(GpImage* image, PixelFormat* format) {
    if (!image || !format) return InvalidParameter;
    *format = image->frame.format;
    return Ok;
}

GpStatus GdipGetImageWidth(GpImage* image, UINT* width) {
    if (!image || !width) return InvalidParameter;
    *width = image->frame.width;
    return Ok;
}

GpStatus GdipGetImageHeight(GpImage* image, UINT* height) {
    if (!image || !height) return InvalidParameter;
    *height = image->frame.height;
    return Ok;
}

GpStatus GdipGetImageHorizontalResolution(GpImage* image, REAL* resolution) {
    if (!image || !resolution) return InvalidParameter;
    *resolution = image->frame.dpiX;
    return Ok;
}

GpStatus GdipGetImageVerticalResolution(GpImage* image, REAL* resolution) {
    if (!image || !resolution) return InvalidParameter;
    *resolution = image->frame.dpiY;
    return Ok;
}

GpStatus GdipBitmapSetResolution(GpBitmap* bitmap, REAL xdpi, REAL ydpi) {
    if (!bitmap || !(xdpi > 0 && xdpi < 1e6f) || !(ydpi > 0 && ydpi < 1e6f))
        return InvalidParameter;
    bitmap->frame.dpiX = xdpi;
    bitmap->frame.dpiY = ydpi;
    return Ok;
}

GpStatus GdipGetImagePaletteSize(GpImage* image, INT* size) {
    if (!image || !size) return InvalidParameter;
    size_t count = image->frame.palette.size();
    *size = INT(offsetof(ColorPalette, Entries) + sizeof(ARGB) * (count ? count : 1));
    return Ok;
}

GpStatus GdipGetImagePalette(GpImage* image, ColorPalette* palette, INT size) {
    if (!image || !palette) return InvalidParameter;
    INT needed = 0;
    GdipGetImagePaletteSize(image, &needed);
    if (size < needed) return InsufficientBuffer;
    palette->Flags = 0;
    palette->Count = UINT(image->frame.palette.size());
    if (palette->Count != 0)
        std::memcpy(reinterpret_cast<uint8_t*>(palette) + offsetof(ColorPalette, Entries),
                    image->frame.palette.data(), sizeof(ARGB) * palette->Count);
    return Ok;
}

GpStatus GdipBitmapLockBits(GpBitmap* bitmap, const Rect* rect, UINT flags, PixelFormat format,
                            BitmapData* lockedData) {
    if (!bitmap || !lockedData) return InvalidParameter;
    if (!(flags & (ImageLockModeRead | ImageLockModeWrite)) || (flags & ImageLockModeUserInputBuf))
        return InvalidParameter;
    const Host::ImageFrame& frame = bitmap->frame;
    Rect whole{0, 0, INT(frame.width), INT(frame.height)};
    const Rect& r = rect ? *rect : whole;
    if (r.X < 0 || r.Y < 0 || r.Width <= 0 || r.Height <= 0 || uint32_t(r.X) > frame.width ||
        uint32_t(r.Width) > frame.width - uint32_t(r.X) || uint32_t(r.Y) > frame.height ||
        uint32_t(r.Height) > frame.height - uint32_t(r.Y))
        return InvalidParameter;
    UINT bits = GetPixelFormatSize(frame.format);
    if ((uint64_t(r.X) * bits) % 8 != 0) return InvalidParameter;  // rows start on a byte
    // The host converts nothing: rows are handed out in the image's own format.
    if (format != frame.format) return NotImplemented;
    if (bitmap->locked) return WrongState;
    bitmap->locked = true;
    lockedData->Width = UINT(r.Width);
    lockedData->Height = UINT(r.Height);
    lockedData->Stride = frame.stride;
    lockedData->PixelFormat = frame.format;
    lockedData->Scan0 = frame.Row(UINT(r.Y)) + uint64_t(r.X) * bits / 8;
    lockedData->Reserved = 0;
    return Ok;
}

GpStatus GdipBitmapUnlockBits(GpBitmap* bitmap, BitmapData* lockedData) {
    if (!bitmap || !lockedData) return InvalidParameter;
    if (!bitmap->locked) return WrongState;
    bitmap->locked = false;
    return Ok;
}

GpStatus GdipGetImageEncodersSize(UINT* numEncoders, UINT* size) {
    if (!numEncoders || !size) return InvalidParameter;
    if (!Started()) return GdiplusNotInitialized;
    *numEncoders = UINT(std::size(Host::kImageCodecs));
    *size = UINT(EncoderBytes());
    return Ok;
}

GpStatus GdipGetImageEncoders(UINT numEncoders, UINT size, ImageCodecInfo* encoders) {
    if (!encoders) return InvalidParameter;
    if (!Started()) return GdiplusNotInitialized;
    if (numEncoders != std::size(Host::kImageCodecs) || size < EncoderBytes())
        return InvalidParameter;
    auto* cursor = reinterpret_cast<WCHAR*>(encoders + numEncoders);
    for (UINT i = 0; i < numEncoders; ++i) {
        const Host::ImageCodec& codec = *Host::kImageCodecs[i];
        EncoderStrings s = StringsOf(codec);
        ImageCodecInfo& info = encoders[i];
        info = ImageCodecInfo{};
        info.Clsid = codec.clsid;
        info.FormatID = codec.formatId;
        info.CodecName = StoreString(s.name, cursor);
        info.FormatDescription = StoreString(s.description, cursor);
        info.FilenameExtension = StoreString(s.extensions, cursor);
        info.MimeType = StoreString(s.mime, cursor);
        info.Version = 1;
    }
    return Ok;
}

GpStatus GdipSaveImageToFile(GpImage* image, const WCHAR* filename, const CLSID* clsidEncoder,
                             const EncoderParameters*) {
    if (!image || !filename || !clsidEncoder) return InvalidParameter;
    if (!Started()) return GdiplusNotInitialized;
    const Host::ImageCodec* codec = nullptr;
    for (const Host::ImageCodec* candidate : Host::kImageCodecs)
        if (candidate->clsid == *clsidEncoder) codec = candidate;
    if (!codec) return FileNotFound;  // what GDI+ says of an unknown encoder
    std::string path;
    if (!Utf16ToUtf8(filename, path)) return InvalidParameter;
    std::vector<uint8_t> bytes;
    Status status = codec->encode(image->frame, bytes);
    if (status != Ok) return status;
    FilePtr file(std::fopen(path.c_str(), "wb"));
    if (!file) return Win32Error;
    bool written = std::fwrite(bytes.data(), 1, bytes.size(), file.get()) == bytes.size();
    written = std::fclose(file.release()) == 0 && written;
    if (!written) {
        std::remove(path.c_str());  // no half-written file is left behind
        return Win32Error;
    }
    return Ok;
}

}  // namespace DllExports
}  // namespace Gdiplus
