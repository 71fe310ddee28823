#pragma once

#include "graphics/gpu/gputexture.h"

namespace Graphics {

// A texture the GPU draws into and samples from (layers, scratch and coverage passes).
class GpuRenderTexture : public GpuTexture {
public:
    // Sizes below 1 become 1.
    GpuRenderTexture(std::shared_ptr<GpuDevice> device, GXIntSize size, GXPixelFormat format,
                     float dpiX, float dpiY);

    // A staging copy of `rect` (null: the whole texture), read back first when `mode`
    // reads; the texture stays locked (its mutex held) until Unlock.
    GXBitmapData Lock(const GXIntRect* rect, uint32_t mode) override;
    // Writes the staging copy back when the lock wrote.
    void Unlock() override;
    // PARGB32 textures are cleared on the GPU; other formats take the bitmap path, which
    // converts the colour exactly as the software renderer does.
    void ColorFill(const GXIntRect* rect, const ColorF& color) override;

private:
    GXIntRect lockedRect_{};  // the current lock's rectangle, within the texture
};

}  // namespace Graphics
