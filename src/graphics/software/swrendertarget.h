#pragma once

#include <cstdint>
#include <memory>

#include "graphics/software/swglyphrenderer.h"
#include "graphics/target/rendertargetbase.h"

namespace Graphics {

class BitmapBase;
class SwBasicSubTarget;
class SwSubTarget;
class SwSurface;

// The software renderer: paints a surface's drawable bitmap through pixel pipelines. During
// a paint the state lives in the sub-target's stack; outside one, in the copies kept here,
// which the next paint starts from.
class SwRenderTarget : public RenderTargetBase {
public:
    explicit SwRenderTarget(std::shared_ptr<SwSurface> surface);
    ~SwRenderTarget() override;

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

    // Raises "Unsuported pixel format" when the surface lends a bitmap the pipeline cannot
    // composite into (not PARGB32).
    void BeginPaint() override;
    // Presents the paint and resets the state; the state is reset even when presenting
    // fails.
    bool EndPaint() override;
    void Flush() override;

    void PushState() override;
    void PopState() override;
    // Opens a group in the innermost sub-target; it takes every later call until EndLayer
    // composites it into its parent. Groups left open at EndPaint are dropped.
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
    // FillGeometry with stroke adjustment off: glyph outlines are never snapped.
    void FillTextGeometry(std::shared_ptr<Geometry> geometry,
                          std::shared_ptr<Brush> brush) override;
    // Glyphs from the process's glyph cache where their CTM allows (SwGlyphRenderer).
    void FillGlyphRun(const PlacedGlyph* glyphs, size_t count,
                      const std::shared_ptr<Brush>& brush) override;

private:
    void ResetCopies();
    // The sub-target every call of a paint goes to; null outside a paint.
    SwSubTarget* Innermost() const;
    // The copies follow the innermost current state after it changes wholesale.
    void ReloadCopies();

    GXMatrix ctm_;                                 // authoritative outside a paint
    int32_t blendMode_;                            // authoritative outside a paint
    int32_t stateValue_;                           // authoritative outside a paint
    bool strokeAdjustment_;                        // authoritative outside a paint
    std::shared_ptr<SwBasicSubTarget> subTarget_;  // present only during a paint
    std::shared_ptr<SwSurface> surface_;           // never empty
    std::shared_ptr<BitmapBase> paintBitmap_;      // the surface's drawable during a paint
    SwGlyphRenderer glyphs_;                       // draws text; keeps its working lists
};

}  // namespace Graphics
