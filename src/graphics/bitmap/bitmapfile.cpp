// Bitmap's image-file operations: decoding and encoding go through GDI+, started for each
// operation and shut down after it; decoded images are copied into a SysMemBitmap.
#include <cstring>
#include <optional>
#include <vector>

#include "graphics/core/exception.h"
#include "graphics/bitmap/bitmap.h"
#include "graphics/bitmap/bitmapbase.h"
#include "graphics/bitmap/palette.h"
#include "graphics/bitmap/pixelformat.h"
#include "graphics/bitmap/pixelformatconverter.h"
#include "platform/hostcom.h"
#include "platform/hostgdiplus.h"

namespace Graphics {

namespace {

using namespace Gdiplus;
using namespace Gdiplus::DllExports;

// GDI+ started for one operation.
class GdipScope {
public:
    GdipScope() { GdipStartup(); }
    ~GdipScope() { GdiplusShutdown(token_); }
    GdipScope(const GdipScope&) = delete;
    GdipScope& operator=(const GdipScope&) = delete;

private:
    void GdipStartup() {
        GdiplusStartupInput input;
        if (GdiplusStartup(&token_, &input, nullptr) != Ok) GX_RAISE("Failed to initialize GDI+");
    }

    ULONG_PTR token_ = 0;  // what GdiplusShutdown takes back
};

// Owns one GDI+ image.
class GdipImageHolder {
public:
    explicit GdipImageHolder(GpImage* image) : image_(image) {}
    ~GdipImageHolder() { GdipDisposeImage(image_); }
    GdipImageHolder(const GdipImageHolder&) = delete;
    GdipImageHolder& operator=(const GdipImageHolder&) = delete;

    GpImage* get() const { return image_; }

private:
    GpImage* image_;  // never null
};

// Holds GDI+ bitmap rows locked for one scope. With ImageLockModeUserInputBuf the rows
// of `data` are the caller's, and GDI+ reads the image into them.
class GdipBitsLock {
public:
    GdipBitsLock(GpBitmap* bitmap, UINT mode, Gdiplus::PixelFormat format, const BitmapData& data,
                 const char* failure)
        : bitmap_(bitmap), data_(data) {
        Rect whole{0, 0, INT(data.Width), INT(data.Height)};
        if (GdipBitmapLockBits(bitmap, &whole, mode, format, &data_) != Ok) GX_RAISE(failure);
    }
    ~GdipBitsLock() { GdipBitmapUnlockBits(bitmap_, &data_); }
    GdipBitsLock(const GdipBitsLock&) = delete;
    GdipBitsLock& operator=(const GdipBitsLock&) = delete;

    const BitmapData& Data() const { return data_; }

private:
    GpBitmap* bitmap_;  // locked while this object lives
    BitmapData data_;   // the locked rows
};

// The library format of a decoded GDI+ format, 0 when there is none.
GXPixelFormat FormatFromGdip(Gdiplus::PixelFormat format) {
    switch (format) {
        case PixelFormat24bppRGB:
            return PixelFormat::RGB24;
        case PixelFormat32bppPARGB:
            return PixelFormat::PARGB32;
        case PixelFormat32bppARGB:
            return PixelFormat::ARGB32;
        case PixelFormat32bppRGB:
        case PixelFormat32bppCMYK:
            return PixelFormat::RGB32;
        case PixelFormat8bppIndexed:
            return PixelFormat::Indexed8;
        case PixelFormat1bppIndexed:
            return PixelFormat::Indexed1;
        default:
            return 0;
    }
}

// The pixel format a library format is saved in: the four direct formats as they are,
// alpha-only formats as opaque grey, grey and indexed formats through their colours.
GXPixelFormat SavedFormat(GXPixelFormat format) {
    switch (format) {
        case PixelFormat::RGB24:
        case PixelFormat::PARGB32:
        case PixelFormat::ARGB32:
        case PixelFormat::RGB32:
            return format;
        case PixelFormat::A8:
        case PixelFormat::A1:
            return PixelFormat::RGB32;
        default:
            return PixelFormat::ARGB32;
    }
}

Gdiplus::PixelFormat GdipFormatOf(GXPixelFormat format) {
    switch (format) {
        case PixelFormat::RGB24:
            return PixelFormat24bppRGB;
        case PixelFormat::PARGB32:
            return PixelFormat32bppPARGB;
        case PixelFormat::ARGB32:
            return PixelFormat32bppARGB;
        default:
            return PixelFormat32bppRGB;
    }
}

std::shared_ptr<Bitmap> GdipCreateBitmapFromGdipBitmap(GpBitmap* image) {
    Gdiplus::PixelFormat gdipFormat = 0;
    UINT width = 0, height = 0;
    REAL dpiX = 0, dpiY = 0;
    if (GdipGetImagePixelFormat(image, &gdipFormat) != Ok ||
        GdipGetImageWidth(image, &width) != Ok || GdipGetImageHeight(image, &height) != Ok ||
        GdipGetImageHorizontalResolution(image, &dpiX) != Ok ||
        GdipGetImageVerticalResolution(image, &dpiY) != Ok)
        GX_RAISE("Failed to load");
    GXPixelFormat format = FormatFromGdip(gdipFormat);
    if (format == 0 || width > INT32_MAX || height > INT32_MAX) return nullptr;
    GXBitmapDesc desc{int32_t(width), int32_t(height), format, dpiX, dpiY};
    if (!Bitmap::CanCreate(desc)) return nullptr;
    std::shared_ptr<Bitmap> bitmap = Bitmap::Create(desc);
    {
        // GDI+ reads the image straight into the new bitmap's rows: the same rows a copy
        // through GXBitmapCopyFromMemory would give, without a second pixel store.
        BitmapLock rows(*bitmap->GetImpl(), nullptr, LockMode::Write);
        BitmapData data{width, height, rows.Data().stride, gdipFormat, rows.Data().data, 0};
        GdipBitsLock lock(image, ImageLockModeRead | ImageLockModeUserInputBuf, gdipFormat, data,
                          "Failed to load");
    }
    INT paletteBytes = 0;
    if (GdipGetImagePaletteSize(image, &paletteBytes) == Ok &&
        paletteBytes >= INT(sizeof(ColorPalette))) {
        // Whole 32-bit words: the header's two words, then the entries.
        std::vector<uint32_t> words((size_t(paletteBytes) + 3) / 4);
        if (GdipGetImagePalette(image, reinterpret_cast<ColorPalette*>(words.data()),
                                paletteBytes) == Ok) {
            uint32_t count = words[1];
            if (count >= 1 && count <= words.size() - 2)
                bitmap->SetPalette(std::make_shared<Palette>(words.data() + 2, count));
        }
    }
    return bitmap;
}

// "image/" and the path's extension: the text after the last '.', the whole path when it
// has none, with "jpg" and "tif" spelled out (exact, case-sensitive).
std::vector<WCHAR> MimeTypeOf(const uint16_t* path) {
    size_t length = 0, dot = SIZE_MAX;
    for (; path[length] != 0; ++length)
        if (path[length] == '.') dot = length;
    const uint16_t* extension = dot == SIZE_MAX ? path : path + dot + 1;
    size_t extensionLength = dot == SIZE_MAX ? length : length - dot - 1;
    auto spelled = [&](const char* text) {
        size_t n = std::strlen(text);
        if (n != extensionLength) return false;
        for (size_t i = 0; i < n; ++i)
            if (extension[i] != uint16_t(text[i])) return false;
        return true;
    };
    std::vector<WCHAR> mime;
    for (const char* c = "image/"; *c; ++c) mime.push_back(WCHAR(*c));
    const char* replacement = spelled("jpg") ? "jpeg" : spelled("tif") ? "tiff" : nullptr;
    if (replacement) {
        for (const char* c = replacement; *c; ++c) mime.push_back(WCHAR(*c));
    } else {
        mime.insert(mime.end(), extension, extension + extensionLength);
    }
    return mime;
}

bool SameText(const WCHAR* text, const std::vector<WCHAR>& expected) {
    size_t i = 0;
    for (; i < expected.size(); ++i)
        if (text[i] != expected[i]) return false;
    return text[i] == 0;
}

// The encoder whose MIME type is `mime`; inside a started GDI+ scope.
CLSID FindEncoder(const std::vector<WCHAR>& mime) {
    UINT count = 0, bytes = 0;
    if (GdipGetImageEncodersSize(&count, &bytes) != Ok) GX_RAISE("Failed to save bitmap");
    // Whole 64-bit words keep the records aligned.
    std::vector<uint64_t> buffer((size_t(bytes) + 7) / 8);
    auto* encoders = reinterpret_cast<ImageCodecInfo*>(buffer.data());
    if (count == 0 || GdipGetImageEncoders(count, bytes, encoders) != Ok)
        GX_RAISE("Failed to save bitmap");
    for (UINT i = 0; i < count; ++i)
        if (encoders[i].MimeType && SameText(encoders[i].MimeType, mime)) return encoders[i].Clsid;
    GX_RAISE("Failed to save bitmap: Unknown file format");
}

// Releases a COM stream when the scope ends.
struct StreamHolder {
    IStream* stream;  // one reference owned
    ~StreamHolder() { stream->Release(); }
};

// A locked global block, unlocked and freed when the scope ends.
class GlobalBlock {
public:
    explicit GlobalBlock(uint64_t size)
        : handle_(size <= SIZE_MAX ? GlobalAlloc(GMEM_MOVEABLE, SIZE_T(size)) : nullptr),
          data_(handle_ ? GlobalLock(handle_) : nullptr) {}
    ~GlobalBlock() {
        if (data_) GlobalUnlock(handle_);
        GlobalFree(handle_);
    }
    GlobalBlock(const GlobalBlock&) = delete;
    GlobalBlock& operator=(const GlobalBlock&) = delete;

    HGLOBAL Handle() const { return handle_; }
    void* Data() const { return data_; }

private:
    HGLOBAL handle_;  // null when the block could not be had
    void* data_;      // the locked bytes, null when not locked
};

}  // namespace

std::shared_ptr<Bitmap> Bitmap::LoadFromFile(const uint16_t* path) {
    return LoadFromFileEx(path, 0, nullptr);
}

std::shared_ptr<Bitmap> Bitmap::LoadFromFileEx(const uint16_t* path, int32_t frameIndex,
                                               uint32_t* frameCount) {
    GdipScope scope;
    GpBitmap* created = nullptr;
    if (GdipCreateBitmapFromFile(reinterpret_cast<const WCHAR*>(path), &created) != Ok)
        GX_RAISE("Failed to load");
    GdipImageHolder image(created);
    if (frameIndex != 0 || frameCount) {
        UINT dimensions = 0;
        if (GdipImageGetFrameDimensionsCount(image.get(), &dimensions) != Ok || dimensions == 0)
            GX_RAISE("Failed to load");
        std::vector<GUID> ids(dimensions);
        UINT count = 0;
        if (GdipImageGetFrameDimensionsList(image.get(), ids.data(), dimensions) != Ok ||
            GdipImageGetFrameCount(image.get(), &ids[0], &count) != Ok)
            GX_RAISE("Failed to load");
        if (frameCount) *frameCount = count;
        // Compared unsigned, so a negative index is out of range too.
        if (uint32_t(frameIndex) >= count) GX_RAISE("Failed to load. Frame index is out of range.");
        if (GdipImageSelectActiveFrame(image.get(), &ids[0], UINT(frameIndex)) != Ok)
            GX_RAISE("Failed to load");
    }
    return GdipCreateBitmapFromGdipBitmap(image.get());
}

std::shared_ptr<Bitmap> Bitmap::LoadFromMemory(const void* data, uint64_t size) {
    GlobalBlock block(size);
    if (!block.Data()) return nullptr;
    std::memcpy(block.Data(), data, size_t(size));
    IStream* created = nullptr;
    if (CreateStreamOnHGlobal(block.Handle(), 0, &created) != S_OK) return nullptr;
    GdipScope scope;
    GpBitmap* decoded = nullptr;
    Status status;
    {
        StreamHolder stream{created};
        status = GdipCreateBitmapFromStream(stream.stream, &decoded);
    }
    if (status != Ok) GX_RAISE("Failed to load");
    GdipImageHolder image(decoded);
    return GdipCreateBitmapFromGdipBitmap(image.get());
}

void Bitmap::SaveToFile(const uint16_t* path) const {
    std::vector<WCHAR> mime = MimeTypeOf(path);
    GXIntSize size = GetSize();
    if (size.width == 0 || size.height == 0) return;
    GdipScope scope;
    CLSID encoder = FindEncoder(mime);
    GXPixelFormat savedFormat = SavedFormat(GetPixelFormat());
    std::shared_ptr<BitmapSource> source = impl_;
    if (savedFormat != GetPixelFormat())
        source = std::make_shared<PixelFormatConverter>(impl_, savedFormat);
    Gdiplus::PixelFormat gdipFormat = GdipFormatOf(savedFormat);
    // The four formats GDI+ shares are encoded from the bitmap's own rows; the others are
    // converted into a GDI+ bitmap first.
    std::optional<BitmapLock> rows;
    if (savedFormat == GetPixelFormat()) rows.emplace(*impl_, nullptr, LockMode::Read);
    GXBitmapData window = rows ? rows->Data() : GXBitmapData{};
    bool inPlace = rows && window.stride > 0 && window.stride % 4 == 0;
    GpBitmap* created = nullptr;
    if (GdipCreateBitmapFromScan0(size.width, size.height, inPlace ? window.stride : 0, gdipFormat,
                                  inPlace ? static_cast<BYTE*>(window.data) : nullptr,
                                  &created) != Ok)
        GX_RAISE("Failed to save bitmap");
    GdipImageHolder image(created);
    // A resolution GDI+ cannot take (zero, negative, not finite) leaves its 96 dpi.
    GdipBitmapSetResolution(image.get(), GetDpiX(), GetDpiY());
    if (!inPlace) {
        BitmapData data{UINT(size.width), UINT(size.height), 0, gdipFormat, nullptr, 0};
        GdipBitsLock lock(image.get(), ImageLockModeWrite, gdipFormat, data,
                          "Failed to save bitmap");
        source->CopyPixels(nullptr, static_cast<uint8_t*>(lock.Data().Scan0), lock.Data().Stride,
                           lock.Data().Stride);
    }
    if (GdipSaveImageToFile(image.get(), reinterpret_cast<const WCHAR*>(path), &encoder, nullptr) !=
        Ok)
        GX_RAISE("Failed to save bitmap");
}

}  // namespace Graphics
