#include "graphics/gpu/gpucolorsource.h"

#include <algorithm>

#include "graphics/bitmap/bitmapbase.h"
#include "graphics/core/exception.h"
#include "graphics/geometry/matrix.h"
#include "graphics/gpu/gpubitmapcache.h"
#include "graphics/gpu/gpudevice.h"
#include "graphics/gpu/gpuvidmemtexture.h"
#include "graphics/paint/bitmapbrush.h"
#include "graphics/paint/solidbrush.h"
#include "graphics/software/swcolorsource.h"

namespace Graphics {

namespace {

// Opacities outside 0..1 are clamped; NaN paints nothing.
float UnitOpacity(float opacity) {
    return opacity > 0 ? std::min(opacity, 1.0f) : 0.0f;
}

}  // namespace

GXMatrix GpuColorSource::PixelsToTexture(float left, float top, GXIntSize size) {
    const float sx = 1.0f / float(size.width), sy = 1.0f / float(size.height);
    return GXMatrix{sx, 0, 0, sy, -left * sx, -top * sy};
}

bool GpuColorSource::SamplesLike(const GpuColorSource& other) const {
    const GXMatrix& m = transform;
    const GXMatrix& n = other.transform;
    return m.a == n.a && m.b == n.b && m.c == n.c && m.d == n.d && m.e == n.e && m.f == n.f &&
           texture == other.texture && addressU == other.addressU &&
           addressV == other.addressV && filter == other.filter;
}

std::shared_ptr<GpuColorSource> GpuColorSource::OverTexture(std::shared_ptr<GpuTexture> texture,
                                                            const GXMatrix& transform,
                                                            float opacity) {
    auto source = std::make_shared<GpuColorSource>();
    const float o = UnitOpacity(opacity);
    std::fill(source->color, source->color + 4, o);
    source->transform = transform;
    source->texture = std::move(texture);
    return source;
}

std::shared_ptr<GpuColorSource> GpuColorSource::Rendered(const std::shared_ptr<GpuDevice>& device,
                                                         const GXIntPoint& origin,
                                                         const GXIntRect& visible,
                                                         const Brush& brush) {
    const GXIntSize size{visible.right - visible.left, visible.bottom - visible.top};
    if (size.width <= 0 || size.height <= 0) return nullptr;
    const GXMatrix toOwnPixels{1, 0, 0, 1, -float(origin.x), -float(origin.y)};
    std::shared_ptr<SwColorSource> painter = SwColorSource::CreateFromBrush(brush, visible, toOwnPixels);
    auto texture = std::make_shared<GpuVidMemTexture>(device, size, GXPixelFormatPARGB32, 96, 96, false);
    {
        BitmapLock lock(*texture, nullptr, LockMode::Write);
        const GXBitmapData& data = lock.Data();
        for (int32_t y = 0; y < size.height; ++y)
            painter->FillSpan(visible.left, visible.right, visible.top + y,
                              reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(data.data) +
                                                          ptrdiff_t(y) * data.stride));
    }
    return OverTexture(std::move(texture),
                       PixelsToTexture(float(visible.left), float(visible.top), size), 1.0f);
}

std::shared_ptr<GpuColorSource> GpuColorSource::Create(const std::shared_ptr<GpuDevice>& device,
                                                       const GXIntPoint& origin,
                                                       const GXIntRect& visible,
                                                       const Brush& brush) {
    if (visible.right <= visible.left || visible.bottom <= visible.top) return nullptr;
    try {
        switch (brush.GetType()) {
            case BrushKind::Solid: {
                const auto& solid = static_cast<const SolidBrush&>(brush);
                const ColorF& c = solid.GetColor();
                const float o = UnitOpacity(brush.GetOpacity()) * UnitOpacity(c.alpha);
                auto source = std::make_shared<GpuColorSource>();
                source->color[0] = UnitOpacity(c.red) * o;
                source->color[1] = UnitOpacity(c.green) * o;
                source->color[2] = UnitOpacity(c.blue) * o;
                source->color[3] = o;
                return source;
            }
            case BrushKind::Bitmap: {
                const auto& bitmapBrush = static_cast<const BitmapBrush&>(brush);
                const std::shared_ptr<BitmapSource>& bitmap = bitmapBrush.GetBitmap();
                const GXIntSize size = bitmap->GetSize();
                const uint32_t limit = device->MaxTextureSize();
                const GXMatrix toOwnPixels{1, 0, 0, 1, -float(origin.x), -float(origin.y)};
                GXMatrix inverse;
                if (size.width <= 0 || size.height <= 0 || uint32_t(size.width) > limit ||
                    uint32_t(size.height) > limit ||
                    !InvertMatrix(MultiplyMatrix(brush.GetMatrix(), toOwnPixels), inverse))
                    return Rendered(device, origin, visible, brush);
                auto source = OverTexture(device->GetBitmapCache()->GetTexture(bitmap),
                                          MultiplyMatrix(inverse, PixelsToTexture(0, 0, size)),
                                          brush.GetOpacity());
                source->addressU = bitmapBrush.GetExtendX();
                source->addressV = bitmapBrush.GetExtendY();
                source->filter = bitmapBrush.GetSamplingMode();
                return source;
            }
            default: return Rendered(device, origin, visible, brush);
        }
    } catch (const Exception& e) {
        // A brush kind that no renderer paints draws nothing.
        if (std::string(e.what()) != "Not implemented") throw;
        return nullptr;
    }
}

}  // namespace Graphics
