#pragma once

#include <memory>

#include "graphics/software/swsystembitmap.h"

namespace Graphics {

class Bitmap;

// A caller's native bitmap seen as a library bitmap, without copying: 1-bit rows become
// Indexed1 with a colour table, else Gray1; 8-bit Indexed8 with one, else Gray8; 24-bit
// RGB24; 32-bit RGB32; 96 dots per inch. Pixels are read from (and painted into) the
// native bitmap when needed, and it lives as long as the wrapper, whoever deletes its handle.
class SwNativeBitmapWrapper : public SwSystemBitmap {
public:
    explicit SwNativeBitmapWrapper(std::shared_ptr<Platform::NativeBitmap> native);

    // A library bitmap over `native`; an empty one raises "GetBitmapInfo failed".
    static std::shared_ptr<Bitmap> CreateBitmap(std::shared_ptr<Platform::NativeBitmap> native);
};

}  // namespace Graphics
