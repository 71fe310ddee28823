#pragma once

#include <memory>
#include <string_view>

#include "platform/glyphsource.h"

namespace Graphics {

// The glyph source behind a font face, with the size it was asked for.
class FontBase {
public:
    // Opens the source of the family with the weight and slant, its em `emPixels` high.
    // A family that cannot be opened at all is not an error: the face then draws with the
    // system's default font at its default size (GetSource).
    FontBase(float size, double emPixels, int weight, bool italic, std::u16string_view family);

    float GetSize() const { return size_; }
    // The face's own source, or the fallback; null only when the system has no font.
    Host::GlyphSource* GetSource() const {
        return source_ ? source_.get() : Host::GlyphSource::Fallback();
    }

private:
    float size_;                                 // requested size in points, finite, > 0
    std::unique_ptr<Host::GlyphSource> source_;  // null when the family could not be opened
};

}  // namespace Graphics
