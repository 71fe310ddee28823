#include "graphics/paint/glyphoutlinecache.h"

namespace Graphics {

GlyphOutlineCache::Glyph& GlyphOutlineCache::EntryLocked(Host::GlyphSource* source,
                                                         uint16_t index) {
    std::unique_ptr<Page>& page = pages_[index / kPageSize];
    if (!page) page = std::make_unique<Page>();
    Glyph& glyph = (*page)[index % kPageSize];
    if (!glyph.loaded) {
        auto outline = std::make_shared<Geometry>();
        GXPoint advance{0, 0};
        // A glyph that cannot be loaded leaves the advance at zero.
        if (source) source->GetGlyph(index, advance, outline.get());
        glyph.advance = advance;
        if (!outline->IsEmpty()) glyph.outline = std::move(outline);
        glyph.loaded = true;
    }
    return glyph;
}

void GlyphOutlineCache::LookupText(Host::GlyphSource* source, const uint16_t* text, size_t count,
                                   const Glyph** out) {
    std::lock_guard<std::mutex> lock(mutex_);
    for (size_t i = 0; i < count; ++i) {
        std::unique_ptr<UnitPage>& page = units_[text[i] / kPageSize];
        if (!page) page = std::make_unique<UnitPage>();  // value-initialised: all null
        const Glyph*& entry = (*page)[text[i] % kPageSize];
        if (!entry) {
            uint16_t index = 0;
            if (source)
                source->GetGlyphIndices(reinterpret_cast<const char16_t*>(&text[i]), 1, &index);
            entry = &EntryLocked(source, index);
        }
        out[i] = entry;
    }
}

}  // namespace Graphics
