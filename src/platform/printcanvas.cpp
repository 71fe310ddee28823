// The print canvas over Cairo's PDF, PostScript and SVG surfaces.
#include "platform/printcanvas.h"

#include <cairo-pdf.h>
#include <cairo-ps.h>
#include <cairo-svg.h>
#include <cairo.h>

#include <cmath>
#include <cstdlib>

namespace Host {
namespace {

cairo_matrix_t ToCairo(const GXMatrix& m) {
    cairo_matrix_t out;
    cairo_matrix_init(&out, m.a, m.b, m.c, m.d, m.e, m.f);
    return out;
}

// Cairo puts a context into a permanent error state when it is handed a matrix it cannot
// invert, so such matrices are refused before they reach it.
bool IsUsable(const cairo_matrix_t& m) {
    const double det = m.xx * m.yy - m.yx * m.xy;
    return std::isfinite(det) && det != 0.0 && std::isfinite(m.x0) && std::isfinite(m.y0);
}

cairo_extend_t ToCairo(PrintImageExtend extend) {
    switch (extend) {
        case PrintImageExtend::Pad:
            return CAIRO_EXTEND_PAD;
        case PrintImageExtend::Repeat:
            return CAIRO_EXTEND_REPEAT;
        case PrintImageExtend::Reflect:
            return CAIRO_EXTEND_REFLECT;
        case PrintImageExtend::None:
            break;
    }
    return CAIRO_EXTEND_NONE;
}

cairo_filter_t ToCairo(PrintImageFilter filter) {
    switch (filter) {
        case PrintImageFilter::Good:
            return CAIRO_FILTER_GOOD;
        case PrintImageFilter::Best:
            return CAIRO_FILTER_BEST;
        case PrintImageFilter::Nearest:
            break;
    }
    return CAIRO_FILTER_NEAREST;
}

}  // namespace

void PrintCanvasPath::MoveTo(const GXPoint& point) {
    verbs_.push_back(Verb::Move);
    points_.push_back(point);
}

void PrintCanvasPath::LineTo(const GXPoint& point) {
    verbs_.push_back(Verb::Line);
    points_.push_back(point);
}

void PrintCanvasPath::CurveTo(const GXPoint& c1, const GXPoint& c2, const GXPoint& end) {
    verbs_.push_back(Verb::Cubic);
    points_.insert(points_.end(), {c1, c2, end});
}

void PrintCanvasPath::Close() {
    verbs_.push_back(Verb::Close);
}

PrintCanvasImage::~PrintCanvasImage() {
    cairo_surface_destroy(surface_);
}

std::shared_ptr<PrintCanvasImage> PrintCanvasImage::Create(GXIntSize size) {
    // Cairo's image surfaces end at 32767 pixels a side.
    constexpr int32_t kMaxSide = 32767;
    if (size.width <= 0 || size.height <= 0 || size.width > kMaxSide || size.height > kMaxSide)
        return nullptr;
    // Rows start 16-byte aligned, as everywhere else in the library.
    const int32_t stride = (size.width * 4 + 15) / 16 * 16;
    void* pixels = std::aligned_alloc(16, size_t(stride) * size_t(size.height));
    if (!pixels) return nullptr;
    cairo_surface_t* surface = cairo_image_surface_create_for_data(
        static_cast<uint8_t*>(pixels), CAIRO_FORMAT_ARGB32, size.width, size.height, stride);
    // The pixels live as long as the surface, which pages may hold after this image goes.
    static const cairo_user_data_key_t kPixelsKey{};
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS ||
        cairo_surface_set_user_data(surface, &kPixelsKey, pixels, std::free) !=
            CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(surface);
        std::free(pixels);
        return nullptr;
    }
    return std::shared_ptr<PrintCanvasImage>(
        new PrintCanvasImage(surface, size, static_cast<uint8_t*>(pixels), stride));
}

void PrintCanvasImage::MarkWritten() {
    cairo_surface_mark_dirty(surface_);
}

PrintCanvas::~PrintCanvas() {
    cairo_destroy(context_);
    cairo_surface_destroy(surface_);
}

std::unique_ptr<PrintCanvas> PrintCanvas::Create(PrintFileFormat format, const std::string& path,
                                                 double widthPoints, double heightPoints,
                                                 double dpiX, double dpiY) {
    const bool sizeUsable = std::isfinite(widthPoints) && std::isfinite(heightPoints) &&
                            widthPoints > 0 && heightPoints > 0 && std::isfinite(dpiX) &&
                            dpiX > 0 && std::isfinite(dpiY) && dpiY > 0;
    if (!sizeUsable || path.empty()) return nullptr;
    cairo_surface_t* surface = nullptr;
    switch (format) {
        case PrintFileFormat::Pdf:
            surface = cairo_pdf_surface_create(path.c_str(), widthPoints, heightPoints);
            break;
        case PrintFileFormat::PostScript:
            surface = cairo_ps_surface_create(path.c_str(), widthPoints, heightPoints);
            break;
        case PrintFileFormat::Svg:
            surface = cairo_svg_surface_create(path.c_str(), widthPoints, heightPoints);
            break;
    }
    if (!surface) return nullptr;
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(surface);
        return nullptr;
    }
    // Whatever the writer cannot express as vectors it rasterises at the device's own
    // resolution.
    cairo_surface_set_fallback_resolution(surface, dpiX, dpiY);
    cairo_t* context = cairo_create(surface);
    if (cairo_status(context) != CAIRO_STATUS_SUCCESS) {
        cairo_destroy(context);
        cairo_surface_destroy(surface);
        return nullptr;
    }
    return std::unique_ptr<PrintCanvas>(new PrintCanvas(surface, context, format));
}

void PrintCanvas::Save() {
    cairo_save(context_);
}

void PrintCanvas::Restore() {
    cairo_restore(context_);
}

bool PrintCanvas::SetTransform(const GXMatrix& matrix) {
    const cairo_matrix_t m = ToCairo(matrix);
    if (!IsUsable(m)) return false;
    cairo_set_matrix(context_, &m);
    return true;
}

void PrintCanvas::AppendPath(const PrintCanvasPath& path) {
    cairo_new_path(context_);
    cairo_set_fill_rule(context_,
                        path.IsEvenOdd() ? CAIRO_FILL_RULE_EVEN_ODD : CAIRO_FILL_RULE_WINDING);
    const GXPoint* p = path.Points().data();
    for (const PrintCanvasPath::Verb verb : path.Verbs()) {
        switch (verb) {
            case PrintCanvasPath::Verb::Move:
                cairo_move_to(context_, p[0].x, p[0].y);
                p += 1;
                break;
            case PrintCanvasPath::Verb::Line:
                cairo_line_to(context_, p[0].x, p[0].y);
                p += 1;
                break;
            case PrintCanvasPath::Verb::Cubic:
                cairo_curve_to(context_, p[0].x, p[0].y, p[1].x, p[1].y, p[2].x, p[2].y);
                p += 3;
                break;
            case PrintCanvasPath::Verb::Close:
                cairo_close_path(context_);
                break;
        }
    }
}

bool PrintCanvas::SetImageSource(const PrintImagePaint& paint) {
    cairo_matrix_t userToImage = ToCairo(paint.imageToUser);
    if (!IsUsable(userToImage) || cairo_matrix_invert(&userToImage) != CAIRO_STATUS_SUCCESS)
        return false;
    cairo_pattern_t* pattern = cairo_pattern_create_for_surface(paint.image->surface_);
    cairo_pattern_set_matrix(pattern, &userToImage);
    cairo_pattern_set_extend(pattern, ToCairo(paint.extend));
    cairo_pattern_set_filter(pattern, ToCairo(paint.filter));
    cairo_set_source(context_, pattern);
    cairo_pattern_destroy(pattern);
    return true;
}

void PrintCanvas::FillSolid(const PrintCanvasPath& path, float red, float green, float blue,
                            float alpha) {
    cairo_set_source_rgba(context_, red, green, blue, alpha);
    AppendPath(path);
    cairo_fill(context_);
}

void PrintCanvas::FillImage(const PrintCanvasPath& path, const PrintImagePaint& paint) {
    cairo_save(context_);
    AppendPath(path);
    cairo_clip(context_);
    if (SetImageSource(paint)) cairo_paint_with_alpha(context_, paint.opacity);
    cairo_restore(context_);
}

void PrintCanvas::DrawImage(const PrintImagePaint& paint) {
    cairo_save(context_);
    PrintImagePaint unextended = paint;
    unextended.extend = PrintImageExtend::None;
    if (SetImageSource(unextended)) cairo_paint_with_alpha(context_, paint.opacity);
    cairo_restore(context_);
}

void PrintCanvas::ClipPath(const PrintCanvasPath& path) {
    AppendPath(path);
    cairo_clip(context_);
}

void PrintCanvas::ResetClip() {
    cairo_reset_clip(context_);
}

void PrintCanvas::Clear(float red, float green, float blue, float alpha) {
    cairo_save(context_);
    cairo_identity_matrix(context_);
    cairo_reset_clip(context_);
    // Paper has no transparency: a transparent clear erases the page, anything else
    // replaces it with the colour.
    cairo_set_operator(context_, alpha > 0 ? CAIRO_OPERATOR_SOURCE : CAIRO_OPERATOR_CLEAR);
    cairo_set_source_rgba(context_, red, green, blue, alpha);
    cairo_paint(context_);
    cairo_restore(context_);
}

void PrintCanvas::Flush() {
    cairo_surface_flush(surface_);
}

bool PrintCanvas::EndPage() {
    // An SVG document holds one page.
    if (format_ == PrintFileFormat::Svg && pagesEnded_ > 0) return false;
    cairo_show_page(context_);
    ++pagesEnded_;
    return true;
}

bool PrintCanvas::Finish() {
    if (!finished_) {
        finished_ = true;
        cairo_surface_finish(surface_);
    }
    return IsGood();
}

bool PrintCanvas::IsGood() const {
    return cairo_status(context_) == CAIRO_STATUS_SUCCESS &&
           cairo_surface_status(surface_) == CAIRO_STATUS_SUCCESS;
}

}  // namespace Host
