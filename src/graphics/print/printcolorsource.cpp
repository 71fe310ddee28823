#include "graphics/print/printcolorsource.h"

#include <algorithm>
#include <cmath>

#include "graphics/bitmap/bitmapsource.h"
#include "graphics/core/exception.h"
#include "graphics/geometry/matrix.h"
#include "graphics/geometry/transformer.h"
#include "graphics/paint/bitmapbrush.h"
#include "graphics/paint/gradientbrush.h"
#include "graphics/paint/solidbrush.h"
#include "graphics/print/printbitmap.h"
#include "graphics/software/swcolorsource.h"

namespace Graphics {
namespace {

constexpr float kPointsPerInch = 72.0f;

Host::PrintImageExtend ExtendOf(int32_t mode) {
    switch (mode) {
        case BitmapExtendRepeat:
            return Host::PrintImageExtend::Repeat;
        case BitmapExtendMirror:
            return Host::PrintImageExtend::Reflect;
        default:
            return Host::PrintImageExtend::Pad;
    }
}

}  // namespace

std::unique_ptr<PrintColorSource> PrintColorSource::CreateFromBrush(
    const std::shared_ptr<Brush>& brush, float opacity) {
    auto adjusted = RemapBrush(*brush, opacity, kIdentityMatrix);
    switch (brush->GetType()) {
        case BrushKind::Solid:
            return std::make_unique<PrintSolidColorSource>(std::move(adjusted));
        case BrushKind::Bitmap:
            return std::make_unique<PrintBitmapColorSource>(std::move(adjusted));
        case BrushKind::Gradient:
            return std::make_unique<PrintGradientColorSource>(std::move(adjusted));
    }
    GX_RAISE("Not implemented");
}

std::shared_ptr<Brush> PrintColorSource::RemapBrush(const Brush& brush, float opacity,
                                                    const GXMatrix& then, int32_t samplingMode) {
    const GXMatrix matrix = MultiplyMatrix(brush.GetMatrix(), then);
    switch (brush.GetType()) {
        case BrushKind::Solid:
            return std::make_shared<SolidBrush>(static_cast<const SolidBrush&>(brush).GetColor(),
                                                opacity);
        case BrushKind::Bitmap: {
            const auto& bitmap = static_cast<const BitmapBrush&>(brush);
            return std::make_shared<BitmapBrush>(
                bitmap.GetBitmap(), opacity, matrix,
                samplingMode < 0 ? bitmap.GetSamplingMode() : samplingMode, bitmap.GetExtendX(),
                bitmap.GetExtendY());
        }
        case BrushKind::Gradient:
            return std::make_shared<GradientBrush>(
                static_cast<const GradientBrush&>(brush).GetGradient(), opacity, matrix);
    }
    GX_RAISE("Not implemented");
}

PrintPaint PrintSolidColorSource::MakePaint(const GXRect&, float, Host::PrintImageFilter) const {
    const auto& brush = static_cast<const SolidBrush&>(*GetBrush());
    ColorF color = brush.GetColor();
    color.alpha *= std::clamp(brush.GetOpacity(), 0.0f, 1.0f);
    return PrintPaint{true, color, {}, false};
}

PrintPaint PrintBitmapColorSource::MakePaint(const GXRect&, float,
                                             Host::PrintImageFilter filter) const {
    const auto& brush = static_cast<const BitmapBrush&>(*GetBrush());
    const GXIntSize size = brush.GetBitmap()->GetSize();
    if (size.width == 0 || size.height == 0) return PrintPaint{true, ColorF{0, 0, 0, 0}, {}, false};
    auto bitmap = PrintBitmap::FromSource(brush.GetBitmap());
    // The canvas tiles along both axes alike; where the brush repeats along one axis only,
    // repeating both is closest (the clamped axis rarely reaches past the bitmap).
    const int32_t extendMode =
        brush.GetExtendX() == BitmapExtendClamp ? brush.GetExtendY() : brush.GetExtendX();
    // The state value asks for smoothing; short of that, a brush that samples bilinearly
    // is smoothed too, as it would be on a bitmap.
    const bool brushSmooths = brush.GetSamplingMode() == BitmapSamplingBilinear ||
                              brush.GetSamplingMode() == BitmapSamplingBoxBilinear;
    if (filter == Host::PrintImageFilter::Nearest && brushSmooths)
        filter = Host::PrintImageFilter::Good;
    return PrintPaint{false,
                      {},
                      bitmap->Paint(brush.GetMatrix(), ExtendOf(extendMode), filter,
                                    std::clamp(brush.GetOpacity(), 0.0f, 1.0f)),
                      bitmap->HasAlpha()};
}

PrintPaint PrintGradientColorSource::MakePaint(const GXRect& bound, float dpi,
                                               Host::PrintImageFilter) const {
    const double width = double(bound.right) - bound.left;
    const double height = double(bound.bottom) - bound.top;
    const double wanted = std::min(dpi, kMaxDpi) / kPointsPerInch;
    const double scale = PrintBitmap::BoundedScale(width, height, wanted);
    const GXIntSize size{int32_t(std::ceil(width * scale)), int32_t(std::ceil(height * scale))};
    auto bitmap = std::make_shared<PrintBitmap>(size, true);
    // Device points to bitmap pixels, the bound's corner at the origin.
    const GXMatrix deviceToBitmap{
        float(scale), 0, 0, float(scale), float(-bound.left * scale), float(-bound.top * scale)};
    auto source = SwColorSource::CreateFromBrush(
        *GetBrush(), GXIntRect{0, 0, size.width, size.height}, deviceToBitmap);
    for (int32_t y = 0; y < size.height; ++y) source->FillSpan(0, size.width, y, bitmap->Row(y));
    bitmap->MarkWritten();
    const GXMatrix bitmapToDevice{float(1 / scale), 0, 0, float(1 / scale), bound.left, bound.top};
    // At the device's own resolution every pixel lands on one device pixel; smoothing
    // would only blur the edges where the gradient meets transparency.
    const Host::PrintImageFilter filter = scale * kPointsPerInch >= dpi
                                              ? Host::PrintImageFilter::Nearest
                                              : Host::PrintImageFilter::Good;
    return PrintPaint{
        false, {}, bitmap->Paint(bitmapToDevice, Host::PrintImageExtend::Pad, filter, 1.0f), true};
}

}  // namespace Graphics
