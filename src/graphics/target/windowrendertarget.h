#pragma once

#include <memory>

#include "graphics/target/rendertarget.h"

namespace Platform {
class X11Window;
}

namespace Graphics {

// A render target painting a window's client area. The window is kept to identify the
// target; the surface holds what it draws to.
class WindowRenderTarget : public RenderTarget {
public:
    // Unless `softwareOnly`, the renderer the calling thread's hardware factory makes for
    // the window; where there is no factory, or it makes none or raises, the software
    // renderer over a window surface of `window` (which raises "The window does not exist"
    // when it is empty or gone).
    WindowRenderTarget(std::shared_ptr<Platform::X11Window> window, bool softwareOnly);

private:
    std::shared_ptr<Platform::X11Window> window_;  // the drawing destination; never empty
};

}  // namespace Graphics
