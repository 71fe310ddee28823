// Exports: palettes.
#include <memory>

#include "graphics/api/exportguard.h"
#include "graphics/api/handlerecord.h"
#include "graphics/bitmap/palette.h"

using namespace Graphics;

GXResult GXCreatePalette(const uint32_t* colors, uint64_t count, GXPaletteRec_** out) {
    // More than 2^32 colours is no palette but a wrong count (and would overflow the copy).
    if (AnyUnusable(colors, out) || count == 0 || count > UINT32_MAX) return GXResultInvalidArg;
    return ExportGuard([&] {
        *out = MakeHandle<GXPaletteRec_>(std::make_shared<Palette>(colors, size_t(count)));
    });
}

GXResult GXPaletteGetNumColors(GXPaletteRec_* palette, uint64_t* out) {
    if (AnyUnusable(palette, out)) return GXResultInvalidArg;
    *out = palette->impl->GetNumColors();
    return GXResultSuccess;
}

GXResult GXPaletteGetColor(GXPaletteRec_* palette, uint64_t index, uint32_t* out) {
    if (AnyUnusable(palette, out)) return GXResultInvalidArg;
    if (index >= palette->impl->GetNumColors()) return GXResultOutOfRange;
    *out = palette->impl->GetColor(size_t(index));
    return GXResultSuccess;
}

GXResult GXPaletteGetColors(GXPaletteRec_* palette, const uint32_t** out) {
    if (AnyUnusable(palette, out)) return GXResultInvalidArg;
    *out = palette->impl->GetColors();
    return GXResultSuccess;
}
