#include "graphics/software/radialgradientfiller.h"

#include <algorithm>
#include <cmath>

#include "graphics/geometry/matrix.h"
#include "graphics/software/swcolorsource.h"
#include "graphics/software/swgradientcolorsource.h"
#include "graphics/software/swgradientstoptablecache.h"

namespace Graphics {

const SimdKernel<RadialGradientFiller::SolveProc> RadialGradientFiller::kSolveSpanForms{
    &RadialGradientFiller::SolveSpanScalar, GX_SSE2_FORM(RadialGradientFiller::SolveSpanSSE2),
    GX_AVX2_FORM(RadialGradientFiller::SolveSpanAVX2)};

RadialGradientFiller::RadialGradientFiller(std::shared_ptr<RadialGradient> gradient,
                                           const GXMatrix& gradientToDevice, uint32_t opacityWeight)
    : gradient_(std::move(gradient)),
      inverse_{},
      cx_(0),
      cy_(0),
      sMin_(0),
      sMax_(0),
      bOffset_(0),
      r02_(0),
      a_(0),
      inverseA_(0),
      startColor_(0),
      endColor_(0),
      background_(0),
      stops_(gradient_->GetStops().Stops().data()),
      stopCount_(SwGradientColorSource::SearchableStopCount(gradient_->GetStops())),
      opacityWeight_(opacityWeight),
      table_(SwGradientStopTableCache::Find(gradient_->ShareStops(), opacityWeight_)),
      cursor_(SwGradientStopTable::EmptyCursor()),
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
    const double cx = double(c1.x) - c0.x, cy = double(c1.y) - c0.y, dr = double(r1) - r0;
    // Circles of radius 0 at both ends are points sweeping a segment without area.
    if (r0 == 0 && r1 == 0) return;
    const double scale =
        std::max({std::hypot(cx, cy), std::fabs(double(r0)), std::fabs(double(r1))});

    // Gradient space relative to c0, divided by the scale.
    const GXMatrix& m = deviceToGradient;
    const GXMatrix inverse{float(m.a / scale),          float(m.b / scale),
                           float(m.c / scale),          float(m.d / scale),
                           float((m.e - c0.x) / scale), float((m.f - c0.y) / scale)};
    const double ncx = cx / scale, ncy = cy / scale, nr0 = r0 / scale, ndr = dr / scale;
    // From the differences themselves, which are exact, so that circles touching from
    // inside give a = 0 exactly rather than a rounding residue whose sign would invent or
    // drop a far root.
    const double a = (cx * cx + cy * cy - dr * dr) / (scale * scale);
    if (!IsFiniteMatrix(inverse)) {
        background_ = 0;
        return;
    }
    inverse_ = inverse;
    cx_ = float(ncx);
    cy_ = float(ncy);
    // The circles that count: s inside 0..1 or where the gradient extends, and radius
    // r0 + s dr not negative. The radius bound gives way by ten parts in a million so
    // that the apex of the cone, the circle of radius 0, survives the rounding of its
    // own root; the points that lets in lie that close to the apex.
    double sMin = gradient_->ExtendsStart() ? -HUGE_VAL : 0.0;
    double sMax = gradient_->ExtendsEnd() ? HUGE_VAL : 1.0;
    if (dr != 0) {
        const double apex = -double(r0) / dr, apexSlack = 1e-5 * std::fabs(apex);
        if (dr > 0) sMin = std::max(sMin, apex - apexSlack);
        if (dr < 0) sMax = std::min(sMax, apex + apexSlack);
    } else if (r0 < 0) {
        return;
    }
    if (!(sMin <= sMax)) return;
    sMin_ = float(sMin);
    sMax_ = float(sMax);
    bOffset_ = float(nr0 * ndr);
    r02_ = float(nr0 * nr0);
    a_ = float(a);
    inverseA_ = a_ != 0.0f ? float(1.0 / a) : 0.0f;
    startColor_ = SwColorSource::ApplyOpacity(
        SwGradientColorSource::StopColor(stops_, stopCount_, 0.0f), opacityWeight_);
    endColor_ = SwColorSource::ApplyOpacity(
        SwGradientColorSource::StopColor(stops_, stopCount_, 1.0f), opacityWeight_);
    constant_ = 0;
}

float RadialGradientFiller::SolveAt(float px, float py) const {
    const float b = px * cx_ + py * cy_ + bOffset_;
    const float c = px * px + py * py - r02_;
    // When one circle holds the other (a < 0) circles pass through every point and the
    // discriminant is never negative: below 0 it is rounding at the apex of the cone, the
    // double root there. Otherwise a negative discriminant leaves the point uncovered.
    // NaN fails the test.
    float disc = b * b - a_ * c;
    if (a_ < 0.0f) disc = std::max(disc, 0.0f);
    if (!(disc >= 0.0f)) return -HUGE_VALF;
    // The roots are q / a and c / q: the second form of each keeps the subtraction of
    // nearly equal terms away, and c / q alone is the root when a = 0. Of the circles
    // through the point the one of largest s wins, as later circles paint over earlier
    // ones.
    const float root = std::sqrt(disc);
    const float q = b >= 0.0f ? b + root : b - root;
    float s = -HUGE_VALF;
    if (a_ != 0.0f) {
        const float far = q * inverseA_;
        if (far >= sMin_ && far <= sMax_) s = far;
    }
    if (q != 0.0f) {
        const float near = c / q;
        if (near >= sMin_ && near <= sMax_) s = std::max(s, near);
    }
    return s;
}

void RadialGradientFiller::SolveSpanScalar(float px, float py, int32_t first, int32_t count,
                                           float* s) const {
    for (int32_t i = 0; i < count; ++i)
        s[i] = SolveAt(px + float(first + i) * inverse_.a, py + float(first + i) * inverse_.b);
}

bool RadialGradientFiller::IsOpaque() const {
    return SwAlpha(background_) == 255 &&
           (constant_ ||
            (opacityWeight_ == 256 && SwGradientColorSource::StopsOpaque(stops_, stopCount_)));
}

void RadialGradientFiller::Fill(int32_t x0, int32_t count, int32_t y, uint32_t* out) {
    if (constant_) {
        std::fill(out, out + count, background_);
        return;
    }
    const float px = inverse_.a * float(x0) + inverse_.c * float(y) + inverse_.e;
    const float py = inverse_.b * float(x0) + inverse_.d * float(y) + inverse_.f;
    // s changes little from one pixel to the next (and from one row to the next), so the
    // cursor seldom searches.
    constexpr int32_t kChunk = 256;
    float s[kChunk];
    for (int32_t first = 0; first < count; first += kChunk) {
        const int32_t n = std::min(kChunk, count - first);
        SolveSpan(px, py, first, n, s);
        table_->ColorSpan(s, n, background_, startColor_, endColor_, out + first, cursor_);
    }
}

}  // namespace Graphics
