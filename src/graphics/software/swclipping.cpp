#include "graphics/software/swclipping.h"

#include <algorithm>
#include <cmath>

#include "graphics/bitmap/sysmembitmap.h"
#include "graphics/geometry/geometry.h"
#include "graphics/geometry/matrix.h"
#include "graphics/geometry/transformer.h"
#include "graphics/software/swpipeline.h"
#include "graphics/software/swsoftshapemaskop.h"

namespace Graphics {

namespace {

GXPoint Map(const GXMatrix& m, const GXPoint& p) {
    return GXPoint{float(double(m.a) * p.x + double(m.c) * p.y + m.e),
                   float(double(m.b) * p.x + double(m.d) * p.y + m.f)};
}

// True, with the normalised device rectangle in `out`, when the geometry is one figure of
// four straight sides (a repeated closing point allowed) that `matrix` maps onto an
// axis-aligned rectangle. Non-finite points fail every comparison and so never qualify.
bool DeviceRectangle(const Geometry& geometry, const GXMatrix& matrix, GXRect& out) {
    const auto& figures = geometry.GetShape().Figures();
    if (figures.size() != 1) return false;
    const Figure& figure = figures[0];
    const int32_t count = figure.PointCount();
    if (count != 4 && count != 5) return false;
    for (int32_t i = 0; i < figure.VerbCount(); ++i) {
        if (figure.Verb(i) != FigureVerbLine) return false;
    }
    const GXPoint* points = figure.Points();
    if (count == 5 && (points[4].x != points[0].x || points[4].y != points[0].y)) return false;
    GXPoint p[4];
    for (int32_t i = 0; i < 4; ++i) p[i] = Map(matrix, points[i]);
    const bool horizontalFirst =
        p[0].y == p[1].y && p[1].x == p[2].x && p[2].y == p[3].y && p[3].x == p[0].x;
    const bool verticalFirst =
        p[0].x == p[1].x && p[1].y == p[2].y && p[2].x == p[3].x && p[3].y == p[0].y;
    if (!horizontalFirst && !verticalFirst) return false;
    out = GXRect{std::min(p[0].x, p[2].x), std::min(p[0].y, p[2].y), std::max(p[0].x, p[2].x),
                 std::max(p[0].y, p[2].y)};
    return true;
}

bool OnPixelEdges(const GXRect& r) {
    return std::floor(r.left) == r.left && std::floor(r.top) == r.top &&
           std::floor(r.right) == r.right && std::floor(r.bottom) == r.bottom;
}

// floor or ceil of v, cut to 0..limit; v already lies in 0..limit unless NaN.
int32_t PixelEdge(float v, int32_t limit) {
    if (!(v > 0.0f)) return 0;
    return static_cast<int32_t>(std::min<double>(v, limit));
}

}  // namespace

SwClipping::SwClipping(GXIntSize size, float dpiX, float dpiY)
    : size_{std::max(size.width, 0), std::max(size.height, 0)},
      dpiX_(dpiX),
      dpiY_(dpiY),
      bounds_{0, 0, float(size_.width), float(size_.height)},
      maskMatrix_{1, 0, 0, 1, 0, 0} {}

void SwClipping::Reset() {
    entries_.clear();
    bounds_ = GXRect{0, 0, float(size_.width), float(size_.height)};
    mask_.reset();
}

void SwClipping::Intersect(const GXRect& rect) {
    // Written so that a NaN side of `rect` leaves the bound as it was.
    GXRect b = bounds_;
    if (rect.left > b.left) b.left = rect.left;
    if (rect.top > b.top) b.top = rect.top;
    if (rect.right < b.right) b.right = rect.right;
    if (rect.bottom < b.bottom) b.bottom = rect.bottom;
    bounds_ = b.left < b.right && b.top < b.bottom ? b : GXRect{0, 0, 0, 0};
}

void SwClipping::ClipGeometry(const std::shared_ptr<Geometry>& geometry, const GXMatrix& matrix) {
    if (!geometry) return;
    GXRect rect;
    // The bound is applied in whole pixels, so only a rectangle on pixel edges may become
    // part of it; any other cuts pixels partly, as a fill of it would cover them.
    if (DeviceRectangle(*geometry, matrix, rect) && OnPixelEdges(rect)) {
        Intersect(rect);
        return;
    }
    mask_.reset();
    entries_.push_back(Entry{matrix, geometry});
    // A geometry without a stored figure covers nothing: its bound is the empty box.
    const GXRect box = geometry->IsEmpty() ? GXRect{0, 0, 0, 0} : geometry->Bound().Box();
    Intersect(TransformBounds(matrix, box));
}

bool SwClipping::operator==(const SwClipping& other) const {
    const GXRect &a = bounds_, &b = other.bounds_;
    if (a.left != b.left || a.top != b.top || a.right != b.right || a.bottom != b.bottom) {
        return false;
    }
    if (entries_.size() != other.entries_.size()) return false;
    for (size_t i = 0; i < entries_.size(); ++i) {
        const Entry &x = entries_[i], &y = other.entries_[i];
        const GXMatrix &m = x.matrix, &n = y.matrix;
        if (m.a != n.a || m.b != n.b || m.c != n.c || m.d != n.d || m.e != n.e || m.f != n.f) {
            return false;
        }
        if (x.geometry != y.geometry && !x.geometry->PointsEqual(*y.geometry)) return false;
    }
    return true;
}

GXIntRect SwClipping::PixelBox() const {
    // Outward: a partly covered boundary pixel stays inside the box.
    GXIntRect box{PixelEdge(std::floor(bounds_.left), size_.width),
                  PixelEdge(std::floor(bounds_.top), size_.height),
                  PixelEdge(std::ceil(bounds_.right), size_.width),
                  PixelEdge(std::ceil(bounds_.bottom), size_.height)};
    if (box.left >= box.right || box.top >= box.bottom) return GXIntRect{0, 0, 0, 0};
    return box;
}

const std::shared_ptr<BitmapBase>& SwClipping::Mask() {
    if (!mask_ && !entries_.empty()) BuildMask();
    return mask_;
}

void SwClipping::BuildMask() {
    const GXIntRect box = PixelBox();
    maskMatrix_ = GXMatrix{1, 0, 0, 1, float(box.left), float(box.top)};
    const GXIntSize size{box.right - box.left, box.bottom - box.top};
    if (size.width <= 0 || size.height <= 0) return;
    auto mask = std::make_shared<SysMemBitmap>(size, GXPixelFormatA8, dpiX_, dpiY_);
    mask->ColorFill(nullptr, ColorF{1, 1, 1, 1});
    auto coverage = std::make_shared<SysMemBitmap>(size, GXPixelFormatA8, dpiX_, dpiY_);
    const GXMatrix toMask{1, 0, 0, 1, -float(box.left), -float(box.top)};
    for (const Entry& entry : entries_) {
        coverage->ColorFill(nullptr, ColorF{0, 0, 0, 0});
        {
            auto pipeline = std::make_shared<SwPipeLine>(entry.geometry,
                                                         GXIntRect{0, 0, size.width, size.height});
            pipeline->SetCTM(MultiplyMatrix(entry.matrix, toMask));
            // Rectangles are snapped before they get here, when stroke adjustment is on;
            // otherwise they cover exactly what a fill of them would.
            pipeline->AddTargetShape(coverage);
            pipeline->AddShapeFiller();
            pipeline->Execute();
        }
        BitmapLock maskLock(*mask, nullptr, LockMode::ReadWrite);
        BitmapLock coverageLock(*coverage, nullptr, LockMode::Read);
        const GXBitmapData& m = maskLock.Data();
        const GXBitmapData& c = coverageLock.Data();
        for (int32_t y = 0; y < size.height; ++y) {
            SwSoftShapeMaskOp::MultiplyRow(
                static_cast<uint8_t*>(m.data) + ptrdiff_t(y) * m.stride,
                static_cast<const uint8_t*>(c.data) + ptrdiff_t(y) * c.stride, size.width);
        }
    }
    mask_ = std::move(mask);
}

}  // namespace Graphics
