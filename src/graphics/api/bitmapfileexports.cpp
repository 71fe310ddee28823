// Exports: image files.
#include "graphics/api/exportguard.h"
#include "graphics/api/handlerecord.h"
#include "graphics/bitmap/bitmap.h"

using namespace Graphics;

namespace {

// A load that yields no bitmap writes nothing and says so.
GXResult HandOut(std::shared_ptr<Bitmap> bitmap, GXBitmapRec_** out) {
    if (!bitmap) return GXResultNoResult;
    *out = MakeHandle<GXBitmapRec_>(std::move(bitmap));
    return GXResultSuccess;
}

}  // namespace

GXResult GXCreateBitmapFromFile(const uint16_t* path, GXBitmapRec_** out) {
    if (AnyUnusable(path, out)) return GXResultInvalidArg;
    return ExportGuard([&] { return HandOut(Bitmap::LoadFromFile(path), out); });
}

GXResult GXCreateBitmapFromFileFrame(const uint16_t* path, int32_t frameIndex, uint32_t* frameCount,
                                     GXBitmapRec_** out) {
    if (AnyUnusable(path, out)) return GXResultInvalidArg;
    return ExportGuard(
        [&] { return HandOut(Bitmap::LoadFromFileEx(path, frameIndex, frameCount), out); });
}

GXResult GXCreateBitmapFromMemory(const void* data, uint64_t size, GXBitmapRec_** out) {
    if (AnyUnusable(data, out) || size == 0) return GXResultInvalidArg;
    return ExportGuard([&] { return HandOut(Bitmap::LoadFromMemory(data, size), out); });
}

GXResult GXBitmapSaveToFile(GXBitmapRec_* bitmap, const uint16_t* path) {
    if (AnyUnusable(bitmap, path)) return GXResultInvalidArg;
    return ExportGuard([&] { bitmap->impl->SaveToFile(path); });
}
