#include "graphics/geometry/figureflattener.h"

#include <cmath>

namespace Graphics {

namespace {
bool Exceeds(const GXPoint& v, float limit) {
    return std::fabs(v.x) > limit || std::fabs(v.y) > limit;
}
bool Finite(const GXPoint& v) {
    return std::isfinite(v.x) && std::isfinite(v.y);
}
float MaxMagnitude(const GXPoint& p) {
    return std::fmax(std::fabs(p.x), std::fabs(p.y));
}
}  // namespace

void FigureFlattener::HalveStep() {
    steps_ *= 2;
    e2_ = {(e2_.x + e1_.x) * 0.125f, (e2_.y + e1_.y) * 0.125f};
    e1_ = {e1_.x * 0.25f, e1_.y * 0.25f};
    d1_ = {(d1_.x - e2_.x) * 0.5f, (d1_.y - e2_.y) * 0.5f};
    step_ *= 0.5f;
}

void FigureFlattener::Init(float tolerance, const GXPoint& p0, const GXPoint& p1, const GXPoint& p2,
                           const GXPoint& p3) {
    tolerance_ = tolerance;
    point_ = p0;
    d1_ = {p3.x - p0.x, p3.y - p0.y};
    e1_ = {6 * (p0.x - 2 * p1.x + p2.x), 6 * (p0.y - 2 * p1.y + p2.y)};
    e2_ = {6 * (p1.x - 2 * p2.x + p3.x), 6 * (p1.y - 2 * p2.y + p3.y)};
    step_ = 1;
    steps_ = 1;
    // An infinite difference never falls within the tolerance and would drive the step to
    // its floor (2^23 meaningless points); NaN would be compared away anyway.
    if (!Finite(d1_) || !Finite(e1_) || !Finite(e2_)) return;
    float limit = 6 * tolerance_;
    while (Exceeds(e1_, limit) || Exceeds(e2_, limit)) {
        HalveStep();
        if (!(step_ > kMinStep)) break;
    }
}

bool FigureFlattener::Next(GXPoint& point) {
    if (steps_ < 2) return false;
    steps_ -= 1;
    point_ = {point_.x + d1_.x, point_.y + d1_.y};
    d1_ = {d1_.x + e2_.x, d1_.y + e2_.y};
    GXPoint next = {2 * e2_.x - e1_.x, 2 * e2_.y - e1_.y};
    e1_ = e2_;
    e2_ = next;
    point = point_;

    if (step_ > kMinStep && Exceeds(e2_, 6 * tolerance_)) {
        HalveStep();
        return true;
    }
    // Doubling needs an even count so that the doubled steps still end on P3.
    float limit = 1.5f * tolerance_;
    while ((steps_ & 1) == 0 && !Exceeds(e1_, limit) &&
           !Exceeds({2 * e2_.x - e1_.x, 2 * e2_.y - e1_.y}, limit)) {
        d1_ = {2 * d1_.x + e2_.x, 2 * d1_.y + e2_.y};
        e2_ = {4 * (2 * e2_.x - e1_.x), 4 * (2 * e2_.y - e1_.y)};
        e1_ = {4 * e1_.x, 4 * e1_.y};
        steps_ /= 2;
        step_ *= 2;
    }
    return true;
}

float FigureFlattener::UsableTolerance(float tolerance, const GXPoint& p0, const GXPoint& p1,
                                       const GXPoint& p2, const GXPoint& p3) {
    float magnitude = std::fmax(std::fmax(MaxMagnitude(p0), MaxMagnitude(p1)),
                                std::fmax(MaxMagnitude(p2), MaxMagnitude(p3)));
    float floor = std::fmax(kMinStep, magnitude * 2.3841858e-7f);  // 2^-22
    // fmax drops a NaN tolerance; a negative or zero one loses to the floor.
    return std::fmax(tolerance, floor);
}

}  // namespace Graphics
