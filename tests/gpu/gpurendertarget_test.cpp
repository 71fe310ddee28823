// The GPU render target against the software one: the demo gallery's pages drawn on both
// must agree, batching must merge what it may, and device loss must end a paint cleanly.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "gallery/gallery.h"
#include "gpufixture.h"
#include "graphics/api/handlerecord.h"
#include "graphics/geometry/geometry.h"
#include "graphics/gpu/gpurasterizationsink.h"
#include "graphics/gpu/gpurendertarget.h"
#include "graphics/gpu/gpuvertexbuffer.h"
#include "graphics/raster/coveragebuffer.h"
#include "graphics/target/rendertarget.h"

using namespace Graphics;

namespace {

using Image = std::vector<uint32_t>;  // premultiplied 0xAARRGGBB, rows top-down

constexpr int kWidth = GALLERY_WIDTH, kHeight = GALLERY_HEIGHT;

// Paints a white page and then `draw` through gx.h on `target`.
template <class Draw>
void PaintPage(GXRenderTargetRec_* target, Draw draw) {
    ASSERT_EQ(GXRenderTargetBeginPaint(target), GXResultSuccess);
    ASSERT_EQ(GXRenderTargetClear(target, 0xFFFFFFFFu), GXResultSuccess);
    draw(target);
    EXPECT_EQ(GXRenderTargetEndPaint(target), GXResultSuccess);
}

template <class Draw>
Image SoftwarePage(Draw draw) {
    GXBitmapDesc desc{kWidth, kHeight, GXPixelFormatPARGB32, 96, 96};
    GXBitmapRec_* bitmap = nullptr;
    GXRenderTargetRec_* target = nullptr;
    EXPECT_EQ(GXCreateBitmap(&desc, &bitmap), GXResultSuccess);
    EXPECT_EQ(GXCreateRenderTargetBitmap(bitmap, &target), GXResultSuccess);
    PaintPage(target, draw);
    Image pixels(size_t(kWidth) * kHeight);
    GXBitmapData memory{pixels.data(), kWidth * 4, kWidth * 4};
    EXPECT_EQ(GXBitmapCopyToMemory(bitmap, nullptr, &memory), GXResultSuccess);
    GXObjectRelease(target);
    GXObjectRelease(bitmap);
    return pixels;
}

// How far the GPU page is from the software one. Anti-aliased edges are where the two
// renderers may differ most (the GPU draws trapezoid fringes as linear ramps): a pixel is on
// one when some channel of the software page varies by more than 8 across its 3 x 3
// neighbourhood. Elsewhere no channel may be off by more than 8.
struct Difference {
    double psnr;        // over all four channels of every pixel, dB
    int worstOffEdge;   // largest channel difference away from edges
    int edgePixels;     // pixels counted as edges
};

int Channel(uint32_t p, int i) { return int(p >> (8 * i) & 0xFF); }

Difference Compare(const Image& gpu, const Image& sw) {
    double squares = 0;
    Difference d{0, 0, 0};
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const uint32_t a = gpu[y * kWidth + x], b = sw[y * kWidth + x];
            int worst = 0;
            for (int c = 0; c < 4; ++c) {
                const int e = std::abs(Channel(a, c) - Channel(b, c));
                squares += double(e) * e;
                worst = std::max(worst, e);
            }
            bool edge = false;
            for (int c = 0; c < 4 && !edge; ++c) {
                int low = 255, high = 0;
                for (int v = std::max(y - 1, 0); v <= std::min(y + 1, kHeight - 1); ++v)
                    for (int u = std::max(x - 1, 0); u <= std::min(x + 1, kWidth - 1); ++u) {
                        low = std::min(low, Channel(sw[v * kWidth + u], c));
                        high = std::max(high, Channel(sw[v * kWidth + u], c));
                    }
                edge = high - low > 8;
            }
            if (edge) ++d.edgePixels;
            else d.worstOffEdge = std::max(d.worstOffEdge, worst);
        }
    const double mse = squares / (4.0 * kWidth * kHeight);
    d.psnr = mse == 0 ? 99.0 : 10 * std::log10(255.0 * 255.0 / mse);
    return d;
}

}  // namespace

class GpuRenderTargetTest : public GpuTest {
protected:
    // A gx.h handle over a GPU render target drawing into a new texture.
    GXRenderTargetRec_* GpuHandle(std::shared_ptr<GpuRenderTexture>& texture) {
        texture = RenderTexture(kWidth, kHeight);
        renderer_ = std::make_shared<GpuRenderTarget>(device_, texture);
        return MakeHandle<GXRenderTargetRec_>(std::make_shared<RenderTarget>(renderer_));
    }
    template <class Draw>
    Image GpuPage(Draw draw) {
        std::shared_ptr<GpuRenderTexture> texture;
        GXRenderTargetRec_* target = GpuHandle(texture);
        PaintPage(target, draw);
        GXObjectRelease(target);
        return Pixels(*texture);
    }

    std::shared_ptr<GpuRenderTarget> renderer_;
};

// Every gallery page (paths, gradients, bitmaps, all sixteen blend modes, clips and masks,
// the four kinds of group with a shape mask and nesting, text).
TEST_F(GpuRenderTargetTest, GalleryPagesMatchTheSoftwareRenderer) {
    for (int page = 0; page < GalleryPageCount(); ++page) {
        auto draw = [page](GXRenderTargetRec_* target) { EXPECT_EQ(GalleryDrawPage(page, target), 0); };
        const Image sw = SoftwarePage(draw);
        const Image gpu = GpuPage(draw);
        const Difference d = Compare(gpu, sw);
        std::printf("%-12s PSNR %.1f dB, worst channel off edges %d, edge pixels %d\n",
                    GalleryPageName(page), d.psnr, d.worstOffEdge, d.edgePixels);
        EXPECT_GE(d.psnr, 40.0) << GalleryPageName(page);
        EXPECT_LE(d.worstOffEdge, 8) << GalleryPageName(page);
    }
}

// 1,000 fills of one state and colour become a few draws (one per 4096 vertices); in a
// backdrop-reading mode only disjoint fills of one brush share a draw.
TEST_F(GpuRenderTargetTest, BatchingMergesCompatibleFills) {
    GXBrushRec_* brush = nullptr;
    ASSERT_EQ(GXCreateBrushSolidARGB(0xFF2A9D8Fu, &brush), GXResultSuccess);
    struct Case {
        int32_t mode;
        float step;  // between the rectangles: 6 leaves them disjoint, 2 overlapping
        int count;
        uint64_t most;  // draw calls allowed
    };
    const Case cases[] = {{GXBlendModeNormal, 6, 1000, 3}, {GXBlendModeMultiply, 6, 20, 3},
                          {GXBlendModeMultiply, 2, 20, 40}};
    for (const Case& c : cases) {
        std::shared_ptr<GpuRenderTexture> texture;
        GXRenderTargetRec_* target = GpuHandle(texture);
        ASSERT_EQ(GXRenderTargetBeginPaint(target), GXResultSuccess);
        ASSERT_EQ(GXRenderTargetSetBlendMode(target, c.mode), GXResultSuccess);
        const uint64_t before = device_->DrawCount();
        for (int i = 0; i < c.count; ++i) {
            const float x = float(i % 80) * c.step, y = float(i / 80) * c.step;
            GXRect rect{x, y, x + 4, y + 4};
            ASSERT_EQ(GXRenderTargetFillRect(target, &rect, brush), GXResultSuccess);
        }
        EXPECT_EQ(GXRenderTargetEndPaint(target), GXResultSuccess);
        const uint64_t draws = device_->DrawCount() - before;
        std::printf("mode %d, %d fills: %llu draw calls\n", c.mode, c.count, (unsigned long long)draws);
        EXPECT_GE(draws, 1u);
        EXPECT_LE(draws, c.most);
        if (c.step == 2) {
            EXPECT_GE(draws, uint64_t(c.count)) << "overlapping fills must not share a draw";
        }
        GXObjectRelease(target);
    }
    GXObjectRelease(brush);
}

// Loss in the middle of a paint: the paint ends with failure and no crash; a new target on
// the re-created device draws.
TEST_F(GpuRenderTargetTest, DeviceLossEndsThePaintAndTheNextPaintDraws) {
    GXBrushRec_* red = nullptr;
    ASSERT_EQ(GXCreateBrushSolidARGB(0xFFFF0000u, &red), GXResultSuccess);
    GXRect left{0, 0, 100, 100}, right{200, 0, 300, 100};
    std::shared_ptr<GpuRenderTexture> texture;
    GXRenderTargetRec_* target = GpuHandle(texture);
    ASSERT_EQ(GXRenderTargetBeginPaint(target), GXResultSuccess);
    EXPECT_EQ(GXRenderTargetFillRect(target, &left, red), GXResultSuccess);
    EXPECT_EQ(GXRenderTargetSetBlendMode(target, GXBlendModeMultiply), GXResultSuccess);
    EXPECT_EQ(GXRenderTargetFillEllipse(target, &right, red), GXResultSuccess);
    device_->ReportLossOnNextCall();
    renderer_->Flush();
    EXPECT_EQ(GXRenderTargetFillRect(target, &right, red), GXResultSuccess);
    EXPECT_EQ(GXRenderTargetEndPaint(target), GXResultPaintFailed);
    GXObjectRelease(target);
    EXPECT_FALSE(device_->IsLost());

    const Image page = GpuPage([&](GXRenderTargetRec_* t) { EXPECT_EQ(GXRenderTargetFillRect(t, &left, red), GXResultSuccess); });
    EXPECT_EQ(page[50 * kWidth + 50], 0xFFFF0000u);
    EXPECT_EQ(page[50 * kWidth + 150], 0xFFFFFFFFu);
    GXObjectRelease(red);
}

// The vertex stream: a run of full coverage closed by an empty one is five vertices of the
// unscaled colour; colours pack by truncation; trapezoids take 6 vertices without fringes
// and 10 with; uploads before a reset add up.
TEST_F(GpuTest, RasterizationSinkStreamsRunsRectanglesAndTrapezoids) {
    auto vertices = std::make_shared<GpuVertexBuffer>(device_);
    GpuRasterizationSink sink(vertices, 1, 0, 0, 0.5f);
    CoverageBuffer row(0, 16);
    for (int sub = 0; sub < 8; ++sub) row.AddSpan(2 * 8, 7 * 8);
    sink.AddCoverageRow(3, row);
    EXPECT_EQ(vertices->VertexCount(), 5u);
    EXPECT_EQ(GpuRasterizationSink::ScaleColor(0x7FFF0000u, 256), 0x7FFF0000u);
    EXPECT_EQ(GpuRasterizationSink::ScaleColor(0x80FF0080u, 128), 0x407F0040u);
    sink.AddTrapezoid(0, 1, 5, 4, 1, 5, 0, 0);
    EXPECT_EQ(vertices->VertexCount(), 11u);
    sink.AddTrapezoid(0, 1, 5, 4, 2, 6, 0.75f, 0.75f);
    EXPECT_EQ(vertices->VertexCount(), 21u);
    vertices->Bind();
    sink.FillPixelRect(0, 0, 2, 2);
    vertices->Bind();
    EXPECT_EQ(vertices->VertexCount(), 27u);
    vertices->Reset();
    EXPECT_EQ(vertices->VertexCount(), 0u);
}
