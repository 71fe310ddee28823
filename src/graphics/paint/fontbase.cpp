#include "graphics/paint/fontbase.h"

namespace Graphics {

FontBase::FontBase(float size, int height, int weight, bool italic, LPCWSTR faceName)
    : size_(size),
      font_(CreateFontW(height, 0, 0, 0, weight, italic ? 1 : 0, 0, 0, 0, 0, 0, 0, 0, faceName)) {}

FontBase::~FontBase() {
    if (font_) DeleteObject(font_);
}

}  // namespace Graphics
