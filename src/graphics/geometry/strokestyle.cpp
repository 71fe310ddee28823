#include "graphics/geometry/strokestyle.h"

namespace Graphics {

StrokeStyle::StrokeStyle(const GXStrokeStyle* record) {
    if (!record) return;
    join = record->lineJoin;
    cap = record->lineCap;
    miterLimit = record->miterLimit;
    if (record->dashCount == 0) return;
    const uint64_t count = record->dashCount < 15 ? record->dashCount : 15;
    dashOffset = record->dashOffset;
    dashes.assign(record->dashes, record->dashes + count);
}

}  // namespace Graphics
