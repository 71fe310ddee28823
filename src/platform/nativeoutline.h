#pragma once

#include <ft2build.h>
#include FT_FREETYPE_H

#include <vector>

#include "platform/hostgdi.h"

namespace Host {

// Writes a FreeType outline (26.6 pixels) in GDI's native outline layout: one
// TTPOLYGONHEADER per contour, then curve records in 16.16 fixed point. Runs of quadratic
// pieces become TT_PRIM_QSPLINE records whose consecutive controls imply the on-curve
// midpoints between them, as GDI writes TrueType outlines; cubic pieces (CFF outlines)
// become TT_PRIM_CSPLINE records; straight runs become TT_PRIM_LINE records. The closing
// line back to the start is left implied.
class NativeOutline {
public:
    // Replaces the contents of `out` with the buffer (its capacity is reused, so a caller
    // keeping one vector allocates only when a glyph is larger than any before). False, with
    // `out` unspecified, when the point tags describe no valid outline (a cubic control not
    // in a pair, quadratic and cubic controls run together, a contour of cubic controls
    // alone). Contours of a single point draw nothing and are left out.
    static bool Encode(const FT_Outline& outline, std::vector<BYTE>& out);

    // 26.6 to 16.16, saturated to the range FIXED can hold.
    static FIXED ToFixed(FT_Pos value26_6);
};

}  // namespace Host
