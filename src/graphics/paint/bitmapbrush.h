#pragma once

#include <cstdint>
#include <memory>

#include "graphics/paint/brush.h"

namespace Graphics {

class BitmapSource;

// How a bitmap is sampled; any other value samples as Nearest.
enum BitmapSamplingMode : int32_t {
    BitmapSamplingNearest = 0,
    BitmapSamplingBilinear = 1,
    // Bilinear on an area-averaged reduction when the brush shrinks the bitmap by more
    // than 1.01 in both directions; plain bilinear otherwise.
    BitmapSamplingBoxBilinear = 2,
};

// What a pixel index outside the bitmap reads; any other value behaves as Clamp.
enum BitmapExtendMode : int32_t {
    BitmapExtendClamp = 0,
    BitmapExtendRepeat = 1,
    BitmapExtendMirror = 2,
};

// Paints a bitmap mapped through the brush matrix. It reflects later changes of the
// bitmap's pixels, since it shares the bitmap rather than copying it.
class BitmapBrush : public Brush {
public:
    BitmapBrush(std::shared_ptr<BitmapSource> bitmap, float opacity, const GXMatrix& matrix,
                int32_t samplingMode, int32_t extendX, int32_t extendY);

    BrushKind GetType() const override { return BrushKind::Bitmap; }
    const std::shared_ptr<BitmapSource>& GetBitmap() const { return bitmap_; }
    int32_t GetSamplingMode() const { return samplingMode_; }
    int32_t GetExtendX() const { return extendX_; }
    int32_t GetExtendY() const { return extendY_; }

    // The pixel index in 0..n-1 that index `i` of a row or column of `n` > 0 pixels reads
    // under extend mode `mode`.
    static int32_t ExtendIndex(int32_t mode, int32_t i, int32_t n);

private:
    std::shared_ptr<BitmapSource> bitmap_;  // never empty
    int32_t samplingMode_;                  // BitmapSamplingMode; unvalidated
    int32_t extendX_;                       // BitmapExtendMode along rows; unvalidated
    int32_t extendY_;                       // BitmapExtendMode along columns; unvalidated
};

}  // namespace Graphics
