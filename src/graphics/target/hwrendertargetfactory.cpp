#include "graphics/target/hwrendertargetfactory.h"

namespace Graphics {

std::unique_ptr<HwRenderTargetFactory>& HwRenderTargetFactory::ThreadSlot() {
    thread_local std::unique_ptr<HwRenderTargetFactory> slot;
    return slot;
}

}  // namespace Graphics
