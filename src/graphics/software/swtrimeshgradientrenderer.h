#pragma once

#include <cstdint>
#include <memory>

#include "gx.h"

namespace Graphics {

class SysMemBitmap;
class TriMeshGradient;

// Draws a tri-mesh gradient into a bitmap once per draw: its vertices form a triangle
// strip, each triangle Gouraud-shaded without anti-aliasing, overwriting what it covers.
class SwTriMeshGradientRenderer {
public:
    // A vertex in target pixel space with its straight ARGB colour.
    struct Vertex {
        float x;        // target pixels
        float y;        // target pixels
        uint32_t argb;  // 0xAARRGGBB, straight alpha
    };

    // A PARGB32 bitmap the size of `deviceRect`, transparent where no triangle lies, holding
    // the mesh mapped by `meshToDevice` and moved so that the rectangle's corner is (0, 0).
    // Raises "Not enough memory" for a rectangle too large to hold.
    static std::shared_ptr<SysMemBitmap> Render(const TriMeshGradient& mesh,
                                                const GXMatrix& meshToDevice,
                                                const GXIntRect& deviceRect);

    // Fills one triangle into the PARGB32 pixels of `target` (width x height): rows whose
    // centre lies in [top, bottom), in each the pixels from the left crossing rounded up to
    // the right crossing rounded up, crossings exact in 1/16 px (the top-left rule).
    static void FillTriangle(const GXBitmapData& target, int32_t width, int32_t height, Vertex v0,
                             Vertex v1, Vertex v2);
};

}  // namespace Graphics
