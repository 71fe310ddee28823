#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/nativeoutline.h"

namespace {

using Host::NativeOutline;

constexpr char kOn = FT_CURVE_TAG_ON;
constexpr char kConic = FT_CURVE_TAG_CONIC;
constexpr char kCubic = FT_CURVE_TAG_CUBIC;

// An FT_Outline over vectors the test owns; coordinates in whole pixels.
struct TestOutline {
    std::vector<FT_Vector> points;
    std::vector<char> tags;
    std::vector<short> contours;

    void Contour(std::initializer_list<std::pair<FT_Vector, char>> contour) {
        for (auto& [point, tag] : contour) {
            points.push_back({point.x * 64, point.y * 64});
            tags.push_back(tag);
        }
        contours.push_back(static_cast<short>(points.size() - 1));
    }
    FT_Outline Get() {
        FT_Outline outline{};
        outline.n_contours = static_cast<short>(contours.size());
        outline.n_points = static_cast<short>(points.size());
        outline.points = points.data();
        outline.tags = tags.data();
        outline.contours = contours.data();
        return outline;
    }
};

// A decoded record: type and points in pixels.
struct Record {
    WORD type;
    std::vector<std::pair<double, double>> points;
};
struct Polygon {
    std::pair<double, double> start;
    std::vector<Record> records;
};

double ToDouble(const FIXED& f) {
    return f.value + f.fract / 65536.0;
}

// Reads the buffer back, checking every size field against the bytes present.
std::vector<Polygon> Decode(const std::vector<BYTE>& buffer) {
    std::vector<Polygon> polygons;
    size_t at = 0;
    while (at < buffer.size()) {
        TTPOLYGONHEADER header;
        EXPECT_GE(buffer.size() - at, sizeof header);
        std::memcpy(&header, buffer.data() + at, sizeof header);
        EXPECT_EQ(header.dwType, TT_POLYGON_TYPE);
        EXPECT_LE(header.cb, buffer.size() - at);
        Polygon polygon{{ToDouble(header.pfxStart.x), ToDouble(header.pfxStart.y)}, {}};
        size_t record = at + sizeof header;
        while (record < at + header.cb) {
            WORD head[2];
            std::memcpy(head, buffer.data() + record, sizeof head);
            Record decoded{head[0], {}};
            for (WORD i = 0; i < head[1]; ++i) {
                POINTFX point;
                std::memcpy(&point, buffer.data() + record + 4 + i * sizeof point, sizeof point);
                decoded.points.push_back({ToDouble(point.x), ToDouble(point.y)});
            }
            polygon.records.push_back(decoded);
            record += 4 + head[1] * sizeof(POINTFX);
        }
        EXPECT_EQ(record, at + header.cb);
        polygons.push_back(polygon);
        at += header.cb;
    }
    return polygons;
}

using P = std::vector<std::pair<double, double>>;

// Encodes into a vector that already holds bytes, to show that they are replaced.
std::vector<Polygon> Encoded(const FT_Outline& outline) {
    std::vector<BYTE> buffer(5, 0xEE);
    EXPECT_TRUE(NativeOutline::Encode(outline, buffer));
    return Decode(buffer);
}

TEST(NativeOutline, FixedPointKeepsFractionsAndSaturates) {
    FIXED f = NativeOutline::ToFixed(-96);  // -1.5 px
    EXPECT_EQ(f.value, -2);
    EXPECT_EQ(f.fract, 0x8000);
    f = NativeOutline::ToFixed(64 * 3 + 16);  // 3.25 px
    EXPECT_EQ(f.value, 3);
    EXPECT_EQ(f.fract, 0x4000);
    f = NativeOutline::ToFixed(64LL * 100000);
    EXPECT_EQ(f.value, 32767);
    EXPECT_EQ(f.fract, 0xFC00);  // the largest 26.6 value below 32768
    f = NativeOutline::ToFixed(-64LL * 100000);
    EXPECT_EQ(f.value, -32768);
    EXPECT_EQ(f.fract, 0);
}

TEST(NativeOutline, QuadraticRunsKeepImpliedMidpointsAndClosingLineIsImplied) {
    TestOutline outline;
    // on, two controls (implied midpoint between them), on, on: the last line back to
    // the start stays implied.
    outline.Contour(
        {{{0, 0}, kOn}, {{0, 10}, kConic}, {{10, 10}, kConic}, {{10, 0}, kOn}, {{5, -5}, kOn}});
    FT_Outline ft = outline.Get();
    std::vector<BYTE> buffer;
    ASSERT_TRUE(NativeOutline::Encode(ft, buffer));
    auto polygons = Decode(buffer);
    ASSERT_EQ(polygons.size(), 1u);
    EXPECT_EQ(polygons[0].start, (std::pair<double, double>{0, 0}));
    ASSERT_EQ(polygons[0].records.size(), 2u);
    EXPECT_EQ(polygons[0].records[0].type, TT_PRIM_QSPLINE);
    EXPECT_EQ(polygons[0].records[0].points, (P{{0, 10}, {10, 10}, {10, 0}}));
    EXPECT_EQ(polygons[0].records[1].type, TT_PRIM_LINE);
    EXPECT_EQ(polygons[0].records[1].points, (P{{5, -5}}));
}

TEST(NativeOutline, ContourStartingOffCurveStartsAtFirstOnPointAndCurvesBack) {
    TestOutline outline;
    outline.Contour({{{0, 10}, kConic}, {{10, 10}, kOn}, {{10, 0}, kOn}, {{0, 0}, kOn}});
    FT_Outline ft = outline.Get();
    auto polygons = Encoded(ft);
    ASSERT_EQ(polygons.size(), 1u);
    EXPECT_EQ(polygons[0].start, (std::pair<double, double>{10, 10}));
    ASSERT_EQ(polygons[0].records.size(), 2u);
    EXPECT_EQ(polygons[0].records[0].type, TT_PRIM_LINE);
    EXPECT_EQ(polygons[0].records[0].points, (P{{10, 0}, {0, 0}}));
    // The curve back to the start must be written: it is no straight line.
    EXPECT_EQ(polygons[0].records[1].type, TT_PRIM_QSPLINE);
    EXPECT_EQ(polygons[0].records[1].points, (P{{0, 10}, {10, 10}}));
}

TEST(NativeOutline, ConsecutiveQuadraticPiecesThroughAnOnPointAreSeparateRecords) {
    TestOutline outline;
    outline.Contour(
        {{{0, 0}, kOn}, {{0, 10}, kConic}, {{10, 10}, kOn}, {{20, 10}, kConic}, {{20, 0}, kOn}});
    FT_Outline ft = outline.Get();
    auto polygons = Encoded(ft);
    ASSERT_EQ(polygons[0].records.size(), 2u);
    EXPECT_EQ(polygons[0].records[0].points, (P{{0, 10}, {10, 10}}));
    EXPECT_EQ(polygons[0].records[1].points, (P{{20, 10}, {20, 0}}));
}

TEST(NativeOutline, AllControlContourStartsAtImpliedMidpoint) {
    TestOutline outline;
    outline.Contour({{{0, 0}, kConic}, {{10, 0}, kConic}, {{10, 10}, kConic}, {{0, 10}, kConic}});
    FT_Outline ft = outline.Get();
    auto polygons = Encoded(ft);
    ASSERT_EQ(polygons.size(), 1u);
    EXPECT_EQ(polygons[0].start, (std::pair<double, double>{0, 5}));
    ASSERT_EQ(polygons[0].records.size(), 1u);
    EXPECT_EQ(polygons[0].records[0].type, TT_PRIM_QSPLINE);
    EXPECT_EQ(polygons[0].records[0].points, (P{{0, 0}, {10, 0}, {10, 10}, {0, 10}, {0, 5}}));
}

TEST(NativeOutline, CubicPiecesBecomeCsplineGroupsAndSeveralContoursFollowEachOther) {
    TestOutline outline;
    outline.Contour({{{0, 0}, kOn},
                     {{0, 5}, kCubic},
                     {{5, 10}, kCubic},
                     {{10, 10}, kOn},
                     {{15, 10}, kCubic},
                     {{20, 5}, kCubic},
                     {{20, 0}, kOn}});
    outline.Contour({{{30, 0}, kOn}, {{30, 5}, kCubic}, {{35, 5}, kCubic}});
    outline.Contour({{{50, 50}, kOn}});  // a lone point draws nothing
    FT_Outline ft = outline.Get();
    auto polygons = Encoded(ft);
    ASSERT_EQ(polygons.size(), 2u);
    ASSERT_EQ(polygons[0].records.size(), 1u);
    EXPECT_EQ(polygons[0].records[0].type, TT_PRIM_CSPLINE);
    EXPECT_EQ(polygons[0].records[0].points,
              (P{{0, 5}, {5, 10}, {10, 10}, {15, 10}, {20, 5}, {20, 0}}));
    EXPECT_EQ(polygons[1].start, (std::pair<double, double>{30, 0}));
    ASSERT_EQ(polygons[1].records.size(), 1u);
    EXPECT_EQ(polygons[1].records[0].type, TT_PRIM_CSPLINE);
    EXPECT_EQ(polygons[1].records[0].points, (P{{30, 5}, {35, 5}, {30, 0}}));
}

TEST(NativeOutline, InvalidTagSequencesAreRejected) {
    std::vector<BYTE> buffer;
    TestOutline single;  // one cubic control alone
    single.Contour({{{0, 0}, kOn}, {{0, 5}, kCubic}, {{10, 10}, kOn}});
    TestOutline mixed;  // quadratic and cubic controls run together
    mixed.Contour({{{0, 0}, kOn}, {{0, 5}, kConic}, {{5, 10}, kCubic}, {{10, 10}, kOn}});
    TestOutline triple;  // three cubic controls in a row
    triple.Contour(
        {{{0, 0}, kOn}, {{0, 5}, kCubic}, {{5, 10}, kCubic}, {{8, 10}, kCubic}, {{10, 10}, kOn}});
    TestOutline noOnPoint;  // cubic controls only
    noOnPoint.Contour({{{0, 0}, kCubic}, {{0, 5}, kCubic}});
    for (TestOutline* outline : {&single, &mixed, &triple, &noOnPoint}) {
        FT_Outline ft = outline->Get();
        EXPECT_FALSE(NativeOutline::Encode(ft, buffer));
    }
    TestOutline badContour;
    badContour.Contour({{{0, 0}, kOn}, {{1, 1}, kOn}});
    badContour.contours.back() = 5;  // past the last point
    FT_Outline ft = badContour.Get();
    EXPECT_FALSE(NativeOutline::Encode(ft, buffer));
}

}  // namespace
