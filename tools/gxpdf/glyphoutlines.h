// Glyph outlines of a document's fonts as libgx geometries, one per glyph, made the first time
// the glyph is shown and reused for every later showing at any size or angle, as a viewer keeps
// them. Poppler's font engine (FreeType underneath) reads the embedded or substituted font files.
#ifndef GXPDF_GLYPHOUTLINES_H_
#define GXPDF_GLYPHOUTLINES_H_

#include <gx.h>

#include <memory>
#include <unordered_map>

#include <CharTypes.h>
#include <Object.h>

class GfxState;
class SplashFont;
class SplashFontEngine;
class XRef;

class GlyphOutlines {
public:
    GlyphOutlines();
    ~GlyphOutlines();
    GlyphOutlines(const GlyphOutlines&) = delete;
    GlyphOutlines& operator=(const GlyphOutlines&) = delete;

    // The outline of code in the state's font, in em units (one unit is the font size, y up as
    // in text space), or null when the font has no outlines (Type 3, unloadable) or the glyph
    // is blank. The geometry stays owned by this object.
    GXGeometryRec_* Glyph(GfxState* state, XRef* xref, CharCode code);

private:
    struct Font {
        SplashFont* scaled = nullptr;  // the font at kEmPixels, owns its font file
        std::unordered_map<CharCode, GXGeometryRec_*> glyphs;  // null: blank glyph
    };
    Font* Load(GfxState* state, XRef* xref);

    std::unique_ptr<SplashFontEngine> engine_;
    std::unordered_map<Ref, std::unique_ptr<Font>> fonts_;  // null: the font cannot be loaded
};

#endif  // GXPDF_GLYPHOUTLINES_H_
