#pragma once

#include <new>
#include <type_traits>

#include "gx.h"
#include "graphics/api/handlerecord.h"
#include "graphics/core/exception.h"

namespace Graphics {

// Runs the body of an export: a Graphics::Exception or an allocation failure becomes
// GXResultGraphicsError (out of memory reads the same whichever allocator noticed it) and
// any other exception GXResultUnexpected, so nothing ever leaves an export. The body
// returns a GXResult or nothing (meaning success).
template <class Body>
GXResult ExportGuard(Body&& body) noexcept {
    try {
        if constexpr (std::is_void_v<std::invoke_result_t<Body>>) {
            body();
            return GXResultSuccess;
        } else {
            return body();
        }
    } catch (const Exception&) {
        return GXResultGraphicsError;
    } catch (const std::bad_alloc&) {
        return GXResultGraphicsError;
    } catch (...) {
        return GXResultUnexpected;
    }
}

// True when `pointer` is null or, for a handle, a record of another kind.
template <class T>
bool IsUnusable(const T* pointer) noexcept {
    if constexpr (std::is_base_of_v<GXOBase, T>) {
        return pointer == nullptr || IsWrongKind(pointer);
    } else {
        return pointer == nullptr;
    }
}

// True when any argument is null or a handle of the wrong kind: exports test their
// required pointers and handles with this first. Optional handles go through IsWrongKind.
template <class... Pointers>
bool AnyUnusable(const Pointers*... pointers) noexcept {
    return (IsUnusable(pointers) || ...);
}

}  // namespace Graphics
