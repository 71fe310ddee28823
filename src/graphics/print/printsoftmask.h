#pragma once

#include <cstdint>
#include <memory>

#include "gx.h"

namespace Graphics {

class Brush;

// The shape or opacity mask of a drawing state. The print canvas has no soft masks; fills
// under one are rendered offscreen by the software renderer, which gets the mask through
// ForOffscreen.
class PrintSoftMask {
public:
    PrintSoftMask(std::shared_ptr<Brush> brush, int32_t type)
        : brush_(std::move(brush)), type_(type) {}

    int32_t GetType() const { return type_; }
    // The mask brush for a rendering whose pixels are device space carried by `offscreen`;
    // bitmaps are sampled bilinearly after box reduction, since the offscreen bitmap is
    // usually finer or coarser than the mask.
    std::shared_ptr<Brush> ForOffscreen(const GXMatrix& offscreen) const;

private:
    std::shared_ptr<Brush> brush_;  // never empty
    int32_t type_;                  // mask type as the caller gave it; checked when drawn
};

}  // namespace Graphics
