#pragma once

#include <climits>
#include <cstdlib>

// How many random cases a property test runs: the suite's own count, or the count in
// GX_PROPERTY_CASES for a long run (GX_PROPERTY_CASES=200000 build/release/tests/...).
inline int PropertyCases(int suiteCount) {
    const char* text = std::getenv("GX_PROPERTY_CASES");
    if (!text) return suiteCount;
    long count = std::strtol(text, nullptr, 10);
    if (count <= 0) return suiteCount;
    return count > INT_MAX ? INT_MAX : int(count);
}
