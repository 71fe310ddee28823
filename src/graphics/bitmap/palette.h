#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace Graphics {

// An ordered array of ARGB values (0xAARRGGBB, straight alpha). Immutable once made, so
// bitmaps share one palette instead of copying it.
class Palette {
public:
    Palette(const uint32_t* colors, size_t count) : colors_(colors, colors + count) {}

    size_t GetNumColors() const { return colors_.size(); }
    uint32_t GetColor(size_t index) const { return colors_[index]; }
    // Valid while the palette lives.
    const uint32_t* GetColors() const { return colors_.data(); }
    // The colour at `index`, or `fallback` when the palette is too short for it.
    uint32_t GetColorOr(size_t index, uint32_t fallback) const {
        return index < colors_.size() ? colors_[index] : fallback;
    }

private:
    std::vector<uint32_t> colors_;  // ARGB values, never resized after construction
};

}  // namespace Graphics
