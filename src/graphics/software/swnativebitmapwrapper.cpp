#include "graphics/software/swnativebitmapwrapper.h"

#include <vector>

#include "graphics/bitmap/bitmap.h"
#include "graphics/core/exception.h"
#include "platform/nativebitmap.h"

namespace Graphics {

namespace {

GXPixelFormat FormatOf(const Platform::NativeBitmap& native) {
    const bool indexed = !native.ColorTable().empty();
    switch (native.BitsPerPixel()) {
    case 1:
        return indexed ? GXPixelFormatIndexed1 : GXPixelFormatGray1;
    case 8:
        return indexed ? GXPixelFormatIndexed8 : GXPixelFormatGray8;
    case 24:
        return GXPixelFormatRGB24;
    default:
        return GXPixelFormatRGB32;
    }
}

// The colour table as an opaque palette, or empty without one.
std::shared_ptr<Palette> PaletteOf(const Platform::NativeBitmap& native) {
    if (native.ColorTable().empty()) return nullptr;
    std::vector<uint32_t> colors;
    for (uint32_t color : native.ColorTable()) colors.push_back(0xFF000000u | color);
    return std::make_shared<Palette>(colors.data(), colors.size());
}

}  // namespace

SwNativeBitmapWrapper::SwNativeBitmapWrapper(std::shared_ptr<Platform::NativeBitmap> native)
    : SwSystemBitmap(native, FormatOf(*native), PaletteOf(*native)) {}

std::shared_ptr<Bitmap> SwNativeBitmapWrapper::CreateBitmap(
    std::shared_ptr<Platform::NativeBitmap> native) {
    if (!native) GX_RAISE("GetBitmapInfo failed");
    return std::make_shared<Bitmap>(std::make_shared<SwNativeBitmapWrapper>(std::move(native)));
}

}  // namespace Graphics
