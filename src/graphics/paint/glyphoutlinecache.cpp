#include "graphics/paint/glyphoutlinecache.h"

namespace Graphics {

void GlyphOutlineCache::Lookup(Host::GlyphSource* source, const uint16_t* glyphs, size_t count,
                               const Glyph** out) {
    std::lock_guard<std::mutex> lock(mutex_);
    for (size_t i = 0; i < count; ++i) {
        std::unique_ptr<Page>& page = pages_[glyphs[i] / kPageSize];
        if (!page) page = std::make_unique<Page>();
        Glyph& glyph = (*page)[glyphs[i] % kPageSize];
        if (!glyph.loaded) {
            auto outline = std::make_shared<Geometry>();
            GXPoint advance{0, 0};
            // A glyph that cannot be loaded leaves the advance at zero.
            if (source) source->GetGlyph(glyphs[i], advance, outline.get());
            glyph.advance = advance;
            if (!outline->IsEmpty()) glyph.outline = std::move(outline);
            glyph.loaded = true;
        }
        out[i] = &glyph;
    }
}

}  // namespace Graphics
