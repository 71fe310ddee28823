#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <utility>

#include "gx.h"

// Handle records live in the global namespace because gx.h names them there.

// The common base of every handle: a record destroyed through its virtual destructor.
struct GXOBase {
    virtual ~GXOBase() = default;
};

// Intrusive, atomic reference count on top of Base. A record is made with one reference.
template <class Base>
struct RefCounted : Base {
    std::atomic<int32_t> count{1};  // references held by callers; the record dies at 0

    void Acquire() { count.fetch_add(1, std::memory_order_seq_cst); }
    void Release() {
        if (count.fetch_sub(1, std::memory_order_seq_cst) == 1) delete this;
    }
};

// A record holding shared ownership of one implementation object. It owns nothing else,
// so releasing a handle never destroys an object that the library still uses.
template <class T>
struct HandleRecord : RefCounted<GXOBase> {
    using Impl = T;
    explicit HandleRecord(std::shared_ptr<T> object) : impl(std::move(object)) {}
    std::shared_ptr<T> impl;  // never empty
};

namespace Graphics {
class Palette;
class Bitmap;
class Brush;
class Gradient;
class Font;
class Geometry;
class Region;
class RenderTarget;
}  // namespace Graphics

struct GXPaletteRec_ : HandleRecord<Graphics::Palette> { using HandleRecord::HandleRecord; };
struct GXBitmapRec_ : HandleRecord<Graphics::Bitmap> {
    using HandleRecord::HandleRecord;
    // Leaves the bitmap cache, which holds no reference and must never hand out a dead handle.
    ~GXBitmapRec_() override;
};
struct GXBrushRec_ : HandleRecord<Graphics::Brush> { using HandleRecord::HandleRecord; };
struct GXGradientRec_ : HandleRecord<Graphics::Gradient> { using HandleRecord::HandleRecord; };
struct GXFontFaceRec_ : HandleRecord<Graphics::Font> { using HandleRecord::HandleRecord; };
struct GXGeometryRec_ : HandleRecord<Graphics::Geometry> { using HandleRecord::HandleRecord; };
struct GXRegionRec_ : HandleRecord<Graphics::Region> { using HandleRecord::HandleRecord; };
struct GXRenderTargetRec_ : HandleRecord<Graphics::RenderTarget> {
    using HandleRecord::HandleRecord;
};

namespace Graphics {

// A new record of kind Record over `object`, with one reference for the caller.
template <class Record>
Record* MakeHandle(std::shared_ptr<typename Record::Impl> object) {
    return new Record(std::move(object));
}

}  // namespace Graphics
