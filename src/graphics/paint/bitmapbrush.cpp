#include "graphics/paint/bitmapbrush.h"

#include <utility>

#include "graphics/bitmap/bitmapsource.h"

namespace Graphics {

BitmapBrush::BitmapBrush(std::shared_ptr<BitmapSource> bitmap, float opacity,
                         const GXMatrix& matrix, int32_t samplingMode, int32_t extendX,
                         int32_t extendY)
    : Brush(matrix, opacity),
      bitmap_(std::move(bitmap)),
      samplingMode_(samplingMode),
      extendX_(extendX),
      extendY_(extendY) {}

int32_t BitmapBrush::ExtendIndex(int32_t mode, int32_t i, int32_t n) {
    // 64-bit arithmetic: |INT32_MIN| does not fit 32 bits.
    int64_t index = i, count = n;
    switch (mode) {
        case BitmapExtendRepeat: {
            int64_t r = index % count;
            return int32_t(r < 0 ? r + count : r);
        }
        case BitmapExtendMirror: {
            // Period 2n, every other tile reversed, so that each tile edge reads
            // ... 1, 0 | 0, 1 ... (-1 is column 0, -n is column n - 1).
            int64_t r = index % (2 * count);
            if (r < 0) r += 2 * count;
            return int32_t(r < count ? r : 2 * count - 1 - r);
        }
        default:
            if (index <= 0) return 0;
            return int32_t(index < count - 1 ? index : count - 1);
    }
}

}  // namespace Graphics
