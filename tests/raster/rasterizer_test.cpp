#include "graphics/raster/rasterizer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "graphics/geometry/figureflattener.h"
#include "graphics/geometry/geometry.h"
#include "graphics/geometry/transformer.h"
#include "graphics/raster/coveragebuffer.h"
#include "graphics/raster/rasterizationsink.h"

using namespace Graphics;

namespace {

struct Trapezoid {
    float yTop, xTopLeft, xTopRight, yBottom, xBottomLeft, xBottomRight, fringeLeft, fringeRight;
};

// Collects everything the rasterizer delivers, checking the structures on every row.
class RecordingSink : public RasterizationSink {
public:
    explicit RecordingSink(bool trapezoids = false) : trapezoids_(trapezoids) {}

    void AddCoverageRow(int32_t row, const CoverageBuffer& coverage) override {
        EXPECT_TRUE(coverage.Validate());
        if (rasterizer) {
            EXPECT_TRUE(rasterizer->ValidateActiveList());
        }
        EXPECT_EQ(rows.count(row), 0u) << "row " << row << " delivered twice";
        std::map<int32_t, int>& pixels = rows[row];
        for (const CoverageRun* run = coverage.First(); run != coverage.End(); run = run->next) {
            if (run->value == 0) continue;
            for (int32_t x = run->x; x < run->next->x; ++x) pixels[x] = run->value;
        }
    }
    void FillPixelRect(int32_t x0, int32_t y0, int32_t x1, int32_t y1) override {
        rects.push_back({x0, y0, x1, y1});
    }
    bool AcceptsTrapezoids(int32_t, int32_t) override { return trapezoids_; }
    void AddTrapezoid(float yTop, float xTopLeft, float xTopRight, float yBottom, float xBottomLeft,
                      float xBottomRight, float fringeLeft, float fringeRight) override {
        if (rasterizer) {
            EXPECT_TRUE(rasterizer->ValidateActiveList());
        }
        trapezoidList.push_back({yTop, xTopLeft, xTopRight, yBottom, xBottomLeft, xBottomRight,
                                 fringeLeft, fringeRight});
    }

    int At(int32_t x, int32_t y) const {
        auto row = rows.find(y);
        if (row == rows.end()) return 0;
        auto pixel = row->second.find(x);
        return pixel == row->second.end() ? 0 : pixel->second;
    }
    long Total() const {
        long total = 0;
        for (const auto& row : rows) {
            for (const auto& pixel : row.second) total += pixel.second;
        }
        return total;
    }

    const Rasterizer* rasterizer = nullptr;
    std::map<int32_t, std::map<int32_t, int>> rows;  // row -> pixel x -> coverage 1..64
    std::vector<GXIntRect> rects;
    std::vector<Trapezoid> trapezoidList;

private:
    bool trapezoids_;
};

using Polygon = std::vector<GXPoint>;

struct Fill {
    explicit Fill(GXRect clip = {0, 0, 64, 64}, bool snap = false, bool trapezoids = false)
        : sink(std::make_shared<RecordingSink>(trapezoids)), rasterizer(clip, 0.25f, snap, sink) {
        sink->rasterizer = &rasterizer;
    }
    // Fills the polygons as figures of one path.
    RecordingSink& Run(const std::vector<Polygon>& figures, int32_t rule = 0) {
        rasterizer.BeginRasterization();
        rasterizer.SetFillRule(rule);
        for (const Polygon& figure : figures) {
            rasterizer.BeginFigure(figure[0]);
            for (size_t i = 1; i < figure.size(); ++i) rasterizer.LineTo(figure[i]);
            rasterizer.EndFigureClose();
        }
        rasterizer.EndRasterization();
        return *sink;
    }
    std::shared_ptr<RecordingSink> sink;
    Rasterizer rasterizer;
};

Polygon Rect(float x0, float y0, float x1, float y1) {
    return {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}};
}

// Exact area of a polygon inside the unit pixel (px, py): Sutherland-Hodgman against the
// square, then the shoelace formula (clipping a concave polygon against a convex window
// leaves zero-area bridges that do not change the area).
double AreaInPixel(const Polygon& polygon, int px, int py) {
    std::vector<std::pair<double, double>> poly;
    for (const GXPoint& p : polygon) poly.push_back({p.x, p.y});
    auto clip = [&](auto inside, auto cross) {
        std::vector<std::pair<double, double>> out;
        for (size_t i = 0; i < poly.size(); ++i) {
            auto a = poly[i], b = poly[(i + 1) % poly.size()];
            bool ia = inside(a), ib = inside(b);
            if (ia) out.push_back(a);
            if (ia != ib) out.push_back(cross(a, b));
        }
        poly = out;
    };
    auto atX = [](double x) {
        return [x](std::pair<double, double> a, std::pair<double, double> b) {
            double t = (x - a.first) / (b.first - a.first);
            return std::pair<double, double>{x, a.second + t * (b.second - a.second)};
        };
    };
    auto atY = [](double y) {
        return [y](std::pair<double, double> a, std::pair<double, double> b) {
            double t = (y - a.second) / (b.second - a.second);
            return std::pair<double, double>{a.first + t * (b.first - a.first), y};
        };
    };
    clip([&](auto p) { return p.first >= px; }, atX(px));
    clip([&](auto p) { return p.first <= px + 1; }, atX(px + 1));
    clip([&](auto p) { return p.second >= py; }, atY(py));
    clip([&](auto p) { return p.second <= py + 1; }, atY(py + 1));
    double area = 0;
    for (size_t i = 0; i < poly.size(); ++i) {
        auto a = poly[i], b = poly[(i + 1) % poly.size()];
        area += a.first * b.second - b.first * a.second;
    }
    return std::abs(area) / 2;
}

double Area(const Polygon& polygon) {
    double area = 0;
    for (size_t i = 0; i < polygon.size(); ++i) {
        const GXPoint& a = polygon[i];
        const GXPoint& b = polygon[(i + 1) % polygon.size()];
        area += double{a.x} * b.y - double{b.x} * a.y;
    }
    return std::abs(area) / 2;
}

}  // namespace

TEST(Rasterizer, WholeAndPartialPixels) {
    Fill fill;
    RecordingSink& sink = fill.Run({Rect(2, 3, 6, 7)});
    for (int y = 0; y < 10; ++y) {
        for (int x = 0; x < 10; ++x) {
            EXPECT_EQ(sink.At(x, y), (x >= 2 && x < 6 && y >= 3 && y < 7) ? 64 : 0)
                << x << "," << y;
        }
    }
    // One eighth by one eighth of a pixel is one sample.
    Fill tiny;
    EXPECT_EQ(tiny.Run({Rect(10, 5, 10.125f, 5.125f)}).Total(), 1);
    EXPECT_EQ(tiny.sink->At(10, 5), 1);
    // Half a pixel in each direction, straddling four pixels: 16 samples each.
    Fill quarter;
    quarter.Run({Rect(20.5f, 7.5f, 21.5f, 8.5f)});
    EXPECT_EQ(quarter.sink->At(20, 7), 16);
    EXPECT_EQ(quarter.sink->At(21, 7), 16);
    EXPECT_EQ(quarter.sink->At(20, 8), 16);
    EXPECT_EQ(quarter.sink->At(21, 8), 16);
    EXPECT_EQ(quarter.sink->Total(), 64);
    // A triangle of area 1 whose hypotenuse meets every sample centre at an exact eighth:
    // sub-scanline k is 15 - 2k eighths wide.
    Fill triangle;
    triangle.Run({{{30, 30}, {32, 30}, {30, 31}}});
    EXPECT_EQ(triangle.sink->Total(), 64);
    EXPECT_EQ(triangle.sink->At(30, 30), 8 + 8 + 8 + 8 + 7 + 5 + 3 + 1);
    EXPECT_EQ(triangle.sink->At(31, 30), 7 + 5 + 3 + 1);
}

TEST(Rasterizer, SnappedRectanglesCoverWholePixels) {
    struct Case {
        GXRect rect;
        GXIntRect expected;
    };
    const Case cases[] = {
        {{10.25f, 2, 10.5f, 5}, {10, 2, 11, 5}},  // a quarter pixel wide: one column
        {{10.25f, 2, 12.5f, 5}, {10, 2, 13, 5}},  // 2.25 wide: three columns
        {{10.75f, 2, 12.5f, 5}, {11, 2, 13, 5}},  // straddles 3, needs 2: drop the thinner left
        {{10.5f, 2, 12.25f, 5}, {10, 2, 12, 5}},  // ... or the thinner right
        {{10, 2, 10, 5}, {10, 2, 11, 5}},         // zero width still one column
        {{3, 4.25f, 9, 4.5f}, {3, 4, 9, 5}},      // the same rules vertically
        {{3, 4.75f, 9, 6.5f}, {3, 5, 9, 7}},
    };
    for (const Case& c : cases) {
        Fill fill({0, 0, 64, 64}, true);
        RecordingSink& sink =
            fill.Run({Rect(c.rect.left, c.rect.top, c.rect.right, c.rect.bottom)});
        ASSERT_EQ(sink.rects.size(), 1u) << c.rect.left << " " << c.rect.top;
        EXPECT_EQ(sink.rects[0].left, c.expected.left) << c.rect.left << " " << c.rect.top;
        EXPECT_EQ(sink.rects[0].top, c.expected.top) << c.rect.left << " " << c.rect.top;
        EXPECT_EQ(sink.rects[0].right, c.expected.right) << c.rect.left << " " << c.rect.top;
        EXPECT_EQ(sink.rects[0].bottom, c.expected.bottom) << c.rect.left << " " << c.rect.top;
        EXPECT_TRUE(sink.rows.empty());
    }
    // Without the flag the same rectangle is partial coverage: 2 eighths on 8 sub-scanlines.
    Fill unsnapped;
    RecordingSink& sink = unsnapped.Run({Rect(10.25f, 2, 10.5f, 5)});
    EXPECT_TRUE(sink.rects.empty());
    for (int y = 2; y < 5; ++y) EXPECT_EQ(sink.At(10, y), 16);
    EXPECT_EQ(sink.Total(), 48);
    // Two rectangles, or a sloped side, are never snapped.
    Fill two({0, 0, 64, 64}, true);
    EXPECT_TRUE(two.Run({Rect(1, 1, 3, 3), Rect(5, 1, 7, 3)}).rects.empty());
    EXPECT_EQ(two.sink->Total(), 8 * 64);
    Fill sloped({0, 0, 64, 64}, true);
    EXPECT_TRUE(sloped.Run({{{1, 1}, {5, 1}, {5.5f, 4}, {1, 4}}}).rects.empty());
}

TEST(Rasterizer, ClipOnlyRemovesPixelsFromASnappedRectangle) {
    // Snapping rounds a rectangle by its size: a clip cutting the rectangle (a group's edge,
    // say) must not change the rounding, only drop the pixels outside the clip.
    std::mt19937 random(77);
    std::uniform_int_distribution<int> eighth(0, 8 * 40);
    for (int i = 0; i < 2000; ++i) {
        float x0 = eighth(random) / 8.0f, x1 = eighth(random) / 8.0f;
        float y0 = eighth(random) / 8.0f, y1 = eighth(random) / 8.0f;
        if (x0 > x1) std::swap(x0, x1);
        if (y0 > y1) std::swap(y0, y1);
        if (y1 - y0 < 0.25f) continue;  // no sub-scanline centre: nothing to fill
        const int cx = eighth(random) / 8, cy = eighth(random) / 8;
        const GXRect clip{float(cx), float(cy), float(cx + 1 + eighth(random) / 16),
                          float(cy + 1 + eighth(random) / 16)};
        Fill whole({0, 0, 64, 64}, true), cut(clip, true);
        RecordingSink& expected = whole.Run({Rect(x0, y0, x1, y1)});
        RecordingSink& actual = cut.Run({Rect(x0, y0, x1, y1)});
        ASSERT_EQ(expected.rects.size(), 1u);
        const GXIntRect& e = expected.rects[0];
        const int32_t left = std::max(e.left, int32_t(clip.left)),
                      right = std::min(e.right, int32_t(clip.right));
        const int32_t top = std::max(e.top, int32_t(clip.top)),
                      bottom = std::min(e.bottom, int32_t(clip.bottom));
        const std::string where = std::to_string(x0) + "," + std::to_string(y0) + " " +
                                  std::to_string(x1) + "," + std::to_string(y1);
        ASSERT_TRUE(actual.rows.empty()) << where;
        if (left >= right || top >= bottom) {
            EXPECT_TRUE(actual.rects.empty()) << where;
            continue;
        }
        ASSERT_EQ(actual.rects.size(), 1u) << where;
        EXPECT_EQ(actual.rects[0].left, left) << where;
        EXPECT_EQ(actual.rects[0].top, top) << where;
        EXPECT_EQ(actual.rects[0].right, right) << where;
        EXPECT_EQ(actual.rects[0].bottom, bottom) << where;
    }
}

TEST(Rasterizer, RandomPolygonsMatchExactArea) {
    std::mt19937 random(1234);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    for (int trial = 0; trial < 60; ++trial) {
        // A star-shaped polygon around a random centre is simple; both rules agree on it.
        const float cx = 24 + 16 * unit(random), cy = 24 + 16 * unit(random);
        const int n = 3 + static_cast<int>(random() % 14);
        std::vector<float> angles;
        for (int i = 0; i < n; ++i) angles.push_back(6.2831853f * unit(random));
        std::sort(angles.begin(), angles.end());
        // Every angular gap below pi keeps the centre inside and the polygon simple.
        float widestGap = angles.front() + 6.2831853f - angles.back();
        for (int i = 1; i < n; ++i) widestGap = std::max(widestGap, angles[i] - angles[i - 1]);
        if (widestGap > 3.1f) {
            --trial;
            continue;
        }
        Polygon polygon;
        for (float angle : angles) {
            float radius = 6 + 14 * unit(random);
            polygon.push_back({cx + radius * std::cos(angle), cy + radius * std::sin(angle)});
        }
        const double exact = Area(polygon);
        // Slivers are left out: their area is too small for a relative bound to mean much.
        if (exact < 100) {
            --trial;
            continue;
        }
        if (trial % 2) std::reverse(polygon.begin(), polygon.end());
        for (int32_t rule = 0; rule < 2; ++rule) {
            Fill fill;
            RecordingSink& sink = fill.Run({polygon}, rule);
            for (int y = 0; y < 64; ++y) {
                for (int x = 0; x < 64; ++x) {
                    double inside = AreaInPixel(polygon, x, y);
                    ASSERT_NEAR(sink.At(x, y) / 64.0, inside, 3.0 / 16.0)
                        << "trial " << trial << " rule " << rule << " pixel " << x << "," << y;
                }
            }
            EXPECT_NEAR(sink.Total() / 64.0, exact, exact * 0.005) << "trial " << trial;
        }
    }
}

TEST(Rasterizer, FillRulesAndFigureHandling) {
    // Two overlapping squares in the same direction: winding 2 in the overlap.
    std::vector<Polygon> squares = {Rect(0, 0, 4, 4), Rect(2, 2, 6, 6)};
    Fill nonZero;
    nonZero.Run(squares, 0);
    Fill evenOdd;
    evenOdd.Run(squares, 1);
    EXPECT_EQ(nonZero.sink->At(3, 3), 64);
    EXPECT_EQ(evenOdd.sink->At(3, 3), 0);
    EXPECT_EQ(evenOdd.sink->At(1, 1), 64);
    EXPECT_EQ(nonZero.sink->Total(), 28 * 64);
    EXPECT_EQ(evenOdd.sink->Total(), 24 * 64);
    // Opposite directions cancel under non-zero too.
    Polygon reversed = Rect(2, 2, 6, 6);
    std::reverse(reversed.begin(), reversed.end());
    Fill cancel;
    EXPECT_EQ(cancel.Run({Rect(0, 0, 4, 4), reversed}, 0).At(3, 3), 0);

    // Repeated points, an open figure and a horizontal side change nothing.
    Fill plain;
    plain.Run({{{1, 1}, {9, 1}, {5, 7}}});
    auto sink = std::make_shared<RecordingSink>();
    Rasterizer rasterizer({0, 0, 64, 64}, 0.25f, false, sink);
    sink->rasterizer = &rasterizer;
    rasterizer.BeginRasterization();
    rasterizer.SetFillRule(0);
    rasterizer.BeginFigure({1, 1});
    rasterizer.LineTo({1, 1});
    rasterizer.LineTo({5, 1});
    rasterizer.LineTo({9, 1});
    rasterizer.LineTo({9, 1});
    rasterizer.LineTo({5, 7});
    rasterizer.EndFigure();  // open: filled as closed
    rasterizer.EndRasterization();
    EXPECT_EQ(sink->rows, plain.sink->rows);
}

TEST(Rasterizer, ClipBoxCutsCoverage) {
    Fill fill({10, 10, 20, 15});
    RecordingSink& sink = fill.Run({Rect(-5, -5, 40, 40)});
    EXPECT_EQ(sink.rows.size(), 5u);
    EXPECT_EQ(sink.rows.begin()->first, 10);
    for (const auto& row : sink.rows) {
        EXPECT_EQ(row.second.size(), 10u);
        for (const auto& pixel : row.second) {
            EXPECT_GE(pixel.first, 10);
            EXPECT_LT(pixel.first, 20);
            EXPECT_EQ(pixel.second, 64);
        }
    }
    // A polygon starting above the clip enters it with its edges already advanced.
    Fill triangle({0, 20, 64, 40});
    Polygon slanted = {{0, 0}, {40, 40}, {0, 40}};
    triangle.Run({slanted});
    for (int y = 20; y < 40; ++y) {
        for (int x = 0; x < 40; ++x) {
            EXPECT_NEAR(triangle.sink->At(x, y) / 64.0, AreaInPixel(slanted, x, y), 3.0 / 16.0);
        }
    }
    // An empty or non-finite clip draws nothing.
    Fill empty({5, 5, 5, 20});
    EXPECT_TRUE(empty.Run({Rect(0, 0, 30, 30)}).rows.empty());
    Fill nan({0, 0, std::numeric_limits<float>::quiet_NaN(), 20});
    EXPECT_TRUE(nan.Run({Rect(0, 0, 30, 30)}).rows.empty());
}

TEST(Rasterizer, ChainsBesideTheClipDoNotChangeInsides) {
    // The chain left of the clip (x < 10) is dropped; the winding right of it is kept.
    Polygon withChain = {{12, 2}, {25, 2}, {25, 18}, {5, 18}, {-20, 14}, {-40, 9}, {3, 4}, {5, 2}};
    Polygon direct = {{12, 2}, {25, 2}, {25, 18}, {5, 18}, {5, 2}};
    Fill a({10, 0, 30, 20});
    Fill b({10, 0, 30, 20});
    a.Run({withChain});
    b.Run({direct});
    EXPECT_EQ(a.sink->rows, b.sink->rows);
    for (int y = 2; y < 18; ++y) {
        for (int x = 10; x < 30; ++x) EXPECT_EQ(a.sink->At(x, y), x < 25 ? 64 : 0) << x << "," << y;
    }
    // The same to the right of the clip, with a chain that loops around.
    Polygon rightChain = {{12, 2}, {40, 2}, {60, 8}, {35, 10}, {50, 18}, {12, 18}};
    Fill c({10, 0, 30, 20});
    c.Run({rightChain});
    for (int y = 2; y < 18; ++y) {
        for (int x = 12; x < 30; ++x) EXPECT_EQ(c.sink->At(x, y), 64) << x << "," << y;
    }
}

TEST(Rasterizer, NonFiniteAndHugeCoordinatesAreSafe) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    // A figure with a non-finite point is dropped; the finite figure beside it still fills.
    Fill fill;
    RecordingSink& sink =
        fill.Run({{{1, 1}, {nan, 5}, {3, 9}}, {{1, 1}, {inf, 2}, {3, 4}}, Rect(20, 20, 22, 22)});
    EXPECT_EQ(sink.Total(), 4 * 64);
    EXPECT_EQ(sink.At(21, 21), 64);
    // Huge coordinates are clamped before the fixed-point conversion: no overflow, and a
    // half-plane far larger than the clip still fills all of it.
    Fill huge({0, 0, 16, 16});
    RecordingSink& big =
        huge.Run({{{-1e30f, -1e30f}, {1e30f, -1e30f}, {1e30f, 1e30f}, {-1e30f, 1e30f}}});
    EXPECT_EQ(big.Total(), 256 * 64);
    Fill wide({0, 0, 16, 16});
    RecordingSink& band = wide.Run({Rect(-3e38f, 4, 3e38f, 6)});
    EXPECT_EQ(band.Total(), 32 * 64);
}

TEST(Rasterizer, TrapezoidsForWideBandsAndRowsForTheRest) {
    // A wide trapezoid-shaped polygon: the middle arrives as bands, the ends as rows.
    Polygon shape = {{10.3f, 3.6f}, {50.2f, 3.6f}, {56.7f, 40.1f}, {4.1f, 40.1f}};
    Fill fill({0, 0, 64, 64}, false, true);
    RecordingSink& sink = fill.Run({shape});
    ASSERT_FALSE(sink.trapezoidList.empty());
    double area = sink.Total() / 64.0;
    for (const Trapezoid& t : sink.trapezoidList) {
        EXPECT_EQ(std::fmod(t.yTop, 1.0f), 0.0f);
        EXPECT_EQ(std::fmod(t.yBottom, 1.0f), 0.0f);
        EXPECT_GT(t.yBottom, t.yTop);
        // Rows delivered as bands are not also delivered as coverage.
        for (int y = static_cast<int>(t.yTop); y < static_cast<int>(t.yBottom); ++y)
            EXPECT_EQ(sink.rows.count(y), 0u);
        // The left side's exact x at the band's top and bottom (slope 6.2 / 36.5 px).
        double leftTop = 10.3 - (t.yTop - 3.6) * 6.2 / 36.5;
        EXPECT_NEAR(t.xTopLeft, leftTop, 0.02);
        EXPECT_NEAR(t.fringeLeft, 0.5 + 0.5 * 6.2 / 36.5, 0.01);
        EXPECT_NEAR(t.xBottomRight, 50.2 + (t.yBottom - 3.6) * 6.5 / 36.5, 0.02);
        area += (t.yBottom - t.yTop) *
                ((t.xTopRight - t.xTopLeft) + (t.xBottomRight - t.xBottomLeft)) / 2;
    }
    EXPECT_NEAR(area, Area(shape), Area(shape) * 0.002);
    // Nested same-direction figures under non-zero cannot be bands.
    Fill nested({0, 0, 64, 64}, false, true);
    nested.Run({Rect(2, 2, 60, 60), Rect(20, 20, 40, 40)}, 0);
    for (const Trapezoid& t : nested.sink->trapezoidList)
        EXPECT_TRUE(t.yBottom <= 20 || t.yTop >= 40);
    // Edges closer than their fringes stay coverage rows.
    Fill narrow({0, 0, 64, 64}, false, true);
    narrow.Run({{{10, 0}, {11, 0}, {40, 60}, {39, 60}}});
    EXPECT_TRUE(narrow.sink->trapezoidList.empty());
    EXPECT_NEAR(narrow.sink->Total() / 64.0, 60.0, 0.3);
}

TEST(Rasterizer, CurvesAreFlattened) {
    // A circle of radius 10 from four cubics: area within half a percent of 100 pi, the
    // inside whole and the outside empty.
    const float k = 10 * 0.5522848f;
    Fill fill;
    fill.rasterizer.BeginRasterization();
    fill.rasterizer.SetFillRule(0);
    fill.rasterizer.BeginFigure({42, 32});
    fill.rasterizer.CubicCurveTo({42, 32 + k}, {32 + k, 42}, {32, 42});
    fill.rasterizer.CubicCurveTo({32 - k, 42}, {22, 32 + k}, {22, 32});
    fill.rasterizer.CubicCurveTo({22, 32 - k}, {32 - k, 22}, {32, 22});
    fill.rasterizer.CubicCurveTo({32 + k, 22}, {42, 32 - k}, {42, 32});
    fill.rasterizer.EndFigureClose();
    fill.rasterizer.EndRasterization();
    // The fill is the polygon the shared flattener makes of the four cubics (its chords
    // cut inside the circle by up to a quarter pixel).
    Polygon flat = {{42, 32}};
    const GXPoint cubics[4][3] = {{{42, 32 + k}, {32 + k, 42}, {32, 42}},
                                  {{32 - k, 42}, {22, 32 + k}, {22, 32}},
                                  {{22, 32 - k}, {32 - k, 22}, {32, 22}},
                                  {{32 + k, 22}, {42, 32 - k}, {42, 32}}};
    for (const auto& c : cubics) {
        FigureFlattener flattener;
        flattener.Init(0.25f, flat.back(), c[0], c[1], c[2]);
        GXPoint p;
        while (flattener.Next(p)) flat.push_back(p);
        flat.push_back(c[2]);
    }
    EXPECT_GT(flat.size(), 16u);
    EXPECT_NEAR(fill.sink->Total() / 64.0, Area(flat), Area(flat) * 0.005);
    EXPECT_NEAR(Area(flat), 314.159, 314.159 * 0.03);
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 64; ++x) {
            double d = std::hypot(x + 0.5 - 32, y + 0.5 - 32);
            int expected = d < 9.2 ? 64 : d > 10.8 ? 0 : fill.sink->At(x, y);
            EXPECT_EQ(fill.sink->At(x, y), expected) << x << "," << y;
        }
    }
}

TEST(RasterizeGeometry, TransformsAndClipsFarGeometry) {
    // A rectangle through a scale and a translation.
    Geometry rect;
    rect.Rectangle({1, 2, 3, 4});
    auto sink = std::make_shared<RecordingSink>();
    RasterizeGeometry(rect, {2, 0, 0, 2, 5, 1}, {0, 0, 64, 64}, false, sink);
    EXPECT_EQ(sink->Total(), 4 * 4 * 64);
    EXPECT_EQ(sink->At(7, 5), 64);
    EXPECT_EQ(sink->At(10, 8), 64);
    EXPECT_EQ(sink->At(11, 8), 0);
    // Snapping goes through as well.
    Geometry thin;
    thin.Rectangle({10.25f, 2, 10.5f, 5});
    auto snapped = std::make_shared<RecordingSink>();
    RasterizeGeometry(thin, kIdentityMatrix, {0, 0, 64, 64}, true, snapped);
    ASSERT_EQ(snapped->rects.size(), 1u);
    EXPECT_EQ(snapped->rects[0].left, 10);
    EXPECT_EQ(snapped->rects[0].right, 11);
    // A band ten million px wide and a tall one: both cut to the strip, not wrapped.
    Geometry far;
    far.Rectangle({-1e7f, 10, 1e7f, 20});
    far.Rectangle({40, -3e9f, 44, 3e9f});
    auto farSink = std::make_shared<RecordingSink>();
    RasterizeGeometry(far, kIdentityMatrix, {0, 0, 64, 64}, false, farSink);
    EXPECT_EQ(farSink->Total(), (64 * 10 + 4 * 64 - 4 * 10) * 64);
    EXPECT_EQ(farSink->At(0, 10), 64);
    EXPECT_EQ(farSink->At(42, 63), 64);
    // Mapped far away by the matrix: the same clipping applies after the transformation.
    Geometry small;
    small.Rectangle({0, 1, 1, 2});
    auto mapped = std::make_shared<RecordingSink>();
    RasterizeGeometry(small, {1e8f, 0, 0, 1, -5e7f, 0}, {0, 0, 64, 64}, false, mapped);
    EXPECT_EQ(mapped->Total(), 64 * 64);
    // A 90-degree rotation of a rectangle gives the transposed pixels.
    Geometry tall;
    tall.Rectangle({2, 3, 5, 9});
    auto rotated = std::make_shared<RecordingSink>();
    RasterizeGeometry(tall, {0, 1, -1, 0, 20, 0}, {0, 0, 64, 64}, false, rotated);
    EXPECT_EQ(rotated->Total(), 18 * 64);
    EXPECT_EQ(rotated->At(11, 2), 64);
    EXPECT_EQ(rotated->At(16, 4), 64);
    EXPECT_EQ(rotated->At(17, 4), 0);
}

TEST(Rasterizer, UprightRectanglesMatchTheGeneralScan) {
    // An upright rectangle reuses one row's coverage for its whole rows. The same rectangle
    // cut into a left and a right half takes the general scan (four edges), whose touching
    // spans join into the very same ones: every row must come out identical, under both
    // rules and with the clip cutting any side.
    std::mt19937 random(4);
    std::uniform_real_distribution<float> at(-6, 70);
    for (int trial = 0; trial < 500; ++trial) {
        float x0 = at(random), x1 = at(random), y0 = at(random), y1 = at(random);
        if (x0 > x1) std::swap(x0, x1);
        if (y0 > y1) std::swap(y0, y1);
        if (trial % 5 == 0) y1 = y0 + float(random() % 8) / 8.0f;  // inside one row
        const float middle = (x0 + x1) / 2;
        const int32_t rule = trial % 2;
        Fill whole, halves;
        whole.Run({Rect(x0, y0, x1, y1)}, rule);
        halves.Run({Rect(x0, y0, middle, y1), Rect(middle, y0, x1, y1)}, rule);
        EXPECT_EQ(whole.sink->rows, halves.sink->rows)
            << "trial " << trial << ": " << x0 << "," << y0 << " " << x1 << "," << y1;
    }
}
