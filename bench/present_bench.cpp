// Presenting a 1920 x 1080 window: through a MIT-SHM shared image against XPutImage over the
// connection, in the same run; and whole frames of the GPU window target (clear, one fill,
// shown) at a small and a full-HD size. Needs an X server (DISPLAY), e.g.
// Xvfb :9 -screen 0 1920x1200x24, and for the GPU frames a Vulkan device.
#include "graphics/core/exception.h"
#include "graphics/geometry/geometry.h"
#include "graphics/gpu/gpurendertargetfactory.h"
#include "graphics/paint/solidbrush.h"
#include "graphics/target/rendertargetbase.h"
// Xlib after the library's headers: its macros (None, Bool) break templates.
#include <X11/Xlib.h>
#include <benchmark/benchmark.h>
#include <pixman.h>

#include <cstdio>
#include <memory>
#include <vector>

#include "platform/x11window.h"

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;

// One mapped window and a frame of pixels for every benchmark of the run.
struct Scene {
    Display* display = nullptr;
    Window window = 0;
    std::shared_ptr<Platform::X11Window> target;
    std::vector<uint32_t> pixels;
    pixman_image_t* frame = nullptr;

    Scene() {
        display = XOpenDisplay(nullptr);
        if (!display) return;
        window = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, kWidth, kHeight, 0, 0, 0);
        XSelectInput(display, window, StructureNotifyMask);
        XMapWindow(display, window);
        XEvent event;
        do XNextEvent(display, &event);
        while (event.type != MapNotify);
        target = Platform::X11Window::Wrap(display, window);
        pixels.resize(size_t(kWidth) * kHeight);
        for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = uint32_t(i * 2654435761u);
        frame = pixman_image_create_bits(PIXMAN_x8r8g8b8, kWidth, kHeight, pixels.data(), kWidth * 4);
    }
};

Scene& TheScene() {
    static Scene scene;
    return scene;
}

void Present(benchmark::State& state, bool sharedMemory) {
    Scene& scene = TheScene();
    if (!scene.target) {
        state.SkipWithError("no X display: set DISPLAY (Xvfb with a screen of 1920x1080 or more)");
        return;
    }
    scene.target->SetSharedMemoryAllowed(sharedMemory);
    if (sharedMemory && !scene.target->UsesSharedMemory()) {
        state.SkipWithError("the X server offers no MIT-SHM");
        return;
    }
    for (auto _ : state) {
        if (!scene.target->PutImage(0, 0, scene.frame, 0, 0, kWidth, kHeight)) {
            state.SkipWithError("the window went away");
            break;
        }
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * kWidth * kHeight * 4);
}

void BM_PresentSharedMemory(benchmark::State& state) {
    Present(state, true);
}
void BM_PresentXPutImage(benchmark::State& state) {
    Present(state, false);
}

void BM_GpuWindowFrame(benchmark::State& state) {
    Scene& scene = TheScene();
    if (!scene.target) {
        state.SkipWithError("no X display: set DISPLAY (Xvfb with a screen of 1920x1080 or more)");
        return;
    }
    std::unique_ptr<Graphics::GpuRenderTargetFactory> factory;
    try {
        factory = std::make_unique<Graphics::GpuRenderTargetFactory>();
    } catch (const Graphics::Exception&) {
        state.SkipWithError("no Vulkan device");
        return;
    }
    // A window of its own, of the benchmark's width and a 16:9 height: small windows show
    // what a frame costs beside its pixels.
    const int width = int(state.range(0)), height = width * 9 / 16;
    Window window = XCreateSimpleWindow(scene.display, DefaultRootWindow(scene.display), 0, 0,
                                        unsigned(width), unsigned(height), 0, 0, 0);
    XSelectInput(scene.display, window, StructureNotifyMask);
    XMapWindow(scene.display, window);
    XEvent event;
    do XNextEvent(scene.display, &event);
    while (event.type != MapNotify || event.xmap.window != window);
    std::shared_ptr<Graphics::RenderTargetBase> target =
        factory->CreateWindowRenderTarget(Platform::X11Window::Wrap(scene.display, window));
    auto square = std::make_shared<Graphics::Geometry>();
    square->Rectangle(GXRect{width / 8.0f, height / 8.0f, width * 5 / 8.0f, height * 5 / 8.0f});
    auto red = std::make_shared<Graphics::SolidBrush>(Graphics::ColorF::FromARGB(0xFFFF0000u));
    for (auto _ : state) {
        target->BeginPaint();
        target->Clear(Graphics::ColorF::FromARGB(0xFF808080u));
        target->FillGeometry(square, red);
        if (!target->EndPaint()) {
            state.SkipWithError("a frame was not shown");
            break;
        }
    }
    target.reset();
    XDestroyWindow(scene.display, window);
    XSync(scene.display, False);
}

BENCHMARK(BM_PresentSharedMemory)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PresentXPutImage)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_GpuWindowFrame)->Arg(256)->Arg(1920)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
