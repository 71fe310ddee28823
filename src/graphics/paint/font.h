#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "graphics/core/graphicsbase.h"
#include "graphics/geometry/geometrysink.h"
#include "graphics/paint/fontbase.h"
#include "graphics/paint/glyphoutlinecache.h"
#include "gx.h"

namespace Graphics {

// A font face: the glyphs of one family, style and size. Glyph coordinates are pixels of a
// 96-dpi device at the font's size, y down, origin at the glyph's baseline origin. Drawing
// takes outlines from the face's outline cache; the single queries below go to the glyph
// source.
class Font : public GraphicsBase {
public:
    // Sizes in points a face accepts: below 0.75 pt the em would be under one pixel, and
    // above 7200 pt (100 inches) a glyph is larger than any surface it could be drawn on.
    static constexpr float kMinSize = 0.75f;
    static constexpr float kMaxSize = 7200.0f;
    static bool IsValidSize(float size) { return size >= kMinSize && size <= kMaxSize; }

    // The font height for a size in points: the em height in 96-dpi pixels, truncated
    // toward zero, negative to say that it is the character (em) height.
    static int HeightForSize(float size);

    // A face of the family `faceName` (null-terminated UTF-16; a missing family falls back
    // on the system's choice), `style` bits GXFontStyleBold and GXFontStyleItalic (others ignored),
    // `size` in points (IsValidSize).
    static std::shared_ptr<Font> Create(const uint16_t* faceName, uint32_t style, float size);

    explicit Font(std::shared_ptr<FontBase> base) : base_(std::move(base)) {}

    float GetSize() const { return base_->GetSize(); }
    const std::shared_ptr<FontBase>& GetBase() const { return base_; }

    // One glyph index per UTF-16 code unit of `text`; characters the font lacks get its
    // default glyph.
    std::vector<uint16_t> GetGlyphIndices(const uint16_t* text, size_t length) const;

    // The glyph's advance in pixels; when `sink` is given, its outline is sent there as
    // closed figures (no fill rule is set: the caller's sink already has one). A glyph the
    // source cannot give contributes no figures and a zero advance.
    GXPoint GetGlyphOutline(uint16_t glyph, GeometrySink* sink) const;

    // The cached outline and advance of the glyph of each UTF-16 code unit of `text` into
    // `out`, the units mapped as GetGlyphIndices maps them; a glyph is fetched from the
    // source the first time it is asked for. The entries live as long as the face.
    void LookupText(const uint16_t* text, size_t length,
                    const GlyphOutlineCache::Glyph** out) const {
        outlines_.LookupText(base_->GetSource(), text, length, out);
    }

    // Width: the sum of the advances of the glyphs of the null-terminated `text`; height:
    // the face's size.
    GXTextBound CalculateTextBound(const uint16_t* text) const;

private:
    std::shared_ptr<FontBase> base_;      // never null
    mutable GlyphOutlineCache outlines_;  // filled as glyphs are drawn
};

}  // namespace Graphics
