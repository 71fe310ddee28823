#pragma once

#include "graphics/gpu/gputexture.h"

namespace Graphics {

// The GPU copy of a bitmap: sampled only, optionally with a mip chain that every upload
// rebuilds on the CPU from level 0.
class GpuVidMemTexture : public GpuTexture {
public:
    // Sizes below 1 become 1.
    GpuVidMemTexture(std::shared_ptr<GpuDevice> device, GXIntSize size, GXPixelFormat format,
                     float dpiX, float dpiY, bool wantMipmaps);

    // A whole-texture staging copy, read back first when `mode` reads or `origin` covers
    // less than the whole texture; the window starts at `origin` (null: the top-left
    // corner). Locked until Unlock.
    GXBitmapData Lock(const GXIntRect* origin, uint32_t mode) override;
    // After a lock that wrote: level 0 is uploaded, then each further level is the 2x2 box
    // average of the one above.
    void Unlock() override;
    // Fills through a render texture of the rectangle's size, copied in by the lock path so
    // that the mip chain follows.
    void ColorFill(const GXIntRect* rect, const ColorF& color) override;

private:
    void UploadMipChain();
};

}  // namespace Graphics
