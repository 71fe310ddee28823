#pragma once

#include <cstdint>
#include <deque>
#include <memory>

#include "graphics/target/rendertargetbase.h"

namespace Host {
class PrintCanvas;
class PrintCanvasPath;
}  // namespace Host

namespace Graphics {

class PrintClipping;
class PrintColorSource;
class PrintDeviceSurface;
class PrintSoftMask;

// The print renderer: draws on a page canvas as vectors. One user unit is one point on the
// device. The canvas composites source-over only, so blend modes and groups are approximated
// by lowering opacity (x0.5 for a fill under a blend mode, x0.75 more for a layer opened
// under one), and fills under a soft mask or a blend mode are rendered by the software
// renderer into an oversampled bitmap that is placed, clipped to the fill, on the page.
class PrintRenderTarget : public RenderTargetBase {
public:
    // Opacity of a fill under a blend mode other than Normal.
    static constexpr float kBlendOpacity = 0.5f;
    // Opacity of a layer opened under a blend mode other than Normal.
    static constexpr float kBlendLayerOpacity = 0.75f;
    // Offscreen oversampling: fine for small fills, coarser above kLargeFillPixels square
    // points, and coarser still (below PrintBitmap::kMaxPixels) for huge ones.
    static constexpr double kFineFactor = 6;
    static constexpr double kCoarseFactor = 3;
    static constexpr double kLargeFillPixels = 1048576;

    explicit PrintRenderTarget(std::shared_ptr<PrintDeviceSurface> surface);
    ~PrintRenderTarget() override;

    GXPixelFormat GetPixelFormat() const override;
    GXIntSize GetSize() const override;
    float GetDpiX() const override;
    float GetDpiY() const override;

    GXMatrix GetCTM() const override;
    void SetCTM(const GXMatrix& matrix) override;
    int32_t GetBlendMode() const override;
    void SetBlendMode(int32_t mode) override;
    // Selects how images are resampled: 1 smooth, 2 smoothest, anything else nearest.
    int32_t GetStateValue() const override;
    void SetStateValue(int32_t value) override;
    // Kept and reported; vectors on paper need no snapping.
    bool GetStrokeAdjustment() const override;
    void SetStrokeAdjustment(bool flag) override;

    void BeginPaint() override;
    // False when the canvas failed to write what was drawn.
    bool EndPaint() override;
    void Flush() override;

    void PushState() override;
    void PopState() override;
    // Pushes a state with the layer's opacity folded in; no group is formed.
    void BeginLayer(const GXLayerParams& params) override;
    void EndLayer() override;

    void Clear(const ColorF& color) override;
    void SetOpacityMask(std::shared_ptr<Brush> brush, int32_t type) override;
    void SetShapeMask(std::shared_ptr<Brush> brush, int32_t type) override;
    void ClipGeometry(std::shared_ptr<Geometry> geometry) override;
    void ResetClip() override;
    void FillGeometry(std::shared_ptr<Geometry> geometry, std::shared_ptr<Brush> brush) override;
    // A device pixel is a point of the page: these fill and clip the device-space rectangle.
    void FillPixels(const GXIntRect& pixels, std::shared_ptr<Brush> brush) override;
    void ClipPixels(const GXIntRect& pixels) override;
    void FillTextGeometry(std::shared_ptr<Geometry> geometry,
                          std::shared_ptr<Brush> brush) override;

    // The oversampling factor of an offscreen rendering of a device bound of width x height
    // points.
    static double OffscreenFactor(double width, double height);

private:
    // One level of the state stack; the last entry is current.
    struct DrawingState {
        float opacity;                               // multiplies every fill, 0..1
        GXMatrix matrix;                             // the CTM: user space to page points
        int32_t blendMode;                           // 0 Normal; others approximated
        int32_t stateValue;                          // image interpolation choice
        bool strokeAdjustment;                       // kept, not used
        std::shared_ptr<PrintSoftMask> shapeMask;    // may be empty
        std::shared_ptr<PrintSoftMask> opacityMask;  // may be empty
        std::shared_ptr<PrintClipping> clipping;     // never empty; this state's own
    };

    DrawingState& Current() { return states_.back(); }
    const DrawingState& Current() const { return states_.back(); }
    bool Painting() const { return canvas_ != nullptr; }
    void ResetFields();
    void ReloadFields();
    void ApplyClip(const DrawingState& state);
    // FillGeometry with `matrix` (user space to page points) in place of the CTM.
    void FillUnder(const std::shared_ptr<Geometry>& geometry, const std::shared_ptr<Brush>& brush,
                   const GXMatrix& matrix);
    void FillOffscreen(const DrawingState& state, const std::shared_ptr<Geometry>& geometry,
                       const GXMatrix& matrix, const PrintColorSource& source, const GXRect& bound,
                       const Host::PrintCanvasPath& path);

    GXMatrix ctm_;                                 // authoritative outside a paint
    int32_t blendMode_;                            // authoritative outside a paint
    int32_t stateValue_;                           // authoritative outside a paint
    bool strokeAdjustment_;                        // authoritative outside a paint
    std::shared_ptr<PrintDeviceSurface> surface_;  // never empty
    Host::PrintCanvas* canvas_ = nullptr;          // the surface's canvas during a paint
    std::deque<DrawingState> states_;              // non-empty during a paint only
};

}  // namespace Graphics
