#include "graphics/geometry/pen.h"

#include <cmath>
#include <utility>

#include "graphics/core/exception.h"
#include "graphics/geometry/figureflattener.h"

namespace Graphics {

namespace {

constexpr float kPi = 3.14159265f;
constexpr float kTwoPi = 6.2831855f;
// Arc points per half turn never exceed 1024, however wide the pen or fine the tolerance.
constexpr float kMinArcStep = kPi / 1024;
// Segments shorter than this in both coordinates have no usable direction.
constexpr float kMinSegment = 0.001f;

bool Same(const GXPoint& a, const GXPoint& b) {
    return a.x == b.x && a.y == b.y;
}
bool Finite(const GXPoint& p) {
    return std::isfinite(p.x) && std::isfinite(p.y);
}

// Overflow-free length of (dx, dy); infinite only when the length exceeds the float range.
float Length(float dx, float dy) {
    return float(std::sqrt(double(dx) * double(dx) + double(dy) * double(dy)));
}

void AppendDistinct(Figure& side, const GXPoint& p) {
    if (!Same(side.LastPoint(), p)) side.AppendLine(p);
}

// Whole arc steps in `sweep`, 0 for NaN; the step floor bounds the count by 2048.
int ArcCount(float sweep, float step) {
    float n = sweep / step;
    return n >= 1 ? int(n) : 0;
}

}  // namespace

Pen::Pen(float tolerance, float width, int32_t cap, int32_t join, float miterLimit,
         std::shared_ptr<GeometrySink> target) {
    Reset(tolerance, width, cap, join, miterLimit, std::move(target));
}

void Pen::Reset(float tolerance, float width, int32_t cap, int32_t join, float miterLimit,
                std::shared_ptr<GeometrySink> target) {
    tolerance_ = tolerance >= FigureFlattener::kMinStep ? tolerance : FigureFlattener::kMinStep;
    cap_ = cap;
    join_ = join;
    miterLimit_ = miterLimit;
    halfWidth_ = width * 0.5f;
    usable_ = std::isfinite(halfWidth_) && halfWidth_ >= 0;
    poisoned_ = false;
    hasSides_ = false;
    start_ = second_ = previous_ = current_ = lastEmitted_ = GXPoint{};
    left_.Reset();
    right_.Reset();
    frontCap_.clear();
    pointsLeft_ = kMaxOutlinePoints;
    target_ = std::move(target);
    // Finer tolerances and wider pens take more arc points; the floor bounds their count
    // (and keeps the step from being 0 when hw swamps the tolerance in float).
    float step = 4 * std::acos(halfWidth_ / (halfWidth_ + tolerance_ * 0.125f));
    arcStep_ = step >= kMinArcStep ? step : kMinArcStep;
}

size_t Pen::RetainedBytes() const {
    return left_.BlockSize() + right_.BlockSize() + frontCap_.capacity() * sizeof(GXPoint);
}

void Pen::DropFigure() {
    hasSides_ = false;
    poisoned_ = false;
}

void Pen::BeginFigure(const GXPoint& start) {
    DropFigure();
    start_ = current_ = start;
    poisoned_ = !Finite(start);
}

void Pen::LineTo(const GXPoint& point) {
    if (poisoned_) return;
    if (!Finite(point)) {
        poisoned_ = true;
        return;
    }
    if (Same(point, current_)) return;
    AddSegment(point, true);
}

void Pen::CubicCurveTo(const GXPoint& c1, const GXPoint& c2, const GXPoint& end) {
    if (poisoned_) return;
    if (!Finite(c1) || !Finite(c2) || !Finite(end)) {
        poisoned_ = true;
        return;
    }
    // The curve's first piece is joined to what came before; the pieces after it follow
    // the curve itself.
    bool first = true;
    FigureFlattener::Flatten(tolerance_, current_, c1, c2, end, [&](const GXPoint& p) {
        if (AddSegment(p, first)) first = false;
    });
}

bool Pen::AddSegment(const GXPoint& next, bool joins) {
    const GXPoint n = next, c = current_;
    if (std::fabs(n.x - c.x) <= kMinSegment && std::fabs(n.y - c.y) <= kMinSegment) return false;
    const float dx = n.x - c.x, dy = n.y - c.y;
    const float k = halfWidth_ / Length(dx, dy);
    const GXPoint leftOffset{-k * dy, k * dx};  // left normal, length hw
    // Without sides the current point is still the start point: this is the first segment.
    if (!hasSides_) {
        left_.Reset();
        right_.Reset();
        left_.AppendStart({c.x + leftOffset.x, c.y + leftOffset.y});
        right_.AppendStart({c.x - leftOffset.x, c.y - leftOffset.y});
        hasSides_ = true;
        second_ = n;
    } else {
        if (joins) {
            Join(left_, n, c, previous_);
            Join(right_, previous_, c, n);
        }
        AppendDistinct(left_, {c.x + leftOffset.x, c.y + leftOffset.y});
        AppendDistinct(right_, {c.x - leftOffset.x, c.y - leftOffset.y});
    }
    AppendDistinct(left_, {n.x + leftOffset.x, n.y + leftOffset.y});
    AppendDistinct(right_, {n.x - leftOffset.x, n.y - leftOffset.y});
    previous_ = c;
    current_ = n;
    return true;
}

void Pen::Join(Figure& side, const GXPoint& a, const GXPoint& centre, const GXPoint& b) {
    const GXPoint c = centre;
    // Negative on the outer side of the turn only; collinear segments get nothing.
    const float t = (c.y - a.y) * (b.x - c.x) - (b.y - c.y) * (c.x - a.x);
    if (!(t < 0)) return;
    const float hw = halfWidth_;
    const float k1 = hw / Length(a.x - c.x, a.y - c.y), k2 = hw / Length(b.x - c.x, b.y - c.y);
    const GXPoint w1{k1 * (c.y - a.y), k1 * (a.x - c.x)};
    const GXPoint w2{k2 * (b.y - c.y), k2 * (c.x - b.x)};
    if (join_ == 0) {
        // The offset line of the segment from a meets that of the segment towards b.
        const GXPoint p1{a.x + w1.x, a.y + w1.y}, d1{c.x - a.x, c.y - a.y};
        const GXPoint p2{c.x + w2.x, c.y + w2.y}, d2{b.x - c.x, b.y - c.y};
        const float denominator = d1.x * d2.y - d1.y * d2.x;
        if (denominator == 0) return;
        const float s = ((p2.x - p1.x) * d2.y - (p2.y - p1.y) * d2.x) / denominator;
        const GXPoint m{p1.x + s * d1.x, p1.y + s * d1.y};
        // Strictly greater: a miter exactly at the limit is cut to a bevel. NaN cuts too.
        if (miterLimit_ > Length(m.x - c.x, m.y - c.y) / hw) AppendDistinct(side, m);
    } else if (join_ == 1) {
        const float a0 = std::atan2(w1.y, w1.x), a1 = std::atan2(w2.y, w2.x);
        const float sweep = a1 < a0 ? a1 - a0 + kTwoPi : a1 - a0;
        const int n = ArcCount(sweep, arcStep_);
        if (n < 1) return;
        // The arc runs from a towards b; the left side is called with a the next segment's
        // end, so its arc is emitted backwards, in the order the side is walked (else it
        // would wind against the outline and cancel part of the stroke).
        const float step = sweep / float(n);
        const bool backwards = &side == &left_;
        for (int i = 0; i <= n; ++i) {
            const float angle = a0 + float(backwards ? n - i : i) * step;
            AppendDistinct(side, {c.x + hw * std::cos(angle), c.y + hw * std::sin(angle)});
        }
    }
}

template <class Out>
void Pen::Cap(const GXPoint& p, const GXPoint& q, Out&& emit) const {
    const float dx = q.x - p.x, dy = q.y - p.y, hw = halfWidth_;
    if (cap_ == 1) {
        const float fraction = kPi / arcStep_;
        const int n = fraction >= 2 ? int(fraction) : 2;
        const float step = kPi / float(n);
        // From the right normal of the direction p -> q, turning through the direction.
        const float b0 = std::atan2(-dx, dy);
        for (int i = 0; i <= n; ++i) {
            const float angle = b0 + float(i) * step;
            emit(GXPoint{q.x + hw * std::cos(angle), q.y + hw * std::sin(angle)});
        }
    } else if (cap_ == 2) {
        const float k = hw / Length(dx, dy);
        emit(GXPoint{q.x + k * dy + k * dx, q.y - k * dx + k * dy});
        emit(GXPoint{q.x - k * dy + k * dx, q.y + k * dx + k * dy});
    }
}

void Pen::Emit(const GXPoint& point) {
    if (Same(point, lastEmitted_)) return;
    if (pointsLeft_ == 0) GX_RAISE("Stroke outline is too complex");
    --pointsLeft_;
    target_->LineTo(point);
    lastEmitted_ = point;
}

void Pen::EmitOpenOutline() {
    // The start cap goes in front of the left side: each point is prepended unless it
    // equals the side's first point at that moment, so it is kept here and sent reversed.
    frontCap_.clear();
    GXPoint front = left_.StartPoint();
    Cap(second_, start_, [&](const GXPoint& p) {
        if (!Same(p, front)) frontCap_.push_back(front = p);
    });
    Cap(previous_, current_, [&](const GXPoint& p) { AppendDistinct(right_, p); });

    const GXPoint* right = right_.Points();
    lastEmitted_ = right[right_.PointCount() - 1];
    target_->BeginFigure(lastEmitted_);
    for (int32_t i = right_.PointCount() - 2; i >= 0; --i) Emit(right[i]);
    for (size_t i = frontCap_.size(); i-- > 0;) Emit(frontCap_[i]);
    const GXPoint* left = left_.Points();
    for (int32_t i = 0; i < left_.PointCount(); ++i) Emit(left[i]);
    target_->EndFigureClose();
}

void Pen::EmitDot() {
    if (cap_ != 1) return;
    // A round cap on each side of a unit vertical direction closes into a circle.
    left_.Reset();
    right_.Reset();
    left_.AppendStart(current_);
    right_.AppendStart(current_);
    second_ = {start_.x, start_.y + 1};
    previous_ = {current_.x, current_.y - 1};
    EmitOpenOutline();
}

void Pen::EndFigure() {
    if (usable_ && !poisoned_) {
        if (hasSides_) {
            EmitOpenOutline();
        } else {
            EmitDot();
        }
    }
    DropFigure();
}

void Pen::EndFigureClose() {
    if (!usable_ || poisoned_) {
        DropFigure();
        return;
    }
    if (!hasSides_) {
        EmitDot();
        DropFigure();
        return;
    }
    if (!Same(current_, start_)) AddSegment(start_, true);
    Join(left_, second_, current_, previous_);
    Join(right_, previous_, current_, second_);

    const GXPoint* left = left_.Points();
    lastEmitted_ = left[0];
    target_->BeginFigure(lastEmitted_);
    for (int32_t i = 1; i < left_.PointCount(); ++i) Emit(left[i]);
    target_->EndFigureClose();

    const GXPoint* right = right_.Points();
    lastEmitted_ = right[right_.PointCount() - 1];
    target_->BeginFigure(lastEmitted_);
    for (int32_t i = right_.PointCount() - 2; i >= 0; --i) Emit(right[i]);
    target_->EndFigureClose();
    DropFigure();
}

}  // namespace Graphics
