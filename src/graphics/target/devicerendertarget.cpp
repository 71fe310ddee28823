#include "graphics/target/devicerendertarget.h"

#include "graphics/software/swdevicesurface.h"
#include "graphics/software/swrendertarget.h"

namespace Graphics {

DeviceRenderTarget::DeviceRenderTarget(std::shared_ptr<Platform::DeviceContext> context,
                                       const GXIntRect* rect)
    : RenderTarget(std::make_shared<SwRenderTarget>(
          std::make_shared<SwDeviceSurface>(context, rect, 1.0f, true))),
      context_(std::move(context)) {}

}  // namespace Graphics
