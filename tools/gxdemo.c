/* The demo: renders the gallery of what libgx draws through its public interface into PNG
   files, and prints where they are. Usage: gxdemo [output-folder] */
#include <gx.h>
#include <gxhost.h>
#include <stdio.h>
#include <string.h>

#include "gallery/gallery.h"

/* Draws one page on a bitmap and saves it as folder/name.png; returns the failed calls. */
static int SavePage(int page, const char* folder) {
    GXBitmapDesc desc = {GALLERY_WIDTH, GALLERY_HEIGHT, GXPixelFormatPARGB32, 96.0f, 96.0f};
    GXBitmapRec_* bitmap = NULL;
    GXRenderTargetRec_* target = NULL;
    if (GXCreateBitmap(&desc, &bitmap) != GXResultSuccess ||
        GXCreateRenderTargetBitmap(bitmap, &target) != GXResultSuccess) {
        fprintf(stderr, "no render target for %s\n", GalleryPageName(page));
        if (bitmap) GXObjectRelease(GX_HANDLE(bitmap));
        return 1;
    }
    int failures = GXRenderTargetBeginPaint(target) != GXResultSuccess;
    failures += GXRenderTargetClear(target, 0xFFFFFFFFu) != GXResultSuccess;
    failures += GalleryDrawPage(page, target);
    failures += GXRenderTargetEndPaint(target) != GXResultSuccess;

    char path[1024];
    uint16_t wide[1024];
    snprintf(path, sizeof path, "%s/%s.png", folder, GalleryPageName(page));
    size_t n = strlen(path);
    for (size_t i = 0; i <= n; ++i) wide[i] = (uint8_t)path[i]; /* ASCII paths */
    if (GXBitmapSaveToFile(bitmap, wide) != GXResultSuccess) {
        fprintf(stderr, "could not save %s\n", path);
        ++failures;
    }
    printf("  %s\n", path);
    GXObjectRelease(GX_HANDLE(target));
    GXObjectRelease(GX_HANDLE(bitmap));
    return failures;
}

/* Prints every page into folder/gallery.pdf for a 600 dpi printer; one user unit is one
   point on paper, so each page measures the gallery's size in points. Returns the failed
   calls. */
static int PrintGallery(const char* folder) {
    char path[1024];
    snprintf(path, sizeof path, "%s/gallery.pdf", folder);
    GXHostDC* printer = NULL;
    GXRenderTargetRec_* target = NULL;
    if (GXHostCreatePrinterDC(GXHostPrintPDF, path, GALLERY_WIDTH, GALLERY_HEIGHT, 600, 600,
                              &printer) != GXResultSuccess ||
        GXCreateRenderTargetPrintDC(printer, &target) != GXResultSuccess) {
        fprintf(stderr, "no printer for %s\n", path);
        if (printer) GXHostDeleteDC(printer);
        return 1;
    }
    int failures = 0;
    for (int page = 0; page < GalleryPageCount(); ++page) {
        failures += GXHostStartPage(printer) != GXResultSuccess;
        failures += GXRenderTargetBeginPaint(target) != GXResultSuccess;
        failures += GXRenderTargetClear(target, 0xFFFFFFFFu) != GXResultSuccess;
        failures += GalleryDrawPage(page, target);
        failures += GXRenderTargetEndPaint(target) != GXResultSuccess;
        failures += GXHostEndPage(printer) != GXResultSuccess;
    }
    GXObjectRelease(GX_HANDLE(target));
    failures += GXHostEndDocument(printer) != GXResultSuccess;
    GXHostDeleteDC(printer);
    printf("  %s\n", path);
    return failures;
}

int main(int argc, char** argv) {
    const char* folder = argc > 1 ? argv[1] : ".";
    printf("libgx demo: writing the gallery into %s\n", folder);
    int failures = 0;
    for (int page = 0; page < GalleryPageCount(); ++page) failures += SavePage(page, folder);
    failures += PrintGallery(folder);
    if (failures) {
        fprintf(stderr, "%d calls failed\n", failures);
        return 1;
    }
    return 0;
}
