#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "graphics/core/graphicsbase.h"
#include "graphics/core/implementationholder.h"
#include "graphics/paint/glyphoutlinecache.h"
#include "graphics/target/rendertargetbase.h"
#include "gx.h"

namespace Graphics {

class Bitmap;
class Brush;
class Font;
class Geometry;
class Gradient;

// The front end of every render target: it turns rectangles, ellipses, lines, strokes,
// bitmaps, gradients, masks, text and inversion into the renderer's small vocabulary, and
// snaps axis-aligned shapes to whole device pixels while stroke adjustment is on.
//
// It keeps the call order safe for any renderer: drawing, clipping, masks, clears and
// layers outside a paint pass do nothing; PopState without a matching PushState and EndLayer
// without an open group do nothing; EndLayer also ends the states left pushed inside the
// group; a temporary change of CTM, blend mode or state level is undone on every path,
// exceptions included.
class RenderTarget : public GraphicsBase, public ImplementationHolder<RenderTargetBase> {
public:
    explicit RenderTarget(std::shared_ptr<RenderTargetBase> renderer);
    virtual ~RenderTarget() = default;

    // Whether a stroke style is usable: one with dashes needs a non-zero length among its
    // first min(count, 15) entries. A null style (the defaults) is usable.
    static bool IsValidStrokeStyle(const GXStrokeStyle* style);

    GXPixelFormat GetPixelFormat() const { return impl_->GetPixelFormat(); }
    GXIntSize GetSize() const { return impl_->GetSize(); }
    void Clear(uint32_t argb);

    // A second BeginPaint inside a pass does nothing. EndPaint outside a pass has nothing to
    // finish and yields true; inside, it closes every open level and yields the renderer's
    // answer.
    void BeginPaint();
    bool EndPaint();
    bool IsPainting() const { return painting_; }

    void PushState();
    void PopState();

    GXMatrix GetCTM() const { return impl_->GetCTM(); }
    // Null sets the identity.
    void SetCTM(const GXMatrix* matrix);
    // The new CTM applies `matrix` first, then the old CTM.
    void ConcatCTM(const GXMatrix& matrix);
    // Angles of 2*pi and above are reduced by it; negative angles are kept as they are.
    void RotateCTM(float radians);
    void ScaleCTM(float sx, float sy);
    void TranslateCTM(float tx, float ty);

    void SetBlendMode(int32_t mode) { impl_->SetBlendMode(mode); }
    void SetStrokeAdjustment(int32_t flag) { impl_->SetStrokeAdjustment(flag != 0); }
    // An empty brush removes the mask.
    void SetOpacityMask(int32_t type, std::shared_ptr<Brush> brush);
    void SetShapeMask(int32_t type, std::shared_ptr<Brush> brush);

    void BeginLayer(const GXLayerParams& params);
    void EndLayer();

    // Drawing. Empty geometry or brush arguments draw nothing.
    void FillGeometry(const std::shared_ptr<Geometry>& geometry,
                      const std::shared_ptr<Brush>& brush);
    void FillTextGeometry(const std::shared_ptr<Geometry>& geometry,
                          const std::shared_ptr<Brush>& brush);
    void FillRect(const GXRect& rect, const std::shared_ptr<Brush>& brush);
    void FillEllipse(const GXRect& rect, const std::shared_ptr<Brush>& brush);
    // Width 0 is a hairline of 0.75 device pixels; other widths are never thinner than half
    // a device pixel. A NaN width strokes nothing. A null style means the defaults.
    void StrokeGeometry(const std::shared_ptr<Geometry>& geometry,
                        const std::shared_ptr<Brush>& brush, float width,
                        const GXStrokeStyle* style);
    void StrokeLine(const GXPoint& from, const GXPoint& to, const std::shared_ptr<Brush>& brush,
                    float width, const GXStrokeStyle* style);
    void StrokeRect(const GXRect& rect, const std::shared_ptr<Brush>& brush, float width,
                    const GXStrokeStyle* style);
    void StrokeEllipse(const GXRect& rect, const std::shared_ptr<Brush>& brush, float width,
                       const GXStrokeStyle* style);
    void ClipGeometry(const std::shared_ptr<Geometry>& geometry);
    void ClipRect(const GXRect& rect);
    void ClipEllipse(const GXRect& rect);
    // The bitmap's pixel (i, j) lands at the CTM's image of (i, j).
    void DrawBitmap(const std::shared_ptr<Bitmap>& bitmap, float opacity, int32_t samplingMode);
    // The bitmap fills `rect` upside down, as an image does in a y-up page space.
    void StretchBitmap(const std::shared_ptr<Bitmap>& bitmap, const GXRect& rect, float opacity,
                       int32_t samplingMode);
    // The gradient, in user space, over the whole current clip.
    void DrawGradient(const std::shared_ptr<Gradient>& gradient, float opacity);
    // Paints `brush` where `mask` (placed as DrawBitmap places a bitmap) is transparent.
    void FillMask(const std::shared_ptr<Bitmap>& mask, const std::shared_ptr<Brush>& brush,
                  int32_t samplingMode);
    void InvertRect(const GXRect& rect);
    // The glyphs of the null-terminated UTF-16 `text`, the pen starting at the user origin.
    void FillText(const std::shared_ptr<Font>& face, const uint16_t* text,
                  const std::shared_ptr<Brush>& brush);

private:
    // What each entry of the front end's copy of the renderer's state stack was opened by.
    enum class Level : uint8_t { State, Layer };

    // Fill and Clip: while stroke adjustment is on, an axis-aligned four-corner figure goes
    // as the device pixels DeviceRect decides for it; anything else goes as it is.
    void FillOrClip(const std::shared_ptr<Geometry>& geometry, const std::shared_ptr<Brush>& brush);
    void Stroke(const Geometry& geometry, const std::shared_ptr<Brush>& brush, float width,
                const GXStrokeStyle* style);

    // An empty geometry from `slot`: the front end's own scratch geometry, emptied, when no
    // renderer kept hold of it after its last draw; else a new one that takes the slot.
    // Rectangles, ellipses, lines and stroke outlines are drawn by the thousand, and
    // refilling the same geometry reuses its storage: no heap call per draw.
    static std::shared_ptr<Geometry> Scratch(std::shared_ptr<Geometry>& slot);

    bool painting_ = false;      // between a BeginPaint that succeeded and the next EndPaint
    std::vector<Level> levels_;  // levels pushed on the renderer, innermost last
    // Scratch slots, each null until first used: the shape a call draws (rectangle,
    // ellipse, line); the outline a stroke widens into. Apart, since one draw can hold both
    // at once.
    std::shared_ptr<Geometry> scratchShape_;
    std::shared_ptr<Geometry> scratchOutline_;
    // FillText's working lists, kept so that drawing text allocates nothing once they have
    // grown to the longest text drawn.
    std::vector<const GlyphOutlineCache::Glyph*> glyphEntries_;
    std::vector<RenderTargetBase::PlacedGlyph> placedGlyphs_;
};

}  // namespace Graphics
