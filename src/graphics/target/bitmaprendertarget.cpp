#include "graphics/target/bitmaprendertarget.h"

#include "graphics/bitmap/bitmap.h"
#include "graphics/software/swbitmapsurface.h"
#include "graphics/software/swrendertarget.h"

namespace Graphics {

BitmapRenderTarget::BitmapRenderTarget(std::shared_ptr<Bitmap> bitmap)
    : RenderTarget(std::make_shared<SwRenderTarget>(std::make_shared<SwBitmapSurface>(bitmap))),
      bitmap_(std::move(bitmap)) {}

}  // namespace Graphics
