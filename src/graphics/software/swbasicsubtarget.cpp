#include "graphics/software/swbasicsubtarget.h"

#include "graphics/software/swpipeline.h"

namespace Graphics {

void SwBasicSubTarget::AddTargetAndCompositor(SwPipeLine& pipeline) const {
    pipeline.AddTargetColor(targetBitmap_);
    pipeline.AddBasicComposite();
}

}  // namespace Graphics
