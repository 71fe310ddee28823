#include "graphics/software/swbasicsubtarget.h"

#include "graphics/geometry/geometry.h"
#include "graphics/software/swclipping.h"
#include "graphics/software/swpipeline.h"
#include "graphics/software/swrecordpool.h"

namespace Graphics {

void SwBasicSubTarget::Fill(const std::shared_ptr<Geometry>& geometry,
                            const std::shared_ptr<SwColorSource>& source, const GXMatrix& matrix) {
    if (geometry->IsEmpty()) return;
    SwSubTarget::Fill(geometry, source, matrix);
    const State& state = Current();
    auto pipeline = MakePooled<SwPipeLine>(geometry, deviceRect_);
    pipeline->SetCTM(matrix);
    pipeline->SetBlendMode(state.blendMode);
    pipeline->SetSnapRectangles(state.strokeAdjustment != 0);
    pipeline->AddTargetColor(targetBitmap_);
    pipeline->AddShapeMask(state.shapeMask);
    pipeline->AddOpacityMask(state.opacityMask);
    pipeline->AddClipMask(*activeClip_);
    pipeline->AddSourceColor(source);
    pipeline->AddBasicComposite();
    pipeline->Execute();
}

}  // namespace Graphics
