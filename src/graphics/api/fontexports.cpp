// Exports: font faces.
#include "graphics/api/exportguard.h"
#include "graphics/api/handlerecord.h"
#include "graphics/paint/font.h"

using namespace Graphics;

GXResult GXCreateFontFace(const uint16_t* faceName, uint32_t style, float size,
                          GXFontFaceRec_** out) {
    if (AnyUnusable(faceName, out)) return GXResultInvalidArg;
    if (!Font::IsValidSize(size)) return GXResultInvalidArg;
    return ExportGuard(
        [&] { *out = MakeHandle<GXFontFaceRec_>(Font::Create(faceName, style, size)); });
}

GXResult GXFontFaceCalculateTextBound(GXFontFaceRec_* face, const uint16_t* text,
                                      GXTextBound* out) {
    if (AnyUnusable(face, text, out)) return GXResultInvalidArg;
    return ExportGuard([&] { *out = face->impl->CalculateTextBound(text); });
}
