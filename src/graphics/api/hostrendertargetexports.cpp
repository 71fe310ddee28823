// Exports: render targets over the host's windows and device contexts.
#include <cstdint>
#include <memory>

#include "graphics/api/exportguard.h"
#include "graphics/api/handlerecord.h"
#include "graphics/api/hosthandles.h"
#include "graphics/target/devicerendertarget.h"
#include "graphics/target/windowrendertarget.h"

using namespace Graphics;

namespace {

// A device rectangle the surface can be made of: not inverted, and its sides fit 32 bits.
bool IsUsableDeviceRect(const GXIntRect* rect) {
    if (!rect) return true;
    const int64_t width = int64_t(rect->right) - rect->left;
    const int64_t height = int64_t(rect->bottom) - rect->top;
    return width >= 0 && height >= 0 && width <= INT32_MAX && height <= INT32_MAX;
}

}  // namespace

GXResult GXCreateRenderTargetHWND(GXHostWindow* hwnd, int32_t softwareOnly,
                                  GXRenderTargetRec_** out) {
    if (AnyUnusable(hwnd, out)) return GXResultInvalidArg;
    return ExportGuard([&] {
        *out = MakeHandle<GXRenderTargetRec_>(
            std::make_shared<WindowRenderTarget>(HostHandles::Find(hwnd), softwareOnly != 0));
    });
}

GXResult GXCreateRenderTargetHDC(GXHostDC* hdc, const GXIntRect* rect, GXRenderTargetRec_** out) {
    if (AnyUnusable(hdc, out) || !IsUsableDeviceRect(rect)) return GXResultInvalidArg;
    return ExportGuard([&] {
        *out = MakeHandle<GXRenderTargetRec_>(
            std::make_shared<DeviceRenderTarget>(HostHandles::Find(hdc), rect));
    });
}
