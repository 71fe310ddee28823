#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "graphics/bitmap/colorf.h"
#include "gx.h"

namespace Graphics {

class Brush;
class Geometry;

// What every renderer (software, GPU, print) implements: a surface with a stack of
// graphics states, and a small drawing vocabulary (fill or clip a geometry with a brush,
// layers, soft masks). Everything richer is built on top of it by RenderTarget.
//
// Each level of the state stack holds the CTM, the blend mode, the state value, the stroke
// adjustment flag, the clip and both soft masks; the first level starts at identity,
// Normal, 0, on, the whole target and no masks. EndPaint drops every pushed level and
// resets the first one to these values. Geometry and brushes travel as shared ownership so
// that a renderer may keep them for as long as it needs them.
class RenderTargetBase {
public:
    virtual ~RenderTargetBase() = default;

    virtual GXPixelFormat GetPixelFormat() const = 0;  // of the surface
    virtual GXIntSize GetSize() const = 0;             // device pixels
    virtual float GetDpiX() const = 0;
    virtual float GetDpiY() const = 0;

    virtual GXMatrix GetCTM() const = 0;
    virtual void SetCTM(const GXMatrix& matrix) = 0;
    virtual int32_t GetBlendMode() const = 0;
    virtual void SetBlendMode(int32_t mode) = 0;
    // Image interpolation for renderers that resample themselves: 0 nearest neighbour,
    // 1 bicubic, 2 high-quality bicubic. No export reads or writes it.
    virtual int32_t GetStateValue() const = 0;
    virtual void SetStateValue(int32_t value) = 0;
    virtual bool GetStrokeAdjustment() const = 0;
    virtual void SetStrokeAdjustment(bool flag) = 0;

    virtual void BeginPaint() = 0;
    // False when the renderer could not finish the pass.
    virtual bool EndPaint() = 0;
    virtual void Flush() = 0;

    virtual void PushState() = 0;
    virtual void PopState() = 0;
    virtual void BeginLayer(const GXLayerParams& params) = 0;
    virtual void EndLayer() = 0;

    // Fills the whole target, ignoring clip and CTM.
    virtual void Clear(const ColorF& color) = 0;
    // An empty brush removes the mask; `type` selects how a mask pixel becomes a value.
    virtual void SetOpacityMask(std::shared_ptr<Brush> brush, int32_t type) = 0;
    virtual void SetShapeMask(std::shared_ptr<Brush> brush, int32_t type) = 0;
    // Intersects the clip with the geometry's fill under the CTM.
    virtual void ClipGeometry(std::shared_ptr<Geometry> geometry) = 0;
    virtual void ResetClip() = 0;
    // Fills under the CTM with the geometry's fill rule.
    virtual void FillGeometry(std::shared_ptr<Geometry> geometry, std::shared_ptr<Brush> brush) = 0;
    // Whole device pixels, the CTM not applied: the pixels the front end decided for an
    // upright rectangle. FillPixels fills them as FillGeometry would fill a rectangle on
    // their edges (clip, masks and blend mode apply); ClipPixels intersects the clip with
    // them, and an empty rectangle leaves nothing visible.
    virtual void FillPixels(const GXIntRect& pixels, std::shared_ptr<Brush> brush) = 0;
    virtual void ClipPixels(const GXIntRect& pixels) = 0;
    // Glyph outlines; a renderer may treat them as FillGeometry does.
    virtual void FillTextGeometry(std::shared_ptr<Geometry> geometry,
                                  std::shared_ptr<Brush> brush) = 0;

    // One glyph of a run: its outline (not empty) and the CTM it is filled under.
    struct PlacedGlyph {
        const std::shared_ptr<Geometry>* outline;  // valid for the call
        GXMatrix ctm;
    };
    // Fills the glyphs in order, each as FillTextGeometry fills it under its own CTM, and
    // leaves the CTM at the last one's. A renderer that caches glyph renderings draws the
    // run at once.
    virtual void FillGlyphRun(const PlacedGlyph* glyphs, size_t count,
                              const std::shared_ptr<Brush>& brush) {
        for (size_t i = 0; i < count; ++i) {
            SetCTM(glyphs[i].ctm);
            FillTextGeometry(*glyphs[i].outline, brush);
        }
    }
};

}  // namespace Graphics
