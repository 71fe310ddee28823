/* A short tour of the C interface: make a bitmap, fill parts of it, read pixels back
   through a conversion, and build and inspect a path. Every call returns a GXResult. */
#include <gx.h>
#include <stdio.h>

#define CHECK(call)                                                      \
    do {                                                                 \
        GXResult result_ = (call);                                       \
        if (result_ != GXResultSuccess) {                                \
            fprintf(stderr, "%s failed with %d\n", #call, (int)result_); \
            return 1;                                                    \
        }                                                                \
    } while (0)

static int BitmapTour(void) {
    GXBitmapDesc desc = {64, 32, GXPixelFormatARGB32, 96.0f, 96.0f};
    GXBitmapRec_* bitmap = NULL;
    CHECK(GXCreateBitmap(&desc, &bitmap));

    /* Straight-alpha ARGB colours: a half-transparent red square on opaque white. */
    GXIntRect square = {8, 8, 24, 24};
    CHECK(GXBitmapColorFill(bitmap, NULL, 0xFFFFFFFFu));
    CHECK(GXBitmapColorFill(bitmap, &square, 0x80FF0000u));

    /* Copying into a PARGB32 bitmap converts: the red channel becomes premultiplied. */
    GXBitmapDesc premultipliedDesc = {64, 32, GXPixelFormatPARGB32, 96.0f, 96.0f};
    GXBitmapRec_* premultiplied = NULL;
    CHECK(GXCreateBitmap(&premultipliedDesc, &premultiplied));
    CHECK(GXBitmapCopyFromBitmap(premultiplied, NULL, bitmap, NULL));

    uint32_t pixel = 0;
    GXBitmapData one = {&pixel, 4, 4};
    GXIntRect at = {10, 10, 11, 11};
    CHECK(GXBitmapCopyToMemory(premultiplied, &at, &one));
    printf("ARGB 0x80FF0000 premultiplied reads 0x%08X\n", (unsigned)pixel);

    GXObjectRelease(GX_HANDLE(premultiplied));
    GXObjectRelease(GX_HANDLE(bitmap));
    return 0;
}

static int GeometryTour(void) {
    GXGeometryRec_* geometry = NULL;
    CHECK(GXCreateGeometry(&geometry));
    GXRect box = {0.0f, 0.0f, 100.0f, 50.0f};
    CHECK(GXGeometryRoundRectangle(geometry, &box, 10.0f, 10.0f));

    GXPoint start = {120.0f, 0.0f}, c = {180.0f, 25.0f}, end = {120.0f, 50.0f};
    CHECK(GXGeometryBeginFigure(geometry, &start));
    CHECK(GXGeometryConicCurveTo(geometry, &c, &end));
    CHECK(GXGeometryEndFigureClose(geometry));

    GXPoint current;
    CHECK(GXGeometryGetCurrentPoint(geometry, &current));
    printf("path ends at (%g, %g)\n", current.x, current.y);

    GXObjectRelease(GX_HANDLE(geometry));
    return 0;
}

int main(void) {
    if (BitmapTour() != 0 || GeometryTour() != 0) return 1;
    printf("libgx example finished\n");
    return 0;
}
