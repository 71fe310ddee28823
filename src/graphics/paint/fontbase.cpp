#include "graphics/paint/fontbase.h"

namespace Graphics {

FontBase::FontBase(float size, double emPixels, int weight, bool italic, std::u16string_view family)
    : size_(size), source_(Host::GlyphSource::Create(family, weight, italic, emPixels)) {}

}  // namespace Graphics
