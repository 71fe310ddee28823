#include "platform/x11window.h"

#include <sys/ipc.h>
#include <X11/Xutil.h>
#include <sys/shm.h>

#include <cmath>

#include "platform/x11errortrap.h"

namespace Platform {

namespace {

// The bits a pixel of `depth` takes in a ZPixmap image on this server.
int32_t BitsPerPixelOfDepth(Display* display, int depth) {
    int count = 0;
    XPixmapFormatValues* formats = XListPixmapFormats(display, &count);
    int32_t bits = 0;
    for (int i = 0; i < count; ++i)
        if (formats[i].depth == depth) bits = formats[i].bits_per_pixel;
    if (formats) XFree(formats);
    return bits;
}

// Dots per inch along a screen side of `pixels` pixels and `millimetres` mm, to a whole
// number as screens report it; 96 when the server gives no physical size.
// The pixman format that stores pixels as `layout` does, or 0.
pixman_format_code_t PixmanFormatOf(const WindowPixelLayout& layout) {
    const bool bytes = layout.redMask == 0xFF0000 && layout.greenMask == 0xFF00 &&
                       layout.blueMask == 0xFF;
    switch (layout.bitsPerPixel) {
    case 32:
        return bytes ? PIXMAN_x8r8g8b8 : pixman_format_code_t(0);
    case 24:
        return bytes ? PIXMAN_r8g8b8 : pixman_format_code_t(0);
    case 16:
        if (layout.redMask == 0xF800 && layout.greenMask == 0x7E0 && layout.blueMask == 0x1F)
            return PIXMAN_r5g6b5;
        if (layout.redMask == 0x7C00 && layout.greenMask == 0x3E0 && layout.blueMask == 0x1F)
            return PIXMAN_x1r5g5b5;
        return pixman_format_code_t(0);
    case 8:
        // Red in bits 7..5, green 4..2, blue 1..0, whatever the visual's masks.
        return PIXMAN_r3g3b2;
    default:
        return pixman_format_code_t(0);
    }
}

float ScreenDpi(int pixels, int millimetres) {
    return millimetres > 0 ? float(std::lround(pixels * 25.4 / millimetres)) : 96.0f;
}

}  // namespace

std::shared_ptr<X11Window> X11Window::Wrap(Display* display, Window window) {
    if (!display || window == 0) return nullptr;
    XWindowAttributes attributes;
    {
        X11ErrorTrap trap(display);
        const Status status = XGetWindowAttributes(display, window, &attributes);
        if (trap.Failed() || status == 0) return nullptr;
    }
    std::shared_ptr<X11Window> result(new X11Window(display, window));
    result->visual_ = attributes.visual;
    result->layout_ = {attributes.depth, BitsPerPixelOfDepth(display, attributes.depth),
                       uint32_t(attributes.visual->red_mask),
                       uint32_t(attributes.visual->green_mask),
                       uint32_t(attributes.visual->blue_mask)};
    result->format_ = PixmanFormatOf(result->layout_);
    Screen* screen = attributes.screen;
    result->dpiX_ = ScreenDpi(WidthOfScreen(screen), WidthMMOfScreen(screen));
    result->dpiY_ = ScreenDpi(HeightOfScreen(screen), HeightMMOfScreen(screen));
    result->sharedMemoryOffered_ = XShmQueryExtension(display) != False;
    return result;
}

X11Window::~X11Window() {
    X11ErrorTrap trap(display_);
    ReleaseSharedImage();
    if (gc_) XFreeGC(display_, gc_);
}

bool X11Window::Exists() const {
    int32_t width = 0, height = 0;
    return GetClientSize(&width, &height);
}

bool X11Window::GetClientSize(int32_t* width, int32_t* height) const {
    X11ErrorTrap trap(display_);
    XWindowAttributes attributes;
    const Status status = XGetWindowAttributes(display_, window_, &attributes);
    if (trap.Failed() || status == 0) return false;
    *width = attributes.width;
    *height = attributes.height;
    return true;
}

void X11Window::SetSharedMemoryAllowed(bool allowed) {
    sharedMemoryAllowed_ = allowed;
    if (!allowed) {
        X11ErrorTrap trap(display_);
        ReleaseSharedImage();
    }
}

bool X11Window::PutImage(int32_t x, int32_t y, pixman_image_t* source, int32_t sourceX,
                         int32_t sourceY, int32_t width, int32_t height) {
    if (width <= 0 || height <= 0) return true;
    if (format_ == 0) return false;
    X11ErrorTrap trap(display_);
    if (!gc_) {
        gc_ = XCreateGC(display_, window_, 0, nullptr);
        if (trap.Failed()) {
            // No GC exists for a window that went away; forget the id.
            gc_ = nullptr;
            return false;
        }
    }
    const bool sent = UsesSharedMemory() && EnsureSharedImage(width, height)
                          ? PutThroughSharedMemory(x, y, source, sourceX, sourceY, width, height)
                          : PutThroughConnection(x, y, source, sourceX, sourceY, width, height);
    return sent && !trap.Failed();
}

bool X11Window::PutThroughSharedMemory(int32_t x, int32_t y, pixman_image_t* source,
                                       int32_t sourceX, int32_t sourceY, int32_t width,
                                       int32_t height) {
    pixman_image_t* shared = pixman_image_create_bits(
        format_, sharedImage_->width, sharedImage_->height,
        reinterpret_cast<uint32_t*>(sharedImage_->data), sharedImage_->bytes_per_line);
    if (!shared) return false;
    pixman_image_composite32(PIXMAN_OP_SRC, source, nullptr, shared, sourceX, sourceY, 0, 0, 0, 0,
                             width, height);
    pixman_image_unref(shared);
    XShmPutImage(display_, window_, gc_, sharedImage_, 0, 0, x, y, unsigned(width),
                 unsigned(height), False);
    // The server reads the segment after the request; the next write into it must wait.
    XSync(display_, False);
    return true;
}

bool X11Window::PutThroughConnection(int32_t x, int32_t y, pixman_image_t* source,
                                     int32_t sourceX, int32_t sourceY, int32_t width,
                                     int32_t height) {
    // Rows already in the window's format go out as they are; others are converted first.
    pixman_image_t* converted = nullptr;
    uint8_t* rows = reinterpret_cast<uint8_t*>(pixman_image_get_data(source));
    int32_t stride = pixman_image_get_stride(source);
    if (pixman_image_get_format(source) == format_ && rows) {
        rows += int64_t(stride) * sourceY + int64_t(sourceX) * layout_.bitsPerPixel / 8;
    } else {
        converted = pixman_image_create_bits(format_, width, height, nullptr, 0);
        if (!converted) return false;
        pixman_image_composite32(PIXMAN_OP_SRC, source, nullptr, converted, sourceX, sourceY, 0,
                                 0, 0, 0, width, height);
        rows = reinterpret_cast<uint8_t*>(pixman_image_get_data(converted));
        stride = pixman_image_get_stride(converted);
    }
    // An image header over those rows: nothing more is copied on this side.
    XImage* image = XCreateImage(display_, visual_, unsigned(layout_.depth), ZPixmap, 0,
                                 reinterpret_cast<char*>(rows), unsigned(width),
                                 unsigned(height), 32, stride);
    if (image) {
        image->byte_order = LSBFirst;
        XPutImage(display_, window_, gc_, image, 0, 0, x, y, unsigned(width), unsigned(height));
        image->data = nullptr;  // the rows are not Xlib's to free
        XDestroyImage(image);
    }
    if (converted) pixman_image_unref(converted);
    return image != nullptr;
}

bool X11Window::EnsureSharedImage(int32_t width, int32_t height) {
    if (sharedImage_ && sharedImage_->width >= width && sharedImage_->height >= height)
        return true;
    ReleaseSharedImage();
    XImage* image = XShmCreateImage(display_, visual_, unsigned(layout_.depth), ZPixmap, nullptr,
                                    &segment_, unsigned(width), unsigned(height));
    if (!image) {
        sharedMemoryOffered_ = false;
        return false;
    }
    segment_.shmid = shmget(IPC_PRIVATE, size_t(image->bytes_per_line) * height, IPC_CREAT | 0600);
    segment_.shmaddr = segment_.shmid < 0 ? reinterpret_cast<char*>(-1)
                                          : static_cast<char*>(shmat(segment_.shmid, nullptr, 0));
    bool attached = false;
    if (segment_.shmaddr != reinterpret_cast<char*>(-1)) {
        image->data = segment_.shmaddr;
        segment_.readOnly = True;
        // A server on another machine, or one that may not see our segment, refuses the
        // attach with an error: the trap turns that into the connection path.
        X11ErrorTrap trap(display_);
        XShmAttach(display_, &segment_);
        attached = !trap.Failed();
        if (!attached) shmdt(segment_.shmaddr);
    }
    // Marked for removal now, the segment goes away by itself once both sides detach.
    if (segment_.shmid >= 0) shmctl(segment_.shmid, IPC_RMID, nullptr);
    if (!attached) {
        image->data = nullptr;
        XDestroyImage(image);
        sharedMemoryOffered_ = false;
        return false;
    }
    sharedImage_ = image;
    return true;
}

void X11Window::ReleaseSharedImage() {
    if (!sharedImage_) return;
    XShmDetach(display_, &segment_);
    XSync(display_, False);
    shmdt(segment_.shmaddr);
    sharedImage_->data = nullptr;
    XDestroyImage(sharedImage_);
    sharedImage_ = nullptr;
}

bool X11Window::GetImage(int32_t x, int32_t y, pixman_image_t* destination) const {
    const int32_t width = pixman_image_get_width(destination);
    const int32_t height = pixman_image_get_height(destination);
    if (width <= 0 || height <= 0) return true;
    if (format_ == 0) return false;
    X11ErrorTrap trap(display_);
    XImage* image = XGetImage(display_, window_, x, y, unsigned(width), unsigned(height),
                              AllPlanes, ZPixmap);
    if (trap.Failed() || !image) {
        if (image) XDestroyImage(image);
        return false;
    }
    // Xlib hands the rows in the server's byte order; ours is the only one pixman reads.
    bool read = image->byte_order == LSBFirst && image->bits_per_pixel == layout_.bitsPerPixel;
    if (read) {
        pixman_image_t* window = pixman_image_create_bits(
            format_, width, height, reinterpret_cast<uint32_t*>(image->data), image->bytes_per_line);
        read = window != nullptr;
        if (window) {
            pixman_image_composite32(PIXMAN_OP_SRC, window, nullptr, destination, 0, 0, 0, 0, 0,
                                     0, width, height);
            pixman_image_unref(window);
        }
    }
    XDestroyImage(image);
    return read;
}

}  // namespace Platform
