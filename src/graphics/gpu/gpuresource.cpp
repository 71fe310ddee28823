#include "graphics/gpu/gpuresource.h"

#include "graphics/gpu/gpudevice.h"

namespace Graphics {

GpuResource::GpuResource(std::shared_ptr<GpuDevice> device) : device_(std::move(device)) {
    device_->Tracker().Register(this);
}

GpuResource::~GpuResource() { device_->Tracker().Unregister(this); }

}  // namespace Graphics
