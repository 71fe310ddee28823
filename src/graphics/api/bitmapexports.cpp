// Exports: bitmaps.
#include <memory>

#include "graphics/api/exportguard.h"
#include "graphics/api/handlerecord.h"
#include "graphics/bitmap/bitmap.h"
#include "graphics/bitmap/bitmapbase.h"

using namespace Graphics;

namespace {

// Caller memory is only usable with a pointer and a row length that is not negative; the
// stride may be negative (bottom-up rows).
bool IsUsableMemory(const GXBitmapData& memory) {
    return memory.data != nullptr && memory.rowBytes >= 0;
}

}  // namespace

GXResult GXCreateBitmap(const GXBitmapDesc* desc, GXBitmapRec_** out) {
    if (AnyUnusable(desc, out)) return GXResultInvalidArg;
    if (!Bitmap::CanCreate(*desc)) return GXResultInvalidArg;
    return ExportGuard([&] { *out = MakeHandle<GXBitmapRec_>(Bitmap::Create(*desc)); });
}

GXResult GXBitmapGetPixelFormat(GXBitmapRec_* bitmap, GXPixelFormat* out) {
    if (AnyUnusable(bitmap, out)) return GXResultInvalidArg;
    return ExportGuard([&] { *out = bitmap->impl->GetPixelFormat(); });
}

GXResult GXBitmapGetSize(GXBitmapRec_* bitmap, GXIntSize* out) {
    if (AnyUnusable(bitmap, out)) return GXResultInvalidArg;
    return ExportGuard([&] { *out = bitmap->impl->GetSize(); });
}

GXResult GXBitmapGetDpiX(GXBitmapRec_* bitmap, float* out) {
    if (AnyUnusable(bitmap, out)) return GXResultInvalidArg;
    return ExportGuard([&] { *out = bitmap->impl->GetDpiX(); });
}

GXResult GXBitmapGetDpiY(GXBitmapRec_* bitmap, float* out) {
    if (AnyUnusable(bitmap, out)) return GXResultInvalidArg;
    return ExportGuard([&] { *out = bitmap->impl->GetDpiY(); });
}

GXResult GXBitmapSetPalette(GXBitmapRec_* bitmap, GXPaletteRec_* palette) {
    if (AnyUnusable(bitmap) || IsWrongKind(palette)) return GXResultInvalidArg;
    return ExportGuard([&] { bitmap->impl->SetPalette(palette ? palette->impl : nullptr); });
}

GXResult GXBitmapGetPalette(GXBitmapRec_* bitmap, GXPaletteRec_** out) {
    if (AnyUnusable(bitmap, out)) return GXResultInvalidArg;
    return ExportGuard([&] {
        std::shared_ptr<Palette> palette = bitmap->impl->GetPalette();
        *out = palette ? MakeHandle<GXPaletteRec_>(std::move(palette)) : nullptr;
    });
}

GXResult GXBitmapLock(GXBitmapRec_* bitmap, const GXIntRect* rect, uint32_t mode,
                      GXBitmapData* out) {
    if (AnyUnusable(bitmap, out)) return GXResultInvalidArg;
    if (mode < LockMode::Read || mode > LockMode::ReadWrite) return GXResultInvalidArg;
    if (!bitmap->impl->ContainsRect(rect)) return GXResultInvalidArg;
    return ExportGuard([&] { *out = bitmap->impl->Lock(rect, mode); });
}

GXResult GXBitmapUnlock(GXBitmapRec_* bitmap) {
    if (AnyUnusable(bitmap)) return GXResultInvalidArg;
    return ExportGuard([&] { return bitmap->impl->Unlock() ? GXResultSuccess : GXResultInvalidArg; });
}

GXResult GXBitmapCopyFromBitmap(GXBitmapRec_* bitmap, const GXIntPoint* origin,
                                GXBitmapRec_* source, const GXIntRect* sourceRect) {
    if (AnyUnusable(bitmap, source)) return GXResultInvalidArg;
    return ExportGuard([&] { bitmap->impl->CopyFrom(origin, source->impl, sourceRect); });
}

GXResult GXBitmapCopyFromMemory(GXBitmapRec_* bitmap, const GXIntRect* rect,
                                const GXBitmapData* memory) {
    if (AnyUnusable(bitmap, memory)) return GXResultInvalidArg;
    if (!IsUsableMemory(*memory) || !bitmap->impl->ContainsRect(rect)) return GXResultInvalidArg;
    return ExportGuard([&] { bitmap->impl->CopyFromMemory(rect, *memory); });
}

GXResult GXBitmapCopyToMemory(GXBitmapRec_* bitmap, const GXIntRect* rect,
                              const GXBitmapData* memory) {
    if (AnyUnusable(bitmap, memory)) return GXResultInvalidArg;
    if (!IsUsableMemory(*memory)) return GXResultInvalidArg;
    return ExportGuard([&] {
        bitmap->impl->CopyPixels(rect, static_cast<uint8_t*>(memory->data), memory->stride,
                                 memory->rowBytes);
    });
}

GXResult GXBitmapColorFill(GXBitmapRec_* bitmap, const GXIntRect* rect, uint32_t color) {
    if (AnyUnusable(bitmap)) return GXResultInvalidArg;
    return ExportGuard([&] { bitmap->impl->ColorFill(rect, color); });
}

GXResult GXBitmapNotifyChanged(GXBitmapRec_* bitmap) {
    if (AnyUnusable(bitmap)) return GXResultInvalidArg;
    return ExportGuard([&] { bitmap->impl->NotifyChanged(); });
}

GXResult GXBitmapSetOffscreenPainting(GXBitmapRec_* bitmap, int32_t flag) {
    if (AnyUnusable(bitmap)) return GXResultInvalidArg;
    bitmap->impl->SetOffscreenPainting(flag);
    return GXResultSuccess;
}
