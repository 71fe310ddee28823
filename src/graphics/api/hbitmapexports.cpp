// Exports: library bitmaps to and from the host's native bitmaps.
#include <memory>

#include "graphics/api/exportguard.h"
#include "graphics/api/handlerecord.h"
#include "graphics/api/hosthandles.h"
#include "graphics/bitmap/bitmap.h"
#include "graphics/software/swnativebitmapwrapper.h"
#include "graphics/software/swsystembitmap.h"

using namespace Graphics;

GXResult GXCreateBitmapFromHBITMAP(GXHostBitmap* hbitmap, GXBitmapRec_** out) {
    if (AnyUnusable(hbitmap, out)) return GXResultInvalidArg;
    return ExportGuard([&] {
        *out = MakeHandle<GXBitmapRec_>(
            SwNativeBitmapWrapper::CreateBitmap(HostHandles::Find(hbitmap)));
    });
}

GXResult GXBitmapSaveToHBITMAP(GXBitmapRec_* bitmap, GXHostBitmap** out) {
    if (AnyUnusable(bitmap, out)) return GXResultInvalidArg;
    return ExportGuard([&] {
        *out = HostHandles::Make<GXHostBitmap>(SwSystemBitmap::CopyToNativeBitmap(*bitmap->impl));
    });
}
