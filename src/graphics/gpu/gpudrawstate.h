#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "graphics/gpu/gpuconstanttable.h"
#include "graphics/gpu/gpusamplerstate.h"
#include "graphics/gpu/shaderkey.h"
#include "gx.h"

namespace Graphics {

class GpuDevice;
class GpuTexture;
class GpuVertexBuffer;
struct GpuColorSource;
struct GpuMaskSource;

// Everything one draw call needs, gathered operation by operation: the shader key (a
// composition, a blend mode and the fragments in the order they multiply), the vertex and
// pixel constants in register order and the textures in slot order. Vertex positions are
// in the pixels of the sub-target being drawn; the composition's own textures and
// constants come first in registers and slots, whatever the order of the calls.
class GpuDrawState {
public:
    // `view` is the rectangle of positions that maps onto the whole render target.
    GpuDrawState(std::shared_ptr<GpuDevice> device, int32_t compositionKind, int32_t blendMode,
                 const GXIntRect& view);

    // A texture the composition reads, with its sampling transform from positions, or
    // null to share the previous one's coordinates (a group's shape buffer).
    void AddCompositionTexture(std::shared_ptr<GpuTexture> texture, const GXMatrix* transform);
    // The colour: SC for a colour other than white outside the fast composition (there the
    // vertices carry it), then BCP or BC for the texture.
    void AddColorSource(const GpuColorSource& source);
    void AddOpacityMask(const GpuMaskSource& mask) { AddMask(mask, false); }
    void AddShapeMask(const GpuMaskSource& mask) { AddMask(mask, true); }

    // Draws the vertices as one triangle strip into `colour` (and `shape`, for the group
    // compositions). Nothing when the target's GPU image is gone or the device is lost.
    void Draw(GpuTexture& colour, GpuTexture* shape, GpuVertexBuffer& vertices);

private:
    struct Fragment {
        int32_t id;
        bool hasTransform;
        GXMatrix transform;  // positions -> texture coordinates
        bool hasPixelConstant;
        float constant[4];   // SC colour, or SO/SS factor in the first element
        std::shared_ptr<GpuTexture> texture;
        int32_t addressU, addressV, filter;
    };
    struct CompositionTexture {
        std::shared_ptr<GpuTexture> texture;
        bool hasTransform;
        GXMatrix transform;
    };

    void AddMask(const GpuMaskSource& mask, bool shape);
    void AddTextureFragment(int32_t id, const GpuColorSource& source);

    std::shared_ptr<GpuDevice> device_;
    int32_t compositionKind_;
    int32_t blendMode_;
    std::vector<CompositionTexture> composition_;
    std::vector<Fragment> fragments_;
};

}  // namespace Graphics
