#pragma once

#include <cstdint>
#include <memory>

#include "gx.h"

namespace Graphics {

class Bitmap;
class BitmapBase;

// What a software render target paints on: it lends a drawable PARGB32 bitmap for a paint,
// is told when the paint ends, and copies the drawable to its destination on Present.
class SwSurface {
public:
    SwSurface() = default;
    virtual ~SwSurface() = default;
    SwSurface(const SwSurface&) = delete;
    SwSurface& operator=(const SwSurface&) = delete;

    virtual GXPixelFormat GetPixelFormat() const = 0;
    virtual GXIntSize GetSize() const = 0;
    virtual float GetDpiX() const = 0;
    virtual float GetDpiY() const = 0;
    virtual std::shared_ptr<BitmapBase> BeginPaint() = 0;
    virtual void EndPaint() = 0;
    virtual void Present() = 0;
    // True once Present found its destination gone (a window closed meanwhile): the paint
    // could not be shown, and the render target's EndPaint says so.
    virtual bool IsDestinationLost() const { return false; }

    // The back-buffer format for a display of `bitsPerPixel`: Gray1 for 1 bit, RGB24 for 24,
    // RGB32 for 8, 16 and 32 (packed to the display's pixels when presented); any other
    // depth raises "Unsupported pixel format.".
    static GXPixelFormat GetCompatibleFormat(int32_t bitsPerPixel);

    // The bitmap the renderer paints for `bitmap`: its cached drawable when there is one;
    // else the bitmap's own pixels for PARGB32 and RGB32 (written in place), or a PARGB32
    // copy for any other format. A new drawable is cached in the bitmap.
    static std::shared_ptr<BitmapBase> GetDrawable(Bitmap& bitmap);
    // Brings `bitmap` up to date with its drawable: nothing when it was painted in place,
    // else its cached copy is converted back ("Bitmap is not cached" when there is none).
    static void UpdateBitmap(Bitmap& bitmap);
};

}  // namespace Graphics
