#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "graphics/bitmap/bitmap.h"
#include "graphics/bitmap/pixelformatconverter.h"
#include "graphics/geometry/geometry.h"
#include "graphics/paint/bitmapbrush.h"
#include "graphics/paint/font.h"
#include "graphics/paint/gradientbrush.h"
#include "graphics/paint/lineargradient.h"
#include "graphics/paint/radialgradient.h"
#include "graphics/paint/solidbrush.h"
#include "graphics/paint/trimeshgradient.h"
#include "graphics/print/printbitmap.h"
#include "graphics/print/printdevicesurface.h"
#include "graphics/print/printrendertarget.h"
#include "graphics/target/bitmaprendertarget.h"
#include "graphics/target/rendertarget.h"
#include "platform/printcanvas.h"

namespace Graphics {
namespace {

namespace fs = std::filesystem;

constexpr int32_t kWidth = 240;
constexpr int32_t kHeight = 160;

std::shared_ptr<Brush> Solid(uint32_t argb, float opacity = 1.0f) {
    return std::make_shared<SolidBrush>(ColorF::FromARGB(argb), opacity);
}

std::shared_ptr<Geometry> Star(float cx, float cy, float radius, int32_t fillRule) {
    auto geometry = std::make_shared<Geometry>();
    geometry->SetFillRule(fillRule);
    for (int32_t i = 0; i < 5; ++i) {
        const double angle = i * 4 * M_PI / 5 - M_PI / 2;
        const GXPoint p{float(cx + radius * std::cos(angle)), float(cy + radius * std::sin(angle))};
        if (i == 0)
            geometry->BeginFigure(p);
        else
            geometry->LineTo(p);
    }
    geometry->EndFigureClose();
    return geometry;
}

// A 16 x 16 bitmap of four coloured quadrants, half transparent in one of them.
std::shared_ptr<Bitmap> Quadrants(GXPixelFormat format) {
    auto bitmap = Bitmap::Create(GXBitmapDesc{16, 16, format, 96, 96});
    const GXBitmapData data = bitmap->Lock(nullptr, 2);
    for (int32_t y = 0; y < 16; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(data.data) + y * data.stride);
        for (int32_t x = 0; x < 16; ++x)
            row[x] = x < 8 ? (y < 8 ? 0xFFD02020u : 0xFF20A040u)
                           : (y < 8 ? 0xFF2040D0u : 0x80804000u);  // premultiplied
    }
    bitmap->Unlock();
    return bitmap;
}

std::shared_ptr<GradientStopCollection> Stops(uint32_t from, uint32_t to) {
    auto stops = std::make_shared<GradientStopCollection>();
    stops->Insert(GradientStop{0, from});
    stops->Insert(GradientStop{1, to});
    return stops;
}

// Runs a tool; true when it exits with 0.
bool RunTool(const std::string& command) {
    return std::system((command + " 2>/dev/null").c_str()) == 0;
}

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// RGB bytes of an image file of width x height pixels; empty when it is not one.
std::vector<uint8_t> ReadImage(const fs::path& path, int32_t width, int32_t height) {
    const std::string name = path.string();
    const std::u16string wide(name.begin(), name.end());
    std::shared_ptr<Bitmap> bitmap;
    try {
        bitmap = Bitmap::LoadFromFile(reinterpret_cast<const uint16_t*>(wide.c_str()));
    } catch (...) {
        return {};
    }
    if (bitmap->GetSize().width != width || bitmap->GetSize().height != height) return {};
    auto converted = std::make_shared<PixelFormatConverter>(bitmap, GXPixelFormatRGB32);
    std::vector<uint32_t> pixels(size_t(width) * height);
    converted->CopyPixels(nullptr, reinterpret_cast<uint8_t*>(pixels.data()), width * 4, width * 4);
    std::vector<uint8_t> rgb;
    for (uint32_t p : pixels)
        rgb.insert(rgb.end(), {uint8_t(p >> 16), uint8_t(p >> 8), uint8_t(p)});
    return rgb;
}

// One drawing made twice: on a page of a print target (kWidth x kHeight points, 72 dpi, so
// one device pixel is one point) and on a software bitmap, and the page read back through
// Poppler at the device resolution.
class PrintedPage {
public:
    explicit PrintedPage(const std::function<void(RenderTarget&)>& draw,
                         Host::PrintFileFormat format = Host::PrintFileFormat::Pdf,
                         const char* extension = "pdf") {
        dir_ = fs::temp_directory_path() /
               ("gx-print-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir_);
        file_ = dir_ / (std::string("page.") + extension);
        {
            std::shared_ptr<Host::PrintCanvas> canvas =
                Host::PrintCanvas::Create(format, file_.string(), kWidth, kHeight, 72, 72);
            EXPECT_TRUE(canvas);
            auto renderer =
                std::make_shared<PrintRenderTarget>(std::make_shared<PrintDeviceSurface>(
                    canvas, GXIntSize{kWidth, kHeight}, 72.0f, 72.0f));
            RenderTarget target(renderer);
            target.BeginPaint();
            draw(target);
            EXPECT_TRUE(target.EndPaint());
            EXPECT_TRUE(canvas->EndPage());
            EXPECT_TRUE(canvas->Finish());
        }
        bitmap_ = Bitmap::Create(GXBitmapDesc{kWidth, kHeight, GXPixelFormatPARGB32, 72, 72});
        BitmapRenderTarget software(bitmap_);
        software.BeginPaint();
        software.Clear(0xFFFFFFFFu);
        draw(software);
        software.EndPaint();
    }
    ~PrintedPage() { fs::remove_all(dir_); }

    const fs::path& File() const { return file_; }

    // The page rasterised by Poppler, RGB rows.
    std::vector<uint8_t> Raster() const {
        const fs::path prefix = dir_ / "raster";
        if (!RunTool("pdftocairo -png -r 72 -singlefile '" + file_.string() + "' '" +
                     prefix.string() + "'"))
            return {};
        return ReadImage(prefix.string() + ".png", kWidth, kHeight);
    }
    // The software rendering, RGB rows.
    std::vector<uint8_t> Software() const {
        std::vector<uint32_t> pixels(size_t(kWidth) * kHeight);
        bitmap_->CopyPixels(nullptr, reinterpret_cast<uint8_t*>(pixels.data()), kWidth * 4,
                            kWidth * 4);
        std::vector<uint8_t> rgb;
        for (uint32_t p : pixels)
            rgb.insert(rgb.end(), {uint8_t(p >> 16), uint8_t(p >> 8), uint8_t(p)});
        return rgb;
    }
    // Peak signal-to-noise ratio of the printed page against the software rendering, dB.
    double Psnr() const {
        const std::vector<uint8_t> printed = Raster(), software = Software();
        if (printed.size() != software.size()) return 0;
        double squares = 0;
        for (size_t i = 0; i < printed.size(); ++i) {
            const double d = double(printed[i]) - software[i];
            squares += d * d;
        }
        if (squares == 0) return 99;
        return 10 * std::log10(255.0 * 255.0 * printed.size() / squares);
    }

private:
    fs::path dir_;
    fs::path file_;
    std::shared_ptr<Bitmap> bitmap_;
};

TEST(PrintRenderTarget, VectorDrawingMatchesTheSoftwareRenderer) {
    const PrintedPage page([](RenderTarget& target) {
        target.FillGeometry(Star(50, 50, 40, 1), Solid(0xFF3050C0u));
        target.FillGeometry(Star(140, 50, 40, 0), Solid(0xFFC03030u, 0.6f));
        GXStrokeStyle dashed{};
        dashed.miterLimit = 10;
        dashed.dashCount = 2;
        dashed.dashes[0] = 3;
        dashed.dashes[1] = 2;
        target.StrokeEllipse(GXRect{190, 10, 230, 90}, Solid(0xFF208020u), 2, &dashed);
        target.StrokeLine(GXPoint{10, 100}, GXPoint{110, 150}, Solid(0xFF000000u), 5, nullptr);
        target.PushState();
        target.ClipEllipse(GXRect{120, 100, 200, 155});
        target.RotateCTM(0.3f);
        target.FillRect(GXRect{130, 40, 260, 90}, Solid(0xFFE0A000u));
        target.PopState();
        const uint16_t text[] = {'P', 'r', 'i', 'n', 't', 0};
        static const uint16_t face[] = {'D', 'e', 'j', 'a', 'V', 'u', ' ', 'S', 'a', 'n', 's', 0};
        target.TranslateCTM(180, 150);
        target.FillText(Font::Create(face, 0, 18), text, Solid(0xFF000000u));
    });
    EXPECT_GE(page.Psnr(), 30.0);
    // Vectors stay vectors: the page holds no image.
    EXPECT_EQ(ReadFile(page.File()).find("/Subtype /Image"), std::string::npos);
}

TEST(PrintRenderTarget, BitmapsAndGradientsMatchTheSoftwareRenderer) {
    const PrintedPage page([](RenderTarget& target) {
        // Each sampling mode at one bitmap pixel per point, where all of them agree.
        const auto bitmap = Quadrants(GXPixelFormatPARGB32);
        for (int32_t mode = 0; mode < 3; ++mode) {
            target.PushState();
            target.TranslateCTM(10.0f + 24 * mode, 10);
            target.DrawBitmap(bitmap, 1.0f, mode);
            target.PopState();
        }
        // Nearest at four points per pixel, opaque and through a rotated CTM.
        target.PushState();
        target.TranslateCTM(90, 10);
        target.ScaleCTM(4, 4);
        target.DrawBitmap(Quadrants(GXPixelFormatRGB32), 1.0f, 0);
        target.PopState();
        // A tiled bitmap brush.
        target.FillEllipse(
            GXRect{170, 10, 230, 70},
            std::make_shared<BitmapBrush>(bitmap, 1.0f, GXMatrix{1, 0, 0, 1, 3, 5}, 0,
                                          BitmapExtendRepeat, BitmapExtendRepeat));

        auto linear = std::make_shared<LinearGradient>(Stops(0xFFFF0000u, 0xFF0000FFu),
                                                       GXPoint{10, 0}, GXPoint{70, 0}, 1, 1, 0);
        target.FillRect(GXRect{10, 90, 70, 150},
                        std::make_shared<GradientBrush>(linear, 1.0f, GXMatrix{1, 0, 0, 1, 0, 0}));
        auto radial =
            std::make_shared<RadialGradient>(Stops(0xFFFFFF00u, 0xFF008000u), GXPoint{110, 120},
                                             0.0f, GXPoint{110, 120}, 30.0f, 1, 1, 0);
        target.PushState();
        target.ClipEllipse(GXRect{80, 90, 140, 150});
        target.DrawGradient(radial, 1.0f);
        target.PopState();
        auto mesh =
            std::make_shared<TriMeshGradient>(std::vector<TriMeshVertex>{{150, 90, 0xFFFF0000u},
                                                                         {230, 90, 0xFF00FF00u},
                                                                         {150, 150, 0xFF0000FFu},
                                                                         {230, 150, 0xFFFFFFFFu}},
                                              0);
        target.DrawGradient(mesh, 1.0f);
    });
    EXPECT_GE(page.Psnr(), 30.0);
}

// Fills under a blend mode, layers and soft masks follow the canvas's approximation: lower
// opacity, or an offscreen rendering placed on the page.
TEST(PrintRenderTarget, ApproximationsFoldOpacityAndRenderMasksOffscreen) {
    const PrintedPage folded([](RenderTarget& target) {
        target.SetBlendMode(1);
        target.FillRect(GXRect{0, 0, 40, 40}, Solid(0xFF000000u));
        target.SetBlendMode(0);
        GXLayerParams layer{GXRect{0, 0, kWidth, kHeight}, 0.5f, 0, 0};
        target.BeginLayer(layer);
        target.FillRect(GXRect{40, 0, 80, 40}, Solid(0xFF000000u));
        target.EndLayer();
        target.SetBlendMode(1);
        target.BeginLayer(layer);  // opened under Multiply
        target.SetBlendMode(0);
        target.FillRect(GXRect{80, 0, 120, 40}, Solid(0xFF000000u));
        target.EndLayer();
    });
    const std::vector<uint8_t> raster = folded.Raster();
    ASSERT_FALSE(raster.empty());
    const auto grey = [&](int32_t x, int32_t y) {
        return int(raster[(size_t(y) * kWidth + x) * 3]);
    };
    EXPECT_NEAR(grey(20, 20), 255 * 0.5, 2);           // x0.5 under a blend mode
    EXPECT_NEAR(grey(60, 20), 255 * 0.5, 2);           // a layer of 0.5
    EXPECT_NEAR(grey(100, 20), 255 * (1 - 0.375), 2);  // 0.5 x 0.75 opened under one

    // An opacity mask: the software renderer draws the fill offscreen, as it would on a
    // bitmap, and the page carries that rendering as an image.
    const PrintedPage masked([](RenderTarget& target) {
        auto ramp = std::make_shared<LinearGradient>(Stops(0xFF000000u, 0x00000000u),
                                                     GXPoint{20, 0}, GXPoint{200, 0}, 1, 1, 0);
        target.SetOpacityMask(
            0, std::make_shared<GradientBrush>(ramp, 1.0f, GXMatrix{1, 0, 0, 1, 0, 0}));
        target.ClipEllipse(GXRect{10, 10, 230, 150});
        target.FillGeometry(Star(120, 80, 70, 0), Solid(0xFF2060A0u));
    });
    EXPECT_GE(masked.Psnr(), 30.0);
    EXPECT_NE(ReadFile(masked.File()).find("/Subtype /Image"), std::string::npos);
}

TEST(PrintRenderTarget, ClearIgnoresClipAndTransformAndDisjointClipsHideAll) {
    const PrintedPage page([](RenderTarget& target) {
        target.ClipRect(GXRect{10, 10, 20, 20});
        target.ScaleCTM(0.5f, 0.5f);
        target.Clear(0xFF00FF00u);
        // Two disjoint clips leave nothing to paint.
        target.ClipRect(GXRect{100, 100, 200, 200});
        target.FillRect(GXRect{0, 0, 2 * kWidth, 2 * kHeight}, Solid(0xFFFF0000u));
    });
    const std::vector<uint8_t> raster = page.Raster();
    ASSERT_FALSE(raster.empty());
    const size_t corner = (size_t(kHeight - 1) * kWidth + kWidth - 1) * 3;
    EXPECT_EQ(raster[corner], 0);
    EXPECT_EQ(raster[corner + 1], 255);
    EXPECT_GE(page.Psnr(), 40.0);
}

// The state value chooses how images are resampled (a nearest-sampling brush here): smooth
// ones are marked for interpolation in the file, nearest ones are not.
TEST(PrintRenderTarget, InterpolationFollowsTheStateValue) {
    for (int32_t value : {0, 2}) {
        const PrintedPage page([&](RenderTarget& target) {
            target.GetImpl()->SetStateValue(value);
            target.ScaleCTM(5, 5);
            target.DrawBitmap(Quadrants(GXPixelFormatRGB32), 1.0f, 0);
        });
        EXPECT_EQ(ReadFile(page.File()).find("/Interpolate true") != std::string::npos, value == 2);
    }
}

// Unusable numbers draw nothing and leave the page readable.
TEST(PrintRenderTarget, UnusableNumbersDrawNothing) {
    const PrintedPage page([](RenderTarget& target) {
        const auto red = Solid(0xFFFF0000u);
        for (const GXMatrix& m : {GXMatrix{NAN, 0, 0, 1, 0, 0}, GXMatrix{1e30f, 0, 0, 1e30f, 0, 0},
                                  GXMatrix{0, 0, 0, 0, 5, 5}, GXMatrix{1, 0, 0, 1, INFINITY, 0}}) {
            target.PushState();
            target.SetCTM(&m);
            target.ClipRect(GXRect{0, 0, 10, 10});
            target.SetOpacityMask(0, red);
            target.FillRect(GXRect{0, 0, 10, 10}, red);
            target.PopState();
        }
        auto wild = std::make_shared<Geometry>();
        wild->BeginFigure(GXPoint{-1e38f, 5});
        wild->LineTo(GXPoint{1e38f, 5});
        wild->LineTo(GXPoint{NAN, 1e38f});
        wild->EndFigureClose();
        target.FillGeometry(wild, red);
    });
    EXPECT_FALSE(page.Raster().empty());
}

size_t CountOf(const std::string& text, const std::string& what) {
    size_t count = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++count;
    return count;
}

// A bitmap drawn again is written into the document once, until its pixels change.
TEST(PrintRenderTarget, ABitmapIsWrittenOnceUntilItChanges) {
    const auto bitmap = Quadrants(GXPixelFormatRGB32);
    const auto draw = [&](RenderTarget& target) {
        for (int32_t i = 0; i < 3; ++i) {
            target.TranslateCTM(20, 0);
            target.DrawBitmap(bitmap, 1.0f, 0);
        }
    };
    const PrintedPage unchanged(draw);
    EXPECT_EQ(CountOf(ReadFile(unchanged.File()), "/Subtype /Image"), 1u);
    const PrintedPage changed([&](RenderTarget& target) {
        draw(target);
        bitmap->Lock(nullptr, 2);  // a write lock: the pixels may change
        bitmap->Unlock();
        draw(target);
    });
    EXPECT_EQ(CountOf(ReadFile(changed.File()), "/Subtype /Image"), 2u);
}

TEST(PrintRenderTarget, OffscreenBitmapsStayBounded) {
    EXPECT_EQ(PrintRenderTarget::OffscreenFactor(100, 100), 6);
    EXPECT_EQ(PrintRenderTarget::OffscreenFactor(1500, 1000), 3);
    // Past the pixel budget the factor falls below 3 until the bitmap fits.
    for (double side : {1500.0, 5000.0, 40000.0}) {
        const double factor = PrintRenderTarget::OffscreenFactor(side, side * 1.3);
        EXPECT_LT(factor, 3);
        EXPECT_LE(std::ceil(side * factor) * std::ceil(side * 1.3 * factor),
                  PrintBitmap::kMaxPixels);
        EXPECT_GT(std::ceil(side * factor * 1.02) * std::ceil(side * 1.3 * factor * 1.02),
                  PrintBitmap::kMaxPixels);
    }
}

TEST(PrintRenderTarget, PostScriptAndSvgPagesAreReadable) {
    const auto draw = [](RenderTarget& target) {
        target.FillGeometry(Star(120, 80, 60, 1), Solid(0xFF3050C0u));
        target.SetOpacityMask(0, Solid(0x80000000u));
        target.FillRect(GXRect{10, 10, 60, 60}, Solid(0xFFC03030u));
    };
    const PrintedPage ps(draw, Host::PrintFileFormat::PostScript, "ps");
    EXPECT_TRUE(
        RunTool("gs -q -dBATCH -dNOPAUSE -dSAFER -sDEVICE=nullpage '" + ps.File().string() + "'"));
    const PrintedPage svg(draw, Host::PrintFileFormat::Svg, "svg");
    EXPECT_TRUE(RunTool("xmllint --noout '" + svg.File().string() + "'"));
    EXPECT_NE(ReadFile(svg.File()).find("<svg"), std::string::npos);
}

}  // namespace
}  // namespace Graphics
