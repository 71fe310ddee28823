// Hardware acceleration through gx.h under a real X server (scripts/test.sh starts Xvfb):
// a thread that enables it gets window targets drawn by the GPU renderer where the machine
// has a usable Vulkan device (lavapipe in the tests), and software ones where it has none;
// either way the window shows the scene the software renderer draws on a bitmap.
#include <gtest/gtest.h>
// Xlib after GoogleTest: its macros (None, Bool) would break GoogleTest's templates.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cmath>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <future>
#include <thread>
#include <vector>

#include "gx.h"
#include "gxhost.h"
#include "mappedwindow.h"
#include "rgbpaint.h"

namespace {

// Where this process puts its windows. XGetImage reads what the screen shows, so windows of
// test programs running at the same time must not cover each other: each process takes a
// cell of its own, away from the top-left corner the other window tests use.
void WindowPlace(Display* display, int* x, int* y) {
    const int cell = int(getpid() % 48);
    *x = DisplayWidth(display, DefaultScreen(display)) / 2 + (cell % 8) * 80;
    *y = DisplayHeight(display, DefaultScreen(display)) / 2 + (cell / 8) * 80;
}

constexpr int32_t kWidth = 64, kHeight = 48;

// Anti-aliased edges, a transparent fill over them, and a blend mode.
void DrawScene(GXRenderTargetRec_* target) {
    GXBrushRec_* teal = nullptr;
    GXBrushRec_* glass = nullptr;
    ASSERT_EQ(GXCreateBrushSolidARGB(0xFF1B998Bu, &teal), GXResultSuccess);
    ASSERT_EQ(GXCreateBrushSolidARGB(0x80E63946u, &glass), GXResultSuccess);
    EXPECT_EQ(GXRenderTargetClear(target, 0xFFFFFFFFu), GXResultSuccess);
    const GXRect ellipse{6, 5, 50, 40};
    EXPECT_EQ(GXRenderTargetFillEllipse(target, &ellipse, teal), GXResultSuccess);
    EXPECT_EQ(GXRenderTargetSetBlendMode(target, 1), GXResultSuccess);  // multiply
    const GXRect rect{20.5f, 12.25f, 60, 44};
    EXPECT_EQ(GXRenderTargetFillRect(target, &rect, glass), GXResultSuccess);
    GXObjectRelease(GX_HANDLE(teal));
    GXObjectRelease(GX_HANDLE(glass));
}

// The scene on a bitmap target, 0x00RRGGBB.
std::vector<uint32_t> SoftwareScene() { return PaintOnRgbBitmap(kWidth, kHeight, DrawScene); }

// Whether the pixel at (x, y) of `image` differs from a neighbour: an edge.
bool OnEdge(const std::vector<uint32_t>& image, int32_t x, int32_t y) {
    for (int32_t dy = -1; dy <= 1; ++dy)
        for (int32_t dx = -1; dx <= 1; ++dx) {
            int32_t nx = x + dx, ny = y + dy;
            if (nx >= 0 && ny >= 0 && nx < kWidth && ny < kHeight &&
                image[size_t(ny) * kWidth + nx] != image[size_t(y) * kWidth + x])
                return true;
        }
    return false;
}

std::vector<uint32_t> ReadWindow(Display* display, Window window) {
    XSync(display, False);
    std::vector<uint32_t> pixels;
    XImage* image = XGetImage(display, window, 0, 0, kWidth, kHeight, AllPlanes, ZPixmap);
    if (!image) return pixels;
    for (int32_t y = 0; y < kHeight; ++y)
        for (int32_t x = 0; x < kWidth; ++x) pixels.push_back(uint32_t(XGetPixel(image, x, y)) & 0xFFFFFFu);
    XDestroyImage(image);
    return pixels;
}

TEST(HwAcceleration, AThreadThatEnablesItDrawsWindowsAsSoftwareDoes) {
    const char* name = getenv("DISPLAY");
    Display* display = name && *name ? XOpenDisplay(nullptr) : nullptr;
    if (!display) GTEST_SKIP() << "no X display: set DISPLAY, or run scripts/test.sh, which starts Xvfb";
    int x = 0, y = 0;
    WindowPlace(display, &x, &y);
    Window window = MakeMappedWindow(display, x, y, kWidth, kHeight);
    GXHostWindow* host = nullptr;
    ASSERT_EQ(GXHostWrapWindow(display, window, &host), GXResultSuccess);

    // On a thread of its own: the switch is the thread's, and must not reach this test
    // program's other window tests. The thread is kept until the program ends: tearing its
    // device down would have lavapipe report blocks its JIT code holds as leaks, with no
    // frame to suppress them by.
    const std::vector<uint32_t> expected = SoftwareScene();
    std::promise<void> done;
    std::thread([&] {
        EXPECT_EQ(GXEnableHWAccelerationForThread(), GXResultSuccess);
        EXPECT_EQ(GXEnableHWAccelerationForThread(), GXResultSuccess);  // keeps the first
        for (int32_t softwareOnly : {1, 0}) {
            SCOPED_TRACE(softwareOnly);
            GXRenderTargetRec_* target = nullptr;
            if (GXCreateRenderTargetHWND(host, softwareOnly, &target) != GXResultSuccess) {
                ADD_FAILURE() << "no window target";
                continue;
            }
            GXIntSize size{0, 0};
            EXPECT_EQ(GXRenderTargetGetSize(target, &size), GXResultSuccess);
            EXPECT_EQ(size.width, kWidth);
            EXPECT_EQ(size.height, kHeight);
            EXPECT_EQ(GXRenderTargetBeginPaint(target), GXResultSuccess);
            DrawScene(target);
            EXPECT_EQ(GXRenderTargetEndPaint(target), GXResultSuccess);
            GXObjectRelease(GX_HANDLE(target));
            const std::vector<uint32_t> shown = ReadWindow(display, window);
            if (shown.size() != expected.size()) {
                ADD_FAILURE() << "the window could not be read";
                continue;
            }
            // Software is exact; the GPU renderer (or software again, without Vulkan)
            // within PSNR 40 dB and no channel off by more than 8 except on edges.
            if (softwareOnly) {
                EXPECT_EQ(shown, expected);
                continue;
            }
            double squares = 0;
            for (size_t i = 0; i < expected.size(); ++i)
                for (int shift : {0, 8, 16}) {
                    int diff = int((shown[i] >> shift) & 0xFF) - int((expected[i] >> shift) & 0xFF);
                    squares += double(diff) * diff;
                    if (std::abs(diff) > 8) {
                        EXPECT_TRUE(OnEdge(expected, int32_t(i % kWidth), int32_t(i / kWidth)))
                            << "off by " << diff << " at " << i % kWidth << ", " << i / kWidth;
                    }
                }
            const double mse = squares / (3.0 * double(expected.size()));
            EXPECT_TRUE(mse == 0 || 10 * std::log10(255.0 * 255.0 / mse) >= 40.0) << "MSE " << mse;
        }
        done.set_value();
        std::promise<void>().get_future().wait();  // never set: the thread stays
    }).detach();
    done.get_future().wait();

    GXHostDeleteWindow(host);
    XDestroyWindow(display, window);
    XCloseDisplay(display);
}

}  // namespace
