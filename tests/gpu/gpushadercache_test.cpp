#include <chrono>
#include <cstdio>

#include "exceptionmessage.h"
#include "gpufixture.h"
#include "graphics/gpu/gpushaderlibrary.h"

using namespace Graphics;

namespace {

// Every composition under every blend mode, each with a transform and two more fragments
// taken in turn from the library, so that every fragment is compiled many times over.
std::vector<ShaderKey> EveryCompositionAndBlendMode() {
    std::vector<ShaderKey> keys;
    int32_t next = 1;
    for (int32_t kind = 0; kind < GpuShaderLibrary::CompositionCount; ++kind) {
        for (int32_t mode = 0; mode < GpuShaderLibrary::BlendModeCount; ++mode) {
            int32_t first = next;
            int32_t second = next % (GpuShaderLibrary::FragmentCount - 1) + 1;
            next = second % (GpuShaderLibrary::FragmentCount - 1) + 1;
            keys.push_back({kind, mode, {GpuShaderLibrary::T2D, first, second}});
        }
    }
    return keys;
}

double SecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

TEST(ShaderKey, OrdersByKindModeThenIdsWithPrefixesFirst) {
    ShaderKey shortKey{1, 0, {2}}, longKey{1, 0, {2, 4}}, swapped{1, 0, {4, 2}};
    EXPECT_LT(shortKey, longKey);
    EXPECT_LT(longKey, swapped);
    EXPECT_NE(longKey, swapped);
    EXPECT_LT((ShaderKey{0, 15, {17}}), (ShaderKey{1, 0, {}}));
    EXPECT_LT((ShaderKey{1, 0, {17}}), (ShaderKey{1, 1, {}}));
    EXPECT_EQ((ShaderKey{3, 2, {1, 1}}), (ShaderKey{3, 2, {1, 1}}));
}

// Compiles and links the whole set cold, then asks again: the second round must compile
// nothing. The time per shader (two stages and a pipeline) is printed for the record.
TEST_F(GpuTest, EveryCompositionAndBlendModeCompilesOnceAndLinks) {
    std::vector<ShaderKey> keys = EveryCompositionAndBlendMode();
    GpuShaderCache cache(device_);
    auto start = std::chrono::steady_clock::now();
    std::vector<std::shared_ptr<GpuShader>> shaders;
    for (const ShaderKey& key : keys) {
        shaders.push_back(cache.GetShader(key));
        EXPECT_TRUE(shaders.back()->IsValid()) << key.compositionKind << "/" << key.blendMode;
    }
    double cold = SecondsSince(start);
    EXPECT_EQ(cache.CompileCount(), keys.size());
    start = std::chrono::steady_clock::now();
    for (size_t i = 0; i < keys.size(); ++i) EXPECT_EQ(cache.GetShader(keys[i]), shaders[i]);
    double cached = SecondsSince(start);
    EXPECT_EQ(cache.CompileCount(), keys.size());
    std::printf("%zu shaders: %.2f ms per shader cold, %.4f ms per shader cached\n", keys.size(),
                1000 * cold / keys.size(), 1000 * cached / keys.size());
    // The empty list is a valid key too: the composition alone.
    EXPECT_TRUE(cache.GetShader({0, 0, {}})->IsValid());
}

TEST_F(GpuTest, BadKeysFailAndStoreNothing) {
    GpuShaderCache cache(device_);
    for (const ShaderKey& key : {ShaderKey{8, 0, {}}, ShaderKey{0, 16, {}}, ShaderKey{0, 0, {18}},
                                 ShaderKey{-1, 0, {}}, ShaderKey{0, 0, {0, -1}}}) {
        EXPECT_EQ(MessageOf([&] { cache.GetShader(key); }), "Failed to compile shader");
    }
    EXPECT_EQ(MessageOf([&] { device_->Compiler().Compile("float4 PS( {", "ps_4_0_level_9_1", "PS"); }),
              "Failed to compile shader");
    EXPECT_EQ(cache.CompileCount(), 5u);
    cache.GetShader({0, 0, {}});
    EXPECT_EQ(cache.CompileCount(), 6u);
}
