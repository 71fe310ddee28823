#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "graphics/gpu/gpusubtarget.h"
#include "graphics/target/rendertargetbase.h"

namespace Graphics {

class GpuDevice;
class GpuRenderTexture;

// The GPU renderer: paints a render texture through a stack of sub-targets, the texture
// itself at the bottom and one for every open transparency group above it. Fills are
// batched (see GpuSubTarget) and drawn when the batch closes: on an incompatible fill, a
// layer change, Flush, Clear or EndPaint. Outside a paint the state lives in a resting copy
// that the next paint starts from and EndPaint resets.
//
// A lost device turns drawing into no-ops; EndPaint then reports failure and has the
// device made anew, so the next paint on a new target texture draws again.
class GpuRenderTarget : public RenderTargetBase {
public:
    // Draws into `target` (PARGB32), a texture of `device`.
    GpuRenderTarget(std::shared_ptr<GpuDevice> device, std::shared_ptr<GpuRenderTexture> target);
    // Ends a paint still open.
    ~GpuRenderTarget() override;

    GXPixelFormat GetPixelFormat() const override;
    GXIntSize GetSize() const override;
    float GetDpiX() const override;
    float GetDpiY() const override;

    GXMatrix GetCTM() const override { return State().matrix; }
    void SetCTM(const GXMatrix& matrix) override;
    int32_t GetBlendMode() const override { return State().blendMode; }
    void SetBlendMode(int32_t mode) override;
    int32_t GetStateValue() const override { return State().stateValue; }
    void SetStateValue(int32_t value) override;
    bool GetStrokeAdjustment() const override { return State().strokeAdjustment; }
    void SetStrokeAdjustment(bool flag) override;

    void BeginPaint() override;
    // False when the paint raised or the device was lost during it.
    bool EndPaint() override;
    // Ends the paint as EndPaint does but leaves its recorded work unsubmitted, for a caller
    // that adds to the frame and submits it (and, after a loss, has the device made anew).
    bool FinishPaint();
    void Flush() override;

    void PushState() override;
    void PopState() override;
    // A group whose device rectangle is empty (outside the target or its clip) is skipped
    // whole: every call up to its EndLayer is ignored.
    void BeginLayer(const GXLayerParams& params) override;
    void EndLayer() override;

    void Clear(const ColorF& color) override;
    void SetOpacityMask(std::shared_ptr<Brush> brush, int32_t type) override;
    void SetShapeMask(std::shared_ptr<Brush> brush, int32_t type) override;
    void ClipGeometry(std::shared_ptr<Geometry> geometry) override;
    void ResetClip() override;
    void FillGeometry(std::shared_ptr<Geometry> geometry, std::shared_ptr<Brush> brush) override;
    void FillPixels(const GXIntRect& pixels, std::shared_ptr<Brush> brush) override;
    void ClipPixels(const GXIntRect& pixels) override;
    // Glyph outlines are never snapped.
    void FillTextGeometry(std::shared_ptr<Geometry> geometry, std::shared_ptr<Brush> brush) override;

    const std::shared_ptr<GpuRenderTexture>& Target() const { return target_; }

private:
    const GpuState& State() const { return current_ ? current_->Current() : rest_; }
    GpuState& State() { return current_ ? current_->Current() : rest_; }
    // The sub-target calls of a paint go to, or null when they are ignored (outside a
    // paint, or inside a skipped group).
    GpuSubTarget* Drawing() const { return ignoreDepth_ > 0 ? nullptr : current_.get(); }
    void Fill(const std::shared_ptr<Geometry>& geometry, const std::shared_ptr<Brush>& brush,
              bool strokeAdjustment);

    std::shared_ptr<GpuDevice> device_;
    std::shared_ptr<GpuRenderTexture> target_;
    std::shared_ptr<GpuSubTarget> current_;              // null outside a paint
    std::vector<std::shared_ptr<GpuSubTarget>> stack_;   // the enclosing sub-targets
    GpuState rest_;                                      // the state outside a paint
    int32_t ignoreDepth_ = 0;                            // skipped groups still open
};

}  // namespace Graphics
