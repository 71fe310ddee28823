#include "graphics/software/swbasicsubtarget.h"

#include <algorithm>

#include "graphics/bitmap/bitmapbase.h"
#include "graphics/software/swclipping.h"
#include "graphics/software/swcolorsource.h"
#include "graphics/software/swpipeline.h"
#include "graphics/software/swsolidcompositenormalop.h"

namespace Graphics {

void SwBasicSubTarget::AddTargetAndCompositor(SwPipeLine& pipeline) const {
    pipeline.AddTargetColor(targetBitmap_);
    pipeline.AddBasicComposite();
}

bool SwBasicSubTarget::FillPixelsWithoutPipeline(const GXIntRect& rect, const SwColorSource& source,
                                                 const SwClipping& clip) {
    const State& state = Current();
    // Codes outside 1..15 composite as Normal, as the pipeline reads them.
    const bool normal = !(state.blendMode >= 1 && state.blendMode <= 15);
    uint32_t pixel = 0;
    if (!normal || state.shapeMask || state.opacityMask || layerShapeMask_ ||
        clip.HasGeometries() || !targetBitmap_ ||
        targetBitmap_->GetPixelFormat() != GXPixelFormatPARGB32 || !source.GetSolidPixel(pixel))
        return false;
    // The pipeline's clip box: the sub-target, its bitmap and the clip's pixel box.
    const GXIntSize size = targetBitmap_->GetSize();
    const GXIntRect box = clip.PixelBox();
    const int32_t left = std::max({rect.left, 0, box.left});
    const int32_t top = std::max({rect.top, 0, box.top});
    const int32_t right = std::min({rect.right, Width(), size.width, box.right});
    const int32_t bottom = std::min({rect.bottom, Height(), size.height, box.bottom});
    if (left >= right || top >= bottom) return true;
    BitmapLock lock(*targetBitmap_, nullptr, LockMode::ReadWrite);
    const GXBitmapData& data = lock.Data();
    SwSolidCompositeNormalOp::CompositeRect(
        static_cast<uint8_t*>(data.data) + ptrdiff_t(top) * data.stride + ptrdiff_t(left) * 4,
        data.stride, right - left, bottom - top, pixel);
    return true;
}

}  // namespace Graphics
