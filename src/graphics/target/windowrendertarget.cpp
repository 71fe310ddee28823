#include "graphics/target/windowrendertarget.h"

#include "graphics/software/swrendertarget.h"
#include "graphics/software/swwindowsurface.h"

namespace Graphics {

WindowRenderTarget::WindowRenderTarget(std::shared_ptr<Platform::X11Window> window)
    : RenderTarget(std::make_shared<SwRenderTarget>(std::make_shared<SwWindowSurface>(window))),
      window_(std::move(window)) {}

}  // namespace Graphics
