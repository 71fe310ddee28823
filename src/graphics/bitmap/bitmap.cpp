#include "graphics/bitmap/bitmap.h"

#include <algorithm>
#include <cstring>

#include "graphics/bitmap/pixelbuffer.h"
#include "graphics/bitmap/pixelformat.h"
#include "graphics/bitmap/pixelformatconverter.h"
#include "graphics/bitmap/sysmembitmap.h"

namespace Graphics {

bool Bitmap::CanCreate(const GXBitmapDesc& desc) {
    return PixelFormat::IsValid(desc.format) &&
           PixelBuffer::CanRepresent(desc.width, desc.height,
                                     PixelFormat::GetBitsPerPixel(desc.format));
}

std::shared_ptr<Bitmap> Bitmap::Create(const GXBitmapDesc& desc) {
    return std::make_shared<Bitmap>(std::make_shared<SysMemBitmap>(
        GXIntSize{desc.width, desc.height}, desc.format, desc.dpiX, desc.dpiY));
}

void Bitmap::SetPalette(std::shared_ptr<Palette> palette) {
    impl_->SetPalette(std::move(palette));
    NotifyChanged();
}

bool Bitmap::ContainsRect(const GXIntRect* rect) const {
    if (!rect) return true;
    GXIntSize size = GetSize();
    return rect->left >= 0 && rect->top >= 0 && rect->left <= rect->right &&
           rect->top <= rect->bottom && rect->right <= size.width && rect->bottom <= size.height;
}

GXBitmapData Bitmap::Lock(const GXIntRect* rect, uint32_t mode) {
    std::lock_guard<std::mutex> guard(lockMutex_);
    lockModes_.push_back(mode);  // first, so a failure below leaves no lock behind
    try {
        const GXBitmapData data = impl_->Lock(rect, mode);
        if (mode & LockMode::Write) ++writeLocks_;
        return data;
    } catch (...) {
        lockModes_.pop_back();
        throw;
    }
}

bool Bitmap::Unlock() {
    bool wroteLast = false;
    {
        std::lock_guard<std::mutex> guard(lockMutex_);
        if (lockModes_.empty()) return false;
        const uint32_t mode = lockModes_.back();
        lockModes_.pop_back();
        impl_->Unlock();
        if (mode & LockMode::Write) wroteLast = --writeLocks_ == 0;
    }
    // Only when no writer is left: a copy made while another write lock is open would be
    // stale again at once.
    if (wroteLast) NotifyChanged();
    return true;
}

void Bitmap::CopyFrom(const GXIntPoint* origin, const std::shared_ptr<Bitmap>& source,
                      const GXIntRect* sourceRect) {
    std::shared_ptr<BitmapSource> reader = source;
    if (source->GetImpl() == impl_) {
        // Copying a bitmap onto itself: rows read later could already have been written,
        // so the source rectangle is read into a private copy first.
        GXIntRect from = ClampRect(sourceRect, GetSize());
        if (IsEmptyRect(from)) return;
        auto snapshot = std::make_shared<SysMemBitmap>(
            GXIntSize{from.right - from.left, from.bottom - from.top}, GetPixelFormat(), GetDpiX(),
            GetDpiY());
        snapshot->SetPalette(GetPalette());
        snapshot->CopyFromSource(nullptr, impl_, &from);
        // The snapshot stands where the clamped rectangle was, so the origin moves with it.
        GXIntPoint moved{origin ? origin->x : 0, origin ? origin->y : 0};
        if (sourceRect) {
            moved.x = int32_t(std::clamp<int64_t>(int64_t(moved.x) + from.left - sourceRect->left,
                                                  INT32_MIN, INT32_MAX));
            moved.y = int32_t(std::clamp<int64_t>(int64_t(moved.y) + from.top - sourceRect->top,
                                                  INT32_MIN, INT32_MAX));
        }
        impl_->CopyFromSource(&moved, snapshot, nullptr);
        NotifyChanged();
        return;
    }
    if (source->GetPixelFormat() != GetPixelFormat())
        reader = std::make_shared<PixelFormatConverter>(source, GetPixelFormat());
    impl_->CopyFromSource(origin, reader, sourceRect);
    NotifyChanged();
}

void Bitmap::CopyFromMemory(const GXIntRect* rect, const GXBitmapData& memory) {
    GXIntSize size = GetSize();
    GXIntRect whole{0, 0, std::max(size.width, 0), std::max(size.height, 0)};
    const GXIntRect& window = rect ? *rect : whole;
    {
        BitmapLock lock(*impl_, &window, LockMode::Write);
        const GXBitmapData& dstWindow = lock.Data();
        size_t bytes = size_t(std::max(std::min(memory.rowBytes, dstWindow.rowBytes), 0));
        const uint8_t* src = static_cast<const uint8_t*>(memory.data);
        uint8_t* dst = static_cast<uint8_t*>(dstWindow.data);
        for (int32_t row = window.top; row < window.bottom; ++row) {
            // memmove: the caller may hand in a window of this very bitmap.
            std::memmove(dst, src, bytes);
            src += memory.stride;
            dst += dstWindow.stride;
        }
    }
    NotifyChanged();
}

void Bitmap::ColorFill(const GXIntRect* rect, uint32_t argb) {
    impl_->ColorFill(rect, ColorF::FromARGB(argb));
}

}  // namespace Graphics
