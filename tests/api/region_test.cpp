#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "gx.h"

// Found by argument-dependent lookup from inside GoogleTest, so at global scope.
static bool operator==(const GXIntRect& a, const GXIntRect& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

namespace {

constexpr int32_t kMax = INT32_MAX;

// Owns one region handle for the length of a test.
class RegionHandle {
public:
    RegionHandle() = default;
    explicit RegionHandle(GXIntRect rect) { EXPECT_EQ(GXCreateRegionFromRect(&rect, &r_), 0); }
    ~RegionHandle() {
        // In C++ the records are incomplete here, so the conversion to their first base is
        // spelled out.
        if (r_) GXObjectRelease(reinterpret_cast<GXOBase*>(r_));
    }
    RegionHandle(const RegionHandle&) = delete;
    RegionHandle& operator=(const RegionHandle&) = delete;
    GXRegionRec_* get() const { return r_; }
    GXRegionRec_** out() { return &r_; }

private:
    GXRegionRec_* r_ = nullptr;
};

void Collect(void* context, const GXIntRect* rect) {
    static_cast<std::vector<GXIntRect>*>(context)->push_back(*rect);
}

std::vector<GXIntRect> RectsOf(GXRegionRec_* region) {
    std::vector<GXIntRect> rects;
    EXPECT_EQ(GXRegionEnumRects(region, Collect, &rects), GXResultSuccess);
    return rects;
}

GXIntRect BoundOf(GXRegionRec_* region) {
    GXIntRect bound{-1, -1, -1, -1};
    EXPECT_EQ(GXRegionGetBound(region, &bound), GXResultSuccess);
    return bound;
}

uint8_t Query(GXResult (*query)(GXRegionRec_*, GXRegionRec_*, uint8_t*), GXRegionRec_* a,
              GXRegionRec_* b) {
    uint8_t answer = 7;
    EXPECT_EQ(query(a, b, &answer), GXResultSuccess);
    return answer;
}

TEST(Regions, NullArgumentsAreRejectedAndOutputsUntouched) {
    RegionHandle r(GXIntRect{0, 0, 10, 10});
    const GXIntRect rect{0, 0, 5, 5};
    const GXIntPoint point{1, 1};
    GXRegionRec_* out = nullptr;
    uint8_t flag = 7;
    GXIntRect bound{1, 2, 3, 4};
    EXPECT_EQ(GXCreateRegion(nullptr), GXResultInvalidArg);
    EXPECT_EQ(GXCreateRegionFromRect(nullptr, &out), GXResultInvalidArg);
    EXPECT_EQ(GXCreateRegionFromRect(&rect, nullptr), GXResultInvalidArg);
    EXPECT_EQ(GXRegionIsAreaEmpty(nullptr, &flag), GXResultInvalidArg);
    EXPECT_EQ(GXRegionIsAreaEmpty(r.get(), nullptr), GXResultInvalidArg);
    EXPECT_EQ(GXRegionGetBound(nullptr, &bound), GXResultInvalidArg);
    EXPECT_EQ(GXRegionGetBound(r.get(), nullptr), GXResultInvalidArg);
    EXPECT_EQ(GXRegionContainsPoint(nullptr, &point, &flag), GXResultInvalidArg);
    EXPECT_EQ(GXRegionContainsPoint(r.get(), nullptr, &flag), GXResultInvalidArg);
    EXPECT_EQ(GXRegionContainsPoint(r.get(), &point, nullptr), GXResultInvalidArg);
    EXPECT_EQ(GXRegionContainsRect(nullptr, &rect, &flag), GXResultInvalidArg);
    EXPECT_EQ(GXRegionContainsRect(r.get(), nullptr, &flag), GXResultInvalidArg);
    EXPECT_EQ(GXRegionContainsRect(r.get(), &rect, nullptr), GXResultInvalidArg);
    EXPECT_EQ(GXRegionContains(nullptr, r.get(), &flag), GXResultInvalidArg);
    EXPECT_EQ(GXRegionContains(r.get(), nullptr, &flag), GXResultInvalidArg);
    EXPECT_EQ(GXRegionContains(r.get(), r.get(), nullptr), GXResultInvalidArg);
    EXPECT_EQ(GXRegionHasIntersection(nullptr, r.get(), &flag), GXResultInvalidArg);
    EXPECT_EQ(GXRegionHasIntersection(r.get(), nullptr, &flag), GXResultInvalidArg);
    EXPECT_EQ(GXRegionHasIntersection(r.get(), r.get(), nullptr), GXResultInvalidArg);
    EXPECT_EQ(GXRegionHasIntersectionWithRect(nullptr, &rect, &flag), GXResultInvalidArg);
    EXPECT_EQ(GXRegionHasIntersectionWithRect(r.get(), nullptr, &flag), GXResultInvalidArg);
    EXPECT_EQ(GXRegionHasIntersectionWithRect(r.get(), &rect, nullptr), GXResultInvalidArg);
    EXPECT_EQ(GXRegionOffset(nullptr, 1, 1), GXResultInvalidArg);
    EXPECT_EQ(GXRegionCombine(nullptr, r.get(), GXCombineUnion, &out), GXResultInvalidArg);
    EXPECT_EQ(GXRegionCombine(r.get(), nullptr, GXCombineUnion, &out), GXResultInvalidArg);
    EXPECT_EQ(GXRegionCombine(r.get(), r.get(), GXCombineUnion, nullptr), GXResultInvalidArg);
    EXPECT_EQ(GXRegionCombineRect(nullptr, &rect, GXCombineUnion, &out), GXResultInvalidArg);
    EXPECT_EQ(GXRegionCombineRect(r.get(), nullptr, GXCombineUnion, &out), GXResultInvalidArg);
    EXPECT_EQ(GXRegionCombineRect(r.get(), &rect, GXCombineUnion, nullptr), GXResultInvalidArg);
    EXPECT_EQ(GXRegionEnumRects(nullptr, Collect, nullptr), GXResultInvalidArg);
    EXPECT_EQ(GXRegionEnumRects(r.get(), nullptr, nullptr), GXResultInvalidArg);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(flag, 7);
    EXPECT_EQ(bound, (GXIntRect{1, 2, 3, 4}));
    EXPECT_EQ(BoundOf(r.get()), (GXIntRect{0, 0, 10, 10}));
}

TEST(Regions, InvalidRectanglesAndOperationsAreRejected) {
    RegionHandle r(GXIntRect{0, 0, 10, 10});
    const GXIntRect bad[] = {
        {5, 0, 4, 10}, {0, 5, 10, 4}, {0, 0, kMax, 10}, {0, 0, 10, kMax}, {kMax, kMax, kMax, kMax}};
    GXRegionRec_* out = nullptr;
    uint8_t flag = 7;
    for (const GXIntRect& rect : bad) {
        EXPECT_EQ(GXCreateRegionFromRect(&rect, &out), GXResultInvalidArg);
        EXPECT_EQ(GXRegionContainsRect(r.get(), &rect, &flag), GXResultInvalidArg);
        EXPECT_EQ(GXRegionHasIntersectionWithRect(r.get(), &rect, &flag), GXResultInvalidArg);
        EXPECT_EQ(GXRegionCombineRect(r.get(), &rect, GXCombineUnion, &out), GXResultInvalidArg);
    }
    const GXIntRect good{0, 0, 5, 5};
    for (const GXCombineMode op : {-1, 5, INT32_MIN, INT32_MAX}) {
        EXPECT_EQ(GXRegionCombine(r.get(), r.get(), op, &out), GXResultInvalidArg);
        EXPECT_EQ(GXRegionCombineRect(r.get(), &good, op, &out), GXResultInvalidArg);
    }
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(flag, 7);
}

TEST(Regions, CombinationsEnumerateTheirBands) {
    RegionHandle a(GXIntRect{0, 0, 10, 10});
    const GXIntRect side{10, 0, 20, 10}, lower{5, 5, 15, 15};
    RegionHandle merged, threeBands;
    ASSERT_EQ(GXRegionCombineRect(a.get(), &side, GXCombineUnion, merged.out()), 0);
    EXPECT_EQ(RectsOf(merged.get()), (std::vector<GXIntRect>{{0, 0, 20, 10}}));
    ASSERT_EQ(GXRegionCombineRect(a.get(), &lower, GXCombineUnion, threeBands.out()), 0);
    EXPECT_EQ(RectsOf(threeBands.get()),
              (std::vector<GXIntRect>{{0, 0, 10, 5}, {0, 5, 15, 10}, {5, 10, 15, 15}}));
    EXPECT_EQ(BoundOf(threeBands.get()), (GXIntRect{0, 0, 15, 15}));

    RegionHandle cut, reverse, both, odd;
    ASSERT_EQ(GXRegionCombineRect(a.get(), &lower, GXCombineDifference, cut.out()), 0);
    EXPECT_EQ(RectsOf(cut.get()), (std::vector<GXIntRect>{{0, 0, 10, 5}, {0, 5, 5, 10}}));
    ASSERT_EQ(GXRegionCombineRect(a.get(), &lower, GXCombineReverseDifference, reverse.out()), 0);
    EXPECT_EQ(RectsOf(reverse.get()), (std::vector<GXIntRect>{{10, 5, 15, 10}, {5, 10, 15, 15}}));
    ASSERT_EQ(GXRegionCombineRect(a.get(), &lower, GXCombineIntersect, both.out()), 0);
    EXPECT_EQ(RectsOf(both.get()), (std::vector<GXIntRect>{{5, 5, 10, 10}}));
    ASSERT_EQ(GXRegionCombine(cut.get(), reverse.get(), GXCombineXor, odd.out()), 0);
    EXPECT_EQ(
        RectsOf(odd.get()),
        (std::vector<GXIntRect>{{0, 0, 10, 5}, {0, 5, 5, 10}, {10, 5, 15, 10}, {5, 10, 15, 15}}));
    // Each call made a new handle; the operands are unchanged.
    EXPECT_EQ(RectsOf(a.get()), (std::vector<GXIntRect>{{0, 0, 10, 10}}));
}

TEST(Regions, EmptinessAndFlatRectangles) {
    RegionHandle empty, flat(GXIntRect{5, 5, 5, 9}), square(GXIntRect{0, 0, 10, 10});
    ASSERT_EQ(GXCreateRegion(empty.out()), GXResultSuccess);
    uint8_t isEmpty = 7;
    ASSERT_EQ(GXRegionIsAreaEmpty(empty.get(), &isEmpty), 0);
    EXPECT_EQ(isEmpty, 1);
    EXPECT_EQ(BoundOf(empty.get()), (GXIntRect{0, 0, 0, 0}));
    ASSERT_EQ(GXRegionIsAreaEmpty(flat.get(), &isEmpty), 0);
    EXPECT_EQ(isEmpty, 1);
    EXPECT_EQ(BoundOf(flat.get()), (GXIntRect{5, 5, 5, 9}));
    EXPECT_TRUE(RectsOf(flat.get()).empty());
    ASSERT_EQ(GXRegionIsAreaEmpty(square.get(), &isEmpty), 0);
    EXPECT_EQ(isEmpty, 0);

    RegionHandle none, alsoNone;
    ASSERT_EQ(GXRegionCombine(square.get(), square.get(), GXCombineXor, none.out()), 0);
    ASSERT_EQ(GXRegionIsAreaEmpty(none.get(), &isEmpty), 0);
    EXPECT_EQ(isEmpty, 1);
    const GXIntRect larger{-1, -1, 11, 11};
    ASSERT_EQ(GXRegionCombineRect(square.get(), &larger, GXCombineDifference, alsoNone.out()), 0);
    ASSERT_EQ(GXRegionIsAreaEmpty(alsoNone.get(), &isEmpty), 0);
    EXPECT_EQ(isEmpty, 1);
    EXPECT_TRUE(RectsOf(alsoNone.get()).empty());
}

TEST(Regions, ContainmentAndIntersection) {
    RegionHandle square(GXIntRect{0, 0, 30, 30}), ring, inner(GXIntRect{12, 12, 18, 18});
    const GXIntRect hole{10, 10, 20, 20};
    ASSERT_EQ(GXRegionCombineRect(square.get(), &hole, GXCombineDifference, ring.out()), 0);

    uint8_t answer = 7;
    // The point test is a bound test: the hole's centre and the far corner count as inside.
    for (const GXIntPoint p : {GXIntPoint{15, 15}, GXIntPoint{30, 30}, GXIntPoint{0, 0}}) {
        ASSERT_EQ(GXRegionContainsPoint(ring.get(), &p, &answer), 0);
        EXPECT_EQ(answer, 1) << p.x << "," << p.y;
    }
    const GXIntPoint outside{31, 0};
    ASSERT_EQ(GXRegionContainsPoint(ring.get(), &outside, &answer), 0);
    EXPECT_EQ(answer, 0);

    EXPECT_EQ(Query(GXRegionContains, square.get(), ring.get()), 1);
    EXPECT_EQ(Query(GXRegionContains, ring.get(), square.get()), 0);
    EXPECT_EQ(Query(GXRegionContains, ring.get(), inner.get()), 0);
    EXPECT_EQ(Query(GXRegionHasIntersection, ring.get(), inner.get()), 0);
    EXPECT_EQ(Query(GXRegionHasIntersection, ring.get(), square.get()), 1);

    const GXIntRect leftColumn{0, 0, 10, 30}, straddling{5, 5, 15, 15}, flat{15, 0, 15, 30};
    ASSERT_EQ(GXRegionContainsRect(ring.get(), &leftColumn, &answer), 0);
    EXPECT_EQ(answer, 1);
    ASSERT_EQ(GXRegionContainsRect(ring.get(), &straddling, &answer), 0);
    EXPECT_EQ(answer, 0);
    ASSERT_EQ(GXRegionContainsRect(ring.get(), &flat, &answer), 0);
    EXPECT_EQ(answer, 1);  // an empty rectangle is inside anything
    ASSERT_EQ(GXRegionHasIntersectionWithRect(ring.get(), &hole, &answer), 0);
    EXPECT_EQ(answer, 0);
    ASSERT_EQ(GXRegionHasIntersectionWithRect(ring.get(), &straddling, &answer), 0);
    EXPECT_EQ(answer, 1);
    ASSERT_EQ(GXRegionHasIntersectionWithRect(ring.get(), &flat, &answer), 0);
    EXPECT_EQ(answer, 0);
}

TEST(Regions, OffsetMovesInPlaceAndOnlyThatHandle) {
    RegionHandle a(GXIntRect{0, 0, 10, 10}), complex, shared;
    const GXIntRect lower{5, 5, 15, 15}, nothing{0, 0, 0, 0};
    ASSERT_EQ(GXRegionCombineRect(a.get(), &lower, GXCombineUnion, complex.out()), 0);
    // A union with an empty rectangle shares the complex region's runs inside.
    ASSERT_EQ(GXRegionCombineRect(complex.get(), &nothing, GXCombineUnion, shared.out()), 0);
    const std::vector<GXIntRect> before = RectsOf(complex.get());

    ASSERT_EQ(GXRegionOffset(shared.get(), 3, 4), GXResultSuccess);
    EXPECT_EQ(BoundOf(shared.get()), (GXIntRect{3, 4, 18, 19}));
    const std::vector<GXIntRect> moved = RectsOf(shared.get());
    ASSERT_EQ(moved.size(), before.size());
    for (size_t i = 0; i < moved.size(); ++i) {
        EXPECT_EQ(moved[i], (GXIntRect{before[i].left + 3, before[i].top + 4, before[i].right + 3,
                                       before[i].bottom + 4}));
    }
    EXPECT_EQ(RectsOf(complex.get()), before);

    // Out of range: refused, nothing moved.
    EXPECT_EQ(GXRegionOffset(shared.get(), INT32_MAX - 18, 0), GXResultInvalidArg);
    EXPECT_EQ(GXRegionOffset(shared.get(), 0, INT32_MAX - 19), GXResultInvalidArg);
    EXPECT_EQ(RectsOf(shared.get()), moved);
    EXPECT_EQ(GXRegionOffset(shared.get(), INT32_MAX - 19, 0), GXResultSuccess);
    EXPECT_EQ(BoundOf(shared.get()), (GXIntRect{INT32_MAX - 16, 4, INT32_MAX - 1, 19}));
}

TEST(Regions, EnumerationCallsBackOncePerRectangleWithTheContext) {
    RegionHandle a(GXIntRect{0, 0, 10, 10}), empty;
    ASSERT_EQ(GXCreateRegion(empty.out()), 0);
    int calls = 0;
    auto count = [](void* context, const GXIntRect*) { ++*static_cast<int*>(context); };
    EXPECT_EQ(GXRegionEnumRects(empty.get(), count, &calls), GXResultSuccess);
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(GXRegionEnumRects(a.get(), count, &calls), GXResultSuccess);
    EXPECT_EQ(calls, 1);
    // The context is the caller's business and may be null.
    EXPECT_EQ(GXRegionEnumRects(
                  a.get(), [](void*, const GXIntRect*) {}, nullptr),
              0);
}

}  // namespace
