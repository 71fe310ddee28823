#include "graphics/gpu/gpuclipping.h"

#include <algorithm>

#include "graphics/geometry/geometry.h"
#include "graphics/geometry/transformer.h"
#include "graphics/gpu/gpudevice.h"
#include "graphics/gpu/gpudrawstate.h"
#include "graphics/gpu/gpurasterizationsink.h"
#include "graphics/gpu/gpurendertexture.h"
#include "graphics/gpu/gpuvertexbuffer.h"
#include "graphics/raster/rasterizer.h"

namespace Graphics {

GpuClipping::GpuClipping(std::shared_ptr<GpuDevice> device, GXIntSize size)
    : device_(std::move(device)),
      size_(size),
      bounds_{0, 0, float(std::max(size.width, 0)), float(std::max(size.height, 0))} {}

void GpuClipping::ClipGeometry(const std::shared_ptr<Geometry>& geometry, const GXMatrix& matrix,
                               bool snapRectangles) {
    entries_.push_back({geometry, matrix, snapRectangles});
    mask_.reset();
    const GXRect box = geometry->IsEmpty() ? GXRect{0, 0, 0, 0}
                                           : TransformBounds(matrix, geometry->Bound().Box());
    // The negated tests also take NaN bounds as nothing visible.
    if (!(box.left < bounds_.right && box.right > bounds_.left && box.top < bounds_.bottom &&
          box.bottom > bounds_.top)) {
        bounds_ = GXRect{0, 0, 0, 0};
        return;
    }
    bounds_ = GXRect{std::max(bounds_.left, box.left), std::max(bounds_.top, box.top),
                     std::min(bounds_.right, box.right), std::min(bounds_.bottom, box.bottom)};
}

bool GpuClipping::operator==(const GpuClipping& other) const {
    if (entries_.size() != other.entries_.size()) return false;
    for (size_t i = 0; i < entries_.size(); ++i) {
        const Entry& a = entries_[i];
        const Entry& b = other.entries_[i];
        const GXMatrix& m = a.matrix;
        const GXMatrix& n = b.matrix;
        if (a.geometry != b.geometry || a.snapRectangles != b.snapRectangles || m.a != n.a ||
            m.b != n.b || m.c != n.c || m.d != n.d || m.e != n.e || m.f != n.f)
            return false;
    }
    return true;
}

std::shared_ptr<GpuMaskSource> GpuClipping::CreateMask() {
    if (mask_ && mask_->source->texture->IsValid()) return mask_;
    const GXIntRect all{0, 0, std::max(size_.width, 1), std::max(size_.height, 1)};
    const GXRect clipRect{0, 0, float(all.right), float(all.bottom)};
    const float transparent[4] = {0, 0, 0, 0};
    std::shared_ptr<GpuColorSource> previous;
    // Each geometry's coverage, times the product of those before it.
    for (const Entry& entry : entries_) {
        auto texture = std::make_shared<GpuRenderTexture>(device_, GXIntSize{all.right, all.bottom},
                                                          GXPixelFormatPARGB32, 96, 96);
        if (std::shared_ptr<GpuImage> image = texture->Image())
            device_->ColorFill(image, nullptr, transparent);
        auto vertices = std::make_shared<GpuVertexBuffer>(device_);
        RasterizeGeometry(*entry.geometry, entry.matrix, clipRect, entry.snapRectangles,
                          std::make_shared<GpuRasterizationSink>(vertices, 1, 1, 1, 1));
        GpuDrawState draw(device_, 0, 0, all);
        if (previous) draw.AddShapeMask(GpuMaskSource{previous, 0});
        draw.Draw(*texture, nullptr, *vertices);
        previous = GpuColorSource::OverTexture(
            texture, GpuColorSource::PixelsToTexture(0, 0, GXIntSize{all.right, all.bottom}), 1);
    }
    mask_ = previous ? std::make_shared<GpuMaskSource>(GpuMaskSource{previous, 0}) : nullptr;
    return mask_;
}

}  // namespace Graphics
