// gxpdf: renders PDF pages to PNG files through libgx, Poppler reading the document.
// Usage: gxpdf [-r DPI] [-f FIRST] [-l LAST] [--compare] file.pdf OUTPREFIX
// Writes OUTPREFIX-N.png per page N and prints each page's time; --compare also renders the
// page with Poppler's own rasterizer (Splash) and prints how far the two are apart.
#include <gx.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <Error.h>
#include <GlobalParams.h>
#include <PDFDoc.h>
#include <PDFDocFactory.h>
#include <SplashOutputDev.h>
#include <goo/GooString.h>
#include <splash/SplashBitmap.h>

#include "gxoutputdev.h"

namespace {

struct Options {
    double dpi = 150;
    int first = 1, last = 0;  // last 0: to the end
    bool compare = false;
    const char* file = nullptr;
    const char* prefix = nullptr;
};

int Usage() {
    std::fprintf(stderr,
                 "usage: gxpdf [-r DPI] [-f FIRST] [-l LAST] [--compare] file.pdf OUTPREFIX\n");
    return 2;
}

bool ParseNumber(const char* text, double low, double high, double* out) {
    char* end = nullptr;
    const double value = std::strtod(text, &end);
    if (end == text || *end || !(value >= low && value <= high)) return false;
    *out = value;
    return true;
}

bool Parse(int argc, char** argv, Options* options) {
    std::vector<const char*> positional;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        double value = 0;
        if (arg == "--compare") {
            options->compare = true;
        } else if ((arg == "-r" || arg == "-f" || arg == "-l") && i + 1 < argc) {
            const bool isDpi = arg == "-r";
            if (!ParseNumber(argv[++i], isDpi ? 1 : 1, isDpi ? 2400 : 1e9, &value)) return false;
            if (isDpi) options->dpi = value;
            else if (arg == "-f") options->first = int(value);
            else options->last = int(value);
        } else if (arg.size() > 1 && arg[0] == '-') {
            return false;
        } else {
            positional.push_back(argv[i]);
        }
    }
    if (positional.size() != 2) return false;
    options->file = positional[0];
    options->prefix = positional[1];
    return true;
}

bool SavePng(GXBitmapRec_* bitmap, const std::string& path) {
    std::vector<uint16_t> wide(path.begin(), path.end());  // bytes as UTF-16 units
    for (size_t i = 0; i < path.size(); ++i) wide[i] = uint8_t(path[i]);
    wide.push_back(0);
    return GXBitmapSaveToFile(bitmap, wide.data()) == GXResultSuccess;
}

// How far libgx's page is from Splash's: PSNR over the RGB channels, and the share of pixels
// whose largest channel difference passes 64.
struct Difference {
    double psnr = 0;
    double offShare = 0;
    bool sameSize = false;
};

Difference Compare(GXBitmapRec_* ours, SplashBitmap* theirs) {
    Difference result;
    GXIntSize size{};
    GXBitmapGetSize(ours, &size);
    if (size.width != theirs->getWidth() || size.height != theirs->getHeight()) return result;
    result.sameSize = true;
    GXBitmapData data;
    if (GXBitmapLock(ours, nullptr, GXLockRead, &data) != GXResultSuccess) return result;
    double squares = 0;
    uint64_t off = 0;
    for (int y = 0; y < size.height; ++y) {
        const uint8_t* a = static_cast<const uint8_t*>(data.data) + size_t(y) * data.stride;
        const uint8_t* b = theirs->getDataPtr() + size_t(y) * theirs->getRowSize();
        for (int x = 0; x < size.width; ++x, a += 4, b += 3) {
            // Ours is blue, green, red, unused; Splash's RGB8 is red, green, blue.
            const int dr = a[2] - b[0], dg = a[1] - b[1], db = a[0] - b[2];
            squares += dr * dr + dg * dg + db * db;
            const int worst = std::max(std::abs(dr), std::max(std::abs(dg), std::abs(db)));
            off += worst > 64;
        }
    }
    GXBitmapUnlock(ours);
    const double pixels = double(size.width) * size.height;
    const double mse = squares / (3 * pixels);
    result.psnr = mse > 0 ? 10 * std::log10(255.0 * 255.0 / mse) : 99.0;
    result.offShare = off / pixels;
    return result;
}

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

void Quiet(ErrorCategory, Goffset, const char*) {}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!Parse(argc, argv, &options)) return Usage();
    globalParams = std::make_unique<GlobalParams>();
    setErrorCallback(Quiet);
    std::unique_ptr<PDFDoc> doc = PDFDocFactory().createPDFDoc(GooString(options.file));
    if (!doc || !doc->isOk()) {
        std::fprintf(stderr, "gxpdf: cannot open %s\n", options.file);
        return 1;
    }
    const int pages = doc->getNumPages();
    const int last = options.last > 0 ? std::min(options.last, pages) : pages;
    if (options.first < 1 || options.first > last) {
        std::fprintf(stderr, "gxpdf: no pages in %d..%d (the document has %d)\n", options.first,
                     last, pages);
        return 1;
    }

    GXOutputDev device;
    device.StartDoc(doc->getXRef());
    std::unique_ptr<SplashOutputDev> splash;
    if (options.compare) {
        SplashColor white = {0xFF, 0xFF, 0xFF};
        splash = std::make_unique<SplashOutputDev>(splashModeRGB8, 4, false, white);
        splash->setFontAntialias(true);
        splash->setVectorAntialias(true);
        splash->startDoc(doc.get());
        std::printf("page   libgx ms  splash ms   ratio   PSNR dB   off>64 %%\n");
    } else {
        std::printf("page   libgx ms\n");
    }
    int failed = 0;
    for (int page = options.first; page <= last; ++page) {
        auto start = std::chrono::steady_clock::now();
        doc->displayPage(&device, page, options.dpi, options.dpi, 0, false, false, false);
        const double ours = Seconds(start);
        GXBitmapRec_* bitmap = device.Page();
        const std::string path = std::string(options.prefix) + "-" + std::to_string(page) + ".png";
        if (!bitmap || !SavePng(bitmap, path)) {
            std::fprintf(stderr, "gxpdf: could not write %s\n", path.c_str());
            ++failed;
        }
        if (device.Failures()) {
            std::fprintf(stderr, "gxpdf: page %d: %d libgx calls failed\n", page, device.Failures());
        }
        if (splash && bitmap) {
            start = std::chrono::steady_clock::now();
            doc->displayPage(splash.get(), page, options.dpi, options.dpi, 0, false, false, false);
            const double theirs = Seconds(start);
            const Difference d = Compare(bitmap, splash->getBitmap());
            if (!d.sameSize) {
                std::fprintf(stderr, "gxpdf: page %d: the two renderings differ in size\n", page);
                ++failed;
            }
            std::printf("%4d %10.2f %10.2f %7.2f %9.2f %10.3f\n", page, ours * 1e3, theirs * 1e3,
                        ours / theirs, d.psnr, d.offShare * 100);
        } else {
            std::printf("%4d %10.2f\n", page, ours * 1e3);
        }
        if (bitmap) GXObjectRelease(GX_HANDLE(bitmap));
    }
    return failed ? 1 : 0;
}
