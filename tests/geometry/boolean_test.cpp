#include "graphics/geometry/boolean.h"

#include "graphics/geometry/geometry.h"
#include "graphics/geometry/transformer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "propertycases.h"

namespace Graphics {
namespace {

using Polygon = std::vector<GXPoint>;

struct Operand {
    std::vector<Polygon> figures;
    int32_t rule = 0;
};

// Keeps what a Boolean sends: closed polygons only, never a fill rule.
class RecordingSink : public GeometrySink {
public:
    void SetFillRule(int32_t) override { ++fillRules; }
    void BeginFigure(const GXPoint& p) override { polygons.push_back({p}); }
    void EndFigure() override { ++openEnds; }
    void EndFigureClose() override { ++closedEnds; }
    void LineTo(const GXPoint& p) override { polygons.back().push_back(p); }
    void CubicCurveTo(const GXPoint&, const GXPoint&, const GXPoint&) override { ++cubics; }

    std::vector<Polygon> polygons;
    int fillRules = 0, openEnds = 0, closedEnds = 0, cubics = 0;
};

// Winding of a point against polygons (closing edges implied), counted in double.
int Winding(const std::vector<Polygon>& polygons, double x, double y) {
    int winding = 0;
    for (const Polygon& polygon : polygons) {
        for (size_t i = 0; i < polygon.size(); ++i) {
            const GXPoint& a = polygon[i];
            const GXPoint& b = polygon[(i + 1) % polygon.size()];
            if ((a.y <= y) == (b.y <= y)) continue;
            const double t = (y - a.y) / (static_cast<double>(b.y) - a.y);
            if (a.x + t * (static_cast<double>(b.x) - a.x) < x) winding += b.y > a.y ? 1 : -1;
        }
    }
    return winding;
}

bool Inside(const Operand& operand, double x, double y) {
    const int w = Winding(operand.figures, x, y);
    return operand.rule == 1 ? (w & 1) != 0 : w != 0;
}

bool Expected(int op, bool a, bool b) {
    switch (op) {
        case 0:
            return a && b;
        case 1:
            return a || b;
        case 2:
            return a != b;
        case 3:
            return a && !b;
        default:
            return b && !a;
    }
}

double DistanceToSegment(double x, double y, const GXPoint& a, const GXPoint& b) {
    const double dx = b.x - a.x, dy = b.y - a.y;
    const double len2 = dx * dx + dy * dy;
    double t = len2 > 0 ? ((x - a.x) * dx + (y - a.y) * dy) / len2 : 0;
    t = std::clamp(t, 0.0, 1.0);
    return std::hypot(x - (a.x + t * dx), y - (a.y + t * dy));
}

double DistanceToEdges(const Operand& operand, double x, double y) {
    double d = INFINITY;
    for (const Polygon& polygon : operand.figures) {
        for (size_t i = 0; i < polygon.size(); ++i) {
            d = std::min(d, DistanceToSegment(x, y, polygon[i], polygon[(i + 1) % polygon.size()]));
        }
    }
    return d;
}

void Feed(TessellationSink& sink, const Operand& operand, bool closeFigures = true) {
    sink.BeginOperand();
    sink.SetFillRule(operand.rule);
    for (const Polygon& polygon : operand.figures) {
        sink.BeginFigure(polygon[0]);
        for (size_t i = 1; i < polygon.size(); ++i) sink.LineTo(polygon[i]);
        if (closeFigures) {
            sink.EndFigureClose();
        } else {
            sink.EndFigure();
        }
    }
    sink.EndOperand();
}

struct Result {
    std::vector<Polygon> polygons;
    bool valid = true;  // Validate held after every event
};

Result Combine(const Operand& a, const Operand& b, int op, float precision = 0.25f,
               bool validate = true) {
    auto sink = std::make_shared<RecordingSink>();
    Boolean boolean(precision, op, sink);
    Result result;
    if (validate) {
        boolean.SetEventObserver(
            [&](const Scanner& s) { result.valid = result.valid && s.Validate(); });
    }
    Feed(boolean, a);
    Feed(boolean, b);
    EXPECT_EQ(sink->fillRules, 0);
    EXPECT_EQ(sink->openEnds, 0);
    EXPECT_EQ(sink->closedEnds, static_cast<int>(sink->polygons.size()));
    result.polygons = std::move(sink->polygons);
    return result;
}

Polygon Rect(float l, float t, float r, float b) {
    return {{l, t}, {r, t}, {r, b}, {l, b}};
}

double Area(const Polygon& p) {
    double a = 0;
    for (size_t i = 0; i < p.size(); ++i) {
        const GXPoint& u = p[i];
        const GXPoint& v = p[(i + 1) % p.size()];
        a += static_cast<double>(u.x) * v.y - static_cast<double>(v.x) * u.y;
    }
    return a / 2;
}

bool HasPoint(const Polygon& p, float x, float y) {
    return std::any_of(p.begin(), p.end(), [&](const GXPoint& q) { return q.x == x && q.y == y; });
}

// No polygon may turn back on itself (a spike) or run through the same point twice in a
// row; all polygons share one orientation, so holes come out reversed only as holes.
void ExpectClean(const std::vector<Polygon>& polygons) {
    for (const Polygon& p : polygons) {
        ASSERT_GE(p.size(), 3u);
        for (size_t i = 0; i < p.size(); ++i) {
            const GXPoint& a = p[i];
            const GXPoint& b = p[(i + 1) % p.size()];
            const GXPoint& c = p[(i + 2) % p.size()];
            EXPECT_FALSE(a.x == b.x && a.y == b.y);
            const double cross =
                (static_cast<double>(b.x) - a.x) * (static_cast<double>(c.y) - b.y) -
                (static_cast<double>(b.y) - a.y) * (static_cast<double>(c.x) - b.x);
            const double dot = (static_cast<double>(b.x) - a.x) * (static_cast<double>(c.x) - b.x) +
                               (static_cast<double>(b.y) - a.y) * (static_cast<double>(c.y) - b.y);
            EXPECT_FALSE(cross == 0 && dot < 0)
                << "spike at " << b.x << "," << b.y << " from " << a.x << "," << a.y << " to "
                << c.x << "," << c.y << " size " << p.size();
        }
    }
}

TEST(BooleanTest, UnionOfOverlappingSquaresPassesThroughCornersAndCrossings) {
    const Operand a{{Rect(0, 0, 10, 10)}, 0};
    const Operand b{{Rect(5, 5, 15, 15)}, 0};
    const Result r = Combine(a, b, 1);
    EXPECT_TRUE(r.valid);
    ASSERT_EQ(r.polygons.size(), 1u);
    const Polygon& p = r.polygons[0];
    EXPECT_EQ(p.size(), 8u);
    for (auto [x, y] :
         {std::pair{0, 0}, {10, 0}, {10, 5}, {15, 5}, {15, 15}, {5, 15}, {5, 10}, {0, 10}}) {
        EXPECT_TRUE(HasPoint(p, x, y)) << x << "," << y;
    }
    EXPECT_DOUBLE_EQ(std::fabs(Area(p)), 175.0);
}

TEST(BooleanTest, BoundaryGetsNoVertexWhereItOnlyCrossesInnerEdges) {
    // The square's sides cross the inner band's edges inside the intersection: the result
    // is the plain rectangle (0, 2, 10, 8) with its four corners.
    const Operand a{{Rect(0, 0, 10, 10)}, 0};
    const Operand b{{Rect(-5, 2, 15, 8), Rect(-5, 4, 15, 6)}, 0};
    const Result r = Combine(a, b, 0);
    ASSERT_EQ(r.polygons.size(), 1u);
    EXPECT_EQ(r.polygons[0].size(), 4u);
    for (auto [x, y] : {std::pair{0, 2}, {10, 2}, {10, 8}, {0, 8}}) {
        EXPECT_TRUE(HasPoint(r.polygons[0], x, y)) << x << "," << y;
    }
}

TEST(BooleanTest, OperationsOnOverlappingSquaresHaveExactAreas) {
    const Operand a{{Rect(0, 0, 10, 10)}, 0};
    const Operand b{{Rect(5, 5, 15, 15)}, 0};
    const double expected[5] = {25, 175, 150, 75, 75};
    for (int op = 0; op < 5; ++op) {
        const Result r = Combine(a, b, op);
        double area = 0;
        for (const Polygon& p : r.polygons) area += Area(p);
        EXPECT_DOUBLE_EQ(std::fabs(area), expected[op]) << "op " << op;
        ExpectClean(r.polygons);
    }
}

TEST(BooleanTest, ExclusiveOrWithItselfIsEmpty) {
    const Operand a{{{{0, 0}, {7, 1}, {3, 9}, {8, 4}, {-2, 5}}}, 0};
    EXPECT_TRUE(Combine(a, a, 2).polygons.empty());
    EXPECT_TRUE(Combine(a, a, 3).polygons.empty());
    EXPECT_TRUE(Combine(a, a, 4).polygons.empty());
    // Union and intersection with itself give the shape back, without doubled edges.
    for (int op : {0, 1}) {
        const Result r = Combine(a, a, op);
        ExpectClean(r.polygons);
        for (double y = 0.1; y < 9; y += 0.37) {
            for (double x = -2; x < 8; x += 0.41) {
                if (DistanceToEdges(a, x, y) < 1e-3) continue;
                EXPECT_EQ(Winding(r.polygons, x, y) != 0, Inside(a, x, y));
            }
        }
    }
}

TEST(BooleanTest, SharedEdgesMergeWithoutSlivers) {
    // Two squares sharing an edge and a third touching at a corner.
    const Operand a{{Rect(0, 0, 4, 4)}, 0};
    const Operand b{{Rect(4, 0, 8, 4), Rect(8, 4, 10, 6)}, 0};
    const Result r = Combine(a, b, 1);
    EXPECT_TRUE(r.valid);
    ExpectClean(r.polygons);
    ASSERT_EQ(r.polygons.size(), 2u);  // the corner-touching square stays a polygon of its own
    double area = 0;
    for (const Polygon& p : r.polygons) area += std::fabs(Area(p));
    EXPECT_DOUBLE_EQ(area, 36.0);
    // Overlapping collinear edges in opposite directions, and a difference along them.
    const Result d = Combine(Operand{{Rect(0, 0, 6, 2)}, 0}, Operand{{Rect(2, 0, 4, 2)}, 0}, 3);
    ExpectClean(d.polygons);
    ASSERT_EQ(d.polygons.size(), 2u);
    EXPECT_DOUBLE_EQ(std::fabs(Area(d.polygons[0])) + std::fabs(Area(d.polygons[1])), 8.0);
}

TEST(BooleanTest, DegenerateFiguresContributeNothing) {
    // Repeated points, a zero-area figure folding back on itself, a single point and a
    // figure left open (filled as closed).
    Operand a{{{{0, 0}, {0, 0}, {6, 0}, {6, 0}, {6, 6}, {0, 6}, {0, 0}},
               {{1, 1}, {5, 5}, {3, 3}, {2, 2}},
               {{2, 2}}},
              0};
    const Operand b{{Rect(3, 3, 9, 9)}, 0};
    for (int op = 0; op < 5; ++op) {
        const Result r = Combine(a, b, op);
        EXPECT_TRUE(r.valid);
        ExpectClean(r.polygons);
        double area = 0;
        for (const Polygon& p : r.polygons) area += Area(p);
        const double expected[5] = {9, 63, 54, 27, 27};
        EXPECT_DOUBLE_EQ(std::fabs(area), expected[op]) << op;
    }
    auto sink = std::make_shared<RecordingSink>();
    Boolean open(0.25f, 1, sink);
    Feed(open, Operand{{Rect(0, 0, 2, 2)}, 0}, false);
    Feed(open, Operand{{}, 0});
    ASSERT_EQ(sink->polygons.size(), 1u);
    EXPECT_DOUBLE_EQ(std::fabs(Area(sink->polygons[0])), 4.0);
    // A figure still open when its operand ends stays in that operand.
    sink = std::make_shared<RecordingSink>();
    Boolean unended(0.25f, 3, sink);
    unended.BeginOperand();
    unended.BeginFigure({0, 0});
    unended.LineTo({4, 0});
    unended.LineTo({4, 4});
    unended.EndOperand();
    Feed(unended, Operand{{Rect(2, 0, 6, 4)}, 0});
    ASSERT_EQ(sink->polygons.size(), 1u);
    EXPECT_DOUBLE_EQ(std::fabs(Area(sink->polygons[0])), 2.0);  // the triangle left of x = 2
}

TEST(BooleanTest, NonFiniteFiguresAreLeftOut) {
    const float nan = std::nanf(""), inf = INFINITY;
    const Operand a{{Rect(0, 0, 4, 4), {{1, 1}, {nan, 2}, {3, 3}}, {{0, 0}, {inf, 0}, {0, 9}}}, 0};
    const Operand b{{Rect(2, 2, 6, 6)}, 0};
    const Result r = Combine(a, b, 1);
    ASSERT_EQ(r.polygons.size(), 1u);
    EXPECT_DOUBLE_EQ(std::fabs(Area(r.polygons[0])), 28.0);
}

TEST(BooleanTest, HugeAndTinyCoordinatesStayExact) {
    for (float scale : {1e-30f, 1e-3f, 1e20f, 3e38f}) {
        const Operand a{{Rect(0, 0, scale, scale)}, 0};
        const Operand b{{Rect(scale / 2, scale / 2, scale * 0.75f, scale * (2.0f / 3))}, 0};
        const Result r = Combine(a, b, 3, scale / 1000);
        EXPECT_TRUE(r.valid);
        ASSERT_EQ(r.polygons.size(), 2u) << scale;  // outer boundary and hole
        EXPECT_LT(Area(r.polygons[0]) * Area(r.polygons[1]), 0);
    }
}

TEST(BooleanTest, ManyLinesThroughOnePointMeetInOneVertex) {
    // Thin triangles around a common apex region: their edges cross in a fan of exact
    // crossings, several of them through the same point.
    Operand a{{}, 0}, b{{}, 1};
    for (int i = 0; i < 6; ++i) {
        const float angle = static_cast<float>(i) * 0.5f;
        const float cx = std::cos(angle) * 10, cy = std::sin(angle) * 10;
        Operand& o = i % 2 ? a : b;
        o.figures.push_back(
            {{-cx, -cy}, {cx + cy * 0.1f, cy - cx * 0.1f}, {cx - cy * 0.1f, cy + cx * 0.1f}});
    }
    for (int op = 0; op < 5; ++op) {
        const Result r = Combine(a, b, op);
        EXPECT_TRUE(r.valid);
        ExpectClean(r.polygons);
    }
}

// Random operand pairs: polygons with holes, self-intersecting stars, figures on a coarse
// lattice (shared edges, shared vertices, collinear overlaps), both fill rules, all five
// operations. Away from the edges, the result under non-zero must agree with the operation
// applied to the operands.
TEST(BooleanTest, RandomOperandsAgreeWithPointClassification) {
    std::mt19937 rng(20260417);
    auto uniform = [&](float lo, float hi) {
        return std::uniform_real_distribution<float>(lo, hi)(rng);
    };
    auto integer = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    auto makeOperand = [&]() {
        Operand o;
        o.rule = integer(0, 1);
        const int figures = integer(1, 3);
        const bool lattice = integer(0, 1) == 1;
        for (int f = 0; f < figures; ++f) {
            Polygon p;
            const int kind = integer(0, 2);
            const int n = integer(3, 9);
            if (kind == 0) {  // random (self-intersecting) polygon
                for (int i = 0; i < n; ++i) {
                    p.push_back(lattice ? GXPoint{static_cast<float>(integer(0, 6)),
                                                  static_cast<float>(integer(0, 6))}
                                        : GXPoint{uniform(0, 6), uniform(0, 6)});
                }
            } else if (kind == 1) {  // rectangle, possibly reversed (a hole under non-zero)
                float l = static_cast<float>(integer(0, 5)), t = static_cast<float>(integer(0, 5));
                float r = l + static_cast<float>(integer(1, 4)),
                      b = t + static_cast<float>(integer(1, 4));
                p = Rect(l, t, r, b);
                if (integer(0, 1)) std::reverse(p.begin(), p.end());
            } else {  // star around a centre
                const float cx = uniform(1, 5), cy = uniform(1, 5);
                for (int i = 0; i < n; ++i) {
                    const float angle = 6.2831853f * static_cast<float>(i) / static_cast<float>(n);
                    const float radius = uniform(0.3f, 3);
                    GXPoint q{cx + radius * std::cos(angle), cy + radius * std::sin(angle)};
                    if (lattice) q = {std::round(q.x), std::round(q.y)};
                    p.push_back(q);
                }
            }
            o.figures.push_back(p);
        }
        return o;
    };
    int checked = 0;
    const int cases = PropertyCases(3000);
    for (int c = 0; c < cases; ++c) {
        const Operand a = makeOperand();
        const Operand b = integer(0, 4) == 0 ? a : makeOperand();
        const int op = c % 5;
        const Result r = Combine(a, b, op, uniform(0.01f, 2), c % 10 == 0);
        ASSERT_TRUE(r.valid) << "case " << c;
        ExpectClean(r.polygons);
        for (int s = 0; s < 40; ++s) {
            const double x = uniform(-1, 10), y = uniform(-1, 10);
            if (DistanceToEdges(a, x, y) < 1e-3 || DistanceToEdges(b, x, y) < 1e-3) continue;
            const bool expected = Expected(op, Inside(a, x, y), Inside(b, x, y));
            ASSERT_EQ(Winding(r.polygons, x, y) != 0, expected)
                << "case " << c << " op " << op << " at " << x << "," << y;
            ++checked;
        }
    }
    EXPECT_GT(checked, cases * 33);  // most sample points are away from edges
}

// Records everything a replay sends, curves and rule included.
std::vector<std::string> Calls(const Geometry& g) {
    struct Text : GeometrySink {
        std::vector<std::string> calls;
        static std::string P(const GXPoint& p) {
            return std::to_string(p.x) + "," + std::to_string(p.y);
        }
        void SetFillRule(int32_t r) override { calls.push_back("rule " + std::to_string(r)); }
        void BeginFigure(const GXPoint& p) override { calls.push_back("M " + P(p)); }
        void EndFigure() override { calls.push_back("end"); }
        void EndFigureClose() override { calls.push_back("close"); }
        void LineTo(const GXPoint& p) override { calls.push_back("L " + P(p)); }
        void CubicCurveTo(const GXPoint& a, const GXPoint& b, const GXPoint& e) override {
            calls.push_back("C " + P(a) + " " + P(b) + " " + P(e));
        }
    } text;
    g.SendToSink(&text);
    return text.calls;
}

std::vector<Polygon> Polygons(const Geometry& g) {
    RecordingSink sink;
    g.SendToSink(&sink);
    EXPECT_EQ(sink.cubics, 0);
    return sink.polygons;
}

// A geometry's figures as dense polylines (64 segments per cubic): the reference boundary
// that the combination's own flattening must stay within its tolerance of.
Operand Dense(const Geometry& g) {
    struct Densify : GeometrySink {
        Operand operand;
        void SetFillRule(int32_t r) override { operand.rule = r; }
        void BeginFigure(const GXPoint& p) override { operand.figures.push_back({p}); }
        // The closing segment is implied: a last point back on the start is dropped.
        void EndFigure() override {
            Polygon& f = operand.figures.back();
            if (f.size() > 1 && f.back().x == f[0].x && f.back().y == f[0].y) f.pop_back();
        }
        void EndFigureClose() override { EndFigure(); }
        void LineTo(const GXPoint& p) override { operand.figures.back().push_back(p); }
        void CubicCurveTo(const GXPoint& c1, const GXPoint& c2, const GXPoint& e) override {
            const GXPoint p0 = operand.figures.back().back();
            for (int i = 1; i <= 64; ++i) {
                const float t = static_cast<float>(i) / 64, u = 1 - t;
                operand.figures.back().push_back({u * u * u * p0.x + 3 * u * u * t * c1.x +
                                                      3 * u * t * t * c2.x + t * t * t * e.x,
                                                  u * u * u * p0.y + 3 * u * u * t * c1.y +
                                                      3 * u * t * t * c2.y + t * t * t * e.y});
            }
        }
    } dense;
    g.SendToSink(&dense);
    return dense.operand;
}

TEST(GeometryCombineTest, DisjointAndEmptyOperandsAreReplayedUnchanged) {
    Geometry a, b, empty, result;
    a.SetFillRule(1);
    a.Ellipse({0, 0, 4, 4});
    b.SetFillRule(1);
    b.Rectangle({4, 0, 8, 4});  // touches a's box only along x = 4
    const GXMatrix shift{1, 0, 0, 1, 10, 0};
    const auto sink = [] { return std::make_shared<Geometry>(); };
    // Union and exclusive or: both, curves and rules kept (the last rule wins).
    for (int op : {1, 2}) {
        auto r = sink();
        a.Combine(b, kIdentityMatrix, op, 0.25f, r);
        // One rule, the last replayed; then a's figures, then b's.
        std::vector<std::string> expected = Calls(a);
        const std::vector<std::string> second = Calls(b);
        expected[0] = second[0];
        expected.insert(expected.end(), second.begin() + 1, second.end());
        EXPECT_EQ(Calls(*r), expected);
        EXPECT_EQ(r->FillRule(), 1);
    }
    auto r = sink();
    a.Combine(b, kIdentityMatrix, 0, 0.25f, r);
    EXPECT_TRUE(r->IsEmpty());
    r = sink();
    a.Combine(b, kIdentityMatrix, 3, 0.25f, r);
    EXPECT_EQ(Calls(*r), Calls(a));
    r = sink();
    a.Combine(b, shift, 4, 0.25f, r);  // reverse difference: b through the matrix
    Geometry moved;
    b.SendToSinkTransformed(shift, &moved);
    EXPECT_EQ(Calls(*r), Calls(moved));
    // Empty operands.
    for (int op = 0; op < 5; ++op) {
        auto onlyB = sink(), onlyA = sink();
        empty.Combine(b, shift, op, 0.25f, onlyB);
        a.Combine(empty, shift, op, 0.25f, onlyA);
        EXPECT_EQ(Calls(*onlyB),
                  op == 1 || op == 2 || op == 4 ? Calls(moved) : std::vector<std::string>{});
        EXPECT_EQ(Calls(*onlyA),
                  op == 1 || op == 2 || op == 3 ? Calls(a) : std::vector<std::string>{});
    }
    a.Combine(b, kIdentityMatrix, 1, 0.25f, nullptr);  // no target: nothing happens

    // Under different fill rules one replay could not keep both: the union is swept into
    // polygons under non-zero instead. A self-overlapping even-odd figure beside b.
    Geometry evenOdd;
    evenOdd.SetFillRule(1);
    const Polygon star{{12, 0}, {14, 4}, {10, 1.5f}, {14, 1.5f}, {10, 4}};
    evenOdd.BeginFigure(star[0]);
    for (size_t i = 1; i < star.size(); ++i) evenOdd.LineTo(star[i]);
    evenOdd.EndFigureClose();
    Geometry nonZero;
    nonZero.Rectangle({0, 0, 4, 4});
    r = sink();
    nonZero.Combine(evenOdd, kIdentityMatrix, 1, 0.25f, r);
    EXPECT_EQ(r->FillRule(), 0);
    const std::vector<Polygon> p = Polygons(*r);
    EXPECT_NE(Winding(p, 2, 2), 0);
    EXPECT_NE(Winding(p, 12, 1), 0);
    EXPECT_EQ(Winding(p, 12, 2.5), 0);  // the star's centre is outside under even-odd
}

TEST(GeometryCombineTest, MatrixMovesOnlyTheSecondOperand) {
    Geometry a, b;
    a.Rectangle({0, 0, 10, 10});
    b.Rectangle({0, 0, 10, 10});
    auto r = std::make_shared<Geometry>();
    a.Combine(b, GXMatrix{1, 0, 0, 1, 5, 5}, 1, 0.25f, r);
    const std::vector<Polygon> p = Polygons(*r);
    ASSERT_EQ(p.size(), 1u);
    EXPECT_EQ(p[0].size(), 8u);
    EXPECT_TRUE(HasPoint(p[0], 10, 5));
    EXPECT_TRUE(HasPoint(p[0], 5, 10));
    EXPECT_DOUBLE_EQ(std::fabs(Area(p[0])), 175.0);
    EXPECT_EQ(r->FillRule(), 0);
}

TEST(GeometryCombineTest, TangentCirclesTouchWithoutSlivers) {
    // Circles touching at (10, 5) from outside (boxes only touch: replayed as they are),
    // touching along the diagonal (boxes overlap: swept), and a circle inside another
    // touching it at (10, 5).
    Geometry a, b, diagonal, inner;
    a.Ellipse({0, 0, 10, 10});
    b.Ellipse({10, 0, 20, 10});
    const float d = 5 * std::sqrt(2.0f);
    diagonal.Ellipse({d, d, d + 10, d + 10});
    inner.Ellipse({5, 2.5f, 10, 7.5f});
    for (const Geometry* other : {&b, &diagonal, &inner}) {
        for (int op = 0; op < 5; ++op) {
            auto r = std::make_shared<Geometry>();
            a.Combine(*other, kIdentityMatrix, op, 0.01f, r);
            const std::vector<Polygon> p = Dense(*r).figures;
            ExpectClean(p);
            const Operand da = Dense(a), db = Dense(*other);
            for (double y = 0.05; y < 20; y += 0.45) {
                for (double x = 0.05; x < 20; x += 0.45) {
                    if (DistanceToEdges(da, x, y) < 0.05 || DistanceToEdges(db, x, y) < 0.05)
                        continue;
                    EXPECT_EQ(Winding(p, x, y) != 0,
                              Expected(op, Inside(da, x, y), Inside(db, x, y)))
                        << op << " at " << x << "," << y;
                }
            }
        }
    }
}

// Random curved and straight operands through Geometry::Combine, classified against dense
// polylines of the curves, points kept a few tolerances away from every boundary.
TEST(GeometryCombineTest, RandomCurvedOperandsAgreeWithPointClassification) {
    std::mt19937 rng(77);
    auto uniform = [&](float lo, float hi) {
        return std::uniform_real_distribution<float>(lo, hi)(rng);
    };
    auto make = [&](Geometry& g) {
        g.SetFillRule(static_cast<int32_t>(rng() % 2));
        const int figures = 1 + static_cast<int>(rng() % 3);
        for (int f = 0; f < figures; ++f) {
            const float l = uniform(0, 6), t = uniform(0, 6);
            const GXRect box{l, t, l + uniform(0.5f, 4), t + uniform(0.5f, 4)};
            switch (rng() % 3) {
                case 0:
                    g.Ellipse(box);
                    break;
                case 1:
                    g.RoundRectangle(box, uniform(0, 2), uniform(0, 2));
                    break;
                default:
                    g.BeginFigure({uniform(0, 8), uniform(0, 8)});
                    g.CubicCurveTo({uniform(0, 8), uniform(0, 8)}, {uniform(0, 8), uniform(0, 8)},
                                   {uniform(0, 8), uniform(0, 8)});
                    g.LineTo({uniform(0, 8), uniform(0, 8)});
                    g.EndFigureClose();
            }
        }
    };
    for (int c = 0; c < 300; ++c) {
        Geometry a, b;
        make(a);
        make(b);
        const int op = c % 5;
        auto r = std::make_shared<Geometry>();
        a.Combine(b, kIdentityMatrix, op, 0.01f, r);
        const std::vector<Polygon> p = Dense(*r).figures;
        SCOPED_TRACE(c);
        ExpectClean(p);
        const Operand da = Dense(a), db = Dense(b);
        for (int s = 0; s < 30; ++s) {
            const double x = uniform(-1, 10), y = uniform(-1, 10);
            if (DistanceToEdges(da, x, y) < 0.05 || DistanceToEdges(db, x, y) < 0.05) continue;
            ASSERT_EQ(Winding(p, x, y) != 0, Expected(op, Inside(da, x, y), Inside(db, x, y)))
                << "case " << c << " op " << op << " at " << x << "," << y;
        }
    }
}

}  // namespace
}  // namespace Graphics
