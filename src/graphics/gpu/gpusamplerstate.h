#pragma once

#include <cstdint>
#include <memory>

#include "graphics/gpu/gpudevice.h"

namespace Graphics {

class GpuTexture;

// The textures of one draw with their sampler settings; entry i binds to texture and
// sampler slot i, the registers the composed pixel shader gives its i-th texture.
class GpuSamplerState {
public:
    explicit GpuSamplerState(std::shared_ptr<GpuDevice> device) : device_(std::move(device)) {}

    // Raises "Sampler index is out of range" for a ninth texture.
    void SetTexture(std::shared_ptr<GpuTexture> texture, int32_t addressU, int32_t addressV,
                    int32_t filter);
    // Binds every entry (a texture whose GPU image is gone binds nothing) and marks the
    // textures used by the paint in progress. Slots past the count keep what they held.
    void ApplyBindings();

private:
    struct Entry {
        std::shared_ptr<GpuTexture> texture;
        int32_t addressU;
        int32_t addressV;
        int32_t filter;
    };
    std::shared_ptr<GpuDevice> device_;
    Entry entries_[GpuDevice::SlotCount];
    uint32_t count_ = 0;  // entries in use
};

}  // namespace Graphics
