#include "graphics/geometry/productsumsign.h"

#include <gtest/gtest.h>

#include <boost/multiprecision/cpp_int.hpp>

#include <random>

#include "propertycases.h"

namespace Graphics {
namespace {

using Int128 = __int128;
using Big = boost::multiprecision::cpp_int;

Big ToBig(Int128 v) {
    const bool negative = v < 0;
    const auto m = negative ? -static_cast<unsigned __int128>(v) : static_cast<unsigned __int128>(v);
    Big r = static_cast<uint64_t>(m >> 64);
    r <<= 64;
    r += static_cast<uint64_t>(m);
    return negative ? Big(-r) : r;
}

Int128 FromBig(const Big& v) {
    const Big m = abs(v);
    const auto low = static_cast<uint64_t>(m & Big(UINT64_MAX));
    const auto high = static_cast<uint64_t>(m >> 64);
    const Int128 r = (static_cast<Int128>(high) << 64) | low;
    return v < 0 ? -r : r;
}

// Random magnitude of 0 to 126 bits with a random sign, so that sizes from tiny to huge
// all occur.
Int128 RandomInteger(std::mt19937_64& rng) {
    const int bits = std::uniform_int_distribution<int>(0, 126)(rng);
    auto m = (static_cast<unsigned __int128>(rng()) << 64) | rng();
    m = bits == 0 ? 0 : m >> (128 - bits);
    const auto v = static_cast<Int128>(m);
    return rng() & 1 ? -v : v;
}

// The filter never claims a wrong sign, the exact evaluation always matches arbitrary
// precision, on random, cancelling (the two products within a few units of each other),
// exactly cancelling and extreme operands.
TEST(ProductSumSignTest, FilterAndExactAgreeWithArbitraryPrecision) {
    std::mt19937_64 rng(20261208);
    const Int128 largest = (static_cast<Int128>(1) << 126) + ((static_cast<Int128>(1) << 126) - 1);
    const Int128 extremes[] = {0, 1, -1, 2, largest, -largest, largest - 1,
                               static_cast<Int128>(1) << 64, (static_cast<Int128>(1) << 95) - 1,
                               -(static_cast<Int128>(1) << 100) + 3};
    int decided = 0, randomCases = 0;
    const int cases = PropertyCases(200000);
    for (int c = 0; c < cases; ++c) {
        Int128 a1 = RandomInteger(rng), b1 = RandomInteger(rng);
        Int128 a2 = RandomInteger(rng), b2 = RandomInteger(rng);
        const int kind = c % 4;
        if (kind == 1 && b2 != 0) {
            // a2·b2 within a few units of -a1·b1 where a2 can reach it.
            const Big target = -(ToBig(a1) * ToBig(b1)) / ToBig(b2);
            if (abs(target) < ToBig(largest) - 8) {
                a2 = FromBig(target) + std::uniform_int_distribution<int>(-3, 3)(rng);
            }
        } else if (kind == 2) {
            // Exact cancellation: a1·b1 = (x·y)·z and a2·b2 = x·(-y·z).
            const Int128 x = RandomInteger(rng) >> 64, y = RandomInteger(rng) >> 64,
                         z = RandomInteger(rng) >> 64;
            a1 = x * y;
            b1 = z;
            a2 = x;
            b2 = -y * z;
        } else if (kind == 3) {
            a1 = extremes[rng() % std::size(extremes)];
            b1 = extremes[rng() % std::size(extremes)];
            if (rng() & 1) a2 = extremes[rng() % std::size(extremes)];
            if (rng() & 1) b2 = extremes[rng() % std::size(extremes)];
        }
        const Big sum = ToBig(a1) * ToBig(b1) + ToBig(a2) * ToBig(b2);
        const int expected = sum.sign();
        const int filtered = ProductSumSign::Filtered(a1, b1, a2, b2);
        ASSERT_TRUE(filtered == ProductSumSign::kUncertain || filtered == expected) << "case " << c;
        ASSERT_EQ(ProductSumSign::Exact(a1, b1, a2, b2), expected) << "case " << c;
        ASSERT_EQ(ProductSumSign::Of(a1, b1, a2, b2), expected) << "case " << c;
        if (kind == 2) {
            ASSERT_EQ(expected, 0);
        }
        if (kind == 0) {
            ++randomCases;
            decided += filtered != ProductSumSign::kUncertain;
        }
    }
    // Unrelated products are almost never within the filter's margin of cancelling.
    EXPECT_GT(decided, randomCases * 99 / 100);
}

}  // namespace
}  // namespace Graphics
