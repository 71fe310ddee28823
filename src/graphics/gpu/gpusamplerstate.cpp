#include "graphics/gpu/gpusamplerstate.h"

#include "graphics/core/exception.h"
#include "graphics/gpu/gputexture.h"

namespace Graphics {

void GpuSamplerState::SetTexture(std::shared_ptr<GpuTexture> texture, int32_t addressU,
                                 int32_t addressV, int32_t filter) {
    if (count_ == GpuDevice::SlotCount) GX_RAISE("Sampler index is out of range");
    entries_[count_++] = {std::move(texture), addressU, addressV, filter};
}

void GpuSamplerState::ApplyBindings() {
    for (uint32_t i = 0; i < count_; ++i) {
        const Entry& e = entries_[i];
        std::shared_ptr<GpuImage> image = e.texture ? e.texture->Image() : nullptr;
        if (image) {
            device_->Tracker().Touch(e.texture.get());
            device_->SetTexture(i, std::move(image));
            device_->SetSamplerState(i, e.addressU, e.addressV, e.filter);
        } else {
            device_->SetTexture(i, nullptr);
        }
    }
}

}  // namespace Graphics
