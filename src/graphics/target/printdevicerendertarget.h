#pragma once

#include <memory>

#include "graphics/target/rendertarget.h"

namespace Platform {
class PrinterDeviceContext;
}

namespace Graphics {

// A render target drawing a printer's pages through the print renderer. It keeps the
// printer, so the document stays open while the target can still draw on it.
class PrintDeviceRenderTarget : public RenderTarget {
public:
    explicit PrintDeviceRenderTarget(std::shared_ptr<Platform::PrinterDeviceContext> printer);

private:
    std::shared_ptr<Platform::PrinterDeviceContext> printer_;  // never empty
};

}  // namespace Graphics
