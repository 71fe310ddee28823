#include "graphics/paint/font.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include "graphics/core/processheap.h"
#include "graphics/paint/glyphoutlinewalker.h"
#include "graphics/paint/textdc.h"

namespace Graphics {

namespace {

// GDI outlines are y-up; this turns them into the library's y-down pixels.
constexpr MAT2 kFlipY = {{0, 1}, {0, 0}, {0, 0}, {0, -1}};

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
        size, HeightForSize(size), (style & GXFontStyleBold) ? FW_BOLD : FW_NORMAL,
        (style & GXFontStyleItalic) != 0, reinterpret_cast<LPCWSTR>(faceName));
    return std::make_shared<Font>(std::move(base));
}

std::vector<uint16_t> Font::GetGlyphIndices(const uint16_t* text, size_t length) const {
    std::vector<uint16_t> glyphs(length, 0);
    TextDC dc(base_->GetHandle());
    // GDI counts in int: longer texts go in pieces.
    for (size_t done = 0; done < length;) {
        int count = static_cast<int>(std::min<size_t>(length - done, INT_MAX));
        GetGlyphIndicesW(dc.GetHandle(), reinterpret_cast<LPCWSTR>(text + done), count,
                         glyphs.data() + done, 0);
        done += static_cast<size_t>(count);
    }
    return glyphs;
}

GXPoint Font::GetGlyphOutline(uint16_t glyph, GeometrySink* sink) const {
    TextDC dc(base_->GetHandle());
    // Without a sink only the metrics are needed, and GDI need not build the outline.
    UINT format = GGO_GLYPH_INDEX | (sink ? GGO_NATIVE : GGO_METRICS);
    GLYPHMETRICS metrics{};
    DWORD bytes = GetGlyphOutlineW(dc.GetHandle(), glyph, format, &metrics, 0, nullptr, &kFlipY);
    if (bytes == GDI_ERROR) return {0, 0};
    GXPoint advance{static_cast<float>(metrics.gmCellIncX), static_cast<float>(metrics.gmCellIncY)};
    // A glyph without contours (a space) has a zero-byte outline.
    if (sink && bytes != 0) {
        HeapBlock<BYTE> buffer(static_cast<BYTE*>(ProcessHeap::Alloc(bytes)));
        if (GetGlyphOutlineW(dc.GetHandle(), glyph, format, &metrics, bytes, buffer.get(),
                             &kFlipY) != GDI_ERROR)
            GlyphOutlineWalker::Send(buffer.get(), bytes, *sink);
    }
    return advance;
}

GXTextBound Font::CalculateTextBound(const uint16_t* text) const {
    float width = 0;
    for (uint16_t glyph : GetGlyphIndices(text, TextLength(text)))
        width += GetGlyphOutline(glyph, nullptr).x;
    return {width, GetSize()};
}

}  // namespace Graphics
