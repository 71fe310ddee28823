#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <random>
#include <thread>
#include <vector>

#include "../propertycases.h"
#include "graphics/api/handlerecord.h"
#include "graphics/geometry/geometry.h"
#include "graphics/paint/font.h"
#include "graphics/software/swglyphcache.h"
#include "graphics/target/rendertarget.h"
#include "gx.h"

namespace {

using Graphics::SwGlyphCache;

const uint16_t kDejaVuSans[] = {'D', 'e', 'j', 'a', 'V', 'u', ' ', 'S', 'a', 'n', 's', 0};
constexpr int32_t kSize = 160;

void Ok(GXResult result) {
    ASSERT_EQ(result, GXResultSuccess);
}

template <class T>
struct Handle {
    explicit Handle(T* h = nullptr) : handle(h) {}
    ~Handle() {
        if (handle) GXObjectRelease(GX_HANDLE(handle));
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    T* handle;
};

GXFontFaceRec_* MakeFace(float size) {
    GXFontFaceRec_* face = nullptr;
    EXPECT_EQ(GXCreateFontFace(kDejaVuSans, 0, size, &face), GXResultSuccess);
    return face;
}

GXBrushRec_* MakeSolid(uint32_t argb) {
    GXBrushRec_* brush = nullptr;
    EXPECT_EQ(GXCreateBrushSolidARGB(argb, &brush), GXResultSuccess);
    return brush;
}

// A PARGB32 bitmap and a render target over it, painted by Paint.
struct Page {
    Page() {
        const GXBitmapDesc desc{kSize, kSize, GXPixelFormatPARGB32, 96, 96};
        Ok(GXCreateBitmap(&desc, &bitmap.handle));
        Ok(GXCreateRenderTargetBitmap(bitmap.handle, &target.handle));
    }
    // Clears to `background`, runs draw(target) and returns the pixels.
    template <class Draw>
    std::vector<uint32_t> Paint(uint32_t background, Draw&& draw) {
        Ok(GXRenderTargetBeginPaint(target.handle));
        Ok(GXRenderTargetClear(target.handle, background));
        draw(target.handle);
        Ok(GXRenderTargetEndPaint(target.handle));
        std::vector<uint32_t> pixels(size_t(kSize) * kSize);
        const GXBitmapData memory{pixels.data(), kSize * 4, kSize * 4};
        Ok(GXBitmapCopyToMemory(bitmap.handle, nullptr, &memory));
        return pixels;
    }
    Handle<GXBitmapRec_> bitmap;
    Handle<GXRenderTargetRec_> target;
};

// What text looked like before glyph caching: each glyph's outline fetched afresh and
// filled as a path at its exact position, stroke adjustment off (and back on after).
void FillTextAsOutlines(GXRenderTargetRec_* target, GXFontFaceRec_* face,
                        const std::vector<uint16_t>& text, GXBrushRec_* brush) {
    Graphics::RenderTarget& rt = *target->impl;
    const Graphics::Font& font = *face->impl;
    const GXMatrix ctm = rt.GetCTM();
    rt.SetStrokeAdjustment(0);
    for (uint16_t glyph : font.GetGlyphIndices(text.data(), text.size() - 1)) {
        auto outline = std::make_shared<Graphics::Geometry>();
        const GXPoint advance = font.GetGlyphOutline(glyph, outline.get());
        if (!outline->IsEmpty()) rt.FillGeometry(outline, brush->impl);
        rt.ConcatCTM(GXMatrix{1, 0, 0, 1, advance.x, advance.y});
    }
    rt.SetCTM(&ctm);
    rt.SetStrokeAdjustment(1);
}

struct Difference {
    int maxChannel = 0;
    double squares = 0;  // sum of squared channel differences
    size_t channels = 0;
    void Add(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b) {
        for (size_t i = 0; i < a.size(); ++i)
            for (int shift = 0; shift < 32; shift += 8) {
                const int d = int((a[i] >> shift) & 255) - int((b[i] >> shift) & 255);
                maxChannel = std::max(maxChannel, std::abs(d));
                squares += double(d) * d;
                ++channels;
            }
    }
    double Psnr() const {
        const double mse = squares / double(std::max<size_t>(channels, 1));
        return mse == 0 ? INFINITY : 10 * std::log10(255.0 * 255.0 / mse);
    }
};

std::vector<uint16_t> RandomText(std::mt19937& random) {
    static const char16_t kChars[] = u"AaBbgjpqyWMmi1|/.,;@&%QO0éÅ~_ ";
    std::vector<uint16_t> text(3 + random() % 8);
    for (uint16_t& unit : text) unit = kChars[random() % (std::size(kChars) - 1)];
    text.push_back(0);
    return text;
}

// Many strings, sizes, scales, positions, colours, blend modes, clips and groups, drawn as
// cached text and as outline fills. Off the quarter-pixel grid they differ by the placement
// (at most an eighth of a pixel on each axis); on it, by the float rounding of positions
// alone, which moves an outline fill's own pixels as much when it is moved by whole pixels
// (measured beside it). The figures are printed for the record.
TEST(GlyphCache, TextMatchesOutlineFillsUpToQuarterPixelPlacement) {
    std::mt19937 random(20261208);
    Page cached, outlines;
    Difference onGrid, offGrid, moved;
    const int cases = PropertyCases(60);
    for (int c = 0; c < cases; ++c) {
        Handle<GXFontFaceRec_> face(MakeFace(6 + float(random() % 300) / 10));
        Handle<GXBrushRec_> brush(MakeSolid(random() % 2 ? 0xFF101080u : 0x80C02000u));
        const std::vector<uint16_t> text = RandomText(random);
        const float scaleX = random() % 3 ? 1.0f : 0.5f + float(random() % 20) / 10;
        const float scaleY = random() % 4 ? scaleX : -scaleX;  // mirrored now and then
        const int32_t blend = random() % 3 ? 0 : int32_t(random() % 16);
        const bool clip = random() % 3 == 0, group = random() % 4 == 0;
        for (bool grid : {true, false}) {
            // Advances are whole pixels: unscaled, every glyph of a run on the grid is.
            const float sx = grid ? 1.0f : scaleX, sy = grid ? std::copysign(1.0f, scaleY) : scaleY;
            float x = float(random() % 40) + (grid ? float(random() % 4) / 4 : float(random() % 1000) / 1000);
            const float y = 40 + float(random() % 60) + (grid ? float(random() % 4) / 4 : float(random() % 1000) / 1000);
            auto draw = [&](bool asOutlines) {
                return [&, asOutlines](GXRenderTargetRec_* target) {
                    Ok(GXRenderTargetSetBlendMode(target, blend));
                    if (clip) {
                        const GXRect band{0, 30, kSize, 70};
                        Ok(GXRenderTargetClipEllipse(target, &band));
                    }
                    if (group) {
                        const GXLayerParams params{{0, 0, kSize, kSize}, 0.7f, 1, 0};
                        Ok(GXRenderTargetBeginLayer(target, &params));
                    }
                    const GXMatrix place{sx, 0, 0, sy, x, y};
                    Ok(GXRenderTargetSetCTM(target, &place));
                    if (asOutlines)
                        FillTextAsOutlines(target, face.handle, text, brush.handle);
                    else
                        Ok(GXRenderTargetFillText(target, face.handle, text.data(), brush.handle));
                    if (group) Ok(GXRenderTargetEndLayer(target));
                };
            };
            const std::vector<uint32_t> expected = outlines.Paint(0xFF80E0FFu, draw(true));
            (grid ? onGrid : offGrid).Add(cached.Paint(0xFF80E0FFu, draw(false)), expected);
            if (grid && !clip) {
                // The outline fill 7 px right, moved back: its own rounding noise.
                const float xAt = x;
                x += 7;
                std::vector<uint32_t> shifted = outlines.Paint(0xFF80E0FFu, draw(true));
                x = xAt;
                std::vector<uint32_t> back(expected);
                for (int32_t row = 0; row < kSize; ++row)
                    for (int32_t col = 0; col + 7 < kSize; ++col)
                        back[size_t(row) * kSize + col] = shifted[size_t(row) * kSize + col + 7];
                for (int32_t row = 0; row < kSize; ++row)
                    for (int32_t col = kSize - 7; col < kSize; ++col)
                        back[size_t(row) * kSize + col] = expected[size_t(row) * kSize + col];
                moved.Add(back, expected);
            }
        }
    }
    std::printf("on the quarter-pixel grid: max channel difference %d, PSNR %.2f dB\n",
                onGrid.maxChannel, onGrid.Psnr());
    std::printf("anywhere: max channel difference %d, PSNR %.2f dB\n", offGrid.maxChannel,
                offGrid.Psnr());
    std::printf("outline fills moved by 7 px: max channel difference %d, PSNR %.2f dB\n",
                moved.maxChannel, moved.Psnr());
    EXPECT_GT(onGrid.Psnr(), 70.0);
    EXPECT_GT(offGrid.Psnr(), 40.0);
}

}  // namespace
