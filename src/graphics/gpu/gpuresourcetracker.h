#pragma once

#include <cstdint>
#include <mutex>

namespace Graphics {

class GpuResource;

// Knows every resource of a device and which of them the paints in progress use, so that
// memory pressure evicts only what no paint needs, least recently used first. Paints nest
// (layers, targets sharing the device): the frame depth counts them, and a resource is
// stamped with the depth of the paint that first used it.
class GpuResourceTracker {
public:
    void Register(GpuResource* resource);
    void Unregister(GpuResource* resource);
    // An evictable resource not yet in use joins the in-use list, stamped with the depth.
    void Touch(GpuResource* resource);
    void BeginFrame();
    // The resources first used by the innermost paint become idle, the most recent last;
    // those an enclosing paint used stay in use.
    void EndFrame();
    // Releases the GPU object of the least recently used idle resource; false when no
    // resource is idle.
    bool EvictOne();
    // Releases every GPU object (device loss); the resources stay registered.
    void ReleaseAll();

    int32_t FrameDepth() const;
    // How many resources are in use and idle (for the tests of the lists' bookkeeping).
    size_t InUseCount() const;
    size_t IdleCount() const;
    std::recursive_mutex& Mutex() const { return mutex_; }

private:
    enum ListId { Resident, InUse, Idle, ListCount };
    struct List {
        GpuResource* head = nullptr;
        GpuResource* tail = nullptr;
        size_t count = 0;
    };
    void Unlink(GpuResource* resource);
    void Append(ListId list, GpuResource* resource);

    mutable std::recursive_mutex mutex_;  // eviction runs inside creating calls: recursive
    List lists_[ListCount];               // resident, in use (by first use), idle (oldest first)
    int32_t frameDepth_ = 0;              // paints in progress
};

}  // namespace Graphics
