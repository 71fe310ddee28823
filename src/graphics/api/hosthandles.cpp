#include "graphics/api/hosthandles.h"

namespace Graphics {

std::mutex& HostHandles::Mutex() {
    static std::mutex mutex;
    return mutex;
}

std::unordered_map<const void*, HostHandles::Kind>& HostHandles::Live() {
    static std::unordered_map<const void*, Kind> live;
    return live;
}

}  // namespace Graphics
