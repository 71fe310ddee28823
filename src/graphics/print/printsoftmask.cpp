#include "graphics/print/printsoftmask.h"

#include "graphics/paint/bitmapbrush.h"
#include "graphics/print/printcolorsource.h"

namespace Graphics {

std::shared_ptr<Brush> PrintSoftMask::ForOffscreen(const GXMatrix& offscreen) const {
    return PrintColorSource::RemapBrush(*brush_, brush_->GetOpacity(), offscreen,
                                        BitmapSamplingBoxBilinear);
}

}  // namespace Graphics
