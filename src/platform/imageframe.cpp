#include "platform/imageframe.h"

#include <cmath>
#include <new>

namespace Host {

uint32_t ImageFrame::BitsPerPixel(GXPixelFormat format) {
    switch (format) {
        case GXPixelFormatIndexed1:
            return 1;
        case GXPixelFormatIndexed8:
            return 8;
        case GXPixelFormatRGB24:
            return 24;
        default:
            return 32;
    }
}

CodecResult ImageFrame::Allocate(uint32_t newWidth, uint32_t newHeight, GXPixelFormat newFormat,
                                 uint64_t workingBytes) {
    if (newWidth == 0 || newHeight == 0) return CodecResult::OutOfMemory;
    uint64_t rowBytes = RowBytes(newWidth, newFormat);
    uint64_t rowStride = AlignedStride(newWidth, newFormat);
    // Checked in steps that cannot overflow: the budget is far below 2^64.
    if (rowStride > uint64_t(INT32_MAX) || workingBytes > kMaxDecodeBytes ||
        rowStride * newHeight > kMaxDecodeBytes - workingBytes)
        return CodecResult::OutOfMemory;
    switch (mode) {
        case Mode::Layout:
            width = newWidth, height = newHeight, format = newFormat, stride = int32_t(rowStride);
            return CodecResult::LayoutRead;
        case Mode::Lent:
            // The lent rows were sized for the layout found before: a decoder that now finds
            // another one (the file changed its mind) must not write past them.
            if (newWidth != width || newHeight != height || newFormat != format ||
                uint64_t(lentStride) < rowBytes)
                return CodecResult::Failed;
            scan0 = lentRows;
            stride = lentStride;
            return CodecResult::Ok;
        case Mode::Own:
            break;
    }
    pixels.reset(new (std::nothrow) uint8_t[rowStride * newHeight]);
    if (!pixels) return CodecResult::OutOfMemory;
    width = newWidth;
    height = newHeight;
    format = newFormat;
    stride = int32_t(rowStride);
    scan0 = pixels.get();
    return CodecResult::Ok;
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

std::vector<uint32_t> GreyPalette(int bits) {
    uint32_t levels = 1u << bits;
    std::vector<uint32_t> palette(levels);
    for (uint32_t i = 0; i < levels; ++i) {
        uint32_t v = i * 255 / (levels - 1);
        palette[i] = 0xff000000u | (v << 16) | (v << 8) | v;
    }
    return palette;
}

}  // namespace Host
