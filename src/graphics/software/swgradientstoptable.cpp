#include "graphics/software/swgradientstoptable.h"

#include <algorithm>
#include <limits>

#include "graphics/software/swcolorsource.h"
#include "graphics/software/swpixel.h"

namespace Graphics {

SwGradientStopTable::SwGradientStopTable(const GradientStop* stops, size_t count,
                                         uint32_t opacityWeight)
    : stops_(stops),
      count_(count),
      opacityWeight_(opacityWeight),
      firstColor_(count ? SwColorSource::ApplyOpacity(SwColorSource::Premultiply(stops[0].argb),
                                                      opacityWeight)
                        : 0),
      lastColor_(count ? SwColorSource::ApplyOpacity(
                             SwColorSource::Premultiply(stops[count - 1].argb), opacityWeight)
                       : 0),
      intervals_(count) {}

const SimdKernel<SwGradientStopTable::SpanProc> SwGradientStopTable::kColorSpanForms{
    &SwGradientStopTable::ColorSpanScalar, GX_SSE2_FORM(SwGradientStopTable::ColorSpanSSE2),
    GX_AVX2_FORM(SwGradientStopTable::ColorSpanAVX2)};

void SwGradientStopTable::ColorSpanScalar(const float* t, int32_t count, uint32_t none,
                                          uint32_t below, uint32_t above, uint32_t* out,
                                          Cursor& cursor) {
    for (int32_t i = 0; i < count; ++i)
        out[i] = t[i] == -kInfinity ? none
                 : !(t[i] >= 0.0f)  ? below
                 : t[i] > 1.0f      ? above
                                    : Color(t[i], cursor);
}

SwGradientStopTable::Cursor SwGradientStopTable::Locate(float t) {
    constexpr float kInfinity = std::numeric_limits<float>::infinity();
    const GradientStop* end = stops_ + count_;
    const GradientStop* upper = std::lower_bound(
        stops_, end, t, [](const GradientStop& stop, float value) { return stop.offset < value; });
    if (upper == end) return Cursor{end[-1].offset, kInfinity, nullptr, lastColor_};
    if (upper == stops_) return Cursor{-kInfinity, upper->offset, nullptr, firstColor_};
    // An exact match on the upper stop gives weight 1, which is that stop's colour, so it
    // needs no case of its own.
    const size_t index = size_t(upper - stops_);
    std::unique_ptr<uint32_t[]>& colors = intervals_[index];
    if (!colors) {
        colors = std::make_unique<uint32_t[]>(256);
        for (uint32_t weight = 1; weight <= 256; ++weight)
            colors[weight - 1] = SwColorSource::ApplyOpacity(
                SwColorSource::Premultiply(SwMix(upper->argb, upper[-1].argb, weight)),
                opacityWeight_);
    }
    return Cursor{upper[-1].offset, upper->offset, colors.get(), 0};
}

}  // namespace Graphics
