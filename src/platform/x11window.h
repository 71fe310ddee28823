#pragma once

#include <X11/Xlib.h>
#include <X11/extensions/XShm.h>
#include <pixman.h>

#include <cstdint>
#include <memory>

namespace Platform {

// How a window stores a pixel: the depth of its visual, the bits each pixel takes in an
// image of that depth, and where red, green and blue sit (masks of 0 for visuals without
// fixed colour bits).
struct WindowPixelLayout {
    int32_t depth;         // bits of the visual that carry colour
    int32_t bitsPerPixel;  // 1, 8, 16, 24 or 32: the size of one pixel in an image
    uint32_t redMask;      // bits of red within a pixel
    uint32_t greenMask;    // bits of green
    uint32_t blueMask;     // bits of blue
};

// An X11 window that the library presents pixels to and reads them from. Requests on the
// caller's display are made under an error trap, so a window that went away shows up as a
// false result, never as an X error. The display must stay open while this object lives.
//
// Pixels go to the server through a shared-memory image (MIT-SHM) when the server offers the
// extension and the segment can be attached, else through the connection (XPutImage).
class X11Window {
public:
    // Empty when `window` does not exist on `display` (or `display` is null).
    static std::shared_ptr<X11Window> Wrap(Display* display, Window window);
    ~X11Window();
    X11Window(const X11Window&) = delete;
    X11Window& operator=(const X11Window&) = delete;

    Display* GetDisplay() const { return display_; }
    Window GetWindow() const { return window_; }
    bool Exists() const;
    // The client area's size; false when the window went away.
    bool GetClientSize(int32_t* width, int32_t* height) const;
    // The screen's resolution in dots per inch, from its size in pixels and millimetres.
    float GetDpiX() const { return dpiX_; }
    float GetDpiY() const { return dpiY_; }
    const WindowPixelLayout& GetPixelLayout() const { return layout_; }

    // The pixman format of the window's pixels, 0 for layouts the library does not draw:
    // 32 and 24 bits with 8-bit red, green and blue, 16 bits as 5-6-5 or 5-5-5 (as the masks
    // say), and 8 bits as 3-3-2.
    pixman_format_code_t GetPixmanFormat() const { return format_; }

    // Sends the `width` x `height` pixels of `source` at (sourceX, sourceY) to (x, y) of the
    // window, converted to its format by pixman on the way (straight into the shared segment
    // when there is one); false when the window went away or its format is not drawn.
    bool PutImage(int32_t x, int32_t y, pixman_image_t* source, int32_t sourceX,
                  int32_t sourceY, int32_t width, int32_t height);
    // Reads the window's pixels at (x, y) into all of `destination`, converted to its
    // format; false when the window went away, is not shown, or the area is not inside it.
    bool GetImage(int32_t x, int32_t y, pixman_image_t* destination) const;

    // Whether PutPixels may use shared memory (it does by default when it can); the other
    // path exists for servers on other machines, and for measuring the difference.
    void SetSharedMemoryAllowed(bool allowed);
    bool UsesSharedMemory() const { return sharedMemoryAllowed_ && sharedMemoryOffered_; }

private:
    X11Window(Display* display, Window window) : display_(display), window_(window) {}
    // A shared image of at least width x height, made or re-made as needed; false when the
    // server refuses the segment (the connection path is used from then on).
    bool EnsureSharedImage(int32_t width, int32_t height);
    void ReleaseSharedImage();
    bool PutThroughSharedMemory(int32_t x, int32_t y, pixman_image_t* source, int32_t sourceX,
                                int32_t sourceY, int32_t width, int32_t height);
    bool PutThroughConnection(int32_t x, int32_t y, pixman_image_t* source, int32_t sourceX,
                              int32_t sourceY, int32_t width, int32_t height);

    Display* display_;                 // the caller's connection; outlives this object
    Window window_;                    // the caller's window
    Visual* visual_ = nullptr;         // the window's visual
    WindowPixelLayout layout_{};       // pixel layout of the window's visual
    pixman_format_code_t format_{};    // the layout as a pixman format, 0 when not drawn
    float dpiX_ = 96;                  // screen resolution, dots per inch
    float dpiY_ = 96;
    GC gc_ = nullptr;                  // the context images are put with; made on first use
    bool sharedMemoryOffered_ = false;  // the server has MIT-SHM and attaching worked so far
    bool sharedMemoryAllowed_ = true;  // the caller's switch
    XImage* sharedImage_ = nullptr;    // image over segment_, or null
    XShmSegmentInfo segment_{};        // the attached segment while sharedImage_ exists
};

}  // namespace Platform
