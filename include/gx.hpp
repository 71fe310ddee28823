/**
 * @file gx.hpp
 * @brief A header-only C++20 layer over gx.h: owning handle types, failures as exceptions.
 *
 * Every class here holds one GX handle and one reference to it, given back by its
 * destructor. Copying acquires another reference (a copy shares the object, as the C
 * handles do); moving hands the reference over and leaves the source empty. A call on an
 * empty handle reaches the library with a null handle and fails like any invalid argument.
 *
 * Failures are exceptions (gx::Error, carrying the GXResult). Creating a handle is
 * acquiring a resource, and a constructor or factory has no other way to fail cleanly;
 * std::expected is not in C++20, and an error value beside each of the hundred calls would
 * make every drawing sequence a ladder of checks that most callers only pass upward. Calls
 * whose "no result" answer is a normal outcome say so in their type instead (a
 * std::optional, an empty handle).
 *
 * The layer adds nothing else: each member function is one library call, with pointer and
 * count pairs taken as std::span, UTF-16 text as std::u16string_view, optional arguments
 * as std::optional, and scope guards for the paired calls (paint passes, graphics states,
 * layers, bitmap locks).
 */
#ifndef GX_HPP_
#define GX_HPP_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

#include "gx.h"

/// The C++ layer over the C interface of gx.h.
namespace gx {

/// A call returned a result other than GXResultSuccess.
class Error : public std::runtime_error {
public:
    /// An error for result, with a message naming it.
    explicit Error(GXResult result) : std::runtime_error(Describe(result)), result_(result) {}

    /// The GXResult the library returned.
    GXResult result() const noexcept { return result_; }

private:
    static const char* Describe(GXResult result) noexcept {
        switch (result) {
            case GXResultNoResult:
                return "libgx: the operation produced nothing";
            case GXResultInvalidArg:
                return "libgx: invalid argument";
            case GXResultOutOfRange:
                return "libgx: index out of range";
            case GXResultGraphicsError:
                return "libgx: graphics error";
            case GXResultPaintFailed:
                return "libgx: the paint could not be finished";
            default:
                return "libgx: unexpected failure";
        }
    }

    GXResult result_;
};

/// Throws gx::Error unless result is GXResultSuccess.
inline void Check(GXResult result) {
    if (result != GXResultSuccess) throw Error(result);
}

namespace detail {

template <class T>
const T* OrNull(const std::optional<T>& value) noexcept {
    return value ? &*value : nullptr;
}

// The C interface reads null-terminated UTF-16; a view is neither terminated nor free of
// NULs. Text with a NUL inside would be cut short without a word, so it is refused.
class Utf16z {
public:
    explicit Utf16z(std::u16string_view text) : text_(text) {
        if (text.find(u'\0') != std::u16string_view::npos) throw Error(GXResultInvalidArg);
    }
    // uint16_t and char16_t share size and representation; gx.h reads the units as uint16_t.
    const uint16_t* get() const noexcept {
        return reinterpret_cast<const uint16_t*>(text_.c_str());
    }

private:
    std::u16string text_;
};

}  // namespace detail

/**
 * Ownership of one reference to a GX handle of record type Record. The base of every
 * handle class; usable on its own for records that have no class here.
 */
template <class Record>
class Handle {
public:
    /// The C record type this handle owns.
    using RecordType = Record;

    /// An empty handle.
    Handle() noexcept = default;
    /// Takes over the one reference the caller owns on record (null gives an empty handle).
    explicit Handle(Record* record) noexcept : record_(record) {}
    /// Shares the object: acquires one more reference.
    Handle(const Handle& other) : record_(other.record_) {
        if (record_) Check(GXObjectAcquire(GX_HANDLE(record_)));
    }
    /// Takes the other handle's reference, leaving it empty.
    Handle(Handle&& other) noexcept : record_(std::exchange(other.record_, nullptr)) {}
    /// Shares other's object, giving back the reference held before.
    Handle& operator=(const Handle& other) {
        if (this != &other) *this = Handle(other);
        return *this;
    }
    /// Takes other's reference, giving back the one held before.
    Handle& operator=(Handle&& other) noexcept {
        if (this != &other) reset(std::exchange(other.record_, nullptr));
        return *this;
    }
    /// Gives the reference back.
    ~Handle() { reset(); }

    /// The record, for calls into gx.h; the handle keeps its reference.
    Record* get() const noexcept { return record_; }
    /// Hands the reference to the caller (who must give it back with GXObjectRelease).
    [[nodiscard]] Record* release() noexcept { return std::exchange(record_, nullptr); }
    /// Gives the reference back and takes over the caller's reference on record.
    void reset(Record* record = nullptr) noexcept {
        if (record_) GXObjectRelease(GX_HANDLE(record_));
        record_ = record;
    }
    /// True when the handle holds a record.
    explicit operator bool() const noexcept { return record_ != nullptr; }

private:
    Record* record_ = nullptr;
};

/// A new Wrapper (gx::Bitmap, ...) with a reference of its own on record, which the caller
/// keeps owning; null gives an empty handle.
template <class Wrapper>
Wrapper Share(typename Wrapper::RecordType* record) {
    if (record) Check(GXObjectAcquire(GX_HANDLE(record)));
    return Wrapper(record);
}

namespace detail {

// Runs a C function that hands out a new handle through its last argument and wraps it.
template <class Wrapper, class Function, class... Args>
Wrapper Make(Function function, Args&&... args) {
    typename Wrapper::RecordType* record = nullptr;
    Check(function(std::forward<Args>(args)..., &record));
    return Wrapper(record);
}

// Runs a C getter that writes one value through its last argument and returns it.
template <class Value, class Function, class... Args>
Value Read(Function function, Args&&... args) {
    Value value{};
    Check(function(std::forward<Args>(args)..., &value));
    return value;
}

}  // namespace detail

/// A palette of ARGB colours (GXPaletteRec_).
class Palette : public Handle<GXPaletteRec_> {
public:
    using Handle::Handle;

    /// A new palette holding a copy of colors (GXCreatePalette).
    static Palette Create(std::span<const uint32_t> colors) {
        return detail::Make<Palette>(GXCreatePalette, colors.data(), uint64_t(colors.size()));
    }
    /// The number of colours (GXPaletteGetNumColors).
    uint64_t NumColors() const { return detail::Read<uint64_t>(GXPaletteGetNumColors, get()); }
    /// The colour at index (GXPaletteGetColor).
    uint32_t Color(uint64_t index) const {
        return detail::Read<uint32_t>(GXPaletteGetColor, get(), index);
    }
    /// The palette's own colours, valid while the palette lives (GXPaletteGetColors).
    std::span<const uint32_t> Colors() const {
        const uint32_t* colors = detail::Read<const uint32_t*>(GXPaletteGetColors, get());
        return {colors, std::size_t(NumColors())};
    }
};

class BitmapLock;

/// A bitmap in system memory (GXBitmapRec_).
class Bitmap : public Handle<GXBitmapRec_> {
public:
    using Handle::Handle;

    /// A new bitmap, pixels uninitialised (GXCreateBitmap).
    static Bitmap Create(const GXBitmapDesc& desc) {
        return detail::Make<Bitmap>(GXCreateBitmap, &desc);
    }
    /// The first frame of an image file (GXCreateBitmapFromFile).
    static Bitmap CreateFromFile(std::u16string_view path) {
        return detail::Make<Bitmap>(GXCreateBitmapFromFile, detail::Utf16z(path).get());
    }
    /// Frame frameIndex of an image file; frameCount, when given, receives the number of
    /// frames even when the call then fails (GXCreateBitmapFromFileFrame).
    static Bitmap CreateFromFileFrame(std::u16string_view path, int32_t frameIndex,
                                      uint32_t* frameCount = nullptr) {
        return detail::Make<Bitmap>(GXCreateBitmapFromFileFrame, detail::Utf16z(path).get(),
                                    frameIndex, frameCount);
    }
    /// A bitmap decoded from an image file held in memory (GXCreateBitmapFromMemory).
    static Bitmap CreateFromMemory(std::span<const std::byte> file) {
        return detail::Make<Bitmap>(GXCreateBitmapFromMemory, static_cast<const void*>(file.data()),
                                    uint64_t(file.size()));
    }

    /// The pixel format (GXBitmapGetPixelFormat).
    GXPixelFormat PixelFormat() const {
        return detail::Read<GXPixelFormat>(GXBitmapGetPixelFormat, get());
    }
    /// The size as requested (GXBitmapGetSize).
    GXIntSize Size() const { return detail::Read<GXIntSize>(GXBitmapGetSize, get()); }
    /// Horizontal resolution in dots per inch (GXBitmapGetDpiX).
    float DpiX() const { return detail::Read<float>(GXBitmapGetDpiX, get()); }
    /// Vertical resolution in dots per inch (GXBitmapGetDpiY).
    float DpiY() const { return detail::Read<float>(GXBitmapGetDpiY, get()); }
    /// Shares palette with the bitmap; an empty palette removes it (GXBitmapSetPalette).
    void SetPalette(const Palette& palette) { Check(GXBitmapSetPalette(get(), palette.get())); }
    /// The bitmap's palette, empty when it has none (GXBitmapGetPalette).
    Palette GetPalette() const { return detail::Make<Palette>(GXBitmapGetPalette, get()); }
    /// Locks a window of the pixels until the returned guard ends (GXBitmapLock).
    BitmapLock Lock(uint32_t mode, const std::optional<GXIntRect>& rect = std::nullopt) const;
    /// Copies sourceRect (all when absent) of source to origin (GXBitmapCopyFromBitmap).
    void CopyFromBitmap(const Bitmap& source,
                        const std::optional<GXIntPoint>& origin = std::nullopt,
                        const std::optional<GXIntRect>& sourceRect = std::nullopt) {
        Check(GXBitmapCopyFromBitmap(get(), detail::OrNull(origin), source.get(),
                                     detail::OrNull(sourceRect)));
    }
    /// Copies rows from memory into rect (the whole bitmap when absent) (GXBitmapCopyFromMemory).
    void CopyFromMemory(const GXBitmapData& memory,
                        const std::optional<GXIntRect>& rect = std::nullopt) {
        Check(GXBitmapCopyFromMemory(get(), detail::OrNull(rect), &memory));
    }
    /// Copies rect (all when absent) into memory (GXBitmapCopyToMemory).
    void CopyToMemory(const GXBitmapData& memory,
                      const std::optional<GXIntRect>& rect = std::nullopt) const {
        Check(GXBitmapCopyToMemory(get(), detail::OrNull(rect), &memory));
    }
    /// Fills rect (all when absent) with an ARGB colour (GXBitmapColorFill).
    void ColorFill(uint32_t color, const std::optional<GXIntRect>& rect = std::nullopt) {
        Check(GXBitmapColorFill(get(), detail::OrNull(rect), color));
    }
    /// Drops every renderer copy (GXBitmapNotifyChanged).
    void NotifyChanged() { Check(GXBitmapNotifyChanged(get())); }
    /// Stores the off-screen painting flag (GXBitmapSetOffscreenPainting).
    void SetOffscreenPainting(bool flag) {
        Check(GXBitmapSetOffscreenPainting(get(), flag ? 1 : 0));
    }
    /// Encodes the bitmap into an image file chosen by extension (GXBitmapSaveToFile).
    void SaveToFile(std::u16string_view path) const {
        Check(GXBitmapSaveToFile(get(), detail::Utf16z(path).get()));
    }
};

/// A locked window of a bitmap's pixels; the destructor unlocks (GXBitmapUnlock).
class BitmapLock {
public:
    /// Locks rect (from the corner when absent) of bitmap in mode, a GXLock* value.
    BitmapLock(const Bitmap& bitmap, uint32_t mode,
               const std::optional<GXIntRect>& rect = std::nullopt)
        : bitmap_(bitmap) {
        Check(GXBitmapLock(bitmap_.get(), detail::OrNull(rect), mode, &data_));
    }
    BitmapLock(const BitmapLock&) = delete;
    BitmapLock& operator=(const BitmapLock&) = delete;
    /// Unlocks.
    ~BitmapLock() { GXBitmapUnlock(bitmap_.get()); }

    /// The locked rows: first byte, bytes per row, distance between rows.
    const GXBitmapData& data() const noexcept { return data_; }

private:
    Bitmap bitmap_;
    GXBitmapData data_{};
};

inline BitmapLock Bitmap::Lock(uint32_t mode, const std::optional<GXIntRect>& rect) const {
    return BitmapLock(*this, mode, rect);
}

/// The process-wide bitmap cache (GXBitmapCache*); it takes no references.
struct BitmapCache {
    /// Sets the quota in bytes (GXBitmapCacheSetMemoryQuota).
    static void SetMemoryQuota(uint64_t quota) { Check(GXBitmapCacheSetMemoryQuota(quota)); }
    /// The quota in bytes (GXBitmapCacheGetMemoryQuota).
    static uint64_t MemoryQuota() { return detail::Read<uint64_t>(GXBitmapCacheGetMemoryQuota); }
    /// The estimated bytes of the registered bitmaps (GXBitmapCacheGetMemoryInUse).
    static uint64_t MemoryInUse() { return detail::Read<uint64_t>(GXBitmapCacheGetMemoryInUse); }
    /// Registers bitmap and returns its identifier (GXBitmapCachePut).
    static int32_t Put(const Bitmap& bitmap) {
        return detail::Read<int32_t>(GXBitmapCachePut, bitmap.get());
    }
    /// A new reference to the registered bitmap, empty when id is not registered
    /// (GXBitmapCacheGet, which itself adds no reference).
    static Bitmap Get(uint32_t id) {
        return Share<Bitmap>(detail::Read<GXBitmapRec_*>(GXBitmapCacheGet, id));
    }
    /// Forgets id (GXBitmapCacheRemove).
    static void Remove(uint32_t id) { Check(GXBitmapCacheRemove(id)); }
};

/// A path of figures with a fill rule (GXGeometryRec_).
class Geometry : public Handle<GXGeometryRec_> {
public:
    using Handle::Handle;

    /// A new empty geometry (GXCreateGeometry).
    static Geometry Create() { return detail::Make<Geometry>(GXCreateGeometry); }

    /// Stores the fill rule (GXGeometrySetFillRule).
    void SetFillRule(int32_t rule) { Check(GXGeometrySetFillRule(get(), rule)); }
    /// The stored fill rule (GXGeometryGetFillRule).
    int32_t FillRule() const { return detail::Read<int32_t>(GXGeometryGetFillRule, get()); }
    /// True when no figure is stored (GXGeometryEmpty).
    bool Empty() const { return detail::Read<uint8_t>(GXGeometryEmpty, get()) != 0; }
    /// True when both hold the same rule, bound and figures (GXGeometryPointsEqual).
    bool PointsEqual(const Geometry& other) const {
        return detail::Read<uint8_t>(GXGeometryPointsEqual, get(), other.get()) != 0;
    }
    /// The point a LineTo would start from, absent when there is none (GXGeometryGetCurrentPoint).
    std::optional<GXPoint> CurrentPoint() const {
        GXPoint point{};
        const GXResult result = GXGeometryGetCurrentPoint(get(), &point);
        if (result == GXResultNoResult) return std::nullopt;
        Check(result);
        return point;
    }
    /// Starts a figure (GXGeometryBeginFigure).
    void BeginFigure(GXPoint start) { Check(GXGeometryBeginFigure(get(), &start)); }
    /// Ends the open figure, open (GXGeometryEndFigure).
    void EndFigure() { Check(GXGeometryEndFigure(get())); }
    /// Ends the open figure, closed (GXGeometryEndFigureClose).
    void EndFigureClose() { Check(GXGeometryEndFigureClose(get())); }
    /// A line from the current point (GXGeometryLineTo).
    void LineTo(GXPoint point) { Check(GXGeometryLineTo(get(), &point)); }
    /// The cubic (current point, control, end) (GXGeometryConicCurveTo).
    void ConicCurveTo(GXPoint control, GXPoint end) {
        Check(GXGeometryConicCurveTo(get(), &control, &end));
    }
    /// A cubic Bézier from the current point (GXGeometryCubicCurveTo).
    void CubicCurveTo(GXPoint c1, GXPoint c2, GXPoint end) {
        Check(GXGeometryCubicCurveTo(get(), &c1, &c2, &end));
    }
    /// Adds a closed rectangle (GXGeometryRectangle).
    void Rectangle(const GXRect& rect) { Check(GXGeometryRectangle(get(), &rect)); }
    /// Adds the ellipse inscribed in rect (GXGeometryEllipse).
    void Ellipse(const GXRect& rect) { Check(GXGeometryEllipse(get(), &rect)); }
    /// Adds a rectangle with elliptic corners (GXGeometryRoundRectangle).
    void RoundRectangle(const GXRect& rect, float rx, float ry) {
        Check(GXGeometryRoundRectangle(get(), &rect, rx, ry));
    }
    /// A new geometry holding the stored figures (GXGeometryCopy).
    Geometry Copy() const { return detail::Make<Geometry>(GXGeometryCopy, get()); }
    /// Replays the geometry into callbacks (GXGeometrySendToSink).
    void SendToSink(const GXGeometrySinkCallbacks& callbacks) const {
        Check(GXGeometrySendToSink(get(), &callbacks));
    }
    /// A new geometry with every point mapped through matrix (GXGeometryTransform).
    Geometry Transform(const GXMatrix& matrix) const {
        return detail::Make<Geometry>(GXGeometryTransform, get(), &matrix);
    }
    /// The box of every point through matrix (identity when absent) (GXGeometryGetBound).
    GXRect Bound(const std::optional<GXMatrix>& matrix = std::nullopt) const {
        return detail::Read<GXRect>(GXGeometryGetBound, get(), detail::OrNull(matrix));
    }
    /// A new geometry: the outline of the stroke (GXGeometryWiden).
    Geometry Widen(float width, const GXStrokeStyle& style, float tolerance) const {
        return detail::Make<Geometry>(GXGeometryWiden, get(), width, &style, tolerance);
    }
    /// True when point lies in the filled interior (GXGeometryHitTest).
    bool HitTest(GXPoint point) const {
        return detail::Read<uint8_t>(GXGeometryHitTest, get(), &point) != 0;
    }
    /// A new geometry: this one op other, other moved by matrix (GXGeometryCombine).
    Geometry Combine(const Geometry& other, GXCombineMode operation, float precision,
                     const std::optional<GXMatrix>& matrix = std::nullopt) const {
        return detail::Make<Geometry>(GXGeometryCombine, get(), other.get(), detail::OrNull(matrix),
                                      operation, precision);
    }
};

/// A set of integer pixels (GXRegionRec_).
class Region : public Handle<GXRegionRec_> {
public:
    using Handle::Handle;

    /// The empty region (GXCreateRegion).
    static Region Create() { return detail::Make<Region>(GXCreateRegion); }
    /// The region covering rect (GXCreateRegionFromRect).
    static Region CreateFromRect(const GXIntRect& rect) {
        return detail::Make<Region>(GXCreateRegionFromRect, &rect);
    }

    /// True when the region covers no pixel (GXRegionIsAreaEmpty).
    bool IsAreaEmpty() const { return detail::Read<uint8_t>(GXRegionIsAreaEmpty, get()) != 0; }
    /// The region's bound (GXRegionGetBound).
    GXIntRect Bound() const { return detail::Read<GXIntRect>(GXRegionGetBound, get()); }
    /// True when point lies in the bound, edges included (GXRegionContainsPoint).
    bool ContainsPoint(GXIntPoint point) const {
        return detail::Read<uint8_t>(GXRegionContainsPoint, get(), &point) != 0;
    }
    /// True when the region covers every pixel of rect (GXRegionContainsRect).
    bool ContainsRect(const GXIntRect& rect) const {
        return detail::Read<uint8_t>(GXRegionContainsRect, get(), &rect) != 0;
    }
    /// True when the region covers every pixel of other (GXRegionContains).
    bool Contains(const Region& other) const {
        return detail::Read<uint8_t>(GXRegionContains, get(), other.get()) != 0;
    }
    /// True when the regions share a pixel (GXRegionHasIntersection).
    bool HasIntersection(const Region& other) const {
        return detail::Read<uint8_t>(GXRegionHasIntersection, get(), other.get()) != 0;
    }
    /// True when the region and rect share a pixel (GXRegionHasIntersectionWithRect).
    bool HasIntersectionWithRect(const GXIntRect& rect) const {
        return detail::Read<uint8_t>(GXRegionHasIntersectionWithRect, get(), &rect) != 0;
    }
    /// Moves the region in place (GXRegionOffset).
    void Offset(int32_t dx, int32_t dy) { Check(GXRegionOffset(get(), dx, dy)); }
    /// A new region: this op other (GXRegionCombine).
    Region Combine(const Region& other, GXCombineMode op) const {
        return detail::Make<Region>(GXRegionCombine, get(), other.get(), op);
    }
    /// A new region: this op rect (GXRegionCombineRect).
    Region CombineRect(const GXIntRect& rect, GXCombineMode op) const {
        return detail::Make<Region>(GXRegionCombineRect, get(), &rect, op);
    }
    /// Calls callback(context, rect) once per rectangle (GXRegionEnumRects).
    void EnumRects(GXRegionRectCallback callback, void* context) const {
        Check(GXRegionEnumRects(get(), callback, context));
    }
    /// Calls visit(const GXIntRect&) once per rectangle (GXRegionEnumRects). The library
    /// calls back from inside itself, so visit must not throw.
    template <class Visitor>
    void EnumRects(Visitor&& visit) const {
        auto trampoline = [](void* context, const GXIntRect* rect) noexcept {
            (*static_cast<std::remove_reference_t<Visitor>*>(context))(*rect);
        };
        EnumRects(trampoline, const_cast<void*>(static_cast<const void*>(&visit)));
    }
};

/// A colour ramp or mesh for gradient brushes (GXGradientRec_).
class Gradient : public Handle<GXGradientRec_> {
public:
    using Handle::Handle;

    /// A linear gradient; desc's stops and count are taken from stops (GXCreateGradientLinear).
    static Gradient CreateLinear(GXLinearGradientDesc desc, std::span<const GXGradientStop> stops) {
        desc.stops = stops.data();
        desc.count = stops.size();
        return detail::Make<Gradient>(GXCreateGradientLinear, &desc);
    }
    /// A radial gradient; desc's stops and count are taken from stops (GXCreateGradientRadial).
    static Gradient CreateRadial(GXRadialGradientDesc desc, std::span<const GXGradientStop> stops) {
        desc.stops = stops.data();
        desc.count = stops.size();
        return detail::Make<Gradient>(GXCreateGradientRadial, &desc);
    }
    /// Gouraud-shaded triangles given as one triangle strip (GXCreateGradientTriMesh).
    static Gradient CreateTriMesh(std::span<const GXTriMeshVertex> vertices, uint32_t background) {
        return detail::Make<Gradient>(GXCreateGradientTriMesh, vertices.data(),
                                      uint64_t(vertices.size()), background);
    }
};

/// What paints: a solid colour, a bitmap or a gradient (GXBrushRec_).
class Brush : public Handle<GXBrushRec_> {
public:
    using Handle::Handle;

    /// A solid brush, channels clamped to 0..1 (GXCreateBrushSolid).
    static Brush CreateSolid(const GXColorF& color) {
        return detail::Make<Brush>(GXCreateBrushSolid, &color);
    }
    /// A solid brush from 0xAARRGGBB (GXCreateBrushSolidARGB).
    static Brush CreateSolidARGB(uint32_t argb) {
        return detail::Make<Brush>(GXCreateBrushSolidARGB, argb);
    }
    /// A brush sharing bitmap; params absent: bilinear and clamp; matrix absent: identity
    /// (GXCreateBrushBitmap).
    static Brush CreateBitmap(const Bitmap& bitmap, float opacity,
                              const std::optional<GXBitmapBrushParams>& params = std::nullopt,
                              const std::optional<GXMatrix>& matrix = std::nullopt) {
        return detail::Make<Brush>(GXCreateBrushBitmap, bitmap.get(), opacity,
                                   detail::OrNull(params), detail::OrNull(matrix));
    }
    /// A brush sharing gradient; matrix absent: identity (GXCreateBrushGradient).
    static Brush CreateGradient(const Gradient& gradient, float opacity,
                                const std::optional<GXMatrix>& matrix = std::nullopt) {
        return detail::Make<Brush>(GXCreateBrushGradient, gradient.get(), opacity,
                                   detail::OrNull(matrix));
    }
};

/// A font face at a size (GXFontFaceRec_).
class FontFace : public Handle<GXFontFaceRec_> {
public:
    using Handle::Handle;

    /// A face of family faceName, GXFontStyle* bits, size in points (GXCreateFontFace).
    static FontFace Create(std::u16string_view faceName, uint32_t style, float size) {
        return detail::Make<FontFace>(GXCreateFontFace, detail::Utf16z(faceName).get(), style,
                                      size);
    }
    /// Width and height of text set in this face (GXFontFaceCalculateTextBound).
    GXTextBound CalculateTextBound(std::u16string_view text) const {
        return detail::Read<GXTextBound>(GXFontFaceCalculateTextBound, get(),
                                         detail::Utf16z(text).get());
    }
};

/// A surface to draw on with its graphics state (GXRenderTargetRec_). Drawing happens in a
/// paint pass (gx::PaintPass).
class RenderTarget : public Handle<GXRenderTargetRec_> {
public:
    using Handle::Handle;

    /// A software render target painting bitmap (GXCreateRenderTargetBitmap).
    static RenderTarget CreateForBitmap(const Bitmap& bitmap) {
        return detail::Make<RenderTarget>(GXCreateRenderTargetBitmap, bitmap.get());
    }

    /// The surface's pixel format (GXRenderTargetGetPixelFormat).
    GXPixelFormat PixelFormat() const {
        return detail::Read<GXPixelFormat>(GXRenderTargetGetPixelFormat, get());
    }
    /// The surface's size in device pixels (GXRenderTargetGetSize).
    GXIntSize Size() const { return detail::Read<GXIntSize>(GXRenderTargetGetSize, get()); }
    /// Fills the whole target, ignoring clip, CTM, masks and blend mode (GXRenderTargetClear).
    void Clear(uint32_t argb) { Check(GXRenderTargetClear(get(), argb)); }
    /// Starts a paint (GXRenderTargetBeginPaint); gx::PaintPass pairs it with EndPaint.
    void BeginPaint() { Check(GXRenderTargetBeginPaint(get())); }
    /// Ends the paint and presents it (GXRenderTargetEndPaint).
    void EndPaint() { Check(GXRenderTargetEndPaint(get())); }
    /// Saves the graphics state (GXRenderTargetPushState); gx::StateGuard pairs it with PopState.
    void PushState() { Check(GXRenderTargetPushState(get())); }
    /// Restores the state saved by the matching push (GXRenderTargetPopState).
    void PopState() { Check(GXRenderTargetPopState(get())); }
    /// The current transformation matrix (GXRenderTargetGetCTM).
    GXMatrix CTM() const { return detail::Read<GXMatrix>(GXRenderTargetGetCTM, get()); }
    /// Sets the CTM; absent sets the identity (GXRenderTargetSetCTM).
    void SetCTM(const std::optional<GXMatrix>& matrix) {
        Check(GXRenderTargetSetCTM(get(), detail::OrNull(matrix)));
    }
    /// Applies matrix before the current CTM (GXRenderTargetConcatCTM).
    void ConcatCTM(const GXMatrix& matrix) { Check(GXRenderTargetConcatCTM(get(), &matrix)); }
    /// Concatenates a rotation by radians (GXRenderTargetRotateCTM).
    void RotateCTM(float radians) { Check(GXRenderTargetRotateCTM(get(), radians)); }
    /// Concatenates a scale (GXRenderTargetScaleCTM).
    void ScaleCTM(float sx, float sy) { Check(GXRenderTargetScaleCTM(get(), sx, sy)); }
    /// Concatenates a translation (GXRenderTargetTranslateCTM).
    void TranslateCTM(float tx, float ty) { Check(GXRenderTargetTranslateCTM(get(), tx, ty)); }
    /// Sets the blend mode, a GXBlendMode* value (GXRenderTargetSetBlendMode).
    void SetBlendMode(int32_t mode) { Check(GXRenderTargetSetBlendMode(get(), mode)); }
    /// Snaps axis-aligned rectangles to whole pixels (GXRenderTargetSetStrokeAdjustment).
    void SetStrokeAdjustment(bool flag) {
        Check(GXRenderTargetSetStrokeAdjustment(get(), flag ? 1 : 0));
    }
    /// Sets the opacity mask of type 0..3; an empty brush removes it
    /// (GXRenderTargetSetOpacityMask).
    void SetOpacityMask(int32_t type, const Brush& brush) {
        Check(GXRenderTargetSetOpacityMask(get(), type, brush.get()));
    }
    /// Sets the shape mask of type 0..3; an empty brush removes it (GXRenderTargetSetShapeMask).
    void SetShapeMask(int32_t type, const Brush& brush) {
        Check(GXRenderTargetSetShapeMask(get(), type, brush.get()));
    }
    /// Opens a transparency group (GXRenderTargetBeginLayer); gx::LayerGuard pairs it with
    /// EndLayer.
    void BeginLayer(const GXLayerParams& params) {
        Check(GXRenderTargetBeginLayer(get(), &params));
    }
    /// Composites and closes the innermost group (GXRenderTargetEndLayer).
    void EndLayer() { Check(GXRenderTargetEndLayer(get())); }
    /// Fills geometry with its fill rule (GXRenderTargetFillGeometry).
    void FillGeometry(const Geometry& geometry, const Brush& brush) {
        Check(GXRenderTargetFillGeometry(get(), geometry.get(), brush.get()));
    }
    /// Fills glyph outlines, never snapped (GXRenderTargetFillTextGeometry).
    void FillTextGeometry(const Geometry& geometry, const Brush& brush) {
        Check(GXRenderTargetFillTextGeometry(get(), geometry.get(), brush.get()));
    }
    /// Fills a rectangle (GXRenderTargetFillRect).
    void FillRect(const GXRect& rect, const Brush& brush) {
        Check(GXRenderTargetFillRect(get(), &rect, brush.get()));
    }
    /// Fills the ellipse inscribed in rect (GXRenderTargetFillEllipse).
    void FillEllipse(const GXRect& rect, const Brush& brush) {
        Check(GXRenderTargetFillEllipse(get(), &rect, brush.get()));
    }
    /// Strokes geometry; width 0 is a hairline, style absent the defaults
    /// (GXRenderTargetStrokeGeometry).
    void StrokeGeometry(const Geometry& geometry, const Brush& brush, float width,
                        const std::optional<GXStrokeStyle>& style = std::nullopt) {
        Check(GXRenderTargetStrokeGeometry(get(), geometry.get(), brush.get(), width,
                                           detail::OrNull(style)));
    }
    /// Strokes a line (GXRenderTargetStrokeLine).
    void StrokeLine(GXPoint from, GXPoint to, const Brush& brush, float width,
                    const std::optional<GXStrokeStyle>& style = std::nullopt) {
        Check(
            GXRenderTargetStrokeLine(get(), &from, &to, brush.get(), width, detail::OrNull(style)));
    }
    /// Strokes a rectangle (GXRenderTargetStrokeRect).
    void StrokeRect(const GXRect& rect, const Brush& brush, float width,
                    const std::optional<GXStrokeStyle>& style = std::nullopt) {
        Check(GXRenderTargetStrokeRect(get(), &rect, brush.get(), width, detail::OrNull(style)));
    }
    /// Strokes the ellipse inscribed in rect (GXRenderTargetStrokeEllipse).
    void StrokeEllipse(const GXRect& rect, const Brush& brush, float width,
                       const std::optional<GXStrokeStyle>& style = std::nullopt) {
        Check(GXRenderTargetStrokeEllipse(get(), &rect, brush.get(), width, detail::OrNull(style)));
    }
    /// Intersects the clip with geometry's fill (GXRenderTargetClipGeometry).
    void ClipGeometry(const Geometry& geometry) {
        Check(GXRenderTargetClipGeometry(get(), geometry.get()));
    }
    /// Intersects the clip with a rectangle (GXRenderTargetClipRect).
    void ClipRect(const GXRect& rect) { Check(GXRenderTargetClipRect(get(), &rect)); }
    /// Intersects the clip with the ellipse inscribed in rect (GXRenderTargetClipEllipse).
    void ClipEllipse(const GXRect& rect) { Check(GXRenderTargetClipEllipse(get(), &rect)); }
    /// Draws bitmap pixel (i, j) at the CTM's image of (i, j) (GXRenderTargetDrawBitmap).
    void DrawBitmap(const Bitmap& bitmap, float opacity, int32_t samplingMode) {
        Check(GXRenderTargetDrawBitmap(get(), bitmap.get(), opacity, samplingMode));
    }
    /// Draws bitmap upside down into rect (GXRenderTargetStretchBitmap).
    void StretchBitmap(const Bitmap& bitmap, const GXRect& rect, float opacity,
                       int32_t samplingMode) {
        Check(GXRenderTargetStretchBitmap(get(), bitmap.get(), &rect, opacity, samplingMode));
    }
    /// Paints gradient over the whole clip (GXRenderTargetDrawGradient).
    void DrawGradient(const Gradient& gradient, float opacity) {
        Check(GXRenderTargetDrawGradient(get(), gradient.get(), opacity));
    }
    /// Paints brush where mask is transparent (GXRenderTargetFillMask).
    void FillMask(const Bitmap& mask, const Brush& brush, int32_t samplingMode) {
        Check(GXRenderTargetFillMask(get(), mask.get(), brush.get(), samplingMode));
    }
    /// Inverts the colours under rect (GXRenderTargetInvertRect).
    void InvertRect(const GXRect& rect) { Check(GXRenderTargetInvertRect(get(), &rect)); }
    /// Fills the glyphs of text, the pen at the user origin (GXRenderTargetFillText).
    void FillText(const FontFace& face, std::u16string_view text, const Brush& brush) {
        Check(GXRenderTargetFillText(get(), face.get(), detail::Utf16z(text).get(), brush.get()));
    }
};

/**
 * A paint pass: BeginPaint on construction, EndPaint on destruction. End() ends it early
 * and reports a failed paint as gx::Error; the destructor, which may run while an
 * exception unwinds, cannot throw and drops that result.
 */
class PaintPass {
public:
    /// Begins a paint on target, which the pass keeps alive.
    explicit PaintPass(const RenderTarget& target) : target_(target) { target_.BeginPaint(); }
    PaintPass(const PaintPass&) = delete;
    PaintPass& operator=(const PaintPass&) = delete;
    /// Ends the paint unless End() already did.
    ~PaintPass() {
        if (open_) GXRenderTargetEndPaint(target_.get());
    }
    /// Ends and presents the paint now.
    void End() {
        open_ = false;
        target_.EndPaint();
    }

private:
    RenderTarget target_;
    bool open_ = true;
};

/// Saves the graphics state on construction (PushState) and restores it on destruction (PopState).
class StateGuard {
public:
    /// Pushes the state of target, which the guard keeps alive.
    explicit StateGuard(const RenderTarget& target) : target_(target) { target_.PushState(); }
    StateGuard(const StateGuard&) = delete;
    StateGuard& operator=(const StateGuard&) = delete;
    /// Pops the state pushed by the constructor.
    ~StateGuard() { GXRenderTargetPopState(target_.get()); }

private:
    RenderTarget target_;
};

/// Opens a transparency group on construction (BeginLayer) and composites it on destruction
/// (EndLayer).
class LayerGuard {
public:
    /// Opens a group on target, which the guard keeps alive.
    LayerGuard(const RenderTarget& target, const GXLayerParams& params) : target_(target) {
        target_.BeginLayer(params);
    }
    LayerGuard(const LayerGuard&) = delete;
    LayerGuard& operator=(const LayerGuard&) = delete;
    /// Composites and closes the group.
    ~LayerGuard() { GXRenderTargetEndLayer(target_.get()); }

private:
    RenderTarget target_;
};

}  // namespace gx

#endif  // GX_HPP_
