#pragma once

#include <cstdint>
#include <memory>

#include "gx.h"

namespace Graphics {

class Brush;
class GpuDevice;
class GpuTexture;

// A fill's paint as the composed shaders use it: a premultiplied constant colour, times a
// texture sampled through a transform from the sub-target's pixels to texture coordinates.
// Made per batch from a brush; the fills of a batch share it.
struct GpuColorSource {
    float color[4] = {1, 1, 1, 1};                 // r, g, b, a premultiplied, opacity included
    GXMatrix transform{1, 0, 0, 1, 0, 0};          // sub-target pixels -> texture coordinates
    std::shared_ptr<GpuTexture> texture;           // none: the colour alone
    int32_t addressU = 0, addressV = 0;            // 1 wrap, 2 mirror, other clamp
    int32_t filter = 0;                            // 1 linear, 2 linear with mipmaps, other point

    // What a batch needs equal to join two fills in normal mode: transform, texture and
    // sampler settings (the colour travels in the vertices).
    bool SamplesLike(const GpuColorSource& other) const;

    // The source painting `brush` (placed in device pixels by its matrix) for fills inside
    // `visible` (the sub-target's pixels, a whole-pixel rectangle) of a sub-target whose
    // top-left lies at `origin` in device pixels. Bitmaps are sampled on the GPU from the
    // device's bitmap cache; gradients, and bitmaps too large for a texture, are painted on
    // the CPU by the software renderer's own sources, so both renderers show the same
    // colours. None for an empty rectangle or a brush no renderer paints.
    static std::shared_ptr<GpuColorSource> Create(const std::shared_ptr<GpuDevice>& device,
                                                  const GXIntPoint& origin,
                                                  const GXIntRect& visible, const Brush& brush);
    // Sub-target pixels -> coordinates of a texture of `size` texels whose top-left texel
    // lies on pixel (left, top).
    static GXMatrix PixelsToTexture(float left, float top, GXIntSize size);
    // A source over `texture` with colour (o, o, o, o), mapped by `transform`.
    static std::shared_ptr<GpuColorSource> OverTexture(std::shared_ptr<GpuTexture> texture,
                                                       const GXMatrix& transform, float opacity);
    // The brush painted on the CPU, exactly as the software renderer paints it, over
    // `visible`, and uploaded as the texture (point sampled, one texel per pixel).
    static std::shared_ptr<GpuColorSource> Rendered(const std::shared_ptr<GpuDevice>& device,
                                                    const GXIntPoint& origin,
                                                    const GXIntRect& visible, const Brush& brush);
};

// An opacity or shape mask: the source of its pixels and how a pixel becomes the mask value
// (0 alpha, 1 inverted alpha, 2 luminosity, 3 inverted luminosity).
struct GpuMaskSource {
    std::shared_ptr<GpuColorSource> source;
    int32_t kind = 0;
};

}  // namespace Graphics
