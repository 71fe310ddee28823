#include "graphics/core/processheap.h"

#include <cstddef>
#include <cstdlib>

#include "graphics/core/exception.h"

namespace Graphics {

void* ProcessHeap::Alloc(size_t size) {
    // malloc(0) may legally return null, which must not read as a failure.
    void* block = std::malloc(size ? size : 1);
    if (!block) GX_RAISE("Not enough memory");
    return block;
}

void* ProcessHeap::AllocZeroed(size_t size) {
    // The C allocator aligns every block for any fundamental type: 16 bytes here.
    static_assert(alignof(std::max_align_t) >= 16);
    void* block = std::calloc(size ? size : 1, 1);
    if (!block) GX_RAISE("Not enough memory");
    return block;
}

void* ProcessHeap::AllocAligned(size_t size) {
    // aligned_alloc wants a multiple of the alignment; refuse sizes that would wrap.
    if (size > SIZE_MAX - 15) GX_RAISE("Not enough memory");
    size_t rounded = (size + 15) & ~size_t(15);
    void* block = std::aligned_alloc(16, rounded ? rounded : 16);
    if (!block) GX_RAISE("Not enough memory");
    return block;
}

void* ProcessHeap::Realloc(void* block, size_t size) {
    void* grown = std::realloc(block, size ? size : 1);
    if (!grown) GX_RAISE("Not enough memory");
    return grown;
}

void ProcessHeap::Free(void* block) noexcept {
    std::free(block);
}

}  // namespace Graphics
