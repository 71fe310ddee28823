// Brushes and gradients, made through the exports and inspected from the inside.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "graphics/api/handlerecord.h"
#include "graphics/bitmap/bitmap.h"
#include "graphics/paint/bitmapbrush.h"
#include "graphics/paint/gradientbrush.h"
#include "graphics/paint/lineargradient.h"
#include "graphics/paint/radialgradient.h"
#include "graphics/paint/solidbrush.h"
#include "graphics/paint/trimeshgradient.h"

namespace Graphics {
namespace {

// Owns one reference of a handle for the length of a test.
template <class Record>
struct Held {
    Record* handle = nullptr;
    ~Held() {
        if (handle) GXObjectRelease(handle);
    }
};

void ExpectColor(const ColorF& c, float r, float g, float b, float a) {
    EXPECT_FLOAT_EQ(c.red, r);
    EXPECT_FLOAT_EQ(c.green, g);
    EXPECT_FLOAT_EQ(c.blue, b);
    EXPECT_FLOAT_EQ(c.alpha, a);
}

void ExpectIdentity(const GXMatrix& m) {
    EXPECT_EQ(m.a, 1);
    EXPECT_EQ(m.b, 0);
    EXPECT_EQ(m.c, 0);
    EXPECT_EQ(m.d, 1);
    EXPECT_EQ(m.e, 0);
    EXPECT_EQ(m.f, 0);
}

TEST(SolidBrush, ChannelsAreClampedAndNaNBecomesZero) {
    Held<GXBrushRec_> brush;
    GXColorF color{1.5f, -0.2f, 0.5f, 2.0f};
    ASSERT_EQ(GXCreateBrushSolid(&color, &brush.handle), GXResultSuccess);
    auto& solid = static_cast<SolidBrush&>(*brush.handle->impl);
    EXPECT_EQ(solid.GetType(), BrushKind::Solid);
    ExpectColor(solid.GetColor(), 1, 0, 0.5f, 1);
    ExpectIdentity(solid.GetMatrix());
    EXPECT_EQ(solid.GetOpacity(), 1.0f);

    Held<GXBrushRec_> nan;
    float q = std::numeric_limits<float>::quiet_NaN();
    GXColorF bad{q, q, 0.25f, q};
    ASSERT_EQ(GXCreateBrushSolid(&bad, &nan.handle), GXResultSuccess);
    ExpectColor(static_cast<SolidBrush&>(*nan.handle->impl).GetColor(), 0, 0, 0.25f, 0);
}

TEST(SolidBrush, ArgbBytesAreDividedBy255) {
    Held<GXBrushRec_> brush;
    ASSERT_EQ(GXCreateBrushSolidARGB(0x80FF0000u, &brush.handle), GXResultSuccess);
    ExpectColor(static_cast<SolidBrush&>(*brush.handle->impl).GetColor(), 1, 0, 0, 128.0f / 255.0f);
}

TEST(BitmapBrush, DefaultsAndSharing) {
    GXBitmapDesc desc{4, 4, GXPixelFormatARGB32, 96, 96};
    Held<GXBitmapRec_> bitmap;
    ASSERT_EQ(GXCreateBitmap(&desc, &bitmap.handle), GXResultSuccess);

    Held<GXBrushRec_> brush;
    ASSERT_EQ(GXCreateBrushBitmap(bitmap.handle, 0.5f, nullptr, nullptr, &brush.handle),
              GXResultSuccess);
    auto& b = static_cast<BitmapBrush&>(*brush.handle->impl);
    EXPECT_EQ(b.GetType(), BrushKind::Bitmap);
    EXPECT_EQ(b.GetSamplingMode(), 1);
    EXPECT_EQ(b.GetExtendX(), 0);
    EXPECT_EQ(b.GetExtendY(), 0);
    EXPECT_EQ(b.GetOpacity(), 0.5f);
    ExpectIdentity(b.GetMatrix());
    // The brush shares the bitmap object itself, so it outlives the handle.
    EXPECT_EQ(b.GetBitmap().get(), static_cast<BitmapSource*>(bitmap.handle->impl.get()));
    GXObjectRelease(bitmap.handle);
    bitmap.handle = nullptr;
    EXPECT_EQ(b.GetBitmap()->GetSize().width, 4);

    Held<GXBrushRec_> custom;
    GXBitmapBrushParams params{GXBitmapSamplingNearest, GXExtendRepeat, 7};
    GXMatrix m{2, 0, 0, 3, 10, 20};
    GXBitmapRec_* none = nullptr;
    EXPECT_EQ(GXCreateBrushBitmap(none, 1, &params, &m, &custom.handle), GXResultInvalidArg);
}

TEST(BitmapBrush, ExtendModesMapIndicesIntoTheBitmap) {
    // A 4-pixel row.
    EXPECT_EQ(BitmapBrush::ExtendIndex(BitmapExtendRepeat, -3, 4), 1);
    EXPECT_EQ(BitmapBrush::ExtendIndex(BitmapExtendRepeat, 6, 4), 2);
    EXPECT_EQ(BitmapBrush::ExtendIndex(BitmapExtendMirror, -3, 4), 2);
    EXPECT_EQ(BitmapBrush::ExtendIndex(BitmapExtendMirror, 6, 4), 1);
    EXPECT_EQ(BitmapBrush::ExtendIndex(BitmapExtendClamp, -3, 4), 0);
    EXPECT_EQ(BitmapBrush::ExtendIndex(BitmapExtendClamp, 6, 4), 3);
    // Unknown modes clamp; extreme indices stay in range.
    EXPECT_EQ(BitmapBrush::ExtendIndex(9, 6, 4), 3);
    for (int mode = 0; mode < 3; ++mode) {
        for (int32_t i : {INT32_MIN, INT32_MIN + 1, -1, 0, 3, 4, INT32_MAX}) {
            int32_t index = BitmapBrush::ExtendIndex(mode, i, 4);
            EXPECT_GE(index, 0);
            EXPECT_LT(index, 4);
        }
    }
    // Inside the row every mode reads the index itself.
    for (int mode = 0; mode < 3; ++mode)
        for (int i = 0; i < 4; ++i) EXPECT_EQ(BitmapBrush::ExtendIndex(mode, i, 4), i);
}

TEST(Gradient, StopsSortStablyAndBackgroundZeroMeansNone) {
    GXGradientStop stops[] = {
        {0.5f, 0xFFFF0000u}, {1.0f, 0xFF00FF00u}, {0.5f, 0xFF0000FFu}, {0.0f, 0xFFFFFFFFu}};
    GXLinearGradientDesc desc{stops, 4, 0, 0, 100, 0, 1, 0, {0, 0}, 0};
    Held<GXGradientRec_> gradient;
    ASSERT_EQ(GXCreateGradientLinear(&desc, &gradient.handle), GXResultSuccess);
    auto& linear = static_cast<LinearGradient&>(*gradient.handle->impl);
    EXPECT_EQ(linear.GetType(), GradientKind::Linear);
    const auto& s = linear.GetStops().Stops();
    ASSERT_EQ(s.size(), 4u);
    EXPECT_EQ(s[0].argb, 0xFFFFFFFFu);
    EXPECT_EQ(s[1].argb, 0xFFFF0000u);  // red before blue: both at 0.5, in the given order
    EXPECT_EQ(s[2].argb, 0xFF0000FFu);
    EXPECT_EQ(s[3].argb, 0xFF00FF00u);
    EXPECT_FALSE(linear.HasBackground());
    EXPECT_TRUE(linear.ExtendsStart());
    EXPECT_FALSE(linear.ExtendsEnd());
    EXPECT_EQ(linear.GetP1().x, 100);

    GXRadialGradientDesc radial{nullptr, 0, 1, 2, 3, 4, 5, 6, 0, 1, {0, 0}, 0x40FF8000u};
    Held<GXGradientRec_> r;
    ASSERT_EQ(GXCreateGradientRadial(&radial, &r.handle), GXResultSuccess);
    auto& rg = static_cast<RadialGradient&>(*r.handle->impl);
    EXPECT_EQ(rg.GetType(), GradientKind::Radial);
    EXPECT_EQ(rg.GetStops().Count(), 0u);
    EXPECT_EQ(rg.GetR0(), 3);
    EXPECT_EQ(rg.GetR1(), 6);
    EXPECT_TRUE(rg.HasBackground());
    ExpectColor(rg.GetBackground(), 1, 128.0f / 255, 0, 64.0f / 255);

    // Stops promised but not given.
    GXLinearGradientDesc missing{nullptr, 2, 0, 0, 1, 1, 0, 0, {0, 0}, 0};
    Held<GXGradientRec_> none;
    EXPECT_EQ(GXCreateGradientLinear(&missing, &none.handle), GXResultInvalidArg);
    EXPECT_EQ(none.handle, nullptr);
}

TEST(Gradient, NaNOffsetsDoNotDisturbTheOrder) {
    GradientStopCollection stops;
    float q = std::numeric_limits<float>::quiet_NaN();
    stops.Insert({0.7f, 1});
    stops.Insert({q, 2});
    stops.Insert({0.2f, 3});
    stops.Insert({0.9f, 4});
    const auto& s = stops.Stops();
    ASSERT_EQ(s.size(), 4u);
    // Finite stops in order, the NaN one kept at the end.
    EXPECT_EQ(s[0].argb, 3u);
    EXPECT_EQ(s[1].argb, 1u);
    EXPECT_EQ(s[2].argb, 4u);
    EXPECT_EQ(s[3].argb, 2u);
}

TEST(Gradient, TriMeshKeepsVerticesAndNeedsAtLeastOne) {
    GXTriMeshVertex v[] = {{0, 0, 0xFFFF0000u}, {10, 0, 0xFF00FF00u}, {0, 10, 0xFF0000FFu}};
    Held<GXGradientRec_> mesh;
    ASSERT_EQ(GXCreateGradientTriMesh(v, 3, 0, &mesh.handle), GXResultSuccess);
    auto& tri = static_cast<TriMeshGradient&>(*mesh.handle->impl);
    EXPECT_EQ(tri.GetType(), GradientKind::TriMesh);
    ASSERT_EQ(tri.GetVertices().size(), 3u);
    EXPECT_EQ(tri.GetVertices()[1].x, 10);
    EXPECT_EQ(tri.GetVertices()[2].argb, 0xFF0000FFu);
    ExpectColor(tri.GetBackground(), 0, 0, 0, 0);

    Held<GXGradientRec_> empty;
    EXPECT_EQ(GXCreateGradientTriMesh(v, 0, 0, &empty.handle), GXResultInvalidArg);
    EXPECT_EQ(GXCreateGradientTriMesh(nullptr, 3, 0, &empty.handle), GXResultInvalidArg);
    EXPECT_EQ(empty.handle, nullptr);
}

TEST(GradientBrush, SharesTheGradientBeyondItsHandle) {
    GXGradientStop stops[] = {{0, 0xFF000000u}, {1, 0xFFFFFFFFu}};
    GXLinearGradientDesc desc{stops, 2, 0, 0, 1, 0, 0, 0, {0, 0}, 0};
    GXGradientRec_* gradient = nullptr;
    ASSERT_EQ(GXCreateGradientLinear(&desc, &gradient), GXResultSuccess);
    GXMatrix m{2, 0, 0, 2, 5, 5};
    Held<GXBrushRec_> brush;
    ASSERT_EQ(GXCreateBrushGradient(gradient, 0.25f, &m, &brush.handle), GXResultSuccess);
    GXObjectRelease(gradient);
    auto& g = static_cast<GradientBrush&>(*brush.handle->impl);
    EXPECT_EQ(g.GetType(), BrushKind::Gradient);
    EXPECT_EQ(g.GetMatrix().e, 5);
    EXPECT_EQ(g.GetOpacity(), 0.25f);
    EXPECT_EQ(g.GetGradient()->GetType(), GradientKind::Linear);
    EXPECT_EQ(static_cast<LinearGradient&>(*g.GetGradient()).GetStops().Count(), 2u);
}

TEST(BrushExports, NullArgumentsAreRejected) {
    GXBrushRec_* brush = nullptr;
    GXGradientRec_* gradient = nullptr;
    GXColorF c{0, 0, 0, 1};
    EXPECT_EQ(GXCreateBrushSolid(nullptr, &brush), GXResultInvalidArg);
    EXPECT_EQ(GXCreateBrushSolid(&c, nullptr), GXResultInvalidArg);
    EXPECT_EQ(GXCreateBrushSolidARGB(0, nullptr), GXResultInvalidArg);
    EXPECT_EQ(GXCreateBrushGradient(nullptr, 1, nullptr, &brush), GXResultInvalidArg);
    EXPECT_EQ(GXCreateGradientLinear(nullptr, &gradient), GXResultInvalidArg);
    EXPECT_EQ(GXCreateGradientRadial(nullptr, &gradient), GXResultInvalidArg);
    EXPECT_EQ(brush, nullptr);
    EXPECT_EQ(gradient, nullptr);
}

}  // namespace
}  // namespace Graphics
