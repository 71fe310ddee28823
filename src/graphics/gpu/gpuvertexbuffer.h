#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "graphics/gpu/gpuresource.h"

namespace Graphics {

class GpuBuffer;

// The vertices of one batch: appended on the CPU as the scan converter delivers them, then
// uploaded into one dynamic GPU buffer just before the draw. The GPU buffer grows to the
// largest batch and is kept; device loss or eviction drops it and the next upload makes it
// again.
class GpuVertexBuffer : public GpuResource {
public:
    // The input layout of every composed shader: position in target pixels (pixel centres
    // at half-integers), then the colour as four floats 0..1.
    struct Vertex {
        float x, y;
        float r, g, b, a;
    };

    explicit GpuVertexBuffer(std::shared_ptr<GpuDevice> device);

    // Appends (x, y) with the packed colour 0xAARRGGBB, each byte divided by 255.
    void AddVertex(float x, float y, uint32_t argb);
    // Pending plus uploaded vertices: what the next draw draws.
    uint32_t VertexCount() const { return uint32_t(pending_.size()) + uploaded_; }
    // Uploads the pending vertices after those already uploaded and makes the buffer the
    // draw's vertex source. While the device is lost nothing is copied, yet the vertices
    // count as uploaded (the device skips the draw).
    void Bind();
    // Forgets every vertex, pending and uploaded.
    void Reset();

    bool IsValid() const override { return true; }
    void ReleaseGpuObject() override;

private:
    mutable std::recursive_mutex mutex_;  // guards buffer_ against release elsewhere
    std::shared_ptr<GpuBuffer> buffer_;   // dynamic GPU buffer, or null
    uint32_t uploaded_ = 0;               // vertices placed in buffer_ since the last Reset
    uint32_t capacity_ = 0;               // bytes of buffer_
    std::vector<Vertex> pending_;         // appended since the last upload
};

}  // namespace Graphics
