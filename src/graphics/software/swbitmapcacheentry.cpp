#include "graphics/software/swbitmapcacheentry.h"

#include "graphics/bitmap/cacheholder.h"

namespace Graphics {

uint32_t SwBitmapCacheEntry::OwnerKey() {
    static const uint32_t key = CacheHolder::NewOwnerKey();
    return key;
}

}  // namespace Graphics
