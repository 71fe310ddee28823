#pragma once

#include <memory>

namespace Platform {
class X11Window;
}

namespace Graphics {

class RenderTargetBase;

// A maker of hardware renderers for windows. Each thread has one slot for a factory, empty
// when the thread starts; the thread's window targets ask the factory in it first and fall
// back to software when it makes none. Targets keep what they took from a factory by shared
// ownership, so they outlive the factory and its thread.
class HwRenderTargetFactory {
public:
    HwRenderTargetFactory() = default;
    virtual ~HwRenderTargetFactory() = default;
    HwRenderTargetFactory(const HwRenderTargetFactory&) = delete;
    HwRenderTargetFactory& operator=(const HwRenderTargetFactory&) = delete;

    // A hardware renderer for the window, or empty when this factory cannot make one.
    virtual std::shared_ptr<RenderTargetBase> CreateWindowRenderTarget(
        const std::shared_ptr<Platform::X11Window>& window) = 0;

    // The calling thread's slot. The factory in it is deleted when the thread ends.
    static std::unique_ptr<HwRenderTargetFactory>& ThreadSlot();
};

}  // namespace Graphics
