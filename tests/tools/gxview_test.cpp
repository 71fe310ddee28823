// The viewer under a real X server (scripts/test.sh starts Xvfb): its window must show the
// gallery page exactly as the gallery draws it on a bitmap, and turn the page on a key.
#include <gtest/gtest.h>
// Xlib after GoogleTest: its macros (None, Bool) would break GoogleTest's templates.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdint>
#include <cstring>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "gallery/gallery.h"
#include "gx.h"
#include "rgbpaint.h"

extern char** environ;

namespace {

using Pixels = std::vector<uint32_t>;  // 0x00RRGGBB, rows top-down

// The window named `name` among the root's children, or 0.
Window FindWindow(Display* display, const char* name) {
    Window root = 0, parent = 0, found = 0;
    Window* children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count)) return 0;
    for (unsigned i = 0; i < count && !found; ++i) {
        char* title = nullptr;
        if (XFetchName(display, children[i], &title) && title) {
            if (std::strcmp(title, name) == 0) found = children[i];
            XFree(title);
        }
    }
    if (children) XFree(children);
    return found;
}

Pixels Screenshot(Display* display, Window window, int32_t width, int32_t height) {
    Pixels pixels;
    XImage* image = XGetImage(display, window, 0, 0, unsigned(width), unsigned(height), AllPlanes, ZPixmap);
    if (!image) return pixels;
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x) pixels.push_back(uint32_t(XGetPixel(image, x, y)) & 0xFFFFFFu);
    XDestroyImage(image);
    return pixels;
}

// The page as the viewer lays it out, drawn on a bitmap.
Pixels Expected(int page, int32_t width, int32_t height) {
    return PaintOnRgbBitmap(width, height, [&](GXRenderTargetRec_* target) {
        EXPECT_EQ(GalleryDrawFitted(page, target, width, height), 0);
    });
}

// Saves pixels as a PNG file for people to look at.
void SavePng(const Pixels& pixels, int32_t width, int32_t height, const std::string& path) {
    const GXBitmapDesc desc{width, height, GXPixelFormatRGB32, 96, 96};
    GXBitmapRec_* bitmap = nullptr;
    ASSERT_EQ(GXCreateBitmap(&desc, &bitmap), GXResultSuccess);
    const GXBitmapData memory{const_cast<uint32_t*>(pixels.data()), width * 4, width * 4};
    EXPECT_EQ(GXBitmapCopyFromMemory(bitmap, nullptr, &memory), GXResultSuccess);
    std::u16string wide(path.begin(), path.end());
    EXPECT_EQ(GXBitmapSaveToFile(bitmap, reinterpret_cast<const uint16_t*>(wide.c_str())), GXResultSuccess);
    GXObjectRelease(GX_HANDLE(bitmap));
}

// Polls `condition` for up to ten seconds.
template <class Condition>
bool WaitFor(Condition condition) {
    for (int i = 0; i < 200; ++i) {
        if (condition()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

void PressKey(Display* display, Window window, KeySym key) {
    XEvent event{};
    event.xkey.type = KeyPress;
    event.xkey.display = display;
    event.xkey.window = window;
    event.xkey.root = DefaultRootWindow(display);
    event.xkey.keycode = XKeysymToKeycode(display, key);
    event.xkey.same_screen = True;
    XSendEvent(display, window, True, KeyPressMask, &event);
    XFlush(display);
}

}  // namespace

TEST(GxView, ShowsTheGalleryAndTurnsPagesOnKeys) {
    Display* display = XOpenDisplay(nullptr);
    if (!display) GTEST_SKIP() << "no X display: set DISPLAY, or run scripts/test.sh, which starts Xvfb";
    if (DefaultDepth(display, DefaultScreen(display)) < 24) {
        XCloseDisplay(display);
        GTEST_SKIP() << "the comparison needs a 24- or 32-bit display";
    }
    char program[] = GXVIEW_PATH;
    char page[] = "0";
    char* argv[] = {program, page, nullptr};
    pid_t pid = 0;
    ASSERT_EQ(posix_spawn(&pid, program, nullptr, nullptr, argv, environ), 0);

    Window window = 0;
    EXPECT_TRUE(WaitFor([&] { return (window = FindWindow(display, "gxview")) != 0; }));
    XWindowAttributes attributes{};
    if (window) XGetWindowAttributes(display, window, &attributes);
    const int32_t width = attributes.width, height = attributes.height;
    for (int shown = 0; window && shown < 2; ++shown) {
        SCOPED_TRACE(GalleryPageName(shown));
        const Pixels expected = Expected(shown, width, height);
        Pixels seen;
        EXPECT_TRUE(WaitFor([&] { return (seen = Screenshot(display, window, width, height)) == expected; }));
        SavePng(seen, width, height, std::string("gxview_") + GalleryPageName(shown) + ".png");
        // Not an empty window: a page has many colours.
        EXPECT_GT(std::set<uint32_t>(seen.begin(), seen.end()).size(), 100u);
        PressKey(display, window, XK_space);
    }
    if (window) PressKey(display, window, XK_q);
    int status = 0;
    if (!WaitFor([&] { return waitpid(pid, &status, WNOHANG) == pid; })) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
        ADD_FAILURE() << "gxview did not quit on q";
    }
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    XCloseDisplay(display);
}
