#include "graphics/target/windowrendertarget.h"

#include "graphics/core/exception.h"
#include "graphics/software/swrendertarget.h"
#include "graphics/software/swwindowsurface.h"
#include "graphics/target/hwrendertargetfactory.h"

namespace Graphics {

namespace {

std::shared_ptr<RenderTargetBase> MakeRenderer(const std::shared_ptr<Platform::X11Window>& window,
                                               bool softwareOnly) {
    const std::unique_ptr<HwRenderTargetFactory>& factory = HwRenderTargetFactory::ThreadSlot();
    if (!softwareOnly && factory) {
        try {
            if (std::shared_ptr<RenderTargetBase> hardware = factory->CreateWindowRenderTarget(window))
                return hardware;
        } catch (const Exception&) {
            // The hardware path is an offer: the window is drawn in software instead.
        }
    }
    return std::make_shared<SwRenderTarget>(std::make_shared<SwWindowSurface>(window));
}

}  // namespace

WindowRenderTarget::WindowRenderTarget(std::shared_ptr<Platform::X11Window> window,
                                       bool softwareOnly)
    : RenderTarget(MakeRenderer(window, softwareOnly)), window_(std::move(window)) {}

}  // namespace Graphics
