#pragma once

#include <memory>
#include <mutex>
#include <type_traits>
#include <unordered_map>

#include "gx.h"

namespace Platform {
class X11Window;
class DeviceContext;
class NativeBitmap;
}  // namespace Platform

// The records behind the host handles of gxhost.h: each holds shared ownership of one
// platform object. They live in the global namespace because gx.h names them there.
struct GXHostWindow {
    std::shared_ptr<Platform::X11Window> impl;  // never empty
};
struct GXHostDC {
    std::shared_ptr<Platform::DeviceContext> impl;  // never empty
};
struct GXHostBitmap {
    std::shared_ptr<Platform::NativeBitmap> impl;  // never empty
};

namespace Graphics {

// The host handles alive now, by address and kind. Host handles are plain pointers that a
// caller may hand back after deleting them, or of the wrong kind; looking them up here
// first means such a handle is never dereferenced.
class HostHandles {
public:
    // A new record over `object`, registered.
    template <class Record, class Object>
    static Record* Make(std::shared_ptr<Object> object) {
        auto record = std::make_unique<Record>(Record{std::move(object)});
        std::lock_guard<std::mutex> guard(Mutex());
        Live()[record.get()] = KindOf<Record>();
        return record.release();
    }
    // The object behind `handle`, or empty when it is null, deleted or of another kind.
    template <class Record>
    static decltype(Record::impl) Find(const Record* handle) {
        std::lock_guard<std::mutex> guard(Mutex());
        const auto found = Live().find(handle);
        if (found == Live().end() || found->second != KindOf<Record>()) return nullptr;
        return handle->impl;
    }
    // Unregisters and deletes `handle`; false when it is not a live handle of that kind.
    template <class Record>
    static bool Delete(Record* handle) {
        {
            std::lock_guard<std::mutex> guard(Mutex());
            const auto found = Live().find(handle);
            if (found == Live().end() || found->second != KindOf<Record>()) return false;
            Live().erase(found);
        }
        delete handle;
        return true;
    }

private:
    enum class Kind { Window, DC, Bitmap };
    template <class Record>
    static constexpr Kind KindOf() {
        if constexpr (std::is_same_v<Record, GXHostWindow>) return Kind::Window;
        else if constexpr (std::is_same_v<Record, GXHostDC>) return Kind::DC;
        else return Kind::Bitmap;
    }
    static std::mutex& Mutex();
    static std::unordered_map<const void*, Kind>& Live();  // guarded by Mutex()
};

}  // namespace Graphics
