#include "graphics/target/printdevicerendertarget.h"

#include "graphics/print/printdevicesurface.h"
#include "graphics/print/printrendertarget.h"
#include "platform/printerdevicecontext.h"

namespace Graphics {

namespace {

std::shared_ptr<PrintRenderTarget> MakeRenderer(const Platform::PrinterDeviceContext& printer) {
    using Platform::DeviceCap;
    return std::make_shared<PrintRenderTarget>(
        std::make_shared<PrintDeviceSurface>(printer.Canvas(),
                                             GXIntSize{printer.GetDeviceCaps(DeviceCap::HorzRes),
                                                       printer.GetDeviceCaps(DeviceCap::VertRes)},
                                             float(printer.GetDeviceCaps(DeviceCap::LogPixelsX)),
                                             float(printer.GetDeviceCaps(DeviceCap::LogPixelsY))));
}

}  // namespace

PrintDeviceRenderTarget::PrintDeviceRenderTarget(
    std::shared_ptr<Platform::PrinterDeviceContext> printer)
    : RenderTarget(MakeRenderer(*printer)), printer_(std::move(printer)) {}

}  // namespace Graphics
