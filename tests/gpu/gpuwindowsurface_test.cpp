// The window surface under a real X server (scripts/test.sh starts Xvfb) on lavapipe: what
// the window shows after Present is read back with XGetImage. The software fallback surface
// is checked through the texture it uploads.
#include "gpufixture.h"
// Xlib after GoogleTest and the library's headers: its macros (None, Bool) break templates.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <unistd.h>

#include "graphics/core/exception.h"
#include "graphics/geometry/geometry.h"
#include "graphics/gpu/gpuswfallbacksurface.h"
#include "graphics/gpu/gpuvidmemtexture.h"
#include "graphics/gpu/gpuwindowsurface.h"
#include "graphics/paint/solidbrush.h"
#include "graphics/software/swrendertarget.h"
#include "platform/x11window.h"

using namespace Graphics;

namespace {

// Where this process puts its windows. XGetImage reads what the screen shows, so windows of
// test programs running at the same time must not cover each other: each process takes a
// cell of its own, away from the top-left corner the other window tests use.
void WindowPlace(Display* display, int* x, int* y) {
    const int cell = int(getpid() % 48);
    *x = DisplayWidth(display, DefaultScreen(display)) / 2 + (cell % 8) * 80;
    *y = DisplayHeight(display, DefaultScreen(display)) / 2 + (cell / 8) * 80;
}

class GpuWindowSurfaceTest : public GpuTest {
protected:
    void SetUp() override {
        GpuTest::SetUp();
        if (IsSkipped()) return;
        // One connection for the program, never closed: the driver's window system keeps
        // what it learnt about a connection by its address, which a new connection may
        // reuse, and would then skip the extension handshakes the new one needs.
        static Display* shared = [] {
            Display* display = nullptr;
            const char* name = getenv("DISPLAY");
            for (int attempt = 0; attempt < 20 && !display && name && *name; ++attempt) {
                display = XOpenDisplay(nullptr);
                if (!display) usleep(100000);
            }
            return display;
        }();
        display_ = shared;
        if (!display_) GTEST_SKIP() << "no X display: set DISPLAY, or run scripts/test.sh, which starts Xvfb";
    }
    void TearDown() override {
        surface_.reset();
        window_.reset();
        if (xWindow_) XDestroyWindow(display_, xWindow_);
        if (display_) XSync(display_, False);
        GpuTest::TearDown();
    }

    // A mapped window of that size, wrapped; shown by the time this returns.
    void MakeWindow(int32_t width, int32_t height) {
        int x = 0, y = 0;
        WindowPlace(display_, &x, &y);
        xWindow_ = XCreateSimpleWindow(display_, DefaultRootWindow(display_), x, y, unsigned(width),
                                       unsigned(height), 0, 0, 0);
        XSelectInput(display_, xWindow_, StructureNotifyMask);
        XMapWindow(display_, xWindow_);
        WaitFor(MapNotify);
        window_ = Platform::X11Window::Wrap(display_, xWindow_);
        ASSERT_TRUE(window_);
    }
    void WaitFor(int type) {
        XEvent event;
        do XNextEvent(display_, &event);
        while (event.type != type);
    }
    // The window's pixels as 0x00RRGGBB, rows top-down.
    std::vector<uint32_t> ReadWindow(int32_t width, int32_t height) {
        XSync(display_, False);
        XImage* image = XGetImage(display_, xWindow_, 0, 0, unsigned(width), unsigned(height),
                                  AllPlanes, ZPixmap);
        std::vector<uint32_t> pixels;
        if (!image) return pixels;
        for (int32_t y = 0; y < height; ++y)
            for (int32_t x = 0; x < width; ++x)
                pixels.push_back(uint32_t(XGetPixel(image, x, y)) & 0xFFFFFFu);
        XDestroyImage(image);
        return pixels;
    }
    // One paint: `background` everywhere, `inset` inside (4, 4)-(12, 10), then shown.
    bool Paint(uint32_t background, uint32_t inset) {
        std::shared_ptr<GpuRenderTexture> texture = surface_->BeginPaint();
        texture->ColorFill(nullptr, ColorF::FromARGB(background));
        GXIntRect rect{4, 4, 12, 10};
        texture->ColorFill(&rect, ColorF::FromARGB(inset));
        if (!surface_->EndPaint()) return false;
        surface_->Present();
        return true;
    }
    void ExpectShown(int32_t width, int32_t height, uint32_t background, uint32_t inset) {
        std::vector<uint32_t> pixels = ReadWindow(width, height);
        ASSERT_EQ(pixels.size(), size_t(width) * height);
        for (int32_t y = 0; y < height; ++y)
            for (int32_t x = 0; x < width; ++x) {
                bool inside = x >= 4 && x < 12 && y >= 4 && y < 10;
                ASSERT_EQ(pixels[size_t(y) * width + x], (inside ? inset : background) & 0xFFFFFFu)
                    << "at " << x << ", " << y;
            }
    }

    Display* display_ = nullptr;
    Window xWindow_ = 0;
    std::shared_ptr<Platform::X11Window> window_;
    std::shared_ptr<GpuWindowSurface> surface_;
};

TEST_F(GpuWindowSurfaceTest, PresentShowsThePaintAndFollowsTheWindowSize) {
    MakeWindow(40, 24);
    surface_ = std::make_shared<GpuWindowSurface>(device_, window_);
    EXPECT_EQ(surface_->GetSize().width, 40);
    EXPECT_EQ(surface_->GetPixelFormat(), GXPixelFormatRGB32);
    ASSERT_TRUE(Paint(0xFF2040C0u, 0xFFE0A010u));
    ExpectShown(40, 24, 0xFF2040C0u, 0xFFE0A010u);

    // Larger and smaller sides at once: the texture and the swap chain are made anew.
    XResizeWindow(display_, xWindow_, 56, 16);
    WaitFor(ConfigureNotify);
    ASSERT_TRUE(Paint(0xFF10F010u, 0xFF800080u));
    EXPECT_EQ(surface_->GetSize().width, 56);
    EXPECT_EQ(surface_->GetSize().height, 16);
    ExpectShown(56, 16, 0xFF10F010u, 0xFF800080u);
    // A repaint at the same size keeps the texture (and what it holds).
    std::shared_ptr<GpuRenderTexture> before = surface_->BeginPaint();
    EXPECT_TRUE(surface_->EndPaint());
    surface_->Present();
    EXPECT_EQ(surface_->BeginPaint(), before);
    EXPECT_TRUE(surface_->EndPaint());
    surface_->Present();
    ExpectShown(56, 16, 0xFF10F010u, 0xFF800080u);
}

TEST_F(GpuWindowSurfaceTest, LossInAPaintEndsItAndTheNextPaintDrawsOnANewDevice) {
    MakeWindow(24, 16);
    surface_ = std::make_shared<GpuWindowSurface>(device_, window_);
    ASSERT_TRUE(Paint(0xFFFFFFFFu, 0xFF000000u));
    std::shared_ptr<GpuRenderTexture> texture = surface_->BeginPaint();
    device_->ReportLossOnNextCall();
    texture->ColorFill(nullptr, ColorF::FromARGB(0xFFFF0000u));  // the device is lost here
    texture->ColorFill(nullptr, ColorF::FromARGB(0xFF00FF00u));  // and this does nothing
    EXPECT_FALSE(surface_->EndPaint());
    EXPECT_FALSE(device_->IsLost());   // made anew at the end of the paint
    EXPECT_FALSE(surface_->IsValid());
    EXPECT_FALSE(texture->IsValid());
    ExpectShown(24, 16, 0xFFFFFFFFu, 0xFF000000u);  // the lost frame was never shown

    ASSERT_TRUE(Paint(0xFF3366CCu, 0xFFCC6633u));
    EXPECT_TRUE(surface_->IsValid());
    ExpectShown(24, 16, 0xFF3366CCu, 0xFFCC6633u);
}

TEST_F(GpuWindowSurfaceTest, AWindowGoneInAPaintFailsWithoutACrash) {
    MakeWindow(8, 8);
    surface_ = std::make_shared<GpuWindowSurface>(device_, window_);
    surface_->BeginPaint();
    XDestroyWindow(display_, xWindow_);
    xWindow_ = 0;
    XSync(display_, False);
    try {
        if (surface_->EndPaint()) surface_->Present();
    } catch (const Exception&) {
        // "Vulkan error": the window's surface is gone; the render target reports failure.
    }
    EXPECT_THROW(surface_->BeginPaint(), Exception);
}

TEST_F(GpuTest, CopyResourceCopiesTheAreaBothImagesHave) {
    std::shared_ptr<GpuRenderTexture> wide = RenderTexture(8, 3), tall = RenderTexture(5, 6);
    wide->ColorFill(nullptr, ColorF::FromARGB(0xFFFF0000u));
    tall->ColorFill(nullptr, ColorF::FromARGB(0xFF0000FFu));
    device_->CopyResource(wide->Image(), tall->Image());
    std::vector<uint32_t> pixels = Pixels(*tall);
    for (int32_t y = 0; y < 6; ++y)
        for (int32_t x = 0; x < 5; ++x)
            ASSERT_EQ(pixels[size_t(y) * 5 + x], y < 3 ? 0xFFFF0000u : 0xFF0000FFu) << x << ", " << y;
}

TEST_F(GpuTest, SoftwareFallbackSurfaceUploadsWhatTheSoftwareRendererPainted) {
    auto surface = std::make_shared<GpuSwFallbackSurface>(GXIntSize{20, 12});
    {
        SwRenderTarget target(surface);
        target.BeginPaint();
        target.Clear(ColorF::FromARGB(0x80000000u));
        auto rect = std::make_shared<Geometry>();
        rect->Rectangle(GXRect{5, 2, 15, 10});
        target.FillGeometry(rect, std::make_shared<SolidBrush>(ColorF::FromARGB(0xFF0080FFu)));
        ASSERT_TRUE(target.EndPaint());
    }
    for (bool mipmaps : {false, true}) {
        std::shared_ptr<GpuVidMemTexture> texture = surface->Upload(device_, mipmaps);
        ASSERT_TRUE(texture);
        std::vector<uint32_t> pixels = Pixels(*texture);
        for (int32_t y = 0; y < 12; ++y)
            for (int32_t x = 0; x < 20; ++x) {
                bool inside = x >= 5 && x < 15 && y >= 2 && y < 10;
                ASSERT_EQ(pixels[size_t(y) * 20 + x], inside ? 0xFF0080FFu : 0x80000000u)
                    << x << ", " << y;
            }
    }
    device_->ReportLossOnNextCall();
    device_->Flush();
    EXPECT_FALSE(surface->Upload(device_, false));
    device_->Present();
}

}  // namespace
