#pragma once

#include <memory>

#include "graphics/target/rendertargetbase.h"

namespace Graphics {

class GpuContext;
class GpuDevice;
class GpuRenderTarget;
class GpuWindowSurface;

// The GPU renderer on a window: a GPU render target drawing into the window surface's
// paint texture, and the surface showing each finished paint. When the surface hands out a
// new texture (the window was resized, or the device was lost and made anew) the render
// target is made anew on it, keeping the state set outside the paint. The target holds the
// context it was made with, so it outlives the factory (and thread) that made it.
class GpuWindowRenderTarget : public RenderTargetBase {
public:
    // `surface` is on the context's device.
    GpuWindowRenderTarget(std::shared_ptr<GpuContext> context,
                          std::shared_ptr<GpuWindowSurface> surface);
    ~GpuWindowRenderTarget() override;

    GXPixelFormat GetPixelFormat() const override;
    GXIntSize GetSize() const override;
    float GetDpiX() const override;
    float GetDpiY() const override;

    GXMatrix GetCTM() const override;
    void SetCTM(const GXMatrix& matrix) override;
    int32_t GetBlendMode() const override;
    void SetBlendMode(int32_t mode) override;
    int32_t GetStateValue() const override;
    void SetStateValue(int32_t value) override;
    bool GetStrokeAdjustment() const override;
    void SetStrokeAdjustment(bool flag) override;

    // Raises "The window does not exist" once the window went away.
    void BeginPaint() override;
    // True when the paint was drawn and shown; false when the device was lost (it is made
    // anew, and the next paint draws on it), the window went away, or drawing raised.
    bool EndPaint() override;
    void Flush() override;

    void PushState() override;
    void PopState() override;
    void BeginLayer(const GXLayerParams& params) override;
    void EndLayer() override;

    void Clear(const ColorF& color) override;
    void SetOpacityMask(std::shared_ptr<Brush> brush, int32_t type) override;
    void SetShapeMask(std::shared_ptr<Brush> brush, int32_t type) override;
    void ClipGeometry(std::shared_ptr<Geometry> geometry) override;
    void ResetClip() override;
    void FillGeometry(std::shared_ptr<Geometry> geometry, std::shared_ptr<Brush> brush) override;
    void FillTextGeometry(std::shared_ptr<Geometry> geometry, std::shared_ptr<Brush> brush) override;
    void FillPixels(const GXIntRect& pixels, std::shared_ptr<Brush> brush) override;
    void ClipPixels(const GXIntRect& pixels) override;

private:
    std::shared_ptr<GpuContext> context_;        // outlives every member below
    std::shared_ptr<GpuDevice> device_;          // the context's
    std::shared_ptr<GpuWindowSurface> surface_;  // never empty
    std::shared_ptr<GpuRenderTarget> target_;    // draws into the surface's paint texture
    bool painting_ = false;                      // between BeginPaint and EndPaint
};

}  // namespace Graphics
