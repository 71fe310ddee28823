/**
 * @file gx.h
 * @brief libgx: 2D vector graphics in the PDF imaging model.
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

/* What a call did: one of the GXResult* codes. */
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
typedef struct GXOBase GXOBase;                       /* any handle */
typedef struct GXPaletteRec_ GXPaletteRec_;           /* a palette */
typedef struct GXBitmapRec_ GXBitmapRec_;             /* a bitmap */
typedef struct GXBrushRec_ GXBrushRec_;               /* a brush */
typedef struct GXGradientRec_ GXGradientRec_;         /* a gradient */
typedef struct GXFontFaceRec_ GXFontFaceRec_;         /* a font face */
typedef struct GXGeometryRec_ GXGeometryRec_;         /* a geometry (path) */
typedef struct GXRegionRec_ GXRegionRec_;             /* a region */
typedef struct GXRenderTargetRec_ GXRenderTargetRec_; /* a render target */
/* C has no conversion from a record to its base: GXObjectRelease(GX_HANDLE(bitmap)). */
#define GX_HANDLE(handle) ((GXOBase*)(handle))
#endif

/* Windows, device contexts and native bitmaps of the host system, made and deleted through
   gxhost.h. They are not GXOBase records: GXObjectAcquire and GXObjectRelease do not take
   them. */
typedef struct GXHostWindow GXHostWindow; /* a window wrapped by GXHostWrapWindow */
typedef struct GXHostDC GXHostDC;         /* a memory, window, Cairo or printer context */
typedef struct GXHostBitmap GXHostBitmap; /* a native bitmap (top-down rows) */

/* Adds one reference to any handle. */
GXAPI GXResult GXObjectAcquire(GXOBase* handle);
/* Gives one reference back; the last one destroys the handle (the object behind it lives
   on while the library still uses it). */
GXAPI GXResult GXObjectRelease(GXOBase* handle);

/* Lets the calling thread's window render targets be drawn by the GPU renderer (over
   Vulkan; see GXCreateRenderTargetHWND). Each thread that calls it gets its own GPU device,
   released when the thread ends; targets made on it stay usable after that. A second call
   on a thread changes nothing. A machine without a usable Vulkan 1.3 device leaves the
   thread on software, still with GXResultSuccess. */
GXAPI GXResult GXEnableHWAccelerationForThread(void);

/* ---- Shared records ------------------------------------------------------------------ */

/* A point in user or device space. */
typedef struct GXPoint {
    float x, y; /* coordinates */
} GXPoint;

/* Not required to be normalised: right may be left of left, bottom above top. */
typedef struct GXRect {
    float left, top, right, bottom; /* edges */
} GXRect;

/* A pixel position. */
typedef struct GXIntPoint {
    int32_t x, y; /* pixel coordinates, y downwards */
} GXIntPoint;

/* A size in pixels. */
typedef struct GXIntSize {
    int32_t width, height; /* pixels */
} GXIntSize;

/* Right and bottom are exclusive. */
typedef struct GXIntRect {
    int32_t left, top, right, bottom; /* edges in pixels */
} GXIntRect;

/* (x, y) maps to (a*x + c*y + e, b*x + d*y + f). */
typedef struct GXMatrix {
    float a, b, c, d, e, f; /* coefficients, as above */
} GXMatrix;

/* ---- Pixel formats ------------------------------------------------------------------- */

/* A pixel format: one of the GXPixelFormat* codes. Multi-byte pixels are little-endian:
   a 32-bit pixel read as an integer is 0xAARRGGBB. In the 1-bit formats the first pixel
   of a byte is its most significant bit. */
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

/* Argument of GXCreateBitmap. A negative width or height is reported back as given; the
   pixel store has the absolute size. */
typedef struct GXBitmapDesc {
    int32_t width, height; /* pixels */
    GXPixelFormat format;  /* a GXPixelFormat* code */
    float dpiX, dpiY;      /* resolution in dots per inch */
} GXBitmapDesc;

/* A window onto pixel rows: data is the first byte of the first row, rowBytes the bytes of
   each row that belong to the window, stride the distance from one row to the next. */
typedef struct GXBitmapData {
    void* data;       /* the first byte of the first row */
    int32_t rowBytes; /* bytes of each row in the window */
    int32_t stride;   /* bytes from one row to the next */
} GXBitmapData;

/* Lock modes of GXBitmapLock. */
enum {
    GXLockRead = 1,     /* the pixels are read */
    GXLockWrite = 2,    /* the pixels are written */
    GXLockReadWrite = 3 /* both */
};

/* A new palette holding a copy of count (>= 1) ARGB values (0xAARRGGBB). */
GXAPI GXResult GXCreatePalette(const uint32_t* colors, uint64_t count, GXPaletteRec_** out);
/* The number of colours. */
GXAPI GXResult GXPaletteGetNumColors(GXPaletteRec_* palette, uint64_t* out);
/* The colour at index; GXResultOutOfRange when index is not below the number of colours. */
GXAPI GXResult GXPaletteGetColor(GXPaletteRec_* palette, uint64_t index, uint32_t* out);
/* The palette's own array, valid while the palette lives. */
GXAPI GXResult GXPaletteGetColors(GXPaletteRec_* palette, const uint32_t** out);

/* A new bitmap in system memory, pixels uninitialised, no palette. An unknown format or a
   size whose pixel store cannot exist (rows over 2 GiB, store over 1 TiB) gives
   GXResultInvalidArg. */
GXAPI GXResult GXCreateBitmap(const GXBitmapDesc* desc, GXBitmapRec_** out);
/* The bitmap's pixel format. */
GXAPI GXResult GXBitmapGetPixelFormat(GXBitmapRec_* bitmap, GXPixelFormat* out);
/* The bitmap's size as it was requested. */
GXAPI GXResult GXBitmapGetSize(GXBitmapRec_* bitmap, GXIntSize* out);
/* Horizontal resolution in dots per inch. */
GXAPI GXResult GXBitmapGetDpiX(GXBitmapRec_* bitmap, float* out);
/* Vertical resolution in dots per inch. */
GXAPI GXResult GXBitmapGetDpiY(GXBitmapRec_* bitmap, float* out);
/* Shares palette with the bitmap (null removes it); renderer copies are dropped. */
GXAPI GXResult GXBitmapSetPalette(GXBitmapRec_* bitmap, GXPaletteRec_* palette);
/* A new handle sharing the bitmap's palette, or null when it has none. */
GXAPI GXResult GXBitmapGetPalette(GXBitmapRec_* bitmap, GXPaletteRec_** out);
/* Locks the window starting at rect's top-left (null: the corner); its rowBytes reach the
   right edge. rect must lie within the bitmap; mode is a GXLock* value. */
GXAPI GXResult GXBitmapLock(GXBitmapRec_* bitmap, const GXIntRect* rect, uint32_t mode,
                            GXBitmapData* out);
/* Ends the latest lock (locks nest, each ended by one unlock); GXResultInvalidArg when no
   lock is held. When the last outstanding lock for writing ends, renderer copies are
   dropped, so what was written is what the next paint sees. */
GXAPI GXResult GXBitmapUnlock(GXBitmapRec_* bitmap);
/* Copies sourceRect (null: all) of source to origin (null: 0,0), converting the format. */
GXAPI GXResult GXBitmapCopyFromBitmap(GXBitmapRec_* bitmap, const GXIntPoint* origin,
                                      GXBitmapRec_* source, const GXIntRect* sourceRect);
/* Copies rows from memory into rect (null: the whole bitmap), each of the smaller of the
   two rowBytes. rect must lie within the bitmap; a negative rowBytes is invalid. */
GXAPI GXResult GXBitmapCopyFromMemory(GXBitmapRec_* bitmap, const GXIntRect* rect,
                                      const GXBitmapData* memory);
/* Copies rect (null: all, clamped to the bitmap) into memory, at most rowBytes per row;
   a negative rowBytes is invalid. */
GXAPI GXResult GXBitmapCopyToMemory(GXBitmapRec_* bitmap, const GXIntRect* rect,
                                    const GXBitmapData* memory);
/* Fills rect (null: all) with an ARGB colour in the bitmap's format; renderer copies are
   kept (call GXBitmapNotifyChanged when they must go). */
GXAPI GXResult GXBitmapColorFill(GXBitmapRec_* bitmap, const GXIntRect* rect, uint32_t color);
/* Drops every renderer copy of the bitmap. */
GXAPI GXResult GXBitmapNotifyChanged(GXBitmapRec_* bitmap);
/* Stores the off-screen painting flag. */
GXAPI GXResult GXBitmapSetOffscreenPainting(GXBitmapRec_* bitmap, int32_t flag);

/* Image files: PNG, JPEG, BMP, TIFF and GIF. Paths are null-terminated UTF-16. A file that
   is missing or cannot be decoded gives GXResultGraphicsError; an image whose pixels have
   no library format gives GXResultNoResult. Refused with GXResultGraphicsError, without
   waiting and without allocating for them: paths naming anything but a regular file (a
   FIFO, a device, a directory), files whose data ends before the image does, and images
   whose pixels and decoding buffers together would pass 1 GiB. */

/* A new bitmap holding the first frame of the image file at path. */
GXAPI GXResult GXCreateBitmapFromFile(const uint16_t* path, GXBitmapRec_** out);
/* Frame frameIndex (pages of a TIFF, images of a GIF); frameCount (optional) receives the
   number of frames, even when frameIndex then proves out of range. */
GXAPI GXResult GXCreateBitmapFromFileFrame(const uint16_t* path, int32_t frameIndex,
                                           uint32_t* frameCount, GXBitmapRec_** out);
/* A new bitmap from the image file held in size (>= 1) bytes at data. */
GXAPI GXResult GXCreateBitmapFromMemory(const void* data, uint64_t size, GXBitmapRec_** out);
/* Encodes the bitmap into path, the encoder named by "image/" and the text after the last
   '.' ("jpg" and "tif" read as "jpeg" and "tiff", case-sensitive). A bitmap without pixels
   (zero width or height) is not saved and gives GXResultGraphicsError. */
GXAPI GXResult GXBitmapSaveToFile(GXBitmapRec_* bitmap, const uint16_t* path);
/* A bitmap over a native bitmap (gxhost.h), sharing its pixels rather than copying them: a
   1-bit native bitmap is Indexed1 when it has a colour table, else Gray1; 8-bit Indexed8 or
   Gray8 alike; 24-bit RGB24; 32-bit RGB32; 96 dots per inch. The native bitmap lives as long
   as the bitmap needs it. A native bitmap that does not exist (deleted, or not one) gives
   GXResultGraphicsError. */
GXAPI GXResult GXCreateBitmapFromHBITMAP(GXHostBitmap* hbitmap, GXBitmapRec_** out);
/* A new native bitmap holding a copy of the pixels, deleted by the caller with
   GXHostDeleteBitmap. A1 and Gray1 bitmaps without a palette become 1-bit with black and
   white, Gray8 ones 8-bit with a grey ramp; other palettes become the colour table. An
   empty bitmap gives GXResultGraphicsError. */
GXAPI GXResult GXBitmapSaveToHBITMAP(GXBitmapRec_* bitmap, GXHostBitmap** out);


/* ---- Bitmap cache -------------------------------------------------------------------- */

/* A process-wide registry of bitmap handles under identifiers, bounded by a memory quota:
   the oldest registrations are forgotten first. It takes no references. */

/* Sets the quota in bytes and forgets the oldest entries until the estimate fits. */
GXAPI GXResult GXBitmapCacheSetMemoryQuota(uint64_t quota);
/* The quota in bytes (40 MiB at load). */
GXAPI GXResult GXBitmapCacheGetMemoryQuota(uint64_t* out);
/* The estimated pixel bytes of the registered bitmaps. */
GXAPI GXResult GXBitmapCacheGetMemoryInUse(uint64_t* out);
/* Registers bitmap and writes its identifier (from 1, never reused). */
GXAPI GXResult GXBitmapCachePut(GXBitmapRec_* bitmap, int32_t* outId);
/* The registered handle, or null when id is not registered. No reference is added. */
GXAPI GXResult GXBitmapCacheGet(uint32_t id, GXBitmapRec_** out);
/* Forgets id if it is registered. */
GXAPI GXResult GXBitmapCacheRemove(uint32_t id);


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
    void* context; /* handed to every callback */
    void (*setFillRule)(void* context, int32_t rule);         /* the geometry's fill rule */
    void (*beginFigure)(void* context, const GXPoint* start); /* a figure starts at start */
    void (*endFigure)(void* context);                         /* the figure ends open */
    void (*endFigureClose)(void* context);                    /* the figure ends closed */
    void (*lineTo)(void* context, const GXPoint* point);      /* a line to point */
    /* a cubic Bézier through controls c1 and c2 to end */
    void (*cubicCurveTo)(void* context, const GXPoint* c1, const GXPoint* c2, const GXPoint* end);
} GXGeometrySinkCallbacks;

/* Line joins; any other value bevels. */
enum {
    GXLineJoinMiter = 0, /* sharp corner, cut to a bevel beyond the miter limit */
    GXLineJoinRound = 1, /* circular arc */
    GXLineJoinBevel = 2  /* straight cut across the corner */
};

/* Line caps; any other value is butt. */
enum {
    GXLineCapButt = 0,  /* ends square at the end point */
    GXLineCapRound = 1, /* half circle beyond the end point */
    GXLineCapSquare = 2 /* half a line width beyond the end point */
};

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
/* The box of every finite point the geometry received (control points too; a point with a
   NaN or infinite coordinate is left out) through matrix (null: identity); (0, 0, 0, 0)
   mapped when no figure is stored. */
GXAPI GXResult GXGeometryGetBound(GXGeometryRec_* geometry, const GXMatrix* matrix, GXRect* bound);
/* A new geometry: the outline of the stroke (nonzero rule); tolerance is the flattening
   tolerance. A bad dash pattern, or one that repeats within the tolerance, strokes solid.
   An outline of more than 2^23 points is GXResultGraphicsError ("Stroke outline is too
   complex"), reached in a fraction of a second. */
GXAPI GXResult GXGeometryWiden(GXGeometryRec_* geometry, float width, const GXStrokeStyle* style,
                               float tolerance, GXGeometryRec_** outline);
/* *inside = 1 when the point lies in the filled interior under the fill rule. */
GXAPI GXResult GXGeometryHitTest(GXGeometryRec_* geometry, const GXPoint* point, uint8_t* inside);
/* A new geometry of closed polygons: operation 0 intersect, 1 union, 2 exclusive or, 3 first
   minus second, 4 second minus first; matrix (null: identity) moves only the second; precision
   (positive) is the grid unit and curve tolerance. */
GXAPI GXResult GXGeometryCombine(GXGeometryRec_* geometry, GXGeometryRec_* other,
                                 const GXMatrix* matrix, int32_t operation, float precision,
                                 GXGeometryRec_** combined);


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

/* A colour with straight alpha, each channel nominally 0..1. */
typedef struct GXColorF {
    float red, green, blue, alpha; /* channels */
} GXColorF;

/* A colour at a position along a gradient's ramp. */
typedef struct GXGradientStop {
    float offset;   /* position along the ramp, nominally 0..1 */
    uint32_t color; /* 0xAARRGGBB, straight alpha */
} GXGradientStop;

/* Stops sharing an offset keep their order (a hard step). extendStart and extendEnd are the
   Extend flags of PDF shadings; a background of 0 means none. */
typedef struct GXLinearGradientDesc {
    const GXGradientStop* stops; /* count stops; may be null when count is 0 */
    uint64_t count;              /* number of stops */
    float x0, y0, x1, y1;        /* the axis from (x0, y0) to (x1, y1) */
    uint8_t extendStart, extendEnd; /* 0 or 1: paint beyond the start, the end */
    uint8_t reserved[2];         /* not read */
    uint32_t background;         /* 0xAARRGGBB where the gradient paints nothing; 0 none */
} GXLinearGradientDesc;

/* As GXLinearGradientDesc, between two circles. */
typedef struct GXRadialGradientDesc {
    const GXGradientStop* stops;    /* count stops; may be null when count is 0 */
    uint64_t count;                 /* number of stops */
    float x0, y0, r0, x1, y1, r1;   /* the circles (x0, y0, r0) and (x1, y1, r1) */
    uint8_t extendStart, extendEnd; /* 0 or 1: paint beyond the start, the end */
    uint8_t reserved[2];            /* not read */
    uint32_t background;            /* 0xAARRGGBB where the gradient paints nothing; 0 none */
} GXRadialGradientDesc;

/* A corner of a triangle-mesh gradient. */
typedef struct GXTriMeshVertex {
    float x, y;     /* position */
    uint32_t color; /* 0xAARRGGBB, straight alpha */
} GXTriMeshVertex;

/* How bitmaps are sampled. */
enum {
    GXBitmapSamplingNearest = 0,    /* the nearest pixel */
    GXBitmapSamplingBilinear = 1,   /* the four nearest pixels, weighted */
    GXBitmapSamplingBoxBilinear = 2 /* bilinear after an area-averaged reduction when shrinking */
};

/* What a bitmap brush paints beyond the bitmap's edges. */
enum {
    GXExtendClamp = 0,  /* the edge pixels, repeated outwards */
    GXExtendRepeat = 1, /* the bitmap, tiled */
    GXExtendMirror = 2  /* the bitmap, tiled and mirrored at every other tile */
};

/* How a bitmap brush samples and extends its bitmap. */
typedef struct GXBitmapBrushParams {
    int32_t samplingMode; /* GXBitmapSampling*; others sample as nearest */
    int32_t extendX;      /* GXExtend* horizontally; others clamp */
    int32_t extendY;      /* GXExtend* vertically; others clamp */
} GXBitmapBrushParams;

/* A linear (axial) gradient from (x0, y0) to (x1, y1). */
GXAPI GXResult GXCreateGradientLinear(const GXLinearGradientDesc* desc, GXGradientRec_** out);
/* A radial gradient between the circles (x0, y0, r0) and (x1, y1, r1). */
GXAPI GXResult GXCreateGradientRadial(const GXRadialGradientDesc* desc, GXGradientRec_** out);
/* Gouraud-shaded triangles with colours at the corners, given as one triangle strip: the
   first three vertices make the first triangle and every later vertex makes one more with
   the two before it (n vertices, n - 2 triangles; fewer than 3 paint nothing). count must
   not be 0. */
GXAPI GXResult GXCreateGradientTriMesh(const GXTriMeshVertex* vertices, uint64_t count,
                                       uint32_t background, GXGradientRec_** out);
/* A solid brush; each channel is clamped to 0..1. */
GXAPI GXResult GXCreateBrushSolid(const GXColorF* color, GXBrushRec_** out);
/* A solid brush from 0xAARRGGBB. */
GXAPI GXResult GXCreateBrushSolidARGB(uint32_t argb, GXBrushRec_** out);
/* A brush sharing the bitmap; params null means bilinear and clamp, matrix null identity.
   The matrix maps bitmap pixels straight to device pixels. A NaN opacity or a matrix with a
   NaN or infinite entry is GXResultInvalidArg. */
GXAPI GXResult GXCreateBrushBitmap(GXBitmapRec_* bitmap, float opacity,
                                   const GXBitmapBrushParams* params, const GXMatrix* matrix,
                                   GXBrushRec_** out);
/* A brush sharing the gradient; matrix null means identity. NaN opacity or a non-finite
   matrix is GXResultInvalidArg. */
GXAPI GXResult GXCreateBrushGradient(GXGradientRec_* gradient, float opacity,
                                     const GXMatrix* matrix, GXBrushRec_** out);


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

/* Blend modes of the PDF imaging model. Colour burn is 6 and colour dodge 7. */
enum {
    GXBlendModeNormal = 0,      /* the source colour */
    GXBlendModeMultiply = 1,    /* backdrop times source */
    GXBlendModeScreen = 2,      /* backdrop + source - backdrop times source */
    GXBlendModeOverlay = 3,     /* multiply or screen, chosen by the backdrop */
    GXBlendModeDarken = 4,      /* the darker of the two */
    GXBlendModeLighten = 5,     /* the lighter of the two */
    GXBlendModeColorBurn = 6,   /* darkens the backdrop to reflect the source */
    GXBlendModeColorDodge = 7,  /* brightens the backdrop to reflect the source */
    GXBlendModeHardLight = 8,   /* multiply or screen, chosen by the source */
    GXBlendModeSoftLight = 9,   /* darkens or lightens, chosen by the source */
    GXBlendModeDifference = 10, /* the absolute difference */
    GXBlendModeExclusion = 11,  /* as difference, lower in contrast */
    GXBlendModeHue = 12,        /* the source's hue, the backdrop's saturation and luminosity */
    GXBlendModeSaturation = 13, /* the source's saturation, the backdrop's hue and luminosity */
    GXBlendModeColor = 14,      /* the source's hue and saturation, the backdrop's luminosity */
    GXBlendModeLuminosity = 15  /* the source's luminosity, the backdrop's hue and saturation */
};

/* A transparency group (layer). */
typedef struct GXLayerParams {
    GXRect bounds;    /* user space; nothing outside is drawn into the layer */
    float opacity;    /* multiplies the layer's contribution when it is composited */
    uint8_t isolated; /* 0 or 1: the group starts transparent rather than from the backdrop */
    uint8_t knockout; /* 0 or 1: each object composites with the group's initial backdrop */
} GXLayerParams;

/* A software render target painting bitmap; PARGB32 and RGB32 bitmaps are painted in place,
   other formats through a PARGB32 copy converted back at each GXRenderTargetEndPaint. The
   target keeps the bitmap alive. */
GXAPI GXResult GXCreateRenderTargetBitmap(GXBitmapRec_* bitmap, GXRenderTargetRec_** out);
/* A render target painting a window's client area (see gxhost.h). With softwareOnly 0 on a
   thread that called GXEnableHWAccelerationForThread, the GPU renderer draws it where it can
   (RGB32); otherwise, and silently whenever the GPU path cannot make a target, the software
   renderer. Either way the picture follows the client size at each GXRenderTargetBeginPaint.
   The software back buffer is RGB32 on 32-, 16- and 8-bit displays (packed to the display's
   pixels when presented), RGB24 on 24-bit ones. A window that does not exist gives
   GXResultGraphicsError; GXRenderTargetEndPaint gives GXResultPaintFailed when the window
   went away meanwhile, or when the GPU device was lost during the paint (the device is made
   anew: paint again). */
GXAPI GXResult GXCreateRenderTargetHWND(GXHostWindow* hwnd, int32_t softwareOnly,
                                        GXRenderTargetRec_** out);
/* A render target painting rect of a device context (null: the whole device, from 0, 0 to
   its width and height), RGB32 at the device's resolution. It starts from a copy of the
   device's pixels under rect and copies its pixels to the device at each
   GXRenderTargetEndPaint (GXResultPaintFailed when the device can no longer be drawn on). An
   inverted rect gives GXResultInvalidArg, a context that does not exist
   GXResultGraphicsError. */
GXAPI GXResult GXCreateRenderTargetHDC(GXHostDC* hdc, const GXIntRect* rect,
                                       GXRenderTargetRec_** out);
/* A render target drawing the pages of a printer context (GXHostCreatePrinterDC) as vector
   graphics: one user unit is one point on paper, whatever the device's resolution. It
   reports RGB32 and the page in device pixels. Blend modes, groups and soft masks are
   approximated: a fill under a blend mode is drawn at half opacity, a layer opened under one
   at three quarters of its opacity, and fills under a soft mask or a blend mode are rendered
   into an image placed on the page. GXResultInvalidArg when hdc is not a printer. */
GXAPI GXResult GXCreateRenderTargetPrintDC(GXHostDC* hdc, GXRenderTargetRec_** out);
/* The pixel format of the surface. */
GXAPI GXResult GXRenderTargetGetPixelFormat(GXRenderTargetRec_* target, GXPixelFormat* out);
/* The size of the surface in device pixels. */
GXAPI GXResult GXRenderTargetGetSize(GXRenderTargetRec_* target, GXIntSize* out);
/* Fills the whole target with an ARGB colour, ignoring clip, CTM, masks and blend mode. */
GXAPI GXResult GXRenderTargetClear(GXRenderTargetRec_* target, uint32_t argb);
/* Starts a paint; drawing, clipping and masks outside a paint do nothing. */
GXAPI GXResult GXRenderTargetBeginPaint(GXRenderTargetRec_* target);
/* Ends the paint and presents it; GXResultPaintFailed when the renderer could not finish. */
GXAPI GXResult GXRenderTargetEndPaint(GXRenderTargetRec_* target);
/* Saves the graphics state (CTM, blend mode, stroke adjustment, clip, masks). */
GXAPI GXResult GXRenderTargetPushState(GXRenderTargetRec_* target);
/* Restores the state saved by the matching push; nothing without one. */
GXAPI GXResult GXRenderTargetPopState(GXRenderTargetRec_* target);
/* The current transformation matrix. */
GXAPI GXResult GXRenderTargetGetCTM(GXRenderTargetRec_* target, GXMatrix* out);
/* The CTM calls below refuse NaN or infinite arguments, and any change whose resulting CTM
   is not finite, with GXResultInvalidArg and leave the CTM as it was. */
/* Sets the CTM; null sets the identity. */
GXAPI GXResult GXRenderTargetSetCTM(GXRenderTargetRec_* target, const GXMatrix* matrix);
/* The new CTM applies matrix first, then the old CTM. */
GXAPI GXResult GXRenderTargetConcatCTM(GXRenderTargetRec_* target, const GXMatrix* matrix);
/* Concatenates a rotation by radians. */
GXAPI GXResult GXRenderTargetRotateCTM(GXRenderTargetRec_* target, float radians);
/* Concatenates a scale; GXResultInvalidArg when sx or sy is 0. */
GXAPI GXResult GXRenderTargetScaleCTM(GXRenderTargetRec_* target, float sx, float sy);
/* Concatenates a translation. */
GXAPI GXResult GXRenderTargetTranslateCTM(GXRenderTargetRec_* target, float tx, float ty);
/* Sets the blend mode (GXBlendMode...; other codes composite as Normal). */
GXAPI GXResult GXRenderTargetSetBlendMode(GXRenderTargetRec_* target, int32_t mode);
/* Non-zero snaps axis-aligned rectangles to whole device pixels. */
GXAPI GXResult GXRenderTargetSetStrokeAdjustment(GXRenderTargetRec_* target, int32_t flag);
/* Type 0 alpha, 1 inverse alpha, 2 luminosity, 3 inverse luminosity; null removes the mask. */
GXAPI GXResult GXRenderTargetSetOpacityMask(GXRenderTargetRec_* target, int32_t type,
                                            GXBrushRec_* brush);
/* As GXRenderTargetSetOpacityMask, for the shape mask. */
GXAPI GXResult GXRenderTargetSetShapeMask(GXRenderTargetRec_* target, int32_t type,
                                          GXBrushRec_* brush);
/* Opens a transparency group: every later call draws into it until GXRenderTargetEndLayer,
   which composites it into what encloses it under that level's blend mode, masks and clip.
   The group starts from the CTM, with blend mode Normal, no masks and no clip of its own.
   Nothing outside params->bounds (user space under the CTM) reaches the group. An isolated
   group starts transparent, a non-isolated one from the pixels under it; in a knockout
   group each object composites with the group's initial backdrop rather than the objects
   before it. A NaN opacity or bound is GXResultInvalidArg. Does nothing outside a paint. */
GXAPI GXResult GXRenderTargetBeginLayer(GXRenderTargetRec_* target, const GXLayerParams* params);
/* Composites and closes the innermost open group; nothing when none is open. Groups still
   open at GXRenderTargetEndPaint are dropped without being composited. */
GXAPI GXResult GXRenderTargetEndLayer(GXRenderTargetRec_* target);
/* Fills the geometry under the CTM with its fill rule. */
GXAPI GXResult GXRenderTargetFillGeometry(GXRenderTargetRec_* target, GXGeometryRec_* geometry,
                                          GXBrushRec_* brush);
/* Fills glyph outlines; never snapped. */
GXAPI GXResult GXRenderTargetFillTextGeometry(GXRenderTargetRec_* target,
                                              GXGeometryRec_* geometry, GXBrushRec_* brush);
/* Fills a rectangle. */
GXAPI GXResult GXRenderTargetFillRect(GXRenderTargetRec_* target, const GXRect* rect,
                                      GXBrushRec_* brush);
/* Fills the ellipse inscribed in rect; nothing for an empty rect. */
GXAPI GXResult GXRenderTargetFillEllipse(GXRenderTargetRec_* target, const GXRect* rect,
                                         GXBrushRec_* brush);
/* Strokes the geometry; width 0 is a hairline; style null means the defaults. A style whose
   dash lengths are all 0 gives GXResultInvalidArg (also for the three strokes below). Dashes
   that repeat within a quarter device pixel stroke solid; an outline too complex to make is
   GXResultGraphicsError, as for GXGeometryWiden. */
GXAPI GXResult GXRenderTargetStrokeGeometry(GXRenderTargetRec_* target, GXGeometryRec_* geometry,
                                            GXBrushRec_* brush, float width,
                                            const GXStrokeStyle* style);
/* Strokes the line from one point to the other. */
GXAPI GXResult GXRenderTargetStrokeLine(GXRenderTargetRec_* target, const GXPoint* from,
                                        const GXPoint* to, GXBrushRec_* brush, float width,
                                        const GXStrokeStyle* style);
/* Strokes a rectangle. */
GXAPI GXResult GXRenderTargetStrokeRect(GXRenderTargetRec_* target, const GXRect* rect,
                                        GXBrushRec_* brush, float width,
                                        const GXStrokeStyle* style);
/* Strokes the ellipse inscribed in rect; nothing for an empty rect. */
GXAPI GXResult GXRenderTargetStrokeEllipse(GXRenderTargetRec_* target, const GXRect* rect,
                                           GXBrushRec_* brush, float width,
                                           const GXStrokeStyle* style);
/* Intersects the clip with the geometry's fill under the CTM. */
GXAPI GXResult GXRenderTargetClipGeometry(GXRenderTargetRec_* target, GXGeometryRec_* geometry);
/* Intersects the clip with a rectangle; nothing for an empty rect. */
GXAPI GXResult GXRenderTargetClipRect(GXRenderTargetRec_* target, const GXRect* rect);
/* Intersects the clip with the inscribed ellipse; nothing for an empty rect. */
GXAPI GXResult GXRenderTargetClipEllipse(GXRenderTargetRec_* target, const GXRect* rect);
/* Draws bitmap pixel (i, j) at the CTM's image of (i, j). */
GXAPI GXResult GXRenderTargetDrawBitmap(GXRenderTargetRec_* target, GXBitmapRec_* bitmap,
                                        float opacity, int32_t samplingMode);
/* Draws bitmap upside down into rect, as an image in a y-up page space. */
GXAPI GXResult GXRenderTargetStretchBitmap(GXRenderTargetRec_* target, GXBitmapRec_* bitmap,
                                           const GXRect* rect, float opacity,
                                           int32_t samplingMode);
/* Paints the gradient over the whole current clip. In the three drawing calls here a NaN
   opacity is GXResultInvalidArg. */
GXAPI GXResult GXRenderTargetDrawGradient(GXRenderTargetRec_* target, GXGradientRec_* gradient,
                                          float opacity);
/* Paints brush where mask (placed as by GXRenderTargetDrawBitmap) is transparent. */
GXAPI GXResult GXRenderTargetFillMask(GXRenderTargetRec_* target, GXBitmapRec_* mask,
                                      GXBrushRec_* brush, int32_t samplingMode);
/* Inverts the colours under rect. */
GXAPI GXResult GXRenderTargetInvertRect(GXRenderTargetRec_* target, const GXRect* rect);
/* Fills the glyphs of null-terminated UTF-16 text, the pen starting at the user origin. */
GXAPI GXResult GXRenderTargetFillText(GXRenderTargetRec_* target, GXFontFaceRec_* face,
                                      const uint16_t* text, GXBrushRec_* brush);

#ifdef __cplusplus
}
#endif

#endif /* GX_H_ */
