#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "gx.h"

namespace Graphics {

class BitmapBase;

// Brings a bitmap up to date with the PARGB32 drawable the renderer painted for it, within
// one rectangle. Conversion to PARGB32 and back is not the identity in most formats (grey
// goes through a gamma table on the way back, straight alpha loses precision when
// premultiplied, indices become grey levels), so a pixel is written back only where the
// drawable no longer holds what the bitmap's own pixel converts to: a pixel nothing drew on
// keeps its exact bits. A painted pixel becomes the nearest value the format can hold: grey
// by the inverse of the forward mapping (the luminance, without the gamma table), the
// nearest palette entry for the indexed formats, alpha at least 128 for A1; the other
// formats convert as bitmap copies do.
class SwDrawableWriteBack {
public:
    // `bitmap` is in a format other than PARGB32 and RGB32; `drawable` is PARGB32 of the
    // same size.
    SwDrawableWriteBack(std::shared_ptr<BitmapBase> bitmap, std::shared_ptr<BitmapBase> drawable);

    // `area` must lie within the bitmap.
    void Write(const GXIntRect& area);

private:
    // The value stored for the painted drawable pixel `pargb` in this bitmap's format: a grey
    // level, a palette index or a bit; the 32- and 24-bit formats and A8 convert runs instead.
    uint32_t Nearest(uint32_t pargb);
    void WriteRow(const uint32_t* painted, const uint32_t* original, uint8_t* row,
                  int32_t firstBit, int32_t width);

    std::shared_ptr<BitmapBase> bitmap_;    // written
    std::shared_ptr<BitmapBase> drawable_;  // read
    GXPixelFormat format_;                  // the bitmap's format
    std::vector<uint32_t> entries_;         // indexed formats: each palette entry as PARGB32
    uint32_t lastPainted_ = 0;              // the last pixel Nearest looked up ...
    uint32_t lastNearest_ = 0;              // ... and its answer
    bool haveLast_ = false;                 // whether the two above hold a lookup
};

}  // namespace Graphics
