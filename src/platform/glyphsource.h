#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string_view>

#include "graphics/geometry/geometrysink.h"
#include "platform/freetypelibrary.h"

namespace Host {

// The glyphs of one font at one size: glyph indices for text, advances, and outlines sent
// as floats straight into a GeometrySink. Coordinates are pixels, y down, origin at the
// glyph's baseline origin. Behind it: one FreeType face of the file fontconfig chose,
// sized once to the em height. Outlines are loaded unhinted, so they are the font's design
// shapes scaled; advances are the font's own, rounded to whole pixels. When the family has
// no face of the requested weight or slant, bold and italic are synthesised by thickening
// and shearing the outlines.
class GlyphSource {
public:
    // The em height of the fallback source.
    static constexpr double kDefaultEmPixels = 16;

    // A source for `family` (UTF-16; empty asks for the system's default family), an
    // OpenType `weight` (400 normal, 700 bold) and slant, with an em `emPixels` high (at
    // least 1). Null when no scalable face could be opened.
    static std::unique_ptr<GlyphSource> Create(std::u16string_view family, int weight, bool italic,
                                               double emPixels);
    // The system's default family at kDefaultEmPixels, made once and kept: what faces
    // whose own family could not be opened draw with. Null when the system has no usable
    // font.
    static GlyphSource* Fallback() noexcept;

    // One glyph index per UTF-16 code unit of `text`. Each unit is mapped on its own: a
    // surrogate, paired or not, and a character the font lacks get glyph 0 (.notdef).
    void GetGlyphIndices(const char16_t* text, size_t count, uint16_t* glyphs);

    // The glyph's advance in whole pixels into `advance`; when `sink` is given, its
    // outline as closed figures (straight runs as lines, cubic pieces as they are,
    // quadratic pieces elevated exactly to cubics). False, with nothing sent, when the
    // glyph cannot be loaded or its outline is malformed.
    bool GetGlyph(uint16_t glyph, GXPoint& advance, Graphics::GeometrySink* sink);

private:
    GlyphSource(FreeTypeFace face, bool embolden, const FT_Matrix& slant);

    std::mutex mutex_;   // serialises use of face_ (a FreeType face is single-threaded)
    FreeTypeFace face_;  // never null
    bool embolden_;      // whether outlines are thickened (bold asked of a lighter face)
    FT_Matrix slant_;    // 16.16 font-space transform: a shear for italic asked of an
                         // upright face, else the identity
};

}  // namespace Host
