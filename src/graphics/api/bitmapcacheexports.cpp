// Exports: the bitmap cache.
#include "graphics/api/exportguard.h"
#include "graphics/api/handlerecord.h"
#include "graphics/api/bitmapcache.h"

using namespace Graphics;

GXResult GXBitmapCacheSetMemoryQuota(uint64_t quota) {
    return ExportGuard([&] { BitmapCache::Instance().SetMemoryQuota(quota); });
}

GXResult GXBitmapCacheGetMemoryQuota(uint64_t* out) {
    if (AnyUnusable(out)) return GXResultInvalidArg;
    *out = BitmapCache::Instance().GetMemoryQuota();
    return GXResultSuccess;
}

GXResult GXBitmapCacheGetMemoryInUse(uint64_t* out) {
    if (AnyUnusable(out)) return GXResultInvalidArg;
    *out = BitmapCache::Instance().GetMemoryInUse();
    return GXResultSuccess;
}

GXResult GXBitmapCachePut(GXBitmapRec_* bitmap, int32_t* outId) {
    if (AnyUnusable(bitmap, outId)) return GXResultInvalidArg;
    return ExportGuard([&] { *outId = int32_t(BitmapCache::Instance().Put(bitmap)); });
}

GXResult GXBitmapCacheGet(uint32_t id, GXBitmapRec_** out) {
    if (AnyUnusable(out)) return GXResultInvalidArg;
    return ExportGuard([&] { *out = BitmapCache::Instance().Get(id); });
}

GXResult GXBitmapCacheRemove(uint32_t id) {
    return ExportGuard([&] { BitmapCache::Instance().Remove(id); });
}
