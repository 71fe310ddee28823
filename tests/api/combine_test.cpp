#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "gx.h"

namespace {

using Polygon = std::vector<GXPoint>;

// Collects a replay as polygons; curves are counted, never expected from a swept result.
struct Collector {
    std::vector<Polygon> polygons;
    int rules = 0, cubics = 0, closes = 0;

    static Collector& Of(void* context) { return *static_cast<Collector*>(context); }
    GXGeometrySinkCallbacks Callbacks() {
        GXGeometrySinkCallbacks c;
        c.context = this;
        c.setFillRule = [](void* ctx, int32_t) { ++Of(ctx).rules; };
        c.beginFigure = [](void* ctx, const GXPoint* p) { Of(ctx).polygons.push_back({*p}); };
        c.endFigure = [](void*) {};
        c.endFigureClose = [](void* ctx) { ++Of(ctx).closes; };
        c.lineTo = [](void* ctx, const GXPoint* p) { Of(ctx).polygons.back().push_back(*p); };
        c.cubicCurveTo = [](void* ctx, const GXPoint*, const GXPoint*, const GXPoint*) {
            ++Of(ctx).cubics;
        };
        return c;
    }
};

void Release(GXGeometryRec_* g) {
    GXObjectRelease(reinterpret_cast<GXOBase*>(g));
}

GXGeometryRec_* Rect(float l, float t, float r, float b) {
    GXGeometryRec_* g = nullptr;
    EXPECT_EQ(GXCreateGeometry(&g), GXResultSuccess);
    GXRect rect{l, t, r, b};
    EXPECT_EQ(GXGeometryRectangle(g, &rect), GXResultSuccess);
    return g;
}

Collector Replay(GXGeometryRec_* g) {
    Collector c;
    GXGeometrySinkCallbacks callbacks = c.Callbacks();
    EXPECT_EQ(GXGeometrySendToSink(g, &callbacks), GXResultSuccess);
    return c;
}

double Area(const std::vector<Polygon>& polygons) {
    double area = 0;
    for (const Polygon& p : polygons) {
        for (size_t i = 0; i < p.size(); ++i) {
            const GXPoint& u = p[i];
            const GXPoint& v = p[(i + 1) % p.size()];
            area += (static_cast<double>(u.x) * v.y - static_cast<double>(v.x) * u.y) / 2;
        }
    }
    return std::fabs(area);
}

TEST(CombineApi, InvalidArgumentsReturnThreeAndWriteNothing) {
    GXGeometryRec_* a = Rect(0, 0, 10, 10);
    GXGeometryRec_* b = Rect(5, 5, 15, 15);
    GXGeometryRec_* out = nullptr;
    EXPECT_EQ(GXGeometryCombine(nullptr, b, nullptr, 1, 0.25f, &out), GXResultInvalidArg);
    EXPECT_EQ(GXGeometryCombine(a, nullptr, nullptr, 1, 0.25f, &out), GXResultInvalidArg);
    EXPECT_EQ(GXGeometryCombine(a, b, nullptr, 1, 0.25f, nullptr), GXResultInvalidArg);
    for (int32_t op : {-1, 5, 1000}) {
        EXPECT_EQ(GXGeometryCombine(a, b, nullptr, op, 0.25f, &out), GXResultInvalidArg);
    }
    for (float precision : {0.0f, -1.0f, std::numeric_limits<float>::quiet_NaN(),
                            std::numeric_limits<float>::infinity()}) {
        EXPECT_EQ(GXGeometryCombine(a, b, nullptr, 1, precision, &out), GXResultInvalidArg);
    }
    EXPECT_EQ(out, nullptr);
    // A denormal precision is valid although its reciprocal overflows single precision.
    ASSERT_EQ(GXGeometryCombine(a, b, nullptr, 0, 1e-45f, &out), GXResultSuccess);
    EXPECT_DOUBLE_EQ(Area(Replay(out).polygons), 25.0);
    Release(out);
    Release(a);
    Release(b);
}

TEST(CombineApi, OverlappingSquaresUnderEveryOperation) {
    GXGeometryRec_* a = Rect(0, 0, 10, 10);
    GXGeometryRec_* b = Rect(0, 0, 10, 10);
    const GXMatrix shift{1, 0, 0, 1, 5, 5};  // moves b only
    const double areas[5] = {25, 175, 150, 75, 75};
    for (int32_t op = 0; op < 5; ++op) {
        GXGeometryRec_* out = nullptr;
        ASSERT_EQ(GXGeometryCombine(a, b, &shift, op, 0.25f, &out), GXResultSuccess);
        const Collector c = Replay(out);
        EXPECT_EQ(c.cubics, 0);
        EXPECT_EQ(c.closes, static_cast<int>(c.polygons.size()));
        EXPECT_DOUBLE_EQ(Area(c.polygons), areas[op]) << op;
        int32_t rule = -1;
        EXPECT_EQ(GXGeometryGetFillRule(out, &rule), GXResultSuccess);
        EXPECT_EQ(rule, 0);
        Release(out);
    }
    Release(a);
    Release(b);
}

TEST(CombineApi, FiguresWithNonFinitePointsAreLeftOutOfTheSweep) {
    GXGeometryRec_* a = Rect(0, 0, 10, 10);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const GXPoint bad[] = {{2, 2}, {nan, 3}, {4, 8}};
    ASSERT_EQ(GXGeometryBeginFigure(a, &bad[0]), GXResultSuccess);
    ASSERT_EQ(GXGeometryLineTo(a, &bad[1]), GXResultSuccess);
    ASSERT_EQ(GXGeometryLineTo(a, &bad[2]), GXResultSuccess);
    ASSERT_EQ(GXGeometryEndFigureClose(a), GXResultSuccess);
    GXGeometryRec_* b = Rect(5, 5, 15, 15);
    GXGeometryRec_* out = nullptr;
    ASSERT_EQ(GXGeometryCombine(a, b, nullptr, 1, 0.25f, &out), GXResultSuccess);
    EXPECT_DOUBLE_EQ(Area(Replay(out).polygons), 175.0);
    Release(out);
    Release(a);
    Release(b);
}

TEST(CombineApi, ExclusiveOrOfAGeometryWithItselfIsEmpty) {
    GXGeometryRec_* a = nullptr;
    ASSERT_EQ(GXCreateGeometry(&a), GXResultSuccess);
    GXRect box{0, 0, 8, 6};
    ASSERT_EQ(GXGeometryEllipse(a, &box), GXResultSuccess);
    ASSERT_EQ(GXGeometryRoundRectangle(a, &box, 2, 1), GXResultSuccess);
    GXGeometryRec_* out = nullptr;
    ASSERT_EQ(GXGeometryCombine(a, a, nullptr, 2, 0.01f, &out), GXResultSuccess);
    uint8_t empty = 0;
    EXPECT_EQ(GXGeometryEmpty(out, &empty), GXResultSuccess);
    EXPECT_EQ(empty, 1);
    Release(out);
    Release(a);
}

TEST(CombineApi, DisjointOperandsComeBackUnchanged) {
    GXGeometryRec_* a = nullptr;
    ASSERT_EQ(GXCreateGeometry(&a), GXResultSuccess);
    GXRect box{0, 0, 4, 4};
    ASSERT_EQ(GXGeometryEllipse(a, &box), GXResultSuccess);
    GXGeometryRec_* b = Rect(20, 0, 24, 4);
    GXGeometryRec_* out = nullptr;
    ASSERT_EQ(GXGeometryCombine(a, b, nullptr, 1, 0.25f, &out), GXResultSuccess);
    const Collector c = Replay(out);
    EXPECT_EQ(c.cubics, 4);  // the circle keeps its curves
    EXPECT_EQ(c.polygons.size(), 2u);
    Release(out);
    ASSERT_EQ(GXGeometryCombine(a, b, nullptr, 0, 0.25f, &out), GXResultSuccess);
    uint8_t empty = 0;
    EXPECT_EQ(GXGeometryEmpty(out, &empty), GXResultSuccess);
    EXPECT_EQ(empty, 1);
    Release(out);
    Release(a);
    Release(b);
}

}  // namespace
