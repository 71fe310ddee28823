#pragma once

#include "platform/hostgdi.h"

namespace Graphics {

// The GDI font behind a font face, with the size it was asked for.
class FontBase {
public:
    // Takes ownership of `font`, which may be null when GDI could not make it (glyph
    // queries then fall back on the text device context's own font).
    FontBase(float size, HFONT font) : size_(size), font_(font) {}
    ~FontBase();

    FontBase(const FontBase&) = delete;
    FontBase& operator=(const FontBase&) = delete;

    float GetSize() const { return size_; }
    HFONT GetHandle() const { return font_; }

private:
    float size_;  // requested size in points (1/72 inch), finite and positive
    HFONT font_;  // owned; released with DeleteObject; may be null
};

}  // namespace Graphics
