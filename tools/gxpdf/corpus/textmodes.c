/* Writes the part of gxpdf's corpus that neither Cairo nor Ghostscript produces: text in all
   eight rendering modes (fill, stroke, both, invisible, and each with the glyphs added to the
   clip), in a standard font that the reader substitutes. Usage: textmodes out.pdf */
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

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: textmodes out.pdf\n");
        return 2;
    }
    FILE* file = fopen(argv[1], "wb");
    if (!file) return 1;
    long offsets[6];
    fputs("%PDF-1.4\n", file);
    offsets[1] = ftell(file);
    fputs("1 0 obj << /Type /Catalog /Pages 2 0 R >> endobj\n", file);
    offsets[2] = ftell(file);
    fputs("2 0 obj << /Type /Pages /Kids [3 0 R] /Count 1 >> endobj\n", file);
    offsets[3] = ftell(file);
    fputs("3 0 obj << /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] "
          "/Resources << /Font << /F1 5 0 R >> >> /Contents 4 0 R >> endobj\n", file);
    offsets[4] = ftell(file);
    fprintf(file, "4 0 obj << /Length %zu >> stream\n%sendstream endobj\n", strlen(kContent),
            kContent);
    offsets[5] = ftell(file);
    fputs("5 0 obj << /Type /Font /Subtype /Type1 /BaseFont /Helvetica-Bold "
          "/Encoding /WinAnsiEncoding >> endobj\n", file);
    const long xref = ftell(file);
    fputs("xref\n0 6\n0000000000 65535 f \n", file);
    for (int i = 1; i < 6; ++i) fprintf(file, "%010ld 00000 n \n", offsets[i]);
    fprintf(file, "trailer << /Size 6 /Root 1 0 R >>\nstartxref\n%ld\n%%%%EOF\n", xref);
    return fclose(file) == 0 ? 0 : 1;
}
