#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "gx.h"

namespace {

// Records a replay as text, one call per entry, so whole sequences compare at once.
struct Recorder {
    std::vector<std::string> calls;

    static std::string P(const GXPoint* p) {
        char text[64];
        std::snprintf(text, sizeof text, "%g,%g", p->x, p->y);
        return text;
    }
    static Recorder& Of(void* context) { return *static_cast<Recorder*>(context); }

    GXGeometrySinkCallbacks Callbacks() {
        GXGeometrySinkCallbacks c;
        c.context = this;
        c.setFillRule = [](void* ctx, int32_t rule) {
            Of(ctx).calls.push_back("rule " + std::to_string(rule));
        };
        c.beginFigure = [](void* ctx, const GXPoint* p) { Of(ctx).calls.push_back("M " + P(p)); };
        c.endFigure = [](void* ctx) { Of(ctx).calls.push_back("end"); };
        c.endFigureClose = [](void* ctx) { Of(ctx).calls.push_back("close"); };
        c.lineTo = [](void* ctx, const GXPoint* p) { Of(ctx).calls.push_back("L " + P(p)); };
        c.cubicCurveTo = [](void* ctx, const GXPoint* a, const GXPoint* b, const GXPoint* e) {
            Of(ctx).calls.push_back("C " + P(a) + " " + P(b) + " " + P(e));
        };
        return c;
    }
};

// In C++ the records are incomplete types, so the base conversion is spelled out.
void Release(GXGeometryRec_* g) {
    GXObjectRelease(reinterpret_cast<GXOBase*>(g));
}

class GeometryApi : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(GXCreateGeometry(&g_), GXResultSuccess); }
    void TearDown() override { Release((g_)); }

    std::vector<std::string> Replay(GXGeometryRec_* g) {
        Recorder r;
        GXGeometrySinkCallbacks c = r.Callbacks();
        EXPECT_EQ(GXGeometrySendToSink(g, &c), GXResultSuccess);
        return r.calls;
    }
    void Move(float x, float y) {
        GXPoint p{x, y};
        ASSERT_EQ(GXGeometryBeginFigure(g_, &p), GXResultSuccess);
    }
    void Line(float x, float y) {
        GXPoint p{x, y};
        ASSERT_EQ(GXGeometryLineTo(g_, &p), GXResultSuccess);
    }
    bool Empty(GXGeometryRec_* g) {
        uint8_t e = 7;
        EXPECT_EQ(GXGeometryEmpty(g, &e), GXResultSuccess);
        return e == 1;
    }
    bool Equal(GXGeometryRec_* a, GXGeometryRec_* b) {
        uint8_t e = 7;
        EXPECT_EQ(GXGeometryPointsEqual(a, b, &e), GXResultSuccess);
        return e == 1;
    }

    GXGeometryRec_* g_ = nullptr;
};

TEST_F(GeometryApi, NullArgumentsAreRejectedAndNothingIsWritten) {
    GXPoint p{1, 2};
    GXRect r{0, 0, 1, 1};
    GXMatrix m{1, 0, 0, 1, 0, 0};
    int32_t rule = 42;
    uint8_t flag = 42;
    GXGeometryRec_* out = nullptr;
    EXPECT_EQ(GXCreateGeometry(nullptr), GXResultInvalidArg);
    EXPECT_EQ(GXGeometrySetFillRule(nullptr, 1), GXResultInvalidArg);
    EXPECT_EQ(GXGeometryGetFillRule(g_, nullptr), GXResultInvalidArg);
    EXPECT_EQ(GXGeometryGetFillRule(nullptr, &rule), GXResultInvalidArg);
    EXPECT_EQ(GXGeometryEmpty(nullptr, &flag), GXResultInvalidArg);
    EXPECT_EQ(GXGeometryPointsEqual(g_, nullptr, &flag), GXResultInvalidArg);
    EXPECT_EQ(GXGeometryPointsEqual(g_, g_, nullptr), GXResultInvalidArg);
    EXPECT_EQ(GXGeometryGetCurrentPoint(g_, nullptr), GXResultInvalidArg);
    EXPECT_EQ(GXGeometryBeginFigure(g_, nullptr), GXResultInvalidArg);
    EXPECT_EQ(GXGeometryEndFigure(nullptr), GXResultInvalidArg);
    EXPECT_EQ(GXGeometryEndFigureClose(nullptr), GXResultInvalidArg);
    EXPECT_EQ(GXGeometryLineTo(g_, nullptr), GXResultInvalidArg);
    EXPECT_EQ(GXGeometryConicCurveTo(g_, &p, nullptr), GXResultInvalidArg);
    EXPECT_EQ(GXGeometryCubicCurveTo(g_, &p, nullptr, &p), GXResultInvalidArg);
    EXPECT_EQ(GXGeometryRectangle(g_, nullptr), GXResultInvalidArg);
    EXPECT_EQ(GXGeometryEllipse(nullptr, &r), GXResultInvalidArg);
    EXPECT_EQ(GXGeometryRoundRectangle(g_, nullptr, 1, 1), GXResultInvalidArg);
    EXPECT_EQ(GXGeometryCopy(g_, nullptr), GXResultInvalidArg);
    EXPECT_EQ(GXGeometryCopy(nullptr, &out), GXResultInvalidArg);
    EXPECT_EQ(GXGeometrySendToSink(g_, nullptr), GXResultInvalidArg);
    EXPECT_EQ(GXGeometryTransform(g_, nullptr, &out), GXResultInvalidArg);
    EXPECT_EQ(GXGeometryTransform(g_, &m, nullptr), GXResultInvalidArg);
    EXPECT_EQ(rule, 42);
    EXPECT_EQ(flag, 42);
    EXPECT_EQ(out, nullptr);

    // A callback record with a missing callback is invalid too, and nothing is called.
    Recorder rec;
    GXGeometrySinkCallbacks c = rec.Callbacks();
    c.lineTo = nullptr;
    Move(0, 0);
    Line(1, 1);
    ASSERT_EQ(GXGeometryEndFigure(g_), GXResultSuccess);
    EXPECT_EQ(GXGeometrySendToSink(g_, &c), GXResultInvalidArg);
    EXPECT_TRUE(rec.calls.empty());
}

TEST_F(GeometryApi, ReplayFollowsTheProtocol) {
    // Nothing at all, not even the rule, for an empty geometry.
    ASSERT_EQ(GXGeometrySetFillRule(g_, 1), GXResultSuccess);
    EXPECT_TRUE(Replay(g_).empty());

    Move(1, 2);
    Line(3, 4);
    Line(3, 4);  // exact duplicate: dropped
    GXPoint c1{5, 6}, c2{7, 8}, e{9, 10};
    ASSERT_EQ(GXGeometryCubicCurveTo(g_, &c1, &c2, &e), GXResultSuccess);
    ASSERT_EQ(GXGeometryEndFigureClose(g_), GXResultSuccess);
    Move(20, 20);
    Line(21, 20);
    Move(30, 30);  // ends the previous figure open
    Line(31, 31);
    // The last figure is still open: never replayed.
    EXPECT_EQ(Replay(g_), (std::vector<std::string>{"rule 1", "M 1,2", "L 3,4", "C 5,6 7,8 9,10",
                                                    "close", "M 20,20", "L 21,20", "end"}));
}

TEST_F(GeometryApi, FigureStorageRules) {
    // BeginFigure then EndFigure stores nothing; the figure stays open and a LineTo
    // extends it from its first start point.
    Move(5, 5);
    ASSERT_EQ(GXGeometryEndFigure(g_), GXResultSuccess);
    EXPECT_TRUE(Empty(g_));
    Line(6, 5);
    ASSERT_EQ(GXGeometryEndFigure(g_), GXResultSuccess);
    EXPECT_FALSE(Empty(g_));
    EXPECT_EQ(Replay(g_), (std::vector<std::string>{"rule 0", "M 5,5", "L 6,5", "end"}));

    // BeginFigure then EndFigureClose stores a one-point closed figure.
    GXGeometryRec_* h = nullptr;
    ASSERT_EQ(GXCreateGeometry(&h), GXResultSuccess);
    GXPoint p{7, 8};
    ASSERT_EQ(GXGeometryBeginFigure(h, &p), GXResultSuccess);
    ASSERT_EQ(GXGeometryEndFigureClose(h), GXResultSuccess);
    EXPECT_EQ(Replay(h), (std::vector<std::string>{"rule 0", "M 7,8", "close"}));
    // EndFigureClose with nothing open changes nothing.
    ASSERT_EQ(GXGeometryEndFigureClose(h), GXResultSuccess);
    EXPECT_EQ(Replay(h).size(), 3u);
    Release((h));

    // A lone start point is discarded by the next BeginFigure.
    GXGeometryRec_* k = nullptr;
    ASSERT_EQ(GXCreateGeometry(&k), GXResultSuccess);
    GXPoint a{1, 1}, b{2, 2}, c{3, 3};
    GXGeometryBeginFigure(k, &a);
    GXGeometryBeginFigure(k, &b);
    GXGeometryLineTo(k, &c);
    GXGeometryEndFigure(k);
    EXPECT_EQ(Replay(k), (std::vector<std::string>{"rule 0", "M 2,2", "L 3,3", "end"}));
    Release((k));
}

TEST_F(GeometryApi, CurrentPointRules) {
    GXPoint p{-1, -1};
    EXPECT_EQ(GXGeometryGetCurrentPoint(g_, &p), GXResultNoResult);
    EXPECT_EQ(p.x, -1);

    // LineTo on a fresh geometry starts at (0, 0).
    Line(4, 0);
    ASSERT_EQ(GXGeometryGetCurrentPoint(g_, &p), GXResultSuccess);
    EXPECT_EQ(p.x, 4);
    Line(4, 3);
    ASSERT_EQ(GXGeometryEndFigureClose(g_), GXResultSuccess);
    // After a closed figure: its start point.
    ASSERT_EQ(GXGeometryGetCurrentPoint(g_, &p), GXResultSuccess);
    EXPECT_EQ(p.x, 0);
    EXPECT_EQ(p.y, 0);
    Line(10, 10);  // implicit figure from (0, 0)
    Line(10, 20);
    ASSERT_EQ(GXGeometryEndFigure(g_), GXResultSuccess);
    // After an open figure: its last point, and the conic takes it as first control.
    GXPoint q{15, 25}, e{20, 20};
    ASSERT_EQ(GXGeometryConicCurveTo(g_, &q, &e), GXResultSuccess);
    ASSERT_EQ(GXGeometryEndFigure(g_), GXResultSuccess);
    EXPECT_EQ(Replay(g_), (std::vector<std::string>{"rule 0", "M 0,0", "L 4,0", "L 4,3", "close",
                                                    "M 0,0", "L 10,10", "L 10,20", "end", "M 10,20",
                                                    "C 10,20 15,25 20,20", "end"}));
}

TEST_F(GeometryApi, ConicWithoutCurrentPointUsesItsControlAndStartsAtOrigin) {
    GXPoint q{3, 4}, e{6, 0};
    ASSERT_EQ(GXGeometryConicCurveTo(g_, &q, &e), GXResultSuccess);
    ASSERT_EQ(GXGeometryEndFigure(g_), GXResultSuccess);
    EXPECT_EQ(Replay(g_), (std::vector<std::string>{"rule 0", "M 0,0", "C 3,4 3,4 6,0", "end"}));
}

TEST_F(GeometryApi, RectangleAndEllipseSequences) {
    GXRect r{0, 0, 10, 20};
    ASSERT_EQ(GXGeometryEllipse(g_, &r), GXResultSuccess);
    std::vector<std::string> calls = Replay(g_);
    // rx 5, ry 10, k*rx = 2.761424, k*ry = 5.522848.
    EXPECT_EQ(calls,
              (std::vector<std::string>{"rule 0", "M 5,20", "C 2.23858,20 0,15.5228 0,10",
                                        "C 0,4.47715 2.23858,0 5,0", "C 7.76142,0 10,4.47715 10,10",
                                        "C 10,15.5228 7.76142,20 5,20", "close"}));

    // Zero width or height: no ellipse, but a degenerate rectangle.
    GXGeometryRec_* h = nullptr;
    ASSERT_EQ(GXCreateGeometry(&h), GXResultSuccess);
    GXRect flat{3, 1, 3, 9};
    ASSERT_EQ(GXGeometryEllipse(h, &flat), GXResultSuccess);
    ASSERT_EQ(GXGeometryRoundRectangle(h, &flat, 1, 1), GXResultSuccess);
    EXPECT_TRUE(Empty(h));
    ASSERT_EQ(GXGeometryRectangle(h, &flat), GXResultSuccess);
    // (3,1) (3,1) (3,9) (3,9): the exact repeats are dropped as any LineTo's are.
    EXPECT_EQ(Replay(h), (std::vector<std::string>{"rule 0", "M 3,1", "L 3,9", "close"}));
    Release((h));
}

TEST_F(GeometryApi, RoundRectangleClampsItsRadii) {
    GXRect r{0, 0, 10, 4};
    ASSERT_EQ(GXGeometryRoundRectangle(g_, &r, 100, 1), GXResultSuccess);
    // gx = 5, gy = 1: the top and bottom lines vanish as duplicates, the sides remain.
    EXPECT_EQ(Replay(g_),
              (std::vector<std::string>{"rule 0", "M 5,0", "C 7.76142,0 10,0.447715 10,1", "L 10,3",
                                        "C 10,3.55228 7.76142,4 5,4", "C 2.23858,4 0,3.55228 0,3",
                                        "L 0,1", "C 0,0.447715 2.23858,0 5,0", "close"}));
}

TEST_F(GeometryApi, CopyHoldsOnlyStoredFiguresAndResetsTheRuleWhenEmpty) {
    ASSERT_EQ(GXGeometrySetFillRule(g_, 1), GXResultSuccess);
    Move(1, 1);  // open, never stored
    GXGeometryRec_* copy = nullptr;
    ASSERT_EQ(GXGeometryCopy(g_, &copy), GXResultSuccess);
    int32_t rule = -1;
    ASSERT_EQ(GXGeometryGetFillRule(copy, &rule), GXResultSuccess);
    EXPECT_EQ(rule, 0);
    EXPECT_TRUE(Empty(copy));
    Release((copy));

    Line(2, 1);
    Line(2, 2);
    ASSERT_EQ(GXGeometryEndFigureClose(g_), GXResultSuccess);
    ASSERT_EQ(GXGeometryCopy(g_, &copy), GXResultSuccess);
    ASSERT_EQ(GXGeometryGetFillRule(copy, &rule), GXResultSuccess);
    EXPECT_EQ(rule, 1);
    EXPECT_TRUE(Equal(g_, copy));
    EXPECT_EQ(Replay(copy), Replay(g_));
    Release((copy));
}

TEST_F(GeometryApi, PointsEqual) {
    GXGeometryRec_* h = nullptr;
    ASSERT_EQ(GXCreateGeometry(&h), GXResultSuccess);
    // Two empty geometries are equal whatever their rules.
    GXGeometrySetFillRule(h, 1);
    EXPECT_TRUE(Equal(g_, h));

    GXRect r{0, 0, 4, 4};
    GXGeometryEllipse(g_, &r);
    EXPECT_FALSE(Equal(g_, h));
    EXPECT_TRUE(Equal(h, h));
    GXGeometryEllipse(h, &r);
    EXPECT_FALSE(Equal(g_, h));  // rules differ
    GXGeometrySetFillRule(h, 0);
    EXPECT_TRUE(Equal(g_, h));
    GXGeometryRectangle(h, &r);
    EXPECT_FALSE(Equal(g_, h));  // one more figure
    Release((h));

    // Same figures but a bound widened by a discarded point: unequal.
    GXGeometryRec_* a = nullptr;
    GXGeometryRec_* b = nullptr;
    GXCreateGeometry(&a);
    GXCreateGeometry(&b);
    GXPoint far{100, 100}, p0{0, 0}, p1{1, 0};
    GXGeometryBeginFigure(b, &far);
    for (GXGeometryRec_* g : {a, b}) {
        GXGeometryBeginFigure(g, &p0);
        GXGeometryLineTo(g, &p1);
        GXGeometryEndFigure(g);
    }
    EXPECT_FALSE(Equal(a, b));
    Release((a));
    Release((b));
}

TEST_F(GeometryApi, TransformMapsEveryPoint) {
    Move(1, 2);
    GXPoint c1{3, 4}, c2{5, 6}, e{7, 8};
    GXGeometryCubicCurveTo(g_, &c1, &c2, &e);
    GXGeometryEndFigureClose(g_);
    GXGeometrySetFillRule(g_, 1);

    GXGeometryRec_* t = nullptr;
    GXMatrix scale{2, 0, 0, 2, 0, 0};
    ASSERT_EQ(GXGeometryTransform(g_, &scale, &t), GXResultSuccess);
    EXPECT_EQ(Replay(t),
              (std::vector<std::string>{"rule 1", "M 2,4", "C 6,8 10,12 14,16", "close"}));
    Release((t));

    GXMatrix identity{1, 0, 0, 1, 0, 0};
    ASSERT_EQ(GXGeometryTransform(g_, &identity, &t), GXResultSuccess);
    EXPECT_TRUE(Equal(g_, t));
    Release((t));

    // (x, y) -> (a x + c y + e, b x + d y + f): a shear plus translation.
    GXMatrix shear{1, 0, 1, 1, 10, 20};
    ASSERT_EQ(GXGeometryTransform(g_, &shear, &t), GXResultSuccess);
    EXPECT_EQ(Replay(t),
              (std::vector<std::string>{"rule 1", "M 13,22", "C 17,24 21,26 25,28", "close"}));
    Release((t));
}

TEST_F(GeometryApi, BadNumbersAreStoredAsGiven) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    Move(nan, 0);
    Line(nan, 0);  // NaN never equals: stored
    Line(inf, -inf);
    Line(3e38f, -3e38f);
    GXGeometryEndFigureClose(g_);
    GXGeometrySetFillRule(g_, -77);
    std::vector<std::string> calls = Replay(g_);
    ASSERT_EQ(calls.size(), 6u);
    EXPECT_EQ(calls[0], "rule -77");
    GXGeometryRec_* t = nullptr;
    GXMatrix m{1e30f, 0, 0, 1e30f, nan, 0};
    ASSERT_EQ(GXGeometryTransform(g_, &m, &t), GXResultSuccess);
    EXPECT_EQ(Replay(t).size(), 6u);
    Release((t));
}

}  // namespace

namespace {

// A callback that builds onto the geometry being replayed and then releases it.
struct Meddler {
    GXGeometryRec_* g;
    int lines = 0;
};

TEST(GeometryApiCallbacks, ReplayIsSafeWhenCallbacksModifyOrReleaseTheGeometry) {
    Meddler m{nullptr};
    ASSERT_EQ(GXCreateGeometry(&m.g), GXResultSuccess);
    GXRect r{0, 0, 1, 1};
    for (int i = 0; i < 3; ++i) GXGeometryRectangle(m.g, &r);
    GXGeometrySinkCallbacks c{};
    c.context = &m;
    c.setFillRule = [](void*, int32_t) {};
    c.beginFigure = [](void* x, const GXPoint*) {
        auto* m = static_cast<Meddler*>(x);
        GXRect more{5, 5, 6, 6};
        for (int i = 0; i < 50; ++i) GXGeometryRectangle(m->g, &more);  // grows the array
    };
    c.endFigure = [](void*) {};
    c.endFigureClose = [](void*) {};
    c.lineTo = [](void* x, const GXPoint*) { static_cast<Meddler*>(x)->lines++; };
    c.cubicCurveTo = [](void*, const GXPoint*, const GXPoint*, const GXPoint*) {};
    EXPECT_EQ(GXGeometrySendToSink(m.g, &c), GXResultSuccess);
    EXPECT_EQ(m.lines, 9);  // only the three rectangles stored when the replay began

    c.endFigureClose = [](void* x) {
        auto* m = static_cast<Meddler*>(x);
        if (m->g) GXObjectRelease(reinterpret_cast<GXOBase*>(m->g));
        m->g = nullptr;
    };
    GXGeometryRec_* g = m.g;
    EXPECT_EQ(GXGeometrySendToSink(g, &c), GXResultSuccess);
    EXPECT_EQ(m.g, nullptr);
}

}  // namespace
