#include "gxoutputdev.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include <GfxState.h>
#include <Stream.h>

namespace {

// Poppler's blend modes in its own order (colour dodge before colour burn).
int BlendMode(GfxBlendMode mode) {
    static const int kModes[] = {
        GXBlendModeNormal,     GXBlendModeMultiply,   GXBlendModeScreen,
        GXBlendModeOverlay,    GXBlendModeDarken,     GXBlendModeLighten,
        GXBlendModeColorDodge, GXBlendModeColorBurn,  GXBlendModeHardLight,
        GXBlendModeSoftLight,  GXBlendModeDifference, GXBlendModeExclusion,
        GXBlendModeHue,        GXBlendModeSaturation, GXBlendModeColor,
        GXBlendModeLuminosity};
    const unsigned index = unsigned(mode);
    return index < sizeof kModes / sizeof kModes[0] ? kModes[index] : GXBlendModeNormal;
}

// Poppler's matrices are [a b c d e f] as in PDF, the same order as GXMatrix.
GXMatrix ToMatrix(const double* m) {
    return GXMatrix{float(m[0]), float(m[1]), float(m[2]), float(m[3]), float(m[4]), float(m[5])};
}

// inner first, then outer.
void Concat(const double* outer, const double* inner, double* out) {
    out[0] = inner[0] * outer[0] + inner[1] * outer[2];
    out[1] = inner[0] * outer[1] + inner[1] * outer[3];
    out[2] = inner[2] * outer[0] + inner[3] * outer[2];
    out[3] = inner[2] * outer[1] + inner[3] * outer[3];
    out[4] = inner[4] * outer[0] + inner[5] * outer[2] + outer[4];
    out[5] = inner[4] * outer[1] + inner[5] * outer[3] + outer[5];
}

uint32_t ToARGB(const GfxRGB& rgb) {
    return 0xFF000000u | uint32_t(colToByte(rgb.r)) << 16 | uint32_t(colToByte(rgb.g)) << 8 |
           colToByte(rgb.b);
}

// Image space (the unit square, first row at the top) for an image of width x height pixels.
void ImageMatrix(const double* ctm, int width, int height, double* out) {
    const double unit[6] = {1.0 / width, 0, 0, -1.0 / height, 0, 1};
    Concat(ctm, unit, out);
}

// PDF asks for smoothing only with /Interpolate; a reduction is always averaged so that
// detail finer than a pixel shows as its mean rather than as aliasing.
// pixelToDevice maps the image's pixels to the device: a pixel side shorter than a device
// pixel means the image is reduced.
int Sampling(const double* pixelToDevice, bool interpolate) {
    if (interpolate) return GXBitmapSamplingBoxBilinear;
    const double sx = std::hypot(pixelToDevice[0], pixelToDevice[1]);
    const double sy = std::hypot(pixelToDevice[2], pixelToDevice[3]);
    // An image placed at the device's own resolution comes out a hair under one device pixel
    // per image pixel after rounding: that is no reduction worth averaging.
    constexpr double kReduced = 0.99;
    return sx < kReduced || sy < kReduced ? GXBitmapSamplingBoxBilinear : GXBitmapSamplingNearest;
}

// A new bitmap whose rows fill() writes: fill(row, y) for y from the top.
template <typename RowFill>
GXBitmapRec_* MakeBitmap(int width, int height, GXPixelFormat format, RowFill fill) {
    const GXBitmapDesc desc{width, height, format, 72, 72};
    GXBitmapRec_* bitmap = nullptr;
    if (GXCreateBitmap(&desc, &bitmap) != GXResultSuccess) return nullptr;
    GXBitmapData data;
    if (GXBitmapLock(bitmap, nullptr, GXLockWrite, &data) != GXResultSuccess) {
        GXObjectRelease(GX_HANDLE(bitmap));
        return nullptr;
    }
    for (int y = 0; y < height; ++y) fill(static_cast<uint8_t*>(data.data) + size_t(y) * data.stride, y);
    GXBitmapUnlock(bitmap);
    return bitmap;
}

// A 1-bit mask as libgx's A1 (alpha 0 where the image paints): the stream's bits as they are,
// since a sample of 0 paints unless the decode array inverts it.
GXBitmapRec_* MaskBitmap(Stream* str, int width, int height, bool invert) {
    str->reset();
    const int rowBytes = (width + 7) / 8;
    GXBitmapRec_* bitmap = MakeBitmap(width, height, GXPixelFormatA1, [&](uint8_t* row, int) {
        const int got = str->doGetChars(rowBytes, row);
        std::memset(row + got, 0xFF, size_t(rowBytes - got));  // missing rows paint nothing
        if (invert) {
            for (int i = 0; i < rowBytes; ++i) row[i] = uint8_t(~row[i]);
        }
    });
    str->close();
    return bitmap;
}

// The image's colours as RGB32, or ARGB32 with colour-key masking (maskColors: min, max per
// component, on the undecoded samples).
GXBitmapRec_* ImageBitmap(Stream* str, int width, int height, GfxImageColorMap* colorMap,
                          const int* maskColors) {
    const int comps = colorMap->getNumPixelComps();
    ImageStream image(str, width, comps, colorMap->getBits());
    image.reset();
    GXBitmapRec_* bitmap = MakeBitmap(
        width, height, maskColors ? GXPixelFormatARGB32 : GXPixelFormatRGB32,
        [&](uint8_t* row, int) {
            uint8_t* line = image.getLine();
            auto* out = reinterpret_cast<uint32_t*>(row);
            if (!line) {
                std::fill(out, out + width, maskColors ? 0u : 0xFF000000u);
                return;
            }
            if (colorMap->useRGBLine()) {
                colorMap->getRGBLine(line, out, width);
            } else {
                for (int x = 0; x < width; ++x) {
                    GfxRGB rgb;
                    colorMap->getRGB(line + x * comps, &rgb);
                    out[x] = ToARGB(rgb);
                }
            }
            for (int x = 0; x < width; ++x) {
                bool keyed = maskColors != nullptr;
                for (int c = 0; keyed && c < comps; ++c) {
                    const int v = line[x * comps + c];
                    keyed = v >= maskColors[2 * c] && v <= maskColors[2 * c + 1];
                }
                out[x] = keyed ? 0u : out[x] | 0xFF000000u;
            }
        });
    image.close();
    return bitmap;
}

// A soft mask image's grey levels as A8.
GXBitmapRec_* SoftMaskBitmap(Stream* str, int width, int height, GfxImageColorMap* colorMap) {
    const int comps = colorMap->getNumPixelComps();
    ImageStream image(str, width, comps, colorMap->getBits());
    image.reset();
    // Soft masks are DeviceGray, whose whole rows Poppler converts at once.
    const bool wholeRows = colorMap->getColorSpace()->getMode() == csDeviceGray;
    GXBitmapRec_* bitmap = MakeBitmap(width, height, GXPixelFormatA8, [&](uint8_t* row, int) {
        uint8_t* line = image.getLine();
        if (line && wholeRows) {
            colorMap->getGrayLine(line, row, width);
            return;
        }
        for (int x = 0; x < width; ++x) {
            GfxGray gray = 0;
            if (line) colorMap->getGray(line + x * comps, &gray);
            row[x] = colToByte(gray);
        }
    });
    image.close();
    return bitmap;
}

// Stops sampling a shading's colour function, the dense samples thinned to those that a
// straight ramp between their neighbours would not reproduce within half a level.
template <typename ColorAt>
std::vector<GXGradientStop> Stops(ColorAt colorAt) {
    constexpr int kSamples = 256;
    uint32_t colors[kSamples + 1];
    for (int i = 0; i <= kSamples; ++i) colors[i] = colorAt(double(i) / kSamples);
    auto channel = [](uint32_t c, int shift) { return int(c >> shift & 0xFF); };
    std::vector<GXGradientStop> stops{{0.0f, colors[0]}};
    int last = 0;
    for (int i = 1; i < kSamples; ++i) {
        // Keep sample i when the ramp from the last kept one to i + 1 misses any sample between.
        bool needed = false;
        for (int j = last + 1; j <= i && !needed; ++j) {
            const double f = double(j - last) / (i + 1 - last);
            for (int shift = 0; shift < 32 && !needed; shift += 8) {
                const double ramp = channel(colors[last], shift) +
                                    f * (channel(colors[i + 1], shift) - channel(colors[last], shift));
                needed = std::fabs(ramp - channel(colors[j], shift)) > 1.0;
            }
        }
        if (needed) {
            stops.push_back({float(i) / kSamples, colors[i]});
            last = i;
        }
    }
    stops.push_back({1.0f, colors[kSamples]});
    return stops;
}

template <typename Shading>
std::vector<GXGradientStop> ShadingStops(Shading* shading) {
    const double t0 = shading->getDomain0(), t1 = shading->getDomain1();
    return Stops([&](double s) {
        GfxColor color;
        shading->getColor(t0 + s * (t1 - t0), &color);
        GfxRGB rgb;
        shading->getColorSpace()->getRGB(&color, &rgb);
        return ToARGB(rgb);
    });
}

// libgx reads a mesh's vertices as one triangle strip (each three consecutive vertices a
// triangle); a strip appended after others is joined by repeating the vertices at the seam,
// which makes triangles without area.
void AppendStrip(std::vector<GXTriMeshVertex>& mesh, const GXTriMeshVertex* strip, size_t count) {
    if (!mesh.empty() && count) {
        const GXTriMeshVertex last = mesh.back();
        mesh.push_back(last);
        mesh.push_back(strip[0]);
    }
    mesh.insert(mesh.end(), strip, strip + count);
}

}  // namespace

GXOutputDev::GXOutputDev() = default;

GXOutputDev::~GXOutputDev() {
    endPage();
    if (maskGroup_) GXObjectRelease(GX_HANDLE(maskGroup_));
    if (page_.target) GXObjectRelease(GX_HANDLE(page_.target));
    if (page_.bitmap) GXObjectRelease(GX_HANDLE(page_.bitmap));
    for (CachedBrush& cached : brushes_) {
        if (cached.brush) GXObjectRelease(GX_HANDLE(cached.brush));
    }
}

GXBitmapRec_* GXOutputDev::Page() {
    if (page_.bitmap) GXObjectAcquire(GX_HANDLE(page_.bitmap));
    return page_.bitmap;
}

GXOutputDev::Surface GXOutputDev::NewSurface(int width, int height, GXPixelFormat format,
                                             uint32_t clear) {
    Surface surface;
    const GXBitmapDesc desc{width, height, format, 72, 72};
    if (GXCreateBitmap(&desc, &surface.bitmap) != GXResultSuccess) {
        ++failures_;
        return surface;
    }
    Check(GXCreateRenderTargetBitmap(surface.bitmap, &surface.target));
    Check(GXRenderTargetBeginPaint(surface.target));
    Check(GXRenderTargetClear(surface.target, clear));
    surface.levels.emplace_back();
    return surface;
}

void GXOutputDev::EndSurface(Surface& surface) {
    if (surface.target) {
        Check(GXRenderTargetEndPaint(surface.target));
        GXObjectRelease(GX_HANDLE(surface.target));
    }
    for (Applied& level : surface.levels) {
        if (level.mask) GXObjectRelease(GX_HANDLE(level.mask));
    }
    surface.target = nullptr;
    surface.levels.clear();
}

void GXOutputDev::startPage(int, GfxState* state, XRef*) {
    failures_ = 0;
    // Rounded as Poppler's own rasterizer sizes its page.
    const int width = std::max(1, int(state->getPageWidth() + 0.5));
    const int height = std::max(1, int(state->getPageHeight() + 0.5));
    // The page's surface serves the next page of the same size, as a viewer keeps its
    // back buffer: no new pixel store to allocate and fault in for every page.
    if (page_.target && (width != width_ || height != height_)) {
        GXObjectRelease(GX_HANDLE(page_.target));
        GXObjectRelease(GX_HANDLE(page_.bitmap));
        page_ = Surface{};
    }
    width_ = width;
    height_ = height;
    if (!page_.target) {
        const GXBitmapDesc desc{width_, height_, GXPixelFormatPARGB32, 72, 72};
        if (GXCreateBitmap(&desc, &page_.bitmap) != GXResultSuccess) return ++failures_, void();
        Check(GXCreateRenderTargetBitmap(page_.bitmap, &page_.target));
        if (!page_.target) return;
    }
    Check(GXRenderTargetBeginPaint(page_.target));
    Check(GXRenderTargetClear(page_.target, 0xFFFFFFFFu));
    page_.levels.assign(1, Applied{});
    surfaces_.push_back(page_);
}

void GXOutputDev::endPage() {
    while (surfaces_.size() > 1) {  // groups left open by a broken content stream
        EndSurface(surfaces_.back());
        GXObjectRelease(GX_HANDLE(surfaces_.back().bitmap));
        surfaces_.pop_back();
    }
    if (!surfaces_.empty()) {
        Check(GXRenderTargetEndPaint(page_.target));
        for (Applied& level : surfaces_.back().levels) {
            if (level.mask) GXObjectRelease(GX_HANDLE(level.mask));
        }
        surfaces_.clear();
    }
    // What a broken content stream left open: groups, saves, a clipping text object.
    groups_.clear();
    for (Saved& saved : saved_) {
        if (saved.mask.brush) GXObjectRelease(GX_HANDLE(saved.mask.brush));
    }
    saved_.clear();
    if (textClip_) GXObjectRelease(GX_HANDLE(textClip_));
    textClip_ = nullptr;
    SetMask({});
}

void GXOutputDev::saveState(GfxState* state) {
    if (surfaces_.empty()) return;
    Check(GXRenderTargetPushState(Target()));
    Applied level = surfaces_.back().levels.back();
    if (level.mask) GXObjectAcquire(GX_HANDLE(level.mask));
    surfaces_.back().levels.push_back(level);
    if (mask_.brush) GXObjectAcquire(GX_HANDLE(mask_.brush));
    saved_.push_back({mask_, BlendMode(state->getBlendMode()), state->getFillOpacity()});
}

void GXOutputDev::restoreState(GfxState*) {
    if (surfaces_.empty() || saved_.empty()) return;
    Check(GXRenderTargetPopState(Target()));
    std::vector<Applied>& levels = surfaces_.back().levels;
    if (levels.size() > 1) {
        if (levels.back().mask) GXObjectRelease(GX_HANDLE(levels.back().mask));
        levels.pop_back();
    }
    if (mask_.brush) GXObjectRelease(GX_HANDLE(mask_.brush));
    mask_ = saved_.back().mask;
    saved_.pop_back();
}

void GXOutputDev::Apply(int blendMode, const SoftMask& mask, bool strokeAdjust) {
    Applied& level = surfaces_.back().levels.back();
    if (level.blendMode != blendMode) {
        Check(GXRenderTargetSetBlendMode(Target(), blendMode));
        level.blendMode = blendMode;
    }
    if (level.mask != mask.brush) {
        Check(GXRenderTargetSetOpacityMask(Target(), mask.type, mask.brush));
        if (level.mask) GXObjectRelease(GX_HANDLE(level.mask));
        level.mask = mask.brush;
        if (level.mask) GXObjectAcquire(GX_HANDLE(level.mask));
    }
    if (level.strokeAdjust != strokeAdjust) {
        Check(GXRenderTargetSetStrokeAdjustment(Target(), strokeAdjust));
        level.strokeAdjust = strokeAdjust;
    }
}

void GXOutputDev::Sync(GfxState* state) {
    Apply(BlendMode(state->getBlendMode()), mask_, state->getStrokeAdjust());
}

void GXOutputDev::SetCTM(const double* m) {
    const GXMatrix matrix = ToMatrix(m);
    Check(GXRenderTargetSetCTM(Target(), &matrix));
}

void GXOutputDev::SetMask(SoftMask mask) {
    if (mask_.brush) GXObjectRelease(GX_HANDLE(mask_.brush));
    mask_ = mask;
}

GXGeometryRec_* GXOutputDev::MakePath(GfxState* state, int rule, bool keepEmpty) {
    GXGeometryRec_* geometry = nullptr;
    if (GXCreateGeometry(&geometry) != GXResultSuccess) return nullptr;
    GXGeometrySetFillRule(geometry, rule);
    const GfxPath* path = state->getPath();
    for (int i = 0; i < path->getNumSubpaths(); ++i) {
        const GfxSubpath* sub = path->getSubpath(i);
        const int n = sub->getNumPoints();
        if (n < 1) continue;
        const GXPoint start{float(sub->getX(0)), float(sub->getY(0))};
        GXGeometryBeginFigure(geometry, &start);
        if (n == 1) GXGeometryLineTo(geometry, &start);  // a dot, which round caps show
        for (int j = 1; j < n;) {
            if (sub->getCurve(j) && j + 2 < n) {
                const GXPoint c1{float(sub->getX(j)), float(sub->getY(j))};
                const GXPoint c2{float(sub->getX(j + 1)), float(sub->getY(j + 1))};
                const GXPoint end{float(sub->getX(j + 2)), float(sub->getY(j + 2))};
                GXGeometryCubicCurveTo(geometry, &c1, &c2, &end);
                j += 3;
            } else {
                const GXPoint p{float(sub->getX(j)), float(sub->getY(j))};
                GXGeometryLineTo(geometry, &p);
                ++j;
            }
        }
        if (sub->isClosed()) {
            GXGeometryEndFigureClose(geometry);
        } else {
            GXGeometryEndFigure(geometry);
        }
    }
    uint8_t empty = 1;
    GXGeometryEmpty(geometry, &empty);
    if (empty && !keepEmpty) {
        GXObjectRelease(GX_HANDLE(geometry));
        return nullptr;
    }
    return geometry;
}

GXBrushRec_* GXOutputDev::Solid(CachedBrush& cached, const GfxRGB& rgb, double opacity) {
    const GXColorF color{float(colToDbl(rgb.r)), float(colToDbl(rgb.g)), float(colToDbl(rgb.b)),
                         float(opacity)};
    if (cached.brush && std::memcmp(&cached.color, &color, sizeof color) == 0) return cached.brush;
    if (cached.brush) GXObjectRelease(GX_HANDLE(cached.brush));
    cached.brush = nullptr;
    cached.color = color;
    Check(GXCreateBrushSolid(&color, &cached.brush));
    return cached.brush;
}

GXBrushRec_* GXOutputDev::FillBrush(GfxState* state) {
    GfxRGB rgb;
    state->getFillRGB(&rgb);
    return Solid(brushes_[0], rgb, state->getFillOpacity());
}

GXBrushRec_* GXOutputDev::StrokeBrush(GfxState* state) {
    GfxRGB rgb;
    state->getStrokeRGB(&rgb);
    return Solid(brushes_[1], rgb, state->getStrokeOpacity());
}

void GXOutputDev::StrokeStyle(GfxState* state, GXStrokeStyle* style) {
    std::memset(style, 0, sizeof *style);
    style->lineJoin = state->getLineJoin();
    style->lineCap = state->getLineCap();
    style->miterLimit = float(state->getMiterLimit());
    double offset = 0;
    const std::vector<double>& dash = state->getLineDash(&offset);
    const size_t count = std::min<size_t>(dash.size(), 15);
    bool anyLength = false;
    for (size_t i = 0; i < count; ++i) {
        style->dashes[i] = float(std::max(0.0, dash[i]));
        anyLength = anyLength || style->dashes[i] > 0;
    }
    if (anyLength) {
        style->dashCount = count;
        style->dashOffset = float(offset);
    }
    if (dash.size() > 15) WarnOnce(kWarnLongDash, "dash arrays beyond 15 entries are cut to 15");
}

void GXOutputDev::WarnOnce(int which, const char* what) {
    if (warned_ & (1 << which)) return;
    warned_ |= 1 << which;
    std::fprintf(stderr, "gxpdf: %s\n", what);
}

void GXOutputDev::Fill(GfxState* state, int rule) {
    if (surfaces_.empty() || state->getFillColorSpace()->isNonMarking()) return;
    GXGeometryRec_* geometry = MakePath(state, rule, false);
    if (!geometry) return;
    Sync(state);
    SetCTM(state->getCTM());
    Check(GXRenderTargetFillGeometry(Target(), geometry, FillBrush(state)));
    GXObjectRelease(GX_HANDLE(geometry));
}

void GXOutputDev::stroke(GfxState* state) {
    if (surfaces_.empty() || state->getStrokeColorSpace()->isNonMarking()) return;
    GXGeometryRec_* geometry = MakePath(state, GXFillRuleNonZero, false);
    if (!geometry) return;
    Sync(state);
    SetCTM(state->getCTM());
    GXStrokeStyle style;
    StrokeStyle(state, &style);
    Check(GXRenderTargetStrokeGeometry(Target(), geometry, StrokeBrush(state),
                                       float(state->getLineWidth()), &style));
    GXObjectRelease(GX_HANDLE(geometry));
}

void GXOutputDev::Clip(GfxState* state, int rule) {
    if (surfaces_.empty()) return;
    // An empty path clips everything away.
    GXGeometryRec_* geometry = MakePath(state, rule, true);
    if (!geometry) return;
    SetCTM(state->getCTM());
    Check(GXRenderTargetClipGeometry(Target(), geometry));
    GXObjectRelease(GX_HANDLE(geometry));
}

void GXOutputDev::clipToStrokePath(GfxState* state) {
    if (surfaces_.empty()) return;
    GXGeometryRec_* geometry = MakePath(state, GXFillRuleNonZero, true);
    if (!geometry) return;
    const double* ctm = state->getCTM();
    // Widened in user space: the flattening tolerance is a tenth of a device pixel there,
    // and a hairline is one device pixel wide.
    const double scale = std::sqrt(std::fabs(ctm[0] * ctm[3] - ctm[1] * ctm[2]));
    const double toUser = scale > 0 ? 1 / scale : 1;
    double width = state->getLineWidth();
    if (width * scale < 1) width = toUser;
    GXStrokeStyle style;
    StrokeStyle(state, &style);
    GXGeometryRec_* outline = nullptr;
    Check(GXGeometryWiden(geometry, float(width), &style, float(0.1 * toUser), &outline));
    GXObjectRelease(GX_HANDLE(geometry));
    if (!outline) return;
    SetCTM(ctm);
    Check(GXRenderTargetClipGeometry(Target(), outline));
    GXObjectRelease(GX_HANDLE(outline));
}

void GXOutputDev::DrawGradient(GfxState* state, GXGradientRec_* gradient) {
    if (!gradient) return;
    Sync(state);
    SetCTM(state->getCTM());
    Check(GXRenderTargetDrawGradient(Target(), gradient, float(state->getFillOpacity())));
    GXObjectRelease(GX_HANDLE(gradient));
}

bool GXOutputDev::axialShadedFill(GfxState* state, GfxAxialShading* shading, double, double) {
    if (surfaces_.empty()) return true;
    const std::vector<GXGradientStop> stops = ShadingStops(shading);
    double x0, y0, x1, y1;
    shading->getCoords(&x0, &y0, &x1, &y1);
    GXLinearGradientDesc desc{};
    desc.stops = stops.data();
    desc.count = stops.size();
    desc.x0 = float(x0), desc.y0 = float(y0), desc.x1 = float(x1), desc.y1 = float(y1);
    desc.extendStart = shading->getExtend0();
    desc.extendEnd = shading->getExtend1();
    GXGradientRec_* gradient = nullptr;
    Check(GXCreateGradientLinear(&desc, &gradient));
    DrawGradient(state, gradient);
    return true;
}

bool GXOutputDev::radialShadedFill(GfxState* state, GfxRadialShading* shading, double, double) {
    if (surfaces_.empty()) return true;
    const std::vector<GXGradientStop> stops = ShadingStops(shading);
    double x0, y0, r0, x1, y1, r1;
    shading->getCoords(&x0, &y0, &r0, &x1, &y1, &r1);
    GXRadialGradientDesc desc{};
    desc.stops = stops.data();
    desc.count = stops.size();
    desc.x0 = float(x0), desc.y0 = float(y0), desc.r0 = float(r0);
    desc.x1 = float(x1), desc.y1 = float(y1), desc.r1 = float(r1);
    desc.extendStart = shading->getExtend0();
    desc.extendEnd = shading->getExtend1();
    GXGradientRec_* gradient = nullptr;
    Check(GXCreateGradientRadial(&desc, &gradient));
    DrawGradient(state, gradient);
    return true;
}

bool GXOutputDev::functionShadedFill(GfxState* state, GfxFunctionShading* shading) {
    if (surfaces_.empty()) return true;
    // No libgx gradient takes a colour per point of a rectangle: the function is sampled into
    // a bitmap of about one sample per device pixel, drawn smoothly over the domain.
    double x0, y0, x1, y1;
    shading->getDomain(&x0, &y0, &x1, &y1);
    const double domain[6] = {x1 - x0, 0, 0, y1 - y0, x0, y0};
    double toUser[6], toDevice[6];
    Concat(shading->getMatrix(), domain, toUser);
    Concat(state->getCTM(), toUser, toDevice);
    constexpr double kMaxSide = 2048;
    const int width = int(std::clamp(std::ceil(std::hypot(toDevice[0], toDevice[1])), 1.0, kMaxSide));
    const int height = int(std::clamp(std::ceil(std::hypot(toDevice[2], toDevice[3])), 1.0, kMaxSide));
    GfxColorSpace* space = shading->getColorSpace();
    GXBitmapRec_* bitmap = MakeBitmap(width, height, GXPixelFormatRGB32, [&](uint8_t* row, int y) {
        auto* out = reinterpret_cast<uint32_t*>(row);
        const double v = y0 + (y + 0.5) / height * (y1 - y0);
        for (int x = 0; x < width; ++x) {
            GfxColor color;
            shading->getColor(x0 + (x + 0.5) / width * (x1 - x0), v, &color);
            GfxRGB rgb;
            space->getRGB(&color, &rgb);
            out[x] = ToARGB(rgb);
        }
    });
    if (!bitmap) return ++failures_, true;
    // Bitmap pixels to the unit square of the domain, then on to the device.
    const double pixels[6] = {1.0 / width, 0, 0, 1.0 / height, 0, 0};
    double m[6];
    Concat(toDevice, pixels, m);
    Sync(state);
    SetCTM(m);
    Check(GXRenderTargetDrawBitmap(Target(), bitmap, float(state->getFillOpacity()),
                                   GXBitmapSamplingBilinear));
    GXObjectRelease(GX_HANDLE(bitmap));
    return true;
}

bool GXOutputDev::gouraudTriangleShadedFill(GfxState* state, GfxGouraudTriangleShading* shading) {
    if (surfaces_.empty()) return true;
    GfxColorSpace* space = shading->getColorSpace();
    std::vector<GXTriMeshVertex> vertices;
    vertices.reserve(size_t(shading->getNTriangles()) * 3);
    auto corner = [&](double x, double y, const GfxColor& color) {
        GfxRGB rgb;
        space->getRGB(&color, &rgb);
        return GXTriMeshVertex{float(x), float(y), ToARGB(rgb)};
    };
    for (int i = 0; i < shading->getNTriangles(); ++i) {
        double x[3], y[3];
        GfxColor colors[3];
        if (shading->isParameterized()) {
            // Colours at the corners, interpolated between them as colours: exact for
            // functions linear in t, an approximation otherwise.
            double t[3];
            shading->getTriangle(i, &x[0], &y[0], &t[0], &x[1], &y[1], &t[1], &x[2], &y[2], &t[2]);
            for (int k = 0; k < 3; ++k) shading->getParameterizedColor(t[k], &colors[k]);
        } else {
            shading->getTriangle(i, &x[0], &y[0], &colors[0], &x[1], &y[1], &colors[1], &x[2],
                                 &y[2], &colors[2]);
        }
        const GXTriMeshVertex triangle[3] = {corner(x[0], y[0], colors[0]),
                                             corner(x[1], y[1], colors[1]),
                                             corner(x[2], y[2], colors[2])};
        AppendStrip(vertices, triangle, 3);
    }
    if (vertices.empty()) return true;
    GXGradientRec_* gradient = nullptr;
    Check(GXCreateGradientTriMesh(vertices.data(), vertices.size(), 0, &gradient));
    DrawGradient(state, gradient);
    return true;
}

bool GXOutputDev::patchMeshShadedFill(GfxState* state, GfxPatchMeshShading* shading) {
    if (surfaces_.empty()) return true;
    // Each patch becomes a grid of kSteps x kSteps cells, two triangles each: the points on
    // the bicubic surface, the colour interpolated bilinearly from the corners (in the
    // function's parameter when the shading has one, else in the colour components).
    constexpr int kSteps = 16;
    GfxColorSpace* space = shading->getColorSpace();
    const int comps = shading->isParameterized() ? 1 : space->getNComps();
    std::vector<GXTriMeshVertex> vertices;
    GXTriMeshVertex grid[kSteps + 1][kSteps + 1];
    for (int p = 0; p < shading->getNPatches(); ++p) {
        const GfxPatch* patch = shading->getPatch(p);
        for (int iu = 0; iu <= kSteps; ++iu) {
            const double u = double(iu) / kSteps;
            const double bu[4] = {(1 - u) * (1 - u) * (1 - u), 3 * u * (1 - u) * (1 - u),
                                  3 * u * u * (1 - u), u * u * u};
            for (int iv = 0; iv <= kSteps; ++iv) {
                const double v = double(iv) / kSteps;
                const double bv[4] = {(1 - v) * (1 - v) * (1 - v), 3 * v * (1 - v) * (1 - v),
                                      3 * v * v * (1 - v), v * v * v};
                double x = 0, y = 0;
                for (int i = 0; i < 4; ++i) {
                    for (int j = 0; j < 4; ++j) {
                        x += bu[i] * bv[j] * patch->x[i][j];
                        y += bu[i] * bv[j] * patch->y[i][j];
                    }
                }
                GfxColor color;
                double c[gfxColorMaxComps];
                for (int k = 0; k < comps; ++k) {
                    c[k] = (1 - u) * ((1 - v) * patch->color[0][0].c[k] + v * patch->color[0][1].c[k]) +
                           u * ((1 - v) * patch->color[1][0].c[k] + v * patch->color[1][1].c[k]);
                }
                if (shading->isParameterized()) {
                    shading->getParameterizedColor(c[0], &color);
                } else {
                    // Poppler keeps a patch's colour components in its fixed-point units.
                    for (int k = 0; k < comps; ++k) color.c[k] = GfxColorComp(c[k] + 0.5);
                }
                GfxRGB rgb;
                space->getRGB(&color, &rgb);
                grid[iu][iv] = {float(x), float(y), ToARGB(rgb)};
            }
        }
        for (int iu = 0; iu < kSteps; ++iu) {  // a strip along each row of cells
            GXTriMeshVertex strip[2 * (kSteps + 1)];
            for (int iv = 0; iv <= kSteps; ++iv) {
                strip[2 * iv] = grid[iu][iv];
                strip[2 * iv + 1] = grid[iu + 1][iv];
            }
            AppendStrip(vertices, strip, 2 * (kSteps + 1));
        }
    }
    if (vertices.empty()) return true;
    GXGradientRec_* gradient = nullptr;
    Check(GXCreateGradientTriMesh(vertices.data(), vertices.size(), 0, &gradient));
    DrawGradient(state, gradient);
    return true;
}

void GXOutputDev::beginTextObject(GfxState*) {
    if (textClip_) GXObjectRelease(GX_HANDLE(textClip_));
    textClip_ = nullptr;
}

void GXOutputDev::endTextObject(GfxState*) {
    if (!textClip_ || surfaces_.empty()) return;
    const GXMatrix identity{1, 0, 0, 1, 0, 0};
    Check(GXRenderTargetSetCTM(Target(), &identity));
    Check(GXRenderTargetClipGeometry(Target(), textClip_));
    GXObjectRelease(GX_HANDLE(textClip_));
    textClip_ = nullptr;
}

namespace {

// Appends a geometry's figures, mapped through a matrix, to another geometry.
struct AppendSink {
    GXGeometryRec_* target;
    GXMatrix m;
    GXPoint Map(const GXPoint* p) const {
        return {m.a * p->x + m.c * p->y + m.e, m.b * p->x + m.d * p->y + m.f};
    }
    static AppendSink* Of(void* context) { return static_cast<AppendSink*>(context); }
    static void SetFillRule(void*, int32_t) {}
    static void Begin(void* c, const GXPoint* p) {
        const GXPoint q = Of(c)->Map(p);
        GXGeometryBeginFigure(Of(c)->target, &q);
    }
    static void End(void* c) { GXGeometryEndFigure(Of(c)->target); }
    static void Close(void* c) { GXGeometryEndFigureClose(Of(c)->target); }
    static void Line(void* c, const GXPoint* p) {
        const GXPoint q = Of(c)->Map(p);
        GXGeometryLineTo(Of(c)->target, &q);
    }
    static void Cubic(void* c, const GXPoint* p1, const GXPoint* p2, const GXPoint* p3) {
        const GXPoint q1 = Of(c)->Map(p1), q2 = Of(c)->Map(p2), q3 = Of(c)->Map(p3);
        GXGeometryCubicCurveTo(Of(c)->target, &q1, &q2, &q3);
    }
};

}  // namespace

void GXOutputDev::drawChar(GfxState* state, double x, double y, double, double, double originX,
                           double originY, CharCode code, int, const Unicode*, int) {
    const int render = state->getRender();
    if (render == 3 || surfaces_.empty()) return;  // invisible text
    GXGeometryRec_* glyph = glyphs_.Glyph(state, xref_, code);
    if (!glyph) return;
    // Em units to user space: the text matrix scaled by the font size (and the horizontal
    // scaling along x), placed at the glyph's origin.
    const double* tm = state->getTextMat();
    const double size = state->getFontSize(), h = state->getHorizScaling();
    const double emToUser[6] = {tm[0] * size * h, tm[1] * size * h, tm[2] * size,
                                tm[3] * size,     x - originX,      y - originY};
    const double* ctm = state->getCTM();
    double emToDevice[6];
    Concat(ctm, emToUser, emToDevice);

    const bool fill = !(render & 1) && !state->getFillColorSpace()->isNonMarking();
    const bool stroke = ((render & 3) == 1 || (render & 3) == 2) &&
                        !state->getStrokeColorSpace()->isNonMarking();
    if (fill || stroke) Sync(state);
    if (fill) {
        SetCTM(emToDevice);
        Check(GXRenderTargetFillTextGeometry(Target(), glyph, FillBrush(state)));
    }
    if (stroke) {
        // The pen is in user space: stroke the outline placed there, under the CTM.
        const GXMatrix placement = ToMatrix(emToUser);
        GXGeometryRec_* placed = nullptr;
        Check(GXGeometryTransform(glyph, &placement, &placed));
        if (placed) {
            SetCTM(ctm);
            GXStrokeStyle style;
            StrokeStyle(state, &style);
            Check(GXRenderTargetStrokeGeometry(Target(), placed, StrokeBrush(state),
                                               float(state->getLineWidth()), &style));
            GXObjectRelease(GX_HANDLE(placed));
        }
    }
    if (render & 4) {
        if (!textClip_) Check(GXCreateGeometry(&textClip_));
        if (!textClip_) return;
        AppendSink sink{textClip_, ToMatrix(emToDevice)};
        const GXGeometrySinkCallbacks callbacks{&sink, AppendSink::SetFillRule, AppendSink::Begin,
                                                AppendSink::End, AppendSink::Close,
                                                AppendSink::Line, AppendSink::Cubic};
        Check(GXGeometrySendToSink(glyph, &callbacks));
    }
}

void GXOutputDev::DrawImageAt(GfxState* state, GXBitmapRec_* image, int width, int height,
                              bool interpolate) {
    double m[6];
    ImageMatrix(state->getCTM(), width, height, m);
    SetCTM(m);
    Check(GXRenderTargetDrawBitmap(Target(), image, float(state->getFillOpacity()),
                                   Sampling(m, interpolate)));
}

void GXOutputDev::drawImageMask(GfxState* state, Object*, Stream* str, int width, int height,
                                bool invert, bool interpolate, bool) {
    if (surfaces_.empty() || width <= 0 || height <= 0) return;
    GXBitmapRec_* mask = MaskBitmap(str, width, height, invert);
    if (!mask) return ++failures_, void();
    Sync(state);
    double m[6];
    ImageMatrix(state->getCTM(), width, height, m);
    SetCTM(m);
    Check(GXRenderTargetFillMask(Target(), mask, FillBrush(state),
                                 Sampling(m, interpolate)));
    GXObjectRelease(GX_HANDLE(mask));
}

void GXOutputDev::drawImage(GfxState* state, Object*, Stream* str, int width, int height,
                            GfxImageColorMap* colorMap, bool interpolate, const int* maskColors,
                            bool) {
    if (surfaces_.empty() || width <= 0 || height <= 0) return;
    GXBitmapRec_* image = ImageBitmap(str, width, height, colorMap, maskColors);
    if (!image) return ++failures_, void();
    Sync(state);
    DrawImageAt(state, image, width, height, interpolate);
    GXObjectRelease(GX_HANDLE(image));
}

void GXOutputDev::DrawMasked(GfxState* state, GXBitmapRec_* image, int width, int height,
                             bool interpolate, GXBitmapRec_* mask, int maskWidth,
                             int maskHeight, int maskType, bool maskInterpolate) {
    // The mask is the image's shape: a brush over the same unit square, its pixels placed
    // straight on the device.
    double m[6];
    ImageMatrix(state->getCTM(), maskWidth, maskHeight, m);
    const GXMatrix placement = ToMatrix(m);
    const GXBitmapBrushParams params{Sampling(m, maskInterpolate),
                                     GXExtendClamp, GXExtendClamp};
    GXBrushRec_* shape = nullptr;
    Check(GXCreateBrushBitmap(mask, 1, &params, &placement, &shape));
    if (!shape) return;
    Sync(state);
    Check(GXRenderTargetPushState(Target()));
    Check(GXRenderTargetSetShapeMask(Target(), maskType, shape));
    DrawImageAt(state, image, width, height, interpolate);
    Check(GXRenderTargetPopState(Target()));
    GXObjectRelease(GX_HANDLE(shape));
}

void GXOutputDev::drawMaskedImage(GfxState* state, Object*, Stream* str, int width, int height,
                                  GfxImageColorMap* colorMap, bool interpolate, Stream* maskStr,
                                  int maskWidth, int maskHeight, bool maskInvert,
                                  bool maskInterpolate) {
    if (surfaces_.empty() || width <= 0 || height <= 0 || maskWidth <= 0 || maskHeight <= 0) {
        return;
    }
    GXBitmapRec_* mask = MaskBitmap(maskStr, maskWidth, maskHeight, maskInvert);
    GXBitmapRec_* image = ImageBitmap(str, width, height, colorMap, nullptr);
    if (mask && image) {
        DrawMasked(state, image, width, height, interpolate, mask, maskWidth, maskHeight,
                   1 /* inverse alpha: a 0 bit paints */, maskInterpolate);
    } else {
        ++failures_;
    }
    if (mask) GXObjectRelease(GX_HANDLE(mask));
    if (image) GXObjectRelease(GX_HANDLE(image));
}

void GXOutputDev::drawSoftMaskedImage(GfxState* state, Object*, Stream* str, int width,
                                      int height, GfxImageColorMap* colorMap, bool interpolate,
                                      Stream* maskStr, int maskWidth, int maskHeight,
                                      GfxImageColorMap* maskColorMap, bool maskInterpolate) {
    if (surfaces_.empty() || width <= 0 || height <= 0 || maskWidth <= 0 || maskHeight <= 0) {
        return;
    }
    if (maskColorMap->getMatteColor()) {
        WarnOnce(kWarnMatte, "soft masks with a matte colour are drawn as if unpremultiplied");
    }
    GXBitmapRec_* mask = SoftMaskBitmap(maskStr, maskWidth, maskHeight, maskColorMap);
    GXBitmapRec_* image = ImageBitmap(str, width, height, colorMap, nullptr);
    if (mask && image) {
        DrawMasked(state, image, width, height, interpolate, mask, maskWidth, maskHeight,
                   0 /* alpha */, maskInterpolate);
    } else {
        ++failures_;
    }
    if (mask) GXObjectRelease(GX_HANDLE(mask));
    if (image) GXObjectRelease(GX_HANDLE(image));
}

void GXOutputDev::beginTransparencyGroup(GfxState* state, const double* bbox,
                                         GfxColorSpace* blendingColorSpace, bool isolated,
                                         bool knockout, bool forSoftMask) {
    if (surfaces_.empty()) return;
    groups_.push_back({forSoftMask, blendingColorSpace});
    if (forSoftMask) {
        // The mask's group is drawn on a surface of its own, transparent, clipped to its box.
        surfaces_.push_back(NewSurface(width_, height_, GXPixelFormatPARGB32, 0));
        if (!surfaces_.back().target) return;
        SetCTM(state->getCTM());
        const GXRect box{float(bbox[0]), float(bbox[1]), float(bbox[2]), float(bbox[3])};
        Check(GXRenderTargetClipRect(Target(), &box));
        return;
    }
    // Poppler resets the blend mode, opacity and soft mask for the group's content and
    // paints the group later under the state saved just before: libgx takes those at the
    // layer's start, so this level gets them from that save.
    Saved outer;
    if (!saved_.empty()) outer = saved_.back();
    Apply(outer.blendMode, outer.mask, state->getStrokeAdjust());
    SetCTM(state->getCTM());
    GXLayerParams params{};
    params.bounds = {float(bbox[0]), float(bbox[1]), float(bbox[2]), float(bbox[3])};
    params.opacity = float(outer.fillOpacity);
    params.isolated = isolated;
    params.knockout = knockout;
    Check(GXRenderTargetBeginLayer(Target(), &params));
    Applied inside;  // a group starts with Normal and no masks
    inside.strokeAdjust = state->getStrokeAdjust();
    Check(GXRenderTargetSetStrokeAdjustment(Target(), inside.strokeAdjust));
    surfaces_.back().levels.push_back(inside);
}

void GXOutputDev::endTransparencyGroup(GfxState*) {
    if (groups_.empty() || surfaces_.empty()) return;
    const Group group = groups_.back();
    groups_.pop_back();
    if (group.forSoftMask) {
        if (surfaces_.size() < 2) return;
        EndSurface(surfaces_.back());
        if (maskGroup_) GXObjectRelease(GX_HANDLE(maskGroup_));
        maskGroup_ = surfaces_.back().bitmap;
        maskGroupSpace_ = group.blendingColorSpace;
        surfaces_.pop_back();
        return;
    }
    Check(GXRenderTargetEndLayer(Target()));
    std::vector<Applied>& levels = surfaces_.back().levels;
    if (levels.size() > 1) {
        if (levels.back().mask) GXObjectRelease(GX_HANDLE(levels.back().mask));
        levels.pop_back();
    }
}

void GXOutputDev::setSoftMask(GfxState*, const double*, bool alpha, Function* transferFunc,
                              GfxColor* backdropColor) {
    GXBitmapRec_* group = maskGroup_;
    maskGroup_ = nullptr;
    if (!group) return;
    if (transferFunc) WarnOnce(kWarnTransfer, "soft mask transfer functions are not applied");
    GXBitmapRec_* mask = group;
    if (!alpha) {
        // A luminosity mask is the group composited over its backdrop colour.
        GfxRGB rgb{0, 0, 0};
        if (backdropColor) {
            if (maskGroupSpace_) {
                maskGroupSpace_->getRGB(backdropColor, &rgb);
            } else {
                rgb.r = rgb.g = rgb.b = backdropColor->c[0];
            }
        }
        Surface backdrop = NewSurface(width_, height_, GXPixelFormatRGB32, ToARGB(rgb));
        if (backdrop.target) {
            Check(GXRenderTargetDrawBitmap(backdrop.target, group, 1, GXBitmapSamplingNearest));
        }
        EndSurface(backdrop);
        mask = backdrop.bitmap;
        GXObjectRelease(GX_HANDLE(group));
        if (!mask) return;
    }
    const GXBitmapBrushParams params{GXBitmapSamplingNearest, GXExtendClamp, GXExtendClamp};
    SoftMask softMask;
    softMask.type = alpha ? 0 : 2;
    Check(GXCreateBrushBitmap(mask, 1, &params, nullptr, &softMask.brush));
    GXObjectRelease(GX_HANDLE(mask));
    SetMask(softMask);
}

void GXOutputDev::clearSoftMask(GfxState*) { SetMask({}); }
