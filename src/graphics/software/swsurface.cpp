#include "graphics/software/swsurface.h"

#include <mutex>

#include "graphics/core/exception.h"
#include "graphics/bitmap/bitmap.h"
#include "graphics/bitmap/pixelformatconverter.h"
#include "graphics/bitmap/sysmembitmap.h"
#include "graphics/software/swbitmapcacheentry.h"
#include "graphics/software/swopaqueview.h"

namespace Graphics {

namespace {

bool PaintsInPlace(GXPixelFormat format) {
    return format == GXPixelFormatPARGB32 || format == GXPixelFormatRGB32;
}

}  // namespace

std::shared_ptr<BitmapBase> SwSurface::GetDrawable(Bitmap& bitmap) {
    std::lock_guard<std::recursive_mutex> guard(bitmap.Mutex());
    if (auto entry = std::static_pointer_cast<SwBitmapCacheEntry>(
            bitmap.FindCache(SwBitmapCacheEntry::OwnerKey())))
        return entry->Drawable();
    std::shared_ptr<BitmapBase> drawable;
    const GXPixelFormat format = bitmap.GetPixelFormat();
    if (format == GXPixelFormatPARGB32) {
        drawable = bitmap.GetImpl();
    } else if (format == GXPixelFormatRGB32) {
        drawable = std::make_shared<SwOpaqueView>(bitmap.GetImpl());
    } else {
        drawable = std::make_shared<SysMemBitmap>(bitmap.GetSize(), GXPixelFormatPARGB32,
                                                  bitmap.GetDpiX(), bitmap.GetDpiY());
        drawable->CopyFromSource(
            nullptr, std::make_shared<PixelFormatConverter>(bitmap.GetImpl(), GXPixelFormatPARGB32),
            nullptr);
    }
    bitmap.InsertCache(SwBitmapCacheEntry::OwnerKey(),
                       std::make_shared<SwBitmapCacheEntry>(drawable));
    return drawable;
}

void SwSurface::UpdateBitmap(Bitmap& bitmap) {
    const GXPixelFormat format = bitmap.GetPixelFormat();
    if (PaintsInPlace(format)) return;
    std::shared_ptr<BitmapBase> drawable;
    {
        std::lock_guard<std::recursive_mutex> guard(bitmap.Mutex());
        auto entry = std::static_pointer_cast<SwBitmapCacheEntry>(
            bitmap.FindCache(SwBitmapCacheEntry::OwnerKey()));
        if (!entry) GX_RAISE("Bitmap is not cached");
        drawable = entry->Drawable();
    }
    bitmap.GetImpl()->CopyFromSource(
        nullptr, std::make_shared<PixelFormatConverter>(drawable, format), nullptr);
}

GXPixelFormat SwSurface::GetCompatibleFormat(int32_t bitsPerPixel) {
    switch (bitsPerPixel) {
    case 1:
        return GXPixelFormatGray1;
    case 24:
        return GXPixelFormatRGB24;
    case 8:
    case 16:
    case 32:
        return GXPixelFormatRGB32;
    default:
        GX_RAISE("Unsupported pixel format.");
    }
}

}  // namespace Graphics
