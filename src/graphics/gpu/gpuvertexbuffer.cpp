#include "graphics/gpu/gpuvertexbuffer.h"

#include <cstring>

#include "graphics/gpu/gpudevice.h"

namespace Graphics {

GpuVertexBuffer::GpuVertexBuffer(std::shared_ptr<GpuDevice> device) : GpuResource(std::move(device)) {}

void GpuVertexBuffer::AddVertex(float x, float y, uint32_t argb) {
    constexpr float k = 1.0f / 255.0f;
    pending_.push_back(Vertex{x, y, float(argb >> 16 & 0xFF) * k, float(argb >> 8 & 0xFF) * k,
                              float(argb & 0xFF) * k, float(argb >> 24) * k});
}

void GpuVertexBuffer::Bind() {
    std::lock_guard lock(mutex_);
    GpuDevice& device = *Device();
    if (!pending_.empty()) {
        // The earlier upload stays in front: a second upload before Reset appends to it.
        const uint32_t total = VertexCount();
        const uint32_t bytes = total * uint32_t(sizeof(Vertex));
        std::shared_ptr<GpuBuffer> previous;
        if (!buffer_ || capacity_ < bytes) {
            previous = std::move(buffer_);
            buffer_ = device.CreateVertexBuffer(bytes);
            capacity_ = buffer_ ? bytes : 0;
        }
        if (uint8_t* bytesOut = buffer_ ? device.MapBuffer(*buffer_) : nullptr) {
            const size_t kept = size_t(uploaded_) * sizeof(Vertex);
            if (previous && kept) {
                if (const uint8_t* old = device.MapBuffer(*previous)) std::memcpy(bytesOut, old, kept);
            }
            std::memcpy(bytesOut + kept, pending_.data(), pending_.size() * sizeof(Vertex));
        }
        uploaded_ = total;
        pending_.clear();
    }
    device.SetVertexBuffer(buffer_);
}

void GpuVertexBuffer::Reset() {
    pending_.clear();
    uploaded_ = 0;
}

void GpuVertexBuffer::ReleaseGpuObject() {
    std::lock_guard lock(mutex_);
    buffer_.reset();
    capacity_ = 0;
}

}  // namespace Graphics
