/* Writes the part of gxpdf's corpus that neither Cairo nor Ghostscript produces, as PDF
   written by hand: a page of text in all eight rendering modes (fill, stroke, both, invisible,
   and each with the glyphs added to the clip) in a standard font the reader substitutes, and a
   page of a knockout group and a luminosity soft mask with a backdrop colour.
   Usage: handwritten out.pdf */
#include <stdio.h>
#include <string.h>

static const char* kContent =
    "BT /F1 36 Tf 40 720 Td (Fill 0) Tj ET\n"
    "0 0 0.6 RG 1.2 w\n"
    "BT /F1 36 Tf 1 Tr 40 670 Td (Stroke 1) Tj ET\n"
    "1 0.8 0.2 rg\n"
    "BT /F1 36 Tf 2 Tr 40 620 Td (Both 2) Tj ET\n"
    "BT /F1 36 Tf 3 Tr 40 570 Td (Invisible 3) Tj ET\n"
    /* Clipping modes: the clip applies after the text object, stripes show it. */
    "q BT /F1 64 Tf 4 Tr 0.2 0.6 0.3 rg 40 470 Td (Clip4) Tj ET\n"
    "0.9 0.1 0.1 rg 40 450 20 90 re f 80 450 20 90 re f 120 450 20 90 re f 160 450 20 90 re f\n"
    "200 450 20 90 re f 240 450 20 90 re f Q\n"
    "q BT /F1 64 Tf 5 Tr 40 370 Td (Clip5) Tj ET\n"
    "0.1 0.3 0.9 rg 40 360 300 20 re f 40 400 300 20 re f Q\n"
    "q BT /F1 64 Tf 6 Tr 0.95 0.9 0.6 rg 40 270 Td (Clip6) Tj ET\n"
    "0.6 0.1 0.6 rg 40 290 300 10 re f Q\n"
    "q BT /F1 64 Tf 7 Tr 40 170 Td (Clip7) Tj ET\n"
    "0 0 1 rg 40 160 300 70 re f 1 1 0 rg 40 185 300 20 re f Q\n"
    /* Scaled, rotated and skewed text matrices, horizontal scaling, rise. */
    "BT /F1 20 Tf 0 Tr 0 g 0.94 0.34 -0.34 0.94 380 600 Tm (Rotated text) Tj ET\n"
    "BT /F1 20 Tf 1 0 0.4 1 380 520 Tm (Skewed text) Tj ET\n"
    "BT /F1 20 Tf 150 Tz 380 470 Td (Wide) Tj 5 Ts (rise) Tj ET\n";

/* Overlapping discs at half opacity in a knockout group: within the group each disc
   replaces what the earlier ones left, so no overlap darkens. Beside it the same discs in a
   plain group, and below a luminosity soft mask whose group leaves a grey backdrop around
   a black disc. */
static const char* kGroupsContent =
    "0.9 0.9 0.6 rg 30 420 550 340 re f\n"
    "q /Knockout Do Q\n"
    "q 1 0 0 1 280 0 cm /Plain Do Q\n"
    "q /Masked gs 0.1 0.4 0.8 rg 60 60 480 300 re f Q\n";
static const char* kDiscs =
    "/Half gs 0.8 0.1 0.1 rg 100 600 m 100 655 145 700 200 700 c 255 700 300 655 300 600 c\n"
    "300 545 255 500 200 500 c 145 500 100 545 100 600 c f\n"
    "0.1 0.2 0.8 rg 170 560 m 170 615 215 660 270 660 c 325 660 370 615 370 560 c\n"
    "370 505 325 460 270 460 c 215 460 170 505 170 560 c f\n";
static const char* kMaskContent =
    "0 g 300 210 m 300 265 255 310 200 310 c 145 310 100 265 100 210 c\n"
    "100 155 145 110 200 110 c 255 110 300 155 300 210 c f\n"
    "1 g 380 120 120 180 re f\n";

static long offsets[16];
static int objects;

static void Object(FILE* file, const char* body) {
    offsets[++objects] = ftell(file);
    fprintf(file, "%d 0 obj %s endobj\n", objects, body);
}

static void Stream(FILE* file, const char* dictionary, const char* data) {
    offsets[++objects] = ftell(file);
    fprintf(file, "%d 0 obj << %s /Length %zu >> stream\n%sendstream endobj\n", objects,
            dictionary, strlen(data), data);
}

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: handwritten out.pdf\n");
        return 2;
    }
    FILE* file = fopen(argv[1], "wb");
    if (!file) return 1;
    fputs("%PDF-1.4\n", file);
    Object(file, "<< /Type /Catalog /Pages 2 0 R >>");                        /* 1 */
    Object(file, "<< /Type /Pages /Kids [3 0 R 6 0 R] /Count 2 >>");           /* 2 */
    Object(file, "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] "       /* 3 */
                 "/Resources << /Font << /F1 5 0 R >> >> /Contents 4 0 R >>");
    Stream(file, "", kContent);                                                 /* 4 */
    Object(file, "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica-Bold "   /* 5 */
                 "/Encoding /WinAnsiEncoding >>");
    Object(file, "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] "       /* 6 */
                 "/Resources << /XObject << /Knockout 8 0 R /Plain 9 0 R >> "
                 "/ExtGState << /Masked 10 0 R >> >> /Contents 7 0 R >>");
    Stream(file, "", kGroupsContent);                                           /* 7 */
    Stream(file, "/Type /XObject /Subtype /Form /BBox [0 0 612 792] "          /* 8 */
                 "/Group << /S /Transparency /K true >> "
                 "/Resources << /ExtGState << /Half 12 0 R >> >>", kDiscs);
    Stream(file, "/Type /XObject /Subtype /Form /BBox [0 0 612 792] "          /* 9 */
                 "/Group << /S /Transparency >> "
                 "/Resources << /ExtGState << /Half 12 0 R >> >>", kDiscs);
    Object(file, "<< /Type /ExtGState /SMask << /Type /Mask /S /Luminosity "   /* 10 */
                 "/G 11 0 R /BC [0.5] >> >>");
    Stream(file, "/Type /XObject /Subtype /Form /BBox [40 40 560 380] "        /* 11 */
                 "/Group << /S /Transparency /CS /DeviceGray >>", kMaskContent);
    Object(file, "<< /Type /ExtGState /ca 0.5 >>");                            /* 12 */
    const long xref = ftell(file);
    fprintf(file, "xref\n0 %d\n0000000000 65535 f \n", objects + 1);
    for (int i = 1; i <= objects; ++i) fprintf(file, "%010ld 00000 n \n", offsets[i]);
    fprintf(file, "trailer << /Size %d /Root 1 0 R >>\nstartxref\n%ld\n%%%%EOF\n", objects + 1,
            xref);
    return fclose(file) == 0 ? 0 : 1;
}
