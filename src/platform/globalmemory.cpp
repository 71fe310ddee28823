// Movable global memory over the C heap: a handle is a small record owning the block.
#include <cstdlib>
#include <new>

#include "platform/hostcom.h"

namespace {

struct GlobalBlock {
    void* data;      // the bytes, from malloc (null when the size is 0)
    SIZE_T size;     // bytes in the block
    UINT lockCount;  // GlobalLock calls not yet matched by GlobalUnlock
};

}  // namespace

HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes) {
    if (flags & ~GMEM_MOVEABLE) return nullptr;  // zero-init and other flags are not offered
    auto* block = new (std::nothrow) GlobalBlock{nullptr, bytes, 0};
    if (!block) return nullptr;
    if (bytes != 0) {
        block->data = std::malloc(bytes);
        if (!block->data) {
            delete block;
            return nullptr;
        }
    }
    return block;
}

void* GlobalLock(HGLOBAL memory) {
    if (!memory) return nullptr;
    auto* block = static_cast<GlobalBlock*>(memory);
    ++block->lockCount;
    return block->data;
}

BOOL GlobalUnlock(HGLOBAL memory) {
    if (!memory) return 0;
    auto* block = static_cast<GlobalBlock*>(memory);
    if (block->lockCount > 0) --block->lockCount;
    return block->lockCount != 0;
}

SIZE_T GlobalSize(HGLOBAL memory) {
    return memory ? static_cast<GlobalBlock*>(memory)->size : 0;
}

HGLOBAL GlobalFree(HGLOBAL memory) {
    if (!memory) return nullptr;
    auto* block = static_cast<GlobalBlock*>(memory);
    std::free(block->data);
    delete block;
    return nullptr;
}
