// Text as geometry: the glyph outlines of a line of text delivered to a sink, and the width
// of the line. Baselines in the same run: FreeType loading and decomposing the same
// outlines uncached (the floor under our glyph source), and Cairo's text path and text
// extents (which keep glyph paths and metrics in its scaled-font cache).
#include <benchmark/benchmark.h>
#include <cairo/cairo.h>

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <vector>

#include "graphics/paint/font.h"
#include "platform/fontmatcher.h"
#include "platform/freetypelibrary.h"

namespace {

constexpr char kLine[] = "Sphinx of black quartz, judge my vow: 0123456789 (fine) text!";
constexpr float kSizePoints = 12;  // 16 px at 96 dpi
const uint16_t kFamily[] = {'D', 'e', 'j', 'a', 'V', 'u', ' ', 'S', 'a', 'n', 's', 0};

std::vector<uint16_t> LineUtf16() {
    std::vector<uint16_t> units(kLine, kLine + sizeof kLine);  // with the terminating 0
    return units;
}

// Counts what it receives, so that nothing is optimised away.
class CountingSink : public Graphics::GeometrySink {
public:
    void SetFillRule(int32_t) override {}
    void BeginFigure(const GXPoint& p) override { sum += p.x; }
    void EndFigure() override {}
    void EndFigureClose() override { ++figures; }
    void LineTo(const GXPoint& p) override { sum += p.x; }
    void CubicCurveTo(const GXPoint&, const GXPoint&, const GXPoint& e) override { sum += e.y; }
    float sum = 0;
    int figures = 0;
};

void BM_GxGlyphOutlines(benchmark::State& state) {
    auto font = Graphics::Font::Create(kFamily, 0, kSizePoints);
    std::vector<uint16_t> text = LineUtf16();
    std::vector<uint16_t> glyphs = font->GetGlyphIndices(text.data(), text.size() - 1);
    CountingSink sink;
    for (auto _ : state) {
        for (uint16_t glyph : glyphs) font->GetGlyphOutline(glyph, &sink);
        benchmark::DoNotOptimize(sink.sum);
    }
    state.SetItemsProcessed(state.iterations() * glyphs.size());
}
BENCHMARK(BM_GxGlyphOutlines);

void BM_FreeTypeDecompose(benchmark::State& state) {
    auto match = Host::FontMatcher::Match(u"DejaVu Sans", 400, false);
    Host::FreeTypeFace face =
        Host::FreeTypeLibrary::Instance().OpenFace(match.path.c_str(), match.index);
    FT_Set_Char_Size(face.get(), 0, 16 * 64, 72, 72);
    FT_Outline_Funcs funcs{};
    funcs.move_to = [](const FT_Vector* to, void* user) {
        *static_cast<long*>(user) += to->x;
        return 0;
    };
    funcs.line_to = funcs.move_to;
    funcs.conic_to = [](const FT_Vector*, const FT_Vector* to, void* user) {
        *static_cast<long*>(user) += to->y;
        return 0;
    };
    funcs.cubic_to = [](const FT_Vector*, const FT_Vector*, const FT_Vector* to, void* user) {
        *static_cast<long*>(user) += to->y;
        return 0;
    };
    long sum = 0;
    for (auto _ : state) {
        for (const char* c = kLine; *c; ++c) {
            FT_Load_Char(face.get(), static_cast<FT_ULong>(*c),
                         FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP);
            FT_Outline_Decompose(&face->glyph->outline, &funcs, &sum);
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * (sizeof kLine - 1));
}
BENCHMARK(BM_FreeTypeDecompose);

struct CairoContext {
    CairoContext() {
        surface = cairo_image_surface_create(CAIRO_FORMAT_A8, 1, 1);
        cr = cairo_create(surface);
        cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL,
                               CAIRO_FONT_WEIGHT_NORMAL);
        cairo_set_font_size(cr, 16);
    }
    ~CairoContext() {
        cairo_destroy(cr);
        cairo_surface_destroy(surface);
    }
    cairo_surface_t* surface;
    cairo_t* cr;
};

void BM_CairoTextPath(benchmark::State& state) {
    CairoContext context;
    for (auto _ : state) {
        cairo_new_path(context.cr);
        cairo_text_path(context.cr, kLine);
        cairo_path_t* path = cairo_copy_path(context.cr);
        benchmark::DoNotOptimize(path->num_data);
        cairo_path_destroy(path);
    }
    state.SetItemsProcessed(state.iterations() * (sizeof kLine - 1));
}
BENCHMARK(BM_CairoTextPath);

void BM_GxTextBound(benchmark::State& state) {
    auto font = Graphics::Font::Create(kFamily, 0, kSizePoints);
    std::vector<uint16_t> text = LineUtf16();
    for (auto _ : state) benchmark::DoNotOptimize(font->CalculateTextBound(text.data()));
    state.SetItemsProcessed(state.iterations() * (text.size() - 1));
}
BENCHMARK(BM_GxTextBound);

void BM_CairoTextExtents(benchmark::State& state) {
    CairoContext context;
    cairo_text_extents_t extents;
    for (auto _ : state) {
        cairo_text_extents(context.cr, kLine, &extents);
        benchmark::DoNotOptimize(extents.x_advance);
    }
    state.SetItemsProcessed(state.iterations() * (sizeof kLine - 1));
}
BENCHMARK(BM_CairoTextExtents);

}  // namespace

BENCHMARK_MAIN();
