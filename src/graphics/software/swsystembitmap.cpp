#include "graphics/software/swsystembitmap.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "graphics/bitmap/pixelformat.h"
#include "graphics/core/exception.h"
#include "platform/nativebitmap.h"

namespace Graphics {

namespace {

// The colour table of a native bitmap: the palette's colours without their alpha.
std::vector<uint32_t> ColorTableOf(const Palette* palette) {
    std::vector<uint32_t> table;
    if (palette)
        for (size_t i = 0; i < palette->GetNumColors(); ++i)
            table.push_back(palette->GetColor(i) & 0xFFFFFFu);
    return table;
}

// Opaque black and white, then the 256 opaque greys: what 1-bit and Gray8 bitmaps show.
std::shared_ptr<Palette> DefaultPalette(int32_t bitsPerPixel) {
    std::vector<uint32_t> colors;
    for (uint32_t level = 0; level < (1u << bitsPerPixel); ++level)
        colors.push_back(0xFF000000u | (bitsPerPixel == 1 ? level * 0xFFFFFFu : level * 0x010101u));
    return std::make_shared<Palette>(colors.data(), colors.size());
}

}  // namespace

SwSystemBitmap::SwSystemBitmap(GXIntSize size, GXPixelFormat format, float dpiX, float dpiY,
                               std::shared_ptr<Palette> palette)
    : BitmapBase(size, format, dpiX, dpiY), palette_(std::move(palette)) {}

SwSystemBitmap::SwSystemBitmap(std::shared_ptr<Platform::NativeBitmap> native,
                               GXPixelFormat format, std::shared_ptr<Palette> palette)
    : BitmapBase({native->Width(), native->Height()}, format, 96, 96),
      palette_(std::move(palette)),
      native_(std::move(native)) {}

const std::shared_ptr<Platform::NativeBitmap>& SwSystemBitmap::GetNativeBitmap() {
    if (!native_) {
        const std::vector<uint32_t> table = ColorTableOf(palette_.get());
        const int32_t bits = PixelFormat::GetBitsPerPixel(format_);
        // A palette longer than the depth can index keeps only the entries it can reach.
        const uint32_t count = uint32_t(std::min<size_t>(table.size(), bits <= 8 ? 1u << bits : 0));
        native_ = Platform::NativeBitmap::Create(std::abs(size_.width), std::abs(size_.height),
                                                 bits, table.data(), count);
        if (!native_) GX_RAISE("CreateDIBSection fail");
    }
    return native_;
}

void SwSystemBitmap::SetPalette(std::shared_ptr<Palette> palette) {
    palette_ = std::move(palette);
    if (native_) {
        const std::vector<uint32_t> table = ColorTableOf(palette_.get());
        native_->SetColorTable(table.data(), uint32_t(table.size()));
    }
}

GXBitmapData SwSystemBitmap::Lock(const GXIntRect* origin, uint32_t /*mode*/) {
    if (size_.width == 0 || size_.height == 0) return {nullptr, 0, 0};
    const Platform::NativeBitmap& native = *GetNativeBitmap();
    const int32_t left = origin ? origin->left : 0;
    const int32_t top = origin ? origin->top : 0;
    const int32_t bits = native.BitsPerPixel();
    // A 1-bit window whose left is not a multiple of 8 starts at the byte holding it.
    return {native.Row(top) + int64_t(bits) * left / 8,
            int32_t((int64_t(bits) * (native.Width() - left) + 7) / 8), native.Stride()};
}

std::shared_ptr<Platform::NativeBitmap> SwSystemBitmap::CopyToNativeBitmap(BitmapSource& bitmap) {
    GXPixelFormat format = bitmap.GetPixelFormat();
    std::shared_ptr<Palette> palette = bitmap.GetPalette();
    if (!palette && (format == GXPixelFormatA1 || format == GXPixelFormatGray1)) {
        palette = DefaultPalette(1);
        format = GXPixelFormatIndexed1;
    } else if (!palette && format == GXPixelFormatGray8) {
        palette = DefaultPalette(8);
        format = GXPixelFormatIndexed8;
    }
    SwSystemBitmap copy(bitmap.GetSize(), format, bitmap.GetDpiX(), bitmap.GetDpiY(),
                        std::move(palette));
    const std::shared_ptr<Platform::NativeBitmap>& native = copy.GetNativeBitmap();
    bitmap.CopyPixels(nullptr, native->Row(0), native->Stride(), native->Stride());
    return native;
}

}  // namespace Graphics
