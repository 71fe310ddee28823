#include "graphics/bitmap/pixelconversion.h"

#include <array>
#include <cmath>
#include <cstring>

#include "graphics/bitmap/pixelformat.h"
#include "graphics/core/exception.h"

namespace Graphics {

namespace {

// ---- Pixel access ------------------------------------------------------------------------
// Rows of 24-bit and 1-bit formats, and windows starting at any x, are not 4-byte aligned:
// every multi-byte access goes through memcpy, which compiles to a plain load or store.

uint32_t Load32(const uint8_t* p) {
    uint32_t value;
    std::memcpy(&value, p, 4);
    return value;
}

void Store32(uint8_t* p, uint32_t value) {
    std::memcpy(p, &value, 4);
}

void Store24(uint8_t* p, uint32_t argb) {
    p[0] = uint8_t(argb);
    p[1] = uint8_t(argb >> 8);
    p[2] = uint8_t(argb >> 16);
}

constexpr uint32_t kAlphaMask = 0xFF000000u;

uint32_t Alpha(uint32_t argb) {
    return argb >> 24;
}

uint32_t LuminanceOf(uint32_t argb) {
    return PixelConversion::Luminance((argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF);
}

bool Overlap(const void* src, size_t srcBytes, const void* dst, size_t dstBytes) {
    auto s = reinterpret_cast<uintptr_t>(src);
    auto d = reinterpret_cast<uintptr_t>(dst);
    return s < d + dstBytes && d < s + srcBytes;
}

// ---- Row shapes --------------------------------------------------------------------------
// Each routine of the table is one of these shapes instantiated with its per-pixel rule,
// so the loops exist once and the rule inlines into them.

template <uint32_t (*Rule)(uint32_t)>
void Row32To32(const uint8_t* src, uint8_t* dst, int32_t count) {
    for (int32_t i = 0; i < count; ++i) Store32(dst + 4 * i, Rule(Load32(src + 4 * i)));
}

template <uint32_t (*Rule)(uint32_t)>
void Row32To24(const uint8_t* src, uint8_t* dst, int32_t count) {
    for (int32_t i = 0; i < count; ++i) Store24(dst + 3 * i, Rule(Load32(src + 4 * i)));
}

template <uint8_t (*Rule)(uint32_t)>
void Row32To8(const uint8_t* src, uint8_t* dst, int32_t count) {
    for (int32_t i = 0; i < count; ++i) dst[i] = Rule(Load32(src + 4 * i));
}

template <uint32_t (*Rule)(uint8_t)>
void Row8To32(const uint8_t* src, uint8_t* dst, int32_t count) {
    for (int32_t i = 0; i < count; ++i) Store32(dst + 4 * i, Rule(src[i]));
}

// Writes `count` bits MSB first, bit i being bitOf(i); the bits of the last byte past the
// row are kept.
template <class BitOf>
void PackBits(uint8_t* dst, int32_t count, BitOf bitOf) {
    int32_t whole = count / 8;
    for (int32_t byte = 0; byte < whole; ++byte) {
        uint32_t bits = 0;
        for (int32_t k = 0; k < 8; ++k) bits = (bits << 1) | uint32_t(bitOf(8 * byte + k));
        dst[byte] = uint8_t(bits);
    }
    int32_t rest = count - 8 * whole;
    if (rest > 0) {
        uint32_t bits = 0;
        for (int32_t k = 0; k < rest; ++k) bits = (bits << 1) | uint32_t(bitOf(8 * whole + k));
        bits <<= 8 - rest;
        uint32_t mask = (0xFF00u >> rest) & 0xFF;
        dst[whole] = uint8_t((dst[whole] & ~mask) | bits);
    }
}

template <bool (*Rule)(uint32_t)>
void Row32To1(const uint8_t* src, uint8_t* dst, int32_t count) {
    PackBits(dst, count, [src](int32_t i) { return Rule(Load32(src + 4 * i)); });
}

template <bool (*Rule)(uint8_t)>
void Row8To1(const uint8_t* src, uint8_t* dst, int32_t count) {
    PackBits(dst, count, [src](int32_t i) { return Rule(src[i]); });
}

bool BitAt(const uint8_t* src, int32_t i) {
    return (src[i >> 3] >> (7 - (i & 7))) & 1;
}

// Calls emit(i, mask) for `count` bits MSB first, mask being all ones for a set bit and 0
// otherwise, a source byte at a time so the choice of value needs no branch.
template <class Emit>
void ExpandBits(const uint8_t* src, int32_t count, Emit emit) {
    int32_t whole = count / 8;
    for (int32_t byte = 0; byte < whole; ++byte) {
        uint32_t bits = src[byte];
        for (int32_t k = 0; k < 8; ++k) emit(8 * byte + k, 0u - ((bits >> (7 - k)) & 1));
    }
    for (int32_t i = 8 * whole; i < count; ++i) emit(i, 0u - uint32_t(BitAt(src, i)));
}

template <uint32_t Set, uint32_t Clear>
void Row1To32(const uint8_t* src, uint8_t* dst, int32_t count) {
    ExpandBits(src, count, [dst](int32_t i, uint32_t mask) {
        Store32(dst + 4 * i, Clear ^ ((Set ^ Clear) & mask));
    });
}

void Row1To8(const uint8_t* src, uint8_t* dst, int32_t count) {
    ExpandBits(src, count, [dst](int32_t i, uint32_t mask) { dst[i] = uint8_t(mask); });
}

void CopyBits(const uint8_t* src, uint8_t* dst, int32_t count) {
    PackBits(dst, count, [src](int32_t i) { return BitAt(src, i); });
}

void Copy32(const uint8_t* src, uint8_t* dst, int32_t count) {
    if (count > 0) std::memmove(dst, src, size_t(count) * 4);
}

void Copy8(const uint8_t* src, uint8_t* dst, int32_t count) {
    if (count > 0) std::memmove(dst, src, size_t(count));
}

// ---- Per-pixel rules ---------------------------------------------------------------------

// 65536 * 255 / a rounded up. For c <= a <= 255 the product c * 255 * 2^16 is off from
// c * kUnpremultiply[a] by c * e with e < a, and c * e < 2^16 keeps the truncated quotient
// equal to c * 255 / a exactly (the tests check every pair).
constexpr std::array<uint32_t, 256> kUnpremultiply = [] {
    std::array<uint32_t, 256> table{};
    for (uint32_t a = 1; a < 256; ++a) table[a] = (255u * 65536u + a - 1) / a;
    return table;
}();

uint32_t Unpremultiply(uint32_t argb) {
    uint32_t a = Alpha(argb);
    if (a == 0) return argb;
    uint32_t scale = kUnpremultiply[a];
    auto channel = [&](int shift) {
        uint32_t c = (argb >> shift) & 0xFF;
        if (c > a) c = a;
        return ((c * scale) >> 16) << shift;
    };
    return (argb & kAlphaMask) | channel(16) | channel(8) | channel(0);
}

uint32_t UnpremultiplyOpaque(uint32_t argb) {
    return Unpremultiply(argb) | kAlphaMask;
}

uint32_t Premultiply(uint32_t argb) {
    uint32_t a = Alpha(argb);
    if (a == 255) return argb;
    auto channel = [&](int shift) { return ((((argb >> shift) & 0xFF) * (a + 1)) >> 8) << shift; };
    return (argb & kAlphaMask) | channel(16) | channel(8) | channel(0);
}

uint32_t ForceAlpha(uint32_t argb) {
    return argb | kAlphaMask;
}
uint32_t Keep(uint32_t argb) {
    return argb;
}

uint8_t AlphaByte(uint32_t argb) {
    return uint8_t(Alpha(argb));
}
uint8_t GammaGray(uint32_t argb) {
    return PixelConversion::GrayGammaTable()[LuminanceOf(argb)];
}
bool GammaGrayIsLight(uint32_t argb) {
    return GammaGray(argb) >= 128;
}
bool AlphaIsSet(uint32_t argb) {
    return Alpha(argb) != 0;
}

uint32_t WhiteTimesAlpha(uint8_t a) {
    return uint32_t(a) * 0x01010101u;
}
uint32_t WhiteWithAlpha(uint8_t a) {
    return (uint32_t(a) << 24) | 0x00FFFFFFu;
}
uint32_t OpaqueGray(uint8_t v) {
    return kAlphaMask | uint32_t(v) * 0x010101u;
}
bool NonZero(uint8_t v) {
    return v != 0;
}

// ---- Rows with no shared shape -----------------------------------------------------------

void RGB24ToOpaque32(const uint8_t* src, uint8_t* dst, int32_t count) {
    for (int32_t i = 0; i < count; ++i) {
        const uint8_t* p = src + 3 * i;
        Store32(dst + 4 * i, kAlphaMask | (uint32_t(p[2]) << 16) | (uint32_t(p[1]) << 8) | p[0]);
    }
}

void RGB24ToGray8(const uint8_t* src, uint8_t* dst, int32_t count) {
    for (int32_t i = 0; i < count; ++i) {
        const uint8_t* p = src + 3 * i;
        dst[i] = uint8_t(PixelConversion::Luminance(p[2], p[1], p[0]));
    }
}

// The table's entry points for the vector routines: the vector loop reads ahead of what it
// writes, which is only safe when the rows are apart.
void Premultiply32(const uint8_t* src, uint8_t* dst, int32_t count) {
    static const RowConverter row = PixelConversion::kPremultiplyForms.Active();
    if (count > 0 && Overlap(src, size_t(count) * 4, dst, size_t(count) * 4))
        PixelConversion::PremultiplyScalar(src, dst, count);
    else
        row(src, dst, count);
}

void ExtractAlpha32(const uint8_t* src, uint8_t* dst, int32_t count) {
    static const RowConverter row = PixelConversion::kExtractAlphaForms.Active();
    if (count > 0 && Overlap(src, size_t(count) * 4, dst, size_t(count)))
        PixelConversion::ExtractAlphaScalar(src, dst, count);
    else
        row(src, dst, count);
}

void ForceAlpha32(const uint8_t* src, uint8_t* dst, int32_t count) {
    static const RowConverter row = PixelConversion::kForceAlphaForms.Active();
    if (count > 0 && Overlap(src, size_t(count) * 4, dst, size_t(count) * 4))
        PixelConversion::ForceAlphaScalar(src, dst, count);
    else
        row(src, dst, count);
}

// ---- The table ---------------------------------------------------------------------------

constexpr RowConverter E = PixelConversion::ThrowBadConversion;

// Rows: source format 1..10; columns: destination format 1..10.
const RowConverter kTable[10][10] = {
    // RGB24
    {E, RGB24ToOpaque32, RGB24ToOpaque32, RGB24ToOpaque32, E, E, RGB24ToGray8, E, E, E},
    // PARGB32
    {Row32To24<Unpremultiply>, E, Row32To32<Unpremultiply>, Row32To32<UnpremultiplyOpaque>,
     ExtractAlpha32, Row32To8<GammaGray>, Row32To8<GammaGray>, Row32To1<AlphaIsSet>,
     Row32To1<GammaGrayIsLight>, Row32To1<GammaGrayIsLight>},
    // ARGB32
    {Row32To24<Keep>, Premultiply32, Copy32, ForceAlpha32, ExtractAlpha32, E, Row32To8<GammaGray>,
     Row32To1<AlphaIsSet>, E, E},
    // RGB32
    {Row32To24<Keep>, ForceAlpha32, ForceAlpha32, E, E, E, Row32To8<GammaGray>, E, E,
     Row32To1<GammaGrayIsLight>},
    // A8
    {E, Row8To32<WhiteTimesAlpha>, Row8To32<WhiteWithAlpha>, Row8To32<OpaqueGray>, E, E, E,
     Row8To1<NonZero>, E, E},
    // Indexed8: palette lookups happen before the table (PixelFormatConverter).
    {E, E, E, E, E, E, E, E, E, E},
    // Gray8
    {E, Row8To32<OpaqueGray>, Row8To32<OpaqueGray>, Row8To32<OpaqueGray>, E, Copy8, E, E, E,
     Row8To1<NonZero>},
    // A1
    {E, Row1To32<0xFFFFFFFFu, 0x00000000u>, Row1To32<0xFFFFFFFFu, 0x00FFFFFFu>,
     Row1To32<0xFFFFFFFFu, 0xFF000000u>, Row1To8, E, Row1To8, E, CopyBits, E},
    // Indexed1
    {E, E, E, E, E, E, E, E, E, E},
    // Gray1
    {E, Row1To32<0xFFFFFFFFu, 0xFF000000u>, Row1To32<0xFFFFFFFFu, 0xFF000000u>,
     Row1To32<0xFFFFFFFFu, 0xFF000000u>, E, E, Row1To8, E, CopyBits, E},
};

}  // namespace

RowConverter PixelConversion::Get(GXPixelFormat from, GXPixelFormat to) {
    if (!PixelFormat::IsValid(from) || !PixelFormat::IsValid(to)) return nullptr;
    return kTable[from - 1][to - 1];
}

void PixelConversion::ThrowBadConversion(const uint8_t*, uint8_t*, int32_t) {
    GX_RAISE("Bad format conversion");
}

const uint8_t* PixelConversion::GrayGammaTable() {
    static const std::array<uint8_t, 256> table = [] {
        std::array<uint8_t, 256> entries{};
        for (int i = 0; i < 256; ++i)
            entries[i] = uint8_t(std::lround(255.0 * std::pow(i / 255.0, 1.0 / 2.2)));
        return entries;
    }();
    return table.data();
}

// ---- Scalar twins of the vector rows ----------------------------------------------------

const SimdKernel<RowConverter> PixelConversion::kPremultiplyForms{
    &PremultiplyScalar, GX_SSE2_FORM(PremultiplySse2), nullptr};
const SimdKernel<RowConverter> PixelConversion::kExtractAlphaForms{
    &ExtractAlphaScalar, GX_SSE2_FORM(ExtractAlphaSse2), nullptr};
const SimdKernel<RowConverter> PixelConversion::kForceAlphaForms{
    &ForceAlphaScalar, GX_SSE2_FORM(ForceAlphaSse2), nullptr};

void PixelConversion::PremultiplyScalar(const uint8_t* src, uint8_t* dst, int32_t count) {
    Row32To32<Premultiply>(src, dst, count);
}

void PixelConversion::ExtractAlphaScalar(const uint8_t* src, uint8_t* dst, int32_t count) {
    Row32To8<AlphaByte>(src, dst, count);
}

void PixelConversion::ForceAlphaScalar(const uint8_t* src, uint8_t* dst, int32_t count) {
    Row32To32<ForceAlpha>(src, dst, count);
}

}  // namespace Graphics
