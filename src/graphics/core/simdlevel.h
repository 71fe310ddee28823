#pragma once

#include <cstdint>
#include <vector>

namespace Graphics {

// The instruction sets the hot pixel loops are written for. Each loop has a scalar form
// and, where it pays, one form per set, each in its own file compiled for that set only;
// the form that runs is picked once per process from what the processor offers.
enum class SimdLevel : int32_t {
    kScalar = 0,  // plain C++: the reference every other form is tested against
    kSSE2 = 1,    // the x86-64 baseline
    kAVX2 = 2,    // 256-bit integer lanes, Haswell and later
};

// The level the library runs at: the best one both built in and offered by the processor,
// lowered by the environment variable GX_SIMD ("scalar", "sse2" or "avx2"; read once, at
// the first call). A GX_SIMD naming a level the processor lacks, or an unknown name, is
// ignored, so the variable can only lower the level, never crash the process.
SimdLevel ActiveSimdLevel();

// Every level this build and this processor can run, the scalar one first. Tests run each
// vector form against the scalar one over these.
std::vector<SimdLevel> SupportedSimdLevels();

// "scalar", "sse2" or "avx2".
const char* SimdLevelName(SimdLevel level);

// Each form of one kernel, with the pointer of a form this build lacks left null. A
// caller picks its form once; `For` falls back to the best lower form that exists.
template <class Function>
struct SimdKernel {
    Function scalar;  // always present
    Function sse2;    // null without SSE2 forms in the build
    Function avx2;    // null where the kernel has no AVX2 form, or none is built

    Function For(SimdLevel level) const {
        if (level >= SimdLevel::kAVX2 && avx2) return avx2;
        if (level >= SimdLevel::kSSE2 && sse2) return sse2;
        return scalar;
    }
    // The form for the process's level.
    Function Active() const { return For(ActiveSimdLevel()); }
};

}  // namespace Graphics

// A kernel form's address where this build compiles that instruction set, else null. The
// builds without vector code (the GX_SIMD CMake option off, or not x86-64) leave the
// *_sse2.cpp and *_avx2.cpp files out, so their functions must not even be named there.
#if defined(GX_SIMD_X86)
#define GX_SSE2_FORM(function) (&function)
#define GX_AVX2_FORM(function) (&function)
#else
#define GX_SSE2_FORM(function) nullptr
#define GX_AVX2_FORM(function) nullptr
#endif
