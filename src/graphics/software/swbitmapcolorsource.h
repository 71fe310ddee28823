#pragma once

#include <memory>

#include "graphics/paint/bitmapbrush.h"
#include "graphics/software/swbitmapsampler.h"
#include "graphics/software/swcolorsource.h"

namespace Graphics {

class BitmapSource;

// Paints a bitmap: forwards every span to its sampler.
class SwBitmapColorSource : public SwColorSource {
public:
    // A bitmap brush's source: `bitmapToDevice` is the brush matrix followed by the device
    // matrix.
    SwBitmapColorSource(const std::shared_ptr<BitmapSource>& bitmap, const GXMatrix& bitmapToDevice,
                        int32_t extendX, int32_t extendY, int32_t samplingMode, float opacity)
        : sampler_(std::make_shared<SwBitmapSampler>(bitmap, bitmapToDevice, extendX, extendY,
                                                     samplingMode, opacity)) {}
    // Layer results and clip masks: nearest pixel, clamped on both axes.
    SwBitmapColorSource(const std::shared_ptr<BitmapSource>& bitmap, const GXMatrix& bitmapToDevice,
                        float opacity)
        : SwBitmapColorSource(bitmap, bitmapToDevice, BitmapExtendClamp, BitmapExtendClamp,
                              BitmapSamplingNearest, opacity) {}

    void FillSpan(int32_t x0, int32_t x1, int32_t y, uint32_t* out) override {
        sampler_->FillSpan(x0, x1, y, out);
    }

private:
    std::shared_ptr<SwBitmapSampler> sampler_;  // never null
};

}  // namespace Graphics
