#include "graphics/geometry/geometry.h"

#include <atomic>
#include <cstring>

#include "graphics/geometry/boolean.h"
#include "graphics/geometry/hittestproxy.h"
#include "graphics/geometry/strokesink.h"
#include "graphics/geometry/transformer.h"

namespace Graphics {

namespace {
// The circle constant: the cubic control distance, as a fraction of the radius, that
// best approximates a quarter circle.
constexpr float kCircle = 0.5522848f;
}  // namespace

namespace {
std::atomic<uint64_t> nextIdentity{1};
std::atomic<Geometry::ReleaseHook> releaseHook{nullptr};
}  // namespace

Geometry::Geometry()
    : shape_(std::make_shared<Shape>()),
      identity_(nextIdentity.fetch_add(1, std::memory_order_relaxed)) {}

Geometry::~Geometry() {
    if (!renderingsKept_.load(std::memory_order_relaxed)) return;
    if (ReleaseHook hook = releaseHook.load(std::memory_order_acquire)) hook(identity_);
}

void Geometry::SetReleaseHook(ReleaseHook hook) {
    releaseHook.store(hook, std::memory_order_release);
}

bool Geometry::FourCorners(GXPoint (&corners)[4]) const {
    const std::vector<Figure>& figures = shape_->Figures();
    if (figures.size() != 1) return false;
    const Figure& figure = figures[0];
    const int32_t points = figure.PointCount(), verbs = figure.VerbCount();
    const bool open = points == 4 && verbs == 3;
    const bool returning = points == 5 && verbs == 4 &&
                           figure.LastPoint().x == figure.StartPoint().x &&
                           figure.LastPoint().y == figure.StartPoint().y;
    if (!open && !returning) return false;
    for (int32_t i = 0; i < verbs; ++i)
        if (figure.Verb(i) != FigureVerbLine) return false;
    for (int i = 0; i < 4; ++i) corners[i] = figure.Points()[i];
    return true;
}

bool Geometry::CurrentPoint(GXPoint& point) const {
    const Shape& shape = *shape_;
    if (shape.IsFigureOpen() && shape.CurrentFigure().PointCount() > 0) {
        point = shape.CurrentFigure().LastPoint();
        return true;
    }
    if (shape.Figures().empty()) return false;
    const Figure& last = shape.Figures().back();
    if (last.PointCount() == 0) return false;
    point = last.IsClosed() ? last.StartPoint() : last.LastPoint();
    return true;
}

void Geometry::EnsureFigure() {
    if (shape_->IsFigureOpen()) return;
    GXPoint start{0, 0};
    CurrentPoint(start);
    BeginFigure(start);
}

void Geometry::LineTo(const GXPoint& point) {
    GXPoint p = point;
    EnsureFigure();
    shape_->LineTo(p);
    ++revision_;
}

void Geometry::CubicCurveTo(const GXPoint& c1, const GXPoint& c2, const GXPoint& end) {
    GXPoint a = c1, b = c2, e = end;
    EnsureFigure();
    shape_->CubicCurveTo(a, b, e);
    ++revision_;
}

void Geometry::ConicCurveTo(const GXPoint& control, const GXPoint& end) {
    GXPoint first = control;
    CurrentPoint(first);
    CubicCurveTo(first, control, end);
}

void Geometry::SendToSink(GeometrySink* sink) const {
    if (sink) shape_->Replay(*sink);
}

void Geometry::SendToSinkTransformed(const GXMatrix& matrix, GeometrySink* sink) const {
    if (!sink || IsEmpty()) return;
    if (IsIdentity(matrix)) {
        shape_->Replay(*sink);
        return;
    }
    // The stage lives for this replay only; it borrows the sink without owning it.
    Transformer transformer(matrix, std::shared_ptr<GeometrySink>(std::shared_ptr<void>(), sink));
    shape_->Replay(transformer);
}

template <class Build>
void Geometry::AddFigure(Build&& build) {
    // Into a geometry holding nothing yet (a scratch geometry refilled for every draw, most
    // often), the figure is built in place, in the storage the geometry kept: no heap call.
    // A failure half-way empties it again, which is where it was.
    if (shape_->Figures().empty() && !shape_->IsFigureOpen()) {
        try {
            build(*shape_);
        } catch (...) {
            const int32_t rule = shape_->FillRule();
            shape_->Clear();
            shape_->SetFillRule(rule);
            throw;
        }
        return;
    }
    // Otherwise built apart and appended whole: a failure half-way leaves this geometry
    // untouched.
    Shape figure;
    build(figure);
    shape_->Append(std::move(figure));
    ++revision_;
}

void Geometry::Rectangle(const GXRect& r) {
    const GXRect q = r;
    AddFigure([&](Shape& s) {
        s.BeginFigure({q.left, q.top});
        s.LineTo({q.right, q.top});
        s.LineTo({q.right, q.bottom});
        s.LineTo({q.left, q.bottom});
        s.EndFigureClose();
    });
}

void Geometry::Ellipse(const GXRect& r) {
    if (r.left == r.right || r.top == r.bottom) return;
    const float rx = (r.right - r.left) * 0.5f, ry = (r.bottom - r.top) * 0.5f;
    const float cx = r.left + rx, cy = r.top + ry;
    const float kx = kCircle * rx, ky = kCircle * ry;
    AddFigure([&](Shape& s) {
        s.BeginFigure({cx, cy + ry});
        s.CubicCurveTo({cx - kx, cy + ry}, {cx - rx, cy + ky}, {cx - rx, cy});
        s.CubicCurveTo({cx - rx, cy - ky}, {cx - kx, cy - ry}, {cx, cy - ry});
        s.CubicCurveTo({cx + kx, cy - ry}, {cx + rx, cy - ky}, {cx + rx, cy});
        s.CubicCurveTo({cx + rx, cy + ky}, {cx + kx, cy + ry}, {cx, cy + ry});
        s.EndFigureClose();
    });
}

void Geometry::RoundRectangle(const GXRect& r, float rx, float ry) {
    if (r.left == r.right || r.top == r.bottom) return;
    const float left = r.left, top = r.top, right = r.right, bottom = r.bottom;
    // Clamped from above only: negative radii pass through as given.
    const float halfWidth = (right - left) * 0.5f, halfHeight = (bottom - top) * 0.5f;
    const float gx = halfWidth < rx ? halfWidth : rx;
    const float gy = halfHeight < ry ? halfHeight : ry;
    const float kx = gx * kCircle, ky = gy * kCircle;
    AddFigure([&](Shape& s) {
        s.BeginFigure({right - gx, top});
        s.CubicCurveTo({right - gx + kx, top}, {right, top + gy - ky}, {right, top + gy});
        s.LineTo({right, bottom - gy});
        s.CubicCurveTo({right, bottom - gy + ky}, {right - gx + kx, bottom}, {right - gx, bottom});
        s.LineTo({left + gx, bottom});
        s.CubicCurveTo({left + gx - kx, bottom}, {left, bottom - gy + ky}, {left, bottom - gy});
        s.LineTo({left, top + gy});
        s.CubicCurveTo({left, top + gy - ky}, {left + gx - kx, top}, {left + gx, top});
        s.LineTo({right - gx, top});
        s.EndFigureClose();
    });
}

bool Geometry::PointsEqual(const Geometry& other) const {
    const auto& mine = shape_->Figures();
    const auto& theirs = other.shape_->Figures();
    if (theirs.empty()) return mine.empty();
    if (mine.empty() || FillRule() != other.FillRule() || mine.size() != theirs.size())
        return false;
    GXRect a = Bound().Box(), b = other.Bound().Box();
    if (!(a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom))
        return false;
    for (size_t i = 0; i < mine.size(); ++i) {
        const Figure& f = mine[i];
        const Figure& g = theirs[i];
        if (f.IsClosed() != g.IsClosed() || f.PointCount() != g.PointCount() ||
            f.VerbCount() != g.VerbCount())
            return false;
        if (std::memcmp(f.Points(), g.Points(), size_t(f.PointCount()) * sizeof(GXPoint)) != 0 ||
            std::memcmp(f.VerbBytes(), g.VerbBytes(), size_t(f.VerbCount())) != 0)
            return false;
    }
    return true;
}

bool Geometry::HitTest(const GXPoint& point) const {
    if (IsEmpty()) return false;
    const GXRect box = TransformBounds(kIdentityMatrix, Bound().Box());
    // The box edges count as inside; the crossing count decides there.
    if (point.x < box.left || point.x > box.right || point.y < box.top || point.y > box.bottom)
        return false;
    // Relative to the geometry, so a curve yields a few dozen edges whatever its size;
    // the proxy raises a NaN or zero tolerance to what floats resolve.
    const float width = box.right - box.left, height = box.bottom - box.top;
    HitTestProxy proxy(point, (width > height ? width : height) * 0.001f);
    shape_->Replay(proxy);
    return proxy.IsInside();
}

void Geometry::Widen(float width, const StrokeStyle& style, float tolerance,
                     const std::shared_ptr<GeometrySink>& target) const {
    if (!target || IsEmpty()) return;
    StrokeShape(*shape_, tolerance, width, style, target);
}

void Geometry::Combine(const Geometry& other, const GXMatrix& matrix, int32_t operation,
                       float precision, const std::shared_ptr<GeometrySink>& target) const {
    if (!target) return;
    GeometrySink* sink = target.get();
    if (IsEmpty() || other.IsEmpty()) {
        if (!other.IsEmpty() && (operation == 1 || operation == 2 || operation == 4)) {
            other.SendToSinkTransformed(matrix, sink);
        } else if (other.IsEmpty() && (operation == 1 || operation == 2 || operation == 3)) {
            SendToSink(sink);
        }
        return;
    }
    const GXRect a = TransformBounds(kIdentityMatrix, Bound().Box());
    const GXRect b = TransformBounds(matrix, other.Bound().Box());
    // Boxes that only touch leave nothing to cut: the operands meet in no area. Replaying
    // both into one target leaves it one fill rule, though, so operands under different
    // rules are swept even then.
    const bool overlap =
        b.right > a.left && b.bottom > a.top && a.right > b.left && a.bottom > b.top;
    const bool bothReplayed = operation == 1 || operation == 2;
    if (overlap || (bothReplayed && FillRule() != other.FillRule())) {
        Boolean boolean(precision, operation, target);
        boolean.BeginOperand();
        SendToSink(&boolean);
        boolean.EndOperand();
        boolean.BeginOperand();
        other.SendToSinkTransformed(matrix, &boolean);
        boolean.EndOperand();
    } else if (bothReplayed) {
        SendToSink(sink);
        other.SendToSinkTransformed(matrix, sink);
    } else if (operation == 3) {
        SendToSink(sink);
    } else if (operation == 4) {
        other.SendToSinkTransformed(matrix, sink);
    }
}

}  // namespace Graphics
