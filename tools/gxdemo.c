/* The demo: renders a gallery of what libgx draws through its public interface into PNG
   files, and prints where they are. Usage: gxdemo [output-folder] */
#include <gx.h>
#include <math.h>
#include <stdio.h>
#include <string.h>

#define W 512
#define H 384
#define PI 3.14159265358979323846

static int failures = 0;

/* Reports a failed call and carries on, so one broken piece does not hide the others. */
static void Check(GXResult result, const char* what) {
    if (result != GXResultSuccess) {
        fprintf(stderr, "%s failed with %d\n", what, (int)result);
        ++failures;
    }
}
#define CHECK(call) Check((call), #call)

typedef struct Canvas {
    GXBitmapRec_* bitmap;
    GXRenderTargetRec_* target;
} Canvas;

static Canvas Begin(uint32_t background) {
    Canvas canvas = {NULL, NULL};
    GXBitmapDesc desc = {W, H, GXPixelFormatPARGB32, 96.0f, 96.0f};
    CHECK(GXCreateBitmap(&desc, &canvas.bitmap));
    CHECK(GXCreateRenderTargetBitmap(canvas.bitmap, &canvas.target));
    CHECK(GXRenderTargetBeginPaint(canvas.target));
    CHECK(GXRenderTargetClear(canvas.target, background));
    return canvas;
}

static void End(Canvas canvas, const char* folder, const char* name) {
    CHECK(GXRenderTargetEndPaint(canvas.target));
    char path[1024];
    uint16_t wide[1024];
    snprintf(path, sizeof path, "%s/%s", folder, name);
    size_t n = strlen(path);
    for (size_t i = 0; i <= n; ++i) wide[i] = (uint8_t)path[i]; /* ASCII paths */
    CHECK(GXBitmapSaveToFile(canvas.bitmap, wide));
    printf("  %s\n", path);
    GXObjectRelease(GX_HANDLE(canvas.target));
    GXObjectRelease(GX_HANDLE(canvas.bitmap));
}

static GXBrushRec_* Solid(uint32_t argb) {
    GXBrushRec_* brush = NULL;
    CHECK(GXCreateBrushSolidARGB(argb, &brush));
    return brush;
}

static void Release(void* handle) {
    if (handle) GXObjectRelease((GXOBase*)handle);
}

static GXGeometryRec_* Star(float cx, float cy, float r, int points) {
    GXGeometryRec_* g = NULL;
    CHECK(GXCreateGeometry(&g));
    for (int i = 0; i < points; ++i) {
        double a = -PI / 2 + i * 2 * PI * 2 / points; /* every second vertex: a pentagram */
        GXPoint p = {cx + r * (float)cos(a), cy + r * (float)sin(a)};
        CHECK(i == 0 ? GXGeometryBeginFigure(g, &p) : GXGeometryLineTo(g, &p));
    }
    CHECK(GXGeometryEndFigureClose(g));
    return g;
}

static void Paths(const char* folder) {
    Canvas c = Begin(0xFFFFFFFFu);
    GXBrushRec_* blue = Solid(0xFF2A5DB0u);
    GXBrushRec_* orange = Solid(0xFFE07B1Fu);
    GXBrushRec_* black = Solid(0xFF202020u);

    /* The same star under both fill rules. */
    GXGeometryRec_* star = Star(90, 100, 70, 5);
    CHECK(GXRenderTargetFillGeometry(c.target, star, blue));
    GXGeometryRec_* evenOdd = Star(250, 100, 70, 5);
    CHECK(GXGeometrySetFillRule(evenOdd, GXFillRuleEvenOdd));
    CHECK(GXRenderTargetFillGeometry(c.target, evenOdd, blue));

    /* Joins and caps on a zigzag. */
    for (int k = 0; k < 3; ++k) {
        GXGeometryRec_* zig = NULL;
        CHECK(GXCreateGeometry(&zig));
        GXPoint p0 = {340.0f, 40.0f + 50 * k}, p1 = {380.0f, 80.0f + 50 * k},
                p2 = {420.0f, 40.0f + 50 * k}, p3 = {470.0f, 70.0f + 50 * k};
        CHECK(GXGeometryBeginFigure(zig, &p0));
        CHECK(GXGeometryLineTo(zig, &p1));
        CHECK(GXGeometryLineTo(zig, &p2));
        CHECK(GXGeometryLineTo(zig, &p3));
        CHECK(GXGeometryEndFigure(zig));
        GXStrokeStyle style;
        memset(&style, 0, sizeof style);
        style.lineJoin = k; /* miter, round, bevel */
        style.lineCap = k;  /* butt, round, square */
        style.miterLimit = 10;
        CHECK(GXRenderTargetStrokeGeometry(c.target, zig, orange, 12, &style));
        CHECK(GXRenderTargetStrokeGeometry(c.target, zig, black, 0, NULL)); /* hairline */
        Release(zig);
    }

    /* Dashes on a curve and a dashed ellipse. */
    GXGeometryRec_* wave = NULL;
    CHECK(GXCreateGeometry(&wave));
    GXPoint s = {30, 300}, c1 = {130, 180}, c2 = {230, 420}, e = {330, 300};
    CHECK(GXGeometryBeginFigure(wave, &s));
    CHECK(GXGeometryCubicCurveTo(wave, &c1, &c2, &e));
    CHECK(GXGeometryEndFigure(wave));
    GXStrokeStyle dashed;
    memset(&dashed, 0, sizeof dashed);
    dashed.lineCap = GXLineCapRound;
    dashed.miterLimit = 10;
    dashed.dashes[0] = 18; /* user units, not widths */
    dashed.dashes[1] = 12;
    dashed.dashCount = 2;
    CHECK(GXRenderTargetStrokeGeometry(c.target, wave, blue, 6, &dashed));
    GXRect oval = {360, 220, 490, 360};
    CHECK(GXRenderTargetStrokeEllipse(c.target, &oval, orange, 4, &dashed));
    GXRect frame = {10.5f, 10.5f, 501.5f, 373.5f};
    CHECK(GXRenderTargetSetStrokeAdjustment(c.target, 1));
    CHECK(GXRenderTargetStrokeRect(c.target, &frame, black, 1, NULL));

    Release(wave);
    Release(star);
    Release(evenOdd);
    Release(blue);
    Release(orange);
    Release(black);
    End(c, folder, "paths.png");
}

static void Gradients(const char* folder) {
    Canvas c = Begin(0xFFFFFFFFu);
    GXGradientStop stops[] = {{0.0f, 0xFF1B3B8Cu}, {0.5f, 0xFFF2C14Eu}, {1.0f, 0xFFD1495Bu}};
    GXLinearGradientDesc linear = {stops, 3, 20, 0, 240, 0, 1, 1, {0, 0}, 0};
    GXRadialGradientDesc radial = {stops, 3, 360, 110, 5, 380, 100, 90, 1, 0, {0, 0}, 0};
    GXGradientRec_* lg = NULL;
    GXGradientRec_* rg = NULL;
    GXGradientRec_* mesh = NULL;
    CHECK(GXCreateGradientLinear(&linear, &lg));
    CHECK(GXCreateGradientRadial(&radial, &rg));
    GXTriMeshVertex v[] = {{40, 360, 0xFFFF0000u},
                           {150, 220, 0xFF00C000u},
                           {260, 360, 0xFF0000FFu},
                           {370, 220, 0xFFFFFF00u},
                           {480, 360, 0xFF00FFFFu}};
    CHECK(GXCreateGradientTriMesh(v, 5, 0, &mesh));

    GXRect boxes[] = {{20, 20, 240, 190}, {270, 20, 490, 190}, {20, 210, 490, 370}};
    GXGradientRec_* gradients[] = {lg, rg, mesh};
    for (int i = 0; i < 3; ++i) {
        CHECK(GXRenderTargetPushState(c.target));
        CHECK(GXRenderTargetClipRect(c.target, &boxes[i]));
        CHECK(GXRenderTargetDrawGradient(c.target, gradients[i], 1.0f));
        CHECK(GXRenderTargetPopState(c.target));
    }
    Release(lg);
    Release(rg);
    Release(mesh);
    End(c, folder, "gradients.png");
}

static void Bitmaps(const char* folder) {
    Canvas c = Begin(0xFFFFFFFFu);
    /* An 8 x 8 checkerboard with a colour ramp, drawn enlarged with each sampling mode. */
    GXBitmapDesc desc = {8, 8, GXPixelFormatARGB32, 96, 96};
    GXBitmapRec_* tile = NULL;
    CHECK(GXCreateBitmap(&desc, &tile));
    uint32_t pixels[64];
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            pixels[y * 8 + x] = ((x + y) & 1)
                                    ? 0xFF000000u | (uint32_t)(x * 32) << 16 | (uint32_t)(y * 32)
                                    : 0xFFFFFFFFu;
    GXBitmapData data = {pixels, 32, 32};
    CHECK(GXBitmapCopyFromMemory(tile, NULL, &data));
    for (int mode = 0; mode < 3; ++mode) {
        CHECK(GXRenderTargetPushState(c.target));
        CHECK(GXRenderTargetTranslateCTM(c.target, 20.0f + 165 * mode, 40));
        CHECK(GXRenderTargetScaleCTM(c.target, 18, 18));
        CHECK(GXRenderTargetDrawBitmap(c.target, tile, 1.0f, mode));
        CHECK(GXRenderTargetPopState(c.target));
    }
    /* Rotated and half transparent. */
    CHECK(GXRenderTargetTranslateCTM(c.target, 300, 230));
    CHECK(GXRenderTargetRotateCTM(c.target, 0.5f));
    CHECK(GXRenderTargetScaleCTM(c.target, 12, 12));
    CHECK(GXRenderTargetDrawBitmap(c.target, tile, 0.6f, GXBitmapSamplingBilinear));
    Release(tile);
    End(c, folder, "bitmaps.png");
}

static void BlendModes(const char* folder) {
    Canvas c = Begin(0xFFFFFFFFu);
    GXGradientStop stops[] = {{0.0f, 0xFF3066BEu}, {1.0f, 0xFFF4D35Eu}};
    GXLinearGradientDesc desc = {stops, 2, 0, 0, W, 0, 1, 1, {0, 0}, 0};
    GXGradientRec_* backdrop = NULL;
    CHECK(GXCreateGradientLinear(&desc, &backdrop));
    CHECK(GXRenderTargetDrawGradient(c.target, backdrop, 1.0f));
    GXBrushRec_* red = Solid(0xFFD1495Bu);
    for (int mode = 0; mode < 16; ++mode) {
        float x = 16.0f + (mode % 4) * 124, y = 12.0f + (mode / 4) * 92;
        GXRect disc = {x, y, x + 100, y + 80};
        CHECK(GXRenderTargetSetBlendMode(c.target, mode));
        CHECK(GXRenderTargetFillEllipse(c.target, &disc, red));
    }
    CHECK(GXRenderTargetSetBlendMode(c.target, GXBlendModeNormal));
    Release(red);
    Release(backdrop);
    End(c, folder, "blendmodes.png");
}

/* Fills each rectangle a region enumerates and outlines it, so the band decomposition shows. */
typedef struct RegionPainter {
    GXRenderTargetRec_* target;
    GXBrushRec_* fill;
    GXBrushRec_* edge;
} RegionPainter;

static void PaintRegionRect(void* context, const GXIntRect* r) {
    RegionPainter* painter = (RegionPainter*)context;
    GXRect rect = {(float)r->left, (float)r->top, (float)r->right, (float)r->bottom};
    CHECK(GXRenderTargetFillRect(painter->target, &rect, painter->fill));
    CHECK(GXRenderTargetStrokeRect(painter->target, &rect, painter->edge, 1, NULL));
}

/* A disc of pixel rows, exclusive-or a frame, drawn rectangle by rectangle. */
static void Regions(GXRenderTargetRec_* target, GXBrushRec_* fill, GXBrushRec_* edge) {
    GXRegionRec_* disc = NULL;
    CHECK(GXCreateRegion(&disc));
    for (int y = -44; y < 44; y += 4) {
        int half = (int)sqrt(44.0 * 44.0 - (y + 2.0) * (y + 2.0));
        GXIntRect row = {390 - half, 325 + y, 390 + half, 325 + y + 4};
        GXRegionRec_* grown = NULL;
        CHECK(GXRegionCombineRect(disc, &row, GXCombineUnion, &grown));
        Release(disc);
        disc = grown;
    }
    GXIntRect outer = {320, 290, 460, 360}, inner = {336, 304, 444, 346};
    GXRegionRec_* frame = NULL;
    GXRegionRec_* hole = NULL;
    GXRegionRec_* both = NULL;
    CHECK(GXCreateRegionFromRect(&outer, &frame));
    CHECK(GXRegionCombineRect(frame, &inner, GXCombineDifference, &hole));
    CHECK(GXRegionCombine(disc, hole, GXCombineXor, &both));
    RegionPainter painter = {target, fill, edge};
    CHECK(GXRegionEnumRects(both, PaintRegionRect, &painter));
    Release(both);
    Release(hole);
    Release(frame);
    Release(disc);
}

static void ClipsAndMasks(const char* folder) {
    Canvas c = Begin(0xFFFFFFFFu);
    GXBrushRec_* teal = Solid(0xFF1B998Bu);
    GXBrushRec_* plum = Solid(0xFF8E3B8Au);

    /* A lens: the intersection of two elliptical clips, filled with stripes. */
    GXRect a = {20, 40, 180, 200}, b = {100, 40, 260, 200};
    CHECK(GXRenderTargetPushState(c.target));
    CHECK(GXRenderTargetClipEllipse(c.target, &a));
    CHECK(GXRenderTargetClipEllipse(c.target, &b));
    for (int i = 0; i < 12; ++i) {
        GXRect stripe = {20, 40.0f + 14 * i, 260, 47.0f + 14 * i};
        CHECK(GXRenderTargetFillRect(c.target, &stripe, i % 2 ? teal : plum));
    }
    CHECK(GXRenderTargetPopState(c.target));

    /* An opacity mask: a radial gradient's luminosity fades a solid fill. */
    GXGradientStop stops[] = {{0.0f, 0xFFFFFFFFu}, {1.0f, 0xFF000000u}};
    GXRadialGradientDesc desc = {stops, 2, 380, 120, 0, 380, 120, 100, 0, 1, {0, 0}, 0};
    GXGradientRec_* fade = NULL;
    GXBrushRec_* mask = NULL;
    CHECK(GXCreateGradientRadial(&desc, &fade));
    CHECK(GXCreateBrushGradient(fade, 1.0f, NULL, &mask));
    CHECK(GXRenderTargetPushState(c.target));
    CHECK(GXRenderTargetSetOpacityMask(c.target, 2, mask));
    GXRect square = {280, 20, 480, 220};
    CHECK(GXRenderTargetFillRect(c.target, &square, teal));
    CHECK(GXRenderTargetPopState(c.target));

    /* Inversion over part of both. */
    GXRect band = {0, 150, W, 260};
    CHECK(GXRenderTargetInvertRect(c.target, &band));

    /* Boolean combination and widening: the outline of a union, filled. */
    GXGeometryRec_* disc = NULL;
    GXGeometryRec_* box = NULL;
    GXGeometryRec_* both = NULL;
    GXGeometryRec_* outline = NULL;
    GXRect d = {40, 280, 140, 370}, r = {100, 300, 220, 350};
    CHECK(GXCreateGeometry(&disc));
    CHECK(GXCreateGeometry(&box));
    CHECK(GXGeometryEllipse(disc, &d));
    CHECK(GXGeometryRectangle(box, &r));
    CHECK(GXGeometryCombine(disc, box, NULL, GXCombineUnion, 0.05f, &both));
    GXStrokeStyle style;
    memset(&style, 0, sizeof style);
    style.lineJoin = GXLineJoinRound;
    style.miterLimit = 10;
    CHECK(GXGeometryWiden(both, 6, &style, 0.1f, &outline));
    CHECK(GXRenderTargetFillGeometry(c.target, both, plum));
    CHECK(GXRenderTargetFillGeometry(c.target, outline, teal));

    Regions(c.target, teal, plum);

    Release(disc);
    Release(box);
    Release(both);
    Release(outline);
    Release(mask);
    Release(fade);
    Release(teal);
    Release(plum);
    End(c, folder, "clipsmasks.png");
}

/* Three overlapping discs, half transparent, in Multiply. */
static void Discs(GXRenderTargetRec_* target, float x, float y) {
    static const uint32_t colors[3] = {0xB0E63946u, 0xB02A9D8Fu, 0xB0F4A261u};
    static const float dx[3] = {0, 44, 22}, dy[3] = {0, 0, 38};
    CHECK(GXRenderTargetSetBlendMode(target, GXBlendModeMultiply));
    for (int i = 0; i < 3; ++i) {
        GXBrushRec_* brush = Solid(colors[i]);
        GXRect disc = {x + dx[i], y + dy[i], x + dx[i] + 70, y + dy[i] + 70};
        CHECK(GXRenderTargetFillEllipse(target, &disc, brush));
        Release(brush);
    }
}

static void Groups(const char* folder) {
    Canvas c = Begin(0xFFFFFFFFu);
    GXBrushRec_* stripe = Solid(0xFF264653u);
    for (int i = 0; i < 12; ++i) {
        GXRect band = {0, 12.0f * i, W, 12.0f * i + 5};
        CHECK(GXRenderTargetFillRect(c.target, &band, stripe));
    }
    GXFontFaceRec_* sans = NULL;
    CHECK(GXCreateFontFace((const uint16_t*)u"DejaVu Sans", 0, 9, &sans));
    GXBrushRec_* ink = Solid(0xFF202020u);

    /* The four kinds of group, each at opacity 0.9: a knockout group shows only the last
       disc where discs overlap; an isolated one ignores the stripes while blending. */
    static const uint16_t* labels[4] = {(const uint16_t*)u"group", (const uint16_t*)u"isolated",
                                        (const uint16_t*)u"knockout",
                                        (const uint16_t*)u"isolated knockout"};
    for (int kind = 0; kind < 4; ++kind) {
        float x = 10.0f + kind * 126, y = 20;
        GXLayerParams params = {
            {x, y, x + 120, y + 112}, 0.9f, (uint8_t)(kind & 1), (uint8_t)(kind >> 1)};
        CHECK(GXRenderTargetBeginLayer(c.target, &params));
        Discs(c.target, x + 3, y + 2);
        CHECK(GXRenderTargetEndLayer(c.target));
        CHECK(GXRenderTargetPushState(c.target));
        CHECK(GXRenderTargetTranslateCTM(c.target, x + 4, y + 146));
        CHECK(GXRenderTargetFillText(c.target, sans, labels[kind], ink));
        CHECK(GXRenderTargetPopState(c.target));
    }

    /* A shape mask: a linear ramp's alpha cuts the coverage of a group of bars, so the
       group fades out to the right. */
    GXGradientStop stops[] = {{0.0f, 0xFF000000u}, {1.0f, 0x00000000u}};
    GXLinearGradientDesc desc = {stops, 2, 20, 0, 250, 0, 1, 1, {0, 0}, 0};
    GXGradientRec_* ramp = NULL;
    GXBrushRec_* fade = NULL;
    CHECK(GXCreateGradientLinear(&desc, &ramp));
    CHECK(GXCreateBrushGradient(ramp, 1.0f, NULL, &fade));
    CHECK(GXRenderTargetPushState(c.target));
    CHECK(GXRenderTargetSetShapeMask(c.target, 0, fade));
    GXLayerParams bars = {{20, 190, 250, 370}, 1.0f, 1, 0};
    CHECK(GXRenderTargetBeginLayer(c.target, &bars));
    static const uint32_t palette[4] = {0xFFE63946u, 0xFF2A9D8Fu, 0xFFE9C46Au, 0xFF6D597Au};
    for (int i = 0; i < 8; ++i) {
        GXBrushRec_* brush = Solid(palette[i % 4]);
        GXRect bar = {20, 190.0f + 22 * i, 250, 190.0f + 22 * i + 18};
        CHECK(GXRenderTargetFillRect(c.target, &bar, brush));
        Release(brush);
    }
    CHECK(GXRenderTargetEndLayer(c.target));
    CHECK(GXRenderTargetPopState(c.target));

    /* Nested groups: each level at opacity 0.8 holds a smaller square and the next level. */
    for (int level = 0; level < 6; ++level) {
        float inset = 14.0f * level;
        GXLayerParams params = {{280 + inset, 190 + inset, 490 - inset, 370 - inset}, 0.8f, 1, 0};
        CHECK(GXRenderTargetBeginLayer(c.target, &params));
        GXBrushRec_* brush = Solid(palette[level % 4]);
        CHECK(GXRenderTargetFillRect(c.target, &params.bounds, brush));
        Release(brush);
    }
    for (int level = 0; level < 6; ++level) CHECK(GXRenderTargetEndLayer(c.target));

    Release(fade);
    Release(ramp);
    Release(ink);
    Release(sans);
    Release(stripe);
    End(c, folder, "groups.png");
}

static void Text(const char* folder) {
    Canvas c = Begin(0xFFFFFFFFu);
    GXFontFaceRec_* sans = NULL;
    GXFontFaceRec_* bold = NULL;
    CHECK(GXCreateFontFace((const uint16_t*)u"DejaVu Sans", 0, 28, &sans));
    CHECK(GXCreateFontFace((const uint16_t*)u"DejaVu Serif", GXFontStyleBold | GXFontStyleItalic,
                           30, &bold));
    GXBrushRec_* ink = Solid(0xFF202020u);
    GXGradientStop stops[] = {{0.0f, 0xFF1B3B8Cu}, {1.0f, 0xFFD1495Bu}};
    GXLinearGradientDesc desc = {stops, 2, 20, 0, 480, 0, 1, 1, {0, 0}, 0};
    GXGradientRec_* ramp = NULL;
    GXBrushRec_* paint = NULL;
    CHECK(GXCreateGradientLinear(&desc, &ramp));
    CHECK(GXCreateBrushGradient(ramp, 1.0f, NULL, &paint));

    CHECK(GXRenderTargetTranslateCTM(c.target, 20, 60));
    CHECK(
        GXRenderTargetFillText(c.target, sans, (const uint16_t*)u"libgx draws text as paths", ink));
    CHECK(GXRenderTargetTranslateCTM(c.target, 0, 80));
    CHECK(GXRenderTargetFillText(c.target, bold, (const uint16_t*)u"Bold italic, gradient ink",
                                 paint));
    CHECK(GXRenderTargetTranslateCTM(c.target, 40, 100));
    CHECK(GXRenderTargetRotateCTM(c.target, -0.2f));
    CHECK(GXRenderTargetFillText(
        c.target, sans, (const uint16_t*)u"rotated \u00e9\u00e8\u00e0 \u03b1\u03b2\u03b3", ink));

    Release(ink);
    Release(paint);
    Release(ramp);
    Release(sans);
    Release(bold);
    End(c, folder, "text.png");
}

int main(int argc, char** argv) {
    const char* folder = argc > 1 ? argv[1] : ".";
    printf("libgx demo: writing the gallery into %s\n", folder);
    Paths(folder);
    Gradients(folder);
    Bitmaps(folder);
    BlendModes(folder);
    ClipsAndMasks(folder);
    Groups(folder);
    Text(folder);
    if (failures) {
        fprintf(stderr, "%d calls failed\n", failures);
        return 1;
    }
    return 0;
}
