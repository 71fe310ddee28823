// The GDI+ flat functions of hostgdiplus.h: images held in memory, decoded and encoded by
// the codecs of imagecodec.h.
#include <atomic>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include <sys/stat.h>

#include "platform/hostcom.h"
#include "platform/hostgdiplus.h"
#include "platform/imagecodec.h"

namespace Host {

// The bytes of an image file, in one uninitialised block: read once, decoded from as often
// as frames are asked for.
struct EncodedBytes {
    std::unique_ptr<uint8_t[]> block;  // the bytes; null when empty
    size_t size = 0;                   // bytes in the block

    const uint8_t* data() const { return block.get(); }
    // An uninitialised block of `bytes` (at least 1); false when none can be had.
    bool Allocate(size_t bytes) {
        block.reset(new (std::nothrow) uint8_t[bytes ? bytes : 1]);
        size = block ? bytes : 0;
        return block != nullptr;
    }
};

}  // namespace Host

// An image: the active frame and, for files, the file's bytes. Like GDI+, a file's pixels
// are decoded when they are first asked for, so that a caller locking them into a buffer
// of its own (ImageLockModeUserInputBuf) has them decoded straight into it.
struct GpImage {
    Host::EncodedBytes encoded;               // the whole file; empty for made bitmaps
    const Host::ImageCodec* codec = nullptr;  // the file's codec; null for made bitmaps
    uint32_t frameCount = 0;                  // frames in the file, 0 until counted
    uint32_t activeFrame = 0;                 // the frame `frame` describes
    Host::ImageFrame frame;                   // its layout, palette, resolution and pixels
    bool decoded = false;                     // `frame` has its rows (always for made bitmaps)
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

// Reads a whole file with one read into a block of its size (no growing buffer, no copy).
Status ReadWholeFile(const WCHAR* filename, Host::EncodedBytes& bytes) {
    std::string path;
    if (!Utf16ToUtf8(filename, path)) return InvalidParameter;
    FilePtr file(std::fopen(path.c_str(), "rb"));
    if (!file) return FileNotFound;
    struct stat info;
    if (fstat(fileno(file.get()), &info) != 0 || !S_ISREG(info.st_mode)) return FileNotFound;
    if (uint64_t(info.st_size) > SIZE_MAX / 2) return OutOfMemory;
    if (!bytes.Allocate(size_t(info.st_size))) return OutOfMemory;
    // A file that shrank since fstat reads short: only what was read counts.
    bytes.size = std::fread(bytes.block.get(), 1, bytes.size, file.get());
    return std::ferror(file.get()) ? Win32Error : Ok;
}

// The layout, palette and resolution of frame `index`, without its pixels.
Status ReadLayout(const Host::ImageCodec* codec, const Host::EncodedBytes& bytes, uint32_t index,
                  Host::ImageFrame& frame) {
    frame.mode = Host::ImageFrame::Mode::Layout;
    Status status = codec->decode(bytes.data(), bytes.size, index, frame);
    frame.mode = Host::ImageFrame::Mode::Own;
    // The decoder stops where the rows would be needed; anything else is a failure.
    return status == Aborted ? Ok : status == Ok ? GenericError : status;
}

// Decodes the active frame's rows into the image's own store.
Status Decode(GpImage* image) {
    if (image->decoded) return Ok;
    Host::ImageFrame frame;
    Status status =
        image->codec->decode(image->encoded.data(), image->encoded.size, image->activeFrame, frame);
    if (status != Ok) return status;
    image->frame = std::move(frame);
    image->decoded = true;
    return Ok;
}

// Makes an image of the file in `bytes` with its first frame's layout read.
Status CreateFromBytes(Host::EncodedBytes&& bytes, GpBitmap** bitmap) {
    const Host::ImageCodec* codec = nullptr;
    for (const Host::ImageCodec* candidate : Host::kImageCodecs)
        if (candidate->matches(bytes.data(), bytes.size)) codec = candidate;
    if (!codec) return UnknownImageFormat;
    std::unique_ptr<GpImage> image(new (std::nothrow) GpImage);
    if (!image) return OutOfMemory;
    Status status = ReadLayout(codec, bytes, 0, image->frame);
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
    Host::EncodedBytes bytes;
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
    Host::EncodedBytes bytes;
    if (!bytes.Allocate(size_t(stat.cbSize.QuadPart))) return OutOfMemory;
    ULONG read = 0;
    if (stream->Read(bytes.block.get(), ULONG(bytes.size), &read) < 0 || read != bytes.size)
        return Win32Error;
    return CreateFromBytes(std::move(bytes), bitmap);
}

GpStatus GdipCreateBitmapFromScan0(INT width, INT height, INT stride, PixelFormat format,
                                   BYTE* scan0, GpBitmap** bitmap) {
    if (!bitmap || width <= 0 || height <= 0) return InvalidParameter;
    if (!Started()) return GdiplusNotInitialized;
    if (format != PixelFormat24bppRGB && format != PixelFormat32bppRGB &&
        format != PixelFormat32bppARGB && format != PixelFormat32bppPARGB)
        return InvalidParameter;
    std::unique_ptr<GpImage> image(new (std::nothrow) GpImage);
    if (!image) return OutOfMemory;
    Host::ImageFrame& frame = image->frame;
    if (scan0) {
        // The caller's rows, used in place for the bitmap's life: top-down, 4-byte aligned.
        if (stride <= 0 || stride % 4 != 0 ||
            uint64_t(stride) < Host::ImageFrame::RowBytes(UINT(width), format))
            return InvalidParameter;
        frame.width = UINT(width), frame.height = UINT(height), frame.format = format;
        frame.stride = stride;
        frame.scan0 = scan0;
    } else {
        Status status = frame.Allocate(UINT(width), UINT(height), format);
        if (status != Ok) return status;
    }
    image->decoded = true;
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
            Status status = image->codec->countFrames(image->encoded.data(), image->encoded.size,
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
    // Read aside, so that a frame that fails leaves the active one as it was.
    Host::ImageFrame frame;
    status = ReadLayout(image->codec, image->encoded, frameIndex, frame);
    if (status != Ok) return status;
    image->frame = std::move(frame);
    image->activeFrame = frameIndex;
    image->decoded = false;
    return Ok;
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
    if (!(flags & (ImageLockModeRead | ImageLockModeWrite))) return InvalidParameter;
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
    if (flags & ImageLockModeUserInputBuf) {
        // Reading into the caller's rows: the whole image, top-down rows of enough bytes.
        // A file not decoded yet is decoded straight into them.
        uint64_t rowBytes = Host::ImageFrame::RowBytes(UINT(r.Width), format);
        if ((flags & ImageLockModeWrite) || !lockedData->Scan0 || lockedData->Stride <= 0 ||
            uint64_t(lockedData->Stride) < rowBytes)
            return InvalidParameter;
        auto* dst = static_cast<uint8_t*>(lockedData->Scan0);
        if (!bitmap->decoded && r.X == 0 && r.Y == 0 && uint32_t(r.Width) == frame.width &&
            uint32_t(r.Height) == frame.height) {
            Host::ImageFrame target;
            target.width = frame.width, target.height = frame.height, target.format = frame.format;
            target.mode = Host::ImageFrame::Mode::Lent;
            target.lentRows = dst;
            target.lentStride = lockedData->Stride;
            Status status = bitmap->codec->decode(bitmap->encoded.data(), bitmap->encoded.size,
                                                  bitmap->activeFrame, target);
            if (status != Ok) return status;
        } else {
            Status status = Decode(bitmap);
            if (status != Ok) return status;
            for (INT y = 0; y < r.Height; ++y)
                std::memcpy(dst + size_t(lockedData->Stride) * y,
                            frame.Row(UINT(r.Y + y)) + uint64_t(r.X) * bits / 8, size_t(rowBytes));
        }
    } else {
        Status status = Decode(bitmap);
        if (status != Ok) return status;
        lockedData->Stride = frame.stride;
        lockedData->Scan0 = frame.Row(UINT(r.Y)) + uint64_t(r.X) * bits / 8;
    }
    bitmap->locked = true;
    lockedData->Width = UINT(r.Width);
    lockedData->Height = UINT(r.Height);
    lockedData->PixelFormat = frame.format;
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
    Status status = Decode(image);
    if (status != Ok) return status;
    std::vector<uint8_t> bytes;
    status = codec->encode(image->frame, bytes);
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
