#pragma once

#include <stdexcept>
#include <string>

#include "graphics/core/graphicsbase.h"

namespace Graphics {

// The library's one exception type. It carries a short fixed English message; the longer
// diagnostic text (function, file, line) goes to the diagnostic listeners only.
class Exception : public std::runtime_error, public GraphicsBase {
public:
    explicit Exception(const std::string& message) : std::runtime_error(message) {}
};

// Composes "Exception in <function> (<file>, <line>):\n\t<message>", hands it to the
// diagnostic listeners and throws Exception(message). `prettyFunction` is the compiler's
// __PRETTY_FUNCTION__; only its qualified name is kept.
[[noreturn]] void RaiseException(const char* prettyFunction, const char* file, int line,
                                 const char* message);

// The qualified name inside a __PRETTY_FUNCTION__ text: "static void* Graphics::A::B(int)"
// gives "Graphics::A::B".
std::string QualifiedFunctionName(const char* prettyFunction);

}  // namespace Graphics

// Every error inside the library is raised through this macro.
#define GX_RAISE(message) ::Graphics::RaiseException(__PRETTY_FUNCTION__, __FILE__, __LINE__, (message))
