// Whole pages drawn through the public interface (gx.h) on a 1024 x 1024 PARGB32 bitmap
// render target, each beside Cairo drawing the same page on an ARGB32 image surface of the
// same size. Every iteration is one paint: BeginPaint, clear to white, the scene, EndPaint.
//
// Both sides get the same geometry (built once, before timing: libgx geometries, Cairo
// paths), the same colours, stroke widths, joins, caps and dashes, anti-aliasing on, and
// the same flattening tolerance (a quarter pixel, libgx's own; Cairo is set to it).
//
// The scenes, each a section below:
//   1. Illustration: 2,000 curved paths, filled, then stroked with mixed joins and caps.
//   2. Rectangles: 10,000 axis-aligned rectangles, filled and stroked, under stroke
//      adjustment (Cairo: the same rectangles on whole pixels, strokes on pixel centres).
//   3. Dashes: curved and straight paths stroked with dash patterns, round and butt caps.
//   4. Scaled bitmaps: 200 draws of a 256 x 256 image under scaling CTMs, bilinear.
//   5. Groups: 50 nested isolated transparency groups, each composited into the one
//      around it in a blend mode at opacity 0.9 (Cairo: push_group / pop_group_to_source
//      and paint_with_alpha under the blend operator). A libgx-only variant mixes in
//      knockout and non-isolated groups, which Cairo cannot draw.
//
// Every libgx scene also runs on the GPU renderer (the `_Gpu` variants): the same calls
// through gx.h, on a render target that draws into a 1024 x 1024 render texture of the
// first Vulkan device (lavapipe where there is no GPU), read back after timing for the
// counters. Without a Vulkan device those variants are skipped. The libgx runs measure the
// CPU time of the whole process, so that a CPU implementation of Vulkan (lavapipe, whose
// work runs on threads of its own) is charged for what it does.
//
// After timing, each libgx run reports two counters on its last page: `checksum`, a hash of
// its pixels (a speed change that alters the output shows there), and `diff`, the mean
// absolute channel difference (0..255) against Cairo's page of the same scene.
#include <benchmark/benchmark.h>
#include <cairo.h>
#include <gx.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <random>
#include <vector>

#include "cairopeer.h"
#include "graphics/api/handlerecord.h"
#include "graphics/gpu/gpucontext.h"
#include "graphics/gpu/gpurendertarget.h"
#include "graphics/gpu/gpurendertexture.h"
#include "graphics/target/rendertarget.h"

namespace {

constexpr int kSize = 1024;
constexpr double kTolerance = 0.25;  // px; the flattening tolerance libgx uses for fills
constexpr uint32_t kWhite = 0xFFFFFFFFu;

// A failed call makes the whole run meaningless: stop at once, saying which.
void Check(GXResult result, const char* what) {
    if (result != GXResultSuccess) {
        std::fprintf(stderr, "%s failed with %d\n", what, int(result));
        std::abort();
    }
}
#define CHECK(call) Check((call), #call)

void Release(void* handle) {
    if (handle) GXObjectRelease(static_cast<GXOBase*>(handle));
}

// ---- Scene description, shared by both sides ---------------------------------------------

// One path: a start point, then segments; a segment with `curve` set is a cubic Bézier.
struct Segment {
    bool curve;
    GXPoint c1, c2, end;  // c1, c2 only for curves
};

struct Path {
    GXPoint start;
    std::vector<Segment> segments;
    bool closed;
};

// How one path is painted. A fill colour with alpha 0 means no fill.
struct PathStyle {
    uint32_t fill;    // straight 0xAARRGGBB
    uint32_t stroke;  // straight 0xAARRGGBB
    float width;      // stroke width in px
    int32_t join;     // GXLineJoin*
    int32_t cap;      // GXLineCap*
    int32_t dash;     // index into kDashPatterns; -1 solid
};

struct DashPattern {
    float lengths[4];
    int count;
    float offset;
};

const DashPattern kDashPatterns[] = {
    {{12, 6, 0, 0}, 2, 0},
    {{8, 4, 2, 4}, 4, 3},
    {{20, 5, 5, 5}, 4, 7},
};

struct Drawing {
    Path path;
    PathStyle paint;
};

uint32_t RandomColor(std::mt19937& random, uint32_t minAlpha) {
    const uint32_t alpha = minAlpha + uint32_t(random() % (256 - minAlpha));
    return alpha << 24 | (uint32_t(random()) & 0xFFFFFFu);
}

// A wavy closed or open path around (x, y): `count` segments, curves where `curves` says.
Path RandomPath(std::mt19937& random, float x, float y, float radius, int count, bool closed,
                float curveShare) {
    std::uniform_real_distribution<float> unit(0, 1), jitter(-radius, radius);
    Path path;
    path.closed = closed;
    const float turn = 6.2831853f / float(count);
    auto around = [&](float angle, float scale) {
        return GXPoint{x + std::cos(angle) * radius * scale, y + std::sin(angle) * radius * scale};
    };
    path.start = around(0, 0.6f + 0.4f * unit(random));
    for (int i = 1; i <= count; ++i) {
        Segment s{};
        s.curve = unit(random) < curveShare;
        s.end = i == count && closed ? path.start : around(turn * float(i), 0.5f + unit(random));
        if (s.curve) {
            s.c1 = {x + jitter(random), y + jitter(random)};
            s.c2 = {x + jitter(random), y + jitter(random)};
        }
        path.segments.push_back(s);
    }
    return path;
}

// Scene 1: shapes of 3..8 segments, mostly curves, 10..70 px across, filled with a
// translucent colour and outlined in another.
std::vector<Drawing> IllustrationScene() {
    std::mt19937 random(2024);
    std::uniform_real_distribution<float> at(40, kSize - 40), radius(5, 35), width(0.75f, 6);
    std::vector<Drawing> drawings;
    for (int i = 0; i < 2000; ++i) {
        const float x = at(random), y = at(random);
        Drawing d;
        d.path = RandomPath(random, x, y, radius(random), 3 + int(random() % 6), true, 0.8f);
        d.paint = PathStyle{RandomColor(random, 0x60), RandomColor(random, 0xC0), width(random),
                            int32_t(random() % 3),     int32_t(random() % 3),     -1};
        drawings.push_back(std::move(d));
    }
    return drawings;
}

// Scene 3: 1,200 open paths, half curved and half polylines, 40..240 px long, stroked
// with one of three dash patterns, butt or round caps.
std::vector<Drawing> DashScene() {
    std::mt19937 random(77);
    std::uniform_real_distribution<float> at(60, kSize - 60), radius(20, 120), width(1, 5);
    std::vector<Drawing> drawings;
    for (int i = 0; i < 1200; ++i) {
        const float x = at(random), y = at(random);
        Drawing d;
        const bool curved = i % 2 == 0;
        d.path = RandomPath(random, x, y, radius(random), 2 + int(random() % 4), false,
                            curved ? 1.0f : 0.0f);
        d.paint = PathStyle{0,
                            RandomColor(random, 0xA0),
                            width(random),
                            GXLineJoinRound,
                            i % 3 == 0 ? GXLineCapButt : GXLineCapRound,
                            int32_t(random() % 3)};
        drawings.push_back(std::move(d));
    }
    return drawings;
}

// Scene 2: whole-pixel rectangles, 4..80 px a side; every other one also outlined, 1 or 3
// px wide, around the centres of its edge pixels.
struct RectDrawing {
    GXRect rect;  // whole pixels
    uint32_t fill;
    uint32_t stroke;  // alpha 0: not stroked
    float width;
};

std::vector<RectDrawing> RectangleScene() {
    std::mt19937 random(5);
    std::uniform_int_distribution<int> at(0, kSize - 90), extent(4, 80);
    std::vector<RectDrawing> rects;
    for (int i = 0; i < 10000; ++i) {
        const float x = float(at(random)), y = float(at(random));
        RectDrawing r{};
        r.rect = {x, y, x + float(extent(random)), y + float(extent(random))};
        r.fill = RandomColor(random, 0x40);
        r.stroke = i % 2 == 0 ? RandomColor(random, 0x80) : 0;
        r.width = random() % 2 == 0 ? 1.0f : 3.0f;
        rects.push_back(r);
    }
    return rects;
}

// Scene 4: the image placed at whole-pixel offsets at scales 0.25..1.75 (x and y apart).
struct BitmapDrawing {
    float x, y, sx, sy;
};

constexpr int kImageSize = 256;

std::vector<BitmapDrawing> BitmapScene() {
    std::mt19937 random(9);
    std::uniform_real_distribution<float> scale(0.25f, 1.75f);
    std::uniform_int_distribution<int> at(-64, kSize - 128);
    std::vector<BitmapDrawing> draws;
    for (int i = 0; i < 200; ++i)
        draws.push_back(
            BitmapDrawing{float(at(random)), float(at(random)), scale(random), scale(random)});
    return draws;
}

// The image's premultiplied pixels: colour ramps under a translucent checker of 16 px.
std::vector<uint32_t> ImagePixels() {
    std::vector<uint32_t> pixels(kImageSize * kImageSize);
    for (int y = 0; y < kImageSize; ++y)
        for (int x = 0; x < kImageSize; ++x) {
            const uint32_t alpha = ((x / 16 + y / 16) % 2) ? 255u : 160u;
            const uint32_t r = uint32_t(x) * alpha / 255, g = uint32_t(y) * alpha / 255;
            const uint32_t b = uint32_t((x ^ y) & 0xFF) * alpha / 255;
            pixels[size_t(y) * kImageSize + size_t(x)] = alpha << 24 | r << 16 | g << 8 | b;
        }
    return pixels;
}

// ---- libgx side ---------------------------------------------------------------------------

// The target, its bitmap and a cache of solid brushes for one run.
class GxPage {
public:
    // On the software renderer (a bitmap render target), or on the GPU renderer drawing
    // into a render texture of `device`.
    explicit GxPage(const std::shared_ptr<Graphics::GpuDevice>& device = nullptr) {
        if (device) {
            texture_ = std::make_shared<Graphics::GpuRenderTexture>(device, GXIntSize{kSize, kSize},
                                                                   GXPixelFormatPARGB32, 96, 96);
            target_ = Graphics::MakeHandle<GXRenderTargetRec_>(std::make_shared<Graphics::RenderTarget>(
                std::make_shared<Graphics::GpuRenderTarget>(device, texture_)));
            return;
        }
        const GXBitmapDesc desc{kSize, kSize, GXPixelFormatPARGB32, 96, 96};
        CHECK(GXCreateBitmap(&desc, &bitmap_));
        CHECK(GXCreateRenderTargetBitmap(bitmap_, &target_));
    }
    ~GxPage() {
        for (GXBrushRec_* brush : brushes_) Release(brush);
        for (GXGeometryRec_* geometry : geometries_) Release(geometry);
        for (GXBitmapRec_* image : images_) Release(image);
        Release(target_);
        Release(bitmap_);
    }
    GxPage(const GxPage&) = delete;
    GxPage& operator=(const GxPage&) = delete;

    GXRenderTargetRec_* Target() const { return target_; }

    // A brush kept for the page's life, made before timing as an application would.
    GXBrushRec_* Brush(uint32_t argb) {
        GXBrushRec_* brush = nullptr;
        CHECK(GXCreateBrushSolidARGB(argb, &brush));
        brushes_.push_back(brush);
        return brush;
    }

    // A square PARGB32 bitmap holding a copy of `pixels`, kept for the page's life.
    GXBitmapRec_* Bitmap(const uint32_t* pixels, int size) {
        GXBitmapRec_* bitmap = nullptr;
        const GXBitmapDesc desc{size, size, GXPixelFormatPARGB32, 96, 96};
        CHECK(GXCreateBitmap(&desc, &bitmap));
        const GXBitmapData memory{const_cast<uint32_t*>(pixels), size * 4, size * 4};
        CHECK(GXBitmapCopyFromMemory(bitmap, nullptr, &memory));
        images_.push_back(bitmap);
        return bitmap;
    }

    GXGeometryRec_* Geometry(const Path& path) {
        GXGeometryRec_* geometry = nullptr;
        CHECK(GXCreateGeometry(&geometry));
        CHECK(GXGeometryBeginFigure(geometry, &path.start));
        for (const Segment& s : path.segments) {
            if (s.curve)
                CHECK(GXGeometryCubicCurveTo(geometry, &s.c1, &s.c2, &s.end));
            else
                CHECK(GXGeometryLineTo(geometry, &s.end));
        }
        CHECK(path.closed ? GXGeometryEndFigureClose(geometry) : GXGeometryEndFigure(geometry));
        geometries_.push_back(geometry);
        return geometry;
    }

    // One paint: white, then `draw`.
    void Paint(const std::function<void()>& draw) {
        CHECK(GXRenderTargetBeginPaint(target_));
        CHECK(GXRenderTargetClear(target_, kWhite));
        draw();
        CHECK(GXRenderTargetEndPaint(target_));
    }

    std::vector<uint32_t> Pixels() const {
        std::vector<uint32_t> pixels(size_t(kSize) * kSize);
        if (texture_) {
            texture_->CopyPixels(nullptr, reinterpret_cast<uint8_t*>(pixels.data()), kSize * 4, kSize * 4);
            return pixels;
        }
        const GXBitmapData memory{pixels.data(), kSize * 4, kSize * 4};
        CHECK(GXBitmapCopyToMemory(bitmap_, nullptr, &memory));
        return pixels;
    }

private:
    std::shared_ptr<Graphics::GpuRenderTexture> texture_;  // the GPU page, or null
    GXBitmapRec_* bitmap_ = nullptr;
    GXRenderTargetRec_* target_ = nullptr;
    std::vector<GXBrushRec_*> brushes_;
    std::vector<GXGeometryRec_*> geometries_;
    std::vector<GXBitmapRec_*> images_;
};

GXStrokeStyle StrokeStyleOf(const PathStyle& paint) {
    GXStrokeStyle style;
    std::memset(&style, 0, sizeof style);
    style.lineJoin = paint.join;
    style.lineCap = paint.cap;
    style.miterLimit = 10;
    if (paint.dash >= 0) {
        const DashPattern& pattern = kDashPatterns[paint.dash];
        for (int i = 0; i < pattern.count; ++i) style.dashes[i] = pattern.lengths[i];
        style.dashCount = uint64_t(pattern.count);
        style.dashOffset = pattern.offset;
    }
    return style;
}

// ---- Cairo side ---------------------------------------------------------------------------

class CairoPage {
public:
    CairoPage()
        : surface_(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kSize, kSize)),
          cr_(cairo_create(surface_)) {
        cairo_set_tolerance(cr_, kTolerance);
    }
    ~CairoPage() {
        for (cairo_path_t* path : paths_) cairo_path_destroy(path);
        cairo_destroy(cr_);
        cairo_surface_destroy(surface_);
    }
    CairoPage(const CairoPage&) = delete;
    CairoPage& operator=(const CairoPage&) = delete;

    cairo_t* Context() const { return cr_; }

    // The path kept in Cairo's own form, to be appended on each draw.
    const cairo_path_t* Path(const ::Path& path) {
        cairo_new_path(cr_);
        cairo_move_to(cr_, path.start.x, path.start.y);
        for (const Segment& s : path.segments) {
            if (s.curve)
                cairo_curve_to(cr_, s.c1.x, s.c1.y, s.c2.x, s.c2.y, s.end.x, s.end.y);
            else
                cairo_line_to(cr_, s.end.x, s.end.y);
        }
        if (path.closed) cairo_close_path(cr_);
        paths_.push_back(cairo_copy_path(cr_));
        cairo_new_path(cr_);
        return paths_.back();
    }

    void Paint(const std::function<void()>& draw) {
        cairo_set_operator(cr_, CAIRO_OPERATOR_SOURCE);
        cairo_set_source_rgba(cr_, 1, 1, 1, 1);
        cairo_paint(cr_);
        cairo_set_operator(cr_, CAIRO_OPERATOR_OVER);
        draw();
        cairo_surface_flush(surface_);
    }

    void SetColor(uint32_t argb) { SetCairoColor(cr_, argb); }

    void SetStroke(const PathStyle& paint) {
        static const cairo_line_join_t joins[] = {CAIRO_LINE_JOIN_MITER, CAIRO_LINE_JOIN_ROUND,
                                                  CAIRO_LINE_JOIN_BEVEL};
        static const cairo_line_cap_t caps[] = {CAIRO_LINE_CAP_BUTT, CAIRO_LINE_CAP_ROUND,
                                                CAIRO_LINE_CAP_SQUARE};
        cairo_set_line_width(cr_, paint.width);
        cairo_set_line_join(cr_, joins[paint.join]);
        cairo_set_line_cap(cr_, caps[paint.cap]);
        cairo_set_miter_limit(cr_, 10);
        if (paint.dash >= 0) {
            const DashPattern& pattern = kDashPatterns[paint.dash];
            double lengths[4];
            for (int i = 0; i < pattern.count; ++i) lengths[i] = pattern.lengths[i];
            cairo_set_dash(cr_, lengths, pattern.count, pattern.offset);
        } else {
            cairo_set_dash(cr_, nullptr, 0, 0);
        }
    }

    std::vector<uint32_t> Pixels() { return CairoPixels(surface_, kSize); }

private:
    cairo_surface_t* surface_;
    cairo_t* cr_;
    std::vector<cairo_path_t*> paths_;
};

// ---- Comparison counters ------------------------------------------------------------------

// FNV-1a over the pixels, as an integer a double holds exactly.
double Checksum(const std::vector<uint32_t>& pixels) {
    uint32_t hash = 2166136261u;
    for (uint32_t pixel : pixels) {
        for (int shift = 0; shift < 32; shift += 8) {
            hash ^= (pixel >> shift) & 0xFFu;
            hash *= 16777619u;
        }
    }
    return double(hash);
}

double MeanChannelDifference(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b) {
    uint64_t total = 0;
    for (size_t i = 0; i < a.size(); ++i)
        for (int shift = 0; shift < 32; shift += 8)
            total +=
                uint64_t(std::abs(int((a[i] >> shift) & 0xFFu) - int((b[i] >> shift) & 0xFFu)));
    return double(total) / double(a.size() * 4);
}

// A scene as both sides draw it: `prepareGx` / `prepareCairo` build what the page needs
// before timing and return the per-iteration drawing.
using GxScene = std::function<std::function<void()>(GxPage&)>;
using CairoScene = std::function<std::function<void()>(CairoPage&)>;

// The process's GPU device, made on first use; null without Vulkan.
std::shared_ptr<Graphics::GpuDevice> GpuDevice() {
    static const std::shared_ptr<Graphics::GpuContext> context = Graphics::GpuContext::Create();
    return context ? context->Device() : nullptr;
}

void RunGx(benchmark::State& state, const GxScene& scene, const CairoScene& baseline,
           int64_t items, bool gpu = false) {
    const std::shared_ptr<Graphics::GpuDevice> device = gpu ? GpuDevice() : nullptr;
    if (gpu && !device) {
        state.SkipWithError("no Vulkan 1.3 device");
        return;
    }
    GxPage page(device);
    const std::function<void()> draw = scene(page);
    for (auto _ : state) {
        page.Paint(draw);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * items);
    const std::vector<uint32_t> pixels = page.Pixels();
    state.counters["checksum"] = Checksum(pixels);
    if (!baseline) return;  // a page Cairo cannot draw
    CairoPage reference;
    reference.Paint(baseline(reference));
    state.counters["diff"] = MeanChannelDifference(pixels, reference.Pixels());
}

void RunCairo(benchmark::State& state, const CairoScene& scene, int64_t items) {
    CairoPage page;
    const std::function<void()> draw = scene(page);
    for (auto _ : state) {
        page.Paint(draw);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * items);
}

// ---- Scene 1 and 3: filled and stroked paths ----------------------------------------------

std::function<void()> GxPaths(GxPage& page, const std::vector<Drawing>& drawings) {
    struct Prepared {
        GXGeometryRec_* geometry;
        GXBrushRec_* fill;  // null: not filled
        GXBrushRec_* stroke;
        float width;
        GXStrokeStyle style;
    };
    std::vector<Prepared> prepared;
    for (const Drawing& d : drawings) {
        prepared.push_back(Prepared{
            page.Geometry(d.path), (d.paint.fill >> 24) ? page.Brush(d.paint.fill) : nullptr,
            page.Brush(d.paint.stroke), d.paint.width, StrokeStyleOf(d.paint)});
    }
    GXRenderTargetRec_* target = page.Target();
    return [target, prepared] {
        CHECK(GXRenderTargetSetStrokeAdjustment(target, 0));
        for (const Prepared& p : prepared) {
            if (p.fill) CHECK(GXRenderTargetFillGeometry(target, p.geometry, p.fill));
            CHECK(GXRenderTargetStrokeGeometry(target, p.geometry, p.stroke, p.width, &p.style));
        }
    };
}

std::function<void()> CairoPaths(CairoPage& page, const std::vector<Drawing>& drawings) {
    std::vector<const cairo_path_t*> paths;
    for (const Drawing& d : drawings) paths.push_back(page.Path(d.path));
    return [&page, &drawings, paths] {
        cairo_t* cr = page.Context();
        for (size_t i = 0; i < drawings.size(); ++i) {
            const PathStyle& paint = drawings[i].paint;
            cairo_append_path(cr, paths[i]);
            if (paint.fill >> 24) {
                page.SetColor(paint.fill);
                cairo_fill_preserve(cr);
            }
            page.SetColor(paint.stroke);
            page.SetStroke(paint);
            cairo_stroke(cr);
        }
    };
}

const std::vector<Drawing>& Illustration() {
    static const std::vector<Drawing> scene = IllustrationScene();
    return scene;
}

const std::vector<Drawing>& Dashes() {
    static const std::vector<Drawing> scene = DashScene();
    return scene;
}

void BM_Illustration_Gx(benchmark::State& state, bool gpu) {
    RunGx(
        state, [](GxPage& page) { return GxPaths(page, Illustration()); },
        [](CairoPage& page) { return CairoPaths(page, Illustration()); },
        int64_t(Illustration().size()), gpu);
}
void BM_Illustration_Cairo(benchmark::State& state) {
    RunCairo(
        state, [](CairoPage& page) { return CairoPaths(page, Illustration()); },
        int64_t(Illustration().size()));
}

void BM_Dashes_Gx(benchmark::State& state, bool gpu) {
    RunGx(
        state, [](GxPage& page) { return GxPaths(page, Dashes()); },
        [](CairoPage& page) { return CairoPaths(page, Dashes()); }, int64_t(Dashes().size()), gpu);
}
void BM_Dashes_Cairo(benchmark::State& state) {
    RunCairo(
        state, [](CairoPage& page) { return CairoPaths(page, Dashes()); },
        int64_t(Dashes().size()));
}

// ---- Scene 2: rectangles under stroke adjustment ------------------------------------------

const std::vector<RectDrawing>& Rectangles() {
    static const std::vector<RectDrawing> scene = RectangleScene();
    return scene;
}

std::function<void()> GxRectangles(GxPage& page) {
    struct Prepared {
        GXRect rect;
        GXBrushRec_* fill;
        GXBrushRec_* stroke;  // null: not stroked
        float width;
    };
    std::vector<Prepared> prepared;
    for (const RectDrawing& r : Rectangles())
        prepared.push_back(Prepared{r.rect, page.Brush(r.fill),
                                    (r.stroke >> 24) ? page.Brush(r.stroke) : nullptr, r.width});
    GXRenderTargetRec_* target = page.Target();
    return [target, prepared] {
        CHECK(GXRenderTargetSetStrokeAdjustment(target, 1));
        for (const Prepared& p : prepared) {
            CHECK(GXRenderTargetFillRect(target, &p.rect, p.fill));
            // Stroke adjustment moves the outline onto the centres of the edge pixels.
            if (p.stroke)
                CHECK(GXRenderTargetStrokeRect(target, &p.rect, p.stroke, p.width, nullptr));
        }
    };
}

std::function<void()> CairoRectangles(CairoPage& page) {
    return [&page] {
        cairo_t* cr = page.Context();
        cairo_set_antialias(cr, CAIRO_ANTIALIAS_DEFAULT);
        cairo_set_line_join(cr, CAIRO_LINE_JOIN_MITER);
        cairo_set_dash(cr, nullptr, 0, 0);
        for (const RectDrawing& r : Rectangles()) {
            const double w = r.rect.right - r.rect.left, h = r.rect.bottom - r.rect.top;
            page.SetColor(r.fill);
            cairo_rectangle(cr, r.rect.left, r.rect.top, w, h);
            cairo_fill(cr);
            if (r.stroke >> 24) {
                page.SetColor(r.stroke);
                cairo_set_line_width(cr, r.width);
                cairo_rectangle(cr, r.rect.left + 0.5, r.rect.top + 0.5, w, h);
                cairo_stroke(cr);
            }
        }
    };
}

void BM_Rectangles_Gx(benchmark::State& state, bool gpu) {
    RunGx(state, GxRectangles, CairoRectangles, int64_t(Rectangles().size()), gpu);
}
void BM_Rectangles_Cairo(benchmark::State& state) {
    RunCairo(state, CairoRectangles, int64_t(Rectangles().size()));
}

// ---- Scene 4: scaled bitmaps --------------------------------------------------------------

const std::vector<BitmapDrawing>& Bitmaps() {
    static const std::vector<BitmapDrawing> scene = BitmapScene();
    return scene;
}

const std::vector<uint32_t>& Image() {
    static const std::vector<uint32_t> pixels = ImagePixels();
    return pixels;
}

// Cairo's view of the image, kept for the program's life.
cairo_surface_t* CairoImage() {
    static cairo_surface_t* const image = cairo_image_surface_create_for_data(
        reinterpret_cast<unsigned char*>(const_cast<uint32_t*>(Image().data())),
        CAIRO_FORMAT_ARGB32, kImageSize, kImageSize, kImageSize * 4);
    return image;
}

std::function<void()> GxBitmaps(GxPage& page) {
    GXBitmapRec_* image = page.Bitmap(Image().data(), kImageSize);
    GXRenderTargetRec_* target = page.Target();
    return [target, image] {
        // Off, so that the bitmaps land where the CTM puts them, as Cairo's do.
        CHECK(GXRenderTargetSetStrokeAdjustment(target, 0));
        for (const BitmapDrawing& b : Bitmaps()) {
            const GXMatrix placement{b.sx, 0, 0, b.sy, b.x, b.y};
            CHECK(GXRenderTargetSetCTM(target, &placement));
            CHECK(GXRenderTargetDrawBitmap(target, image, 1, GXBitmapSamplingBilinear));
        }
        CHECK(GXRenderTargetSetCTM(target, nullptr));
    };
}

std::function<void()> CairoBitmaps(CairoPage& page) {
    cairo_t* cr = page.Context();
    cairo_surface_t* image = CairoImage();
    return [cr, image] {
        for (const BitmapDrawing& b : Bitmaps()) {
            cairo_save(cr);
            cairo_translate(cr, b.x, b.y);
            cairo_scale(cr, b.sx, b.sy);
            cairo_set_source_surface(cr, image, 0, 0);
            cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_BILINEAR);
            cairo_rectangle(cr, 0, 0, kImageSize, kImageSize);
            cairo_fill(cr);
            cairo_restore(cr);
        }
    };
}

void BM_ScaledBitmaps_Gx(benchmark::State& state, bool gpu) {
    RunGx(state, GxBitmaps, CairoBitmaps, int64_t(Bitmaps().size()), gpu);
}
void BM_ScaledBitmaps_Cairo(benchmark::State& state) {
    RunCairo(state, CairoBitmaps, int64_t(Bitmaps().size()));
}

// ---- Scene 5: nested transparency groups -------------------------------------------------

// One level: the group's bounds (each 8 px inside the last), a translucent disc and bar
// drawn in it, and the blend mode it is composited with.
struct GroupLevel {
    GXRect bounds;
    GXPoint centre;
    float radius;
    GXRect bar;
    uint32_t discColor, barColor;  // straight 0xAARRGGBB
    int32_t blend;                 // GXBlendMode*
    bool isolated, knockout;
};

std::vector<GroupLevel> GroupScene(bool mixedKinds) {
    std::mt19937 random(31);
    std::vector<GroupLevel> levels;
    for (int i = 0; i < 50; ++i) {
        const float inset = 8.0f * float(i);
        GroupLevel level{};
        level.bounds = {inset, inset, kSize - inset, kSize - inset};
        level.centre = {kSize / 2.0f + float(int(random() % 200) - 100),
                        kSize / 2.0f + float(int(random() % 200) - 100)};
        level.radius = 60 + float(random() % 200);
        const float y = inset + float(random() % 200);
        level.bar = {inset + 10, y, kSize - inset - 10, y + 40};
        level.discColor = RandomColor(random, 0x60);
        level.barColor = RandomColor(random, 0x60);
        level.blend = i % 16;
        level.isolated = mixedKinds ? i % 2 == 0 : true;
        level.knockout = mixedKinds && i % 3 == 0;
        levels.push_back(level);
    }
    return levels;
}

const std::vector<GroupLevel>& Groups(bool mixedKinds) {
    static const std::vector<GroupLevel> isolated = GroupScene(false);
    static const std::vector<GroupLevel> mixed = GroupScene(true);
    return mixedKinds ? mixed : isolated;
}

std::function<void()> GxGroups(GxPage& page, bool mixedKinds) {
    struct Prepared {
        GXLayerParams params;
        GXRect disc;
        GXRect bar;
        GXBrushRec_* discBrush;
        GXBrushRec_* barBrush;
        int32_t blend;
    };
    std::vector<Prepared> prepared;
    for (const GroupLevel& l : Groups(mixedKinds)) {
        const GXRect disc{l.centre.x - l.radius, l.centre.y - l.radius, l.centre.x + l.radius,
                          l.centre.y + l.radius};
        prepared.push_back(
            Prepared{GXLayerParams{l.bounds, 0.9f, uint8_t(l.isolated), uint8_t(l.knockout)}, disc,
                     l.bar, page.Brush(l.discColor), page.Brush(l.barColor), l.blend});
    }
    GXRenderTargetRec_* target = page.Target();
    return [target, prepared] {
        CHECK(GXRenderTargetSetStrokeAdjustment(target, 0));
        // The blend mode set before a group opens is the one it is composited with.
        for (const Prepared& p : prepared) {
            CHECK(GXRenderTargetSetBlendMode(target, p.blend));
            CHECK(GXRenderTargetBeginLayer(target, &p.params));
            CHECK(GXRenderTargetFillEllipse(target, &p.disc, p.discBrush));
            CHECK(GXRenderTargetFillRect(target, &p.bar, p.barBrush));
        }
        for (size_t i = 0; i < prepared.size(); ++i) CHECK(GXRenderTargetEndLayer(target));
        CHECK(GXRenderTargetSetBlendMode(target, GXBlendModeNormal));
    };
}

std::function<void()> CairoGroups(CairoPage& page) {
    static const cairo_operator_t operators[16] = {
        CAIRO_OPERATOR_OVER,          CAIRO_OPERATOR_MULTIPLY,       CAIRO_OPERATOR_SCREEN,
        CAIRO_OPERATOR_OVERLAY,       CAIRO_OPERATOR_DARKEN,         CAIRO_OPERATOR_LIGHTEN,
        CAIRO_OPERATOR_COLOR_BURN,    CAIRO_OPERATOR_COLOR_DODGE,    CAIRO_OPERATOR_HARD_LIGHT,
        CAIRO_OPERATOR_SOFT_LIGHT,    CAIRO_OPERATOR_DIFFERENCE,     CAIRO_OPERATOR_EXCLUSION,
        CAIRO_OPERATOR_HSL_HUE,       CAIRO_OPERATOR_HSL_SATURATION, CAIRO_OPERATOR_HSL_COLOR,
        CAIRO_OPERATOR_HSL_LUMINOSITY};
    return [&page] {
        cairo_t* cr = page.Context();
        const std::vector<GroupLevel>& levels = Groups(false);
        for (const GroupLevel& l : levels) {
            cairo_save(cr);
            cairo_rectangle(cr, l.bounds.left, l.bounds.top, l.bounds.right - l.bounds.left,
                            l.bounds.bottom - l.bounds.top);
            cairo_clip(cr);
            cairo_push_group(cr);
            cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
            cairo_new_sub_path(cr);
            cairo_arc(cr, l.centre.x, l.centre.y, l.radius, 0, 2 * M_PI);
            page.SetColor(l.discColor);
            cairo_fill(cr);
            cairo_rectangle(cr, l.bar.left, l.bar.top, l.bar.right - l.bar.left,
                            l.bar.bottom - l.bar.top);
            page.SetColor(l.barColor);
            cairo_fill(cr);
        }
        for (size_t i = levels.size(); i-- > 0;) {
            cairo_pop_group_to_source(cr);
            cairo_set_operator(cr, operators[levels[i].blend]);
            cairo_paint_with_alpha(cr, 0.9);
            cairo_restore(cr);
        }
        cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
    };
}

void BM_Groups_Gx(benchmark::State& state, bool gpu) {
    RunGx(
        state, [](GxPage& page) { return GxGroups(page, false); }, CairoGroups,
        int64_t(Groups(false).size()), gpu);
}
void BM_Groups_Cairo(benchmark::State& state) {
    RunCairo(state, CairoGroups, int64_t(Groups(false).size()));
}
void BM_GroupsMixedKinds_Gx(benchmark::State& state, bool gpu) {
    RunGx(
        state, [](GxPage& page) { return GxGroups(page, true); }, nullptr,
        int64_t(Groups(true).size()), gpu);
}

}  // namespace

BENCHMARK_CAPTURE(BM_Illustration_Gx, Software, false)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Illustration_Gx, Gpu, true)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Illustration_Cairo)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Rectangles_Gx, Software, false)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Rectangles_Gx, Gpu, true)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Rectangles_Cairo)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Dashes_Gx, Software, false)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Dashes_Gx, Gpu, true)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Dashes_Cairo)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ScaledBitmaps_Gx, Software, false)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ScaledBitmaps_Gx, Gpu, true)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScaledBitmaps_Cairo)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Groups_Gx, Software, false)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Groups_Gx, Gpu, true)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Groups_Cairo)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_GroupsMixedKinds_Gx, Software, false)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_GroupsMixedKinds_Gx, Gpu, true)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
