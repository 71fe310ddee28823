#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
#include <limits>
#include <vector>

#include "graphics/region/region.h"

namespace {

using Graphics::Region;
constexpr int32_t S = Region::Sentinel;
constexpr int32_t kMin = std::numeric_limits<int32_t>::min();

std::vector<int32_t> RunsOf(const Region& region) {
    const auto& runs = region.Runs();
    if (!runs) return {};
    return std::vector<int32_t>(runs->Values(), runs->Values() + runs->Count());
}

Region FromRuns(std::initializer_list<int32_t> values, GXIntRect bound) {
    auto runs = std::make_shared<Region::RunHead>(static_cast<int64_t>(values.size()));
    std::copy(values.begin(), values.end(), runs->Values());
    return Region(std::move(runs), bound);
}

Region Rect(int32_t l, int32_t t, int32_t r, int32_t b) {
    return Region(GXIntRect{l, t, r, b});
}

void ExpectBound(const Region& region, GXIntRect expected) {
    const GXIntRect& b = region.Bound();
    EXPECT_EQ(b.left, expected.left);
    EXPECT_EQ(b.top, expected.top);
    EXPECT_EQ(b.right, expected.right);
    EXPECT_EQ(b.bottom, expected.bottom);
}

TEST(RegionRuns, NeighbouringRectanglesMergeIntoOneRectangle) {
    const Region r = Region::Oper(Rect(0, 0, 10, 10), Rect(10, 0, 20, 10), GXCombineUnion);
    EXPECT_EQ(r.Runs(), nullptr);
    ExpectBound(r, {0, 0, 20, 10});
    // Stacked rectangles of equal width merge vertically as well.
    const Region v = Region::Oper(Rect(0, 0, 10, 10), Rect(0, 10, 10, 30), GXCombineUnion);
    EXPECT_EQ(v.Runs(), nullptr);
    ExpectBound(v, {0, 0, 10, 30});
}

TEST(RegionRuns, OverlappingUnionHasThreeBands) {
    const Region r = Region::Oper(Rect(0, 0, 10, 10), Rect(5, 5, 15, 15), GXCombineUnion);
    EXPECT_EQ(RunsOf(r), (std::vector<int32_t>{0, 5, 0, 10, S, 10, 0, 15, S, 15, 5, 15, S, S}));
    ExpectBound(r, {0, 0, 15, 15});
    EXPECT_EQ(r.Validate(), nullptr);
}

TEST(RegionRuns, VerticalGapBecomesAnEmptyBand) {
    const Region r = Region::Oper(Rect(0, 0, 10, 10), Rect(2, 20, 8, 30), GXCombineUnion);
    EXPECT_EQ(RunsOf(r), (std::vector<int32_t>{0, 10, 0, 10, S, 20, S, 30, 2, 8, S, S}));
    EXPECT_EQ(r.Validate(), nullptr);
}

TEST(RegionRuns, EmptyEdgeBandsAreTrimmed) {
    // A ring minus its upper and lower parts leaves two columns; the empty bands above and
    // below them must not survive.
    const Region ring = Region::Oper(Rect(0, 0, 30, 30), Rect(10, 10, 20, 20), GXCombineXor);
    const Region cut = Region::Oper(ring, Rect(0, 5, 30, 25), GXCombineIntersect);
    EXPECT_EQ(RunsOf(cut),
              (std::vector<int32_t>{5, 10, 0, 30, S, 20, 0, 10, 20, 30, S, 25, 0, 30, S, S}));
    const Region columns = Region::Oper(ring, Rect(0, 10, 30, 20), GXCombineIntersect);
    EXPECT_EQ(RunsOf(columns), (std::vector<int32_t>{10, 20, 0, 10, 20, 30, S, S}));
    ExpectBound(columns, {0, 10, 30, 20});
    const Region middle = Region::Oper(ring, Rect(10, 10, 20, 20), GXCombineIntersect);
    EXPECT_TRUE(middle.IsEmpty());
    EXPECT_EQ(middle.Runs(), nullptr);
    // Two rectangles with a gap band between them; removing either leaves the other as a
    // plain rectangle, the gap band gone.
    const Region pair = Region::Oper(Rect(0, 0, 10, 10), Rect(0, 20, 10, 30), GXCombineUnion);
    const Region upper = Region::Oper(pair, Rect(0, 15, 10, 30), GXCombineDifference);
    EXPECT_EQ(upper.Runs(), nullptr);
    ExpectBound(upper, {0, 0, 10, 10});
    const Region lower = Region::Oper(pair, Rect(0, 0, 10, 12), GXCombineDifference);
    EXPECT_EQ(lower.Runs(), nullptr);
    ExpectBound(lower, {0, 20, 10, 30});
}

TEST(RegionRuns, SelfCancellingOperationsGiveTheEmptyRegion) {
    const Region x = Region::Oper(Rect(0, 0, 10, 10), Rect(0, 0, 10, 10), GXCombineXor);
    EXPECT_TRUE(x.IsEmpty());
    ExpectBound(x, {0, 0, 0, 0});
    const Region d = Region::Oper(Rect(2, 2, 8, 8), Rect(0, 0, 10, 10), GXCombineDifference);
    EXPECT_TRUE(d.IsEmpty());
    ExpectBound(d, {0, 0, 0, 0});
}

TEST(RegionRuns, QuickResultsShareTheOperandsRuns) {
    const Region complex = Region::Oper(Rect(0, 0, 10, 10), Rect(5, 5, 15, 15), GXCombineUnion);
    const Region empty;
    EXPECT_EQ(Region::Oper(empty, complex, GXCombineUnion).Runs(), complex.Runs());
    EXPECT_EQ(Region::Oper(complex, Rect(3, 3, 3, 9), GXCombineXor).Runs(), complex.Runs());
    EXPECT_EQ(Region::Oper(complex, Rect(50, 50, 60, 60), GXCombineDifference).Runs(),
              complex.Runs());
    // Reverse difference with a disjoint or flat second operand is that operand.
    EXPECT_EQ(Region::Oper(Rect(50, 50, 60, 60), complex, GXCombineReverseDifference).Runs(),
              complex.Runs());
    // A flat minuend gives the empty region itself, whatever its own bound.
    ExpectBound(Region::Oper(complex, Rect(4, 4, 4, 4), GXCombineReverseDifference), {0, 0, 0, 0});
    const Region both = Region::Oper(Rect(0, 0, 10, 10), Rect(5, -5, 20, 7), GXCombineIntersect);
    EXPECT_EQ(both.Runs(), nullptr);
    ExpectBound(both, {5, 0, 10, 7});
}

TEST(RegionRuns, ExtremeCoordinatesDoNotOverflow) {
    const int32_t hi = S - 1;
    const Region all = Rect(kMin, kMin, hi, hi);
    const Region hole = Region::Oper(all, Rect(-1, -1, 1, 1), GXCombineDifference);
    EXPECT_EQ(hole.Validate(), nullptr);
    ExpectBound(hole, {kMin, kMin, hi, hi});
    EXPECT_TRUE(hole.Contains(Rect(kMin, kMin, -1, hi)));
    EXPECT_FALSE(hole.Contains(Rect(-1, -1, 0, 0)));
    const Region back = Region::Oper(hole, Rect(-1, -1, 1, 1), GXCombineUnion);
    EXPECT_EQ(back.Runs(), nullptr);
    ExpectBound(back, {kMin, kMin, hi, hi});
}

TEST(RegionEmptiness, RunsWithoutAreaAreEmpty) {
    // Not well-formed, but the emptiness reading holds for any runs: zero-height bands and
    // zero-width intervals cover nothing.
    const Region r = FromRuns({0, 0, 1, 5, S, 4, 3, 3, S, S}, {1, 0, 5, 4});
    EXPECT_NE(r.Validate(), nullptr);
    EXPECT_TRUE(r.IsEmpty());
    EXPECT_TRUE(r.Rects().empty());
}

TEST(RegionValidate, CatchesEveryBrokenInvariant) {
    EXPECT_EQ(FromRuns({0, 5, 0, 10, 20, 30, S, S}, {0, 0, 30, 5}).Validate(), nullptr);
    const struct {
        std::initializer_list<int32_t> runs;
        GXIntRect bound;
    } broken[] = {
        {{0, 5, 0, 10, 20, 30, S}, {0, 0, 30, 5}},                          // no final sentinel
        {{0, 5, 0, 10, 20, 30, S, S, 7}, {0, 0, 30, 5}},                    // trailing integers
        {{0, 0, 0, 10, 20, 30, S, S}, {0, 0, 30, 0}},                       // band without height
        {{0, 5, 10, 0, 20, 30, S, S}, {10, 0, 30, 5}},                      // reversed interval
        {{0, 5, 0, 20, 20, 30, S, S}, {0, 0, 30, 5}},                       // touching intervals
        {{0, 5, 20, 30, 0, 10, S, S}, {20, 0, 10, 5}},                      // unsorted intervals
        {{0, 5, S, 6, 0, 10, 20, 30, S, S}, {0, 5, 30, 6}},                 // empty first band
        {{0, 5, 0, 10, 20, 30, S, 6, S, S}, {0, 0, 30, 5}},                 // empty last band
        {{0, 5, 0, 10, 20, 30, S, 6, 0, 10, 20, 30, S, S}, {0, 0, 30, 6}},  // repeated band
        {{0, 5, 0, 10, S, S}, {0, 0, 10, 5}},                               // one rectangle
        {{0, 5, 0, 10, 20, 30, S, S}, {0, 0, 31, 5}},                       // loose bound
        {{0, S}, {0, 0, 0, 0}},                                             // no band at all
    };
    for (const auto& b : broken) {
        EXPECT_NE(FromRuns(b.runs, b.bound).Validate(), nullptr)
            << "runs of " << b.runs.size() << " integers starting " << *b.runs.begin();
    }
    EXPECT_NE(Region(std::shared_ptr<Region::RunHead>(), {5, 0, 4, 1}).Validate(), nullptr);
    EXPECT_NE(Region(std::shared_ptr<Region::RunHead>(), {0, 0, 1, S}).Validate(), nullptr);
}

TEST(RegionOffset, MovesRunsAndBound) {
    const Region base = Region::Oper(Rect(0, 0, 10, 10), Rect(5, 5, 15, 15), GXCombineUnion);
    Region moved = base;
    ASSERT_TRUE(moved.Offset(3, 4));
    EXPECT_EQ(RunsOf(moved), (std::vector<int32_t>{4, 9, 3, 13, S, 14, 3, 18, S, 19, 8, 18, S, S}));
    ExpectBound(moved, {3, 4, 18, 19});
    // The region it was copied from shares no change.
    EXPECT_EQ(RunsOf(base), (std::vector<int32_t>{0, 5, 0, 10, S, 10, 0, 15, S, 15, 5, 15, S, S}));
    EXPECT_NE(moved.Runs(), base.Runs());
    // A region owning its runs alone moves them where they are.
    const Region::RunHead* head = moved.Runs().get();
    ASSERT_TRUE(moved.Offset(-3, -4));
    EXPECT_EQ(moved.Runs().get(), head);
    EXPECT_EQ(RunsOf(moved), RunsOf(base));
}

TEST(RegionOffset, RefusesToLeaveTheCoordinateRange) {
    Region r = Region::Oper(Rect(0, 0, 10, 10), Rect(5, 5, 15, 15), GXCombineUnion);
    const std::vector<int32_t> before = RunsOf(r);
    EXPECT_FALSE(r.Offset(S - 15, 0));  // right would become the sentinel
    EXPECT_FALSE(r.Offset(0, S - 15));
    EXPECT_EQ(RunsOf(r), before);
    ExpectBound(r, {0, 0, 15, 15});
    // The extreme corners are reachable; one step further is not.
    ASSERT_TRUE(r.Offset(kMin, S - 16));
    ExpectBound(r, {kMin, S - 16, kMin + 15, S - 1});
    EXPECT_EQ(r.Validate(), nullptr);
    const std::vector<int32_t> corner = RunsOf(r);
    EXPECT_FALSE(r.Offset(-1, 0));
    EXPECT_FALSE(r.Offset(0, 1));
    EXPECT_FALSE(r.Offset(-1, 1));
    EXPECT_EQ(RunsOf(r), corner);
    Region flat;
    EXPECT_TRUE(flat.Offset(7, -7));
    ExpectBound(flat, {7, -7, 7, -7});
    EXPECT_TRUE(flat.IsEmpty());
}

}  // namespace
