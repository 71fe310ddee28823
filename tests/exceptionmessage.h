#pragma once

#include <string>

#include "graphics/core/exception.h"

// The message of the library exception `body` raises; empty when it raises none.
template <class Body>
std::string MessageOf(Body&& body) {
    try {
        body();
    } catch (const Graphics::Exception& e) {
        return e.what();
    }
    return "";
}
