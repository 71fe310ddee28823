#include "graphics/geometry/dasher.h"

#include <cmath>
#include <utility>

#include "graphics/core/exception.h"
#include "graphics/geometry/figureflattener.h"

namespace Graphics {

namespace {

// Positions this close to an element's end count as its end, so rounding never leaves
// a sliver of a dash or gap behind.
constexpr float kEpsilon = 1e-5f;
// One stroke places at most this many dash boundaries; beyond that (patterns far finer
// than the path, or lengths near the float range) the rest of each segment is one piece.
constexpr uint32_t kMaxPieces = 1u << 20;

bool Same(const GXPoint& a, const GXPoint& b) {
    return a.x == b.x && a.y == b.y;
}
bool Finite(const GXPoint& p) {
    return std::isfinite(p.x) && std::isfinite(p.y);
}
float Distance(const GXPoint& a, const GXPoint& b) {
    const double dx = double(b.x) - a.x, dy = double(b.y) - a.y;
    return float(std::sqrt(dx * dx + dy * dy));
}

}  // namespace

Dasher::Sequence::Sequence(const std::vector<float>& elements, float offset) : elements_(elements) {
    float sum = 0;
    for (float e : elements_) {
        if (e < 0) GX_RAISE("Dash pattern has a negative element");
        if (!std::isfinite(e)) GX_RAISE("Dash pattern is not finite");
        sum += e;
    }
    if (elements_.empty() || sum == 0) GX_RAISE("Dash pattern has zero length");
    period_ = 2 * sum;
    if (!std::isfinite(period_)) GX_RAISE("Dash pattern is not finite");
    position_ = std::isfinite(offset) ? offset : 0;
    Normalise();
}

void Dasher::Sequence::Step() {
    off_ = !off_;
    position_ -= elements_[current_];
    current_ = current_ + 1 == elements_.size() ? 0 : current_ + 1;
}

void Dasher::Sequence::Advance(float length) {
    position_ += length;
    Normalise();
}

void Dasher::Sequence::Normalise() {
    // An infinite path length leaves no meaningful place in the pattern: start over.
    if (!std::isfinite(position_)) position_ = 0;
    if (position_ >= period_) {
        position_ = std::fmod(position_, period_);
    } else if (position_ < 0) {
        float magnitude = -position_;
        if (magnitude > period_) magnitude = std::fmod(magnitude, period_);
        position_ = period_ - magnitude;
    }
    // The position is below the period, so two passes over the elements reach it; the
    // bound only guards against rounding.
    for (size_t guard = 2 * elements_.size() + 2;
         guard > 0 && position_ - kEpsilon >= elements_[current_]; --guard) {
        Step();
    }
    // A zero-length element is visited once: a zero-length dash (a dot with round caps)
    // or gap.
    if (elements_[current_] == 0 && !atZeroElement_) {
        atZeroElement_ = true;
        return;
    }
    if (position_ + kEpsilon > elements_[current_]) {
        Step();
        atZeroElement_ = false;
    }
}

Dasher::Dasher(float tolerance, const std::vector<float>& dashes, float offset,
               std::shared_ptr<GeometrySink> target)
    : tolerance_(tolerance >= FigureFlattener::kMinStep ? tolerance : FigureFlattener::kMinStep),
      sequence_(dashes, offset),
      piecesLeft_(kMaxPieces),
      target_(std::move(target)) {}

bool Dasher::IsFinerThan(const std::vector<float>& dashes, float tolerance) {
    double sum = 0;
    for (float e : dashes) sum += e;
    // An odd count alternates the meaning of its elements, so it repeats after two passes.
    const double repeat = dashes.size() % 2 ? 2 * sum : sum;
    return repeat <= tolerance;
}

void Dasher::Piece(const GXPoint& from, const GXPoint& to, bool off) {
    if (off != outputOff_) {
        if (off) {
            target_->EndFigure();
        } else {
            target_->BeginFigure(from);
            target_->LineTo(to);
        }
    } else if (!off) {
        target_->LineTo(to);
    }
    outputOff_ = off;
}

void Dasher::Poison(const GXPoint& bad) {
    // Handing the point on makes the Pen drop the dash in progress; the rest of this
    // figure is skipped.
    poisoned_ = true;
    if (!outputOff_) target_->LineTo(bad);
}

void Dasher::BeginFigure(const GXPoint& start) {
    start_ = current_ = start;
    poisoned_ = !Finite(start);
    outputOff_ = poisoned_ || sequence_.IsOff();
    if (!outputOff_) target_->BeginFigure(start);
}

void Dasher::LineTo(const GXPoint& point) {
    if (poisoned_) return;
    if (!Finite(point)) {
        Poison(point);
        return;
    }
    if (Same(point, current_)) return;
    const GXPoint n = point;
    GXPoint c = current_;
    float length = Distance(c, n);
    float remaining = sequence_.Remaining();
    while (length > remaining && piecesLeft_ > 0) {
        const float t = remaining / length;
        const GXPoint s{c.x + (n.x - c.x) * t, c.y + (n.y - c.y) * t};
        // Floats cannot place a boundary this close to c (a pattern far finer than the
        // coordinates, or an infinite length): the rest of the segment is one piece.
        if (remaining > 0 && Same(s, c)) break;
        --piecesLeft_;
        Piece(c, s, sequence_.IsOff());
        sequence_.Advance(remaining);
        c = s;
        const float left = Distance(c, n);
        const bool stuck = remaining > 0 && !(left < length);
        length = left;
        if (stuck) break;
        remaining = sequence_.Remaining();
    }
    Piece(c, n, sequence_.IsOff());
    sequence_.Advance(length);
    current_ = n;
}

void Dasher::CubicCurveTo(const GXPoint& c1, const GXPoint& c2, const GXPoint& end) {
    if (poisoned_) return;
    for (const GXPoint* p : {&c1, &c2, &end}) {
        if (!Finite(*p)) {
            Poison(*p);
            return;
        }
    }
    FigureFlattener::Flatten(tolerance_, current_, c1, c2, end,
                             [this](const GXPoint& p) { LineTo(p); });
}

void Dasher::EndFigure() {
    if (!outputOff_) target_->EndFigure();
    outputOff_ = true;
}

void Dasher::EndFigureClose() {
    LineTo(start_);
    EndFigure();
}

}  // namespace Graphics
