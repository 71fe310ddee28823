#include "graphics/bitmap/bitrow.h"

#include <algorithm>

namespace Graphics {

void CopyBitRow(const uint8_t* src, int64_t srcBit, uint8_t* dst, int64_t dstBit, int64_t count) {
    if (count <= 0) return;
    src += srcBit / 8;
    dst += dstBit / 8;
    const int64_t srcShift = srcBit % 8, dstShift = dstBit % 8;
    const int64_t srcBytes = (srcShift + count + 7) / 8;
    const int64_t end = dstShift + count;  // one past the last destination bit
    // Destination byte j holds source bits from s = 8j - dstShift + srcShift on: the eight
    // bits from bit s % 8 of source byte s / 8 across its successor (floor division; bits
    // before the row or past its last byte read as 0 and are masked off anyway).
    for (int64_t j = 0; j < (end + 7) / 8; ++j) {
        const int64_t s = 8 * j - dstShift + srcShift;
        const int64_t byte = s >= 0 ? s / 8 : -1;
        const int64_t offset = s - 8 * byte;
        const uint32_t high = byte >= 0 && byte < srcBytes ? src[byte] : 0;
        const uint32_t low = byte + 1 >= 0 && byte + 1 < srcBytes ? src[byte + 1] : 0;
        const uint32_t value = ((high << 8 | low) >> (8 - offset)) & 0xFF;
        const int64_t first = std::max<int64_t>(dstShift - 8 * j, 0);
        const int64_t last = std::min<int64_t>(end - 8 * j, 8);
        const uint32_t mask = (0xFFu >> first) & (0xFFu << (8 - last));
        dst[j] = uint8_t((dst[j] & ~mask) | (value & mask));
    }
}

}  // namespace Graphics
