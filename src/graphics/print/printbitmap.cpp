#include "graphics/print/printbitmap.h"

#include <cmath>
#include <mutex>

#include "graphics/bitmap/bitmapsource.h"
#include "graphics/bitmap/pixelformatconverter.h"
#include "graphics/core/exception.h"

namespace Graphics {
namespace {

bool FormatHasAlpha(GXPixelFormat format) {
    switch (format) {
        case GXPixelFormatRGB24:
        case GXPixelFormatRGB32:
        case GXPixelFormatGray8:
        case GXPixelFormatGray1:
            return false;
        default:
            return true;
    }
}

}  // namespace

PrintBitmap::PrintBitmap(GXIntSize size, bool hasAlpha)
    : BitmapBase(size, GXPixelFormatPARGB32, 96.0f, 96.0f),
      image_(Host::PrintCanvasImage::Create(size)),
      hasAlpha_(hasAlpha) {
    if (!image_) GX_RAISE("Not enough memory");
}

GXBitmapData PrintBitmap::Lock(const GXIntRect* origin, uint32_t) {
    const int32_t left = origin ? origin->left : 0;
    const int32_t top = origin ? origin->top : 0;
    return GXBitmapData{reinterpret_cast<uint8_t*>(Row(top) + left), (size_.width - left) * 4,
                        Stride()};
}

std::shared_ptr<PrintBitmap> PrintBitmap::FromSource(const std::shared_ptr<BitmapSource>& source) {
    static const uint32_t ownerKey = CacheHolder::NewOwnerKey();
    std::lock_guard<std::recursive_mutex> guard(source->Mutex());
    if (auto cached = std::static_pointer_cast<PrintBitmap>(source->FindCache(ownerKey)))
        return cached;
    const GXIntSize size = source->GetSize();
    auto bitmap =
        std::make_shared<PrintBitmap>(GXIntSize{std::abs(size.width), std::abs(size.height)},
                                      FormatHasAlpha(source->GetPixelFormat()));
    const GXIntSize stored = bitmap->GetSize();
    std::shared_ptr<BitmapSource> converted =
        source->GetPixelFormat() == GXPixelFormatPARGB32
            ? source
            : std::make_shared<PixelFormatConverter>(source, GXPixelFormatPARGB32);
    converted->CopyPixels(nullptr, reinterpret_cast<uint8_t*>(bitmap->Row(0)), bitmap->Stride(),
                          stored.width * 4);
    bitmap->MarkWritten();
    source->InsertCache(ownerKey, bitmap);
    return bitmap;
}

double PrintBitmap::BoundedScale(double width, double height, double scale) {
    const double pixels = std::ceil(width * scale) * std::ceil(height * scale);
    if (pixels <= kMaxPixels) return scale;
    // Rounding each side up adds at most one pixel per side; the square root of the
    // budget over the area leaves room for it after one step down.
    double bounded = scale * std::sqrt(kMaxPixels / pixels);
    while (std::ceil(width * bounded) * std::ceil(height * bounded) > kMaxPixels) bounded *= 0.99;
    return bounded;
}

}  // namespace Graphics
