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
            float x = float(random() % 40) +
                      (grid ? float(random() % 4) / 4 : float(random() % 1000) / 1000);
            const float y = 40 + float(random() % 60) +
                            (grid ? float(random() % 4) / 4 : float(random() % 1000) / 1000);
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

// A random polygon with corners on the 1/8-pixel grid: its positions are exact in floats
// however it is placed, so cached and outline fills must agree pixel for pixel.
void AddPolygon(std::mt19937& random, GXGeometryRec_* geometry) {
    auto point = [&] {
        return GXPoint{float(random() % 160) / 8 - 2, float(random() % 160) / 8 - 14};
    };
    const GXPoint start = point();
    Ok(GXGeometryBeginFigure(geometry, &start));
    for (int i = 3 + int(random() % 5); i > 0; --i) {
        const GXPoint p = point();
        Ok(GXGeometryLineTo(geometry, &p));
    }
    Ok(GXGeometryEndFigureClose(geometry));
}

// Composited as outline fills are, bit for bit: overlapping glyphs each over the ones before,
// in every blend mode, through clips, opacity masks and (knockout) groups. A geometry drawn
// again after a change is drawn as it now is, and a new geometry never meets the masks of
// a released one.
TEST(GlyphCache, MasksCompositeExactlyAsOutlineFillsAndFollowTheirGeometry) {
    std::mt19937 random(17);
    Page cached, outlines;
    Handle<GXBrushRec_> brush(MakeSolid(0xC0207040u));
    for (int c = 0; c < PropertyCases(40); ++c) {
        Handle<GXGeometryRec_> glyph;
        Ok(GXCreateGeometry(&glyph.handle));
        Ok(GXGeometrySetFillRule(glyph.handle, int32_t(random() % 2)));
        AddPolygon(random, glyph.handle);
        const int32_t blend = int32_t(random() % 16);
        const bool clip = random() % 2, group = random() % 3 == 0, knockout = random() % 2;
        const bool mask = random() % 3 == 0;
        Handle<GXBrushRec_> opacity(mask ? MakeSolid(0x90FFFFFFu) : nullptr);
        for (int draw = 0; draw < 2; ++draw) {
            if (draw == 1) AddPolygon(random, glyph.handle);  // changed between draws
            auto paint = [&](bool asText) {
                return [&, asText](GXRenderTargetRec_* target) {
                    Ok(GXRenderTargetSetBlendMode(target, blend));
                    Ok(GXRenderTargetSetStrokeAdjustment(target, 0));
                    if (clip) {
                        const GXRect band{10, 20, 120, 90};
                        Ok(GXRenderTargetClipEllipse(target, &band));
                    }
                    if (mask) Ok(GXRenderTargetSetOpacityMask(target, 0, opacity.handle));
                    if (group) {
                        const GXLayerParams params{{0, 0, kSize, kSize}, 0.8f, 0, knockout};
                        Ok(GXRenderTargetBeginLayer(target, &params));
                    }
                    for (int i = 0; i < 12; ++i) {  // overlapping copies
                        const GXMatrix place{
                            1, 0, 0, 1, 20 + 3.25f * float(i), 50 + 2.5f * float(i % 3)};
                        Ok(GXRenderTargetSetCTM(target, &place));
                        if (asText)
                            Ok(GXRenderTargetFillTextGeometry(target, glyph.handle, brush.handle));
                        else
                            Ok(GXRenderTargetFillGeometry(target, glyph.handle, brush.handle));
                    }
                    if (group) Ok(GXRenderTargetEndLayer(target));
                };
            };
            ASSERT_EQ(cached.Paint(0xFF8090A0u, paint(true)),
                      outlines.Paint(0xFF8090A0u, paint(false)))
                << "case " << c << " draw " << draw;
        }
    }
}

// Masks stay within the budget, least recently drawn going first, and a face takes its
// glyphs' masks along when it is released.
TEST(GlyphCache, BudgetBoundsTheMasksAndFacesTakeTheirsAlong) {
    SwGlyphCache& cache = SwGlyphCache::Instance();
    cache.Clear();
    const size_t budget = cache.Budget();
    Page page;
    Handle<GXBrushRec_> black(MakeSolid(0xFF000000u));
    const std::vector<uint16_t> text{'W', 'a', 'g', 'o', 'n', '&', 'Q', 0};
    cache.SetBudget(64 << 10);
    for (int size = 8; size < 40; ++size) {
        Handle<GXFontFaceRec_> face(MakeFace(float(size)));
        page.Paint(0xFFFFFFFFu, [&](GXRenderTargetRec_* target) {
            const GXMatrix place{1, 0, 0, 1, 3.5f, 60};
            Ok(GXRenderTargetSetCTM(target, &place));
            Ok(GXRenderTargetFillText(target, face.handle, text.data(), black.handle));
        });
        EXPECT_LE(cache.MemoryInUse(), size_t(64 << 10));
    }
    EXPECT_EQ(cache.MemoryInUse(), 0u);  // every face released, its masks with it
    cache.SetBudget(budget);

    Handle<GXFontFaceRec_> face(MakeFace(12));
    auto draw = [&] {
        return page.Paint(0xFFFFFFFFu, [&](GXRenderTargetRec_* target) {
            const GXMatrix place{1, 0, 0, 1, 3, 60};
            Ok(GXRenderTargetSetCTM(target, &place));
            Ok(GXRenderTargetFillText(target, face.handle, text.data(), black.handle));
        });
    };
    const std::vector<uint32_t> first = draw();
    const size_t used = cache.MemoryInUse();
    EXPECT_GT(used, 0u);
    EXPECT_EQ(draw(), first);
    EXPECT_EQ(cache.MemoryInUse(), used);  // drawn again from the same masks
    cache.SetBudget(0);                    // nothing kept: drawn from fresh masks
    EXPECT_EQ(cache.MemoryInUse(), 0u);
    EXPECT_EQ(draw(), first);
    cache.SetBudget(budget);
}

// More masks than a renderer keeps at hand, drawn again, with the cache evicting under it
// and keeping nothing at all: always what masks built afresh draw.
TEST(GlyphCache, ManyMasksDrawAsFreshOnesWhateverTheCacheKeeps) {
    SwGlyphCache& cache = SwGlyphCache::Instance();
    const size_t budget = cache.Budget();
    Handle<GXFontFaceRec_> face(MakeFace(7));
    Handle<GXBrushRec_> ink(MakeSolid(0xE0302010u));
    std::vector<uint16_t> text;
    for (char16_t c = u'!'; c <= u'~'; ++c) text.push_back(c);
    text.push_back(0);
    // 94 glyphs in 40 scales: more than three thousand masks.
    auto draw = [&](GXRenderTargetRec_* target) {
        for (int line = 0; line < 40; ++line) {
            const float scale = 0.25f + float(line) / 64;
            const GXMatrix place{scale, 0, 0, scale, -float(line % 7) / 3, 4 + 4.1f * float(line)};
            Ok(GXRenderTargetSetCTM(target, &place));
            Ok(GXRenderTargetFillText(target, face.handle, text.data(), ink.handle));
        }
    };
    cache.Clear();
    const std::vector<uint32_t> fresh = Page().Paint(0xFFFFFFFFu, draw);
    Page page;
    for (size_t round : {0, 1, 2, 3}) {
        cache.SetBudget(round < 2 ? budget : round == 2 ? size_t(32 << 10) : 0);
        EXPECT_EQ(page.Paint(0xFFFFFFFFu, draw), fresh) << "round " << round;
    }
    cache.SetBudget(budget);
}

// Threads drawing with one face on targets of their own share its outlines and the masks,
// and draw what one thread alone draws, also while the cache evicts.
TEST(GlyphCache, ThreadsShareFacesAndMasks) {
    SwGlyphCache::Instance().Clear();
    Handle<GXFontFaceRec_> face(MakeFace(11));
    Handle<GXBrushRec_> black(MakeSolid(0xFF000000u));
    const std::vector<uint16_t> text{'T', 'h', 'r', 'e', 'a', 'd', 's', ' ', 'o', 'k', '!', 0};
    auto paint = [&](Page& page, int round) {
        return page.Paint(0xFFFFFFFFu, [&](GXRenderTargetRec_* target) {
            for (int line = 0; line < 8; ++line) {
                const GXMatrix place{
                    1, 0, 0, 1, 2 + 0.3f * float(line + round), 12 + 17.6f * float(line)};
                Ok(GXRenderTargetSetCTM(target, &place));
                Ok(GXRenderTargetFillText(target, face.handle, text.data(), black.handle));
            }
        });
    };
    std::vector<std::vector<uint32_t>> expected;
    {
        Page page;
        for (int round = 0; round < 6; ++round) expected.push_back(paint(page, round));
    }
    SwGlyphCache::Instance().Clear();
    std::vector<int> mismatches(3, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < 3; ++t)
        threads.emplace_back([&, t] {
            Page page;
            for (int round = 0; round < 6; ++round)
                if (paint(page, round) != expected[size_t(round)]) ++mismatches[size_t(t)];
        });
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(mismatches, std::vector<int>(3, 0));

    // Again while the cache gives masks up under them: a budget of a few glyphs, and faces
    // made, drawn and released beside them.
    SwGlyphCache& cache = SwGlyphCache::Instance();
    const size_t budget = cache.Budget();
    cache.SetBudget(16 << 10);
    threads.clear();
    mismatches.assign(3, 0);
    for (int t = 0; t < 3; ++t)
        threads.emplace_back([&, t] {
            Page page;
            for (int round = 0; round < 6; ++round) {
                if (paint(page, round) != expected[size_t(round)]) ++mismatches[size_t(t)];
                Handle<GXFontFaceRec_> passing(MakeFace(9 + float(t)));
                page.Paint(0xFFFFFFFFu, [&](GXRenderTargetRec_* target) {
                    Ok(GXRenderTargetFillText(target, passing.handle, text.data(), black.handle));
                });
            }
        });
    for (std::thread& thread : threads) thread.join();
    cache.SetBudget(budget);
    EXPECT_EQ(mismatches, std::vector<int>(3, 0));
}

}  // namespace
