#pragma once

#include <memory>

#include "graphics/software/swsurface.h"

namespace Graphics {

class GpuDevice;
class GpuVidMemTexture;
class SysMemBitmap;

// The way back from software to the GPU: a software surface over a system-memory bitmap,
// for images the GPU path cannot draw itself (parts of bitmaps too large to be textures).
// The software renderer paints into the bitmap, which is then uploaded as a texture.
class GpuSwFallbackSurface : public SwSurface {
public:
    // A surface over a new transparent PARGB32 bitmap of `size` at 96 dpi.
    explicit GpuSwFallbackSurface(GXIntSize size);

    GXPixelFormat GetPixelFormat() const override;
    GXIntSize GetSize() const override;
    float GetDpiX() const override;
    float GetDpiY() const override;
    // The bitmap itself: the software renderer paints straight into it.
    std::shared_ptr<BitmapBase> BeginPaint() override;
    void EndPaint() override {}
    // The pixels are already where they belong.
    void Present() override {}

    // The painted image as a texture of `device`, with its mip chain when wanted; null
    // while the device is lost.
    std::shared_ptr<GpuVidMemTexture> Upload(const std::shared_ptr<GpuDevice>& device,
                                             bool wantMipmaps) const;

private:
    std::shared_ptr<SysMemBitmap> bitmap_;  // what is painted; never empty
};

}  // namespace Graphics
