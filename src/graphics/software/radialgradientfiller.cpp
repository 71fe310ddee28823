#include "graphics/software/radialgradientfiller.h"

#include <algorithm>
#include <cmath>

#include "graphics/geometry/matrix.h"
#include "graphics/software/swcolorsource.h"
#include "graphics/software/swgradientcolorsource.h"

namespace Graphics {

RadialGradientFiller::RadialGradientFiller(std::shared_ptr<RadialGradient> gradient,
                                           const GXMatrix& gradientToDevice, uint32_t opacityWeight)
    : gradient_(std::move(gradient)),
      inverse_{},
      fx_(0),
      fy_(0),
      k_(0),
      k2_(0),
      fourA_(0),
      inverseTwoA_(0),
      radiusSign_(1),
      startColor_(0),
      endColor_(0),
      background_(0),
      stops_(gradient_->GetStops().Stops().data()),
      stopCount_(SwGradientColorSource::SearchableStopCount(gradient_->GetStops())),
      opacityWeight_(opacityWeight),
      table_(stops_, stopCount_, opacityWeight_),
      extendStart_(gradient_->ExtendsStart()),
      extendEnd_(gradient_->ExtendsEnd()),
      constant_(1) {
    GXMatrix deviceToGradient;
    const GXPoint c0 = gradient_->GetP0(), c1 = gradient_->GetP1();
    const float r0 = gradient_->GetR0(), r1 = gradient_->GetR1();
    if (stopCount_ == 0 || !InvertMatrix(gradientToDevice, deviceToGradient) ||
        !std::isfinite(c0.x) || !std::isfinite(c0.y) || !std::isfinite(c1.x) ||
        !std::isfinite(c1.y) || !std::isfinite(r0) || !std::isfinite(r1))
        return;
    if (gradient_->HasBackground())
        background_ = SwColorSource::ApplyOpacity(
            SwColorSource::Premultiply(gradient_->GetBackground().ToARGB()), opacityWeight_);
    const double dr = double(r1) - r0;
    if (dr == 0.0) return;

    // Gradient space relative to c0, divided by dr.
    const GXMatrix& m = deviceToGradient;
    const GXMatrix inverse{float(m.a / dr), float(m.b / dr),          float(m.c / dr),
                           float(m.d / dr), float((m.e - c0.x) / dr), float((m.f - c0.y) / dr)};
    const double fx = (double(c0.x) - c1.x) / dr, fy = (double(c0.y) - c1.y) / dr;
    const double k = r0 / dr;
    const double a = fx * fx + fy * fy - 1.0;
    const float values[] = {float(fx), float(fy), float(k), float(k * k), float(4 * a)};
    if (!IsFiniteMatrix(inverse) || !std::all_of(std::begin(values), std::end(values),
                                                 [](float v) { return std::isfinite(v); })) {
        background_ = 0;
        return;
    }
    inverse_ = inverse;
    fx_ = float(fx);
    fy_ = float(fy);
    k_ = float(k);
    k2_ = float(k * k);
    fourA_ = float(4 * a);
    inverseTwoA_ = fourA_ != 0.0f ? float(1.0 / (2 * a)) : 0.0f;
    radiusSign_ = dr > 0 ? 1.0f : -1.0f;
    startColor_ = SwColorSource::ApplyOpacity(
        SwGradientColorSource::StopColor(stops_, stopCount_, 0.0f), opacityWeight_);
    endColor_ = SwColorSource::ApplyOpacity(
        SwGradientColorSource::StopColor(stops_, stopCount_, 1.0f), opacityWeight_);
    constant_ = 0;
}

uint32_t RadialGradientFiller::PixelAt(float px, float py, SwGradientStopTable::Cursor& cursor) {
    const float b = 2.0f * (px * fx_ + py * fy_ - k_);
    const float c = px * px + py * py - k2_;
    // Of the circles through the point, the one of largest s wins, as later circles paint
    // over earlier ones; a root whose radius r0 + s dr is negative is no circle, and one
    // beyond 0..1 counts only where the gradient extends. NaN fails every test.
    float s = 0.0f;
    bool found = false;
    auto consider = [&](float root) {
        if ((k_ + root) * radiusSign_ >= 0.0f && (root >= 0.0f || extendStart_) &&
            (root <= 1.0f || extendEnd_) && (!found || root > s)) {
            s = root;
            found = true;
        }
    };
    if (fourA_ == 0.0f) {
        if (b != 0.0f) consider(-c / b);
    } else {
        const float disc = b * b - fourA_ * c;
        if (disc >= 0.0f) {
            const float root = std::sqrt(disc);
            consider((root - b) * inverseTwoA_);
            consider((-b - root) * inverseTwoA_);
        }
    }
    if (!found) return background_;
    if (s < 0.0f) return startColor_;
    if (s > 1.0f) return endColor_;
    return table_.Color(s, cursor);
}

void RadialGradientFiller::Fill(int32_t x0, int32_t count, int32_t y, uint32_t* out) {
    if (constant_) {
        std::fill(out, out + count, background_);
        return;
    }
    float px = inverse_.a * float(x0) + inverse_.c * float(y) + inverse_.e;
    float py = inverse_.b * float(x0) + inverse_.d * float(y) + inverse_.f;
    // s changes little from one pixel to the next, so the cursor seldom searches.
    SwGradientStopTable::Cursor cursor = SwGradientStopTable::EmptyCursor();
    for (int32_t i = 0; i < count; ++i, px += inverse_.a, py += inverse_.b)
        out[i] = PixelAt(px, py, cursor);
}

}  // namespace Graphics
