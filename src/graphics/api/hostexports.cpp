// Exports: the host's windows, device contexts and native bitmaps (gxhost.h).
#include <algorithm>
#include <memory>

#include "graphics/api/exportguard.h"
#include "graphics/api/hosthandles.h"
#include "gxhost.h"
#include "platform/cairodevicecontext.h"
#include "platform/memorydevicecontext.h"
#include "platform/nativebitmap.h"
#include "platform/windowdevicecontext.h"
#include "platform/x11window.h"

using namespace Graphics;

namespace {

// Deletes a live host handle of its kind; anything else is an invalid argument.
template <class Record>
GXResult DeleteHandle(Record* handle) {
    return ExportGuard([&]() -> GXResult { return HostHandles::Delete(handle) ? GXResultSuccess : GXResultInvalidArg; });
}

// GXResultSuccess when the blit reached both devices.
GXResult BlitResult(bool done) {
    return done ? GXResultSuccess : GXResultGraphicsError;
}

}  // namespace

GXResult GXHostWrapWindow(struct _XDisplay* display, unsigned long window, GXHostWindow** out) {
    if (!display || AnyUnusable(out) || window == 0) return GXResultInvalidArg;
    return ExportGuard([&] {
        std::shared_ptr<Platform::X11Window> wrapped = Platform::X11Window::Wrap(display, window);
        if (!wrapped) GX_RAISE("The window does not exist");
        *out = HostHandles::Make<GXHostWindow>(std::move(wrapped));
    });
}

GXResult GXHostDeleteWindow(GXHostWindow* window) {
    return DeleteHandle(window);
}

GXResult GXHostCreateMemoryDC(GXHostDC** out) {
    if (AnyUnusable(out)) return GXResultInvalidArg;
    return ExportGuard([&] {
        *out = HostHandles::Make<GXHostDC>(
            std::shared_ptr<Platform::DeviceContext>(std::make_shared<Platform::MemoryDeviceContext>()));
    });
}

GXResult GXHostCreateWindowDC(GXHostWindow* window, GXHostDC** out) {
    if (AnyUnusable(window, out)) return GXResultInvalidArg;
    return ExportGuard([&]() -> GXResult {
        std::shared_ptr<Platform::X11Window> wrapped = HostHandles::Find(window);
        if (!wrapped) return GXResultInvalidArg;
        *out = HostHandles::Make<GXHostDC>(std::shared_ptr<Platform::DeviceContext>(
            std::make_shared<Platform::WindowDeviceContext>(std::move(wrapped))));
        return GXResultSuccess;
    });
}

GXResult GXHostCreateCairoDC(struct _cairo* cairo, GXHostDC** out) {
    if (!cairo || AnyUnusable(out)) return GXResultInvalidArg;
    return ExportGuard([&] {
        *out = HostHandles::Make<GXHostDC>(std::shared_ptr<Platform::DeviceContext>(
            std::make_shared<Platform::CairoDeviceContext>(cairo)));
    });
}

GXResult GXHostDeleteDC(GXHostDC* dc) {
    return DeleteHandle(dc);
}

GXResult GXHostGetDeviceCaps(GXHostDC* dc, int32_t cap, int32_t* out) {
    if (AnyUnusable(dc, out) || cap < GXHostCapHorzRes || cap > GXHostCapLogPixelsY)
        return GXResultInvalidArg;
    return ExportGuard([&]() -> GXResult {
        std::shared_ptr<Platform::DeviceContext> context = HostHandles::Find(dc);
        if (!context) return GXResultInvalidArg;
        *out = context->GetDeviceCaps(Platform::DeviceCap(cap));
        return GXResultSuccess;
    });
}

GXResult GXHostSelectBitmap(GXHostDC* dc, GXHostBitmap* bitmap) {
    if (AnyUnusable(dc)) return GXResultInvalidArg;
    return ExportGuard([&]() -> GXResult {
        std::shared_ptr<Platform::DeviceContext> context = HostHandles::Find(dc);
        std::shared_ptr<Platform::NativeBitmap> native = bitmap ? HostHandles::Find(bitmap) : nullptr;
        if (!context || context->GetKind() != Platform::DeviceContext::Kind::Memory ||
            (bitmap && !native))
            return GXResultInvalidArg;
        static_cast<Platform::MemoryDeviceContext&>(*context).Select(std::move(native));
        return GXResultSuccess;
    });
}

GXResult GXHostBitBlt(GXHostDC* destination, int32_t x, int32_t y, int32_t width,
                      int32_t height, GXHostDC* source, int32_t sourceX, int32_t sourceY) {
    return GXHostStretchBlt(destination, x, y, width, height, source, sourceX, sourceY, width,
                            height);
}

GXResult GXHostStretchBlt(GXHostDC* destination, int32_t x, int32_t y, int32_t width,
                          int32_t height, GXHostDC* source, int32_t sourceX, int32_t sourceY,
                          int32_t sourceWidth, int32_t sourceHeight) {
    if (AnyUnusable(destination, source)) return GXResultInvalidArg;
    return ExportGuard([&]() -> GXResult {
        std::shared_ptr<Platform::DeviceContext> to = HostHandles::Find(destination);
        std::shared_ptr<Platform::DeviceContext> from = HostHandles::Find(source);
        if (!to || !from) return GXResultInvalidArg;
        return BlitResult(Platform::StretchBlt(*to, {x, y, width, height}, *from,
                                               {sourceX, sourceY, sourceWidth, sourceHeight}));
    });
}

GXResult GXHostCreateBitmap(int32_t width, int32_t height, int32_t bitsPerPixel,
                            const uint32_t* colorTable, uint32_t colorCount, GXHostBitmap** out) {
    if (AnyUnusable(out) || (colorCount != 0 && !colorTable)) return GXResultInvalidArg;
    return ExportGuard([&]() -> GXResult {
        std::shared_ptr<Platform::NativeBitmap> native =
            Platform::NativeBitmap::Create(width, height, bitsPerPixel, colorTable, colorCount);
        if (!native) return GXResultInvalidArg;
        *out = HostHandles::Make<GXHostBitmap>(std::move(native));
        return GXResultSuccess;
    });
}

GXResult GXHostBitmapGetInfo(GXHostBitmap* bitmap, GXHostBitmapInfo* out) {
    if (AnyUnusable(bitmap, out)) return GXResultInvalidArg;
    return ExportGuard([&]() -> GXResult {
        std::shared_ptr<Platform::NativeBitmap> native = HostHandles::Find(bitmap);
        if (!native) return GXResultInvalidArg;
        *out = {native->Width(), native->Height(), native->BitsPerPixel(), native->Stride(),
                uint32_t(native->ColorTable().size())};
        return GXResultSuccess;
    });
}

GXResult GXHostBitmapGetColorTable(GXHostBitmap* bitmap, uint32_t* out) {
    if (AnyUnusable(bitmap, out)) return GXResultInvalidArg;
    return ExportGuard([&]() -> GXResult {
        std::shared_ptr<Platform::NativeBitmap> native = HostHandles::Find(bitmap);
        if (!native) return GXResultInvalidArg;
        std::copy(native->ColorTable().begin(), native->ColorTable().end(), out);
        return GXResultSuccess;
    });
}

GXResult GXHostBitmapGetBits(GXHostBitmap* bitmap, GXBitmapData* out) {
    if (AnyUnusable(bitmap, out)) return GXResultInvalidArg;
    return ExportGuard([&]() -> GXResult {
        std::shared_ptr<Platform::NativeBitmap> native = HostHandles::Find(bitmap);
        if (!native) return GXResultInvalidArg;
        const int32_t rowBytes =
            int32_t((int64_t(native->Width()) * native->BitsPerPixel() + 7) / 8);
        *out = {native->Row(0), rowBytes, native->Stride()};
        return GXResultSuccess;
    });
}

GXResult GXHostDeleteBitmap(GXHostBitmap* bitmap) {
    return DeleteHandle(bitmap);
}
