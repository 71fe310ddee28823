// Window render targets under a real X server (scripts/test.sh starts Xvfb): what a window
// shows after EndPaint is read back with XGetImage and compared with the same drawing on a
// bitmap target.
#include <gtest/gtest.h>
// Xlib after GoogleTest: its macros (None, Bool) would break GoogleTest's templates.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <cstdlib>
#include <string>
#include <vector>

#include "gx.h"
#include "gxhost.h"
#include "mappedwindow.h"
#include "rgbpaint.h"

extern char** environ;

namespace {

class HostWindow : public ::testing::Test {
protected:
    void SetUp() override {
        // A server busy with other test programs may turn a connection away for a moment.
        for (int attempt = 0; attempt < 20 && !display_ && getenv("DISPLAY") && *getenv("DISPLAY"); ++attempt) {
            display_ = XOpenDisplay(nullptr);
            if (!display_) usleep(100000);
        }
        if (!display_) GTEST_SKIP() << "no X display: set DISPLAY, or run scripts/test.sh, which starts Xvfb";
    }
    void TearDown() override {
        if (display_) XCloseDisplay(display_);
    }

    // A mapped window of that size, shown by the time this returns.
    Window MakeWindow(int32_t width, int32_t height) {
        return MakeMappedWindow(display_, 0, 0, width, height);
    }
    // The window's pixels, 0x00RRGGBB, rows top-down.
    std::vector<uint32_t> ReadWindow(Window window, int32_t width, int32_t height) {
        XImage* image = XGetImage(display_, window, 0, 0, unsigned(width), unsigned(height),
                                  AllPlanes, ZPixmap);
        std::vector<uint32_t> pixels;
        if (!image) return pixels;
        for (int32_t y = 0; y < height; ++y)
            for (int32_t x = 0; x < width; ++x) pixels.push_back(uint32_t(XGetPixel(image, x, y)) & 0xFFFFFFu);
        XDestroyImage(image);
        return pixels;
    }

    Display* display_ = nullptr;
};

// A scene with anti-aliased edges, a gradient, a transparent fill and a blend mode.
void DrawScene(GXRenderTargetRec_* target) {
    GXBrushRec_* teal = nullptr;
    GXBrushRec_* glass = nullptr;
    ASSERT_EQ(GXCreateBrushSolidARGB(0xFF1B998Bu, &teal), GXResultSuccess);
    ASSERT_EQ(GXCreateBrushSolidARGB(0x80E63946u, &glass), GXResultSuccess);
    const GXGradientStop stops[] = {{0.0f, 0xFF1B3B8Cu}, {1.0f, 0xFFF2C14Eu}};
    const GXLinearGradientDesc ramp = {stops, 2, 0, 0, 160, 0, 1, 1, {0, 0}, 0};
    GXGradientRec_* gradient = nullptr;
    ASSERT_EQ(GXCreateGradientLinear(&ramp, &gradient), GXResultSuccess);
    EXPECT_EQ(GXRenderTargetClear(target, 0xFFFFFFFFu), GXResultSuccess);
    EXPECT_EQ(GXRenderTargetDrawGradient(target, gradient, 0.7f), GXResultSuccess);
    const GXRect disc{10.3f, 12.6f, 120.2f, 100.7f}, box{60, 40, 150, 110};
    EXPECT_EQ(GXRenderTargetFillEllipse(target, &disc, teal), GXResultSuccess);
    EXPECT_EQ(GXRenderTargetSetBlendMode(target, GXBlendModeMultiply), GXResultSuccess);
    EXPECT_EQ(GXRenderTargetFillRect(target, &box, glass), GXResultSuccess);
    GXObjectRelease(GX_HANDLE(gradient));
    GXObjectRelease(GX_HANDLE(glass));
    GXObjectRelease(GX_HANDLE(teal));
}

// The scene on an RGB32 bitmap, 0x00RRGGBB.
std::vector<uint32_t> DrawOnBitmap(int32_t width, int32_t height) {
    return PaintOnRgbBitmap(width, height, DrawScene);
}

// A private Xvfb of one screen of `depth` bits, for displays the shared server does not offer.
class PrivateServer {
public:
    explicit PrivateServer(int depth) {
        int pipeEnds[2];
        if (pipe(pipeEnds) != 0) return;
        const std::string fd = std::to_string(pipeEnds[1]);
        const std::string screen = "160x120x" + std::to_string(depth);
        const char* argv[] = {"Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen.c_str(),
                              "-nolisten", "tcp", nullptr};
        if (posix_spawnp(&pid_, "Xvfb", nullptr, nullptr, const_cast<char**>(argv), environ) != 0) pid_ = 0;
        close(pipeEnds[1]);
        // The server writes its display number once it accepts connections.
        pollfd ready{pipeEnds[0], POLLIN, 0};
        char number[16] = {};
        if (pid_ && poll(&ready, 1, 10000) == 1 && read(pipeEnds[0], number, sizeof number - 1) > 0)
            display_ = XOpenDisplay((":" + std::string(number, std::strcspn(number, "\n"))).c_str());
        close(pipeEnds[0]);
    }
    ~PrivateServer() {
        if (display_) XCloseDisplay(display_);
        if (pid_) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
    }
    Display* GetDisplay() const { return display_; }

private:
    pid_t pid_ = 0;
    Display* display_ = nullptr;
};

}  // namespace

// A 16-bit display gets an RGB32 back buffer whose pixels are packed as 5-6-5 (the top bits
// of each channel) when presented.
TEST(HostWindow16, PresentPacksRgb32To565) {
    PrivateServer server(16);
    Display* display = server.GetDisplay();
    if (!display) GTEST_SKIP() << "no Xvfb to run a 16-bit display on";
    Window window = MakeMappedWindow(display, 0, 0, 120, 90);
    GXHostWindow* host = nullptr;
    GXRenderTargetRec_* target = nullptr;
    ASSERT_EQ(GXHostWrapWindow(display, window, &host), GXResultSuccess);
    ASSERT_EQ(GXCreateRenderTargetHWND(host, 0, &target), GXResultSuccess);
    GXPixelFormat format = 0;
    ASSERT_EQ(GXRenderTargetGetPixelFormat(target, &format), GXResultSuccess);
    EXPECT_EQ(format, GXPixelFormatRGB32);
    ASSERT_EQ(GXRenderTargetBeginPaint(target), GXResultSuccess);
    DrawScene(target);
    ASSERT_EQ(GXRenderTargetEndPaint(target), GXResultSuccess);
    XImage* image = XGetImage(display, window, 0, 0, 120, 90, AllPlanes, ZPixmap);
    ASSERT_NE(image, nullptr);
    const std::vector<uint32_t> drawn = DrawOnBitmap(120, 90);
    int32_t mismatches = 0;
    for (int32_t y = 0; y < 90; ++y)
        for (int32_t x = 0; x < 120; ++x) {
            const uint32_t rgb = drawn[size_t(y) * 120 + x];
            const uint32_t packed = (rgb >> 8 & 0xF800) | (rgb >> 5 & 0x7E0) | (rgb >> 3 & 0x1F);
            mismatches += uint32_t(XGetPixel(image, x, y)) != packed;
        }
    EXPECT_EQ(mismatches, 0);
    XDestroyImage(image);
    GXObjectRelease(GX_HANDLE(target));
    GXHostDeleteWindow(host);
}

// The window shows exactly what a bitmap target draws, and follows a resize.
TEST_F(HostWindow, WindowTargetShowsWhatABitmapTargetDraws) {
    Window window = MakeWindow(160, 120);
    GXHostWindow* host = nullptr;
    ASSERT_EQ(GXHostWrapWindow(display_, window, &host), GXResultSuccess);
    GXRenderTargetRec_* target = nullptr;
    ASSERT_EQ(GXCreateRenderTargetHWND(host, 0, &target), GXResultSuccess);
    GXPixelFormat format = 0;
    ASSERT_EQ(GXRenderTargetGetPixelFormat(target, &format), GXResultSuccess);
    const int depth = DefaultDepth(display_, DefaultScreen(display_));
    if (depth == 24 || depth == 32) {
        EXPECT_EQ(format, GXPixelFormatRGB32);
    }

    for (const GXIntSize size : {GXIntSize{160, 120}, GXIntSize{97, 61}}) {
        XResizeWindow(display_, window, unsigned(size.width), unsigned(size.height));
        XSync(display_, False);
        ASSERT_EQ(GXRenderTargetBeginPaint(target), GXResultSuccess);
        GXIntSize painted{};
        ASSERT_EQ(GXRenderTargetGetSize(target, &painted), GXResultSuccess);
        EXPECT_EQ(painted.width, size.width);
        EXPECT_EQ(painted.height, size.height);
        DrawScene(target);
        ASSERT_EQ(GXRenderTargetEndPaint(target), GXResultSuccess);
        if (depth == 24 || depth == 32) {
            EXPECT_EQ(ReadWindow(window, size.width, size.height), DrawOnBitmap(size.width, size.height));
        }
    }
    GXObjectRelease(GX_HANDLE(target));
    EXPECT_EQ(GXHostDeleteWindow(host), GXResultSuccess);
    XDestroyWindow(display_, window);
}

// A render target over a window's device context starts from what the window shows.
TEST_F(HostWindow, DeviceTargetOverWindowContext) {
    Window window = MakeWindow(80, 60);
    GXHostWindow* host = nullptr;
    GXHostDC* dc = nullptr;
    ASSERT_EQ(GXHostWrapWindow(display_, window, &host), GXResultSuccess);
    ASSERT_EQ(GXHostCreateWindowDC(host, &dc), GXResultSuccess);
    int32_t width = 0;
    ASSERT_EQ(GXHostGetDeviceCaps(dc, GXHostCapHorzRes, &width), GXResultSuccess);
    EXPECT_EQ(width, 80);
    // First the whole window green through a window target, then a red square through the
    // context: the rest must stay green.
    GXRenderTargetRec_* target = nullptr;
    ASSERT_EQ(GXCreateRenderTargetHWND(host, 1, &target), GXResultSuccess);
    ASSERT_EQ(GXRenderTargetBeginPaint(target), GXResultSuccess);
    ASSERT_EQ(GXRenderTargetClear(target, 0xFF00FF00u), GXResultSuccess);
    ASSERT_EQ(GXRenderTargetEndPaint(target), GXResultSuccess);
    GXObjectRelease(GX_HANDLE(target));
    const GXIntRect rect{20, 10, 60, 50};
    ASSERT_EQ(GXCreateRenderTargetHDC(dc, &rect, &target), GXResultSuccess);
    GXBrushRec_* red = nullptr;
    ASSERT_EQ(GXCreateBrushSolidARGB(0xFFFF0000u, &red), GXResultSuccess);
    ASSERT_EQ(GXRenderTargetBeginPaint(target), GXResultSuccess);
    const GXRect square{0, 0, 20, 20};
    ASSERT_EQ(GXRenderTargetFillRect(target, &square, red), GXResultSuccess);
    ASSERT_EQ(GXRenderTargetEndPaint(target), GXResultSuccess);
    const std::vector<uint32_t> pixels = ReadWindow(window, 80, 60);
    ASSERT_EQ(pixels.size(), 80u * 60u);
    EXPECT_EQ(pixels[10 * 80 + 20], 0xFF0000u);
    EXPECT_EQ(pixels[29 * 80 + 39], 0xFF0000u);
    EXPECT_EQ(pixels[10 * 80 + 40], 0x00FF00u);
    EXPECT_EQ(pixels[49 * 80 + 59], 0x00FF00u);
    EXPECT_EQ(pixels[5 * 80 + 5], 0x00FF00u);
    GXObjectRelease(GX_HANDLE(red));
    GXObjectRelease(GX_HANDLE(target));
    GXHostDeleteDC(dc);
    GXHostDeleteWindow(host);
    XDestroyWindow(display_, window);
}

// Windows that do not exist, or stop existing, give result codes; the X errors this causes
// never reach Xlib's default handler (which would end the test program).
TEST_F(HostWindow, MissingAndClosedWindows) {
    GXHostWindow* host = nullptr;
    GXRenderTargetRec_* target = nullptr;
    EXPECT_EQ(GXHostWrapWindow(display_, 0x7FFFFFF, &host), GXResultGraphicsError);
    EXPECT_EQ(GXHostWrapWindow(nullptr, 1, &host), GXResultInvalidArg);
    EXPECT_EQ(host, nullptr);

    Window window = MakeWindow(40, 30);
    ASSERT_EQ(GXHostWrapWindow(display_, window, &host), GXResultSuccess);
    GXHostDC* dc = nullptr;
    ASSERT_EQ(GXHostCreateWindowDC(host, &dc), GXResultSuccess);
    GXRenderTargetRec_* deviceTarget = nullptr;
    ASSERT_EQ(GXCreateRenderTargetHDC(dc, nullptr, &deviceTarget), GXResultSuccess);
    ASSERT_EQ(GXCreateRenderTargetHWND(host, 0, &target), GXResultSuccess);
    ASSERT_EQ(GXRenderTargetBeginPaint(target), GXResultSuccess);
    ASSERT_EQ(GXRenderTargetBeginPaint(deviceTarget), GXResultSuccess);
    XDestroyWindow(display_, window);
    XSync(display_, False);
    // Closed between creation and EndPaint: the paint reports failure and nothing else.
    EXPECT_EQ(GXRenderTargetEndPaint(target), GXResultPaintFailed);
    EXPECT_EQ(GXRenderTargetEndPaint(deviceTarget), GXResultPaintFailed);
    EXPECT_EQ(GXRenderTargetBeginPaint(target), GXResultGraphicsError);
    GXRenderTargetRec_* late = nullptr;
    EXPECT_EQ(GXCreateRenderTargetHWND(host, 0, &late), GXResultGraphicsError);
    EXPECT_EQ(late, nullptr);
    GXObjectRelease(GX_HANDLE(deviceTarget));
    GXObjectRelease(GX_HANDLE(target));
    EXPECT_EQ(GXHostDeleteDC(dc), GXResultSuccess);
    EXPECT_EQ(GXHostDeleteWindow(host), GXResultSuccess);
    // A deleted handle is not a window any more.
    EXPECT_EQ(GXCreateRenderTargetHWND(host, 0, &late), GXResultGraphicsError);
    EXPECT_EQ(GXHostCreateWindowDC(host, &dc), GXResultInvalidArg);
}
