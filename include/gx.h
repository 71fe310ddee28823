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


/* ---- Regions ------------------------------------------------------------------------- */

/* Combine operations shared by regions and geometries; A is the first operand. Other
   codes are rejected with GXResultInvalidArg. */
typedef int32_t GXCombineMode;

enum {
    GXCombineIntersect = 0,        /* in both */
    GXCombineUnion = 1,            /* in either */
    GXCombineXor = 2,              /* in exactly one */
    GXCombineDifference = 3,       /* in A and not in B */
    GXCombineReverseDifference = 4 /* in B and not in A */
};

/* Receives the rectangles of GXRegionEnumRects, one call each. */
typedef void (*GXRegionRectCallback)(void* context, const GXIntRect* rect);

/* Regions are sets of integer pixels. Every rectangle given to a region function must be
   normalised (left <= right, top <= bottom) and free of INT32_MAX, else the call returns
   GXResultInvalidArg; a rectangle with zero width or height covers no pixel. */

/* Makes the empty region. */
GXAPI GXResult GXCreateRegion(GXRegionRec_** region);
/* Makes the region covering the rectangle; its bound is the rectangle as given. */
GXAPI GXResult GXCreateRegionFromRect(const GXIntRect* rect, GXRegionRec_** region);
/* Writes 1 when the region covers no pixel, else 0. */
GXAPI GXResult GXRegionIsAreaEmpty(GXRegionRec_* region, uint8_t* isEmpty);
/* Writes the region's bound. */
GXAPI GXResult GXRegionGetBound(GXRegionRec_* region, GXIntRect* bound);
/* Writes 1 when the point lies in the region's bound, both edges included (a bound test:
   points in holes count as inside), else 0. */
GXAPI GXResult GXRegionContainsPoint(GXRegionRec_* region, const GXIntPoint* point,
                                     uint8_t* contains);
/* Writes 1 when the region covers every pixel of the rectangle, else 0. */
GXAPI GXResult GXRegionContainsRect(GXRegionRec_* region, const GXIntRect* rect,
                                    uint8_t* contains);
/* Writes 1 when region a covers every pixel of region b, else 0. */
GXAPI GXResult GXRegionContains(GXRegionRec_* a, GXRegionRec_* b, uint8_t* contains);
/* Writes 1 when regions a and b share a pixel, else 0. */
GXAPI GXResult GXRegionHasIntersection(GXRegionRec_* a, GXRegionRec_* b, uint8_t* intersects);
/* Writes 1 when the region and the rectangle share a pixel, else 0. */
GXAPI GXResult GXRegionHasIntersectionWithRect(GXRegionRec_* region, const GXIntRect* rect,
                                               uint8_t* intersects);
/* Moves the region in place; GXResultInvalidArg, and nothing moved, when a coordinate
   would leave the int32_t range or reach INT32_MAX. */
GXAPI GXResult GXRegionOffset(GXRegionRec_* region, int32_t dx, int32_t dy);
/* Makes the new region a op b. */
GXAPI GXResult GXRegionCombine(GXRegionRec_* a, GXRegionRec_* b, GXCombineMode op,
                               GXRegionRec_** result);
/* Makes the new region a op rectangle. */
GXAPI GXResult GXRegionCombineRect(GXRegionRec_* a, const GXIntRect* rect, GXCombineMode op,
                                   GXRegionRec_** result);
/* Calls back once per rectangle of the region, band by band from the top and left to
   right within a band, before returning; the rectangles are disjoint. */
GXAPI GXResult GXRegionEnumRects(GXRegionRec_* region, GXRegionRectCallback callback,
                                 void* context);


/* ---- Brushes and gradients ----------------------------------------------------------- */


/* ---- Render targets ------------------------------------------------------------------ */


#ifdef __cplusplus
}
#endif

#endif /* GX_H_ */
