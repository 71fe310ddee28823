#pragma once

namespace Graphics {

// The empty common base of the library's public implementation classes (Bitmap, Brush,
// Gradient, Geometry, RenderTarget, Exception): it marks what may stand behind a handle.
class GraphicsBase {
protected:
    GraphicsBase() = default;
    ~GraphicsBase() = default;
};

}  // namespace Graphics
