#pragma once

#include <memory>

#include "graphics/software/swsurface.h"

namespace Platform {
class X11Window;
}

namespace Graphics {

// A surface over a window: a back buffer of the client area's size in the format the display
// is compatible with, presented to the window at the end of each paint. The back buffer
// follows the client size at each BeginPaint, so a resized window is painted whole.
class SwWindowSurface : public SwSurface {
public:
    // Raises "The window does not exist" when `window` is empty or went away, and
    // "Unsupported pixel format." for a display depth the library does not draw.
    explicit SwWindowSurface(std::shared_ptr<Platform::X11Window> window);

    GXPixelFormat GetPixelFormat() const override;
    GXIntSize GetSize() const override;
    float GetDpiX() const override;
    float GetDpiY() const override;
    // Raises "The window does not exist" once the window went away.
    std::shared_ptr<BitmapBase> BeginPaint() override;
    void EndPaint() override {}
    // A zero-sized client area presents nothing; a window gone meanwhile makes the surface
    // lost instead of raising.
    void Present() override;
    bool IsDestinationLost() const override { return lost_; }

private:
    // A back buffer of the client area's current size, when it changed or there is none.
    void FollowClientSize();

    std::shared_ptr<Platform::X11Window> window_;  // never empty
    GXPixelFormat format_;                          // the back buffer's format
    std::shared_ptr<Bitmap> backBuffer_;            // the client area's pixels; never empty
    bool lost_ = false;                             // Present found the window gone
};

}  // namespace Graphics
