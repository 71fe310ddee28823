// GPU window targets under a real X server on lavapipe: the factory makes them, they show
// what they draw, follow the window's size, and survive device loss in the middle of a paint.
#include "gpufixture.h"
// Xlib after GoogleTest and the library's headers: its macros (None, Bool) break templates.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <unistd.h>

#include "graphics/core/exception.h"
#include "graphics/geometry/geometry.h"
#include "graphics/gpu/gpucontext.h"
#include "graphics/gpu/gpurendertargetfactory.h"
#include "graphics/gpu/gpuwindowrendertarget.h"
#include "graphics/paint/solidbrush.h"
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

class GpuWindowRenderTargetTest : public ::testing::Test {
protected:
    void SetUp() override {
        // One connection for the program, never closed: the driver's window system keeps
        // what it learnt about a connection by its address, which a new connection may
        // reuse, and would then skip the extension handshakes the new one needs.
        static Display* shared = [] {
            const char* name = getenv("DISPLAY");
            return name && *name ? XOpenDisplay(nullptr) : nullptr;
        }();
        display_ = shared;
        if (!display_) GTEST_SKIP() << "no X display: set DISPLAY, or run scripts/test.sh, which starts Xvfb";
        // One factory for the program, as a thread that enabled acceleration has.
        static auto* factory = [] () -> GpuRenderTargetFactory* {
            try {
                return new GpuRenderTargetFactory();
            } catch (const Exception&) {
                return nullptr;
            }
        }();
        factory_ = factory;
        if (!factory_)
            GTEST_SKIP() << "no Vulkan 1.3 device with dynamic rendering here (Vulkan loader, "
                            "driver such as lavapipe from mesa-vulkan-drivers, or device missing)";
        int x = 0, y = 0;
        WindowPlace(display_, &x, &y);
        xWindow_ = XCreateSimpleWindow(display_, DefaultRootWindow(display_), x, y, 32, 20, 0, 0, 0);
        XSelectInput(display_, xWindow_, StructureNotifyMask);
        XMapWindow(display_, xWindow_);
        WaitFor(MapNotify);
        window_ = Platform::X11Window::Wrap(display_, xWindow_);
        ASSERT_TRUE(window_);
    }
    void TearDown() override {
        window_.reset();
        if (xWindow_) XDestroyWindow(display_, xWindow_);
        if (display_) XSync(display_, False);
    }
    void WaitFor(int type) {
        XEvent event;
        do XNextEvent(display_, &event);
        while (event.type != type);
    }
    // Grey everywhere, a red square at (4, 4)-(12, 12).
    static bool Paint(RenderTargetBase& target) {
        target.BeginPaint();
        target.Clear(ColorF::FromARGB(0xFF808080u));
        auto square = std::make_shared<Geometry>();
        square->Rectangle(GXRect{4, 4, 12, 12});
        target.FillGeometry(square, std::make_shared<SolidBrush>(ColorF::FromARGB(0xFFFF0000u)));
        return target.EndPaint();
    }
    // Whether the window shows that paint at `width` x `height`.
    bool Shows(int32_t width, int32_t height) {
        XSync(display_, False);
        XImage* image = XGetImage(display_, xWindow_, 0, 0, unsigned(width), unsigned(height),
                                  AllPlanes, ZPixmap);
        if (!image) return false;
        bool same = true;
        for (int32_t y = 0; y < height; ++y)
            for (int32_t x = 0; x < width; ++x) {
                bool inside = x >= 4 && x < 12 && y >= 4 && y < 12;
                same = same && (XGetPixel(image, x, y) & 0xFFFFFFu) == (inside ? 0xFF0000u : 0x808080u);
            }
        XDestroyImage(image);
        return same;
    }

    Display* display_ = nullptr;
    GpuRenderTargetFactory* factory_ = nullptr;
    Window xWindow_ = 0;
    std::shared_ptr<Platform::X11Window> window_;
};

TEST_F(GpuWindowRenderTargetTest, DrawsFollowsTheWindowAndSurvivesDeviceLossInAPaint) {
    std::shared_ptr<RenderTargetBase> target = factory_->CreateWindowRenderTarget(window_);
    ASSERT_TRUE(dynamic_cast<GpuWindowRenderTarget*>(target.get()));
    EXPECT_EQ(target->GetSize().width, 32);
    ASSERT_TRUE(Paint(*target));
    EXPECT_TRUE(Shows(32, 20));

    XResizeWindow(display_, xWindow_, 40, 26);
    WaitFor(ConfigureNotify);
    target->SetCTM({1, 0, 0, 1, 0, 0});
    ASSERT_TRUE(Paint(*target));
    EXPECT_EQ(target->GetSize().height, 26);
    EXPECT_TRUE(Shows(40, 26));

    // Lost while drawing: the paint fails, nothing crashes, and the next paint draws on a
    // device made anew.
    const std::shared_ptr<GpuDevice>& device = factory_->Context()->Device();
    target->BeginPaint();
    device->ReportLossOnNextCall();
    target->Clear(ColorF::FromARGB(0xFF0000FFu));
    auto square = std::make_shared<Geometry>();
    square->Rectangle(GXRect{0, 0, 30, 30});
    target->FillGeometry(square, std::make_shared<SolidBrush>(ColorF::FromARGB(0xFF00FF00u)));
    EXPECT_FALSE(target->EndPaint());
    EXPECT_FALSE(device->IsLost());
    EXPECT_TRUE(Shows(40, 26));  // the lost paint was never shown
    ASSERT_TRUE(Paint(*target));
    EXPECT_TRUE(Shows(40, 26));

    // A lost device gives no new targets until it is made anew.
    target.reset();
    device->ReportLossOnNextCall();
    device->Flush();
    EXPECT_FALSE(factory_->CreateWindowRenderTarget(window_));
    device->Present();
    EXPECT_TRUE(factory_->CreateWindowRenderTarget(window_));
}

// A frame's paint, its copy into the back buffer and its present share one submission,
// and every frame shows what it painted.
TEST_F(GpuWindowRenderTargetTest, AFrameIsOneSubmission) {
    std::shared_ptr<RenderTargetBase> target = factory_->CreateWindowRenderTarget(window_);
    ASSERT_TRUE(target);
    const std::shared_ptr<GpuDevice>& device = factory_->Context()->Device();
    ASSERT_TRUE(Paint(*target));  // the first also makes the shader and the swap chain's images
    for (int frame = 0; frame < 3; ++frame) {
        const uint64_t before = device->SubmitCount();
        ASSERT_TRUE(Paint(*target));
        EXPECT_EQ(device->SubmitCount() - before, 1u);
        EXPECT_TRUE(Shows(32, 20));
    }
}

}  // namespace
