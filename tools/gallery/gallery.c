/* The demo gallery: pages of what libgx draws, shared by the demo (which saves them as PNG
   files) and the viewer (which shows them in a window). */
#include "gallery.h"

#include <math.h>
#include <stdio.h>
#include <string.h>

#define W GALLERY_WIDTH
#define H GALLERY_HEIGHT
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

static void Paths(GXRenderTargetRec_* target) {
    GXBrushRec_* blue = Solid(0xFF2A5DB0u);
    GXBrushRec_* orange = Solid(0xFFE07B1Fu);
    GXBrushRec_* black = Solid(0xFF202020u);

    /* The same star under both fill rules. */
    GXGeometryRec_* star = Star(90, 100, 70, 5);
    CHECK(GXRenderTargetFillGeometry(target, star, blue));
    GXGeometryRec_* evenOdd = Star(250, 100, 70, 5);
    CHECK(GXGeometrySetFillRule(evenOdd, GXFillRuleEvenOdd));
    CHECK(GXRenderTargetFillGeometry(target, evenOdd, blue));

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
        CHECK(GXRenderTargetStrokeGeometry(target, zig, orange, 12, &style));
        CHECK(GXRenderTargetStrokeGeometry(target, zig, black, 0, NULL)); /* hairline */
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
    CHECK(GXRenderTargetStrokeGeometry(target, wave, blue, 6, &dashed));
    GXRect oval = {360, 220, 490, 360};
    CHECK(GXRenderTargetStrokeEllipse(target, &oval, orange, 4, &dashed));
    GXRect frame = {10.5f, 10.5f, 501.5f, 373.5f};
    CHECK(GXRenderTargetSetStrokeAdjustment(target, 1));
    CHECK(GXRenderTargetStrokeRect(target, &frame, black, 1, NULL));

    Release(wave);
    Release(star);
    Release(evenOdd);
    Release(blue);
    Release(orange);
    Release(black);
}

static void Gradients(GXRenderTargetRec_* target) {
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
        CHECK(GXRenderTargetPushState(target));
        CHECK(GXRenderTargetClipRect(target, &boxes[i]));
        CHECK(GXRenderTargetDrawGradient(target, gradients[i], 1.0f));
        CHECK(GXRenderTargetPopState(target));
    }
    Release(lg);
    Release(rg);
    Release(mesh);
}

static void Bitmaps(GXRenderTargetRec_* target) {
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
        CHECK(GXRenderTargetPushState(target));
        CHECK(GXRenderTargetTranslateCTM(target, 20.0f + 165 * mode, 40));
        CHECK(GXRenderTargetScaleCTM(target, 18, 18));
        CHECK(GXRenderTargetDrawBitmap(target, tile, 1.0f, mode));
        CHECK(GXRenderTargetPopState(target));
    }
    /* Rotated and half transparent. */
    CHECK(GXRenderTargetTranslateCTM(target, 300, 230));
    CHECK(GXRenderTargetRotateCTM(target, 0.5f));
    CHECK(GXRenderTargetScaleCTM(target, 12, 12));
    CHECK(GXRenderTargetDrawBitmap(target, tile, 0.6f, GXBitmapSamplingBilinear));
    Release(tile);
}

static void BlendModes(GXRenderTargetRec_* target) {
    GXGradientStop stops[] = {{0.0f, 0xFF3066BEu}, {1.0f, 0xFFF4D35Eu}};
    GXLinearGradientDesc desc = {stops, 2, 0, 0, W, 0, 1, 1, {0, 0}, 0};
    GXGradientRec_* backdrop = NULL;
    CHECK(GXCreateGradientLinear(&desc, &backdrop));
    CHECK(GXRenderTargetDrawGradient(target, backdrop, 1.0f));
    GXBrushRec_* red = Solid(0xFFD1495Bu);
    for (int mode = 0; mode < 16; ++mode) {
        float x = 16.0f + (mode % 4) * 124, y = 12.0f + (mode / 4) * 92;
        GXRect disc = {x, y, x + 100, y + 80};
        CHECK(GXRenderTargetSetBlendMode(target, mode));
        CHECK(GXRenderTargetFillEllipse(target, &disc, red));
    }
    CHECK(GXRenderTargetSetBlendMode(target, GXBlendModeNormal));
    Release(red);
    Release(backdrop);
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

static void ClipsAndMasks(GXRenderTargetRec_* target) {
    GXBrushRec_* teal = Solid(0xFF1B998Bu);
    GXBrushRec_* plum = Solid(0xFF8E3B8Au);

    /* A lens: the intersection of two elliptical clips, filled with stripes. */
    GXRect a = {20, 40, 180, 200}, b = {100, 40, 260, 200};
    CHECK(GXRenderTargetPushState(target));
    CHECK(GXRenderTargetClipEllipse(target, &a));
    CHECK(GXRenderTargetClipEllipse(target, &b));
    for (int i = 0; i < 12; ++i) {
        GXRect stripe = {20, 40.0f + 14 * i, 260, 47.0f + 14 * i};
        CHECK(GXRenderTargetFillRect(target, &stripe, i % 2 ? teal : plum));
    }
    CHECK(GXRenderTargetPopState(target));

    /* An opacity mask: a radial gradient's luminosity fades a solid fill. */
    GXGradientStop stops[] = {{0.0f, 0xFFFFFFFFu}, {1.0f, 0xFF000000u}};
    GXRadialGradientDesc desc = {stops, 2, 380, 120, 0, 380, 120, 100, 0, 1, {0, 0}, 0};
    GXGradientRec_* fade = NULL;
    GXBrushRec_* mask = NULL;
    CHECK(GXCreateGradientRadial(&desc, &fade));
    CHECK(GXCreateBrushGradient(fade, 1.0f, NULL, &mask));
    CHECK(GXRenderTargetPushState(target));
    CHECK(GXRenderTargetSetOpacityMask(target, 2, mask));
    GXRect square = {280, 20, 480, 220};
    CHECK(GXRenderTargetFillRect(target, &square, teal));
    CHECK(GXRenderTargetPopState(target));

    /* Inversion over part of both. */
    GXRect band = {0, 150, W, 260};
    CHECK(GXRenderTargetInvertRect(target, &band));

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
    CHECK(GXRenderTargetFillGeometry(target, both, plum));
    CHECK(GXRenderTargetFillGeometry(target, outline, teal));

    Regions(target, teal, plum);

    Release(disc);
    Release(box);
    Release(both);
    Release(outline);
    Release(mask);
    Release(fade);
    Release(teal);
    Release(plum);
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

static void Groups(GXRenderTargetRec_* target) {
    GXBrushRec_* stripe = Solid(0xFF264653u);
    for (int i = 0; i < 12; ++i) {
        GXRect band = {0, 12.0f * i, W, 12.0f * i + 5};
        CHECK(GXRenderTargetFillRect(target, &band, stripe));
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
        CHECK(GXRenderTargetBeginLayer(target, &params));
        Discs(target, x + 3, y + 2);
        CHECK(GXRenderTargetEndLayer(target));
        CHECK(GXRenderTargetPushState(target));
        CHECK(GXRenderTargetTranslateCTM(target, x + 4, y + 146));
        CHECK(GXRenderTargetFillText(target, sans, labels[kind], ink));
        CHECK(GXRenderTargetPopState(target));
    }

    /* A shape mask: a linear ramp's alpha cuts the coverage of a group of bars, so the
       group fades out to the right. */
    GXGradientStop stops[] = {{0.0f, 0xFF000000u}, {1.0f, 0x00000000u}};
    GXLinearGradientDesc desc = {stops, 2, 20, 0, 250, 0, 1, 1, {0, 0}, 0};
    GXGradientRec_* ramp = NULL;
    GXBrushRec_* fade = NULL;
    CHECK(GXCreateGradientLinear(&desc, &ramp));
    CHECK(GXCreateBrushGradient(ramp, 1.0f, NULL, &fade));
    CHECK(GXRenderTargetPushState(target));
    CHECK(GXRenderTargetSetShapeMask(target, 0, fade));
    GXLayerParams bars = {{20, 190, 250, 370}, 1.0f, 1, 0};
    CHECK(GXRenderTargetBeginLayer(target, &bars));
    static const uint32_t palette[4] = {0xFFE63946u, 0xFF2A9D8Fu, 0xFFE9C46Au, 0xFF6D597Au};
    for (int i = 0; i < 8; ++i) {
        GXBrushRec_* brush = Solid(palette[i % 4]);
        GXRect bar = {20, 190.0f + 22 * i, 250, 190.0f + 22 * i + 18};
        CHECK(GXRenderTargetFillRect(target, &bar, brush));
        Release(brush);
    }
    CHECK(GXRenderTargetEndLayer(target));
    CHECK(GXRenderTargetPopState(target));

    /* Nested groups: each level at opacity 0.8 holds a smaller square and the next level. */
    for (int level = 0; level < 6; ++level) {
        float inset = 14.0f * level;
        GXLayerParams params = {{280 + inset, 190 + inset, 490 - inset, 370 - inset}, 0.8f, 1, 0};
        CHECK(GXRenderTargetBeginLayer(target, &params));
        GXBrushRec_* brush = Solid(palette[level % 4]);
        CHECK(GXRenderTargetFillRect(target, &params.bounds, brush));
        Release(brush);
    }
    for (int level = 0; level < 6; ++level) CHECK(GXRenderTargetEndLayer(target));

    Release(fade);
    Release(ramp);
    Release(ink);
    Release(sans);
    Release(stripe);
}

static void Text(GXRenderTargetRec_* target) {
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

    CHECK(GXRenderTargetTranslateCTM(target, 20, 60));
    CHECK(
        GXRenderTargetFillText(target, sans, (const uint16_t*)u"libgx draws text as paths", ink));
    CHECK(GXRenderTargetTranslateCTM(target, 0, 80));
    CHECK(GXRenderTargetFillText(target, bold, (const uint16_t*)u"Bold italic, gradient ink",
                                 paint));
    CHECK(GXRenderTargetTranslateCTM(target, 40, 100));
    CHECK(GXRenderTargetRotateCTM(target, -0.2f));
    CHECK(GXRenderTargetFillText(
        target, sans, (const uint16_t*)u"rotated \u00e9\u00e8\u00e0 \u03b1\u03b2\u03b3", ink));

    Release(ink);
    Release(paint);
    Release(ramp);
    Release(sans);
    Release(bold);
}

typedef struct Page {
    const char* name;
    void (*draw)(GXRenderTargetRec_* target);
} Page;

static const Page pages[] = {{"paths", Paths},           {"gradients", Gradients},
                             {"bitmaps", Bitmaps},       {"blendmodes", BlendModes},
                             {"clipsmasks", ClipsAndMasks}, {"groups", Groups},
                             {"text", Text}};

int GalleryPageCount(void) {
    return (int)(sizeof pages / sizeof pages[0]);
}

const char* GalleryPageName(int page) {
    return pages[page].name;
}

int GalleryDrawPage(int page, GXRenderTargetRec_* target) {
    failures = 0;
    pages[page].draw(target);
    return failures;
}

int GalleryDrawFitted(int page, GXRenderTargetRec_* target, int width, int height) {
    const float margin = 16;
    float scale = fminf((width - 2 * margin) / W, (height - 2 * margin) / H);
    if (scale <= 0) scale = 1.0f / 64; /* a window too small to show the page shows a speck */
    failures = 0;
    CHECK(GXRenderTargetClear(target, 0xFF3C3F44u));
    CHECK(GXRenderTargetPushState(target));
    CHECK(GXRenderTargetTranslateCTM(target, 0.5f * (width - scale * W),
                                     0.5f * (height - scale * H)));
    CHECK(GXRenderTargetScaleCTM(target, scale, scale));
    GXRect sheet = {0, 0, W, H};
    CHECK(GXRenderTargetClipRect(target, &sheet));
    GXBrushRec_* white = Solid(0xFFFFFFFFu);
    CHECK(GXRenderTargetFillRect(target, &sheet, white));
    Release(white);
    const int before = failures;
    const int pageFailures = GalleryDrawPage(page, target);
    failures = before + pageFailures;
    CHECK(GXRenderTargetPopState(target));
    return failures;
}
