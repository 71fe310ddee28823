// Exports: brushes.
#include <cmath>
#include <memory>

#include "graphics/api/exportguard.h"
#include "graphics/api/handlerecord.h"
#include "graphics/bitmap/bitmap.h"
#include "graphics/geometry/matrix.h"
#include "graphics/geometry/transformer.h"
#include "graphics/paint/bitmapbrush.h"
#include "graphics/paint/gradientbrush.h"
#include "graphics/paint/solidbrush.h"

using namespace Graphics;

GXResult GXCreateBrushSolid(const GXColorF* color, GXBrushRec_** out) {
    if (AnyUnusable(color, out)) return GXResultInvalidArg;
    return ExportGuard([&] {
        ColorF value{color->red, color->green, color->blue, color->alpha};
        *out = MakeHandle<GXBrushRec_>(std::make_shared<SolidBrush>(value));
    });
}

GXResult GXCreateBrushSolidARGB(uint32_t argb, GXBrushRec_** out) {
    if (AnyUnusable(out)) return GXResultInvalidArg;
    return ExportGuard([&] {
        *out = MakeHandle<GXBrushRec_>(std::make_shared<SolidBrush>(ColorF::FromARGB(argb)));
    });
}

GXResult GXCreateBrushBitmap(GXBitmapRec_* bitmap, float opacity, const GXBitmapBrushParams* params,
                             const GXMatrix* matrix, GXBrushRec_** out) {
    if (AnyUnusable(bitmap, out) || std::isnan(opacity) || (matrix && !IsFiniteMatrix(*matrix)))
        return GXResultInvalidArg;
    GXBitmapBrushParams p =
        params ? *params
               : GXBitmapBrushParams{GXBitmapSamplingBilinear, GXExtendClamp, GXExtendClamp};
    return ExportGuard([&] {
        *out = MakeHandle<GXBrushRec_>(
            std::make_shared<BitmapBrush>(bitmap->impl, opacity, matrix ? *matrix : kIdentityMatrix,
                                          p.samplingMode, p.extendX, p.extendY));
    });
}

GXResult GXCreateBrushGradient(GXGradientRec_* gradient, float opacity, const GXMatrix* matrix,
                               GXBrushRec_** out) {
    if (AnyUnusable(gradient, out) || std::isnan(opacity) || (matrix && !IsFiniteMatrix(*matrix)))
        return GXResultInvalidArg;
    return ExportGuard([&] {
        *out = MakeHandle<GXBrushRec_>(std::make_shared<GradientBrush>(
            gradient->impl, opacity, matrix ? *matrix : kIdentityMatrix));
    });
}
