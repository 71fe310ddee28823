#include "graphics/software/swtrimeshgradientrenderer.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

#include "graphics/core/exception.h"
#include "graphics/bitmap/pixelbuffer.h"
#include "graphics/bitmap/pixelformat.h"
#include "graphics/bitmap/sysmembitmap.h"
#include "graphics/geometry/matrix.h"
#include "graphics/geometry/transformer.h"
#include "graphics/paint/trimeshgradient.h"

namespace Graphics {

namespace {

// Vertex coordinates in 1/16 px are clamped to +-2^27 (8 million pixels): far outside any
// bitmap, and small enough that the crossing products stay within 64 bits.
constexpr double kSub16Limit = 134217728.0;

// Pixel coordinate to 1/16 px measured from pixel centres, truncated.
int64_t ToSub16(float v) {
    const double sub16 = (double(v) - 0.5) * 16.0;
    return int64_t(std::clamp(sub16, -kSub16Limit, kSub16Limit));
}

int64_t FloorDiv(int64_t n, int64_t d) {  // d > 0
    const int64_t q = n / d;
    return (n % d != 0 && n < 0) ? q - 1 : q;
}

int64_t CeilDiv(int64_t n, int64_t d) {  // d > 0
    return -FloorDiv(-n, d);
}

// The first pixel at or right of where the edge (xa, ya)-(xb, yb) crosses y16 (ya <= y16 < yb;
// all in 1/16 px): ceil(crossing / 16), exact.
int64_t CeilCrossing(int64_t xa, int64_t ya, int64_t xb, int64_t yb, int64_t y16) {
    const int64_t dy = yb - ya;
    return CeilDiv(xa * dy + (y16 - ya) * (xb - xa), 16 * dy);
}

float Channel(uint32_t argb, int shift) {
    return float((argb >> shift) & 0xFF) / 255.0f;
}

// Clamped to 0..1 (NaN to 0) and times 255, truncated.
uint32_t UnitToByte(double v) {
    if (!(v > 0.0)) return 0;
    return v >= 1.0 ? 255u : uint32_t(v * 255.0);
}

}  // namespace

void SwTriMeshGradientRenderer::FillTriangle(const GXBitmapData& target, int32_t width,
                                             int32_t height, Vertex v0, Vertex v1, Vertex v2) {
    if (!std::isfinite(v0.x) || !std::isfinite(v0.y) || !std::isfinite(v1.x) ||
        !std::isfinite(v1.y) || !std::isfinite(v2.x) || !std::isfinite(v2.y))
        return;
    if (v0.y > v2.y) std::swap(v0, v2);
    if (v1.y > v2.y) std::swap(v1, v2);
    if (v0.y > v1.y) std::swap(v0, v1);
    const float minX = std::min({v0.x, v1.x, v2.x}), maxX = std::max({v0.x, v1.x, v2.x});
    if (maxX < 0.0f || minX > float(width) || v2.y < 0.0f || v0.y > float(height)) return;

    const int64_t x0 = ToSub16(v0.x), y0 = ToSub16(v0.y);
    const int64_t x1 = ToSub16(v1.x), y1 = ToSub16(v1.y);
    const int64_t x2 = ToSub16(v2.x), y2 = ToSub16(v2.y);
    const int64_t cross = (x1 - x0) * (y2 - y0) - (x2 - x0) * (y1 - y0);
    if (cross == 0) return;  // no area: no pixel, and no colour plane to solve for

    // Each channel (0..1) as an affine function of the 1/16 px position: its value at v0
    // and its steps per 1/16 px along x and y.
    double start[4], stepX[4], stepY[4];
    for (int ch = 0; ch < 4; ++ch) {
        const int shift = 8 * ch;  // blue, green, red, alpha
        const double c0 = Channel(v0.argb, shift);
        const double d1 = Channel(v1.argb, shift) - c0, d2 = Channel(v2.argb, shift) - c0;
        start[ch] = c0;
        stepX[ch] = (d1 * double(y2 - y0) - d2 * double(y1 - y0)) / double(cross);
        stepY[ch] = (d2 * double(x1 - x0) - d1 * double(x2 - x0)) / double(cross);
    }

    const int64_t firstRow = std::max<int64_t>(0, CeilDiv(y0, 16));
    for (int64_t row = firstRow; row < height && 16 * row < y2; ++row) {
        const int64_t y16 = 16 * row;
        const int64_t along = CeilCrossing(x0, y0, x2, y2, y16);
        const int64_t other =
            y16 < y1 ? CeilCrossing(x0, y0, x1, y1, y16) : CeilCrossing(x1, y1, x2, y2, y16);
        const int64_t left = std::max<int64_t>(std::min(along, other), 0);
        const int64_t right = std::min<int64_t>(std::max(along, other), width);
        if (left >= right) continue;
        double value[4], step[4];
        for (int ch = 0; ch < 4; ++ch) {
            value[ch] =
                start[ch] + stepX[ch] * double(16 * left - x0) + stepY[ch] * double(y16 - y0);
            step[ch] = 16.0 * stepX[ch];
        }
        uint8_t* out = static_cast<uint8_t*>(target.data) + int64_t(target.stride) * row + 4 * left;
        for (int64_t j = left; j < right; ++j, out += 4) {
            const uint32_t a = UnitToByte(value[3]);
            uint32_t pixel = a << 24;
            for (int ch = 0; ch < 3; ++ch) {
                const uint32_t c = UnitToByte(value[ch]);
                pixel |= (a == 255 ? c : ((a + 1) * c) >> 8) << (8 * ch);
            }
            std::memcpy(out, &pixel, 4);
            for (int ch = 0; ch < 4; ++ch) value[ch] += step[ch];
        }
    }
}

std::shared_ptr<SysMemBitmap> SwTriMeshGradientRenderer::Render(const TriMeshGradient& mesh,
                                                                const GXMatrix& meshToDevice,
                                                                const GXIntRect& deviceRect) {
    const int64_t width = std::max<int64_t>(0, int64_t(deviceRect.right) - deviceRect.left);
    const int64_t height = std::max<int64_t>(0, int64_t(deviceRect.bottom) - deviceRect.top);
    if (width > INT32_MAX || height > INT32_MAX ||
        !PixelBuffer::CanRepresent(int32_t(width), int32_t(height), 32))
        GX_RAISE("Not enough memory");
    auto bitmap = std::make_shared<SysMemBitmap>(GXIntSize{int32_t(width), int32_t(height)},
                                                 PixelFormat::PARGB32, 96.0f, 96.0f);
    const PixelBuffer& buffer = bitmap->Buffer();
    if (buffer.data) std::memset(buffer.data.get(), 0, size_t(buffer.stride) * size_t(height));

    const GXMatrix toBitmap = MultiplyMatrix(
        meshToDevice, GXMatrix{1, 0, 0, 1, -float(deviceRect.left), -float(deviceRect.top)});
    const auto& vertices = mesh.GetVertices();
    auto mapped = [&](size_t i) {
        const GXPoint p = TransformPoint(toBitmap, GXPoint{vertices[i].x, vertices[i].y});
        return Vertex{p.x, p.y, vertices[i].argb};
    };
    BitmapLock lock(*bitmap, nullptr, LockMode::Write);
    if (vertices.size() < 3) return bitmap;
    // A strip: after the triangle ending with vertex k, vertex k replaces the first retained
    // vertex when k is even and the second when k is odd.
    Vertex first = mapped(0), second = mapped(1);
    for (size_t k = 2; k < vertices.size(); ++k) {
        const Vertex next = mapped(k);
        FillTriangle(lock.Data(), int32_t(width), int32_t(height), first, second, next);
        (k % 2 == 0 ? first : second) = next;
    }
    return bitmap;
}

}  // namespace Graphics
