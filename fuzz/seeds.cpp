// Writes the seed corpora of the fuzzers, made by the library itself: small images in every
// format it encodes (for the decoder fuzzer) and a few call programs (for the calls fuzzer).
// Usage: gx_fuzz_seeds <decoder-dir> <calls-dir>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "gx.h"

namespace {

std::vector<uint16_t> Utf16(const std::string& s) {
    return std::vector<uint16_t>(s.begin(), s.end() + 1);
}

void WriteImages(const std::string& dir) {
    const GXPixelFormat formats[] = {GXPixelFormatPARGB32, GXPixelFormatRGB24, GXPixelFormatGray8,
                                     GXPixelFormatIndexed8, GXPixelFormatARGB32};
    const char* extensions[] = {"png", "jpeg", "bmp", "tiff", "gif"};
    int n = 0;
    for (GXPixelFormat format : formats) {
        for (const GXIntSize size : {GXIntSize{1, 1}, GXIntSize{7, 5}, GXIntSize{16, 16}}) {
            const GXBitmapDesc desc{size.width, size.height, format, 96, 96};
            GXBitmapRec_* bitmap = nullptr;
            if (GXCreateBitmap(&desc, &bitmap) != GXResultSuccess) continue;
            if (format == GXPixelFormatIndexed8) {
                const uint32_t colors[4] = {0xFF000000u, 0xFFFF0000u, 0xFF00FF00u, 0x800000FFu};
                GXPaletteRec_* palette = nullptr;
                if (GXCreatePalette(colors, 4, &palette) == GXResultSuccess) {
                    GXBitmapSetPalette(bitmap, palette);
                    GXObjectRelease(GX_HANDLE(palette));
                }
            } else {
                GXBitmapColorFill(bitmap, nullptr, 0xFF336699u);
                const GXIntRect corner{0, 0, (size.width + 1) / 2, (size.height + 1) / 2};
                GXBitmapColorFill(bitmap, &corner, 0x80FF0000u);
            }
            for (const char* extension : extensions) {
                const std::string path = dir + "/seed" + std::to_string(n++) + "." + extension;
                GXBitmapSaveToFile(bitmap, Utf16(path).data());
            }
            GXObjectRelease(GX_HANDLE(bitmap));
        }
    }
}

// Call programs: a byte per choice, listed in call order. The fuzzer's data provider reads
// its numbers from the end of the input, so they are written reversed. These only start
// the fuzzer off; it finds its way from there.
void WritePrograms(const std::string& dir) {
    const std::vector<std::vector<uint8_t>> programs = {
        // bitmap, target, brush, geometry with a rectangle, paint: fill, stroke, end.
        {6, 60, 60, 2, 60, 60, 75, 0, 70, 1, 2, 3, 4, 31, 43, 2, 60, 60, 90, 90, 79, 1, 89, 0, 1, 2,
         3, 92, 1, 2, 80, 1},
        // region arithmetic.
        {54, 60, 61, 90, 100, 54, 60, 60, 80, 80, 63, 0, 1, 1, 65, 2},
        // locks and notifications on a bitmap.
        {6, 70, 70, 3, 60, 60, 13, 0, 200, 2, 13, 0, 200, 1, 14, 0, 14, 0, 14, 0, 19, 0},
    };
    int n = 0;
    for (const auto& program : programs) {
        const std::string path = dir + "/program" + std::to_string(n++);
        if (FILE* f = std::fopen(path.c_str(), "wb")) {
            const std::vector<uint8_t> reversed(program.rbegin(), program.rend());
            std::fwrite(reversed.data(), 1, reversed.size(), f);
            std::fclose(f);
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <decoder-dir> <calls-dir>\n", argv[0]);
        return 2;
    }
    WriteImages(argv[1]);
    WritePrograms(argv[2]);
    return 0;
}
