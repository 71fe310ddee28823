#include "graphics/software/swdrawablewriteback.h"

#include <utility>

#include "graphics/bitmap/bitmapbase.h"
#include "graphics/bitmap/palette.h"
#include "graphics/bitmap/pixelconversion.h"
#include "graphics/bitmap/pixelformat.h"
#include "graphics/bitmap/pixelformatconverter.h"
#include "graphics/core/processheap.h"

namespace Graphics {

namespace {

uint32_t Channel(uint32_t pixel, int32_t shift) {
    return (pixel >> shift) & 0xFF;
}

// Luminance of the colour bytes as stored (a premultiplied pixel reads as over black).
uint32_t LuminanceOf(uint32_t pargb) {
    return PixelConversion::Luminance(Channel(pargb, 16), Channel(pargb, 8), Channel(pargb, 0));
}

uint32_t DistanceSquared(uint32_t a, uint32_t b) {
    uint32_t sum = 0;
    for (int32_t shift = 0; shift < 32; shift += 8) {
        const int32_t d = int32_t(Channel(a, shift)) - int32_t(Channel(b, shift));
        sum += uint32_t(d * d);
    }
    return sum;
}

void SetBit(uint8_t* row, int64_t bit, uint32_t value) {
    const uint8_t mask = uint8_t(0x80u >> (bit % 8));
    row[bit / 8] = uint8_t(value ? row[bit / 8] | mask : row[bit / 8] & ~mask);
}

}  // namespace

SwDrawableWriteBack::SwDrawableWriteBack(std::shared_ptr<BitmapBase> bitmap,
                                         std::shared_ptr<BitmapBase> drawable)
    : bitmap_(std::move(bitmap)),
      drawable_(std::move(drawable)),
      format_(bitmap_->GetPixelFormat()) {
    const std::shared_ptr<Palette> palette = bitmap_->GetPalette();
    if (!PixelFormat::IsIndexed(format_) || !palette) return;
    // The palette as the drawable shows it: straight ARGB premultiplied like every pixel.
    const size_t count = palette->GetNumColors();
    entries_.resize(count);
    PixelConversion::Get(GXPixelFormatARGB32, GXPixelFormatPARGB32)(
        reinterpret_cast<const uint8_t*>(palette->GetColors()),
        reinterpret_cast<uint8_t*>(entries_.data()), int32_t(count));
}

uint32_t SwDrawableWriteBack::Nearest(uint32_t pargb) {
    switch (format_) {
        case GXPixelFormatGray8:
            // The forward mapping makes grey v (255, v, v, v), whose luminance is v again.
            return LuminanceOf(pargb);
        case GXPixelFormatGray1:
            return LuminanceOf(pargb) >= 128;
        case GXPixelFormatA1:
            return Channel(pargb, 24) >= 128;
        default:
            break;
    }
    // Indexed: the nearest entry over the four premultiplied channels; neighbouring pixels
    // are often painted alike, so the last answer is kept.
    if (haveLast_ && pargb == lastPainted_) return lastNearest_;
    uint32_t best = 0, bestDistance = UINT32_MAX;
    for (size_t i = 0; i < entries_.size() && bestDistance; ++i) {
        const uint32_t distance = DistanceSquared(pargb, entries_[i]);
        if (distance < bestDistance) {
            bestDistance = distance;
            best = uint32_t(i);
        }
    }
    haveLast_ = true;
    lastPainted_ = pargb;
    lastNearest_ = best;
    return best;
}

void SwDrawableWriteBack::WriteRow(const uint32_t* painted, const uint32_t* original, uint8_t* row,
                                   int32_t firstBit, int32_t width) {
    const int32_t bits = PixelFormat::GetBitsPerPixel(format_);
    const bool converts = format_ == GXPixelFormatRGB24 || format_ == GXPixelFormatARGB32 ||
                          format_ == GXPixelFormatA8;
    const RowConverter convert =
        converts ? PixelConversion::Get(GXPixelFormatPARGB32, format_) : nullptr;
    for (int32_t x = 0; x < width;) {
        if (painted[x] == original[x]) {
            ++x;
            continue;
        }
        if (convert) {
            // A run of painted pixels converts in one call.
            int32_t end = x + 1;
            while (end < width && painted[end] != original[end]) ++end;
            convert(reinterpret_cast<const uint8_t*>(painted + x), row + int64_t(x) * bits / 8,
                    end - x);
            x = end;
            continue;
        }
        const uint32_t value = Nearest(painted[x]);
        if (bits == 1)
            SetBit(row, firstBit + x, value);
        else
            row[x] = uint8_t(value);
        ++x;
    }
}

void SwDrawableWriteBack::Write(const GXIntRect& area) {
    const int32_t width = area.right - area.left, height = area.bottom - area.top;
    if (width <= 0 || height <= 0) return;
    // What the bitmap's own pixels look like in the drawable, read before the bitmap is
    // locked for writing.
    const size_t rowPixels = size_t(width);
    HeapBlock<uint32_t> original(
        static_cast<uint32_t*>(ProcessHeap::AllocAligned(rowPixels * 4 * size_t(height))));
    PixelFormatConverter forward(bitmap_, GXPixelFormatPARGB32);
    forward.CopyPixels(&area, reinterpret_cast<uint8_t*>(original.get()), width * 4, width * 4);
    BitmapLock painted(*drawable_, &area, LockMode::Read);
    BitmapLock target(*bitmap_, &area, LockMode::ReadWrite);
    const uint8_t* paintedRow = static_cast<const uint8_t*>(painted.Data().data);
    uint8_t* targetRow = static_cast<uint8_t*>(target.Data().data);
    for (int32_t y = 0; y < height; ++y) {
        WriteRow(reinterpret_cast<const uint32_t*>(paintedRow),
                 original.get() + rowPixels * size_t(y), targetRow, area.left % 8, width);
        paintedRow += painted.Data().stride;
        targetRow += target.Data().stride;
    }
}

}  // namespace Graphics
