#include "graphics/raster/coveragebuffer.h"

#include <gtest/gtest.h>

#include <random>
#include <utility>
#include <vector>

using namespace Graphics;

namespace {

// The row as one value per pixel of [left, right).
std::vector<int> Pixels(const CoverageBuffer& buffer) {
    std::vector<int> pixels(static_cast<size_t>(buffer.ClipRight() - buffer.ClipLeft()), 0);
    for (const CoverageRun* run = buffer.First(); run != buffer.End(); run = run->next) {
        int32_t end = run->next == buffer.End() ? buffer.ClipRight() : run->next->x;
        for (int32_t x = run->x; x < end; ++x)
            pixels[static_cast<size_t>(x - buffer.ClipLeft())] = run->value;
    }
    return pixels;
}

}  // namespace

TEST(CoverageBuffer, SpansGiveEachPixelItsEighths) {
    CoverageBuffer buffer(0, 8);
    EXPECT_TRUE(buffer.Empty());
    EXPECT_TRUE(buffer.Validate());
    buffer.AddSpan(9, 12);  // inside pixel 1: 3 eighths
    EXPECT_EQ(Pixels(buffer), (std::vector<int>{0, 3, 0, 0, 0, 0, 0, 0}));
    buffer.AddSpan(19, 42);  // pixel 2 from 3/8, pixels 3 and 4 whole, pixel 5 to 2/8
    EXPECT_EQ(Pixels(buffer), (std::vector<int>{0, 3, 5, 8, 8, 2, 0, 0}));
    EXPECT_TRUE(buffer.Validate());
    // The next sub-scanline starts over on the left (the cursor is right of it).
    buffer.AddSpan(0, 24);
    EXPECT_EQ(Pixels(buffer), (std::vector<int>{8, 11, 13, 8, 8, 2, 0, 0}));
    buffer.AddSpan(24, 64);
    EXPECT_EQ(Pixels(buffer), (std::vector<int>{8, 11, 13, 16, 16, 10, 8, 8}));
    EXPECT_TRUE(buffer.Validate());
}

TEST(CoverageBuffer, SpansAreCutToTheClipAndResetEmpties) {
    CoverageBuffer buffer(2, 5);
    buffer.AddSpan(-100, 100);
    EXPECT_EQ(Pixels(buffer), (std::vector<int>{8, 8, 8}));
    buffer.AddSpan(0, 16);   // wholly left of the clip
    buffer.AddSpan(40, 48);  // wholly right of it
    buffer.AddSpan(39, 40);
    EXPECT_EQ(Pixels(buffer), (std::vector<int>{8, 8, 9}));
    EXPECT_TRUE(buffer.Validate());
    buffer.Reset();
    EXPECT_TRUE(buffer.Empty());
    EXPECT_TRUE(buffer.Validate());
    buffer.AddSpan(17, 18);
    EXPECT_EQ(Pixels(buffer), (std::vector<int>{1, 0, 0}));
}

// Narrow rows (read cell by cell) and wide ones (read through the marks), with spans
// beyond both ends of the clip and, on the wide rows, long gaps between them.
TEST(CoverageBuffer, RandomSubScanlinesMatchAPlainArray) {
    std::mt19937 random(7);
    for (const int32_t right : {40, 700}) {
        const int32_t left = -5;
        CoverageBuffer buffer(left, right);
        const int32_t width = right - left;
        const int32_t maxGap = right > 256 ? 900 : 30;
        for (int row = 0; row < 50; ++row) {
            std::vector<int> expected(static_cast<size_t>(width), 0);
            for (int sub = 0; sub < 8; ++sub) {
                // Disjoint sorted intervals, as the scan produces them on one sub-scanline.
                int32_t at = left * 8 - 20 + static_cast<int32_t>(random() % 20);
                while (at < right * 8 + 20) {
                    int32_t a = at + static_cast<int32_t>(random() % uint32_t(maxGap));
                    int32_t b = a + 1 + static_cast<int32_t>(random() % 40);
                    buffer.AddSpan(a, b);
                    for (int32_t e = std::max(a, left * 8); e < std::min(b, right * 8); ++e)
                        expected[static_cast<size_t>((e >> 3) - left)] += 1;
                    at = b;
                }
                ASSERT_TRUE(buffer.Validate());
            }
            ASSERT_EQ(Pixels(buffer), expected) << "row " << row << " width " << width;
            buffer.Reset();
            ASSERT_TRUE(buffer.Validate());
        }
    }
}

TEST(CoverageBuffer, RunsJoinAcrossSpansAndCloseAtTheClipEdge) {
    auto runs = [](const CoverageBuffer& buffer) {
        std::vector<std::pair<int32_t, int32_t>> list;
        for (const CoverageRun* run = buffer.First(); run != buffer.End(); run = run->next)
            list.push_back({run->x, run->value});
        return list;
    };
    CoverageBuffer buffer(0, 4);
    buffer.AddSpan(4, 16);   // half of pixel 0, pixel 1 whole
    buffer.AddSpan(16, 32);  // pixels 2 and 3 whole, up to the clip's right edge
    using Runs = std::vector<std::pair<int32_t, int32_t>>;
    EXPECT_EQ(runs(buffer), (Runs{{0, 4}, {1, 8}, {4, 0}}));
    EXPECT_TRUE(buffer.Validate());
    // A second sub-scanline filling up pixel 0 joins it to the run of the others.
    buffer.AddSpan(0, 4);
    EXPECT_EQ(runs(buffer), (Runs{{0, 8}, {4, 0}}));
    EXPECT_TRUE(buffer.Validate());
}
