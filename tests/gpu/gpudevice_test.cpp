#include "gpufixture.h"
#include "graphics/bitmap/sysmembitmap.h"
#include "graphics/gpu/gpubitmapcache.h"
#include "graphics/gpu/gpushaderlibrary.h"
#include "graphics/gpu/gpuvidmemtexture.h"

using namespace Graphics;

namespace {

std::shared_ptr<SysMemBitmap> Bitmap(int32_t side) {
    return std::make_shared<SysMemBitmap>(GXIntSize{side, side}, GXPixelFormatARGB32, 96, 96,
                                          SysMemBitmap::Zeroed{});
}

}  // namespace

// A lost device draws, copies and creates nothing, yet every call stays safe; Present makes
// the device anew, and what was released is rebuilt on demand.
TEST_F(GpuTest, DeviceLossTurnsDrawingIntoNoOpsUntilPresentRecovers) {
    auto target = RenderTexture(4, 4);
    target->ColorFill(nullptr, ColorF{0, 0, 1, 1});
    auto bitmap = Bitmap(8);
    std::shared_ptr<GpuVidMemTexture> cached = device_->GetBitmapCache()->GetTexture(bitmap);
    device_->GetShaderCache()->GetShader({0, 0, {GpuShaderLibrary::T2D}});

    device_->ReportLossOnNextCall();
    device_->Flush();
    ASSERT_TRUE(device_->IsLost());
    GpuVertexShaderConstantTable vs;
    GpuPixelShaderConstantTable ps;
    SetPixelToClip(vs, 0, 4, 4);
    const float red[4] = {1, 0, 0, 1};
    DrawStrip({0, 0, {GpuShaderLibrary::T2D}}, Quad(0, 0, 4, 4, red), *target, vs, ps, nullptr);
    target->ColorFill(nullptr, ColorF{0, 1, 0, 1});
    EXPECT_FALSE(device_->CreateRenderTexture(4, 4, GXPixelFormatPARGB32));
    EXPECT_FALSE(RenderTexture(4, 4)->IsValid());
    {
        // Locks still give memory to write to, which goes nowhere.
        BitmapLock lock(*target, nullptr, LockMode::ReadWrite);
        ASSERT_NE(lock.Data().data, nullptr);
        static_cast<uint8_t*>(lock.Data().data)[0] = 1;
    }

    device_->Present();
    EXPECT_FALSE(device_->IsLost());
    EXPECT_FALSE(target->IsValid());
    EXPECT_FALSE(cached->IsValid());
    std::shared_ptr<GpuVidMemTexture> rebuilt = device_->GetBitmapCache()->GetTexture(bitmap);
    EXPECT_TRUE(rebuilt->IsValid());
    EXPECT_NE(rebuilt, cached);
    auto fresh = RenderTexture(4, 4);
    fresh->ColorFill(nullptr, ColorF{0, 0, 0, 0});
    DrawStrip({0, 0, {GpuShaderLibrary::T2D}}, Quad(0, 0, 4, 4, red), *fresh, vs, ps, nullptr);
    EXPECT_EQ(device_->GetShaderCache()->CompileCount(), 1u);
    for (uint32_t pixel : Pixels(*fresh)) EXPECT_EQ(pixel, 0xFFFF0000u);
}

// Idle cached textures make room for new ones under a memory budget, least recently used
// first; what a paint in progress uses is never evicted.
TEST_F(GpuTest, EvictionUnderBudgetKeepsTheMostRecentlyUsed) {
    std::shared_ptr<GpuBitmapCache> cache = device_->GetBitmapCache();
    std::vector<std::shared_ptr<SysMemBitmap>> bitmaps;
    for (int i = 0; i < 6; ++i) bitmaps.push_back(Bitmap(64));
    uint64_t base = device_->MemoryInUse();
    std::vector<std::shared_ptr<GpuVidMemTexture>> textures;
    auto upload = [&](int i) {
        textures.resize(std::max<size_t>(textures.size(), i + 1));
        textures[i] = cache->GetTexture(bitmaps[i]);
        device_->Flush();  // the upload's staging copies go
    };
    upload(0);
    uint64_t one = device_->MemoryInUse() - base;
    // Room for four textures, or three and the staging copies of an upload.
    device_->SetMemoryBudget(base + 4 * one + one / 2);
    upload(1);
    upload(2);
    upload(3);
    EXPECT_FALSE(textures[0]->IsValid());
    EXPECT_TRUE(textures[1]->IsValid() && textures[2]->IsValid() && textures[3]->IsValid());

    // Texture 1 is used again by a paint, so texture 2 is now the least recently used.
    device_->Tracker().BeginFrame();
    EXPECT_EQ(cache->GetTexture(bitmaps[1]), textures[1]);
    GpuSamplerState samplers(device_);
    samplers.SetTexture(textures[1], 0, 0, 0);
    samplers.ApplyBindings();
    EXPECT_EQ(device_->Tracker().InUseCount(), 1u);
    device_->Tracker().EndFrame();
    upload(4);
    EXPECT_FALSE(textures[2]->IsValid());
    EXPECT_TRUE(textures[1]->IsValid() && textures[3]->IsValid() && textures[4]->IsValid());

    // Inside a paint that uses all three, nothing is idle: the next upload cannot make room.
    device_->Tracker().BeginFrame();
    GpuSamplerState inUse(device_);
    for (int i : {1, 3, 4}) inUse.SetTexture(textures[i], 0, 0, 0);
    inUse.ApplyBindings();
    device_->SetMemoryBudget(device_->MemoryInUse());
    EXPECT_THROW(cache->GetTexture(bitmaps[5]), std::exception);
    EXPECT_TRUE(textures[1]->IsValid() && textures[3]->IsValid() && textures[4]->IsValid());
    device_->Tracker().EndFrame();
    EXPECT_EQ(device_->Tracker().IdleCount(), 3u);
}

// Nested paints: what the inner paint first used goes idle at its end; what the outer one
// used stays in use until the outer end.
TEST_F(GpuTest, TrackerReleasesOnlyTheInnermostPaintsResources) {
    std::shared_ptr<GpuBitmapCache> cache = device_->GetBitmapCache();
    auto outer = cache->GetTexture(Bitmap(4));
    auto inner = cache->GetTexture(Bitmap(4));
    GpuResourceTracker& tracker = device_->Tracker();
    ASSERT_EQ(tracker.IdleCount(), 2u);
    tracker.BeginFrame();
    tracker.Touch(outer.get());
    tracker.BeginFrame();
    tracker.Touch(inner.get());
    tracker.Touch(outer.get());  // already in use: stays stamped by the outer paint
    EXPECT_EQ(tracker.InUseCount(), 2u);
    tracker.EndFrame();
    EXPECT_EQ(tracker.InUseCount(), 1u);
    EXPECT_EQ(tracker.IdleCount(), 1u);
    tracker.EndFrame();
    EXPECT_EQ(tracker.InUseCount(), 0u);
    EXPECT_EQ(tracker.FrameDepth(), 0);
    // The outer texture went idle last, so the inner one is evicted first.
    EXPECT_TRUE(tracker.EvictOne());
    EXPECT_FALSE(inner->IsValid());
    EXPECT_TRUE(outer->IsValid());
}
