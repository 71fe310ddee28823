#pragma once

#include <cstdint>
#include <memory>

#include "graphics/bitmap/colorf.h"
#include "gx.h"
#include "platform/printcanvas.h"

namespace Graphics {

class Brush;
class PrintBitmap;

// What one fill paints with on the canvas: a solid colour, or an image placed in device
// space.
struct PrintPaint {
    bool solid;                   // true: `color`; false: `image`
    ColorF color;                 // straight alpha, the fill opacity folded in
    Host::PrintImagePaint image;  // the image and its placement
    bool imageHasAlpha;           // the image may hold transparent pixels
};

// A brush in canvas terms, made for one fill at a given opacity. Device space is the
// renderer's: page points.
class PrintColorSource {
public:
    virtual ~PrintColorSource() = default;

    // The source painting `brush` at `opacity` (the brush's own opacity already folded in
    // by the caller). Raises "Not implemented" for a brush kind this renderer does not
    // paint.
    static std::unique_ptr<PrintColorSource> CreateFromBrush(const std::shared_ptr<Brush>& brush,
                                                             float opacity);
    // A brush like `brush` with `opacity`, its matrix followed by `then`, and for bitmap
    // brushes the given sampling mode (-1 keeps the brush's own).
    static std::shared_ptr<Brush> RemapBrush(const Brush& brush, float opacity,
                                             const GXMatrix& then, int32_t samplingMode = -1);

    // The brush the fill paints with: the caller's, at the fill opacity.
    const std::shared_ptr<Brush>& GetBrush() const { return brush_; }
    // The paint for a fill whose device bound is `bound` (finite, non-empty), on a device
    // of `dpi` dots per inch, resampling images with `filter`.
    virtual PrintPaint MakePaint(const GXRect& bound, float dpi,
                                 Host::PrintImageFilter filter) const = 0;

protected:
    explicit PrintColorSource(std::shared_ptr<Brush> brush) : brush_(std::move(brush)) {}

private:
    std::shared_ptr<Brush> brush_;  // never empty
};

// A solid brush: its colour with the fill opacity on alpha.
class PrintSolidColorSource : public PrintColorSource {
public:
    explicit PrintSolidColorSource(std::shared_ptr<Brush> brush)
        : PrintColorSource(std::move(brush)) {}
    PrintPaint MakePaint(const GXRect& bound, float dpi,
                         Host::PrintImageFilter filter) const override;
};

// A bitmap brush: the bitmap itself, placed by the brush matrix, tiled or clamped by the
// brush's extend modes.
class PrintBitmapColorSource : public PrintColorSource {
public:
    explicit PrintBitmapColorSource(std::shared_ptr<Brush> brush)
        : PrintColorSource(std::move(brush)) {}
    PrintPaint MakePaint(const GXRect& bound, float dpi,
                         Host::PrintImageFilter filter) const override;
};

// A gradient brush of any kind (linear, radial, tri-mesh): evaluated by the software
// renderer into a bitmap over the device bound, which is then placed there. Smooth colour
// needs less than the device's resolution, so the bitmap holds at most kMaxDpi dots per
// inch, and no more than PrintBitmap::kMaxPixels; the fill's own outline stays vector.
class PrintGradientColorSource : public PrintColorSource {
public:
    static constexpr float kMaxDpi = 150.0f;

    explicit PrintGradientColorSource(std::shared_ptr<Brush> brush)
        : PrintColorSource(std::move(brush)) {}
    PrintPaint MakePaint(const GXRect& bound, float dpi,
                         Host::PrintImageFilter filter) const override;
};

}  // namespace Graphics
