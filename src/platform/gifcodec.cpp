// GIF through giflib, over memory. Each image of the file is a frame, shown on the
// logical screen: pixels outside the image take the transparent index when the frame has
// one, else the background colour. Frames are not composed over earlier ones.
#include <gif_lib.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <unordered_map>

#include "platform/imagecodec.h"

namespace Host {

namespace {

using enum CodecResult;

// The bytes giflib reads from.
struct GifInput {
    const uint8_t* data;  // the whole file
    size_t size;          // bytes in the file
    size_t position;      // next byte to hand out
};

int ReadBytes(GifFileType* gif, GifByteType* out, int count) {
    auto* input = static_cast<GifInput*>(gif->UserData);
    if (count <= 0) return 0;
    size_t n = std::min(size_t(count), input->size - input->position);
    std::memcpy(out, input->data + input->position, n);
    input->position += n;
    return int(n);
}

int WriteBytes(GifFileType* gif, const GifByteType* bytes, int count) {
    auto* out = static_cast<std::vector<uint8_t>*>(gif->UserData);
    try {
        out->insert(out->end(), bytes, bytes + count);
    } catch (const std::bad_alloc&) {
        return 0;
    }
    return count;
}

// Closes a giflib decoder or encoder when the scope ends.
struct GifReader {
    GifFileType* gif;  // null when the open failed
    ~GifReader() {
        int error;
        if (gif) DGifCloseFile(gif, &error);
    }
};

// Skips the rest of the current image's compressed data.
bool SkipImage(GifFileType* gif) {
    int codeSize;
    GifByteType* block;
    if (DGifGetCode(gif, &codeSize, &block) != GIF_OK) return false;
    while (block)
        if (DGifGetCodeNext(gif, &block) != GIF_OK) return false;
    return true;
}

// Reads an extension, keeping the transparent index of a graphic control block.
bool ReadExtension(GifFileType* gif, int& transparent) {
    int code;
    GifByteType* block;
    if (DGifGetExtension(gif, &code, &block) != GIF_OK) return false;
    if (code == GRAPHICS_EXT_FUNC_CODE && block) {
        GraphicsControlBlock control;
        if (DGifExtensionToGCB(block[0], block + 1, &control) == GIF_OK)
            transparent = control.TransparentColor;
    }
    while (block)
        if (DGifGetExtensionNext(gif, &block) != GIF_OK) return false;
    return true;
}

// What giflib holds while it decodes, besides the frame: its LZW tables and stack, the
// colour maps and the file's records, well under this.
constexpr uint64_t kDecoderBytes = uint64_t(64) << 10;

// A 12-bit LZW code stands for at most 4096 pixels: no more than this many pixels per byte
// of image data can be in a file.
constexpr uint64_t kMaxPixelsPerLzwByte = 4096 * 8 / 12 + 1;

// Bytes in the current image's data sub-blocks, read from where giflib stands (just past
// the image's descriptor); false when they run past the end of the file.
bool ImageDataBytes(const GifInput& input, uint64_t& total) {
    total = 0;
    for (size_t at = input.position; at < input.size;) {
        size_t length = input.data[at];
        if (length == 0) return true;
        if (length > input.size - at - 1) return false;
        total += length;
        at += length + 1;
    }
    return false;
}

// Decodes the current image onto the logical screen.
CodecResult ReadImage(GifFileType* gif, int transparent, ImageFrame& frame) {
    const GifImageDesc& desc = gif->Image;
    const ColorMapObject* colors = desc.ColorMap ? desc.ColorMap : gif->SColorMap;
    if (!colors || desc.Width <= 0 || desc.Height <= 0 || desc.Left < 0 || desc.Top < 0)
        return Unreadable;
    // An image whose data is cut short, or too short for its declared size, is refused
    // before anything is allocated for it.
    uint64_t dataBytes = 0;
    if (!ImageDataBytes(*static_cast<const GifInput*>(gif->UserData), dataBytes) ||
        uint64_t(desc.Width) * uint64_t(desc.Height) > dataBytes * kMaxPixelsPerLzwByte)
        return Unreadable;
    for (int i = 0; i < colors->ColorCount; ++i) {
        const GifColorType& c = colors->Colors[i];
        uint32_t alpha = i == transparent ? 0u : 0xff000000u;
        frame.palette.push_back(alpha | (uint32_t(c.Red) << 16) | (uint32_t(c.Green) << 8) |
                                c.Blue);
    }
    // An image reaching past the screen widens the frame rather than being cut.
    uint32_t width = std::max<uint32_t>(gif->SWidth, uint32_t(desc.Left) + uint32_t(desc.Width));
    uint32_t height = std::max<uint32_t>(gif->SHeight, uint32_t(desc.Top) + uint32_t(desc.Height));
    CodecResult status = frame.Allocate(width, height, GXPixelFormatIndexed8, kDecoderBytes);
    if (status != Ok) return status;
    // Rows are decoded before the rest of the screen is filled, so that a corrupt or
    // truncated image fails having touched no more of a large screen than it delivered.
    // Interlaced images arrive in four passes over every 8th, 8th, 4th and 2nd row.
    static constexpr int kStart[4] = {0, 4, 2, 1}, kStep[4] = {8, 8, 4, 2};
    int passes = desc.Interlace ? 4 : 1;
    for (int pass = 0; pass < passes; ++pass) {
        int start = desc.Interlace ? kStart[pass] : 0, step = desc.Interlace ? kStep[pass] : 1;
        for (int y = start; y < desc.Height; y += step) {
            uint8_t* row = frame.Row(uint32_t(desc.Top + y)) + desc.Left;
            if (DGifGetLine(gif, row, desc.Width) != GIF_OK) return Unreadable;
        }
    }
    int fill = transparent >= 0 && transparent < colors->ColorCount ? transparent
               : gif->SBackGroundColor < colors->ColorCount         ? gif->SBackGroundColor
                                                                    : 0;
    uint32_t left = uint32_t(desc.Left), right = left + uint32_t(desc.Width);
    uint32_t top = uint32_t(desc.Top), bottom = top + uint32_t(desc.Height);
    for (uint32_t y = 0; y < height; ++y) {
        uint8_t* row = frame.Row(y);
        if (y < top || y >= bottom) {
            std::memset(row, fill, width);
        } else {
            std::memset(row, fill, left);
            std::memset(row + right, fill, width - right);
        }
    }
    return Ok;
}

// Walks the file's records: counts the images, and decodes image `wanted` when `frame`
// is given. A file that ends without its trailer after a complete image still counts.
CodecResult WalkGif(const uint8_t* data, size_t size, uint32_t wanted, ImageFrame* frame,
                    uint32_t* count) {
    GifInput input{data, size, 0};
    int error = 0;
    GifReader reader{DGifOpen(&input, ReadBytes, &error)};
    GifFileType* gif = reader.gif;
    if (!gif) return Unreadable;
    uint32_t images = 0;
    int transparent = NO_TRANSPARENT_COLOR;
    for (;;) {
        GifRecordType type;
        if (DGifGetRecordType(gif, &type) != GIF_OK) {
            if (images == 0) return Unreadable;
            break;
        }
        if (type == TERMINATE_RECORD_TYPE) break;
        if (type == EXTENSION_RECORD_TYPE) {
            if (!ReadExtension(gif, transparent)) return Unreadable;
        } else if (type == IMAGE_DESC_RECORD_TYPE) {
            if (DGifGetImageDesc(gif) != GIF_OK) return Unreadable;
            if (frame && images == wanted) return ReadImage(gif, transparent, *frame);
            if (!SkipImage(gif)) return Unreadable;
            ++images;
            transparent = NO_TRANSPARENT_COLOR;  // a control block governs one image
        } else {
            return Unreadable;
        }
    }
    if (frame) return NoSuchFrame;  // fewer images than `wanted`
    *count = images;
    return images ? Ok : Unreadable;
}

bool GifMatches(const uint8_t* data, size_t size) {
    return size >= 6 &&
           (std::memcmp(data, "GIF87a", 6) == 0 || std::memcmp(data, "GIF89a", 6) == 0);
}

CodecResult GifCountFrames(const uint8_t* data, size_t size, uint32_t* count) {
    try {
        return WalkGif(data, size, 0, nullptr, count);
    } catch (const std::bad_alloc&) {
        return OutOfMemory;
    }
}

CodecResult GifDecode(const uint8_t* data, size_t size, uint32_t index, ImageFrame& frame) {
    try {
        return WalkGif(data, size, index, &frame, nullptr);
    } catch (const std::bad_alloc&) {
        return OutOfMemory;
    }
}

// Palette of an image and its pixels as indices. Images of at most 256 colours (255 and
// the transparent entry when some pixels have alpha below 128) keep their colours
// exactly; others are quantised by giflib to 128 or 256 colours.
struct GifPalette {
    GifColorType colors[256] = {};  // the colour map, unused entries black
    int transparent = -1;           // index of the transparent entry, -1 when none
};

bool IsTransparentPixel(const ImageFrame& frame, const uint8_t* pixel) {
    return (frame.format == GXPixelFormatARGB32 || frame.format == GXPixelFormatPARGB32) &&
           pixel[3] < 128;
}

void IndexPixels(const ImageFrame& frame, GifPalette& palette, std::vector<uint8_t>& indices) {
    int pixelBytes = frame.format == GXPixelFormatRGB24 ? 3 : 4;
    size_t count = size_t(frame.width) * frame.height;
    indices.resize(count);
    std::unordered_map<uint32_t, uint8_t> exact;
    bool anyTransparent = false, tooMany = false;
    for (uint32_t y = 0; y < frame.height && !tooMany; ++y) {
        const uint8_t* p = frame.Row(y);
        for (uint32_t x = 0; x < frame.width && !tooMany; ++x, p += pixelBytes) {
            if (IsTransparentPixel(frame, p)) {
                anyTransparent = true;
                continue;
            }
            uint32_t key = (uint32_t(p[2]) << 16) | (uint32_t(p[1]) << 8) | p[0];
            if (exact.size() < 257) exact.emplace(key, uint8_t(0));
            tooMany = exact.size() + (anyTransparent ? 1 : 0) > 256;
        }
    }
    if (!tooMany) {
        int next = 0;
        for (auto& [key, index] : exact) {
            index = uint8_t(next);
            palette.colors[next++] = {GifByteType(key >> 16), GifByteType(key >> 8),
                                      GifByteType(key)};
        }
        if (anyTransparent) palette.transparent = next;
        size_t i = 0;
        for (uint32_t y = 0; y < frame.height; ++y) {
            const uint8_t* p = frame.Row(y);
            for (uint32_t x = 0; x < frame.width; ++x, p += pixelBytes, ++i)
                indices[i] = IsTransparentPixel(frame, p)
                                 ? uint8_t(palette.transparent)
                                 : exact[(uint32_t(p[2]) << 16) | (uint32_t(p[1]) << 8) | p[0]];
        }
        return;
    }
    std::vector<GifByteType> red(count), green(count), blue(count);
    size_t i = 0;
    for (uint32_t y = 0; y < frame.height; ++y) {
        const uint8_t* p = frame.Row(y);
        for (uint32_t x = 0; x < frame.width; ++x, p += pixelBytes, ++i)
            red[i] = p[2], green[i] = p[1], blue[i] = p[0];
    }
    // With transparency, half the map is left so that the transparent entry fits.
    int mapSize = anyTransparent ? 128 : 256;
    GifQuantizeBuffer(frame.width, frame.height, &mapSize, red.data(), green.data(), blue.data(),
                      indices.data(), palette.colors);
    if (!anyTransparent) return;
    palette.transparent = 128;
    i = 0;
    for (uint32_t y = 0; y < frame.height; ++y) {
        const uint8_t* p = frame.Row(y);
        for (uint32_t x = 0; x < frame.width; ++x, p += pixelBytes, ++i)
            if (IsTransparentPixel(frame, p)) indices[i] = 128;
    }
}

// Closes a giflib encoder when the scope ends.
struct GifWriter {
    GifFileType* gif;  // null when the open failed
    ~GifWriter() {
        int error;
        if (gif) EGifCloseFile(gif, &error);
    }
};

CodecResult GifEncode(const ImageFrame& frame, std::vector<uint8_t>& out) {
    if (frame.format != GXPixelFormatRGB24 && frame.format != GXPixelFormatRGB32 &&
        frame.format != GXPixelFormatARGB32 && frame.format != GXPixelFormatPARGB32)
        return Unsupported;
    if (frame.width > 65535 || frame.height > 65535) return Unsupported;
    try {
        GifPalette palette;
        std::vector<uint8_t> indices;
        IndexPixels(frame, palette, indices);
        ColorMapObject* map = GifMakeMapObject(256, palette.colors);
        if (!map) return OutOfMemory;
        int error = 0;
        GifWriter writer{EGifOpen(&out, WriteBytes, &error)};
        bool ok = writer.gif != nullptr;
        if (ok) {
            EGifSetGifVersion(writer.gif, true);
            ok = EGifPutScreenDesc(writer.gif, int(frame.width), int(frame.height), 8, 0, map) ==
                 GIF_OK;
        }
        GifFreeMapObject(map);
        if (ok && palette.transparent >= 0) {
            GraphicsControlBlock control{DISPOSAL_UNSPECIFIED, false, 0, palette.transparent};
            GifByteType extension[4];
            size_t length = EGifGCBToExtension(&control, extension);
            ok = EGifPutExtension(writer.gif, GRAPHICS_EXT_FUNC_CODE, int(length), extension) ==
                 GIF_OK;
        }
        ok = ok && EGifPutImageDesc(writer.gif, 0, 0, int(frame.width), int(frame.height), false,
                                    nullptr) == GIF_OK;
        for (uint32_t y = 0; ok && y < frame.height; ++y)
            ok = EGifPutLine(writer.gif, indices.data() + size_t(y) * frame.width,
                             int(frame.width)) == GIF_OK;
        if (!ok) return Failed;
        // Closing writes the trailer; it must succeed for the file to be whole.
        GifFileType* gif = writer.gif;
        writer.gif = nullptr;
        return EGifCloseFile(gif, &error) == GIF_OK ? Ok : Failed;
    } catch (const std::bad_alloc&) {
        return OutOfMemory;
    }
}

}  // namespace

extern const ImageCodec GifCodec = {
    "image/gif", GifMatches, GifCountFrames, GifDecode, GifEncode,
};

}  // namespace Host
