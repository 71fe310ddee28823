#pragma once

#include <type_traits>

#include "gx.h"
#include "graphics/core/exception.h"

namespace Graphics {

// Runs the body of an export: a Graphics::Exception becomes GXResultGraphicsError and any
// other exception GXResultUnexpected, so nothing ever leaves an export. The body returns
// a GXResult or nothing (meaning success).
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
    } catch (...) {
        return GXResultUnexpected;
    }
}

// True when any argument is null: exports test their required pointers with this first.
template <class... Pointers>
constexpr bool AnyNull(const Pointers*... pointers) {
    return ((pointers == nullptr) || ...);
}

}  // namespace Graphics
