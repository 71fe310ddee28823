/* Writes the print renderer's part of gxpdf's test corpus: every page of the demo gallery
   drawn on a PDF printer context, one PDF page each. Usage: printcorpus out.pdf */
#include <gx.h>
#include <gxhost.h>
#include <stdio.h>

#include "gallery/gallery.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: printcorpus out.pdf\n");
        return 2;
    }
    GXHostDC* dc = NULL;
    /* One user unit is a point on paper, so a gallery page fills a page of its own size. */
    if (GXHostCreatePrinterDC(GXHostPrintPDF, argv[1], GALLERY_WIDTH, GALLERY_HEIGHT, 300, 300,
                              &dc) != GXResultSuccess) {
        fprintf(stderr, "printcorpus: cannot write %s\n", argv[1]);
        return 1;
    }
    GXRenderTargetRec_* target = NULL;
    int failures = GXCreateRenderTargetPrintDC(dc, &target) != GXResultSuccess;
    for (int page = 0; !failures && page < GalleryPageCount(); ++page) {
        failures += GXHostStartPage(dc) != GXResultSuccess;
        failures += GXRenderTargetBeginPaint(target) != GXResultSuccess;
        failures += GXRenderTargetClear(target, 0xFFFFFFFFu) != GXResultSuccess;
        failures += GalleryDrawPage(page, target);
        failures += GXRenderTargetEndPaint(target) != GXResultSuccess;
        failures += GXHostEndPage(dc) != GXResultSuccess;
    }
    if (target) GXObjectRelease(GX_HANDLE(target));
    failures += GXHostEndDocument(dc) != GXResultSuccess;
    GXHostDeleteDC(dc);
    return failures ? 1 : 0;
}
