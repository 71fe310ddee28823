#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/devicecontext.h"
#include "platform/printcanvas.h"

namespace Platform {

// A printer: a document of pages written as PDF, PostScript or SVG into a file, at a device
// resolution the caller chooses. It reports its page as a printer does (size in device
// pixels, dots per inch) and lends its page canvas to print render targets. Its pages are
// not pixels: blits to and from it fail.
//
// Drawing between StartPage and EndPage lands on that page; drawing outside any page lands
// on the next one. The document is complete after EndDocument (or when the context goes).
class PrinterDeviceContext : public DeviceContext {
public:
    // The largest page side, points (200 inches, the PDF limit), and resolution accepted.
    static constexpr double kMaxPagePoints = 14400;
    static constexpr int32_t kMaxDpi = 9600;

    // Whether a page and resolution are in range: sides in (0, kMaxPagePoints], resolutions
    // in 1..kMaxDpi.
    static bool IsUsable(double widthPoints, double heightPoints, int32_t dpiX, int32_t dpiY);
    // Null when the arguments are not usable or the file cannot be opened.
    static std::shared_ptr<PrinterDeviceContext> Create(Host::PrintFileFormat format,
                                                        const std::string& path, double widthPoints,
                                                        double heightPoints, int32_t dpiX,
                                                        int32_t dpiY);
    ~PrinterDeviceContext() override;

    Kind GetKind() const override { return Kind::Printer; }
    int32_t GetDeviceCaps(DeviceCap cap) const override;
    bool ReadPixels(const DeviceRect&, pixman_image_t*) override { return false; }
    bool WritePixels(int32_t, int32_t, pixman_image_t*, const DeviceRect&) override {
        return false;
    }

    // False when a page is already open, the document has ended, or (SVG) the one page
    // of the document was already started.
    bool StartPage();
    // False when no page is open or the file could not be written.
    bool EndPage();
    // Ends an open page and completes the file; false when the document had already ended
    // or the file could not be written.
    bool EndDocument();

    bool IsPageOpen() const { return pageOpen_; }
    bool HasEnded() const { return ended_; }
    const std::shared_ptr<Host::PrintCanvas>& Canvas() const { return canvas_; }

private:
    PrinterDeviceContext(std::shared_ptr<Host::PrintCanvas> canvas, Host::PrintFileFormat format,
                         int32_t horzRes, int32_t vertRes, int32_t dpiX, int32_t dpiY)
        : canvas_(std::move(canvas)),
          format_(format),
          horzRes_(horzRes),
          vertRes_(vertRes),
          dpiX_(dpiX),
          dpiY_(dpiY) {}

    std::shared_ptr<Host::PrintCanvas> canvas_;  // never empty; render targets share it
    Host::PrintFileFormat format_;               // what the file holds
    int32_t horzRes_;                            // page width, device pixels
    int32_t vertRes_;                            // page height, device pixels
    int32_t dpiX_;                               // dots per inch across
    int32_t dpiY_;                               // dots per inch down
    int32_t pagesStarted_ = 0;                   // StartPage calls that succeeded
    bool pageOpen_ = false;                      // between StartPage and EndPage
    bool ended_ = false;                         // EndDocument has run
};

}  // namespace Platform
