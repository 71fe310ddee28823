#include "graphics/bitmap/cacheholder.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "graphics/bitmap/bitmap.h"
#include "graphics/bitmap/palette.h"

namespace Graphics {
namespace {

// A renderer copy that counts its destructions.
struct CountedEntry : CacheBase {
    explicit CountedEntry(std::atomic<int>* destroyed) : destroyed(destroyed) {}
    ~CountedEntry() override { ++*destroyed; }
    std::atomic<int>* destroyed;  // incremented once by the destructor
};

std::shared_ptr<Bitmap> MakeBitmap() {
    return Bitmap::Create(GXBitmapDesc{8, 4, GXPixelFormatARGB32, 96, 96});
}

TEST(CacheHolder, OwnerKeysAreDistinct) {
    uint32_t first = CacheHolder::NewOwnerKey();
    uint32_t second = CacheHolder::NewOwnerKey();
    EXPECT_NE(first, 0u);
    EXPECT_GT(second, first);
}

TEST(CacheHolder, FindInsertReplaceAndNotify) {
    std::atomic<int> destroyed{0};
    CacheHolder holder;
    uint32_t key = CacheHolder::NewOwnerKey(), other = CacheHolder::NewOwnerKey();
    EXPECT_EQ(holder.FindCache(key), nullptr);
    auto entry = std::make_shared<CountedEntry>(&destroyed);
    holder.InsertCache(key, entry);
    EXPECT_EQ(holder.FindCache(key), entry);
    EXPECT_EQ(holder.FindCache(other), nullptr);
    entry.reset();
    holder.InsertCache(key, std::make_shared<CountedEntry>(&destroyed));
    EXPECT_EQ(destroyed, 1);  // the replaced entry is gone
    holder.InsertCache(other, std::make_shared<CountedEntry>(&destroyed));
    holder.NotifyChanged();
    EXPECT_EQ(destroyed, 3);
    EXPECT_EQ(holder.FindCache(key), nullptr);
    EXPECT_EQ(holder.FindCache(other), nullptr);
}

TEST(CacheHolder, WriteUnlockDropsCopiesReadUnlockKeepsThem) {
    std::atomic<int> destroyed{0};
    auto bitmap = MakeBitmap();
    uint32_t key = CacheHolder::NewOwnerKey();
    bitmap->InsertCache(key, std::make_shared<CountedEntry>(&destroyed));

    bitmap->Lock(nullptr, LockMode::Read);
    bitmap->Unlock();
    EXPECT_NE(bitmap->FindCache(key), nullptr);

    bitmap->Lock(nullptr, LockMode::Write);
    bitmap->Unlock();
    EXPECT_EQ(bitmap->FindCache(key), nullptr);
    EXPECT_EQ(destroyed, 1);

    bitmap->InsertCache(key, std::make_shared<CountedEntry>(&destroyed));
    bitmap->Lock(nullptr, LockMode::ReadWrite);
    bitmap->Unlock();
    EXPECT_EQ(bitmap->FindCache(key), nullptr);
}

TEST(CacheHolder, BitmapChangesThatDropCopies) {
    std::atomic<int> destroyed{0};
    auto bitmap = MakeBitmap();
    uint32_t key = CacheHolder::NewOwnerKey();
    auto keep = [&] { bitmap->InsertCache(key, std::make_shared<CountedEntry>(&destroyed)); };

    // A colour fill alone keeps the copies: the caller notifies when they must go.
    keep();
    bitmap->ColorFill(nullptr, 0xFF102030);
    EXPECT_NE(bitmap->FindCache(key), nullptr);

    uint32_t color = 1;
    bitmap->SetPalette(std::make_shared<Palette>(&color, 1));
    EXPECT_EQ(bitmap->FindCache(key), nullptr);

    keep();
    bitmap->CopyFrom(nullptr, MakeBitmap(), nullptr);
    EXPECT_EQ(bitmap->FindCache(key), nullptr);

    keep();
    uint32_t pixels[32] = {};
    bitmap->CopyFromMemory(nullptr, GXBitmapData{pixels, 32, 32});
    EXPECT_EQ(bitmap->FindCache(key), nullptr);
    EXPECT_EQ(destroyed, 3);
}

TEST(CacheHolder, ConcurrentFindInsertAndNotify) {
    std::atomic<int> destroyed{0};
    CacheHolder holder;
    std::vector<uint32_t> keys;
    for (int i = 0; i < 4; ++i) keys.push_back(CacheHolder::NewOwnerKey());
    std::atomic<int> made{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 2000; ++i) {
                // A renderer's find-or-build under the holder's own (recursive) mutex.
                std::lock_guard lock(holder.Mutex());
                if (!holder.FindCache(keys[t])) {
                    holder.InsertCache(keys[t], std::make_shared<CountedEntry>(&destroyed));
                    ++made;
                }
                if (i % 7 == t) holder.NotifyChanged();
            }
        });
    }
    for (auto& thread : threads) thread.join();
    holder.NotifyChanged();
    EXPECT_EQ(destroyed.load(), made.load());
}

}  // namespace
}  // namespace Graphics
