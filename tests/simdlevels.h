#pragma once

#include <gtest/gtest.h>

#include "graphics/core/simdlevel.h"

namespace Graphics {

// Runs check(level) for every vector instruction set this build and this processor can run
// (none in a scalar build), each under a trace naming it: the vector forms of a kernel
// against its scalar twin.
template <class Check>
void ForEachVectorLevel(Check&& check) {
    for (SimdLevel level : SupportedSimdLevels()) {
        if (level == SimdLevel::kScalar) continue;
        SCOPED_TRACE(SimdLevelName(level));
        check(level);
    }
}

}  // namespace Graphics
