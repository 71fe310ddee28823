// Exports: printer device contexts and the render targets that draw their pages.
#include <memory>
#include <string>

#include "graphics/api/exportguard.h"
#include "graphics/api/handlerecord.h"
#include "graphics/api/hosthandles.h"
#include "graphics/target/printdevicerendertarget.h"
#include "gxhost.h"
#include "platform/printerdevicecontext.h"

using namespace Graphics;

namespace {

// The printer behind `dc`, or empty when it is no live printer context.
std::shared_ptr<Platform::PrinterDeviceContext> FindPrinter(const GXHostDC* dc) {
    std::shared_ptr<Platform::DeviceContext> context = HostHandles::Find(dc);
    if (!context || context->GetKind() != Platform::DeviceContext::Kind::Printer) return nullptr;
    return std::static_pointer_cast<Platform::PrinterDeviceContext>(context);
}

// Runs `step` on the printer behind `dc`: GXResultInvalidArg when there is none or the step
// is out of order, GXResultGraphicsError when the file could not be written.
template <class Step>
GXResult PrinterStep(GXHostDC* dc, Step&& step) {
    if (AnyUnusable(dc)) return GXResultInvalidArg;
    return ExportGuard([&]() -> GXResult {
        auto printer = FindPrinter(dc);
        if (!printer) return GXResultInvalidArg;
        return step(*printer);
    });
}

}  // namespace

GXResult GXHostCreatePrinterDC(int32_t format, const char* path, float widthPoints,
                               float heightPoints, int32_t dpiX, int32_t dpiY, GXHostDC** out) {
    using Platform::PrinterDeviceContext;
    if (AnyUnusable(path, out) || format < GXHostPrintPDF || format > GXHostPrintSVG ||
        !PrinterDeviceContext::IsUsable(widthPoints, heightPoints, dpiX, dpiY))
        return GXResultInvalidArg;
    return ExportGuard([&]() -> GXResult {
        auto printer = PrinterDeviceContext::Create(Host::PrintFileFormat(format), path,
                                                    widthPoints, heightPoints, dpiX, dpiY);
        if (!printer) return GXResultGraphicsError;
        *out = HostHandles::Make<GXHostDC>(std::shared_ptr<Platform::DeviceContext>(printer));
        return GXResultSuccess;
    });
}

GXResult GXHostStartPage(GXHostDC* dc) {
    return PrinterStep(dc, [](Platform::PrinterDeviceContext& printer) {
        return printer.StartPage() ? GXResultSuccess : GXResultInvalidArg;
    });
}

GXResult GXHostEndPage(GXHostDC* dc) {
    return PrinterStep(dc, [](Platform::PrinterDeviceContext& printer) {
        if (!printer.IsPageOpen()) return GXResultInvalidArg;
        return printer.EndPage() ? GXResultSuccess : GXResultGraphicsError;
    });
}

GXResult GXHostEndDocument(GXHostDC* dc) {
    return PrinterStep(dc, [](Platform::PrinterDeviceContext& printer) {
        if (printer.HasEnded()) return GXResultInvalidArg;
        return printer.EndDocument() ? GXResultSuccess : GXResultGraphicsError;
    });
}

GXResult GXCreateRenderTargetPrintDC(GXHostDC* hdc, GXRenderTargetRec_** out) {
    if (AnyUnusable(hdc, out)) return GXResultInvalidArg;
    return ExportGuard([&]() -> GXResult {
        auto printer = FindPrinter(hdc);
        if (!printer) return GXResultInvalidArg;
        *out = MakeHandle<GXRenderTargetRec_>(
            std::make_shared<PrintDeviceRenderTarget>(std::move(printer)));
        return GXResultSuccess;
    });
}
