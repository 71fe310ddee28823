#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include "graphics/software/swcolorsource.h"
#include "graphics/software/swgradientcolorsource.h"
#include "graphics/software/swgradientstoptable.h"
#include "simdlevels.h"

using namespace Graphics;

namespace {

const float kInf = std::numeric_limits<float>::infinity();

// The table against the direct arithmetic it stands for.
uint32_t Direct(const std::vector<GradientStop>& stops, uint32_t weight, float t) {
    return SwColorSource::ApplyOpacity(
        SwGradientColorSource::StopColor(stops.data(), stops.size(), t), weight);
}

// Walks t over 0..1 in the given order through one cursor, as a span does, and compares
// every pixel with the direct arithmetic.
void ExpectTableMatches(const std::vector<GradientStop>& stops, uint32_t weight,
                        const std::vector<float>& ts) {
    SwGradientStopTable table(stops.data(), stops.size(), weight);
    SwGradientStopTable::Cursor cursor = SwGradientStopTable::EmptyCursor();
    for (float t : ts) ASSERT_EQ(table.Color(t, cursor), Direct(stops, weight, t)) << "t " << t;
}

TEST(GradientStopTable, MatchesDirectArithmeticForwardBackwardAndScattered) {
    const std::vector<std::vector<GradientStop>> tables = {
        {{0.0f, 0xFFFF0000}, {0.4f, 0xC000FF00}, {1.0f, 0xFF0000FF}},
        {{0.25f, 0x80102030}, {0.25f, 0xFF405060}, {0.75f, 0x00FFFFFF}},  // a hard edge, gaps
        {{0.5f, 0x7F123456}},                                             // a single stop
        {{-kInf, 0xFF000000}, {0.5f, 0x80FFFFFF}, {kInf, 0xFF00FF00}},    // infinite offsets
    };
    std::vector<float> forward;
    for (int i = 0; i <= 4096; ++i) forward.push_back(float(i) / 4096.0f);
    forward.push_back(0.4f);  // exact stop offsets
    forward.push_back(0.25f);
    const std::vector<float> backward(forward.rbegin(), forward.rend());
    std::mt19937 random(7);
    std::uniform_real_distribution<float> uniform(0.0f, 1.0f);
    std::vector<float> scattered;
    for (int i = 0; i < 2000; ++i) scattered.push_back(uniform(random));
    for (const auto& stops : tables) {
        for (uint32_t weight : {256u, 200u, 1u}) {
            ExpectTableMatches(stops, weight, forward);
            ExpectTableMatches(stops, weight, backward);
            ExpectTableMatches(stops, weight, scattered);
        }
    }
}

TEST(GradientStopTable, ExactStopOffsetGivesThatStopAndCursorStaysValid) {
    const std::vector<GradientStop> stops = {
        {0.0f, 0xFF000000}, {0.5f, 0x80FF0000}, {1.0f, 0xFFFFFFFF}};
    SwGradientStopTable table(stops.data(), stops.size(), 256);
    SwGradientStopTable::Cursor cursor = SwGradientStopTable::EmptyCursor();
    EXPECT_EQ(table.Color(0.5f, cursor), 0x80800000u);  // the stop premultiplied
    EXPECT_EQ(cursor.upper, 0.5f);                      // an offset belongs to the interval below
    EXPECT_EQ(table.Color(0.0f, cursor), 0xFF000000u);
    EXPECT_EQ(table.Color(1.0f, cursor), 0xFFFFFFFFu);
}

// Stop sets for the lane forms: steps and hard edges, power-of-two widths (taken by
// products), and infinite offsets (weights that need their clamps).
const std::vector<std::vector<GradientStop>> kLaneStops = {
    {{0.0f, 0xFFFF0000}, {0.3f, 0x80102030}, {0.3f, 0xFF405060}, {0.9f, 0x00FFFFFF}},
    {{0.0f, 0xFF000000}, {0.5f, 0x80FF0000}, {0.75f, 0xFF00FF00}, {1.0f, 0xFFFFFFFF}},
    {{-kInf, 0xFF000000}, {0.5f, 0x80FFFFFF}, {kInf, 0xFF00FF00}},
};

TEST(GradientStopTable, VectorSpansMatchTheScalarTwin) {
    std::mt19937 random(3);
    std::uniform_real_distribution<float> uniform(-0.2f, 1.2f);
    const float specials[] = {-kInf, std::numeric_limits<float>::quiet_NaN(), 0.0f, 0.3f, 1.0f};
    for (const auto& stops : kLaneStops) {
        for (int n = 0; n < 200; ++n) {
            // Ramps of random slope, as spans make them, with the odd special value.
            std::vector<float> t(77);
            const float start = uniform(random), step = (uniform(random) - 0.5f) * 0.05f;
            for (size_t i = 0; i < t.size(); ++i)
                t[i] = random() % 16 == 0 ? specials[random() % 5] : start + float(i) * step;
            SwGradientStopTable scalar(stops.data(), stops.size(), 200);
            SwGradientStopTable::Cursor scalarCursor = SwGradientStopTable::EmptyCursor();
            std::vector<uint32_t> b(t.size());
            scalar.ColorSpanScalar(t.data(), int32_t(t.size()), 1, 2, 3, b.data(), scalarCursor);
            ForEachVectorLevel([&](SimdLevel level) {
                SwGradientStopTable lanes(stops.data(), stops.size(), 200);
                SwGradientStopTable::Cursor laneCursor = SwGradientStopTable::EmptyCursor();
                std::vector<uint32_t> a(t.size());
                (lanes.*SwGradientStopTable::kColorSpanForms.For(level))(
                    t.data(), int32_t(t.size()), 1, 2, 3, a.data(), laneCursor);
                ASSERT_EQ(a, b) << "case " << n;
            });
        }
    }
}

// The runs a ramp splits into, in every form, against the ramp one pixel at a time: steps
// of either sign crossing 0, 1 and the stops, flat ramps, and starts or steps so large that
// t overflows or turns NaN (the runs then give way to single pixels).
TEST(GradientStopTable, RampRunsMatchThePixelByPixelRamp) {
    std::mt19937 random(11);
    std::uniform_real_distribution<float> uniform(-0.5f, 1.5f);
    const float specialStarts[] = {kInf, -kInf, 3e38f};
    for (const auto& stops : kLaneStops) {
        for (int n = 0; n < 300; ++n) {
            float t0 = uniform(random), dt = (uniform(random) - 0.5f) * 0.02f;
            if (n % 10 == 0) dt = 0.0f;
            if (n % 25 == 1) t0 = specialStarts[random() % 3];
            if (n % 25 == 2) dt = 1e37f;
            const int32_t first = int32_t(random() % 50), count = 1 + int32_t(random() % 300);
            SwGradientStopTable scalar(stops.data(), stops.size(), 256);
            SwGradientStopTable::Cursor scalarCursor = SwGradientStopTable::EmptyCursor();
            std::vector<uint32_t> b(static_cast<size_t>(count));
            scalar.ColorRampScalar(t0, dt, first, count, 1, 2, b.data(), scalarCursor);
            for (SimdLevel level : SupportedSimdLevels()) {
                SwGradientStopTable runs(stops.data(), stops.size(), 256);
                SwGradientStopTable::Cursor runCursor = SwGradientStopTable::EmptyCursor();
                std::vector<uint32_t> a(static_cast<size_t>(count));
                runs.ColorRampWith(SwGradientStopTable::kRunForms.For(level), t0, dt, first, count,
                                   1, 2, a.data(), runCursor);
                ASSERT_EQ(a, b) << SimdLevelName(level) << " case " << n;
            }
        }
    }
}

}  // namespace
