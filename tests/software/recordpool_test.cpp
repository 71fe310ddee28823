#include <gtest/gtest.h>

#include <cstring>
#include <thread>
#include <vector>

#include "graphics/software/swrecordpool.h"

using namespace Graphics;

namespace {

// Empties this thread's list for `bytes` into the heap's hands (blocks of earlier tests).
void Drain(size_t bytes) {
    std::vector<void*> taken;
    while (SwRecordPool::HeldBlocks(bytes) > 0) taken.push_back(SwRecordPool::Allocate(bytes));
    for (void* block : taken) ::operator delete(block);
}

}  // namespace

TEST(SwRecordPool, FreedBlocksServeTheirWholeSizeClass) {
    Drain(40);
    void* block = SwRecordPool::Allocate(40);
    SwRecordPool::Deallocate(block, 40);
    EXPECT_EQ(SwRecordPool::HeldBlocks(33), 1u);  // 33..48 share the class
    // The block was made at the class size, so the largest request of the class fits.
    void* again = SwRecordPool::Allocate(48);
    EXPECT_EQ(again, block);
    std::memset(again, 0xAB, 48);
    EXPECT_EQ(SwRecordPool::HeldBlocks(40), 0u);
    SwRecordPool::Deallocate(again, 48);
    // Another class does not see it.
    EXPECT_EQ(SwRecordPool::HeldBlocks(49), SwRecordPool::HeldBlocks(64));
    void* small = SwRecordPool::Allocate(16);
    EXPECT_NE(small, block);
    SwRecordPool::Deallocate(small, 16);
}

TEST(SwRecordPool, LargeBlocksAndBurstsGoBackToTheHeap) {
    void* large = SwRecordPool::Allocate(SwRecordPool::kMaxSize + 1);
    SwRecordPool::Deallocate(large, SwRecordPool::kMaxSize + 1);
    EXPECT_EQ(SwRecordPool::HeldBlocks(SwRecordPool::kMaxSize + 1), 0u);
    SwRecordPool::Deallocate(nullptr, 24);

    Drain(100);
    std::vector<void*> burst;
    for (size_t i = 0; i < SwRecordPool::kListLimit + 20; ++i)
        burst.push_back(SwRecordPool::Allocate(100));
    for (void* block : burst) SwRecordPool::Deallocate(block, 100);
    EXPECT_EQ(SwRecordPool::HeldBlocks(100), SwRecordPool::kListLimit);
}

TEST(SwRecordPool, ARecordFreedOnAnotherThreadJoinsThatThreadsList) {
    Drain(200);
    void* block = SwRecordPool::Allocate(200);
    size_t heldThere = 0;
    std::thread other([&] {
        SwRecordPool::Deallocate(block, 200);
        heldThere = SwRecordPool::HeldBlocks(200);
        // The thread's end frees its lists; the block goes with them.
    });
    other.join();
    EXPECT_EQ(heldThere, 1u);
    EXPECT_EQ(SwRecordPool::HeldBlocks(200), 0u);
}

TEST(SwRecordPool, MakePooledBuildsAndDestroysThroughTheLists) {
    struct Counted {
        explicit Counted(int& deaths) : deaths_(deaths) {}
        ~Counted() { ++deaths_; }
        int& deaths_;
        double payload[6] = {};
    };
    int deaths = 0;
    {
        auto first = MakePooled<Counted>(deaths);
        auto copy = first;
        EXPECT_EQ(first.use_count(), 2);
    }
    EXPECT_EQ(deaths, 1);
    // The freed block (object and count together) is the next one of its class.
    auto second = MakePooled<Counted>(deaths);
    second.reset();
    EXPECT_EQ(deaths, 2);
}
