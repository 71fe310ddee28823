#pragma once

#include <memory>
#include <mutex>
#include <vector>

#include "graphics/bitmap/bitmapbase.h"
#include "graphics/gpu/gpudevice.h"
#include "graphics/gpu/gpuresource.h"

namespace Graphics {

// A GPU texture that is also a bitmap: the rest of the library locks, reads, fills and
// copies it like any other. Locks map a staging copy in system memory; the GPU image may be
// released at any time by eviction or device loss (IsValid), under the texture's mutex.
class GpuTexture : public BitmapBase, public GpuResource {
public:
    GpuTexture(std::shared_ptr<GpuDevice> device, GXIntSize size, GXPixelFormat format, float dpiX,
               float dpiY, std::shared_ptr<GpuImage> image);

    std::shared_ptr<Palette> GetPalette() const override { return {}; }
    // Raises "Not applicable": textures have no palette.
    void SetPalette(std::shared_ptr<Palette> palette) override;
    // Copies `rect` (null: all) of `source` so that its top-left lands at `point` (null:
    // 0,0), both clipped to their textures as CopyFromSource clips; an empty rectangle, or
    // a released image on either side, copies nothing.
    void CopyFromTexture(const GXIntPoint* point, GpuTexture& source, const GXIntRect* rect);

    bool IsValid() const override;
    void ReleaseGpuObject() override;
    // The GPU image, or null once released.
    std::shared_ptr<GpuImage> Image() const;

protected:
    // Maps a new staging surface of `width` x `height` for a lock. While the device is lost
    // the lock gets zeroed system memory instead, whose writes go nowhere: lockers never
    // see a null window.
    GXBitmapData MapStaging(uint32_t width, uint32_t height);
    // Ends what Lock began, however Unlock leaves: drops the staging surface and unlocks
    // the mutex.
    class LockEnd {
    public:
        explicit LockEnd(GpuTexture& texture) : texture_(texture) {}
        ~LockEnd();
        LockEnd(const LockEnd&) = delete;
        LockEnd& operator=(const LockEnd&) = delete;

    private:
        GpuTexture& texture_;
    };

    mutable std::recursive_mutex mutex_;          // held from Lock to Unlock, and around uses of image_
    std::shared_ptr<GpuImage> image_;             // null once released
    std::shared_ptr<GpuStagingSurface> staging_;  // the current lock's copy, or null
    std::vector<uint8_t> lostScratch_;            // the current lock's memory while lost
    uint32_t lockMode_ = 0;                       // LockMode bits of the current lock
};

}  // namespace Graphics
