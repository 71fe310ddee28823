#include "platform/imageframe.h"

#include <cmath>
#include <new>

namespace Host {

Gdiplus::Status ImageFrame::Allocate(uint32_t newWidth, uint32_t newHeight,
                                     Gdiplus::PixelFormat newFormat) {
    if (newWidth == 0 || newHeight == 0) return Gdiplus::InvalidParameter;
    uint64_t rowBytes = RowBytes(newWidth, newFormat);
    uint64_t rowStride = (rowBytes + 3) / 4 * 4;  // GDI+ rows are 4-byte aligned
    if (rowStride > uint64_t(INT32_MAX) || rowStride * newHeight > kMaxPixelBytes)
        return Gdiplus::OutOfMemory;
    switch (mode) {
        case Mode::Layout:
            width = newWidth, height = newHeight, format = newFormat, stride = int32_t(rowStride);
            return Gdiplus::Aborted;
        case Mode::Lent:
            // The lent rows were sized for the layout found before: a decoder that now finds
            // another one (the file changed its mind) must not write past them.
            if (newWidth != width || newHeight != height || newFormat != format ||
                uint64_t(lentStride) < rowBytes)
                return Gdiplus::GenericError;
            scan0 = lentRows;
            stride = lentStride;
            return Gdiplus::Ok;
        case Mode::Own:
            break;
    }
    pixels.reset(new (std::nothrow) uint8_t[rowStride * newHeight]);
    if (!pixels) return Gdiplus::OutOfMemory;
    width = newWidth;
    height = newHeight;
    format = newFormat;
    stride = int32_t(rowStride);
    scan0 = pixels.get();
    return Gdiplus::Ok;
}

float DpiFromDensity(double density, double unitsPerInch) {
    if (!(density > 0.0) || density > 1e7) return 96.0f;
    double dpi = density * unitsPerInch;
    // Try whole dots per inch, then tenths and hundredths: the first that rounds back to
    // the stored density is what was written.
    for (double scale : {1.0, 10.0, 100.0}) {
        double candidate = std::round(dpi * scale) / scale;
        if (std::round(candidate / unitsPerInch) == std::round(density)) return float(candidate);
    }
    return float(dpi);
}

std::vector<Gdiplus::ARGB> GreyPalette(int bits) {
    uint32_t levels = 1u << bits;
    std::vector<Gdiplus::ARGB> palette(levels);
    for (uint32_t i = 0; i < levels; ++i) {
        uint32_t v = i * 255 / (levels - 1);
        palette[i] = 0xff000000u | (v << 16) | (v << 8) | v;
    }
    return palette;
}

}  // namespace Host
