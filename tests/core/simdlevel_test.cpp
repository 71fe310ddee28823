#include "graphics/core/simdlevel.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace Graphics {
namespace {

int32_t One() {
    return 1;
}
int32_t Two() {
    return 2;
}
int32_t Three() {
    return 3;
}

TEST(SimdLevel, TheActiveLevelIsOneTheProcessorRuns) {
    const std::vector<SimdLevel> levels = SupportedSimdLevels();
    ASSERT_FALSE(levels.empty());
    EXPECT_EQ(levels.front(), SimdLevel::kScalar);
    EXPECT_NE(std::find(levels.begin(), levels.end(), ActiveSimdLevel()), levels.end());
    EXPECT_STREQ(SimdLevelName(SimdLevel::kAVX2), "avx2");
}

TEST(SimdLevel, KernelsFallBackToTheBestFormBuilt) {
    using Function = int32_t (*)();
    const SimdKernel<Function> all{&One, &Two, &Three}, noAvx2{&One, &Two, nullptr},
        scalarOnly{&One, nullptr, nullptr};
    EXPECT_EQ(all.For(SimdLevel::kScalar)(), 1);
    EXPECT_EQ(all.For(SimdLevel::kSSE2)(), 2);
    EXPECT_EQ(all.For(SimdLevel::kAVX2)(), 3);
    EXPECT_EQ(noAvx2.For(SimdLevel::kAVX2)(), 2);
    EXPECT_EQ(scalarOnly.For(SimdLevel::kAVX2)(), 1);
}

}  // namespace
}  // namespace Graphics
