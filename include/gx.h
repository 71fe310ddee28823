/*
 * libgx: 2D vector graphics in the PDF imaging model.
 *
 * A flat C interface over reference-counted handles. Every function returns a GXResult;
 * outputs are written only on success. Handles made by a GXCreate* function (or any
 * function that hands out a new handle) start with one reference owned by the caller,
 * who gives it back with GXObjectRelease.
 */
#ifndef GX_H_
#define GX_H_

#include <stddef.h>
#include <stdint.h>

#if defined(GX_BUILDING_LIBRARY)
#define GXAPI __attribute__((visibility("default")))
#else
#define GXAPI
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Results ------------------------------------------------------------------------- */

typedef int32_t GXResult;

enum {
    GXResultSuccess = 0,       /* the call did what it was asked */
    GXResultNoResult = 2,      /* the operation produced nothing (a loader found no image) */
    GXResultInvalidArg = 3,    /* a required pointer is null or an argument is invalid */
    GXResultOutOfRange = 5,    /* an index is not below the number of elements */
    GXResultGraphicsError = 6, /* the library raised an error inside (out of memory, ...) */
    GXResultUnexpected = 11,   /* any other failure inside */
    GXResultPaintFailed = 12   /* the renderer could not finish the paint */
};

/* ---- Handles ------------------------------------------------------------------------- */

/* Every handle is a pointer to one of these incomplete records; all of them are GXOBase
   records, so GXObjectAcquire and GXObjectRelease take any of them. */
#ifdef __cplusplus
struct GXOBase;
struct GXPaletteRec_;
struct GXBitmapRec_;
struct GXBrushRec_;
struct GXGradientRec_;
struct GXFontFaceRec_;
struct GXGeometryRec_;
struct GXRegionRec_;
struct GXRenderTargetRec_;
#define GX_HANDLE(handle) (handle)
#else
typedef struct GXOBase GXOBase;
typedef struct GXPaletteRec_ GXPaletteRec_;
typedef struct GXBitmapRec_ GXBitmapRec_;
typedef struct GXBrushRec_ GXBrushRec_;
typedef struct GXGradientRec_ GXGradientRec_;
typedef struct GXFontFaceRec_ GXFontFaceRec_;
typedef struct GXGeometryRec_ GXGeometryRec_;
typedef struct GXRegionRec_ GXRegionRec_;
typedef struct GXRenderTargetRec_ GXRenderTargetRec_;
/* C has no conversion from a record to its base: GXObjectRelease(GX_HANDLE(bitmap)). */
#define GX_HANDLE(handle) ((GXOBase*)(handle))
#endif

/* Adds one reference to any handle. */
GXAPI GXResult GXObjectAcquire(GXOBase* handle);
/* Gives one reference back; the last one destroys the handle (the object behind it lives
   on while the library still uses it). */
GXAPI GXResult GXObjectRelease(GXOBase* handle);

/* ---- Shared records ------------------------------------------------------------------ */

typedef struct GXPoint {
    float x, y;
} GXPoint;

/* Not required to be normalised: right may be left of left, bottom above top. */
typedef struct GXRect {
    float left, top, right, bottom;
} GXRect;

typedef struct GXIntPoint {
    int32_t x, y;
} GXIntPoint;

typedef struct GXIntSize {
    int32_t width, height;
} GXIntSize;

/* Right and bottom are exclusive. */
typedef struct GXIntRect {
    int32_t left, top, right, bottom;
} GXIntRect;

/* (x, y) maps to (a*x + c*y + e, b*x + d*y + f). */
typedef struct GXMatrix {
    float a, b, c, d, e, f;
} GXMatrix;

/* ---- Pixel formats ------------------------------------------------------------------- */

/* Multi-byte pixels are little-endian: a 32-bit pixel read as an integer is 0xAARRGGBB.
   In the 1-bit formats the first pixel of a byte is its most significant bit. */
typedef int32_t GXPixelFormat;

enum {
    GXPixelFormatRGB24 = 1,    /* blue, green, red; opaque */
    GXPixelFormatPARGB32 = 2,  /* blue, green, red, alpha; colour premultiplied by alpha */
    GXPixelFormatARGB32 = 3,   /* blue, green, red, alpha; straight alpha */
    GXPixelFormatRGB32 = 4,    /* blue, green, red, ignored byte; opaque */
    GXPixelFormatA8 = 5,       /* alpha only (white with that alpha) */
    GXPixelFormatIndexed8 = 6, /* index into the palette */
    GXPixelFormatGray8 = 7,    /* grey level; opaque */
    GXPixelFormatA1 = 8,       /* alpha only, 0 or 1 (white) */
    GXPixelFormatIndexed1 = 9, /* index into a two-entry palette */
    GXPixelFormatGray1 = 10    /* black (0) or white (1); opaque */
};

/* ---- Palettes and bitmaps ----------------------------------------------------------- */


/* ---- Bitmap cache -------------------------------------------------------------------- */


/* ---- Geometry ------------------------------------------------------------------------ */

/* A path of figures (subpaths), each a start point followed by lines and cubic Bézier
   segments, open or closed, plus one fill rule. A figure is invisible (to replay, copy,
   drawing, emptiness and equality) until it is ended. */

/* Fill rules; a geometry stores any value, consumers read only these two. */
enum {
    GXFillRuleNonZero = 0, /* nonzero winding */
    GXFillRuleEvenOdd = 1  /* even-odd */
};

/* Receives a geometry's replay: setFillRule once, then per figure beginFigure, its
   segments and endFigure or endFigureClose (the closing segment is implied). Nothing at all
   for an empty geometry. All six callbacks must be non-null; context is handed back. */
typedef struct GXGeometrySinkCallbacks {
    void* context;
    void (*setFillRule)(void* context, int32_t rule);
    void (*beginFigure)(void* context, const GXPoint* start);
    void (*endFigure)(void* context);
    void (*endFigureClose)(void* context);
    void (*lineTo)(void* context, const GXPoint* point);
    void (*cubicCurveTo)(void* context, const GXPoint* c1, const GXPoint* c2, const GXPoint* end);
} GXGeometrySinkCallbacks;

/* Line joins; any other value bevels. */
enum { GXLineJoinMiter = 0, GXLineJoinRound = 1, GXLineJoinBevel = 2 };

/* Line caps; any other value is butt. */
enum { GXLineCapButt = 0, GXLineCapRound = 1, GXLineCapSquare = 2 };

/* How a stroke looks. Dashes alternate dash and gap lengths; with an odd count the second
   pass swaps them. A dash count of 0 strokes solid, counts above 15 count as 15. */
typedef struct GXStrokeStyle {
    int32_t lineJoin;   /* GXLineJoin* */
    int32_t lineCap;    /* GXLineCap* */
    float miterLimit;   /* longest miter, in half line widths, that is not cut to a bevel */
    int32_t reserved;   /* not read */
    float dashOffset;   /* how far into the pattern the stroke starts */
    float dashes[15];   /* dash and gap lengths */
    uint64_t dashCount; /* valid entries in dashes */
} GXStrokeStyle;

/* Makes a new empty geometry with rule GXFillRuleNonZero. */
GXAPI GXResult GXCreateGeometry(GXGeometryRec_** geometry);
/* Stores the fill rule (any value is kept). */
GXAPI GXResult GXGeometrySetFillRule(GXGeometryRec_* geometry, int32_t rule);
/* Reads the stored fill rule. */
GXAPI GXResult GXGeometryGetFillRule(GXGeometryRec_* geometry, int32_t* rule);
/* *empty = 1 when no figure is stored (an open figure does not count), else 0. */
GXAPI GXResult GXGeometryEmpty(GXGeometryRec_* geometry, uint8_t* empty);
/* *equal = 1 when both hold the same rule, bound and stored figures, bit for bit. */
GXAPI GXResult GXGeometryPointsEqual(GXGeometryRec_* geometry, GXGeometryRec_* other,
                                     uint8_t* equal);
/* The point a LineTo would start from; GXResultNoResult when there is none. */
GXAPI GXResult GXGeometryGetCurrentPoint(GXGeometryRec_* geometry, GXPoint* point);
/* Starts a figure (ending an open one). */
GXAPI GXResult GXGeometryBeginFigure(GXGeometryRec_* geometry, const GXPoint* start);
/* Ends the open figure, leaving it open; a figure of one point stays open. */
GXAPI GXResult GXGeometryEndFigure(GXGeometryRec_* geometry);
/* Ends the open figure, closed. */
GXAPI GXResult GXGeometryEndFigureClose(GXGeometryRec_* geometry);
/* A line from the current point; starts a figure there (or at 0, 0) when none is open. */
GXAPI GXResult GXGeometryLineTo(GXGeometryRec_* geometry, const GXPoint* point);
/* The cubic (current point, control, end). */
GXAPI GXResult GXGeometryConicCurveTo(GXGeometryRec_* geometry, const GXPoint* control,
                                      const GXPoint* end);
/* A cubic Bézier from the current point. */
GXAPI GXResult GXGeometryCubicCurveTo(GXGeometryRec_* geometry, const GXPoint* c1,
                                      const GXPoint* c2, const GXPoint* end);
/* Adds a closed figure: left-top, right-top, right-bottom, left-bottom. */
GXAPI GXResult GXGeometryRectangle(GXGeometryRec_* geometry, const GXRect* rect);
/* Adds the ellipse inscribed in rect as four cubics; nothing for zero width or height. */
GXAPI GXResult GXGeometryEllipse(GXGeometryRec_* geometry, const GXRect* rect);
/* Adds a rectangle with elliptic corners, radii clamped to half the sides. */
GXAPI GXResult GXGeometryRoundRectangle(GXGeometryRec_* geometry, const GXRect* rect, float rx,
                                        float ry);
/* A new geometry holding the stored figures of this one. */
GXAPI GXResult GXGeometryCopy(GXGeometryRec_* geometry, GXGeometryRec_** copy);
/* Replays the geometry into the callbacks, synchronously. */
GXAPI GXResult GXGeometrySendToSink(GXGeometryRec_* geometry,
                                    const GXGeometrySinkCallbacks* callbacks);
/* A new geometry: this one with every point mapped through matrix. */
GXAPI GXResult GXGeometryTransform(GXGeometryRec_* geometry, const GXMatrix* matrix,
                                   GXGeometryRec_** transformed);
/* The box of every point the geometry received (control points too) through matrix (null:
   identity); (0, 0, 0, 0) mapped when no figure is stored. */
GXAPI GXResult GXGeometryGetBound(GXGeometryRec_* geometry, const GXMatrix* matrix, GXRect* bound);
/* A new geometry: the outline of the stroke (nonzero rule); tolerance is the flattening
   tolerance. A bad dash pattern strokes solid. */
GXAPI GXResult GXGeometryWiden(GXGeometryRec_* geometry, float width, const GXStrokeStyle* style,
                               float tolerance, GXGeometryRec_** outline);
/* *inside = 1 when the point lies in the filled interior under the fill rule. */
GXAPI GXResult GXGeometryHitTest(GXGeometryRec_* geometry, const GXPoint* point, uint8_t* inside);


/* ---- Regions ------------------------------------------------------------------------- */


/* ---- Brushes and gradients ----------------------------------------------------------- */


/* ---- Render targets ------------------------------------------------------------------ */


#ifdef __cplusplus
}
#endif

#endif /* GX_H_ */
