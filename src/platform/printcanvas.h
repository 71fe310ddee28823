#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "gx.h"

// The writer's own objects, named without its headers.
struct _cairo;
struct _cairo_surface;

namespace Host {

// The page description formats a print canvas writes.
enum class PrintFileFormat : int32_t {
    Pdf = 0,
    PostScript = 1,
    Svg = 2,
};

// A path in canvas terms: figures of straight and cubic segments under a fill rule, in the
// canvas's user space (the world transform in force when it is used applies to it).
class PrintCanvasPath {
public:
    void MoveTo(const GXPoint& point);
    void LineTo(const GXPoint& point);
    void CurveTo(const GXPoint& c1, const GXPoint& c2, const GXPoint& end);
    void Close();
    void SetEvenOdd(bool evenOdd) { evenOdd_ = evenOdd; }

    bool IsEvenOdd() const { return evenOdd_; }
    bool IsEmpty() const { return verbs_.empty(); }

    enum class Verb : uint8_t { Move, Line, Cubic, Close };
    const std::vector<Verb>& Verbs() const { return verbs_; }
    // One point per Move and Line, three per Cubic, none per Close, in verb order.
    const std::vector<GXPoint>& Points() const { return points_; }

private:
    std::vector<Verb> verbs_;      // the segments in order
    std::vector<GXPoint> points_;  // their points, in user space
    bool evenOdd_ = false;         // false: non-zero winding
};

// Pixels the canvas can place on a page: premultiplied 0xAARRGGBB words, rows top-down.
// The library writes them in place after creating the image and before its first use; the
// canvas keeps them for as long as a page refers to them.
class PrintCanvasImage {
public:
    ~PrintCanvasImage();
    PrintCanvasImage(const PrintCanvasImage&) = delete;
    PrintCanvasImage& operator=(const PrintCanvasImage&) = delete;

    // Null when a side is not positive or above 32767, or the store cannot be had. Rows
    // start 16-byte aligned; the pixels are not initialised.
    static std::shared_ptr<PrintCanvasImage> Create(GXIntSize size);

    GXIntSize Size() const { return size_; }
    uint8_t* Pixels() const { return pixels_; }
    int32_t Stride() const { return stride_; }
    // To be called once the pixels are written, before the image is drawn.
    void MarkWritten();

private:
    friend class PrintCanvas;
    PrintCanvasImage(_cairo_surface* surface, GXIntSize size, uint8_t* pixels, int32_t stride)
        : surface_(surface), size_(size), pixels_(pixels), stride_(stride) {}

    _cairo_surface* surface_;  // the image; one reference owned here
    GXIntSize size_;           // pixels, both positive
    uint8_t* pixels_;          // first byte of the top row, owned by surface_
    int32_t stride_;           // bytes from one row to the next
};

// How an image pattern reads beyond its edges.
enum class PrintImageExtend : int32_t {
    None = 0,     // transparent outside the image
    Pad = 1,      // the edge pixels continue
    Repeat = 2,   // tiled
    Reflect = 3,  // tiled, every other tile mirrored
};

// How an image is resampled when placed at another size.
enum class PrintImageFilter : int32_t {
    Nearest = 0,
    Good = 1,  // smooth
    Best = 2,  // smooth, highest quality the writer offers
};

// An image painted through a matrix that carries image pixels into user space.
struct PrintImagePaint {
    std::shared_ptr<PrintCanvasImage> image;  // never null when used
    GXMatrix imageToUser;                     // image pixel corners to user units
    PrintImageExtend extend;
    PrintImageFilter filter;
    float opacity;  // 0..1, multiplies every pixel
};

// A page-description writer: the drawing interface the print renderer sees. User space is
// the page in points (1/72 inch), y down, origin at the top-left corner, mapped through the
// world transform. Drawing composites source-over. Pages are written as they are ended;
// the file is complete once Finish succeeds.
class PrintCanvas {
public:
    ~PrintCanvas();
    PrintCanvas(const PrintCanvas&) = delete;
    PrintCanvas& operator=(const PrintCanvas&) = delete;

    // A canvas writing `path` with pages of width x height points. `dpiX` and `dpiY` are the
    // device resolution: what the writer must rasterise itself is rasterised at it. Null
    // when the file cannot be opened or the arguments are unusable.
    static std::unique_ptr<PrintCanvas> Create(PrintFileFormat format, const std::string& path,
                                               double widthPoints, double heightPoints, double dpiX,
                                               double dpiY);

    void Save();
    void Restore();
    // Replaces the world transform (user space to page points). False, changing nothing,
    // for a matrix that cannot be inverted: drawing under it would show nothing.
    bool SetTransform(const GXMatrix& matrix);

    // Fills the path with a straight-alpha colour (channels 0..1).
    void FillSolid(const PrintCanvasPath& path, float red, float green, float blue, float alpha);
    void FillImage(const PrintCanvasPath& path, const PrintImagePaint& paint);
    // Paints the image inside the current clip, as FillImage over the image's own rectangle
    // with no extend.
    void DrawImage(const PrintImagePaint& paint);
    // Intersects the clip with the path; Restore brings the previous clip back.
    void ClipPath(const PrintCanvasPath& path);
    void ResetClip();
    // Replaces everything on the page with the colour, ignoring clip and transform.
    void Clear(float red, float green, float blue, float alpha);
    // Pushes pending output into the file.
    void Flush();

    // Ends the current page; later drawing goes to a new one. False when the format holds
    // a single page (SVG) and a page was already ended.
    bool EndPage();
    // Writes what remains and closes the file. False when writing failed at any point.
    bool Finish();
    // False once the writer has failed (the file could not be written).
    bool IsGood() const;

private:
    PrintCanvas(_cairo_surface* surface, _cairo* context, PrintFileFormat format)
        : surface_(surface), context_(context), format_(format) {}
    void AppendPath(const PrintCanvasPath& path);
    // False, setting nothing, when the paint's matrix cannot be inverted.
    bool SetImageSource(const PrintImagePaint& paint);

    _cairo_surface* surface_;  // the page surface; one reference owned here
    _cairo* context_;          // the drawing context on it; owned
    PrintFileFormat format_;   // what surface_ writes
    int32_t pagesEnded_ = 0;   // pages written so far
    bool finished_ = false;    // Finish has run
};

}  // namespace Host
