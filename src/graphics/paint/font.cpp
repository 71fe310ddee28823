#include "graphics/paint/font.h"

#include <cmath>
#include <string_view>

namespace Graphics {

namespace {

constexpr int kWeightNormal = 400;
constexpr int kWeightBold = 700;

size_t TextLength(const uint16_t* text) {
    size_t length = 0;
    while (text[length] != 0) ++length;
    return length;
}

}  // namespace

int Font::HeightForSize(float size) {
    return static_cast<int>(std::trunc(static_cast<double>(size) * 96.0 / -72.0));
}

std::shared_ptr<Font> Font::Create(const uint16_t* faceName, uint32_t style, float size) {
    auto base = std::make_shared<FontBase>(
        size, -HeightForSize(size), (style & GXFontStyleBold) ? kWeightBold : kWeightNormal,
        (style & GXFontStyleItalic) != 0,
        std::u16string_view(reinterpret_cast<const char16_t*>(faceName)));
    return std::make_shared<Font>(std::move(base));
}

std::vector<uint16_t> Font::GetGlyphIndices(const uint16_t* text, size_t length) const {
    std::vector<uint16_t> glyphs(length, 0);
    if (Host::GlyphSource* source = base_->GetSource())
        source->GetGlyphIndices(reinterpret_cast<const char16_t*>(text), length, glyphs.data());
    return glyphs;
}

GXPoint Font::GetGlyphOutline(uint16_t glyph, GeometrySink* sink) const {
    GXPoint advance{0, 0};
    Host::GlyphSource* source = base_->GetSource();
    // A glyph that cannot be loaded leaves the advance at zero.
    if (source) source->GetGlyph(glyph, advance, sink);
    return advance;
}

GXTextBound Font::CalculateTextBound(const uint16_t* text) const {
    float width = 0;
    for (uint16_t glyph : GetGlyphIndices(text, TextLength(text)))
        width += GetGlyphOutline(glyph, nullptr).x;
    return {width, GetSize()};
}

}  // namespace Graphics
