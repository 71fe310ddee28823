#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>

#include "exceptionmessage.h"
#include "graphics/core/exception.h"
#include "graphics/bitmap/bitmap.h"
#include "graphics/bitmap/sysmembitmap.h"
#include "graphics/geometry/geometry.h"
#include "graphics/paint/solidbrush.h"
#include "graphics/software/swbitmapsurface.h"
#include "graphics/software/swrendertarget.h"

namespace Graphics {
namespace {

std::shared_ptr<Bitmap> MakeBitmap(int32_t width, int32_t height, GXPixelFormat format) {
    auto bitmap = Bitmap::Create(GXBitmapDesc{width, height, format, 96, 96});
    bitmap->ColorFill(nullptr, 0);
    return bitmap;
}

std::shared_ptr<Geometry> Rect(float l, float t, float r, float b) {
    auto geometry = std::make_shared<Geometry>();
    geometry->Rectangle(GXRect{l, t, r, b});
    return geometry;
}

uint32_t PixelAt(BitmapSource& bitmap, int32_t x, int32_t y) {
    uint32_t pixel = 0;
    const GXIntRect rect{x, y, x + 1, y + 1};
    bitmap.CopyPixels(&rect, reinterpret_cast<uint8_t*>(&pixel), 4, 4);
    return pixel;
}

const std::shared_ptr<Brush> kRed = std::make_shared<SolidBrush>(ColorF::FromARGB(0xFFFF0000u));

// A surface lending a bitmap the pipeline cannot paint.
class Rgb24Surface : public SwSurface {
public:
    GXPixelFormat GetPixelFormat() const override { return GXPixelFormatRGB24; }
    GXIntSize GetSize() const override { return GXIntSize{4, 4}; }
    float GetDpiX() const override { return 96; }
    float GetDpiY() const override { return 96; }
    std::shared_ptr<BitmapBase> BeginPaint() override {
        return std::make_shared<SysMemBitmap>(GXIntSize{4, 4}, GXPixelFormatRGB24, 96, 96);
    }
    void EndPaint() override {}
    void Present() override {}
};

TEST(SwRenderTargetState, CopiesCarryIntoThePaintAndResetAfterIt) {
    SwRenderTarget target(
        std::make_shared<SwBitmapSurface>(MakeBitmap(4, 4, GXPixelFormatPARGB32)));
    target.SetBlendMode(3);
    target.SetStrokeAdjustment(false);
    target.SetStateValue(2);
    target.SetCTM(GXMatrix{2, 0, 0, 2, 1, 1});
    target.BeginPaint();
    EXPECT_EQ(target.GetBlendMode(), 3);
    EXPECT_FALSE(target.GetStrokeAdjustment());
    EXPECT_EQ(target.GetStateValue(), 2);
    EXPECT_EQ(target.GetCTM().a, 2);
    EXPECT_EQ(target.GetCTM().e, 1);
    EXPECT_TRUE(target.EndPaint());
    EXPECT_EQ(target.GetBlendMode(), 0);
    EXPECT_TRUE(target.GetStrokeAdjustment());
    EXPECT_EQ(target.GetStateValue(), 0);
    EXPECT_EQ(target.GetCTM().a, 1);
    EXPECT_EQ(target.GetCTM().e, 0);
}

TEST(SwRenderTargetState, PopStateRestoresBlendModeTransformAndClip) {
    auto bitmap = MakeBitmap(8, 8, GXPixelFormatPARGB32);
    SwRenderTarget target(std::make_shared<SwBitmapSurface>(bitmap));
    target.BeginPaint();
    target.SetBlendMode(1);
    target.PushState();
    target.SetBlendMode(5);
    target.SetCTM(GXMatrix{1, 0, 0, 1, 4, 0});
    target.ClipGeometry(Rect(0, 0, 1, 1));
    target.PopState();
    target.PopState();  // only the first state is left: nothing happens
    EXPECT_EQ(target.GetBlendMode(), 1);
    EXPECT_EQ(target.GetCTM().e, 0);
    target.SetBlendMode(0);
    target.FillGeometry(Rect(0, 0, 8, 8), kRed);
    EXPECT_TRUE(target.EndPaint());
    EXPECT_EQ(PixelAt(*bitmap, 7, 7), 0xFFFF0000u);
}

TEST(SwRenderTargetState, TextGeometryIsNeverSnapped) {
    auto bitmap = MakeBitmap(4, 4, GXPixelFormatPARGB32);
    SwRenderTarget target(std::make_shared<SwBitmapSurface>(bitmap));
    target.BeginPaint();
    target.FillTextGeometry(Rect(0.5f, 0.5f, 2, 2), kRed);
    EXPECT_TRUE(target.GetStrokeAdjustment());
    target.FillGeometry(Rect(2.5f, 2.5f, 4, 4), kRed);
    EXPECT_TRUE(target.EndPaint());
    EXPECT_LT(PixelAt(*bitmap, 0, 0) >> 24, 255u);
    EXPECT_EQ(PixelAt(*bitmap, 2, 2), 0xFFFF0000u);
}

TEST(SwRenderTargetFailures, RefusesADrawableOfAnotherFormat) {
    SwRenderTarget target(std::make_shared<Rgb24Surface>());
    EXPECT_EQ(MessageOf([&] { target.BeginPaint(); }), "Unsuported pixel format");
    // No paint was opened: drawing does nothing and ending has nothing to finish.
    target.FillGeometry(Rect(0, 0, 4, 4), kRed);
    EXPECT_TRUE(target.EndPaint());
}

TEST(SwRenderTargetState, GroupsHaveTheirOwnStateAndCopiesFollowTheInnermost) {
    SwRenderTarget target(
        std::make_shared<SwBitmapSurface>(MakeBitmap(4, 4, GXPixelFormatPARGB32)));
    target.BeginPaint();
    target.SetBlendMode(3);
    target.SetCTM(GXMatrix{2, 0, 0, 2, 1, 0});
    target.BeginLayer(GXLayerParams{GXRect{0, 0, 1, 1}, 1, 1, 0});
    EXPECT_EQ(target.GetBlendMode(), 0);
    EXPECT_EQ(target.GetCTM().a, 2);  // the group's pixels start at device (1, 0)
    EXPECT_EQ(target.GetCTM().e, 1);
    target.SetCTM(GXMatrix{1, 0, 0, 1, 0, 0});
    target.EndLayer();
    EXPECT_EQ(target.GetBlendMode(), 3);
    EXPECT_EQ(target.GetCTM().a, 2);
    EXPECT_TRUE(target.EndPaint());
}

TEST(SwRenderTargetFailures, ZeroSizeTargetIgnoresDrawing) {
    SwRenderTarget target(
        std::make_shared<SwBitmapSurface>(MakeBitmap(0, 4, GXPixelFormatPARGB32)));
    target.BeginPaint();
    target.Clear(ColorF::FromARGB(0xFFFFFFFFu));
    target.ClipGeometry(Rect(0, 0, 1, 1));
    target.FillGeometry(Rect(0, 0, 4, 4), kRed);
    EXPECT_TRUE(target.EndPaint());
}

TEST(SwSurfaceDrawable, InPlaceForPremultipliedCopiedOtherwise) {
    auto pargb = MakeBitmap(2, 2, GXPixelFormatPARGB32);
    EXPECT_EQ(SwSurface::GetDrawable(*pargb), pargb->GetImpl());
    EXPECT_EQ(SwSurface::GetDrawable(*pargb), pargb->GetImpl());

    auto argb = MakeBitmap(2, 2, GXPixelFormatARGB32);
    const GXIntRect all{0, 0, 2, 2};
    EXPECT_EQ(MessageOf([&] { SwSurface::UpdateBitmap(*argb, all); }), "Bitmap is not cached");
    argb->ColorFill(nullptr, 0x80FF0000u);
    std::shared_ptr<BitmapBase> copy = SwSurface::GetDrawable(*argb);
    EXPECT_NE(copy, argb->GetImpl());
    EXPECT_EQ(copy->GetPixelFormat(), GXPixelFormatPARGB32);
    EXPECT_EQ(SwSurface::GetDrawable(*argb), copy);  // cached
    copy->ColorFill(nullptr, ColorF::FromARGB(0xFF00FF00u));
    SwSurface::UpdateBitmap(*argb, all);
    EXPECT_EQ(PixelAt(*argb, 1, 1), 0xFF00FF00u);
    // A change the caller makes drops the cached copy; the next one starts from the bitmap.
    argb->ColorFill(nullptr, 0xFF0000FFu);
    argb->NotifyChanged();
    EXPECT_EQ(PixelAt(*SwSurface::GetDrawable(*argb), 0, 0), 0xFF0000FFu);

    auto rgb = MakeBitmap(2, 2, GXPixelFormatRGB32);
    std::shared_ptr<BitmapBase> view = SwSurface::GetDrawable(*rgb);
    EXPECT_EQ(view->GetPixelFormat(), GXPixelFormatPARGB32);
    EXPECT_EQ(PixelAt(*rgb, 0, 0) >> 24, 255u);  // the padding byte now reads as opaque
}

}  // namespace
}  // namespace Graphics
