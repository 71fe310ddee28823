#pragma once

namespace Graphics {

// Signs of a1·b1 + a2·b2 for signed integers of magnitude below 2^127, the form every exact
// test on a crossing vertex reduces to (an orientation or an ordering against an input
// vertex, scaled by the crossing's positive denominator).
namespace ProductSumSign {

// Returned by Filtered when double precision cannot tell the sign.
constexpr int kUncertain = 2;

// The sign from the sum evaluated in double precision, or kUncertain when the rounding
// error could reach the sum.
int Filtered(__int128 a1, __int128 b1, __int128 a2, __int128 b2);
// The sign from 256-bit integer products.
int Exact(__int128 a1, __int128 b1, __int128 a2, __int128 b2);
// Filtered, falling back to Exact only when in doubt.
inline int Of(__int128 a1, __int128 b1, __int128 a2, __int128 b2) {
    const int sign = Filtered(a1, b1, a2, b2);
    return sign != kUncertain ? sign : Exact(a1, b1, a2, b2);
}

}  // namespace ProductSumSign

}  // namespace Graphics
