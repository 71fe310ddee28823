#pragma once

#include <cstdint>
#include <memory>

namespace Graphics {

class GpuDevice;

// The base of every renderer object that owns a GPU object (textures, vertex buffers,
// shaders): registered with the device's tracker for its whole life, so that device loss
// can release every GPU object and memory pressure can evict idle ones. The object itself
// survives either; IsValid then says its GPU object is gone.
class GpuResource {
public:
    explicit GpuResource(std::shared_ptr<GpuDevice> device);
    virtual ~GpuResource();
    GpuResource(const GpuResource&) = delete;
    GpuResource& operator=(const GpuResource&) = delete;

    // True while the GPU object exists.
    virtual bool IsValid() const = 0;
    // Frees the GPU object and keeps this object.
    virtual void ReleaseGpuObject() = 0;

    const std::shared_ptr<GpuDevice>& Device() const { return device_; }
    // Evictable resources pass through the in-use and idle lists when touched.
    void SetEvictable(bool evictable) { evictable_ = evictable; }

private:
    friend class GpuResourceTracker;

    std::shared_ptr<GpuDevice> device_;  // outlives this resource
    GpuResource* next_ = nullptr;        // links of the tracker list holding it
    GpuResource* previous_ = nullptr;
    int32_t list_ = -1;                  // which tracker list holds it; -1 none
    int32_t stamp_ = 0;                  // frame depth that put it in use; 0 not in use
    bool evictable_ = false;
};

}  // namespace Graphics
