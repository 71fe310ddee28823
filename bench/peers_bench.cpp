// Scenes drawn by libgx (through gx.h), by Cairo, and by Skia (bench/peers_skia.js, through
// the @napi-rs/canvas package) from one set of scene data, so that all three draw the same
// geometry, colours and images. bench/peers.sh runs the peers interleaved and prints the table.
//
//   peers_bench write FILE                      writes the scene data (fixed seeds)
//   peers_bench draw gx|cairo SCENE FILE [DUMP] draws one scene on a 1024 x 1024 target and
//                                               prints "ms <median per paint>"; DUMP receives
//                                               the last paint as BGRA bytes
//   peers_bench diff A B                        mean absolute channel difference of two dumps
//
// Every paint is: clear to opaque white, the scene, and whatever makes the drawing complete
// (EndPaint; cairo_surface_flush). One untimed paint warms caches first (a paint of two
// seconds or more is the sample itself); then paints are timed one by one until at least
// three and half a second have passed (one suffices past two seconds), and the median is
// printed. Everything a scene needs (geometries, brushes,
// gradients, bitmaps, Cairo surfaces) is made before timing, as an application would.
//
// The scenes:
//   shapes            10,000 small anti-aliased triangles and circles, translucent colours
//   polygon-nonzero   one 10,000-vertex polygon of random vertices (heavily
//   polygon-evenodd   self-intersecting), filled non-zero or even-odd
//   gradients         a full-target linear gradient, then a translucent radial (two-point
//                     conical) gradient over it
//   bitmap            a 512 x 512 image scaled 1.7 times and rotated 30 degrees, bilinear
//   multiply, hue     the gradients, then the shapes in that blend mode
#include <cairo.h>
#include <gx.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <numbers>
#include <random>
#include <string>
#include <vector>

#include "cairopeer.h"

namespace {

constexpr int kSize = 1024;
constexpr int kImageSize = 512;
constexpr uint32_t kMagic = 0x53585047u;  // "GPXS": the layout below, version 1

[[noreturn]] void Fail(const std::string& what) {
    std::fprintf(stderr, "peers_bench: %s\n", what.c_str());
    std::exit(1);
}

void Check(GXResult result, const char* what) {
    if (result != GXResultSuccess)
        Fail(std::string(what) + " failed with " + std::to_string(result));
}
#define CHECK(call) Check((call), #call)

// ---- Scene data ---------------------------------------------------------------------------

// A triangle (three corners) or a circle (centre p[0], radius p[1].x).
struct Shape {
    uint32_t circle;
    GXPoint p[3];
    uint32_t argb;  // straight alpha
};

struct Stop {
    float offset;
    uint32_t argb;
};

struct Scenes {
    std::vector<Shape> shapes;
    std::vector<GXPoint> polygon;
    float linear[4];  // x0 y0 x1 y1
    std::vector<Stop> linearStops;
    float radial[6];  // x0 y0 r0 x1 y1 r1
    std::vector<Stop> radialStops;
    GXMatrix placement;           // image pixels to target pixels
    std::vector<uint32_t> image;  // kImageSize², opaque 0xAARRGGBB
};

// The file is little-endian 32-bit words in the order of the fields above, each vector
// preceded by its length; peers_skia.js reads the same layout.
Scenes Generate() {
    Scenes s;
    std::mt19937 random(17);
    std::uniform_real_distribution<float> at(0, kSize), unit(0, 1);
    auto color = [&] { return (0x80u + uint32_t(random() % 0x80)) << 24 | (random() & 0xFFFFFFu); };
    for (int i = 0; i < 10000; ++i) {
        Shape shape{};
        shape.circle = i % 2;
        const float x = at(random), y = at(random);
        if (shape.circle) {
            shape.p[0] = {x, y};
            shape.p[1] = {2 + 8 * unit(random), 0};
        } else {
            const float size = 3 + 9 * unit(random);
            for (GXPoint& p : shape.p) {
                const float angle = 6.2831853f * unit(random);
                p = {x + size * std::cos(angle), y + size * std::sin(angle)};
            }
        }
        shape.argb = color();
        s.shapes.push_back(shape);
    }
    std::uniform_real_distribution<float> inside(16, kSize - 16);
    for (int i = 0; i < 10000; ++i) s.polygon.push_back({inside(random), inside(random)});
    const float linear[] = {0, 0, kSize, kSize};
    std::copy(linear, linear + 4, s.linear);
    // Two stops each: the Skia build in @napi-rs/canvas takes a path tens of times slower
    // for three or more, which would flatter libgx.
    s.linearStops = {{0, 0xFFE03020u}, {1, 0xFF3040E0u}};
    const float radial[] = {400, 380, 30, 512, 512, 480};
    std::copy(radial, radial + 6, s.radial);
    s.radialStops = {{0, 0xC0FFFFFFu}, {1, 0x20FFE000u}};
    const float angle = 30 * std::numbers::pi_v<float> / 180, scale = 1.7f;
    const float a = scale * std::cos(angle), b = scale * std::sin(angle);
    const float half = kImageSize / 2.0f;
    s.placement = {a, b, -b, a, kSize / 2.0f - (a - b) * half, kSize / 2.0f - (b + a) * half};
    s.image.resize(size_t(kImageSize) * kImageSize);
    for (int y = 0; y < kImageSize; ++y)
        for (int x = 0; x < kImageSize; ++x) {
            const uint32_t check = ((x / 32 + y / 32) % 2) ? 0x40u : 0u;
            s.image[size_t(y) * kImageSize + size_t(x)] = 0xFF000000u | uint32_t(x / 2) << 16 |
                                                          uint32_t(y / 2) << 8 |
                                                          ((uint32_t(x ^ y) & 0xBFu) | check);
        }
    return s;
}

class Writer {
public:
    explicit Writer(const char* path) : file_(std::fopen(path, "wb")) {
        if (!file_) Fail(std::string("cannot write ") + path);
    }
    ~Writer() { std::fclose(file_); }
    void Word(uint32_t word) { std::fwrite(&word, 4, 1, file_); }
    void Float(float value) { std::fwrite(&value, 4, 1, file_); }
    void Stops(const std::vector<Stop>& stops) {
        Word(uint32_t(stops.size()));
        for (const Stop& stop : stops) Float(stop.offset), Word(stop.argb);
    }

private:
    std::FILE* file_;
};

void Write(const Scenes& s, const char* path) {
    Writer out(path);
    out.Word(kMagic);
    out.Word(uint32_t(s.shapes.size()));
    for (const Shape& shape : s.shapes) {
        out.Word(shape.circle);
        for (const GXPoint& p : shape.p) out.Float(p.x), out.Float(p.y);
        out.Word(shape.argb);
    }
    out.Word(uint32_t(s.polygon.size()));
    for (const GXPoint& p : s.polygon) out.Float(p.x), out.Float(p.y);
    for (float v : s.linear) out.Float(v);
    out.Stops(s.linearStops);
    for (float v : s.radial) out.Float(v);
    out.Stops(s.radialStops);
    for (float v :
         {s.placement.a, s.placement.b, s.placement.c, s.placement.d, s.placement.e, s.placement.f})
        out.Float(v);
    out.Word(uint32_t(s.image.size()));
    for (uint32_t pixel : s.image) out.Word(pixel);
}

class Reader {
public:
    explicit Reader(const char* path) {
        std::FILE* file = std::fopen(path, "rb");
        if (!file) Fail(std::string("cannot read ") + path);
        uint32_t word;
        while (std::fread(&word, 4, 1, file) == 1) words_.push_back(word);
        std::fclose(file);
    }
    uint32_t Word() {
        if (next_ >= words_.size()) Fail("scene file ends early");
        return words_[next_++];
    }
    float Float() {
        const uint32_t word = Word();
        float value;
        std::memcpy(&value, &word, 4);
        return value;
    }
    // A length that the rest of the file can hold.
    size_t Count(size_t wordsEach) {
        const size_t count = Word();
        if (count * wordsEach > words_.size() - next_) Fail("scene file ends early");
        return count;
    }
    std::vector<Stop> Stops() {
        std::vector<Stop> stops(Count(2));
        for (Stop& stop : stops) stop.offset = Float(), stop.argb = Word();
        return stops;
    }

private:
    std::vector<uint32_t> words_;
    size_t next_ = 0;
};

Scenes Read(const char* path) {
    Reader in(path);
    if (in.Word() != kMagic) Fail("not a scene file of this version");
    Scenes s;
    s.shapes.resize(in.Count(8));
    for (Shape& shape : s.shapes) {
        shape.circle = in.Word();
        for (GXPoint& p : shape.p) p.x = in.Float(), p.y = in.Float();
        shape.argb = in.Word();
    }
    s.polygon.resize(in.Count(2));
    for (GXPoint& p : s.polygon) p.x = in.Float(), p.y = in.Float();
    for (float& v : s.linear) v = in.Float();
    s.linearStops = in.Stops();
    for (float& v : s.radial) v = in.Float();
    s.radialStops = in.Stops();
    for (float* v : {&s.placement.a, &s.placement.b, &s.placement.c, &s.placement.d, &s.placement.e,
                     &s.placement.f})
        *v = in.Float();
    s.image.resize(in.Count(1));
    if (s.image.size() != size_t(kImageSize) * kImageSize) Fail("image of the wrong size");
    for (uint32_t& pixel : s.image) pixel = in.Word();
    return s;
}

// ---- Peers --------------------------------------------------------------------------------

// One peer's target: `Prepare` builds a scene's resources and returns its drawing; `Paint`
// runs one complete paint of it; `Pixels` reads the target as 0xAARRGGBB.
class Peer {
public:
    virtual ~Peer() = default;
    virtual std::function<void()> Prepare(const Scenes& s, const std::string& scene) = 0;
    virtual void Paint(const std::function<void()>& draw) = 0;
    virtual std::vector<uint32_t> Pixels() = 0;
};

int BlendOf(const std::string& scene) {
    return scene == "multiply" ? GXBlendModeMultiply : scene == "hue" ? GXBlendModeHue : -1;
}

class GxPeer : public Peer {
public:
    GxPeer() {
        const GXBitmapDesc desc{kSize, kSize, GXPixelFormatPARGB32, 96, 96};
        CHECK(GXCreateBitmap(&desc, &bitmap_));
        CHECK(GXCreateRenderTargetBitmap(bitmap_, &target_));
    }
    ~GxPeer() override {
        for (GXOBase* handle : owned_) GXObjectRelease(handle);
        GXObjectRelease(GX_HANDLE(target_));
        GXObjectRelease(GX_HANDLE(bitmap_));
    }

    std::function<void()> Prepare(const Scenes& s, const std::string& scene) override {
        GXRenderTargetRec_* target = target_;
        if (scene == "shapes") return Shapes(s);
        if (scene == "polygon-nonzero" || scene == "polygon-evenodd") {
            GXGeometryRec_* polygon = Own(Geometry(s.polygon.data(), s.polygon.size()));
            CHECK(GXGeometrySetFillRule(
                polygon, scene == "polygon-evenodd" ? GXFillRuleEvenOdd : GXFillRuleNonZero));
            GXBrushRec_* brush = Brush(0xC0204080u);
            return [=] { CHECK(GXRenderTargetFillGeometry(target, polygon, brush)); };
        }
        if (scene == "gradients") return Gradients(s);
        if (scene == "bitmap") {
            GXBitmapRec_* image = nullptr;
            const GXBitmapDesc desc{kImageSize, kImageSize, GXPixelFormatPARGB32, 96, 96};
            CHECK(GXCreateBitmap(&desc, &image));
            Own(image);
            const GXBitmapData memory{const_cast<uint32_t*>(s.image.data()), kImageSize * 4,
                                      kImageSize * 4};
            CHECK(GXBitmapCopyFromMemory(image, nullptr, &memory));
            const GXMatrix placement = s.placement;
            return [=] {
                CHECK(GXRenderTargetSetCTM(target, &placement));
                CHECK(GXRenderTargetDrawBitmap(target, image, 1, GXBitmapSamplingBilinear));
                CHECK(GXRenderTargetSetCTM(target, nullptr));
            };
        }
        const int mode = BlendOf(scene);
        if (mode < 0) Fail("unknown scene " + scene);
        const std::function<void()> gradients = Gradients(s), shapes = Shapes(s);
        return [=] {
            gradients();
            CHECK(GXRenderTargetSetBlendMode(target, mode));
            shapes();
            CHECK(GXRenderTargetSetBlendMode(target, GXBlendModeNormal));
        };
    }

    void Paint(const std::function<void()>& draw) override {
        CHECK(GXRenderTargetBeginPaint(target_));
        CHECK(GXRenderTargetClear(target_, 0xFFFFFFFFu));
        draw();
        CHECK(GXRenderTargetEndPaint(target_));
    }

    std::vector<uint32_t> Pixels() override {
        std::vector<uint32_t> pixels(size_t(kSize) * kSize);
        const GXBitmapData memory{pixels.data(), kSize * 4, kSize * 4};
        CHECK(GXBitmapCopyToMemory(bitmap_, nullptr, &memory));
        return pixels;
    }

private:
    template <typename T>
    T* Own(T* handle) {
        owned_.push_back(GX_HANDLE(handle));
        return handle;
    }

    GXBrushRec_* Brush(uint32_t argb) {
        GXBrushRec_* brush = nullptr;
        CHECK(GXCreateBrushSolidARGB(argb, &brush));
        return Own(brush);
    }

    GXGeometryRec_* Geometry(const GXPoint* points, size_t count) {
        GXGeometryRec_* geometry = nullptr;
        CHECK(GXCreateGeometry(&geometry));
        CHECK(GXGeometryBeginFigure(geometry, &points[0]));
        for (size_t i = 1; i < count; ++i) CHECK(GXGeometryLineTo(geometry, &points[i]));
        CHECK(GXGeometryEndFigureClose(geometry));
        return geometry;
    }

    // Circles through the ellipse call, triangles as geometries made beforehand.
    std::function<void()> Shapes(const Scenes& s) {
        struct Prepared {
            GXGeometryRec_* triangle;  // null: a circle
            GXRect box;
            GXBrushRec_* brush;
        };
        std::vector<Prepared> prepared;
        for (const Shape& shape : s.shapes) {
            Prepared p{nullptr, {}, Brush(shape.argb)};
            if (shape.circle) {
                const GXPoint c = shape.p[0];
                const float r = shape.p[1].x;
                p.box = {c.x - r, c.y - r, c.x + r, c.y + r};
            } else {
                p.triangle = Own(Geometry(shape.p, 3));
            }
            prepared.push_back(p);
        }
        GXRenderTargetRec_* target = target_;
        return [target, prepared] {
            for (const Prepared& p : prepared) {
                if (p.triangle)
                    CHECK(GXRenderTargetFillGeometry(target, p.triangle, p.brush));
                else
                    CHECK(GXRenderTargetFillEllipse(target, &p.box, p.brush));
            }
        };
    }

    std::function<void()> Gradients(const Scenes& s) {
        std::vector<GXGradientStop> linearStops, radialStops;
        for (const Stop& stop : s.linearStops) linearStops.push_back({stop.offset, stop.argb});
        for (const Stop& stop : s.radialStops) radialStops.push_back({stop.offset, stop.argb});
        GXLinearGradientDesc linear{};
        linear.stops = linearStops.data();
        linear.count = linearStops.size();
        linear.x0 = s.linear[0], linear.y0 = s.linear[1];
        linear.x1 = s.linear[2], linear.y1 = s.linear[3];
        linear.extendStart = linear.extendEnd = 1;
        GXRadialGradientDesc radial{};
        radial.stops = radialStops.data();
        radial.count = radialStops.size();
        radial.x0 = s.radial[0], radial.y0 = s.radial[1], radial.r0 = s.radial[2];
        radial.x1 = s.radial[3], radial.y1 = s.radial[4], radial.r1 = s.radial[5];
        radial.extendStart = radial.extendEnd = 1;
        GXGradientRec_* first = nullptr;
        GXGradientRec_* second = nullptr;
        CHECK(GXCreateGradientLinear(&linear, &first));
        CHECK(GXCreateGradientRadial(&radial, &second));
        Own(first), Own(second);
        GXRenderTargetRec_* target = target_;
        return [=] {
            CHECK(GXRenderTargetDrawGradient(target, first, 1));
            CHECK(GXRenderTargetDrawGradient(target, second, 1));
        };
    }

    GXBitmapRec_* bitmap_ = nullptr;
    GXRenderTargetRec_* target_ = nullptr;
    std::vector<GXOBase*> owned_;
};

class CairoPeer : public Peer {
public:
    CairoPeer()
        : surface_(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kSize, kSize)),
          cr_(cairo_create(surface_)) {
        cairo_set_tolerance(cr_, 0.25);  // libgx's flattening tolerance
    }
    ~CairoPeer() override {
        for (cairo_pattern_t* pattern : patterns_) cairo_pattern_destroy(pattern);
        for (cairo_path_t* path : paths_) cairo_path_destroy(path);
        if (image_) cairo_surface_destroy(image_);
        cairo_destroy(cr_);
        cairo_surface_destroy(surface_);
    }

    std::function<void()> Prepare(const Scenes& s, const std::string& scene) override {
        cairo_t* cr = cr_;
        if (scene == "shapes") return Shapes(s);
        if (scene == "polygon-nonzero" || scene == "polygon-evenodd") {
            cairo_new_path(cr);
            cairo_move_to(cr, s.polygon[0].x, s.polygon[0].y);
            for (const GXPoint& p : s.polygon) cairo_line_to(cr, p.x, p.y);
            cairo_close_path(cr);
            cairo_path_t* polygon = cairo_copy_path(cr);
            paths_.push_back(polygon);
            cairo_new_path(cr);
            const cairo_fill_rule_t rule =
                scene == "polygon-evenodd" ? CAIRO_FILL_RULE_EVEN_ODD : CAIRO_FILL_RULE_WINDING;
            return [=] {
                cairo_set_fill_rule(cr, rule);
                SetCairoColor(cr, 0xC0204080u);
                cairo_append_path(cr, polygon);
                cairo_fill(cr);
            };
        }
        if (scene == "gradients") return Gradients(s);
        if (scene == "bitmap") {
            image_ = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kImageSize, kImageSize);
            cairo_surface_flush(image_);
            unsigned char* data = cairo_image_surface_get_data(image_);
            const int stride = cairo_image_surface_get_stride(image_);
            for (int y = 0; y < kImageSize; ++y)
                std::memcpy(data + size_t(y) * size_t(stride), &s.image[size_t(y) * kImageSize],
                            kImageSize * 4);
            cairo_surface_mark_dirty(image_);
            const GXMatrix& m = s.placement;
            cairo_matrix_t placement;
            cairo_matrix_init(&placement, m.a, m.b, m.c, m.d, m.e, m.f);
            cairo_surface_t* image = image_;
            return [=] {
                cairo_save(cr);
                cairo_transform(cr, &placement);
                cairo_set_source_surface(cr, image, 0, 0);
                cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_BILINEAR);
                cairo_paint(cr);
                cairo_restore(cr);
            };
        }
        const cairo_operator_t op = scene == "multiply" ? CAIRO_OPERATOR_MULTIPLY
                                    : scene == "hue"    ? CAIRO_OPERATOR_HSL_HUE
                                                        : CAIRO_OPERATOR_CLEAR;
        if (op == CAIRO_OPERATOR_CLEAR) Fail("unknown scene " + scene);
        const std::function<void()> gradients = Gradients(s), shapes = Shapes(s);
        return [=] {
            gradients();
            cairo_set_operator(cr, op);
            shapes();
            cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
        };
    }

    void Paint(const std::function<void()>& draw) override {
        cairo_set_operator(cr_, CAIRO_OPERATOR_SOURCE);
        cairo_set_source_rgb(cr_, 1, 1, 1);
        cairo_paint(cr_);
        cairo_set_operator(cr_, CAIRO_OPERATOR_OVER);
        draw();
        cairo_surface_flush(surface_);
    }

    std::vector<uint32_t> Pixels() override { return CairoPixels(surface_, kSize); }

private:
    // Paths made per draw, as Cairo is used: a triangle or a full arc.
    std::function<void()> Shapes(const Scenes& s) {
        cairo_t* cr = cr_;
        const std::vector<Shape>& shapes = s.shapes;
        return [cr, &shapes] {
            cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
            for (const Shape& shape : shapes) {
                SetCairoColor(cr, shape.argb);
                if (shape.circle) {
                    cairo_arc(cr, shape.p[0].x, shape.p[0].y, shape.p[1].x, 0,
                              2 * std::numbers::pi);
                } else {
                    cairo_move_to(cr, shape.p[0].x, shape.p[0].y);
                    cairo_line_to(cr, shape.p[1].x, shape.p[1].y);
                    cairo_line_to(cr, shape.p[2].x, shape.p[2].y);
                    cairo_close_path(cr);
                }
                cairo_fill(cr);
            }
        };
    }

    cairo_pattern_t* Pattern(cairo_pattern_t* pattern, const std::vector<Stop>& stops) {
        for (const Stop& stop : stops)
            cairo_pattern_add_color_stop_rgba(
                pattern, stop.offset, ((stop.argb >> 16) & 0xFF) / 255.0,
                ((stop.argb >> 8) & 0xFF) / 255.0, (stop.argb & 0xFF) / 255.0,
                (stop.argb >> 24) / 255.0);
        cairo_pattern_set_extend(pattern, CAIRO_EXTEND_PAD);
        patterns_.push_back(pattern);
        return pattern;
    }

    std::function<void()> Gradients(const Scenes& s) {
        cairo_pattern_t* linear =
            Pattern(cairo_pattern_create_linear(s.linear[0], s.linear[1], s.linear[2], s.linear[3]),
                    s.linearStops);
        cairo_pattern_t* radial =
            Pattern(cairo_pattern_create_radial(s.radial[0], s.radial[1], s.radial[2], s.radial[3],
                                                s.radial[4], s.radial[5]),
                    s.radialStops);
        cairo_t* cr = cr_;
        return [=] {
            cairo_set_source(cr, linear);
            cairo_paint(cr);
            cairo_set_source(cr, radial);
            cairo_paint(cr);
        };
    }

    cairo_surface_t* surface_;
    cairo_t* cr_;
    cairo_surface_t* image_ = nullptr;
    std::vector<cairo_path_t*> paths_;
    std::vector<cairo_pattern_t*> patterns_;
};

// ---- Timing and dumps ---------------------------------------------------------------------

double MedianPaintMs(Peer& peer, const std::function<void()>& draw) {
    using Clock = std::chrono::steady_clock;
    std::vector<double> times;
    double total = 0;
    // Warm-up; a paint of seconds is its own warm-up and counts as the sample.
    const Clock::time_point start = Clock::now();
    peer.Paint(draw);
    const double first = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    if (first >= 2000) return first;
    while (times.size() < 3 ? total < 2000 : total < 500) {
        const Clock::time_point start = Clock::now();
        peer.Paint(draw);
        times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        total += times.back();
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

void Dump(const std::vector<uint32_t>& pixels, const char* path) {
    std::FILE* file = std::fopen(path, "wb");
    if (!file) Fail(std::string("cannot write ") + path);
    std::fwrite(pixels.data(), 4, pixels.size(), file);
    std::fclose(file);
}

std::vector<uint8_t> Load(const char* path) {
    std::FILE* file = std::fopen(path, "rb");
    if (!file) Fail(std::string("cannot read ") + path);
    std::vector<uint8_t> bytes(size_t(kSize) * kSize * 4);
    if (std::fread(bytes.data(), 1, bytes.size(), file) != bytes.size()) Fail("short dump");
    std::fclose(file);
    return bytes;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "write" && argc == 3) {
        Write(Generate(), argv[2]);
        return 0;
    }
    if (command == "diff" && argc == 4) {
        const std::vector<uint8_t> a = Load(argv[2]), b = Load(argv[3]);
        uint64_t total = 0;
        for (size_t i = 0; i < a.size(); ++i) total += uint64_t(std::abs(int(a[i]) - int(b[i])));
        std::printf("%.3f\n", double(total) / double(a.size()));
        return 0;
    }
    if (command == "draw" && (argc == 5 || argc == 6)) {
        const std::string peerName = argv[2];
        if (peerName != "gx" && peerName != "cairo") Fail("unknown peer " + peerName);
        const Scenes scenes = Read(argv[4]);
        const std::unique_ptr<Peer> peer =
            peerName == "gx" ? std::unique_ptr<Peer>(new GxPeer) : std::make_unique<CairoPeer>();
        const std::function<void()> draw = peer->Prepare(scenes, argv[3]);
        std::printf("ms %.4f\n", MedianPaintMs(*peer, draw));
        if (argc == 6) Dump(peer->Pixels(), argv[5]);
        return 0;
    }
    std::fprintf(stderr,
                 "usage: peers_bench write FILE | draw gx|cairo SCENE FILE [DUMP] | diff A B\n");
    return 2;
}
