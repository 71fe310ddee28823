#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "gx.h"

namespace {

constexpr uint64_t kQuotaAtLoad = 41943040;

GXBitmapRec_* MakeBitmap(int32_t width, int32_t height, GXPixelFormat format) {
    GXBitmapDesc desc{width, height, format, 96, 96};
    GXBitmapRec_* bitmap = nullptr;
    EXPECT_EQ(GXCreateBitmap(&desc, &bitmap), GXResultSuccess);
    return bitmap;
}

uint64_t InUse() {
    uint64_t value = 0;
    EXPECT_EQ(GXBitmapCacheGetMemoryInUse(&value), GXResultSuccess);
    return value;
}

GXBitmapRec_* Get(int32_t id) {
    GXBitmapRec_* out = reinterpret_cast<GXBitmapRec_*>(0x1);
    EXPECT_EQ(GXBitmapCacheGet(uint32_t(id), &out), GXResultSuccess);
    return out;
}

// The cache is process-wide and the tests share one process: each test starts from an
// empty cache with the quota of load time and leaves it that way.
class BitmapCache : public testing::Test {
protected:
    void SetUp() override { Empty(); }
    void TearDown() override {
        Empty();
        for (GXBitmapRec_* bitmap : bitmaps_) GXObjectRelease(GX_HANDLE(bitmap));
    }
    static void Empty() {
        ASSERT_EQ(GXBitmapCacheSetMemoryQuota(0), GXResultSuccess);
        ASSERT_EQ(GXBitmapCacheSetMemoryQuota(kQuotaAtLoad), GXResultSuccess);
        ASSERT_EQ(InUse(), 0u);
    }
    GXBitmapRec_* Keep(GXBitmapRec_* bitmap) {
        bitmaps_.push_back(bitmap);
        return bitmap;
    }
    int32_t Put(GXBitmapRec_* bitmap) {
        int32_t id = -1;
        EXPECT_EQ(GXBitmapCachePut(bitmap, &id), GXResultSuccess);
        return id;
    }

    std::vector<GXBitmapRec_*> bitmaps_;  // released after the cache is emptied
};

// In a process of its own, so that nothing has touched the cache before.
void CheckStateAtLoad() {
    uint64_t quota = 0, inUse = 1;
    if (GXBitmapCacheGetMemoryQuota(&quota) != GXResultSuccess || quota != kQuotaAtLoad)
        std::exit(1);
    if (GXBitmapCacheGetMemoryInUse(&inUse) != GXResultSuccess || inUse != 0) std::exit(2);
    GXBitmapRec_* bitmap = MakeBitmap(1, 1, GXPixelFormatA8);
    int32_t first = 0, second = 0;
    GXBitmapCachePut(bitmap, &first);
    GXBitmapCacheRemove(uint32_t(first));
    GXBitmapCachePut(bitmap, &second);
    GXBitmapCacheRemove(uint32_t(second));
    GXObjectRelease(GX_HANDLE(bitmap));
    std::exit(first == 1 && second == 2 ? 0 : 3);
}

TEST(BitmapCacheAtLoad, QuotaIsFortyMebibytesAndIdentifiersStartAtOne) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(CheckStateAtLoad(), testing::ExitedWithCode(0), "");
}

TEST_F(BitmapCache, EntrySizesAreRowBytesTimesHeight) {
    int32_t argb = Put(Keep(MakeBitmap(100, 100, GXPixelFormatARGB32)));
    EXPECT_EQ(InUse(), 40000u);
    int32_t gray1 = Put(Keep(MakeBitmap(100, 100, GXPixelFormatGray1)));
    EXPECT_EQ(InUse(), 41300u);
    int32_t rgb = Put(Keep(MakeBitmap(-3, 2, GXPixelFormatRGB24)));  // |w| x |h|
    EXPECT_EQ(InUse(), 41318u);
    GXBitmapCacheRemove(uint32_t(argb));
    EXPECT_EQ(InUse(), 1318u);
    GXBitmapCacheRemove(uint32_t(gray1));
    GXBitmapCacheRemove(uint32_t(rgb));
    EXPECT_EQ(InUse(), 0u);
}

TEST_F(BitmapCache, OldestRegistrationGoesFirstAndGetDoesNotRefresh) {
    ASSERT_EQ(GXBitmapCacheSetMemoryQuota(100000), GXResultSuccess);
    GXBitmapRec_* a = Keep(MakeBitmap(100, 100, GXPixelFormatARGB32));
    GXBitmapRec_* b = Keep(MakeBitmap(100, 100, GXPixelFormatARGB32));
    GXBitmapRec_* c = Keep(MakeBitmap(100, 100, GXPixelFormatARGB32));
    int32_t idA = Put(a), idB = Put(b);
    EXPECT_EQ(idB, idA + 1);
    EXPECT_EQ(Get(idB), b);  // does not save B
    int32_t idC = Put(c);
    EXPECT_EQ(Get(idA), nullptr);
    EXPECT_EQ(Get(idB), b);
    EXPECT_EQ(Get(idC), c);
    EXPECT_EQ(InUse(), 80000u);
    int32_t idA2 = Put(a);  // B is the oldest now
    EXPECT_EQ(Get(idB), nullptr);
    EXPECT_EQ(Get(idC), c);
    EXPECT_EQ(Get(idA2), a);
    EXPECT_GT(idA2, idC);
}

TEST_F(BitmapCache, OversizedEntryEmptiesTheCacheAndStays) {
    ASSERT_EQ(GXBitmapCacheSetMemoryQuota(50000), GXResultSuccess);
    int32_t small = Put(Keep(MakeBitmap(10, 10, GXPixelFormatA8)));
    GXBitmapRec_* big = Keep(MakeBitmap(200, 100, GXPixelFormatARGB32));
    int32_t id = Put(big);
    EXPECT_EQ(Get(small), nullptr);
    EXPECT_EQ(Get(id), big);
    EXPECT_EQ(InUse(), 80000u);
    // Anything put next evicts it first.
    int32_t next = Put(Keep(MakeBitmap(1, 1, GXPixelFormatA8)));
    EXPECT_EQ(Get(id), nullptr);
    EXPECT_EQ(InUse(), 1u);
    EXPECT_NE(Get(next), nullptr);
}

TEST_F(BitmapCache, QuotaZeroEmptiesAndRemoveAndUnknownIds) {
    GXBitmapRec_* bitmap = Keep(MakeBitmap(10, 10, GXPixelFormatGray8));
    int32_t first = Put(bitmap), second = Put(bitmap);
    EXPECT_EQ(InUse(), 200u);
    ASSERT_EQ(GXBitmapCacheSetMemoryQuota(0), GXResultSuccess);
    uint64_t quota = 1;
    EXPECT_EQ(GXBitmapCacheGetMemoryQuota(&quota), GXResultSuccess);
    EXPECT_EQ(quota, 0u);
    EXPECT_EQ(InUse(), 0u);
    EXPECT_EQ(Get(first), nullptr);
    EXPECT_EQ(Get(second), nullptr);
    ASSERT_EQ(GXBitmapCacheSetMemoryQuota(kQuotaAtLoad), GXResultSuccess);

    // Removing the only entry leaves an empty cache that takes new ones; removing twice
    // or removing what was never there is fine.
    int32_t only = Put(bitmap);
    EXPECT_EQ(GXBitmapCacheRemove(uint32_t(only)), GXResultSuccess);
    EXPECT_EQ(GXBitmapCacheRemove(uint32_t(only)), GXResultSuccess);
    EXPECT_EQ(InUse(), 0u);
    EXPECT_EQ(Get(only), nullptr);
    int32_t again = Put(bitmap);
    EXPECT_GT(again, only);  // identifiers are not reused
    EXPECT_EQ(Get(again), bitmap);
    EXPECT_EQ(GXBitmapCacheRemove(0xFFFFFFF0u), GXResultSuccess);
    EXPECT_EQ(Get(-16), nullptr);
    EXPECT_EQ(Get(0), nullptr);
}

// The cache holds no reference, but a destroyed handle leaves it at once: every id it was
// registered under reads null and its size leaves the estimate; a handle that still has a
// reference stays.
TEST_F(BitmapCache, DestroyedHandleLeavesTheCache) {
    GXBitmapRec_* doomed = MakeBitmap(10, 10, GXPixelFormatA8);
    GXBitmapRec_* kept = Keep(MakeBitmap(4, 4, GXPixelFormatA8));
    const int32_t first = Put(doomed), keptId = Put(kept), second = Put(doomed);
    ASSERT_EQ(InUse(), 216u);
    ASSERT_EQ(GXObjectAcquire(GX_HANDLE(doomed)), GXResultSuccess);
    ASSERT_EQ(GXObjectRelease(GX_HANDLE(doomed)), GXResultSuccess);
    EXPECT_EQ(Get(first), doomed);
    ASSERT_EQ(GXObjectRelease(GX_HANDLE(doomed)), GXResultSuccess);
    EXPECT_EQ(Get(first), nullptr);
    EXPECT_EQ(Get(second), nullptr);
    EXPECT_EQ(Get(keptId), kept);
    EXPECT_EQ(InUse(), 16u);
}

TEST_F(BitmapCache, NullArguments) {
    GXBitmapRec_* bitmap = Keep(MakeBitmap(1, 1, GXPixelFormatA8));
    int32_t id = 77;
    EXPECT_EQ(GXBitmapCachePut(nullptr, &id), GXResultInvalidArg);
    EXPECT_EQ(GXBitmapCachePut(bitmap, nullptr), GXResultInvalidArg);
    EXPECT_EQ(id, 77);
    EXPECT_EQ(GXBitmapCacheGet(1, nullptr), GXResultInvalidArg);
    EXPECT_EQ(GXBitmapCacheGetMemoryQuota(nullptr), GXResultInvalidArg);
    EXPECT_EQ(GXBitmapCacheGetMemoryInUse(nullptr), GXResultInvalidArg);
    EXPECT_EQ(InUse(), 0u);
}

TEST_F(BitmapCache, ConcurrentPutGetRemoveAndQuota) {
    // Each thread works on its own bitmaps, which all outlive the threads; the quota
    // changes under them. Sanitizer builds catch any unguarded access.
    constexpr int kThreads = 4, kRounds = 400;
    std::vector<GXBitmapRec_*> bitmaps;
    for (int t = 0; t < kThreads; ++t)
        bitmaps.push_back(Keep(MakeBitmap(10 + t, 10, GXPixelFormatARGB32)));
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            std::vector<int32_t> mine;
            for (int i = 0; i < kRounds; ++i) {
                int32_t id = -1;
                if (GXBitmapCachePut(bitmaps[t], &id) != GXResultSuccess || id <= 0) ++failures;
                mine.push_back(id);
                GXBitmapRec_* got = nullptr;
                GXBitmapCacheGet(uint32_t(mine[size_t(i) / 2]), &got);
                // Either still registered (and then it is ours) or evicted.
                if (got != nullptr && got != bitmaps[t]) ++failures;
                if (i % 3 == 0) GXBitmapCacheRemove(uint32_t(mine[size_t(i) / 3]));
                if (i % 50 == t) GXBitmapCacheSetMemoryQuota(uint64_t(20000 + 1000 * t));
                uint64_t value;
                GXBitmapCacheGetMemoryInUse(&value);
                GXBitmapCacheGetMemoryQuota(&value);
            }
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(failures.load(), 0);
    // Every surviving entry fits the last quota set, give or take the one that may exceed it.
    uint64_t quota = 0;
    GXBitmapCacheGetMemoryQuota(&quota);
    EXPECT_LE(InUse(), quota + 2000);
    ASSERT_EQ(GXBitmapCacheSetMemoryQuota(0), GXResultSuccess);
    EXPECT_EQ(InUse(), 0u);
}

}  // namespace
