#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>

#include "graphics/geometry/geometry.h"
#include "platform/glyphsource.h"

namespace Graphics {

// The outlines and advances of one face's glyphs, each fetched from the glyph source once:
// a face's glyphs never change. Glyphs are kept in pages of 256, made when a glyph of the
// page is first asked for, so a face drawing Latin text holds a page or two rather than
// slots for all 65,536 indices; at most every glyph of the face is held, and all of it goes
// with the face. The code units text was drawn with are kept mapped to their entries in
// pages the same way. Safe to use from several threads at once.
class GlyphOutlineCache {
public:
    struct Glyph {
        // Never changed once made; null for a glyph without figures (a space) or one the
        // source could not give.
        std::shared_ptr<Geometry> outline;
        GXPoint advance{0, 0};  // px; zero for a glyph the source could not give
        bool loaded = false;    // fetched from the source (successfully or not)
    };

    // out[i] = the entry of the glyph the face maps the UTF-16 code unit text[i] to, each
    // unit on its own as GlyphSource::GetGlyphIndices maps it (glyph 0 without a source);
    // the glyph fetched first where missing; one lock for the whole run. Entries stay where
    // they are for the cache's lifetime. A face's character map never changes, so each unit
    // is mapped once.
    void LookupText(Host::GlyphSource* source, const uint16_t* text, size_t count,
                    const Glyph** out);

private:
    static constexpr size_t kPageSize = 256;
    using Page = std::array<Glyph, kPageSize>;
    using UnitPage = std::array<const Glyph*, kPageSize>;  // null: not mapped yet

    Glyph& EntryLocked(Host::GlyphSource* source, uint16_t glyph);

    std::mutex mutex_;  // guards the pages and the entries being loaded
    std::array<std::unique_ptr<Page>, 65536 / kPageSize> pages_;      // null until first used
    std::array<std::unique_ptr<UnitPage>, 65536 / kPageSize> units_;  // code unit -> entry
};

}  // namespace Graphics
