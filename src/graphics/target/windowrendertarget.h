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
    // The software renderer over a window surface of `window` (which raises "The window does
    // not exist" when it is empty or gone).
    explicit WindowRenderTarget(std::shared_ptr<Platform::X11Window> window);

private:
    std::shared_ptr<Platform::X11Window> window_;  // the drawing destination; never empty
};

}  // namespace Graphics
