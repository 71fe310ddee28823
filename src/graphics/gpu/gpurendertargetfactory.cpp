#include "graphics/gpu/gpurendertargetfactory.h"

#include "graphics/core/exception.h"
#include "graphics/gpu/gpucontext.h"
#include "graphics/gpu/gpudevice.h"
#include "graphics/gpu/gpuwindowrendertarget.h"
#include "graphics/gpu/gpuwindowsurface.h"

namespace Graphics {

GpuRenderTargetFactory::GpuRenderTargetFactory() : context_(GpuContext::Create()) {
    if (!context_) GX_RAISE("Vulkan error");
}

GpuRenderTargetFactory::~GpuRenderTargetFactory() = default;

std::shared_ptr<RenderTargetBase> GpuRenderTargetFactory::CreateWindowRenderTarget(
    const std::shared_ptr<Platform::X11Window>& window) {
    const std::shared_ptr<GpuDevice>& device = context_->Device();
    if (!device || device->IsLost()) return {};
    try {
        return std::make_shared<GpuWindowRenderTarget>(
            context_, std::make_shared<GpuWindowSurface>(device, window));
    } catch (const Exception&) {
        return {};
    }
}

}  // namespace Graphics
