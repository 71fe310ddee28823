// Text as geometry: the glyph outlines of a line of text delivered to a sink, and the width
// of the line. Baselines in the same run: FreeType loading and decomposing the same
// outlines uncached (the floor under our glyph source), and Cairo's text path and text
// extents (which keep glyph paths and metrics in its scaled-font cache).
//
// And a page of text drawn: 3,000 glyphs of 10-point text in 30 lines on a 1024 x 1024
// target, cleared to white and painted black, beside Cairo's cairo_show_glyphs of the same
// glyphs of the same font file at the same em size and positions (anti-aliased, unhinted,
// after its glyph cache has the glyphs). Both clear the whole target every time (4 MiB
// written); Cairo is handed glyph indices and positions, libgx maps the text itself.
// BM_GxTextPageOutlineFill draws the page as text was drawn before glyph caching: each
// glyph's outline fetched and filled as a path.
#include <benchmark/benchmark.h>
#include <cairo/cairo-ft.h>
#include <cairo/cairo.h>
#include <gx.h>

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "graphics/api/handlerecord.h"
#include "graphics/geometry/geometry.h"
#include "graphics/paint/font.h"
#include "graphics/target/rendertarget.h"
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

// ---- A page of text -----------------------------------------------------------------------

constexpr int kPageSize = 1024;
constexpr int kPageLines = 30;
constexpr int kLineGlyphs = 100;
constexpr float kPagePoints = 10;      // 13 px em at 96 dpi
constexpr float kLineSpacing = 14.3f;  // px; not whole, so baselines fall at every phase

void Check(GXResult result, const char* what) {
    if (result != GXResultSuccess) {
        std::fprintf(stderr, "%s failed with %d\n", what, int(result));
        std::abort();
    }
}
#define CHECK(call) Check((call), #call)

// The page's lines (kLineGlyphs code units each, spaces included) and where each starts.
struct Page {
    Page() {
        const std::string words =
            "Pack my box with five dozen liquor jugs; the quick brown fox jumps over the lazy "
            "dog. 0123456789 Sphinx of black quartz, judge my vow! ";
        size_t at = 0;
        for (int line = 0; line < kPageLines; ++line) {
            std::vector<uint16_t> units;
            for (int i = 0; i < kLineGlyphs; ++i)
                units.push_back(uint16_t(words[at++ % words.size()]));
            units.push_back(0);
            lines.push_back(std::move(units));
            origins.push_back(
                GXPoint{10.25f + float(line % 4) * 0.3f, 20 + kLineSpacing * float(line)});
        }
    }
    std::vector<std::vector<uint16_t>> lines;  // null-terminated UTF-16
    std::vector<GXPoint> origins;
};

struct GxPage {
    GxPage() {
        const GXBitmapDesc desc{kPageSize, kPageSize, GXPixelFormatPARGB32, 96, 96};
        CHECK(GXCreateBitmap(&desc, &bitmap));
        CHECK(GXCreateRenderTargetBitmap(bitmap, &target));
        CHECK(GXCreateFontFace(kFamily, 0, kPagePoints, &face));
        CHECK(GXCreateBrushSolidARGB(0xFF000000u, &black));
    }
    ~GxPage() {
        for (GXOBase* handle :
             {GX_HANDLE(black), GX_HANDLE(face), GX_HANDLE(target), GX_HANDLE(bitmap)})
            GXObjectRelease(handle);
    }
    template <class DrawLine>
    void Paint(DrawLine&& drawLine) {
        CHECK(GXRenderTargetBeginPaint(target));
        CHECK(GXRenderTargetClear(target, 0xFFFFFFFFu));
        for (size_t line = 0; line < page.lines.size(); ++line) {
            const GXPoint origin = page.origins[line];
            const GXMatrix at{1, 0, 0, 1, origin.x, origin.y};
            CHECK(GXRenderTargetSetCTM(target, &at));
            drawLine(page.lines[line]);
        }
        CHECK(GXRenderTargetEndPaint(target));
    }
    Page page;
    GXBitmapRec_* bitmap = nullptr;
    GXRenderTargetRec_* target = nullptr;
    GXFontFaceRec_* face = nullptr;
    GXBrushRec_* black = nullptr;
};

void BM_GxTextPage(benchmark::State& state) {
    GxPage gx;
    for (auto _ : state)
        gx.Paint([&](const std::vector<uint16_t>& line) {
            CHECK(GXRenderTargetFillText(gx.target, gx.face, line.data(), gx.black));
        });
    state.SetItemsProcessed(state.iterations() * kPageLines * kLineGlyphs);
}
BENCHMARK(BM_GxTextPage)->Unit(benchmark::kMillisecond);

void BM_GxTextPageOutlineFill(benchmark::State& state) {
    GxPage gx;
    Graphics::RenderTarget& target = *gx.target->impl;
    const Graphics::Font& font = *gx.face->impl;
    target.SetStrokeAdjustment(false);
    for (auto _ : state)
        gx.Paint([&](const std::vector<uint16_t>& line) {
            for (uint16_t glyph : font.GetGlyphIndices(line.data(), line.size() - 1)) {
                auto outline = std::make_shared<Graphics::Geometry>();
                const GXPoint advance = font.GetGlyphOutline(glyph, outline.get());
                target.FillGeometry(outline, gx.black->impl);
                target.TranslateCTM(advance.x, advance.y);
            }
        });
    state.SetItemsProcessed(state.iterations() * kPageLines * kLineGlyphs);
}
BENCHMARK(BM_GxTextPageOutlineFill)->Unit(benchmark::kMillisecond);

void BM_CairoShowGlyphsPage(benchmark::State& state) {
    // The file and em size libgx's face uses, its glyph indices and advances.
    auto font = Graphics::Font::Create(kFamily, 0, kPagePoints);
    const double em = -Graphics::Font::HeightForSize(kPagePoints);
    auto match = Host::FontMatcher::Match(u"DejaVu Sans", 400, false);
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    if (FT_Init_FreeType(&library) || FT_New_Face(library, match.path.c_str(), match.index, &face))
        std::abort();
    cairo_font_face_t* cairoFace = cairo_ft_font_face_create_for_ft_face(face, 0);
    Page page;
    std::vector<cairo_glyph_t> glyphs;
    for (size_t line = 0; line < page.lines.size(); ++line) {
        double x = page.origins[line].x;
        const std::vector<uint16_t>& units = page.lines[line];
        for (uint16_t glyph : font->GetGlyphIndices(units.data(), units.size() - 1)) {
            glyphs.push_back(cairo_glyph_t{glyph, x, page.origins[line].y});
            x += font->GetGlyphOutline(glyph, nullptr).x;
        }
    }
    cairo_surface_t* surface =
        cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kPageSize, kPageSize);
    cairo_t* cr = cairo_create(surface);
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
    cairo_set_font_options(cr, options);
    cairo_set_font_face(cr, cairoFace);
    cairo_set_font_size(cr, em);
    for (auto _ : state) {
        cairo_set_source_rgb(cr, 1, 1, 1);
        cairo_paint(cr);
        cairo_set_source_rgb(cr, 0, 0, 0);
        cairo_show_glyphs(cr, glyphs.data(), int(glyphs.size()));
        cairo_surface_flush(surface);
    }
    state.SetItemsProcessed(state.iterations() * kPageLines * kLineGlyphs);
    cairo_font_options_destroy(options);
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
    // The FreeType face stays: Cairo may hold its scaled font until the process ends.
    cairo_font_face_destroy(cairoFace);
}
BENCHMARK(BM_CairoShowGlyphsPage)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
