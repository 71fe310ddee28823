// Bitmap's image-file operations: files are decoded and encoded by the platform's image
// codecs, called directly. A decoder first reports the frame's layout, then writes its
// rows straight into the new bitmap; an encoder reads the bitmap's own rows wherever its
// format allows.
#include <optional>
#include <string_view>

#include "graphics/bitmap/bitmap.h"
#include "graphics/bitmap/bitmapbase.h"
#include "graphics/bitmap/palette.h"
#include "graphics/bitmap/pixelformat.h"
#include "graphics/bitmap/pixelformatconverter.h"
#include "graphics/core/exception.h"
#include "platform/imagecodec.h"
#include "platform/imagefile.h"

namespace Graphics {

namespace {

using Host::CodecResult;
using Host::ImageCodec;
using Host::ImageFrame;

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

// The layout of frame `index` of the file in `data` as `codec` reads it, without its
// pixels; a frame that cannot be read raises "Failed to load".
ImageFrame ReadLayout(const ImageCodec& codec, const uint8_t* data, size_t size, uint32_t index) {
    ImageFrame frame;
    frame.mode = ImageFrame::Mode::Layout;
    if (codec.decode(data, size, index, frame) != CodecResult::LayoutRead)
        GX_RAISE("Failed to load");
    return frame;
}

// Frame `frameIndex` of the image file in `data` as a new bitmap of the frame's size,
// format and resolution: the layout first, then the rows decoded straight into the
// bitmap's own store. The file is recognised by its signature and its first frame's
// layout; the frame count is read only when it is asked for or the frame is not the first.
std::shared_ptr<Bitmap> Load(const uint8_t* data, size_t size, int32_t frameIndex,
                             uint32_t* frameCount) {
    const ImageCodec* codec = Host::FindDecoder(data, size);
    if (!codec) GX_RAISE("Failed to load");
    ImageFrame frame = ReadLayout(*codec, data, size, 0);
    if (frameIndex != 0 || frameCount) {
        uint32_t count = 0;
        if (codec->countFrames(data, size, &count) != CodecResult::Ok) GX_RAISE("Failed to load");
        if (frameCount) *frameCount = count;
        // Compared unsigned, so a negative index is out of range too.
        if (uint32_t(frameIndex) >= count) GX_RAISE("Failed to load. Frame index is out of range.");
        if (frameIndex != 0) frame = ReadLayout(*codec, data, size, uint32_t(frameIndex));
    }
    if (frame.width > INT32_MAX || frame.height > INT32_MAX) return nullptr;
    GXBitmapDesc desc{int32_t(frame.width), int32_t(frame.height), frame.format, frame.dpiX,
                      frame.dpiY};
    if (!Bitmap::CanCreate(desc)) return nullptr;
    std::shared_ptr<Bitmap> bitmap = Bitmap::Create(desc);
    {
        BitmapLock rows(*bitmap->GetImpl(), nullptr, LockMode::Write);
        frame.mode = ImageFrame::Mode::Lent;
        frame.lentRows = static_cast<uint8_t*>(rows.Data().data);
        frame.lentStride = rows.Data().stride;
        frame.palette.clear();  // the decode fills it again
        if (frame.lentStride <= 0 ||
            codec->decode(data, size, uint32_t(frameIndex), frame) != CodecResult::Ok)
            GX_RAISE("Failed to load");
    }
    if (!frame.palette.empty())
        bitmap->SetPalette(std::make_shared<Palette>(frame.palette.data(), frame.palette.size()));
    return bitmap;
}

// "image/" and the path's extension: the text after the last '.', the whole path when it
// has none, with "jpg" and "tif" spelled out (exact, case-sensitive).
std::u16string MimeTypeOf(const char16_t* path) {
    std::u16string_view whole(path);
    size_t dot = whole.rfind(u'.');
    std::u16string_view extension = dot == whole.npos ? whole : whole.substr(dot + 1);
    std::u16string mime = u"image/";
    mime += extension == u"jpg" ? u"jpeg" : extension == u"tif" ? u"tiff" : extension;
    return mime;
}

}  // namespace

std::shared_ptr<Bitmap> Bitmap::LoadFromFile(const uint16_t* path) {
    return LoadFromFileEx(path, 0, nullptr);
}

std::shared_ptr<Bitmap> Bitmap::LoadFromFileEx(const uint16_t* path, int32_t frameIndex,
                                               uint32_t* frameCount) {
    std::unique_ptr<uint8_t[]> bytes;
    size_t size = 0;
    if (!Host::ImageFile::Read(reinterpret_cast<const char16_t*>(path), bytes, size))
        GX_RAISE("Failed to load");
    return Load(bytes.get(), size, frameIndex, frameCount);
}

std::shared_ptr<Bitmap> Bitmap::LoadFromMemory(const void* data, uint64_t size) {
    if (size > SIZE_MAX) return nullptr;
    // Decoded where the caller's bytes lie: nothing is copied.
    return Load(static_cast<const uint8_t*>(data), size_t(size), 0, nullptr);
}

void Bitmap::SaveToFile(const uint16_t* path) const {
    const char16_t* name = reinterpret_cast<const char16_t*>(path);
    const ImageCodec* codec = Host::FindEncoder(MimeTypeOf(name));
    if (!codec) GX_RAISE("Failed to save bitmap: Unknown file format");
    GXIntSize size = GetSize();
    // No image format holds an image without pixels: saving one is a failure, not a
    // success that writes nothing.
    if (size.width <= 0 || size.height <= 0) GX_RAISE("Failed to save bitmap");
    ImageFrame frame;
    // A resolution no file can hold (zero, negative, not finite) is saved as 96 dpi.
    if (GetDpiX() > 0 && GetDpiX() < 1e6f && GetDpiY() > 0 && GetDpiY() < 1e6f) {
        frame.dpiX = GetDpiX();
        frame.dpiY = GetDpiY();
    }
    GXPixelFormat savedFormat = SavedFormat(GetPixelFormat());
    // The four formats files share are encoded from the bitmap's own rows; the others are
    // converted into rows of the frame first.
    std::optional<BitmapLock> rows;
    if (savedFormat == GetPixelFormat()) rows.emplace(*impl_, nullptr, LockMode::Read);
    if (rows && rows->Data().stride > 0) {
        frame.width = uint32_t(size.width);
        frame.height = uint32_t(size.height);
        frame.format = savedFormat;
        frame.stride = rows->Data().stride;
        frame.scan0 = static_cast<uint8_t*>(rows->Data().data);
    } else {
        rows.reset();
        if (frame.Allocate(uint32_t(size.width), uint32_t(size.height), savedFormat) !=
            CodecResult::Ok)
            GX_RAISE("Failed to save bitmap");
        std::shared_ptr<BitmapSource> source = impl_;
        if (savedFormat != GetPixelFormat())
            source = std::make_shared<PixelFormatConverter>(impl_, savedFormat);
        source->CopyPixels(nullptr, frame.scan0, frame.stride, frame.stride);
    }
    std::vector<uint8_t> bytes;
    if (codec->encode(frame, bytes) != CodecResult::Ok ||
        !Host::ImageFile::Write(name, bytes.data(), bytes.size()))
        GX_RAISE("Failed to save bitmap");
}

}  // namespace Graphics
