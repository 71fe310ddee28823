#include "graphics/software/swbitmapsampler.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <type_traits>

#include "graphics/bitmap/bitmap.h"
#include "graphics/bitmap/pixelformat.h"
#include "graphics/bitmap/sysmembitmap.h"
#include "graphics/core/exception.h"
#include "graphics/geometry/matrix.h"
#include "graphics/paint/bitmapbrush.h"
#include "graphics/software/swpixel.h"
#include "graphics/software/swreducedbitmapcache.h"

namespace Graphics {

namespace {

// What a palette index the palette does not reach (or any index without a palette) reads.
constexpr uint32_t kMissingPaletteColor = 0xFF000000u;

// Positions are clamped to this before they become indices; far beyond any bitmap size,
// yet small enough that index + 1 still fits 32 bits.
constexpr float kPositionLimit = 1073741824.0f;  // 2^30

inline float ClampPosition(float v) {
    if (!(v > -kPositionLimit)) return -kPositionLimit;  // NaN too
    return v < kPositionLimit ? v : kPositionLimit;
}

// floor of a clamped position. Truncation rounds toward zero, so negative non-integers step
// down once; without SSE4.1 this beats a call to floorf.
inline int32_t FloorClamped(float v) {
    const int32_t i = int32_t(v);
    return float(i) > v ? i - 1 : i;
}

// The pixel index of position `v`, of any size (NaN reads as the low limit).
inline int32_t FloorToIndex(float v) {
    return FloorClamped(ClampPosition(v));
}

// An index inside 0..n-1 is its own pixel under every extend mode; only the others pay for
// the general function.
inline int32_t Extend(int32_t mode, int32_t i, int32_t n) {
    return uint32_t(i) < uint32_t(n) ? i : BitmapBrush::ExtendIndex(mode, i, n);
}

inline uint32_t ReadBit(const uint8_t* row, int32_t ix) {
    return (row[ix >> 3] >> (7 - (ix & 7))) & 1u;
}

// Pixel formats: Fetch gives the pixel "as fetched" (what bilinear mixing works on),
// kStraight says whether that is straight ARGB to be premultiplied after mixing, and
// kPlain32 whether the as-fetched pixel is simply the four bytes stored, so that a pixel
// and its right neighbour come in one 8-byte load.
struct FormatPargb32 {
    static constexpr bool kStraight = false;
    static constexpr bool kPlain32 = true;
    static uint32_t Fetch(const uint8_t* row, int32_t ix, int32_t, const uint32_t*) {
        uint32_t v;
        std::memcpy(&v, row + 4 * ix, 4);
        return v;
    }
};
struct FormatArgb32 {
    static constexpr bool kStraight = true;
    static constexpr bool kPlain32 = true;
    static uint32_t Fetch(const uint8_t* row, int32_t ix, int32_t, const uint32_t*) {
        uint32_t v;
        std::memcpy(&v, row + 4 * ix, 4);
        return v;
    }
};
// RGB24 and RGB32 differ only in bytes per pixel; the fourth byte of RGB32 is ignored.
struct FormatRgb {
    static constexpr bool kStraight = false;
    static constexpr bool kPlain32 = false;
    static uint32_t Fetch(const uint8_t* row, int32_t ix, int32_t bytesPerPixel, const uint32_t*) {
        const uint8_t* p = row + ix * bytesPerPixel;
        return 0xFF000000u | (uint32_t(p[2]) << 16) | (uint32_t(p[1]) << 8) | p[0];
    }
};
// Alpha-only pixels read as white with that alpha, premultiplied: all four channels equal.
struct FormatA8 {
    static constexpr bool kStraight = false;
    static constexpr bool kPlain32 = false;
    static uint32_t Fetch(const uint8_t* row, int32_t ix, int32_t, const uint32_t*) {
        return row[ix] * 0x01010101u;
    }
};
struct FormatIndexed8 {
    static constexpr bool kStraight = true;
    static constexpr bool kPlain32 = false;
    static uint32_t Fetch(const uint8_t* row, int32_t ix, int32_t, const uint32_t* palette) {
        return palette[row[ix]];
    }
};
struct FormatGray8 {
    static constexpr bool kStraight = false;
    static constexpr bool kPlain32 = false;
    static uint32_t Fetch(const uint8_t* row, int32_t ix, int32_t, const uint32_t*) {
        return 0xFF000000u | (row[ix] * 0x00010101u);
    }
};
struct FormatA1 {
    static constexpr bool kStraight = false;
    static constexpr bool kPlain32 = false;
    static uint32_t Fetch(const uint8_t* row, int32_t ix, int32_t, const uint32_t*) {
        return ReadBit(row, ix) ? 0xFFFFFFFFu : 0u;
    }
};
struct FormatIndexed1 {
    static constexpr bool kStraight = true;
    static constexpr bool kPlain32 = false;
    static uint32_t Fetch(const uint8_t* row, int32_t ix, int32_t, const uint32_t* palette) {
        return palette[ReadBit(row, ix)];
    }
};
struct FormatGray1 {
    static constexpr bool kStraight = false;
    static constexpr bool kPlain32 = false;
    static uint32_t Fetch(const uint8_t* row, int32_t ix, int32_t, const uint32_t*) {
        return ReadBit(row, ix) ? 0xFFFFFFFFu : 0xFF000000u;
    }
};

template <class Format>
inline uint32_t Finish(uint32_t fetched, uint32_t opacityWeight) {
    if constexpr (Format::kStraight) fetched = SwColorSource::Premultiply(fetched);
    return SwColorSource::ApplyOpacity(fetched, opacityWeight);
}

template <class Format>
void FetchRow(const uint8_t* row, int32_t count, int32_t bytesPerPixel, const uint32_t* palette,
              uint32_t* out) {
    for (int32_t i = 0; i < count; ++i) out[i] = Format::Fetch(row, i, bytesPerPixel, palette);
}

// The format's traits handed to `visit` as a template argument; false for a code that
// names no format this sampler reads.
template <class Visit>
bool VisitFormat(int32_t format, Visit&& visit) {
    switch (format) {
        case PixelFormat::PARGB32:
            visit.template operator()<FormatPargb32>();
            return true;
        case PixelFormat::ARGB32:
            visit.template operator()<FormatArgb32>();
            return true;
        case PixelFormat::RGB24:
        case PixelFormat::RGB32:
            visit.template operator()<FormatRgb>();
            return true;
        case PixelFormat::A8:
            visit.template operator()<FormatA8>();
            return true;
        case PixelFormat::Indexed8:
            visit.template operator()<FormatIndexed8>();
            return true;
        case PixelFormat::Gray8:
            visit.template operator()<FormatGray8>();
            return true;
        case PixelFormat::A1:
            visit.template operator()<FormatA1>();
            return true;
        case PixelFormat::Indexed1:
            visit.template operator()<FormatIndexed1>();
            return true;
        case PixelFormat::Gray1:
            visit.template operator()<FormatGray1>();
            return true;
        default:
            return false;
    }
}

// The bitmap as something lockable: a Bitmap's own implementation, a BitmapBase itself, or
// else a system-memory copy of the source's pixels made once here.
std::shared_ptr<BitmapBase> LockableBitmap(const std::shared_ptr<BitmapSource>& source,
                                           GXIntSize size) {
    if (auto bitmap = std::dynamic_pointer_cast<Bitmap>(source)) return bitmap->GetImpl();
    if (auto base = std::dynamic_pointer_cast<BitmapBase>(source)) return base;
    const GXPixelFormat format = source->GetPixelFormat();
    if (!PixelBuffer::CanRepresent(size.width, size.height, PixelFormat::GetBitsPerPixel(format)))
        GX_RAISE("Not enough memory");
    auto copy = std::make_shared<SysMemBitmap>(size, format, source->GetDpiX(), source->GetDpiY());
    copy->SetPalette(source->GetPalette());
    const PixelBuffer& buffer = copy->Buffer();
    source->CopyPixels(nullptr, buffer.data.get(), buffer.stride,
                       int32_t(PixelFormat::GetRowBytes(format, size.width)));
    return copy;
}

}  // namespace

SwBitmapSampler::SwBitmapSampler(const std::shared_ptr<BitmapSource>& bitmap,
                                 const GXMatrix& bitmapToDevice, int32_t extendX, int32_t extendY,
                                 int32_t samplingMode, float opacity)
    : matrix_{},
      data_{},
      bytesPerPixel_(0),
      opacityWeight_(OpacityWeight(opacity)),
      width_(0),
      height_(0),
      extendX_(extendX),
      extendY_(extendY),
      sampleProc_(nullptr),
      generalSampleProc_(nullptr),
      paletteColors_{} {
    int32_t format = bitmap->GetPixelFormat();
    if (!VisitFormat(format, []<class>() {})) GX_RAISE("Not implemented");
    const GXIntSize size = bitmap->GetSize();
    GXMatrix inverse;
    if (size.width <= 0 || size.height <= 0 || !InvertMatrix(bitmapToDevice, inverse)) return;
    // Integer device coordinates sample the centres of device pixels.
    inverse.e += (inverse.a + inverse.c) / 2;
    inverse.f += (inverse.b + inverse.d) / 2;
    if (!IsFiniteMatrix(inverse)) return;
    matrix_ = inverse;

    if (PixelFormat::IsIndexed(format)) {
        std::fill(std::begin(paletteColors_), std::end(paletteColors_), kMissingPaletteColor);
        if (auto palette = bitmap->GetPalette()) {
            const size_t count = std::min<size_t>(palette->GetNumColors(), 256);
            std::copy(palette->GetColors(), palette->GetColors() + count, paletteColors_);
        }
    }
    bitmap_ = LockableBitmap(bitmap, size);
    lock_ = std::make_unique<BitmapLock>(*bitmap_, nullptr, LockMode::Read);
    data_ = lock_->Data();
    width_ = size.width;
    height_ = size.height;
    bytesPerPixel_ = PixelFormat::GetBitsPerPixel(format) / 8;

    if (samplingMode == BitmapSamplingBoxBilinear) {
        samplingMode = BitmapSamplingBilinear;
        // How many bitmap pixels one device pixel spans along x, and across it.
        const float sx = std::sqrt(matrix_.a * matrix_.a + matrix_.b * matrix_.b);
        const float sy = std::fabs(matrix_.a * matrix_.d - matrix_.b * matrix_.c) / sx;
        if (sx > 1.01f && sy > 1.01f) {
            // Both quotients lie within 0..size, so the conversions are safe.
            const int32_t reducedWidth = std::max(1, int32_t(float(width_) / sx + 0.5f));
            const int32_t reducedHeight = std::max(1, int32_t(float(height_) / sy + 0.5f));
            const float scaleX = float(reducedWidth) / float(width_);
            const float scaleY = float(reducedHeight) / float(height_);
            matrix_ = GXMatrix{matrix_.a * scaleX, matrix_.b * scaleY, matrix_.c * scaleX,
                               matrix_.d * scaleY, matrix_.e * scaleX, matrix_.f * scaleY};
            format = Reduce(bitmap, format, reducedWidth, reducedHeight);
            // An axis-aligned reduction already matches the device grid.
            samplingMode = matrix_.a != 0.0f && matrix_.b != 0.0f ? BitmapSamplingBilinear
                                                                  : BitmapSamplingNearest;
        }
    }
    SelectSampleProc(format, samplingMode);
}

void SwBitmapSampler::SelectSampleProc(int32_t format, int32_t samplingMode) {
    // Rows stay horizontal when a step along x leaves y alone and the row does not move x.
    const bool keepsRows = matrix_.b == 0 && matrix_.c == 0;
    VisitFormat(format, [&]<class Format>() {
        const bool nearest = samplingMode != BitmapSamplingBilinear;
        sampleProc_ = nearest     ? &SampleNearest<Format>
                      : keepsRows ? &SampleBilinearRows<Format>
                                  : &SampleBilinear<Format, true>;
        generalSampleProc_ = nearest ? &SampleNearest<Format> : &SampleBilinear<Format, false>;
    });
}

std::vector<SwBitmapSampler::BoxTap> SwBitmapSampler::BuildBoxTaps(int32_t size,
                                                                   int32_t reducedSize,
                                                                   int32_t& fullWeight) {
    const float s = float(size) / float(reducedSize);
    const int64_t full = int64_t(65536.0f / s);
    fullWeight = int32_t(full);
    std::vector<BoxTap> taps(static_cast<size_t>(reducedSize));
    for (int32_t k = 0; k < reducedSize; ++k) {
        const float c = float(k) * s;
        BoxTap& tap = taps[size_t(k)];
        tap.first = std::min(int32_t(c), size - 1);
        tap.last = int32_t(c + s);
        tap.firstWeight =
            int32_t((int64_t((1.0f - (c - float(tap.first))) * 65535.0f) * full) >> 16);
        tap.lastWeight = int32_t((int64_t((c + s - float(tap.last)) * 65535.0f) * full) >> 16);
        // The last record ends exactly at the edge; its end pixel lies outside and weighs 0.
        if (k == reducedSize - 1 || tap.last >= size) {
            tap.last = size;
            tap.lastWeight = 0;
        }
    }
    return taps;
}

int32_t SwBitmapSampler::Reduce(const std::shared_ptr<BitmapSource>& source, int32_t format,
                                int32_t reducedWidth, int32_t reducedHeight) {
    FetchRowProc fetchRow = nullptr;
    bool straight = false;
    VisitFormat(format, [&]<class Format>() {
        fetchRow = &FetchRow<Format>;
        straight = Format::kStraight;
    });
    // The copy holds as-fetched pixels, so a straight source stays straight (ARGB32) and is
    // premultiplied after mixing, as it would be without the reduction.
    const int32_t reducedFormat = straight ? PixelFormat::ARGB32 : PixelFormat::PARGB32;
    auto build = [&] {
        return BuildReduction(fetchRow, reducedFormat, reducedWidth, reducedHeight);
    };
    // A library bitmap tells its caches when its pixels or palette change, so its reduction
    // is made once and kept there. Other sources (a group's pixels, a mask) change without
    // telling anyone and are reduced for each draw.
    std::shared_ptr<BitmapBase> reduced =
        std::dynamic_pointer_cast<Bitmap>(source)
            ? SwReducedBitmapCache::FindOrBuild(*source, reducedWidth, reducedHeight, build)
            : build();

    lock_.reset();
    bitmap_ = std::move(reduced);
    lock_ = std::make_unique<BitmapLock>(*bitmap_, nullptr, LockMode::Read);
    data_ = lock_->Data();
    width_ = reducedWidth;
    height_ = reducedHeight;
    bytesPerPixel_ = 4;
    return reducedFormat;
}

std::shared_ptr<BitmapBase> SwBitmapSampler::BuildReduction(FetchRowProc fetchRow,
                                                            int32_t reducedFormat,
                                                            int32_t reducedWidth,
                                                            int32_t reducedHeight) const {
    int32_t fullX = 0, fullY = 0;
    const std::vector<BoxTap> columns = BuildBoxTaps(width_, reducedWidth, fullX);
    const std::vector<BoxTap> rows = BuildBoxTaps(height_, reducedHeight, fullY);

    auto reduced = std::make_shared<SysMemBitmap>(GXIntSize{reducedWidth, reducedHeight},
                                                  reducedFormat, 96.0f, 96.0f);
    std::vector<uint32_t> sourceRow(static_cast<size_t>(width_));
    // Per reduced column, four channel sums of the weighted row results; each stays below
    // 255 x 2 x 65536.
    std::vector<uint32_t> sums(size_t(reducedWidth) * 4);
    for (int32_t m = 0; m < reducedHeight; ++m) {
        const BoxTap& rowTap = rows[size_t(m)];
        std::fill(sums.begin(), sums.end(), 0u);
        for (int32_t i = rowTap.first; i <= rowTap.last; ++i) {
            const uint32_t rowWeight = uint32_t(i == rowTap.first  ? rowTap.firstWeight
                                                : i == rowTap.last ? rowTap.lastWeight
                                                                   : fullY);
            if (rowWeight == 0) continue;
            fetchRow(static_cast<const uint8_t*>(data_.data) + int64_t(data_.stride) * i, width_,
                     bytesPerPixel_, paletteColors_, sourceRow.data());
            for (int32_t k = 0; k < reducedWidth; ++k) {
                const BoxTap& tap = columns[size_t(k)];
                uint32_t rowSum[4] = {0, 0, 0, 0};
                for (int32_t j = tap.first; j <= tap.last; ++j) {
                    const uint32_t weight = uint32_t(j == tap.first  ? tap.firstWeight
                                                     : j == tap.last ? tap.lastWeight
                                                                     : fullX);
                    if (weight == 0) continue;
                    const uint32_t p = sourceRow[size_t(j)];
                    for (int ch = 0; ch < 4; ++ch) rowSum[ch] += weight * ((p >> (8 * ch)) & 0xFF);
                }
                for (int ch = 0; ch < 4; ++ch)
                    sums[size_t(k) * 4 + ch] += rowWeight * std::min(rowSum[ch] >> 16, 255u);
            }
        }
        uint8_t* out = reduced->Buffer().Row(m);
        for (int32_t k = 0; k < reducedWidth; ++k) {
            uint32_t pixel = 0;
            for (int ch = 0; ch < 4; ++ch)
                pixel |= std::min(sums[size_t(k) * 4 + ch] >> 16, 255u) << (8 * ch);
            std::memcpy(out + 4 * k, &pixel, 4);
        }
    }
    return reduced;
}

template <class Format>
void SwBitmapSampler::SampleNearest(SwBitmapSampler& s, float x, float y, int32_t count,
                                    uint32_t* out) {
    const uint8_t* pixels = static_cast<const uint8_t*>(s.data_.data);
    // Unscaled and unrotated (group results, clip masks, bitmaps drawn 1:1): the span reads
    // one bitmap row straight along. Below 2^22 stepping x by 1 is exact, so the indices are
    // the ones the loop below would find.
    if (s.matrix_.a == 1.0f && s.matrix_.b == 0.0f && std::fabs(x) < 0x1p22f && count < (1 << 22)) {
        const int32_t first = FloorToIndex(x);
        if (first >= 0 && first + count <= s.width_) {
            const int32_t row = Extend(s.extendY_, FloorToIndex(y), s.height_);
            const uint8_t* rowBytes = pixels + int64_t(s.data_.stride) * row;
            if constexpr (Format::kPlain32 && !Format::kStraight) {
                std::memcpy(out, rowBytes + 4 * int64_t(first), 4 * size_t(count));
                if (s.opacityWeight_ != 256)
                    for (int32_t i = 0; i < count; ++i) out[i] = SwScale(out[i], s.opacityWeight_);
                return;
            } else if constexpr (std::is_same_v<Format, FormatA8>) {
                // Group shapes and clip masks: each byte spread over a pixel (a loop the
                // compiler widens by itself).
                const uint8_t* bytes = rowBytes + first;
                for (int32_t i = 0; i < count; ++i) out[i] = bytes[i] * 0x01010101u;
                if (s.opacityWeight_ != 256)
                    for (int32_t i = 0; i < count; ++i) out[i] = SwScale(out[i], s.opacityWeight_);
                return;
            }
            for (int32_t i = 0; i < count; ++i)
                out[i] = Finish<Format>(
                    Format::Fetch(rowBytes, first + i, s.bytesPerPixel_, s.paletteColors_),
                    s.opacityWeight_);
            return;
        }
    }
    for (int32_t i = 0; i < count; ++i, x += s.matrix_.a, y += s.matrix_.b) {
        const int32_t column = Extend(s.extendX_, FloorToIndex(x), s.width_);
        const int32_t row = Extend(s.extendY_, FloorToIndex(y), s.height_);
        const uint8_t* rowBytes = pixels + int64_t(s.data_.stride) * row;
        out[i] = Finish<Format>(Format::Fetch(rowBytes, column, s.bytesPerPixel_, s.paletteColors_),
                                s.opacityWeight_);
    }
}

void SwBitmapSampler::MixBilinearRowScalar(const uint32_t* tl, const uint32_t* tr,
                                           const uint32_t* bl, const uint32_t* br,
                                           const uint16_t* wx, const uint16_t* wy, int32_t count,
                                           uint32_t* out) {
    for (int32_t i = 0; i < count; ++i)
        out[i] = SwMix(SwMix(tl[i], tr[i], wx[i]), SwMix(bl[i], br[i], wx[i]), wy[i]);
}

const SimdKernel<SwBitmapSampler::BilinearRowProc> SwBitmapSampler::kMixBilinearRowForms{
    &MixBilinearRowScalar, GX_SSE2_FORM(MixBilinearRowSSE2), GX_AVX2_FORM(MixBilinearRowAVX2)};
const SimdKernel<SwBitmapSampler::MixRowProc> SwBitmapSampler::kMixRowForms{
    &MixRowScalar, GX_SSE2_FORM(MixRowSSE2), GX_AVX2_FORM(MixRowAVX2)};
const SimdKernel<SwBitmapSampler::GatherBilinearProc> SwBitmapSampler::kGatherBilinearForms{
    &GatherBilinearScalar, GX_SSE2_FORM(GatherBilinearSSE2), GX_AVX2_FORM(GatherBilinearAVX2)};
const SimdKernel<SwBitmapSampler::SplitPositionsProc> SwBitmapSampler::kSplitPositionsForms{
    &SplitPositionsScalar, GX_SSE2_FORM(SplitPositionsSSE2), GX_AVX2_FORM(SplitPositionsAVX2)};

void SwBitmapSampler::MixBilinearRow(const uint32_t* tl, const uint32_t* tr, const uint32_t* bl,
                                     const uint32_t* br, const uint16_t* wx, const uint16_t* wy,
                                     int32_t count, uint32_t* out) {
    static const BilinearRowProc row = kMixBilinearRowForms.Active();
    row(tl, tr, bl, br, wx, wy, count, out);
}

void SwBitmapSampler::MixRowScalar(const uint32_t* b, const uint32_t* c, const uint16_t* w,
                                   int32_t count, uint32_t* out) {
    for (int32_t i = 0; i < count; ++i) out[i] = SwMix(b[i], c[i], w[i]);
}

void SwBitmapSampler::MixRow(const uint32_t* b, const uint32_t* c, const uint16_t* w, int32_t count,
                             uint32_t* out) {
    static const MixRowProc row = kMixRowForms.Active();
    row(b, c, w, count, out);
}

void SwBitmapSampler::GatherBilinearScalar(const uint8_t* pixels, ptrdiff_t stride,
                                           const int32_t* ix, const int32_t* iy, const uint16_t* wx,
                                           const uint16_t* wy, int32_t count, uint32_t* out) {
    auto at = [](const uint8_t* p) {
        uint32_t v;
        std::memcpy(&v, p, 4);
        return v;
    };
    for (int32_t i = 0; i < count; ++i) {
        const uint8_t* top = pixels + stride * iy[i] + 4 * ptrdiff_t(ix[i]);
        const uint8_t* bottom = top + stride;
        out[i] = SwMix(SwMix(at(top), at(top + 4), wx[i]), SwMix(at(bottom), at(bottom + 4), wx[i]),
                       wy[i]);
    }
}

void SwBitmapSampler::GatherBilinear(const uint8_t* pixels, ptrdiff_t stride, const int32_t* ix,
                                     const int32_t* iy, const uint16_t* wx, const uint16_t* wy,
                                     int32_t count, uint32_t* out) {
    static const GatherBilinearProc gather = kGatherBilinearForms.Active();
    gather(pixels, stride, ix, iy, wx, wy, count, out);
}

void SwBitmapSampler::SplitPositionsScalar(float& x, float& y, float dx, float dy, int32_t count,
                                           int32_t* ix, int32_t* iy, uint16_t* wx, uint16_t* wy) {
    for (int32_t i = 0; i < count; ++i, x += dx, y += dy) {
        // The four pixels whose centres surround the position: centres lie at index + 0.5,
        // so the position moves back half a pixel before it is split into index and
        // fraction (fraction 0..254 after the x 255 truncation).
        const float px = ClampPosition(x - 0.5f), py = ClampPosition(y - 0.5f);
        ix[i] = FloorClamped(px);
        iy[i] = FloorClamped(py);
        wx[i] = uint16_t(uint32_t((px - float(ix[i])) * 255.0f) + 1);
        wy[i] = uint16_t(uint32_t((py - float(iy[i])) * 255.0f) + 1);
    }
}

void SwBitmapSampler::SplitPositions(float& x, float& y, float dx, float dy, int32_t count,
                                     int32_t* ix, int32_t* iy, uint16_t* wx, uint16_t* wy) {
    static const SplitPositionsProc split = kSplitPositionsForms.Active();
    split(x, y, dx, dy, count, ix, iy, wx, wy);
}

template <class Format, bool kInteriorPath>
void SwBitmapSampler::SampleBilinear(SwBitmapSampler& s, float x, float y, int32_t count,
                                     uint32_t* out) {
    const uint8_t* pixels = static_cast<const uint8_t*>(s.data_.data);
    const int64_t stride = s.data_.stride;
    const int32_t bpp = s.bytesPerPixel_;
    const uint32_t* palette = s.paletteColors_;
    // Positions are split a chunk at a time, then the neighbours gathered and mixed.
    constexpr int32_t kChunk = 256;
    int32_t ix[kChunk], iy[kChunk];
    uint16_t wx[kChunk], wy[kChunk];
    uint32_t tl[kChunk], tr[kChunk], bl[kChunk], br[kChunk];
    // Neighbours of pixels [from, to) of the chunk, each index extended.
    auto fetchExtended = [&](int32_t from, int32_t to) {
        for (int32_t i = from; i < to; ++i) {
            const int32_t left = Extend(s.extendX_, ix[i], s.width_);
            const uint8_t* top = pixels + stride * Extend(s.extendY_, iy[i], s.height_);
            // A zero fraction (weight 1) reads no right (or lower) neighbour, which may lie
            // outside: the pixel itself stands in for it.
            const bool readRight = wx[i] != 1, readBelow = wy[i] != 1;
            const int32_t right = readRight ? Extend(s.extendX_, ix[i] + 1, s.width_) : left;
            const uint8_t* bottom =
                readBelow ? pixels + stride * Extend(s.extendY_, iy[i] + 1, s.height_) : top;
            tl[i] = Format::Fetch(top, left, bpp, palette);
            tr[i] = readRight ? Format::Fetch(top, right, bpp, palette) : tl[i];
            bl[i] = readBelow ? Format::Fetch(bottom, left, bpp, palette) : tl[i];
            br[i] = readRight && readBelow ? Format::Fetch(bottom, right, bpp, palette) : bl[i];
        }
    };
    // Whether all four neighbours of pixel i lie inside the bitmap (sizes are at least 1).
    auto inside = [&](int32_t i) {
        return uint32_t(ix[i]) < uint32_t(s.width_ - 1) &&
               uint32_t(iy[i]) < uint32_t(s.height_ - 1);
    };
    for (int32_t done = 0; done < count; done += kChunk) {
        const int32_t n = std::min(kChunk, count - done);
        SplitPositions(x, y, s.matrix_.a, s.matrix_.b, n, ix, iy, wx, wy);
        // Each float step is rounded monotonically, so indices move one way along a span
        // and the pixels whose neighbours all lie inside the bitmap form one run
        // [begin, end), found from both ends. There no index needs extending and all four
        // neighbours are read: one under weight 1 adds nothing (its channel x 1 >> 8 is 0),
        // exactly as the extended gather's stand-in does.
        int32_t begin = n, end = n;
        if constexpr (kInteriorPath) {
            begin = 0;
            while (begin < n && !inside(begin)) ++begin;
            while (end > begin && !inside(end - 1)) --end;
        }
        uint32_t* chunk = out + done;
        fetchExtended(0, begin);
        fetchExtended(end, n);
        if constexpr (Format::kPlain32) {
            // Each neighbour pair comes in one load, straight into the vector mix.
            GatherBilinear(pixels, stride, ix + begin, iy + begin, wx + begin, wy + begin,
                           end - begin, chunk + begin);
            MixBilinearRow(tl, tr, bl, br, wx, wy, begin, chunk);
            MixBilinearRow(tl + end, tr + end, bl + end, br + end, wx + end, wy + end, n - end,
                           chunk + end);
        } else {
            for (int32_t i = begin; i < end; ++i) {
                const uint8_t* top = pixels + stride * iy[i];
                tl[i] = Format::Fetch(top, ix[i], bpp, palette);
                tr[i] = Format::Fetch(top, ix[i] + 1, bpp, palette);
                bl[i] = Format::Fetch(top + stride, ix[i], bpp, palette);
                br[i] = Format::Fetch(top + stride, ix[i] + 1, bpp, palette);
            }
            MixBilinearRow(tl, tr, bl, br, wx, wy, n, chunk);
        }
        if (Format::kStraight || s.opacityWeight_ != 256)
            for (int32_t i = 0; i < n; ++i) chunk[i] = Finish<Format>(chunk[i], s.opacityWeight_);
    }
}

SwBitmapSampler::ColumnTaps& SwBitmapSampler::Columns(float startX, int32_t count) {
    ColumnTaps* taps = nullptr;
    // A run is known by its first position alone: the positions after it follow from it by
    // repeated addition, exactly as SampleBilinear steps. (A NaN start is never found.)
    for (ColumnTaps& slot : columns_)
        if (slot.used && slot.startX == startX) taps = &slot;
    if (!taps) {
        taps = &columns_[nextSlot_];
        nextSlot_ = (nextSlot_ + 1) % kColumnSlots;
        taps->used = true;
        taps->startX = taps->nextX = startX;
        taps->left.clear();
        taps->right.clear();
        taps->weight.clear();
        for (MixedRow& mixed : taps->mixed) mixed.row = -1;
    }
    const size_t held = taps->left.size();
    if (held < size_t(count)) {
        taps->left.resize(size_t(count));
        taps->right.resize(size_t(count));
        taps->weight.resize(size_t(count));
        float x = taps->nextX;
        for (size_t i = held; i < size_t(count); ++i, x += matrix_.a) {
            // The column half of SplitPositions, step for step.
            const float px = ClampPosition(x - 0.5f);
            const int32_t ix = FloorClamped(px);
            const uint32_t fx = uint32_t((px - float(ix)) * 255.0f);
            taps->left[i] = Extend(extendX_, ix, width_);
            taps->right[i] = fx != 0 ? Extend(extendX_, ix + 1, width_) : taps->left[i];
            taps->weight[i] = uint16_t(fx + 1);
        }
        taps->nextX = x;
    }
    return *taps;
}

template <class Format>
const uint32_t* SwBitmapSampler::Mixed(ColumnTaps& taps, int32_t row, int32_t keep,
                                       int32_t count) const {
    for (MixedRow& mixed : taps.mixed)
        if (mixed.row == row && mixed.pixels.size() >= size_t(count)) return mixed.pixels.data();
    MixedRow& mixed = taps.mixed[0].row == keep ? taps.mixed[1] : taps.mixed[0];
    mixed.row = -1;  // until the pixels are in
    mixed.pixels.resize(taps.left.size());
    const uint8_t* pixels = static_cast<const uint8_t*>(data_.data) + int64_t(data_.stride) * row;
    // Every tap held, so that a longer run later finds the row complete.
    const int32_t length = int32_t(taps.left.size());
    constexpr int32_t kChunk = 64;
    uint32_t leftPixels[kChunk], rightPixels[kChunk];
    for (int32_t done = 0; done < length; done += kChunk) {
        const int32_t n = std::min(kChunk, length - done);
        for (int32_t i = 0; i < n; ++i) {
            leftPixels[i] =
                Format::Fetch(pixels, taps.left[size_t(done + i)], bytesPerPixel_, paletteColors_);
            rightPixels[i] =
                Format::Fetch(pixels, taps.right[size_t(done + i)], bytesPerPixel_, paletteColors_);
        }
        MixRow(leftPixels, rightPixels, taps.weight.data() + done, n, mixed.pixels.data() + done);
    }
    mixed.row = row;
    return mixed.pixels.data();
}

template <class Format>
void SwBitmapSampler::SampleBilinearRows(SwBitmapSampler& s, float x, float y, int32_t count,
                                         uint32_t* out) {
    const float py = ClampPosition(y - 0.5f);
    const int32_t iy = FloorClamped(py);
    const uint32_t fy = uint32_t((py - float(iy)) * 255.0f);
    const int32_t top = Extend(s.extendY_, iy, s.height_);
    // With a zero fraction the lower row weighs 1, which adds nothing to any pixel: the row
    // itself stands in for it, as in SampleBilinear.
    const int32_t bottom = fy != 0 ? Extend(s.extendY_, iy + 1, s.height_) : top;
    ColumnTaps& taps = s.Columns(x, count);
    // mix(mix(tl, tr, wx), mix(bl, br, wx), wy): both inner mixes are row mixes along x.
    const uint32_t* upper = s.Mixed<Format>(taps, top, bottom, count);
    const uint32_t* lower = bottom == top ? upper : s.Mixed<Format>(taps, bottom, top, count);
    // One weight for the whole run.
    constexpr int32_t kChunk = 64;
    uint16_t weights[kChunk];
    std::fill(weights, weights + kChunk, uint16_t(fy + 1));
    for (int32_t done = 0; done < count; done += kChunk)
        MixRow(upper + done, lower + done, weights, std::min(kChunk, count - done), out + done);
    if (Format::kStraight || s.opacityWeight_ != 256)
        for (int32_t i = 0; i < count; ++i) out[i] = Finish<Format>(out[i], s.opacityWeight_);
}

void SwBitmapSampler::Sample(SampleProc proc, int32_t x0, int32_t x1, int32_t y, uint32_t* out) {
    if (!proc) {
        std::fill(out, out + (x1 - x0), 0u);
        return;
    }
    const float fx0 = float(x0), fy = float(y);
    proc(*this, matrix_.a * fx0 + matrix_.c * fy + matrix_.e,
         matrix_.b * fx0 + matrix_.d * fy + matrix_.f, x1 - x0, out);
}

void SwBitmapSampler::FillSpan(int32_t x0, int32_t x1, int32_t y, uint32_t* out) {
    Sample(sampleProc_, x0, x1, y, out);
}

void SwBitmapSampler::FillSpanGeneral(int32_t x0, int32_t x1, int32_t y, uint32_t* out) {
    Sample(generalSampleProc_, x0, x1, y, out);
}

}  // namespace Graphics
