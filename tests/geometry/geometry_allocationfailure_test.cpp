#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <limits>
#include <new>
#include <string>

#include "graphics/geometry/geometry.h"
#include "recordingsink.h"

// The replacement pair below is malloc/free underneath, which GCC cannot see across the
// inlined new-expressions.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif

// Allocation failures on demand: while armed, the allocation numbered `failAt` (counting
// from 0) throws std::bad_alloc. Only this binary's global operator new is replaced.
namespace {
bool armed = false;
int allocations = 0;
int failAt = 0;
}  // namespace

void* operator new(size_t size) {
    if (armed && allocations++ == failAt) throw std::bad_alloc();
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, size_t) noexcept {
    std::free(p);
}

namespace Graphics {
namespace {

// Everything a caller can observe of a geometry: its figures, the current point, the bound.
std::string State(const Geometry& g) {
    RecordingSink sink;
    g.SendToSink(&sink);
    std::string s;
    for (const auto& f : sink.figures) {
        s += f.closed ? "C" : "O";
        for (const GXPoint& p : f.points) s += std::to_string(p.x) + "," + std::to_string(p.y) + " ";
    }
    GXPoint current{-1, -1};
    const bool has = g.CurrentPoint(current);
    const GXRect box = g.Bound().Box();
    s += "|" + std::to_string(has) + std::to_string(current.x) + std::to_string(current.y) + "|" +
         std::to_string(box.left) + std::to_string(box.top) + std::to_string(box.right) +
         std::to_string(box.bottom);
    return s;
}

// Each shape call, failing at every one of its allocations in turn, leaves the geometry
// exactly as it was (an open figure included); the call that finally succeeds changes it.
TEST(GeometryAllocationFailure, AFailingCallChangesNothing) {
    const GXRect rect{1, 2, 30, 40};
    const std::vector<std::function<void(Geometry&)>> calls = {
        [&](Geometry& g) { g.Rectangle(rect); },
        [&](Geometry& g) { g.Ellipse(rect); },
        [&](Geometry& g) { g.RoundRectangle(rect, 4, 5); },
        [&](Geometry& g) { g.BeginFigure({7, 8}); },
        [&](Geometry& g) { g.EndFigureClose(); },
    };
    for (size_t i = 0; i < calls.size(); ++i) {
        for (int n = 0;; ++n) {
            ASSERT_LT(n, 100) << "call " << i;
            Geometry g;
            g.Rectangle({0, 0, 5, 5});
            g.BeginFigure({-3, -4});
            g.LineTo({9, -4});
            const std::string before = State(g);
            allocations = 0;
            failAt = n;
            armed = true;
            bool failed = false;
            try {
                calls[i](g);
            } catch (const std::bad_alloc&) {
                failed = true;
            }
            armed = false;
            if (!failed) {
                EXPECT_NE(State(g), before) << "call " << i;
                break;
            }
            EXPECT_EQ(State(g), before) << "call " << i << " failing at allocation " << n;
        }
    }
}

// Points with a NaN or infinite coordinate are left out of the bound wherever they come,
// so a geometry starting at NaN still has a finite bound and equals itself.
TEST(GeometryBound, LeavesOutNonFinitePoints) {
    Geometry g;
    g.BeginFigure({std::nanf(""), 0});
    g.LineTo({100, 100});
    g.EndFigure();
    g.Rectangle({1, 2, 3, 4});
    g.BeginFigure({0, 0});
    g.LineTo({std::numeric_limits<float>::infinity(), 0});
    const GXRect box = g.Bound().Box();
    EXPECT_EQ(box.left, 0);
    EXPECT_EQ(box.top, 0);
    EXPECT_EQ(box.right, 100);
    EXPECT_EQ(box.bottom, 100);
    EXPECT_TRUE(g.PointsEqual(g));
}

}  // namespace
}  // namespace Graphics
