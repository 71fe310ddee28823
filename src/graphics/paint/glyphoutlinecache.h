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
// with the face. Safe to use from several threads at once.
class GlyphOutlineCache {
public:
    struct Glyph {
        // Never changed once made; null for a glyph without figures (a space) or one the
        // source could not give.
        std::shared_ptr<Geometry> outline;
        GXPoint advance{0, 0};  // px; zero for a glyph the source could not give
        bool loaded = false;    // fetched from the source (successfully or not)
    };

    // out[i] = the entry of glyphs[i], fetched first where missing; one lock for the whole
    // run. Entries stay where they are for the cache's lifetime.
    void Lookup(Host::GlyphSource* source, const uint16_t* glyphs, size_t count, const Glyph** out);

private:
    static constexpr size_t kPageSize = 256;
    using Page = std::array<Glyph, kPageSize>;

    std::mutex mutex_;  // guards pages_ and the entries being loaded
    std::array<std::unique_ptr<Page>, 65536 / kPageSize> pages_;  // null until first used
};

}  // namespace Graphics
