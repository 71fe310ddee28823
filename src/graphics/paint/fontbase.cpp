#include "graphics/paint/fontbase.h"

namespace Graphics {

FontBase::~FontBase() {
    if (font_) DeleteObject(font_);
}

}  // namespace Graphics
