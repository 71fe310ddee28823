#pragma once

#include <cstdint>
#include <vector>

#include "graphics/bitmap/colorf.h"
#include "graphics/paint/gradient.h"

namespace Graphics {

struct TriMeshVertex {
    float x;        // brush space
    float y;        // brush space
    uint32_t argb;  // 0xAARRGGBB at this corner, straight alpha
};

// A triangle mesh with colours at its corners (a PDF free-form triangle-mesh shading).
// How the vertices group into triangles is each renderer's to define.
class TriMeshGradient : public Gradient {
public:
    TriMeshGradient(std::vector<TriMeshVertex> vertices, uint32_t backgroundArgb)
        : vertices_(std::move(vertices)),
          background_(backgroundArgb ? ColorF::FromARGB(backgroundArgb) : ColorF{0, 0, 0, 0}) {}

    GradientKind GetType() const override { return GradientKind::TriMesh; }
    const std::vector<TriMeshVertex>& GetVertices() const { return vertices_; }
    // All zero (transparent) when there is no background.
    const ColorF& GetBackground() const { return background_; }

private:
    std::vector<TriMeshVertex> vertices_;  // at least one
    ColorF background_;
};

}  // namespace Graphics
