#include "graphics/bitmap/pixelformatconverter.h"

#include <algorithm>
#include <optional>

#include "graphics/core/processheap.h"
#include "graphics/bitmap/bitmap.h"
#include "graphics/bitmap/bitrow.h"
#include "graphics/bitmap/pixelconversion.h"
#include "graphics/bitmap/pixelformat.h"

namespace Graphics {

namespace {

// What an index outside the palette (or any index with no palette) reads as.
constexpr uint32_t kMissingPaletteColor = 0xFF000000u;

// Turns `count` indices of an Indexed8 or Indexed1 row into ARGB32 pixels.
void ExpandIndices(const uint8_t* src, uint32_t* argb, int32_t count, GXPixelFormat format,
                   const Palette* palette) {
    for (int32_t i = 0; i < count; ++i) {
        uint32_t index =
            format == PixelFormat::Indexed8 ? src[i] : (src[i >> 3] >> (7 - (i & 7))) & 1;
        argb[i] = palette ? palette->GetColorOr(index, kMissingPaletteColor) : kMissingPaletteColor;
    }
}

}  // namespace

PixelFormatConverter::PixelFormatConverter(std::shared_ptr<BitmapSource> source,
                                           GXPixelFormat targetFormat)
    : source_(std::move(source)),
      sourceFormat_(source_->GetPixelFormat()),
      targetFormat_(targetFormat) {
    if (auto bitmap = std::dynamic_pointer_cast<Bitmap>(source_))
        lockable_ = bitmap->GetImpl();
    else
        lockable_ = std::dynamic_pointer_cast<BitmapBase>(source_);
}

void PixelFormatConverter::CopyPixels(const GXIntRect* rect, uint8_t* dst, int32_t dstStride,
                                      int32_t dstRowBytes) {
    GXIntRect clamped = ClampRect(rect, GetSize());
    int32_t targetBits = PixelFormat::GetBitsPerPixel(targetFormat_);
    if (IsEmptyRect(clamped) || dstRowBytes <= 0 || targetBits <= 0) return;
    // Only whole pixels that fit the destination row are written.
    int32_t width = int32_t(
        std::min<int64_t>(clamped.right - clamped.left, int64_t(dstRowBytes) * 8 / targetBits));
    bool indexed = PixelFormat::IsIndexed(sourceFormat_);
    RowConverter convert =
        PixelConversion::Get(indexed ? PixelFormat::ARGB32 : sourceFormat_, targetFormat_);
    if (!convert || width <= 0) return;

    std::shared_ptr<Palette> palette = indexed ? source_->GetPalette() : nullptr;
    HeapBlock<uint32_t> expanded;  // ARGB32 row of an indexed source
    if (indexed)
        expanded.reset(static_cast<uint32_t*>(ProcessHeap::AllocAligned(size_t(width) * 4)));
    // A 1-bit source row handed over from `clamped.left` starts at the byte holding that
    // pixel, `firstBit` bits in; such rows are moved to the top bit of `alignedRow` first.
    const int32_t firstBit =
        PixelFormat::GetBitsPerPixel(sourceFormat_) == 1 ? clamped.left % 8 : 0;
    HeapBlock<uint8_t> alignedRow;
    if (firstBit)
        alignedRow.reset(static_cast<uint8_t*>(ProcessHeap::AllocZeroed(size_t(width + 7) / 8)));
    HeapBlock<uint8_t> sourceRow;  // one row read from a source that cannot be locked
    std::optional<BitmapLock> lock;
    int32_t sourceRowBytes = int32_t(PixelFormat::GetRowBytes(sourceFormat_, firstBit + width));
    if (lockable_)
        lock.emplace(*lockable_, &clamped, LockMode::Read);
    else
        sourceRow.reset(static_cast<uint8_t*>(ProcessHeap::AllocAligned(size_t(sourceRowBytes))));

    for (int32_t row = clamped.top; row < clamped.bottom; ++row, dst += dstStride) {
        const uint8_t* src;
        if (lock) {
            src = static_cast<const uint8_t*>(lock->Data().data) +
                  int64_t(lock->Data().stride) * (row - clamped.top);
        } else {
            GXIntRect one{clamped.left - firstBit, row, clamped.left + width, row + 1};
            source_->CopyPixels(&one, sourceRow.get(), sourceRowBytes, sourceRowBytes);
            src = sourceRow.get();
        }
        if (firstBit) {
            CopyBitRow(src, firstBit, alignedRow.get(), 0, width);
            src = alignedRow.get();
        }
        if (indexed) {
            ExpandIndices(src, expanded.get(), width, sourceFormat_, palette.get());
            src = reinterpret_cast<const uint8_t*>(expanded.get());
        }
        convert(src, dst, width);
    }
}

}  // namespace Graphics
