#pragma once

#include <cstdint>
#include <vector>

namespace Graphics {

// What a draw asks of its shader: a composition kind (0..7), a blend mode (0..15) and the
// fragment ids (0..17) in the order they apply. Keys order by kind, mode, then the id lists
// element by element (a proper prefix first), which is what the shader cache sorts by.
struct ShaderKey {
    int32_t compositionKind = 0;
    int32_t blendMode = 0;
    std::vector<int32_t> fragmentIds;

    friend bool operator==(const ShaderKey&, const ShaderKey&) = default;
    friend auto operator<=>(const ShaderKey&, const ShaderKey&) = default;
};

}  // namespace Graphics
