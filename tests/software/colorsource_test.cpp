#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

#include "exceptionmessage.h"
#include "graphics/core/exception.h"
#include "graphics/bitmap/sysmembitmap.h"
#include "graphics/paint/bitmapbrush.h"
#include "graphics/paint/gradientbrush.h"
#include "graphics/paint/lineargradient.h"
#include "graphics/paint/radialgradient.h"
#include "graphics/paint/solidbrush.h"
#include "graphics/paint/trimeshgradient.h"
#include "graphics/software/swcolorsource.h"
#include "graphics/software/swsolidcolorsource.h"
#include "graphics/software/swsourcecolorop.h"
#include "graphics/software/swtrimeshgradientrenderer.h"

using namespace Graphics;

namespace {

constexpr GXMatrix kIdentity{1, 0, 0, 1, 0, 0};
constexpr GXIntRect kRect{0, 0, 4, 4};
const float kNaN = std::numeric_limits<float>::quiet_NaN();

using Pixels = std::vector<uint32_t>;

Pixels Span(SwColorSource& source, int32_t x0, int32_t x1, int32_t y) {
    Pixels out(size_t(x1 - x0), 0xDEADBEEFu);
    source.FillSpan(x0, x1, y, out.data());
    return out;
}

// Every pixel of a PARGB32 bitmap, row after row.
Pixels Contents(const SysMemBitmap& bitmap) {
    const GXIntSize size = bitmap.GetSize();
    Pixels pixels(size_t(size.width) * size_t(size.height));
    for (int32_t y = 0; y < size.height; ++y)
        std::memcpy(pixels.data() + size_t(y) * size_t(size.width), bitmap.Buffer().Row(y),
                    size_t(size.width) * 4);
    return pixels;
}

std::shared_ptr<SysMemBitmap> RenderMesh(const std::vector<TriMeshVertex>& vertices,
                                         const GXIntRect& rect = kRect,
                                         const GXMatrix& matrix = kIdentity) {
    return SwTriMeshGradientRenderer::Render(TriMeshGradient(vertices, 0), matrix, rect);
}

}  // namespace

TEST(ColorSourceSolid, AlphaAndOpacityArePremultiplied) {
    // Opacity 0.5 on opaque red: alpha int(127.5) = 127, red 255 x 128 >> 8 = 127.
    EXPECT_EQ(SwSolidColorSource::PremultipliedPixel({1, 0, 0, 1}, 0.5f), 0x7F7F0000u);
    EXPECT_EQ(SwSolidColorSource::PremultipliedPixel({0.2f, 0.4f, 0.6f, 1}, 1.0f), 0xFF336699u);
    EXPECT_EQ(SwSolidColorSource::PremultipliedPixel({1, 1, 1, 0}, 1.0f), 0u);
    // Opacities outside 0..1 clamp; NaN reads as 0.
    EXPECT_EQ(SwSolidColorSource::PremultipliedPixel({1, 1, 1, 1}, 7.0f), 0xFFFFFFFFu);
    EXPECT_EQ(SwSolidColorSource::PremultipliedPixel({1, 1, 1, 1}, kNaN), 0u);
    SwSolidColorSource source(0x80402010);
    EXPECT_EQ(Span(source, -3, 2, 9), Pixels(5, 0x80402010));
}

TEST(ColorSourceSolid, OpacityWeights) {
    EXPECT_EQ(SwColorSource::OpacityWeight(1.0f), 256u);
    EXPECT_EQ(SwColorSource::OpacityWeight(0.5f), 128u);
    EXPECT_EQ(SwColorSource::OpacityWeight(0.0f), 1u);
    // Just above 1 would wrap to weight 1 without the clamp.
    EXPECT_EQ(SwColorSource::OpacityWeight(1.004f), 256u);
    EXPECT_EQ(SwColorSource::OpacityWeight(-3.0f), 1u);
    EXPECT_EQ(SwColorSource::OpacityWeight(kNaN), 1u);
}

TEST(ColorSourceFactory, EachBrushKindGetsItsSource) {
    SolidBrush solid(ColorF{0, 0, 1, 1}, 1.0f);
    auto source = SwColorSource::CreateFromBrush(solid, kRect, kIdentity);
    EXPECT_EQ(Span(*source, 0, 2, 0), Pixels(2, 0xFF0000FF));

    auto bitmap = std::make_shared<SysMemBitmap>(GXIntSize{1, 1}, GXPixelFormatGray8, 96, 96);
    bitmap->Buffer().Row(0)[0] = 0x40;
    // The brush matrix applies first, then the device matrix.
    BitmapBrush bitmapBrush(bitmap, 1.0f, GXMatrix{2, 0, 0, 2, 0, 0}, 0, 0, 0);
    auto bitmapSource =
        SwColorSource::CreateFromBrush(bitmapBrush, kRect, GXMatrix{1, 0, 0, 1, 10, 0});
    EXPECT_EQ(Span(*bitmapSource, 10, 12, 0), Pixels(2, 0xFF404040));

    auto stops = std::make_shared<GradientStopCollection>();
    stops->Insert({0.0f, 0xFF000000});
    stops->Insert({1.0f, 0xFFFFFFFF});
    GradientBrush linear(
        std::make_shared<LinearGradient>(stops, GXPoint{0, 0}, GXPoint{1, 0}, 0, 0, 0), 1.0f,
        GXMatrix{256, 0, 0, 256, 0, 0});
    auto linearSource =
        SwColorSource::CreateFromBrush(linear, kRect, GXMatrix{0.5f, 0, 0, 0.5f, 0, 0});
    EXPECT_EQ(Span(*linearSource, 64, 65, 0)[0], 0xFF808080u);  // t = 64 / 128

    GradientBrush radial(
        std::make_shared<RadialGradient>(stops, GXPoint{0, 0}, 0.0f, GXPoint{0, 0}, 1.0f, 0, 0, 0),
        1.0f, GXMatrix{100, 0, 0, 100, 0, 0});
    auto radialSource = SwColorSource::CreateFromBrush(radial, kRect, kIdentity);
    EXPECT_EQ(Span(*radialSource, 50, 51, 0)[0], 0xFF808080u);
}

namespace {

class UnknownBrush : public Brush {
public:
    UnknownBrush() : Brush(GXMatrix{1, 0, 0, 1, 0, 0}, 1.0f) {}
    BrushKind GetType() const override { return static_cast<BrushKind>(2); }
};

class UnknownGradient : public Gradient {
public:
    GradientKind GetType() const override { return static_cast<GradientKind>(9); }
};

}  // namespace

TEST(ColorSourceFactory, UnknownKindsRaiseNotImplemented) {
    UnknownBrush brush;
    EXPECT_EQ(MessageOf([&] { SwColorSource::CreateFromBrush(brush, kRect, kIdentity); }),
              "Not implemented");
    GradientBrush gradient(std::make_shared<UnknownGradient>(), 1.0f, kIdentity);
    EXPECT_EQ(MessageOf([&] { SwColorSource::CreateFromBrush(gradient, kRect, kIdentity); }),
              "Not implemented");
}

TEST(ColorSourceOperation, FillsTheSpanIntoSourceColor) {
    SwSourceColorOp op(std::make_shared<SwSolidColorSource>(0xFF123456));
    EXPECT_EQ(op.OrderKey(), kSwOrderSourceColor);
    Pixels buffer(6, 0);
    SwSpanState state{};
    state.sourceColor = buffer.data();
    state.span = {3, 10, 14, 255};
    op.Process(state);
    EXPECT_EQ(buffer, (Pixels{0xFF123456, 0xFF123456, 0xFF123456, 0xFF123456, 0, 0}));
}

TEST(ColorSourceTriMesh, TopLeftRuleDecidesTheDiagonal) {
    // Pixel centres on the hypotenuse x + y = 4 belong to the triangle on their right.
    auto bitmap = RenderMesh({{0, 0, 0xFFFF0000}, {4, 0, 0xFFFF0000}, {0, 4, 0xFFFF0000}});
    const uint32_t R = 0xFFFF0000;
    EXPECT_EQ(Contents(*bitmap), (Pixels{R, R, R, 0, R, R, 0, 0, R, 0, 0, 0, 0, 0, 0, 0}));
}

TEST(ColorSourceTriMesh, StripOfTwoTrianglesCoversTheSquareOnce) {
    auto bitmap = RenderMesh(
        {{0, 0, 0x80FFFFFF}, {4, 0, 0x80FFFFFF}, {0, 4, 0x80FFFFFF}, {4, 4, 0x80FFFFFF}});
    // Alpha 128: colour (128 + 1) x 255 >> 8 = 128.
    EXPECT_EQ(Contents(*bitmap), Pixels(16, 0x80808080));
}

TEST(ColorSourceTriMesh, GouraudChannelsAreAffineAcrossTheTriangle) {
    auto bitmap = RenderMesh({{0, 0, 0xFF000000}, {16, 0, 0xFFFF0000}, {0, 16, 0xFF0000FF}},
                             GXIntRect{0, 0, 8, 8});
    const Pixels pixels = Contents(*bitmap);
    // Red = (2 x column + 1) / 32 and blue = (2 x row + 1) / 32, times 255 truncated.
    EXPECT_EQ(pixels[0], 0xFF070007u);
    EXPECT_EQ(pixels[2 * 8 + 3], 0xFF370027u);
    EXPECT_EQ(pixels[7 * 8 + 7], 0xFF770077u);
}

TEST(ColorSourceTriMesh, StripOrderAlternatesTheReplacedVertex) {
    // Five vertices along a zig-zag: triangles (0,1,2), (2,1,3), (2,3,4) tile 0..8 x 0..4.
    auto bitmap = RenderMesh({{0, 0, 0xFF0000FF},
                              {0, 4, 0xFF0000FF},
                              {4, 0, 0xFF0000FF},
                              {4, 4, 0xFF0000FF},
                              {8, 0, 0xFF0000FF}},
                             GXIntRect{0, 0, 8, 4});
    const Pixels pixels = Contents(*bitmap);
    // Everything left of the last triangle's diagonal from (8, 0) to (4, 4) is covered.
    for (int32_t y = 0; y < 4; ++y)
        for (int32_t x = 0; x < 8; ++x)
            EXPECT_EQ(pixels[size_t(y * 8 + x)], x + y < 7 ? 0xFF0000FFu : 0u) << x << "," << y;
}

TEST(ColorSourceTriMesh, PlacedAtTheDeviceRectangleThroughTheFactory) {
    auto mesh = std::make_shared<TriMeshGradient>(
        std::vector<TriMeshVertex>{
            {0, 0, 0xFF00FF00}, {2, 0, 0xFF00FF00}, {0, 2, 0xFF00FF00}, {2, 2, 0xFF00FF00}},
        0);
    GradientBrush brush(mesh, 0.5f, GXMatrix{2, 0, 0, 2, 0, 0});
    auto source = SwColorSource::CreateFromBrush(brush, GXIntRect{10, 20, 16, 26},
                                                 GXMatrix{1, 0, 0, 1, 10, 20});
    // Covers device 10..14 x 20..24 at half opacity; the rest of the rectangle stays clear.
    EXPECT_EQ(Span(*source, 10, 16, 21),
              (Pixels{0x7F007F00, 0x7F007F00, 0x7F007F00, 0x7F007F00, 0, 0}));
    EXPECT_EQ(Span(*source, 10, 12, 25), Pixels(2, 0));
}

TEST(ColorSourceTriMesh, DegenerateInputDrawsNothing) {
    EXPECT_EQ(Contents(*RenderMesh({{0, 0, 0xFFFFFFFF}, {4, 4, 0xFFFFFFFF}})), Pixels(16, 0));
    EXPECT_EQ(Contents(*RenderMesh({{0, 0, 0xFFFFFFFF}, {2, 2, 0xFFFFFFFF}, {4, 4, 0xFFFFFFFF}})),
              Pixels(16, 0));
    EXPECT_EQ(
        Contents(*RenderMesh({{kNaN, 0, 0xFFFFFFFF}, {4, 0, 0xFFFFFFFF}, {0, 4, 0xFFFFFFFF}})),
        Pixels(16, 0));
    EXPECT_EQ(Contents(*RenderMesh({{0, 0, 0xFFFFFFFF}, {4, 0, 0xFFFFFFFF}, {0, 4, 0xFFFFFFFF}},
                                   kRect, GXMatrix{kNaN, 0, 0, 1, 0, 0})),
              Pixels(16, 0));
    // Huge coordinates are clamped before conversion; the triangle still covers the rectangle.
    auto huge = RenderMesh(
        {{-1e30f, -1e30f, 0xFFFFFFFF}, {1e30f, -1e30f, 0xFFFFFFFF}, {0, 1e30f, 0xFFFFFFFF}});
    EXPECT_EQ(Contents(*huge), Pixels(16, 0xFFFFFFFF));
    // An empty rectangle gives an empty bitmap, which paints nothing.
    EXPECT_EQ(RenderMesh({{0, 0, 0xFFFFFFFF}, {4, 0, 0xFFFFFFFF}, {0, 4, 0xFFFFFFFF}},
                         GXIntRect{5, 5, 2, 2})
                  ->GetSize()
                  .width,
              0);
    EXPECT_EQ(MessageOf([] {
                  RenderMesh({{0, 0, 0xFFFFFFFF}, {4, 0, 0xFFFFFFFF}, {0, 4, 0xFFFFFFFF}},
                             GXIntRect{INT32_MIN, 0, INT32_MAX, 1 << 30});
              }),
              "Not enough memory");
}
