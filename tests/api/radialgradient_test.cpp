#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <vector>

#include "canvas.h"
#include "gx.h"
#include "propertycases.h"

// Radial gradients of random circle pairs against a brute-force search over the circles:
// every configuration PDF allows (equal radii, a point circle, one circle touching the
// other from inside, two points) must paint what the circles sweep.

namespace {

constexpr int32_t kSize = 48;
constexpr uint32_t kBackground = 0xFF0000FFu;  // blue, which no gradient colour has

struct Circles {
    double x0, y0, r0, x1, y1, r1;
    bool extendStart, extendEnd;
};

// What a pixel shows by the reference: no circle, or the circle of the larger or of the
// smaller of the two parameters whose circles pass through it. `edge`: the two roots meet,
// or one lies so near an end of a range that is not extended, that rounding decides what
// the pixel shows.
enum class Root { None, Larger, Smaller };

struct Reference {
    Root root;
    double s;
    bool edge;
};

// The largest s whose circle passes through (px, py), found by scanning s finely. The
// distance from the point to circle s, g(s) = |p - c(s)| - r(s), is convex in s (a norm of
// an affine function less an affine one), so its roots lie on either side of its minimum:
// the scan brackets the minimum and the roots, and bisection narrows them.
Reference Search(const Circles& k, double px, double py) {
    auto g = [&](double s) {
        return std::hypot(px - (k.x0 + s * (k.x1 - k.x0)), py - (k.y0 + s * (k.y1 - k.y0))) -
               (k.r0 + s * (k.r1 - k.r0));
    };
    constexpr int kSteps = 512;
    const double reach = std::asinh(1e7);
    std::vector<double> s(kSteps + 1), v(kSteps + 1);
    for (int i = 0; i <= kSteps; ++i) {
        s[i] = std::sinh(-reach + 2 * reach * i / kSteps);
        v[i] = g(s[i]);
    }
    const int lowest = int(std::min_element(v.begin(), v.end()) - v.begin());
    double lo = s[std::max(lowest - 1, 0)], hi = s[std::min(lowest + 1, kSteps)];
    for (int i = 0; i < 100; ++i) {  // ternary search of the convex minimum
        const double m1 = lo + (hi - lo) / 3, m2 = hi - (hi - lo) / 3;
        if (g(m1) < g(m2))
            hi = m2;
        else
            lo = m1;
    }
    const double minimum = (lo + hi) / 2, lowestG = g(minimum);
    // A minimum of 0 is a double root: the point lies on the rim of the swept area.
    const bool rim = std::fabs(lowestG) < 1e-7;
    if (lowestG > 0) return {Root::None, 0, rim};
    // The root between a point where g <= 0 and one where g > 0.
    auto bisect = [&](double inside, double outside) {
        for (int i = 0; i < 100; ++i) {
            const double mid = (inside + outside) / 2;
            (g(mid) > 0 ? outside : inside) = mid;
        }
        return (inside + outside) / 2;
    };
    double larger = NAN, smaller = NAN;
    for (int i = 0; i <= kSteps && std::isnan(larger); ++i)
        if (s[i] > minimum && v[i] > 0) larger = bisect(minimum, s[i]);
    for (int i = kSteps; i >= 0 && std::isnan(smaller); --i)
        if (s[i] < minimum && v[i] > 0) smaller = bisect(minimum, s[i]);
    auto nearEnd = [&](double root) {
        return (!k.extendStart && std::fabs(root) < 1e-4) ||
               (!k.extendEnd && std::fabs(root - 1) < 1e-4);
    };
    const bool edge = rim || nearEnd(larger) || nearEnd(smaller);
    auto valid = [&](double root) {
        return !std::isnan(root) && (root >= 0 || k.extendStart) && (root <= 1 || k.extendEnd);
    };
    if (valid(larger)) return {Root::Larger, larger, edge};
    if (valid(smaller)) return {Root::Smaller, smaller, edge};
    return {Root::None, 0, edge};
}

// The colour of a black-to-white stop pair at s, in the stops' documented arithmetic:
// weight w = int((1 - t) x 255) + 1 toward black, channels white x (257 - w) >> 8 plus
// black x w >> 8, then premultiplied by alpha + 1.
uint32_t StopColour(double s) {
    const float t = float(std::clamp(s, 0.0, 1.0));
    if (t == 0.0f) return kBlack;
    const float f = 1.0f - t;
    const uint32_t w = f >= 1.0f ? 256u : f > 0.0f ? (uint32_t(f * 255.0f) & 0xFFu) + 1 : 1u;
    const uint32_t alpha = ((255 * (257 - w)) >> 8) + ((255 * w) >> 8);
    const uint32_t grey = (((255 * (257 - w)) >> 8) * (alpha + 1)) >> 8;
    return alpha << 24 | grey << 16 | grey << 8 | grey;
}

Circles RandomCircles(std::mt19937& random) {
    auto integer = [&](int lo, int hi) {
        return double(std::uniform_int_distribution(lo, hi)(random));
    };
    Circles k{integer(-10, 58), integer(-10, 58), integer(0, 30),    integer(-10, 58),
              integer(-10, 58), integer(0, 30),   random() % 2 == 0, random() % 2 == 0};
    switch (random() % 6) {
        case 0:  // equal radii: disjoint, touching, intersecting or one centre
            k.r1 = k.r0;
            if (random() % 3 == 0)
                k.x1 = k.x0 + 2 * k.r0 * (random() % 3 == 0 ? 0 : 1), k.y1 = k.y0;
            break;
        case 1:  // a point circle at either end
            (random() % 2 ? k.r0 : k.r1) = 0;
            break;
        case 2: {  // one circle inside the other, touching it: |c1 - c0| = |r1 - r0|
            const double step = integer(1, 4), small = integer(0, 20);
            k.x1 = k.x0 + 3 * step;
            k.y1 = k.y0 + 4 * step;
            k.r0 = small, k.r1 = small + 5 * step;
            if (random() % 2) std::swap(k.r0, k.r1);
            break;
        }
        case 3:  // two points
            k.r0 = k.r1 = 0;
            break;
        case 4:  // one circle inside the other, the same centre
            k.x1 = k.x0, k.y1 = k.y0;
            break;
        default:
            break;
    }
    return k;
}

// Draws the circles through the API: over the whole target with GXRenderTargetDrawGradient,
// or filling the target with a gradient brush whose matrix halves gradient space and moves
// it by (8, 4).
std::vector<uint32_t> Draw(const Circles& k, bool withBackground, bool brush) {
    const GXGradientStop stops[2] = {{0, kBlack}, {1, kWhite}};
    GXRadialGradientDesc desc{};
    desc.stops = stops;
    desc.count = 2;
    desc.x0 = float(k.x0), desc.y0 = float(k.y0), desc.r0 = float(k.r0);
    desc.x1 = float(k.x1), desc.y1 = float(k.y1), desc.r1 = float(k.r1);
    desc.extendStart = k.extendStart, desc.extendEnd = k.extendEnd;
    desc.background = withBackground ? kBackground : 0;
    GXGradientRec_* gradient = nullptr;
    EXPECT_EQ(GXCreateGradientRadial(&desc, &gradient), GXResultSuccess);
    Canvas canvas(kSize, kSize, GXPixelFormatPARGB32);
    canvas.Begin();
    if (brush) {
        const GXMatrix matrix{0.5f, 0, 0, 0.5f, 8, 4};
        GXBrushRec_* fill = nullptr;
        EXPECT_EQ(GXCreateBrushGradient(gradient, 1.0f, &matrix, &fill), GXResultSuccess);
        canvas.FillRect(0, 0, kSize, kSize, fill);
        GXObjectRelease(GX_HANDLE(fill));
    } else {
        EXPECT_EQ(GXRenderTargetDrawGradient(canvas.target(), gradient, 1.0f), GXResultSuccess);
    }
    canvas.End();
    GXObjectRelease(GX_HANDLE(gradient));
    return canvas.Pixels();
}

bool Near(uint32_t a, uint32_t b) {
    for (int shift = 0; shift < 32; shift += 8)
        if (std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)) > 1) return false;
    return true;
}

TEST(RadialGradientProperty, EveryCirclePairPaintsWhatItsCirclesSweep) {
    std::mt19937 random(20);
    const int cases = PropertyCases(24);
    for (int n = 0; n < cases; ++n) {
        const Circles k = RandomCircles(random);
        const bool withBackground = random() % 2, brush = random() % 2;
        const std::vector<uint32_t> pixels = Draw(k, withBackground, brush);
        // The reference over the target and a pixel around it, so each pixel can see
        // whether a neighbour falls on the other side of an edge of the painted area or of
        // a switch between the two roots: such pixels depend on rounding and are skipped.
        constexpr int32_t kSide = kSize + 2;
        std::vector<Reference> reference(size_t(kSide) * kSide);
        for (int32_t y = -1; y <= kSize; ++y)
            for (int32_t x = -1; x <= kSize; ++x)
                reference[size_t(y + 1) * kSide + (x + 1)] =
                    brush ? Search(k, 2.0 * (x - 8), 2.0 * (y - 4)) : Search(k, x, y);
        int32_t compared = 0;
        for (int32_t y = 0; y < kSize; ++y)
            for (int32_t x = 0; x < kSize; ++x) {
                const Reference& here = reference[size_t(y + 1) * kSide + (x + 1)];
                bool edge = false;
                for (int32_t dy = 0; dy < 3; ++dy)
                    for (int32_t dx = 0; dx < 3; ++dx)
                        edge |= reference[size_t(y + dy) * kSide + (x + dx)].root != here.root;
                if (edge || here.edge) continue;
                ++compared;
                const uint32_t expected = here.root == Root::None
                                              ? (withBackground ? kBackground : 0u)
                                              : StopColour(here.s);
                const uint32_t actual = pixels[size_t(y) * kSize + x];
                ASSERT_TRUE(Near(actual, expected))
                    << "case " << n << " pixel (" << x << ", " << y << "): " << std::hex << actual
                    << " expected " << expected << std::dec << " s " << here.s << " circles ("
                    << k.x0 << ", " << k.y0 << ", " << k.r0 << ") (" << k.x1 << ", " << k.y1 << ", "
                    << k.r1 << ") extend " << k.extendStart << k.extendEnd
                    << (brush ? " brush" : " draw");
            }
        EXPECT_GT(compared, kSize * kSize / 4) << "case " << n;
    }
}

}  // namespace
