// Regions against a pixel-set oracle: random regions on a small grid, every operation,
// every query, checked pixel by pixel.
#include <gtest/gtest.h>

#include "propertycases.h"

#include <algorithm>
#include <array>
#include <bitset>
#include <random>
#include <utility>

#include "graphics/region/region.h"

namespace {

using Graphics::Region;

// The oracle's grid covers [kOrigin, kOrigin + kSize) in both directions; random
// rectangles stay in [0, kSpan] so that offsets of up to kSpan / 2 stay on the grid.
constexpr int kOrigin = -16;
constexpr int kSize = 64;
constexpr int kSpan = 24;
using Pixels = std::bitset<kSize * kSize>;

size_t Bit(int x, int y) {
    return size_t(y - kOrigin) * kSize + size_t(x - kOrigin);
}

Pixels Paint(const GXIntRect& r) {
    Pixels p;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x) p.set(Bit(x, y));
    return p;
}

Pixels Apply(const Pixels& a, const Pixels& b, int op) {
    switch (op) {
        case GXCombineIntersect:
            return a & b;
        case GXCombineUnion:
            return a | b;
        case GXCombineXor:
            return a ^ b;
        case GXCombineDifference:
            return a & ~b;
        default:
            return b & ~a;
    }
}

Pixels Shift(const Pixels& p, int dx, int dy) {
    Pixels moved;
    for (int y = kOrigin; y < kOrigin + kSize; ++y)
        for (int x = kOrigin; x < kOrigin + kSize; ++x)
            if (p.test(Bit(x, y))) moved.set(Bit(x + dx, y + dy));
    return moved;
}

// The region is well-formed, enumerates disjoint rectangles band by band that cover the
// pixels exactly, and reports the pixels' emptiness and bounding box.
::testing::AssertionResult Matches(const Region& region, const Pixels& expected) {
    if (const char* fault = region.Validate()) return ::testing::AssertionFailure() << fault;
    std::array<uint8_t, kSize * kSize> hits{};
    const std::vector<GXIntRect> rects = region.Rects();
    for (size_t i = 0; i < rects.size(); ++i) {
        const GXIntRect& r = rects[i];
        if (r.left >= r.right || r.top >= r.bottom || r.left < kOrigin || r.top < kOrigin ||
            r.right > kOrigin + kSize || r.bottom > kOrigin + kSize) {
            return ::testing::AssertionFailure() << "rectangle " << i << " empty or off the grid";
        }
        if (i > 0) {
            const GXIntRect& p = rects[i - 1];
            const bool sameBand = r.top == p.top && r.bottom == p.bottom && r.left > p.right;
            if (!sameBand && r.top < p.bottom) {
                return ::testing::AssertionFailure() << "rectangle " << i << " out of band order";
            }
        }
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x) ++hits[Bit(x, y)];
    }
    Pixels covered;
    for (size_t i = 0; i < hits.size(); ++i) {
        if (hits[i] > 1) return ::testing::AssertionFailure() << "rectangles overlap";
        covered[i] = hits[i] == 1;
    }
    if (covered != expected) return ::testing::AssertionFailure() << "pixels differ";
    if (region.IsEmpty() != expected.none()) return ::testing::AssertionFailure() << "emptiness";
    const GXIntRect& b = region.Bound();
    if (expected.none()) {
        if (b.left != b.right && b.top != b.bottom) {
            return ::testing::AssertionFailure() << "an empty region with an area bound";
        }
    } else {
        GXIntRect box{kOrigin + kSize, kOrigin + kSize, kOrigin, kOrigin};
        for (int y = kOrigin; y < kOrigin + kSize; ++y)
            for (int x = kOrigin; x < kOrigin + kSize; ++x)
                if (expected.test(Bit(x, y))) {
                    box = {std::min(box.left, x), std::min(box.top, y), std::max(box.right, x + 1),
                           std::max(box.bottom, y + 1)};
                }
        if (b.left != box.left || b.top != box.top || b.right != box.right ||
            b.bottom != box.bottom) {
            return ::testing::AssertionFailure() << "the bound is not the pixels' extent";
        }
    }
    return ::testing::AssertionSuccess();
}

// Equal pixel sets must come out with identical encodings: results are kept minimal.
::testing::AssertionResult SameEncoding(const Region& a, const Region& b) {
    const auto& ra = a.Runs();
    const auto& rb = b.Runs();
    if (!ra || !rb) {
        if (ra || rb) return ::testing::AssertionFailure() << "one has runs, one has none";
        if (a.IsEmpty() && b.IsEmpty()) return ::testing::AssertionSuccess();
        const GXIntRect &x = a.Bound(), &y = b.Bound();
        if (x.left == y.left && x.top == y.top && x.right == y.right && x.bottom == y.bottom)
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "different rectangles";
    }
    if (!std::equal(ra->Values(), ra->Values() + ra->Count(), rb->Values(),
                    rb->Values() + rb->Count())) {
        return ::testing::AssertionFailure() << "different runs";
    }
    return ::testing::AssertionSuccess();
}

GXIntRect RandomRect(std::mt19937& rng) {
    std::uniform_int_distribution<int> coord(0, kSpan);
    int l = coord(rng), r = coord(rng), t = coord(rng), b = coord(rng);
    if (l > r) std::swap(l, r);
    if (t > b) std::swap(t, b);
    return GXIntRect{l, t, r, b};
}

// A region built by a random chain of operations with random rectangles, each step checked.
std::pair<Region, Pixels> RandomRegion(std::mt19937& rng) {
    Region region;
    Pixels pixels;
    const int steps = int(rng() % 10);
    for (int i = 0; i < steps; ++i) {
        const GXIntRect rect = RandomRect(rng);
        // Mostly unions, so that regions grow rich enough for the other operations.
        const int op = rng() % 3 == 0 ? int(rng() % 5) : GXCombineUnion;
        if (rng() % 2) {
            region = Region::Oper(region, Region(rect), op);
            pixels = Apply(pixels, Paint(rect), op);
        } else {
            region = Region::Oper(Region(rect), region, op);
            pixels = Apply(Paint(rect), pixels, op);
        }
        EXPECT_TRUE(Matches(region, pixels)) << "step " << i << " op " << op;
    }
    return {region, pixels};
}

TEST(RegionOracle, OperationsAndQueriesMatchPixelSets) {
    std::mt19937 rng(20261208);
    for (int c = 0, cases = PropertyCases(3000); c < cases; ++c) {
        SCOPED_TRACE(c);
        const auto [a, pa] = RandomRegion(rng);
        const auto [b, pb] = RandomRegion(rng);
        for (int op = GXCombineIntersect; op <= GXCombineReverseDifference; ++op) {
            ASSERT_TRUE(Matches(Region::Oper(a, b, op), Apply(pa, pb, op))) << "op " << op;
        }
        EXPECT_EQ(a.Contains(b), (pb & ~pa).none());
        EXPECT_EQ(b.Contains(a), (pa & ~pb).none());
        EXPECT_EQ(a.Intersects(b), (pa & pb).any());
        const GXIntRect q = RandomRect(rng);
        EXPECT_EQ(a.Contains(Region(q)), (Paint(q) & ~pa).none());
        EXPECT_EQ(a.Intersects(Region(q)), (Paint(q) & pa).any());
        // Operands are values: nothing above changed them.
        ASSERT_TRUE(Matches(a, pa));
        ASSERT_TRUE(Matches(b, pb));
    }
}

TEST(RegionOracle, EqualPixelSetsHaveEqualEncodings) {
    std::mt19937 rng(7);
    for (int c = 0; c < 1000; ++c) {
        SCOPED_TRACE(c);
        const auto [a, pa] = RandomRegion(rng);
        const auto [b, pb] = RandomRegion(rng);
        const Region x = Region::Oper(a, b, GXCombineXor);
        const Region both =
            Region::Oper(Region::Oper(a, b, GXCombineDifference),
                         Region::Oper(a, b, GXCombineReverseDifference), GXCombineUnion);
        EXPECT_TRUE(SameEncoding(x, both));
        EXPECT_TRUE(
            SameEncoding(Region::Oper(a, b, GXCombineUnion), Region::Oper(b, a, GXCombineUnion)));
        EXPECT_TRUE(SameEncoding(
            Region::Oper(a, b, GXCombineIntersect),
            Region::Oper(a, Region::Oper(a, b, GXCombineDifference), GXCombineDifference)));
    }
}

TEST(RegionOracle, OffsetMovesEveryPixel) {
    std::mt19937 rng(99);
    std::uniform_int_distribution<int> delta(-kSpan / 2, kSpan / 2);
    for (int c = 0; c < 1000; ++c) {
        SCOPED_TRACE(c);
        const auto [a, pa] = RandomRegion(rng);
        const int dx = delta(rng), dy = delta(rng);
        Region moved = a;
        ASSERT_TRUE(moved.Offset(dx, dy));
        ASSERT_TRUE(Matches(moved, Shift(pa, dx, dy)));
        ASSERT_TRUE(Matches(a, pa));
    }
}

}  // namespace
