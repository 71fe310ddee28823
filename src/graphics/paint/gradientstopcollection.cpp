#include "graphics/paint/gradientstopcollection.h"

#include <cmath>

namespace Graphics {

void GradientStopCollection::Insert(const GradientStop& stop) {
    // NaN offsets compare false with everything, so they are kept together at the end where
    // they cannot break the order of the finite stops that renderers search.
    size_t position = stops_.size();
    if (!std::isnan(stop.offset)) {
        while (position > 0 && (std::isnan(stops_[position - 1].offset) ||
                                stops_[position - 1].offset > stop.offset))
            --position;
    }
    stops_.insert(stops_.begin() + ptrdiff_t(position), stop);
}

}  // namespace Graphics
