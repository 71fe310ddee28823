#pragma once

#include "platform/hostgdi.h"

namespace Graphics {

// The GDI font behind a font face, with the size it was asked for.
class FontBase {
public:
    // Makes the font with CreateFontW from the weight, italic flag and family (the other
    // arguments left at GDI's defaults). GDI failing to make it is not an error: the font
    // stays null and glyph queries fall back on the text device context's own font.
    FontBase(float size, int height, int weight, bool italic, LPCWSTR faceName);
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
