#include "graphics/software/swrecordpool.h"

#include "graphics/core/processheap.h"

namespace Graphics {

namespace {

constexpr size_t kClasses = SwRecordPool::kMaxSize / SwRecordPool::kGranule;

struct FreeBlock {
    FreeBlock* next;  // the next block of the same class, null at the end
};

// This thread's lists. They are plain data, never destroyed, so that a record freed while
// the thread's other objects are torn down still finds them; the Reaper below frees the
// blocks at thread end, after which frees go straight to the heap.
thread_local FreeBlock* tHeads[kClasses];  // first free block of each class, or null
thread_local size_t tCounts[kClasses];     // blocks in each list, <= kListLimit
thread_local bool tTornDown = false;       // the Reaper has run: keep nothing more

// This thread's kept scratch buffers; a null block is a free slot.
struct KeptBuffer {
    void* block;
    size_t capacity;
};
thread_local KeptBuffer tBuffers[SwRecordPool::kKeptBuffers];

struct Reaper {
    bool armed = false;  // touched on first keep, so that the destructor is registered
    ~Reaper() {
        tTornDown = true;
        for (size_t c = 0; c < kClasses; ++c) {
            while (FreeBlock* block = tHeads[c]) {
                tHeads[c] = block->next;
                ::operator delete(block);
            }
            tCounts[c] = 0;
        }
        for (KeptBuffer& kept : tBuffers) {
            ProcessHeap::Free(kept.block);
            kept = KeptBuffer{nullptr, 0};
        }
    }
};
thread_local Reaper tReaper;

// Sizes 1..16 are class 0, 17..32 class 1, and so on.
size_t ClassOf(size_t bytes) {
    return (bytes - 1) / SwRecordPool::kGranule;
}

}  // namespace

void* SwRecordPool::Allocate(size_t bytes) {
    if (bytes == 0 || bytes > kMaxSize) return ::operator new(bytes);
    const size_t c = ClassOf(bytes);
    if (FreeBlock* block = tHeads[c]) {
        tHeads[c] = block->next;
        --tCounts[c];
        return block;
    }
    // The whole class size, so that any request of the class can take the block later.
    return ::operator new((c + 1) * kGranule);
}

void SwRecordPool::Deallocate(void* block, size_t bytes) noexcept {
    if (!block) return;
    if (bytes == 0 || bytes > kMaxSize || tTornDown) {
        ::operator delete(block);
        return;
    }
    const size_t c = ClassOf(bytes);
    if (tCounts[c] >= kListLimit) {
        ::operator delete(block);
        return;
    }
    tReaper.armed = true;
    auto* freed = static_cast<FreeBlock*>(block);
    freed->next = tHeads[c];
    tHeads[c] = freed;
    ++tCounts[c];
}

void* SwRecordPool::AllocateBuffer(size_t bytes, size_t& capacity) {
    KeptBuffer* best = nullptr;
    for (KeptBuffer& kept : tBuffers)
        if (kept.block && kept.capacity >= bytes && (!best || kept.capacity < best->capacity))
            best = &kept;
    if (best) {
        void* block = best->block;
        capacity = best->capacity;
        *best = KeptBuffer{nullptr, 0};
        return block;
    }
    // A size too large to round is left as it is: the heap refuses it anyway.
    const size_t granules = bytes / kBufferGranule + 1;
    const size_t rounded = granules > SIZE_MAX / kBufferGranule ? bytes : granules * kBufferGranule;
    void* block = ProcessHeap::AllocAligned(rounded);
    capacity = rounded;
    return block;
}

void SwRecordPool::DeallocateBuffer(void* block, size_t capacity) noexcept {
    if (!block) return;
    if (tTornDown || capacity > kMaxKeptBuffer) {
        ProcessHeap::Free(block);
        return;
    }
    // Into a free slot, else in place of the smallest kept block when this one is larger.
    KeptBuffer* slot = &tBuffers[0];
    for (KeptBuffer& kept : tBuffers) {
        if (!kept.block) {
            slot = &kept;
            break;
        }
        if (kept.capacity < slot->capacity) slot = &kept;
    }
    if (slot->block && slot->capacity >= capacity) {
        ProcessHeap::Free(block);
        return;
    }
    ProcessHeap::Free(slot->block);
    tReaper.armed = true;
    *slot = KeptBuffer{block, capacity};
}

size_t SwRecordPool::HeldBlocks(size_t bytes) {
    return bytes == 0 || bytes > kMaxSize ? 0 : tCounts[ClassOf(bytes)];
}

}  // namespace Graphics
