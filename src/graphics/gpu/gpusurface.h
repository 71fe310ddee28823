#pragma once

#include <memory>

#include "graphics/gpu/gpuresource.h"
#include "gx.h"

namespace Graphics {

class GpuRenderTexture;

// What a GPU render target draws into: it lends a render texture for each paint, finishes
// the frame when the paint ends and shows it on Present. A resource of its device, so that
// device loss releases what it holds on the GPU.
class GpuSurface : public GpuResource {
public:
    using GpuResource::GpuResource;

    virtual GXPixelFormat GetPixelFormat() const = 0;
    virtual GXIntSize GetSize() const = 0;
    virtual float GetDpiX() const = 0;
    virtual float GetDpiY() const = 0;
    // Where the surface's pixel grid sits in device space.
    virtual GXMatrix GetTransform() const = 0;
    // The texture the paint draws into.
    virtual std::shared_ptr<GpuRenderTexture> BeginPaint() = 0;
    // Finishes the frame; false when it cannot be shown (device lost, texture or
    // destination gone), in which case Present must not follow.
    virtual bool EndPaint() = 0;
    virtual void Present() = 0;
};

}  // namespace Graphics
