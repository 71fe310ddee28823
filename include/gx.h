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
/* Only the library sees the records' definitions; to a caller they are incomplete, so the
   conversion to the base is spelled out (every record starts with its GXOBase). */
#define GX_HANDLE(handle) (reinterpret_cast<GXOBase*>(handle))
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


/* ---- Brushes and gradients ----------------------------------------------------------- */


/* ---- Font faces ---------------------------------------------------------------------- */

/* Text is null-terminated UTF-16 (uint16_t units, interchangeable with char16_t). */

enum {
    GXFontStyleBold = 1,  /* weight 700 instead of 400 */
    GXFontStyleItalic = 2 /* italic (or oblique) face */
};

/* The extent of a run of text: the sum of its glyphs' advances, and the face's size. */
typedef struct GXTextBound {
    float width;  /* pixels at 96 dpi */
    float height; /* the face's size in points */
} GXTextBound;

/* A face of the family faceName (a missing family falls back on the system's choice), with
   GXFontStyle* bits in style (others ignored) and a size in points from 0.75 to 7200
   (anything else, NaN included, returns GXResultInvalidArg). */
GXAPI GXResult GXCreateFontFace(const uint16_t* faceName, uint32_t style, float size,
                                GXFontFaceRec_** out);
/* Width and height of text set in face; an empty text has width 0. */
GXAPI GXResult GXFontFaceCalculateTextBound(GXFontFaceRec_* face, const uint16_t* text,
                                            GXTextBound* out);

/* ---- Render targets ------------------------------------------------------------------ */


#ifdef __cplusplus
}
#endif

#endif /* GX_H_ */
