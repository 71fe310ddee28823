// Exports: object lifetime.
#include "graphics/api/handlerecord.h"

GXResult GXObjectAcquire(GXOBase* handle) {
    if (!handle) return GXResultInvalidArg;
    static_cast<RefCounted<GXOBase>*>(handle)->Acquire();
    return GXResultSuccess;
}

GXResult GXObjectRelease(GXOBase* handle) {
    if (!handle) return GXResultInvalidArg;
    static_cast<RefCounted<GXOBase>*>(handle)->Release();
    return GXResultSuccess;
}
