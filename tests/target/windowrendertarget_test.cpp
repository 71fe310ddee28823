// Which renderer a window target gets: the thread's hardware factory first, software when
// there is none, when software is asked for, or when the factory makes none or fails.
#include <gtest/gtest.h>

#include <stdexcept>
#include <thread>

#include "graphics/software/swrendertarget.h"
#include "graphics/target/hwrendertargetfactory.h"
#include "graphics/target/windowrendertarget.h"
#include "platform/x11window.h"
#include "recordingrenderer.h"

using namespace Graphics;

namespace {

// A factory that makes a recording renderer, makes none, or raises.
class TestFactory : public HwRenderTargetFactory {
public:
    enum Mode { Make, MakeNone, RaiseGraphics, RaiseOther };
    explicit TestFactory(Mode mode) : mode_(mode) {}
    std::shared_ptr<RenderTargetBase> CreateWindowRenderTarget(
        const std::shared_ptr<Platform::X11Window>&) override {
        if (mode_ == RaiseGraphics) GX_RAISE("Vulkan error");
        if (mode_ == RaiseOther) throw std::runtime_error("not a graphics failure");
        if (mode_ == MakeNone) return {};
        return std::make_shared<RecordingRenderer>();
    }

private:
    Mode mode_;
};

class WindowRendererChoice : public ::testing::Test {
protected:
    void SetUp() override {
        const char* name = getenv("DISPLAY");
        if (name && *name) display_ = XOpenDisplay(nullptr);
        if (!display_) GTEST_SKIP() << "no X display: set DISPLAY, or run scripts/test.sh, which starts Xvfb";
        xWindow_ = XCreateSimpleWindow(display_, DefaultRootWindow(display_), 0, 0, 16, 16, 0, 0, 0);
        window_ = Platform::X11Window::Wrap(display_, xWindow_);
        ASSERT_TRUE(window_);
    }
    void TearDown() override {
        HwRenderTargetFactory::ThreadSlot().reset();
        window_.reset();
        if (display_) {
            XDestroyWindow(display_, xWindow_);
            XCloseDisplay(display_);
        }
    }
    bool IsSoftware(bool softwareOnly) {
        WindowRenderTarget target(window_, softwareOnly);
        return dynamic_cast<SwRenderTarget*>(target.GetImpl().get()) != nullptr;
    }

    Display* display_ = nullptr;
    Window xWindow_ = 0;
    std::shared_ptr<Platform::X11Window> window_;
};

TEST_F(WindowRendererChoice, HardwareOnlyFromAWorkingFactoryWhenSoftwareIsNotAskedFor) {
    EXPECT_TRUE(IsSoftware(false));  // no factory on this thread
    struct Case {
        TestFactory::Mode mode;
        bool softwareOnly;
        bool software;
    } cases[] = {
        {TestFactory::Make, false, false},         {TestFactory::Make, true, true},
        {TestFactory::MakeNone, false, true},      {TestFactory::RaiseGraphics, false, true},
        {TestFactory::RaiseGraphics, true, true},
    };
    for (const Case& c : cases) {
        HwRenderTargetFactory::ThreadSlot() = std::make_unique<TestFactory>(c.mode);
        EXPECT_EQ(IsSoftware(c.softwareOnly), c.software) << c.mode << " " << c.softwareOnly;
    }
    // Only graphics failures are the factory's to swallow.
    HwRenderTargetFactory::ThreadSlot() = std::make_unique<TestFactory>(TestFactory::RaiseOther);
    EXPECT_THROW(IsSoftware(false), std::runtime_error);
    // The slot is the thread's own: another thread has no factory.
    HwRenderTargetFactory::ThreadSlot() = std::make_unique<TestFactory>(TestFactory::Make);
    bool otherThreadSoftware = false;
    std::thread([&] { otherThreadSoftware = IsSoftware(false); }).join();
    EXPECT_TRUE(otherThreadSoftware);
}

}  // namespace
