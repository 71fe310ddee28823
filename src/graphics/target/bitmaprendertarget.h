#pragma once

#include <memory>

#include "graphics/target/rendertarget.h"

namespace Graphics {

class Bitmap;

// A render target painting a library bitmap. It keeps the bitmap alive, so the caller may
// release the bitmap handle and go on drawing.
class BitmapRenderTarget : public RenderTarget {
public:
    // The software renderer over a bitmap surface of `bitmap`.
    explicit BitmapRenderTarget(std::shared_ptr<Bitmap> bitmap);

private:
    std::shared_ptr<Bitmap> bitmap_;  // the drawing destination; never empty
};

}  // namespace Graphics
