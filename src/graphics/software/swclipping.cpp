#include "graphics/software/swclipping.h"

#include <algorithm>
#include <cmath>

#include "graphics/bitmap/sysmembitmap.h"
#include "graphics/geometry/devicerect.h"
#include "graphics/geometry/geometry.h"
#include "graphics/geometry/matrix.h"
#include "graphics/geometry/transformer.h"
#include "graphics/software/swpipeline.h"
#include "graphics/software/swsoftshapemaskop.h"

namespace Graphics {

namespace {

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

void SwClipping::ClipGeometry(const std::shared_ptr<Geometry>& geometry, const GXMatrix& matrix,
                              bool snapRectangles) {
    if (!geometry) return;
    DeviceRect device;
    GXIntRect pixels;
    // The bound is applied in whole pixels, so only a rectangle on pixel edges may become
    // part of it; any other cuts pixels partly, as a fill of it would cover them.
    if (DeviceRect::FromGeometry(*geometry, matrix, device) && device.WholePixels(pixels)) {
        ClipPixels(GXRect{float(pixels.left), float(pixels.top), float(pixels.right),
                          float(pixels.bottom)});
        return;
    }
    mask_.reset();
    entries_.push_back(Entry{matrix, geometry, snapRectangles});
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
        if (x.snapRectangles != y.snapRectangles) return false;
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
            // Four-corner rectangles are snapped before they get here; any other figure
            // the rasterizer finds to be a rectangle snaps as a fill of it would.
            pipeline->SetSnapRectangles(entry.snapRectangles);
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
