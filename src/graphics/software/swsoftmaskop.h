#pragma once

#include <cstdint>
#include <memory>

#include "graphics/software/swoperation.h"
#include "graphics/software/swsoftmask.h"

namespace Graphics {

// The common part of the soft-mask operations: the mask source is read in chunks of up to
// kChunk pixels into stack buffers, turned into one mask byte per pixel by the kind's
// function, and handed to the derived operation to apply. Nothing is allocated per span.
class SwSoftMaskOp : public SwOperation {
public:
    // Raises "Unsupported soft mask type." for a kind outside 0..3 or a mask without source.
    SwSoftMaskOp(int32_t orderKey, const SwSoftMask& mask);
    void Process(SwSpanState& state) override;

    // Mask bytes of `count` mask pixels.
    using MaskFunction = void (*)(const uint32_t* pixels, int32_t count, uint8_t* mask);
    // The function of `kind`, null for an unknown kind.
    static MaskFunction FunctionOf(int32_t kind);

    static constexpr int32_t kChunk = 1024;  // pixels fetched per FillSpan call

protected:
    // Applies mask[0 .. count) to the span's pixels [offset, offset + count).
    virtual void ApplyChunk(SwSpanState& state, int32_t offset, const uint8_t* mask,
                            int32_t count) = 0;

private:
    std::shared_ptr<SwColorSource> source_;  // the mask pixels, never null
    MaskFunction function_;                  // the kind's conversion, never null
};

}  // namespace Graphics
