#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <type_traits>
#include <typeinfo>
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

struct GXPaletteRec_ final : HandleRecord<Graphics::Palette> { using HandleRecord::HandleRecord; };
struct GXBitmapRec_ final : HandleRecord<Graphics::Bitmap> {
    using HandleRecord::HandleRecord;
    // Leaves the bitmap cache, which holds no reference and must never hand out a dead handle.
    ~GXBitmapRec_() override;
};
struct GXBrushRec_ final : HandleRecord<Graphics::Brush> { using HandleRecord::HandleRecord; };
struct GXGradientRec_ final : HandleRecord<Graphics::Gradient> { using HandleRecord::HandleRecord; };
struct GXFontFaceRec_ final : HandleRecord<Graphics::Font> { using HandleRecord::HandleRecord; };
struct GXGeometryRec_ final : HandleRecord<Graphics::Geometry> { using HandleRecord::HandleRecord; };
struct GXRegionRec_ final : HandleRecord<Graphics::Region> { using HandleRecord::HandleRecord; };
struct GXRenderTargetRec_ final : HandleRecord<Graphics::RenderTarget> {
    using HandleRecord::HandleRecord;
};

namespace Graphics {

// True when `handle` is a record of another kind than Record. C callers reach every export
// through casts (GX_HANDLE), so a brush may arrive where a bitmap is expected; the records
// are final, so comparing the dynamic type is exact and costs two loads and a compare.
// A null handle is not of another kind: callers test for null separately.
template <class Record>
bool IsWrongKind(const Record* handle) noexcept {
    static_assert(std::is_base_of_v<GXOBase, Record> && std::is_final_v<Record>);
    return handle != nullptr && typeid(*static_cast<const GXOBase*>(handle)) != typeid(Record);
}

// A new record of kind Record over `object`, with one reference for the caller.
template <class Record>
Record* MakeHandle(std::shared_ptr<typename Record::Impl> object) {
    return new Record(std::move(object));
}

}  // namespace Graphics
