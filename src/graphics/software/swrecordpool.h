#pragma once

#include <cstddef>
#include <memory>
#include <new>
#include <utility>

namespace Graphics {

// The small records a draw makes and drops by the thousand (pipelines, their operations,
// colour sources, geometry records): each thread keeps the blocks it freed in lists by size
// class and hands them out again before it asks the heap. Blocks remain separate heap
// blocks, so a record freed by another thread than the one that made it simply joins that
// thread's lists. A list holds at most kListLimit blocks, so a burst of frees is not kept
// for good; a thread's lists are freed when it ends.
class SwRecordPool {
public:
    static constexpr size_t kGranule = 16;     // size classes step by this many bytes
    static constexpr size_t kMaxSize = 512;    // larger blocks go to the heap directly
    static constexpr size_t kListLimit = 256;  // most blocks one list keeps

    // A block of at least `bytes` bytes, aligned as operator new aligns; throws
    // std::bad_alloc when the heap has none.
    static void* Allocate(size_t bytes);
    // Gives back a block from Allocate of the same `bytes`; null does nothing.
    static void Deallocate(void* block, size_t bytes) noexcept;
    // Blocks held by this thread's list for `bytes` (1..kMaxSize).
    static size_t HeldBlocks(size_t bytes);

    // Large scratch blocks (a pipeline's rows): each thread keeps up to kKeptBuffers freed
    // ones of at most kMaxKeptBuffer bytes, the largest it has seen, and hands out the
    // smallest that fits. Sizes are rounded up to kBufferGranule, so that draws of slightly
    // different widths share a block. Blocks are 16-byte aligned; the heap's failure
    // raises "Not enough memory".
    static constexpr size_t kBufferGranule = 4096;
    static constexpr size_t kKeptBuffers = 4;
    static constexpr size_t kMaxKeptBuffer = size_t(4) << 20;
    // A block of at least `bytes` bytes; `capacity` receives its real size, which
    // DeallocateBuffer wants back.
    static void* AllocateBuffer(size_t bytes, size_t& capacity);
    static void DeallocateBuffer(void* block, size_t capacity) noexcept;
};

// A scratch buffer of SwRecordPool for the lifetime of one draw.
class SwScratchBuffer {
public:
    explicit SwScratchBuffer(size_t bytes)
        : block_(SwRecordPool::AllocateBuffer(bytes, capacity_)) {}
    ~SwScratchBuffer() { SwRecordPool::DeallocateBuffer(block_, capacity_); }
    SwScratchBuffer(const SwScratchBuffer&) = delete;
    SwScratchBuffer& operator=(const SwScratchBuffer&) = delete;

    void* Get() const { return block_; }

private:
    size_t capacity_ = 0;  // set by AllocateBuffer before block_ is stored
    void* block_;
};

// A standard allocator over SwRecordPool, for std::allocate_shared.
template <class T>
struct SwPoolAllocator {
    using value_type = T;
    static_assert(alignof(T) <= __STDCPP_DEFAULT_NEW_ALIGNMENT__, "over-aligned record");

    SwPoolAllocator() = default;
    template <class U>
    SwPoolAllocator(const SwPoolAllocator<U>&) noexcept {}

    T* allocate(size_t n) {
        if (n > SIZE_MAX / sizeof(T)) throw std::bad_array_new_length();
        return static_cast<T*>(SwRecordPool::Allocate(n * sizeof(T)));
    }
    void deallocate(T* p, size_t n) noexcept { SwRecordPool::Deallocate(p, n * sizeof(T)); }

    template <class U>
    bool operator==(const SwPoolAllocator<U>&) const noexcept {
        return true;
    }
};

// std::make_shared with the object and its count in one pooled block.
template <class T, class... Args>
std::shared_ptr<T> MakePooled(Args&&... args) {
    return std::allocate_shared<T>(SwPoolAllocator<T>(), std::forward<Args>(args)...);
}

}  // namespace Graphics
