#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "graphics/core/graphicsbase.h"
#include "graphics/core/implementationholder.h"
#include "graphics/bitmap/bitmapbase.h"

namespace Graphics {

// The object behind a GXBitmapRec_: a thin front over one BitmapBase. Its own CacheHolder
// keeps the renderers' copies of the bitmap as the caller sees it.
class Bitmap : public GraphicsBase, public ImplementationHolder<BitmapBase>, public BitmapSource {
public:
    explicit Bitmap(std::shared_ptr<BitmapBase> impl) : ImplementationHolder(std::move(impl)) {}

    // A new bitmap in system memory; the size must satisfy CanCreate.
    static std::shared_ptr<Bitmap> Create(const GXBitmapDesc& desc);
    // True when `desc` names a valid format and a pixel store that can exist.
    static bool CanCreate(const GXBitmapDesc& desc);

    // Image files (bitmapfile.cpp); `path` is a null-terminated UTF-16 file name. Loads
    // return empty when the image's pixel format has no library format.
    // The first frame of the file.
    static std::shared_ptr<Bitmap> LoadFromFile(const uint16_t* path);
    // Frame `frameIndex`; the number of frames goes to `frameCount` (when given) even when
    // the index then proves out of range.
    static std::shared_ptr<Bitmap> LoadFromFileEx(const uint16_t* path, int32_t frameIndex,
                                                  uint32_t* frameCount);
    // The image file held in `size` bytes at `data`; empty also when no memory is left to
    // stream them from.
    static std::shared_ptr<Bitmap> LoadFromMemory(const void* data, uint64_t size);
    // Encodes the bitmap into `path` with the encoder named by the path's extension.
    void SaveToFile(const uint16_t* path) const;

    GXPixelFormat GetPixelFormat() const override { return impl_->GetPixelFormat(); }
    GXIntSize GetSize() const override { return impl_->GetSize(); }
    float GetDpiX() const override { return impl_->GetDpiX(); }
    float GetDpiY() const override { return impl_->GetDpiY(); }
    std::shared_ptr<Palette> GetPalette() const override { return impl_->GetPalette(); }
    void CopyPixels(const GXIntRect* rect, uint8_t* dst, int32_t dstStride,
                    int32_t dstRowBytes) override {
        impl_->CopyPixels(rect, dst, dstStride, dstRowBytes);
    }
    bool IsOffscreenPainting() const override { return offscreenPainting_ != 0; }

    void SetPalette(std::shared_ptr<Palette> palette);
    // True when `rect` is null or lies within the bitmap and is not inverted: the windows
    // of Lock and CopyFromMemory are used unchanged, so they must be checked first.
    bool ContainsRect(const GXIntRect* rect) const;
    // `rect` must satisfy ContainsRect. Locks nest: each Lock is ended by one Unlock, the
    // latest first, and locks may be taken from several threads at once.
    GXBitmapData Lock(const GXIntRect* rect, uint32_t mode);
    // Ends the latest lock; false when no lock is held. When the last outstanding lock for
    // writing ends, the renderer copies are stale and dropped.
    bool Unlock();
    // Copies `sourceRect` of `source` to `origin`, through a format converter when the
    // formats differ, then drops the renderer copies.
    void CopyFrom(const GXIntPoint* origin, const std::shared_ptr<Bitmap>& source,
                  const GXIntRect* sourceRect);
    // Copies `rect` (null: all; must satisfy ContainsRect) from caller memory.
    void CopyFromMemory(const GXIntRect* rect, const GXBitmapData& memory);
    void ColorFill(const GXIntRect* rect, uint32_t argb);
    void SetOffscreenPainting(int32_t flag) { offscreenPainting_ = flag; }

private:
    std::mutex lockMutex_;              // guards lockModes_ and writeLocks_
    std::vector<uint32_t> lockModes_;   // modes of the outstanding locks, oldest first
    uint32_t writeLocks_ = 0;           // how many of them include LockMode::Write
    int32_t offscreenPainting_ = 0;  // the caller's flag, reported by IsOffscreenPainting
};

}  // namespace Graphics
