#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace Graphics {

class GpuDevice;

// One stage's constants for one draw: 16-byte registers in the order the composed shader's
// constant record declares its members (composition first, then the fragments).
class GpuConstantTable {
public:
    virtual ~GpuConstantTable() = default;

    // Writes register `index`, growing the table with zero registers as needed.
    void Set(uint32_t index, float x, float y, float z, float w);
    // An immutable constant buffer of the registers, bound to the stage; nothing for an
    // empty table or a lost device.
    virtual void Apply(GpuDevice& device) const = 0;

protected:
    void ApplyTo(GpuDevice& device, int stage) const;

private:
    std::vector<std::array<float, 4>> registers_;
};

class GpuVertexShaderConstantTable : public GpuConstantTable {
public:
    void Apply(GpuDevice& device) const override;
};

class GpuPixelShaderConstantTable : public GpuConstantTable {
public:
    void Apply(GpuDevice& device) const override;
};

}  // namespace Graphics
