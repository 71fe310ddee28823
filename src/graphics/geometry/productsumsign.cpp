#include "graphics/geometry/productsumsign.h"

#include <cmath>
#include <cstdint>

namespace Graphics::ProductSumSign {

namespace {

using UInt128 = unsigned __int128;

// A 256-bit unsigned integer, least significant word first.
struct UInt256 {
    uint64_t w[4];
};

UInt128 Magnitude(__int128 v) {
    return v < 0 ? -static_cast<UInt128>(v) : static_cast<UInt128>(v);
}

int Sign(__int128 v) {
    return (v > 0) - (v < 0);
}

// Schoolbook product of two 128-bit magnitudes from four 64 x 64 -> 128-bit products.
UInt256 Multiply(UInt128 a, UInt128 b) {
    const uint64_t a0 = static_cast<uint64_t>(a), a1 = static_cast<uint64_t>(a >> 64);
    const uint64_t b0 = static_cast<uint64_t>(b), b1 = static_cast<uint64_t>(b >> 64);
    const UInt128 p00 = UInt128(a0) * b0, p01 = UInt128(a0) * b1;
    const UInt128 p10 = UInt128(a1) * b0, p11 = UInt128(a1) * b1;
    // Neither partial sum overflows: the first adds three 64-bit words, the second is the
    // top half of a product that fits 256 bits.
    const UInt128 middle = (p00 >> 64) + static_cast<uint64_t>(p01) + static_cast<uint64_t>(p10);
    const UInt128 high = (middle >> 64) + (p01 >> 64) + (p10 >> 64) + p11;
    return {{static_cast<uint64_t>(p00), static_cast<uint64_t>(middle), static_cast<uint64_t>(high),
             static_cast<uint64_t>(high >> 64)}};
}

int CompareMagnitudes(const UInt256& a, const UInt256& b) {
    for (int i = 4; i-- > 0;) {
        if (a.w[i] != b.w[i]) return a.w[i] < b.w[i] ? -1 : 1;
    }
    return 0;
}

}  // namespace

// Error bound. Write u = 2^-53 for the unit roundoff. Each of the four conversions to double
// is correctly rounded, a~ = a(1 + e) with |e| <= u, and so are the two products, so
// p~i = ai·bi·(1 + t) with |t| <= (1 + u)^3 - 1 < 3.01u. The sum rounds once more:
// s~ = (p~1 + p~2)(1 + e5). Hence
//   |s~ - s| <= 3.01u(|p1| + |p2|) + u(|p~1| + |p~2|)
//            <= (3.01u / (1 - 3.01u) + u)(|p~1| + |p~2|) < 4.02u(|p~1| + |p~2|),
// using |pi| <= |p~i| / (1 - 3.01u). The bound below is fl(|p~1| + |p~2|)·2^-50 >=
// (1 - u)(|p~1| + |p~2|)·8u, which exceeds that error; scaling by a power of two is exact
// (integer products are 0 or at least 1, far from underflow, and below 2^254, far from
// overflow). So |s~| > bound leaves s with the sign of s~. Even conversions that truncated
// (|e| < 2u) would keep the error under 6.1u and the bound safe.
int Filtered(__int128 a1, __int128 b1, __int128 a2, __int128 b2) {
    const double p1 = static_cast<double>(a1) * static_cast<double>(b1);
    const double p2 = static_cast<double>(a2) * static_cast<double>(b2);
    const double sum = p1 + p2;
    const double bound = (std::fabs(p1) + std::fabs(p2)) * 0x1p-50;
    if (sum > bound) return 1;
    if (sum < -bound) return -1;
    return kUncertain;
}

int Exact(__int128 a1, __int128 b1, __int128 a2, __int128 b2) {
    const int s1 = Sign(a1) * Sign(b1), s2 = Sign(a2) * Sign(b2);
    if (s1 == 0) return s2;
    if (s2 == 0 || s1 == s2) return s1;
    // Opposite signs: the larger magnitude wins.
    const int order =
        CompareMagnitudes(Multiply(Magnitude(a1), Magnitude(b1)), Multiply(Magnitude(a2), Magnitude(b2)));
    return order > 0 ? s1 : order < 0 ? s2 : 0;
}

}  // namespace Graphics::ProductSumSign
