#include "platform/cairodevicecontext.h"

#include <algorithm>
#include <cmath>

namespace Platform {

namespace {

// A Cairo image surface sharing the rows of a pixman image, or null for other formats.
cairo_surface_t* SurfaceOver(pixman_image_t* image) {
    const pixman_format_code_t format = pixman_image_get_format(image);
    if (format != PIXMAN_x8r8g8b8 && format != PIXMAN_a8r8g8b8) return nullptr;
    return cairo_image_surface_create_for_data(
        reinterpret_cast<unsigned char*>(pixman_image_get_data(image)),
        format == PIXMAN_x8r8g8b8 ? CAIRO_FORMAT_RGB24 : CAIRO_FORMAT_ARGB32,
        pixman_image_get_width(image), pixman_image_get_height(image),
        pixman_image_get_stride(image));
}

}  // namespace

CairoDeviceContext::CairoDeviceContext(cairo_t* cairo) : cairo_(cairo_reference(cairo)) {
    cairo_get_matrix(cairo_, &userToDevice_);
}

CairoDeviceContext::~CairoDeviceContext() {
    cairo_destroy(cairo_);
}

int32_t CairoDeviceContext::GetDeviceCaps(DeviceCap cap) const {
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    cairo_save(cairo_);
    cairo_set_matrix(cairo_, &userToDevice_);
    cairo_clip_extents(cairo_, &x1, &y1, &x2, &y2);
    cairo_restore(cairo_);
    // An unbounded clip (a recording surface) reports huge extents: keep them in range.
    const auto extent = [](double value) {
        return int32_t(std::clamp(std::ceil(value), 0.0, double(1 << 24)));
    };
    switch (cap) {
    case DeviceCap::HorzRes:
        return extent(x2);
    case DeviceCap::VertRes:
        return extent(y2);
    case DeviceCap::LogPixelsX:
    case DeviceCap::LogPixelsY:
        return 96;
    }
    return 0;
}

bool CairoDeviceContext::ReadPixels(const DeviceRect& area, pixman_image_t* destination) {
    cairo_surface_t* surface = SurfaceOver(destination);
    if (!surface) return false;
    // The copy's pixel (i, j) is the target's pixel under user point (x + i, y + j): the
    // pattern maps the copy's space through the user space into the target's.
    cairo_matrix_t copyToTarget = userToDevice_;
    cairo_matrix_translate(&copyToTarget, area.x, area.y);
    cairo_pattern_t* target = cairo_pattern_create_for_surface(cairo_get_group_target(cairo_));
    cairo_pattern_set_matrix(target, &copyToTarget);
    cairo_pattern_set_filter(target, CAIRO_FILTER_NEAREST);
    cairo_t* copy = cairo_create(surface);
    cairo_set_operator(copy, CAIRO_OPERATOR_SOURCE);
    cairo_set_source(copy, target);
    cairo_paint(copy);
    const bool read = cairo_status(copy) == CAIRO_STATUS_SUCCESS;
    cairo_destroy(copy);
    cairo_pattern_destroy(target);
    cairo_surface_finish(surface);
    cairo_surface_destroy(surface);
    return read;
}

bool CairoDeviceContext::WritePixels(int32_t x, int32_t y, pixman_image_t* source,
                                     const DeviceRect& area) {
    cairo_surface_t* surface = SurfaceOver(source);
    if (!surface) return false;
    cairo_save(cairo_);
    cairo_set_matrix(cairo_, &userToDevice_);
    cairo_set_source_surface(cairo_, surface, x - area.x, y - area.y);
    cairo_pattern_set_filter(cairo_get_source(cairo_), CAIRO_FILTER_NEAREST);
    cairo_set_operator(cairo_, CAIRO_OPERATOR_SOURCE);
    cairo_rectangle(cairo_, x, y, area.width, area.height);
    cairo_fill(cairo_);
    cairo_restore(cairo_);
    cairo_surface_finish(surface);
    cairo_surface_destroy(surface);
    return cairo_status(cairo_) == CAIRO_STATUS_SUCCESS;
}

}  // namespace Platform
