#pragma once

#include "graphics/bitmap/colorf.h"
#include "graphics/paint/gradient.h"

namespace Graphics {

// The background colour that PDF shadings paint outside their extent when asked to.
class GradientBase : public Gradient {
public:
    const ColorF& GetBackground() const { return background_; }
    bool HasBackground() const { return hasBackground_ != 0; }

protected:
    // A zero ARGB value means "no background", although 0 is also transparent black.
    explicit GradientBase(uint32_t backgroundArgb)
        : background_(backgroundArgb ? ColorF::FromARGB(backgroundArgb) : ColorF{0, 0, 0, 1}),
          hasBackground_(backgroundArgb != 0) {}

private:
    ColorF background_;      // opaque black unless a background was given
    int32_t hasBackground_;  // non-zero when background_ is to be painted
};

}  // namespace Graphics
