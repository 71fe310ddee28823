#include "graphics/software/swbitmapsurface.h"

#include <mutex>

#include "graphics/bitmap/bitmap.h"
#include "graphics/software/swbitmapcacheentry.h"

namespace Graphics {

GXPixelFormat SwBitmapSurface::GetPixelFormat() const {
    return bitmap_->GetPixelFormat();
}
GXIntSize SwBitmapSurface::GetSize() const {
    return bitmap_->GetSize();
}
float SwBitmapSurface::GetDpiX() const {
    return bitmap_->GetDpiX();
}
float SwBitmapSurface::GetDpiY() const {
    return bitmap_->GetDpiY();
}

void SwBitmapSurface::Present() {
    std::lock_guard<std::recursive_mutex> guard(bitmap_->Mutex());
    // A NotifyChanged during the paint dropped the drawable from the cache, but what was
    // painted is in it: the paint finishes with that content, and the notification applies
    // after it (the drawable goes back into the cache as the bitmap's pixels).
    if (painted_ && !bitmap_->FindCache(SwBitmapCacheEntry::OwnerKey()))
        bitmap_->InsertCache(SwBitmapCacheEntry::OwnerKey(),
                             std::make_shared<SwBitmapCacheEntry>(painted_));
    painted_.reset();
    UpdateBitmap(*bitmap_, TakeDirtyRect());
    // Every other renderer's copy of the bitmap is stale now. The software drawable stays
    // cached: it holds what was painted (the bitmap holds the nearest values its format
    // can), so the next paint starts from it.
    std::shared_ptr<CacheBase> drawable = bitmap_->FindCache(SwBitmapCacheEntry::OwnerKey());
    bitmap_->NotifyChanged();
    if (drawable) bitmap_->InsertCache(SwBitmapCacheEntry::OwnerKey(), std::move(drawable));
}

}  // namespace Graphics
