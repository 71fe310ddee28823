#pragma once

#include <cstdint>

namespace Graphics {

// Copies `count` pixels of a 1-bit row that start at bit `srcBit` of `src` so that they start
// at bit `dstBit` of `dst`, leaving every other bit of `dst` as it was. Bits are counted from
// the most significant bit of the first byte, as 1-bit rows are stored. `src` must hold the
// bytes up to bit srcBit + count; the rows must not overlap.
void CopyBitRow(const uint8_t* src, int64_t srcBit, uint8_t* dst, int64_t dstBit, int64_t count);

}  // namespace Graphics
