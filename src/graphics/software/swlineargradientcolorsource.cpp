#include "graphics/software/swlineargradientcolorsource.h"

#include <algorithm>
#include <cmath>

#include "graphics/geometry/matrix.h"
#include "graphics/software/swgradientcolorsource.h"
#include "graphics/software/swgradientstoptablecache.h"

namespace Graphics {

SwLinearGradientColorSource::SwLinearGradientColorSource(std::shared_ptr<LinearGradient> gradient,
                                                         const GXMatrix& gradientToDevice,
                                                         float opacity)
    : gradient_(std::move(gradient)),
      stops_(gradient_->GetStops().Stops().data()),
      stopCount_(SwGradientColorSource::SearchableStopCount(gradient_->GetStops())),
      opacityWeight_(OpacityWeight(opacity)),
      table_(SwGradientStopTableCache::Find(gradient_->ShareStops(), opacityWeight_)),
      cursor_(SwGradientStopTable::EmptyCursor()),
      startColor_(0),
      endColor_(0),
      background_(0),
      constant_(1),
      dtdx_(0),
      dtdy_(0),
      t00_(0) {
    GXMatrix deviceToGradient;
    if (stopCount_ == 0 || !InvertMatrix(gradientToDevice, deviceToGradient)) return;
    if (gradient_->HasBackground())
        background_ =
            ApplyOpacity(Premultiply(gradient_->GetBackground().ToARGB()), opacityWeight_);
    const GXPoint p0 = gradient_->GetP0(), p1 = gradient_->GetP1();
    if (p0.x == p1.x && p0.y == p1.y) return;

    // t = ((g - p0) . (p1 - p0)) / |p1 - p0|^2 with g the pixel carried back into gradient
    // space, so the isolines stay perpendicular to the axis in gradient space and follow the
    // brush's skew or unequal scales on the device.
    const double dx = double(p1.x) - p0.x, dy = double(p1.y) - p0.y;
    const double length2 = dx * dx + dy * dy;
    const double ux = dx / length2, uy = dy / length2;
    const GXMatrix& m = deviceToGradient;
    const double dtdx = m.a * ux + m.b * uy;
    const double dtdy = m.c * ux + m.d * uy;
    const double t00 = (m.e - p0.x) * ux + (m.f - p0.y) * uy;
    if (!std::isfinite(dtdx) || !std::isfinite(dtdy) || !std::isfinite(t00) ||
        !std::isfinite(float(dtdx)) || !std::isfinite(float(dtdy)) || !std::isfinite(float(t00))) {
        background_ = 0;
        return;
    }
    dtdx_ = float(dtdx);
    dtdy_ = float(dtdy);
    t00_ = float(t00);
    startColor_ = gradient_->ExtendsStart()
                      ? ApplyOpacity(SwGradientColorSource::StopColor(stops_, stopCount_, 0.0f),
                                     opacityWeight_)
                      : background_;
    endColor_ = gradient_->ExtendsEnd()
                    ? ApplyOpacity(SwGradientColorSource::StopColor(stops_, stopCount_, 1.0f),
                                   opacityWeight_)
                    : background_;
    constant_ = 0;
}

bool SwLinearGradientColorSource::IsOpaque() const {
    if (constant_) return SwAlpha(background_) == 255;
    return opacityWeight_ == 256 && SwAlpha(startColor_) == 255 && SwAlpha(endColor_) == 255 &&
           SwGradientColorSource::StopsOpaque(stops_, stopCount_);
}

void SwLinearGradientColorSource::FillSpan(int32_t x0, int32_t x1, int32_t y, uint32_t* out) {
    const int32_t count = x1 - x0;
    if (constant_) {
        std::fill(out, out + count, background_);
        return;
    }
    const float t0 = t00_ + dtdx_ * float(x0) + dtdy_ * float(y);
    // t moves monotonically along the row, so the cursor changes interval at most once per
    // stop (and the next row most often starts where this one did). Each pixel's t is t0
    // plus its own multiple of the step, not a running sum, so that no rounding piles up
    // along the row. NaN (from huge steps) reads as before the start.
    table_->ColorRamp(t0, dtdx_, 0, count, startColor_, endColor_, out, cursor_);
}

}  // namespace Graphics
