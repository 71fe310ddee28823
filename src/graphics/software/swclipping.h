#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "gx.h"

namespace Graphics {

class BitmapBase;
class Geometry;

// The clip of one drawing state: a box plus the clip geometries that are not axis-aligned
// rectangles. Rectangles only narrow the box; geometries are turned into an A8 coverage
// mask (the product of their anti-aliased coverages) the first time a draw needs it, and
// that mask is kept until the geometries change. Copying gives an independent clipping
// that shares the geometries and the (never modified) mask.
class SwClipping {
public:
    // A clip showing all of a width x height sub-target (negative sizes read as 0).
    SwClipping(GXIntSize size, float dpiX, float dpiY);

    // Intersects the clip with `geometry` mapped by `matrix` (the drawing matrix).
    // `snapRectangles`: a lone upright rectangle clips whole pixels, exactly those a fill
    // of it covers under stroke adjustment.
    void ClipGeometry(const std::shared_ptr<Geometry>& geometry, const GXMatrix& matrix,
                      bool snapRectangles);
    // Intersects the box with whole sub-target pixels (whole numbers); an empty
    // rectangle leaves nothing visible.
    void ClipPixels(const GXRect& pixels) { Intersect(pixels); }
    // Back to the whole sub-target.
    void Reset();

    // Same box, and the same geometries (the same objects or equal point for point) under
    // equal matrices and the same snapping, in the same order.
    bool operator==(const SwClipping& other) const;

    // The box in sub-target pixels (floats); (0, 0, 0, 0) when nothing is visible.
    GXRect Bounds() const { return bounds_; }
    // The box rounded outward to whole pixels and cut to the sub-target; may be empty.
    GXIntRect PixelBox() const;
    bool HasGeometries() const { return !entries_.empty(); }
    // The coverage mask over PixelBox(), built when missing; null when the box is empty or
    // no geometry clips.
    const std::shared_ptr<BitmapBase>& Mask();
    // Maps mask pixels to sub-target pixels (a translation to the mask's top-left).
    GXMatrix MaskMatrix() const { return maskMatrix_; }

private:
    struct Entry {
        GXMatrix matrix;                     // the drawing matrix of the clip
        std::shared_ptr<Geometry> geometry;  // never null; shared with copies
        bool snapRectangles;                 // rasterized as a fill under stroke adjustment
    };

    void Intersect(const GXRect& rect);
    void BuildMask();

    GXIntSize size_;                    // sub-target size in pixels, >= 0
    float dpiX_, dpiY_;                 // resolution given to the mask bitmap
    std::vector<Entry> entries_;        // clip geometries, in the order they were set
    GXRect bounds_;                     // visible box, normalised and inside the size
    std::shared_ptr<BitmapBase> mask_;  // A8 over PixelBox(); valid while entries_ unchanged
    GXMatrix maskMatrix_;               // mask pixel -> sub-target pixel translation
};

}  // namespace Graphics
