#pragma once

#include <memory>

#include "graphics/target/rendertarget.h"

namespace Platform {
class DeviceContext;
}

namespace Graphics {

// A render target painting a rectangle of a device context. Drawing starts from the pixels
// the device shows when the target is made, and reaches the device at each EndPaint.
class DeviceRenderTarget : public RenderTarget {
public:
    // `rect` null covers the whole device. An empty `context` raises "The DC does not exist".
    DeviceRenderTarget(std::shared_ptr<Platform::DeviceContext> context, const GXIntRect* rect);

private:
    std::shared_ptr<Platform::DeviceContext> context_;  // the drawing destination; never empty
};

}  // namespace Graphics
