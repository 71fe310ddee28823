#include "graphics/core/simdlevel.h"

#include <cstdlib>
#include <cstring>

namespace Graphics {

namespace {

// The best level the build holds and the processor runs.
SimdLevel HardwareLevel() {
#if defined(GX_SIMD_X86)
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx2")) return SimdLevel::kAVX2;
    return SimdLevel::kSSE2;
#else
    return SimdLevel::kScalar;
#endif
}

SimdLevel ChooseLevel() {
    const SimdLevel hardware = HardwareLevel();
    const char* requested = std::getenv("GX_SIMD");
    if (!requested) return hardware;
    for (SimdLevel level : {SimdLevel::kScalar, SimdLevel::kSSE2, SimdLevel::kAVX2})
        if (std::strcmp(requested, SimdLevelName(level)) == 0)
            return level <= hardware ? level : hardware;
    return hardware;
}

}  // namespace

SimdLevel ActiveSimdLevel() {
    static const SimdLevel level = ChooseLevel();
    return level;
}

std::vector<SimdLevel> SupportedSimdLevels() {
    std::vector<SimdLevel> levels;
    const SimdLevel hardware = HardwareLevel();
    for (SimdLevel level : {SimdLevel::kScalar, SimdLevel::kSSE2, SimdLevel::kAVX2})
        if (level <= hardware) levels.push_back(level);
    return levels;
}

const char* SimdLevelName(SimdLevel level) {
    switch (level) {
        case SimdLevel::kSSE2:
            return "sse2";
        case SimdLevel::kAVX2:
            return "avx2";
        default:
            return "scalar";
    }
}

}  // namespace Graphics
