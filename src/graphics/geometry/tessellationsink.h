#pragma once

#include "graphics/geometry/geometrysink.h"

namespace Graphics {

// A sink that takes several filled operands one after another. Each operand is bracketed by
// BeginOperand and EndOperand; between them it arrives through the ordinary replay protocol,
// fill rule first, so any geometry (or transformer stage) can feed it unchanged.
class TessellationSink : public GeometrySink {
public:
    virtual void BeginOperand() = 0;
    virtual void EndOperand() = 0;
};

}  // namespace Graphics
