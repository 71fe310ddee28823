#include <gtest/gtest.h>

#include <time.h>

#include <cmath>
#include <limits>
#include <vector>

#include "gx.h"

namespace {

// The processor time this thread has used: time limits on hostile input measure the work
// done, not how busy the machine is (sanitizers and parallel tests stretch wall time).
double ThreadCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

void Release(GXGeometryRec_* g) {
    GXObjectRelease(reinterpret_cast<GXOBase*>(g));
}

// Counts figures and points of a replay.
struct Counts {
    int rules = 0, figures = 0, closed = 0, points = 0;
    int32_t rule = -1;
};

Counts Count(GXGeometryRec_* g) {
    Counts c;
    GXGeometrySinkCallbacks cb;
    cb.context = &c;
    cb.setFillRule = [](void* x, int32_t r) {
        static_cast<Counts*>(x)->rules++;
        static_cast<Counts*>(x)->rule = r;
    };
    cb.beginFigure = [](void* x, const GXPoint*) {
        static_cast<Counts*>(x)->figures++;
        static_cast<Counts*>(x)->points++;
    };
    cb.endFigure = [](void*) {};
    cb.endFigureClose = [](void* x) { static_cast<Counts*>(x)->closed++; };
    cb.lineTo = [](void* x, const GXPoint*) { static_cast<Counts*>(x)->points++; };
    cb.cubicCurveTo = [](void* x, const GXPoint*, const GXPoint*, const GXPoint*) {
        static_cast<Counts*>(x)->points += 3;
    };
    EXPECT_EQ(GXGeometrySendToSink(g, &cb), GXResultSuccess);
    return c;
}

GXStrokeStyle Style(int32_t join, int32_t cap, std::vector<float> dashes = {}, float offset = 0) {
    GXStrokeStyle s{};
    s.lineJoin = join;
    s.lineCap = cap;
    s.miterLimit = 10;
    s.dashOffset = offset;
    for (size_t i = 0; i < dashes.size() && i < 15; ++i) s.dashes[i] = dashes[i];
    s.dashCount = dashes.size();
    return s;
}

class WidenApi : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(GXCreateGeometry(&g_), GXResultSuccess);
        GXGeometrySetFillRule(g_, GXFillRuleEvenOdd);
    }
    void TearDown() override { Release(g_); }
    void Line(float x0, float y0, float x1, float y1) {
        GXPoint a{x0, y0}, b{x1, y1};
        GXGeometryBeginFigure(g_, &a);
        GXGeometryLineTo(g_, &b);
        GXGeometryEndFigure(g_);
    }
    Counts Widen(float width, const GXStrokeStyle& style, float tolerance = 0.25f) {
        GXGeometryRec_* out = nullptr;
        EXPECT_EQ(GXGeometryWiden(g_, width, &style, tolerance, &out), GXResultSuccess);
        Counts c = Count(out);
        Release(out);
        return c;
    }
    bool Hits(GXGeometryRec_* g, float x, float y) {
        GXPoint p{x, y};
        uint8_t inside = 0;
        EXPECT_EQ(GXGeometryHitTest(g, &p, &inside), GXResultSuccess);
        return inside == 1;
    }

    GXGeometryRec_* g_ = nullptr;
};

TEST_F(WidenApi, NullArgumentsAreRejected) {
    GXStrokeStyle s = Style(0, 0);
    GXGeometryRec_* out = nullptr;
    EXPECT_EQ(GXGeometryWiden(nullptr, 1, &s, 0.25f, &out), GXResultInvalidArg);
    EXPECT_EQ(GXGeometryWiden(g_, 1, nullptr, 0.25f, &out), GXResultInvalidArg);
    EXPECT_EQ(GXGeometryWiden(g_, 1, &s, 0.25f, nullptr), GXResultInvalidArg);
    EXPECT_EQ(out, nullptr);
}

TEST_F(WidenApi, OutlineFillsTheStrokeWithTheNonZeroRule) {
    Line(0, 0, 10, 0);
    GXStrokeStyle s = Style(0, 0);
    GXGeometryRec_* out = nullptr;
    ASSERT_EQ(GXGeometryWiden(g_, 2, &s, 0.25f, &out), GXResultSuccess);
    Counts c = Count(out);
    EXPECT_EQ(c.rule, 0);  // the source's even-odd rule is not passed on
    EXPECT_EQ(c.figures, 1);
    EXPECT_EQ(c.closed, 1);
    EXPECT_EQ(c.points, 4);
    GXRect r;
    ASSERT_EQ(GXGeometryGetBound(out, nullptr, &r), GXResultSuccess);
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.top, -1);
    EXPECT_EQ(r.right, 10);
    EXPECT_EQ(r.bottom, 1);
    EXPECT_TRUE(Hits(out, 5, 0.5f));
    EXPECT_FALSE(Hits(out, 5, 1.5f));
    Release(out);

    // An empty geometry widens to an empty one.
    GXGeometryRec_* empty = nullptr;
    GXCreateGeometry(&empty);
    ASSERT_EQ(GXGeometryWiden(empty, 2, &s, 0.25f, &out), GXResultSuccess);
    uint8_t isEmpty = 0;
    GXGeometryEmpty(out, &isEmpty);
    EXPECT_EQ(isEmpty, 1);
    Release(out);
    Release(empty);
}

TEST_F(WidenApi, DashesCutTheStrokeAndBadPatternsStrokeSolid) {
    Line(0, 0, 10, 0);
    EXPECT_EQ(Widen(2, Style(0, 0, {3})).figures, 2);
    EXPECT_EQ(Widen(2, Style(0, 0, {2, 1, 1})).figures, 4);
    EXPECT_EQ(Widen(2, Style(0, 0, {3, -1})).figures, 1);
    EXPECT_EQ(Widen(2, Style(0, 0, {0, 0})).figures, 1);
    EXPECT_EQ(Widen(2, Style(0, 0, {kNaN, 1})).figures, 1);
    // Counts above 15 count as 15.
    GXStrokeStyle many = Style(0, 0, std::vector<float>(15, 0.5f));
    many.dashCount = 1000;
    EXPECT_EQ(Widen(2, many).figures, 10);
}

TEST_F(WidenApi, BadNumbersGiveDefinedResultsQuickly) {
    Line(0, 0, 10, 0);
    GXRect circle{0, 0, 100, 100};
    GXGeometryEllipse(g_, &circle);
    const double started = ThreadCpuSeconds();
    for (float width : {kNaN, kInf, -1.f}) EXPECT_EQ(Widen(width, Style(1, 1)).figures, 0);
    for (float tolerance : {0.f, -1.f, kNaN, kInf}) {
        Counts c = Widen(2, Style(1, 1, {1, 1}), tolerance);
        EXPECT_GT(c.figures, 0);
    }
    GXPoint bad{kNaN, 3}, big{3e38f, -3e38f}, c1{0, 1e30f};
    GXGeometryBeginFigure(g_, &bad);
    GXGeometryLineTo(g_, &big);
    GXGeometryEndFigure(g_);
    GXGeometryBeginFigure(g_, &big);
    GXGeometryCubicCurveTo(g_, &c1, &bad, &big);
    GXGeometryLineTo(g_, &c1);
    GXGeometryEndFigureClose(g_);
    for (float width : {0.f, 2.f, 1e30f}) Widen(width, Style(0, 2, {1, 2}), 0);
    EXPECT_LT(ThreadCpuSeconds() - started, 20);
}

// A pattern that repeats within the tolerance strokes solid; one that would need more
// outline than a stroke may have is refused at once, with nothing made.
TEST_F(WidenApi, FineDashesStrokeSolidOrAreRefusedQuickly) {
    Line(0, 0, 100, 0);
    const double started = ThreadCpuSeconds();
    const GXStrokeStyle fine = Style(0, GXLineCapRound, {1e-4f, 1e-4f});
    EXPECT_EQ(Widen(10, fine).figures, 1);
    for (float width : {10.f, 1000.f}) {
        GXGeometryRec_* out = nullptr;
        EXPECT_EQ(GXGeometryWiden(g_, width, &fine, 0, &out), GXResultGraphicsError);
        EXPECT_EQ(out, nullptr);
    }
    GXGeometryRec_* rect = nullptr;
    ASSERT_EQ(GXCreateGeometry(&rect), GXResultSuccess);
    const GXRect box{0, 0, 40, 26};
    ASSERT_EQ(GXGeometryRectangle(rect, &box), GXResultSuccess);
    const GXStrokeStyle fuzzed = Style(0, GXLineCapRound, {1e-6f, 1e-6f, 1e-6f});
    GXGeometryRec_* out = nullptr;
    EXPECT_EQ(GXGeometryWiden(rect, 7.5f, &fuzzed, 1e-30f, &out), GXResultGraphicsError);
    Release(rect);
    // On a target the tolerance is a quarter device pixel: the stroke is drawn solid.
    const GXBitmapDesc desc{64, 64, GXPixelFormatPARGB32, 96, 96};
    GXBitmapRec_* bitmap = nullptr;
    GXRenderTargetRec_* target = nullptr;
    GXBrushRec_* brush = nullptr;
    ASSERT_EQ(GXCreateBitmap(&desc, &bitmap), GXResultSuccess);
    ASSERT_EQ(GXCreateRenderTargetBitmap(bitmap, &target), GXResultSuccess);
    ASSERT_EQ(GXCreateBrushSolidARGB(0xFF000000u, &brush), GXResultSuccess);
    const GXPoint from{0, 32}, to{100, 32};
    ASSERT_EQ(GXRenderTargetBeginPaint(target), GXResultSuccess);
    EXPECT_EQ(GXRenderTargetStrokeLine(target, &from, &to, brush, 10, &fine), GXResultSuccess);
    ASSERT_EQ(GXRenderTargetEndPaint(target), GXResultSuccess);
    uint32_t pixel = 0;
    const GXIntRect one{10, 30, 11, 31};
    const GXBitmapData memory{&pixel, 4, 4};
    ASSERT_EQ(GXBitmapCopyToMemory(bitmap, &one, &memory), GXResultSuccess);
    EXPECT_EQ(pixel, 0xFF000000u);
    for (GXOBase* h : {GX_HANDLE(brush), GX_HANDLE(target), GX_HANDLE(bitmap)}) GXObjectRelease(h);
    EXPECT_LT(ThreadCpuSeconds() - started, 10);
}

}  // namespace
