#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "graphics/paint/glyphoutlinewalker.h"
#include "platform/hostgdi.h"
#include "recordingsink.h"

namespace {

using Graphics::GlyphOutlineWalker;
using Op = RecordingSink::Op;

FIXED Fx(double value) {
    auto v16_16 = static_cast<int32_t>(value * 65536);
    return {static_cast<WORD>(v16_16 & 0xFFFF), static_cast<SHORT>(v16_16 >> 16)};
}

// Builds a native outline buffer the way GDI lays it out.
class BufferBuilder {
public:
    void Polygon(GXPoint start) {
        Finish();
        header_ = bytes.size();
        TTPOLYGONHEADER header{0, TT_POLYGON_TYPE, {Fx(start.x), Fx(start.y)}};
        Append(&header, sizeof header);
    }
    void Curve(WORD type, std::initializer_list<GXPoint> points) {
        WORD head[2] = {type, static_cast<WORD>(points.size())};
        Append(head, sizeof head);
        for (const GXPoint& p : points) {
            POINTFX fx{Fx(p.x), Fx(p.y)};
            Append(&fx, sizeof fx);
        }
    }
    std::vector<BYTE>& Finish() {
        if (header_ != SIZE_MAX) {
            auto cb = static_cast<DWORD>(bytes.size() - header_);
            std::memcpy(bytes.data() + header_, &cb, sizeof cb);
        }
        return bytes;
    }
    std::vector<BYTE> bytes;

private:
    void Append(const void* data, size_t size) {
        auto* p = static_cast<const BYTE*>(data);
        bytes.insert(bytes.end(), p, p + size);
    }
    size_t header_ = SIZE_MAX;
};

void ExpectPoint(const GXPoint& actual, GXPoint expected) {
    EXPECT_FLOAT_EQ(actual.x, expected.x);
    EXPECT_FLOAT_EQ(actual.y, expected.y);
}

GXPoint QuadraticAt(GXPoint s, GXPoint q, GXPoint e, float t) {
    float u = 1 - t;
    return {u * u * s.x + 2 * u * t * q.x + t * t * e.x,
            u * u * s.y + 2 * u * t * q.y + t * t * e.y};
}

GXPoint CubicAt(GXPoint s, GXPoint c1, GXPoint c2, GXPoint e, float t) {
    float u = 1 - t;
    float a = u * u * u, b = 3 * u * u * t, c = 3 * u * t * t, d = t * t * t;
    return {a * s.x + b * c1.x + c * c2.x + d * e.x, a * s.y + b * c1.y + c * c2.y + d * e.y};
}

TEST(GlyphOutlineWalker, QuadraticPieceBecomesTheExactCubic) {
    BufferBuilder b;
    b.Polygon({0, 0});
    b.Curve(TT_PRIM_QSPLINE, {{3, 9}, {6, 0}});
    RecordingSink sink;
    auto& bytes = b.Finish();
    GlyphOutlineWalker::Send(bytes.data(), bytes.size(), sink);
    ASSERT_EQ(sink.calls.size(), 3u);
    EXPECT_EQ(sink.calls[0].op, Op::Begin);
    ASSERT_EQ(sink.calls[1].op, Op::Cubic);
    // Controls two thirds of the way from each end to (3, 9).
    ExpectPoint(sink.calls[1].points[0], {2, 6});
    ExpectPoint(sink.calls[1].points[1], {4, 6});
    ExpectPoint(sink.calls[1].points[2], {6, 0});
    EXPECT_EQ(sink.calls[2].op, Op::Close);
    // The cubic traces the parabola point for point (same parameter).
    for (float t = 0; t <= 1; t += 0.125f) {
        GXPoint q = QuadraticAt({0, 0}, {3, 9}, {6, 0}, t);
        GXPoint c = CubicAt({0, 0}, {2, 6}, {4, 6}, {6, 0}, t);
        EXPECT_NEAR(q.x, c.x, 1e-5f);
        EXPECT_NEAR(q.y, c.y, 1e-5f);
    }
}

TEST(GlyphOutlineWalker, QsplineRunsUseImpliedMidpointsAndContinueFromTheCurrentPoint) {
    BufferBuilder b;
    b.Polygon({0, 0});
    b.Curve(TT_PRIM_LINE, {{0, 4}, {2, 4}});
    // Controls (2, 8) and (6, 8) imply the on-curve point (4, 8) between them.
    b.Curve(TT_PRIM_QSPLINE, {{2, 8}, {6, 8}, {6, 4}});
    b.Curve(TT_PRIM_CSPLINE, {{6, 2}, {5, 0}, {4, 0}, {3, 0}, {2, -1}, {1, -0.5f}});
    RecordingSink sink;
    auto& bytes = b.Finish();
    GlyphOutlineWalker::Send(bytes.data(), bytes.size(), sink);
    std::vector<Op> ops;
    for (auto& call : sink.calls) ops.push_back(call.op);
    EXPECT_EQ(ops, (std::vector<Op>{Op::Begin, Op::Line, Op::Line, Op::Cubic, Op::Cubic, Op::Cubic,
                                    Op::Cubic, Op::Close}));
    ExpectPoint(sink.calls[0].points[0], {0, 0});
    ExpectPoint(sink.calls[2].points[0], {2, 4});
    // From (2, 4) over (2, 8) to the midpoint (4, 8).
    ExpectPoint(sink.calls[3].points[0], {2, 4 + 8.0f / 3});
    ExpectPoint(sink.calls[3].points[1], {4 - 4.0f / 3, 8});
    ExpectPoint(sink.calls[3].points[2], {4, 8});
    // From (4, 8) over (6, 8) to (6, 4).
    ExpectPoint(sink.calls[4].points[0], {4 + 4.0f / 3, 8});
    ExpectPoint(sink.calls[4].points[1], {6, 4 + 8.0f / 3});
    ExpectPoint(sink.calls[4].points[2], {6, 4});
    // Cubic groups of three, taken as they are.
    ExpectPoint(sink.calls[5].points[0], {6, 2});
    ExpectPoint(sink.calls[5].points[2], {4, 0});
    ExpectPoint(sink.calls[6].points[1], {2, -1});
    ExpectPoint(sink.calls[6].points[2], {1, -0.5f});
}

TEST(GlyphOutlineWalker, FixedPointFractionsAndSeveralPolygons) {
    BufferBuilder b;
    b.Polygon({-1.5f, 2.25f});
    b.Curve(TT_PRIM_LINE, {{-0.0078125f, 3}});
    b.Polygon({10, 10});
    b.Curve(TT_PRIM_LINE, {{11, 10}, {11, 11}});
    RecordingSink sink;
    auto& bytes = b.Finish();
    GlyphOutlineWalker::Send(bytes.data(), bytes.size(), sink);
    ASSERT_EQ(sink.calls.size(), 7u);
    ExpectPoint(sink.calls[0].points[0], {-1.5f, 2.25f});
    ExpectPoint(sink.calls[1].points[0], {-0.0078125f, 3});
    EXPECT_EQ(sink.calls[2].op, Op::Close);
    ExpectPoint(sink.calls[3].points[0], {10, 10});
    EXPECT_EQ(sink.calls[6].op, Op::Close);
}

TEST(GlyphOutlineWalker, DamagedBuffersStopWithBalancedFigures) {
    BufferBuilder b;
    b.Polygon({0, 0});
    b.Curve(TT_PRIM_LINE, {{1, 0}, {1, 1}});
    b.Polygon({5, 5});
    b.Curve(TT_PRIM_LINE, {{6, 5}});
    std::vector<BYTE> good = b.Finish();

    // Cut inside the second polygon: its header claims more bytes than remain.
    RecordingSink cut;
    GlyphOutlineWalker::Send(good.data(), good.size() - 1, cut);
    EXPECT_EQ(cut.Count(Op::Begin), 1);
    EXPECT_EQ(cut.Count(Op::Close), 1);

    // A record claiming more points than its polygon holds ends the walk after closing.
    std::vector<BYTE> bad = good;
    WORD huge = 500;
    std::memcpy(bad.data() + sizeof(TTPOLYGONHEADER) + sizeof(WORD), &huge, sizeof huge);
    RecordingSink overrun;
    GlyphOutlineWalker::Send(bad.data(), bad.size(), overrun);
    EXPECT_EQ(overrun.Count(Op::Begin), 1);
    EXPECT_EQ(overrun.Count(Op::Close), 1);
    EXPECT_EQ(overrun.Count(Op::Line), 0);

    // Unknown record types and splines with impossible point counts are damage too.
    for (auto [type, points] :
         {std::pair<WORD, int>{9, 3}, {TT_PRIM_QSPLINE, 1}, {TT_PRIM_CSPLINE, 2}}) {
        BufferBuilder d;
        d.Polygon({0, 0});
        WORD head[2] = {type, static_cast<WORD>(points)};
        d.bytes.insert(d.bytes.end(), reinterpret_cast<BYTE*>(head),
                       reinterpret_cast<BYTE*>(head) + 4);
        d.bytes.resize(d.bytes.size() + points * sizeof(POINTFX));
        d.Curve(TT_PRIM_LINE, {{1, 1}});
        auto& damaged = d.Finish();
        RecordingSink sink;
        GlyphOutlineWalker::Send(damaged.data(), damaged.size(), sink);
        EXPECT_EQ(sink.Count(Op::Begin), 1);
        EXPECT_EQ(sink.Count(Op::Close), 1);
        EXPECT_EQ(sink.Count(Op::Line) + sink.Count(Op::Cubic), 0);
    }

    // Wrong polygon type, or nothing at all: no figures.
    std::vector<BYTE> wrongType = good;
    wrongType[4] = 25;
    RecordingSink none;
    GlyphOutlineWalker::Send(wrongType.data(), wrongType.size(), none);
    GlyphOutlineWalker::Send(good.data(), 0, none);
    EXPECT_TRUE(none.calls.empty());
}

}  // namespace
