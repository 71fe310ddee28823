/*
 * libgx on a Linux host: the windows, device contexts and native bitmaps that
 * GXCreateRenderTargetHWND, GXCreateRenderTargetHDC, GXCreateBitmapFromHBITMAP and
 * GXBitmapSaveToHBITMAP take and give, and the printers GXCreateRenderTargetPrintDC draws.
 *
 * Every function returns a GXResult as in gx.h. A null handle, or one that was deleted or
 * is of another kind, gives GXResultInvalidArg and changes nothing. Handles are not
 * reference-counted: each is deleted once by its own delete function; what the library
 * still uses through it (a window a render target paints, a bitmap selected into a context
 * or wrapped by a library bitmap) lives on until that use ends.
 */
#ifndef GXHOST_H_
#define GXHOST_H_

#include "gx.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Xlib's Display and Cairo's cairo_t, named without their headers. */
struct _XDisplay;
struct _cairo;

/* ---- Windows --------------------------------------------------------------------------- */

/* Wraps an X11 window of display for GXCreateRenderTargetHWND and GXHostCreateWindowDC.
   The display must stay open until the handle and every render target made over it are
   gone. X protocol errors of the library's requests never reach Xlib's default handler.
   GXResultGraphicsError when the window does not exist. */
GXAPI GXResult GXHostWrapWindow(struct _XDisplay* display, unsigned long window,
                                GXHostWindow** out);
GXAPI GXResult GXHostDeleteWindow(GXHostWindow* window);

/* ---- Device contexts ------------------------------------------------------------------- */

/* What GXHostGetDeviceCaps reports. */
enum {
    GXHostCapHorzRes = 0,    /* width of the device in pixels */
    GXHostCapVertRes = 1,    /* height of the device in pixels */
    GXHostCapLogPixelsX = 2, /* horizontal resolution, dots per inch */
    GXHostCapLogPixelsY = 3  /* vertical resolution, dots per inch */
};

/* A memory context: its device is the native bitmap selected into it (0 x 0 without one),
   96 dots per inch. 24- and 32-bit bitmaps can be drawn into; 1- and 8-bit ones only read. */
GXAPI GXResult GXHostCreateMemoryDC(GXHostDC** out);
/* A context on a window's client area, at the screen's resolution. */
GXAPI GXResult GXHostCreateWindowDC(GXHostWindow* window, GXHostDC** out);
/* A context over a Cairo context (a GTK drawing area's draw handler hands one): its device
   space is the Cairo context's user space when this is called, its size the clip's extent
   from the user origin, 96 dots per inch. The library keeps a reference on cairo. */
GXAPI GXResult GXHostCreateCairoDC(struct _cairo* cairo, GXHostDC** out);
GXAPI GXResult GXHostDeleteDC(GXHostDC* dc);
/* One of the GXHostCap values; GXResultInvalidArg for another code. */
GXAPI GXResult GXHostGetDeviceCaps(GXHostDC* dc, int32_t cap, int32_t* out);
/* Selects bitmap (null: none) into a memory context; GXResultInvalidArg for other kinds. */
GXAPI GXResult GXHostSelectBitmap(GXHostDC* dc, GXHostBitmap* bitmap);
/* Copies the width x height pixels at (sourceX, sourceY) of source to (x, y) of
   destination unchanged; pixels from outside the source arrive black. Zero or negative
   sizes copy nothing. GXResultGraphicsError when either device cannot be reached (a window
   that went away, an empty memory context, a 1- or 8-bit bitmap to draw into). */
GXAPI GXResult GXHostBitBlt(GXHostDC* destination, int32_t x, int32_t y, int32_t width,
                            int32_t height, GXHostDC* source, int32_t sourceX, int32_t sourceY);
/* As GXHostBitBlt, the source rectangle scaled to the destination one (nearest pixel). */
GXAPI GXResult GXHostStretchBlt(GXHostDC* destination, int32_t x, int32_t y, int32_t width,
                                int32_t height, GXHostDC* source, int32_t sourceX,
                                int32_t sourceY, int32_t sourceWidth, int32_t sourceHeight);

/* ---- Native bitmaps -------------------------------------------------------------------- */

/* A native bitmap's description. Rows run top-down, each stride bytes (a multiple of 4);
   1-bit rows start at the most significant bit; 24- and 32-bit pixels are blue, green,
   red[, a fourth byte]. */
typedef struct GXHostBitmapInfo {
    int32_t width;        /* pixels */
    int32_t height;       /* rows */
    int32_t bitsPerPixel; /* 1, 8, 24 or 32 */
    int32_t stride;       /* bytes from one row to the next */
    uint32_t colorCount;  /* entries of the colour table, 0 when it has none */
} GXHostBitmapInfo;

/* A new native bitmap, pixels zeroed. bitsPerPixel is 1, 8, 24 or 32; width and height are
   positive; 1- and 8-bit bitmaps may take a colour table of at most 2 or 256 0x00RRGGBB
   entries (colorTable may be null when colorCount is 0). Other arguments, or a store over
   4 GiB, give GXResultInvalidArg. */
GXAPI GXResult GXHostCreateBitmap(int32_t width, int32_t height, int32_t bitsPerPixel,
                                  const uint32_t* colorTable, uint32_t colorCount,
                                  GXHostBitmap** out);
GXAPI GXResult GXHostBitmapGetInfo(GXHostBitmap* bitmap, GXHostBitmapInfo* out);
/* Copies the colour table's colorCount entries (0x00RRGGBB) into out. */
GXAPI GXResult GXHostBitmapGetColorTable(GXHostBitmap* bitmap, uint32_t* out);
/* The pixels, to read and write in place: data is the first byte of the top row, rowBytes
   the bytes of a row that hold pixels, stride the distance between rows. Valid until the
   handle is deleted. After writing pixels that a library bitmap made with
   GXCreateBitmapFromHBITMAP shows, tell it with GXBitmapNotifyChanged. */
GXAPI GXResult GXHostBitmapGetBits(GXHostBitmap* bitmap, GXBitmapData* out);
GXAPI GXResult GXHostDeleteBitmap(GXHostBitmap* bitmap);

/* ---- Printers -------------------------------------------------------------------------- */

/* The page description a printer context writes. */
enum {
    GXHostPrintPDF = 0,        /* one PDF document of every page */
    GXHostPrintPostScript = 1, /* one PostScript document of every page */
    GXHostPrintSVG = 2         /* one SVG picture: a single page */
};

/* A printer context writing a document into the file at path (UTF-8), its pages width x
   height points (1/72 inch) for a device of dpiX x dpiY dots per inch: GXHostGetDeviceCaps
   reports the page in device pixels (rounded) and that resolution, as a printer does.
   Draw on it through GXCreateRenderTargetPrintDC between GXHostStartPage and GXHostEndPage;
   drawing outside a page goes to the next one. GXResultInvalidArg for an unknown format, a
   side outside (0, 14400] points or a resolution outside 1..9600; GXResultGraphicsError when
   the file cannot be opened. */
GXAPI GXResult GXHostCreatePrinterDC(int32_t format, const char* path, float widthPoints,
                                     float heightPoints, int32_t dpiX, int32_t dpiY,
                                     GXHostDC** out);
/* Opens the next page. GXResultInvalidArg when a page is open, the document has ended, an
   SVG document already has its page, or dc is not a printer. */
GXAPI GXResult GXHostStartPage(GXHostDC* dc);
/* Ends the open page (GXResultInvalidArg without one); GXResultGraphicsError when the file
   could not be written. */
GXAPI GXResult GXHostEndPage(GXHostDC* dc);
/* Ends an open page and completes the file (GXHostDeleteDC does the same for a document not
   yet ended). GXResultInvalidArg when it has already ended; GXResultGraphicsError when the
   file could not be written. */
GXAPI GXResult GXHostEndDocument(GXHostDC* dc);

#ifdef __cplusplus
}
#endif

#endif /* GXHOST_H_ */
