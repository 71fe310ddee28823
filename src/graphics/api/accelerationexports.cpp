// Export: the thread switch to hardware rendering.
#include "graphics/api/exportguard.h"
#include "graphics/gpu/gpurendertargetfactory.h"

using namespace Graphics;

GXResult GXEnableHWAccelerationForThread(void) {
    return ExportGuard([] {
        std::unique_ptr<HwRenderTargetFactory>& slot = HwRenderTargetFactory::ThreadSlot();
        if (slot) return;
        try {
            slot = std::make_unique<GpuRenderTargetFactory>();
        } catch (const Exception&) {
            // No usable GPU here: the thread's windows are drawn in software, as before.
        }
    });
}
