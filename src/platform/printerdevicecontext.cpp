#include "platform/printerdevicecontext.h"

#include <cmath>

namespace Platform {
namespace {

constexpr double kPointsPerInch = 72;

}  // namespace

bool PrinterDeviceContext::IsUsable(double widthPoints, double heightPoints, int32_t dpiX,
                                    int32_t dpiY) {
    const auto isSide = [](double points) { return points > 0 && points <= kMaxPagePoints; };
    const auto isDpi = [](int32_t dpi) { return dpi >= 1 && dpi <= kMaxDpi; };
    return isSide(widthPoints) && isSide(heightPoints) && isDpi(dpiX) && isDpi(dpiY);
}

std::shared_ptr<PrinterDeviceContext> PrinterDeviceContext::Create(Host::PrintFileFormat format,
                                                                   const std::string& path,
                                                                   double widthPoints,
                                                                   double heightPoints,
                                                                   int32_t dpiX, int32_t dpiY) {
    if (!IsUsable(widthPoints, heightPoints, dpiX, dpiY)) return nullptr;
    // A page too small to cover one device pixel still reports one.
    const auto pixels = [](double points, int32_t dpi) {
        return int32_t(std::fmax(1.0, std::round(points * dpi / kPointsPerInch)));
    };
    std::shared_ptr<Host::PrintCanvas> canvas =
        Host::PrintCanvas::Create(format, path, widthPoints, heightPoints, dpiX, dpiY);
    if (!canvas) return nullptr;
    return std::shared_ptr<PrinterDeviceContext>(
        new PrinterDeviceContext(std::move(canvas), format, pixels(widthPoints, dpiX),
                                 pixels(heightPoints, dpiY), dpiX, dpiY));
}

PrinterDeviceContext::~PrinterDeviceContext() {
    EndDocument();
}

int32_t PrinterDeviceContext::GetDeviceCaps(DeviceCap cap) const {
    switch (cap) {
        case DeviceCap::HorzRes:
            return horzRes_;
        case DeviceCap::VertRes:
            return vertRes_;
        case DeviceCap::LogPixelsX:
            return dpiX_;
        case DeviceCap::LogPixelsY:
            return dpiY_;
    }
    return 0;
}

bool PrinterDeviceContext::StartPage() {
    if (pageOpen_ || ended_) return false;
    if (format_ == Host::PrintFileFormat::Svg && pagesStarted_ > 0) return false;
    pageOpen_ = true;
    ++pagesStarted_;
    return true;
}

bool PrinterDeviceContext::EndPage() {
    if (!pageOpen_) return false;
    pageOpen_ = false;
    return canvas_->EndPage() && canvas_->IsGood();
}

bool PrinterDeviceContext::EndDocument() {
    if (ended_) return false;
    const bool pageWritten = !pageOpen_ || EndPage();
    ended_ = true;
    return canvas_->Finish() && pageWritten;
}

}  // namespace Platform
