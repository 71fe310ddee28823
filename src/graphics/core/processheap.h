#pragma once

#include <cstddef>
#include <memory>

namespace Graphics {

// Raw blocks for pixel stores, figure buffers and temporary rows. Every failure raises
// "Not enough memory"; blocks are freed with Free (the C run-time free).
class ProcessHeap {
public:
    static void* Alloc(size_t size);
    // 16-byte aligned, so that SSE2 loads of whole rows may be aligned.
    static void* AllocAligned(size_t size);
    // 16-byte aligned and zero-filled. Large blocks come straight from fresh pages, which
    // are zero already, so nothing is written and untouched pages are never mapped.
    static void* AllocZeroed(size_t size);
    // Grows or shrinks `block` (null allocates). On failure the old block stays valid.
    static void* Realloc(void* block, size_t size);
    static void Free(void* block) noexcept;

    struct Deleter {
        void operator()(void* block) const noexcept { Free(block); }
    };
};

// Owning pointer to a ProcessHeap block.
template <class T>
using HeapBlock = std::unique_ptr<T, ProcessHeap::Deleter>;

}  // namespace Graphics
