#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "graphics/bitmap/bitmapbase.h"
#include "graphics/core/simdlevel.h"
#include "graphics/software/swcolorsource.h"

namespace Graphics {

class BitmapSource;

// Samples a bitmap through a matrix for the colour sources: every pixel format, nearest,
// bilinear or bilinear on an area-averaged reduction, and the three extend modes. The
// bitmap stays locked for reading for the sampler's whole life.
class SwBitmapSampler : public SwColorSource {
public:
    // `bitmapToDevice` maps bitmap pixels to device pixels (brush matrix, then device
    // matrix). A matrix that cannot be inverted, or a bitmap without pixels, makes a
    // sampler that paints transparent black. Raises "Not implemented" for a pixel format it
    // cannot read.
    SwBitmapSampler(const std::shared_ptr<BitmapSource>& bitmap, const GXMatrix& bitmapToDevice,
                    int32_t extendX, int32_t extendY, int32_t samplingMode, float opacity);

    void FillSpan(int32_t x0, int32_t x1, int32_t y, uint32_t* out) override;
    // FillSpan without the fast paths: every pixel through the general gather, each
    // neighbour extended. The reference the fast paths are tested against.
    void FillSpanGeneral(int32_t x0, int32_t x1, int32_t y, uint32_t* out);

    // One reduced column (or row) of the box pre-reduction: the source pixels first..last it
    // covers and the 16.16 weights of the partly covered end pixels.
    struct BoxTap {
        int32_t first;        // first source pixel covered, partly or fully
        int32_t last;         // last source pixel touched; == size with lastWeight 0 at the end
        int32_t firstWeight;  // 16.16 weight of `first`, 0..fullWeight
        int32_t lastWeight;   // 16.16 weight of `last`, 0..fullWeight
    };
    // The taps that reduce `size` pixels to `reducedSize` (1 <= reducedSize < size), and in
    // `fullWeight` the 16.16 weight of a wholly covered pixel, int(65536 / (size / reduced)).
    static std::vector<BoxTap> BuildBoxTaps(int32_t size, int32_t reducedSize, int32_t& fullWeight);

    // The bilinear mix of `count` pixels from their four neighbours: mix(mix(tl, tr, wx),
    // mix(bl, br, wx), wy) with weights 1..256, in the process's instruction set (16-bit
    // lanes, four or eight pixels per step).
    static void MixBilinearRow(const uint32_t* tl, const uint32_t* tr, const uint32_t* bl,
                               const uint32_t* br, const uint16_t* wx, const uint16_t* wy,
                               int32_t count, uint32_t* out);
    using BilinearRowProc = void (*)(const uint32_t* tl, const uint32_t* tr, const uint32_t* bl,
                                     const uint32_t* br, const uint16_t* wx, const uint16_t* wy,
                                     int32_t count, uint32_t* out);
    // The one-pixel form: the scalar twin the vector forms are tested against.
    static void MixBilinearRowScalar(const uint32_t* tl, const uint32_t* tr, const uint32_t* bl,
                                     const uint32_t* br, const uint16_t* wx, const uint16_t* wy,
                                     int32_t count, uint32_t* out);
    static void MixBilinearRowSSE2(const uint32_t* tl, const uint32_t* tr, const uint32_t* bl,
                                   const uint32_t* br, const uint16_t* wx, const uint16_t* wy,
                                   int32_t count, uint32_t* out);
    static void MixBilinearRowAVX2(const uint32_t* tl, const uint32_t* tr, const uint32_t* bl,
                                   const uint32_t* br, const uint16_t* wx, const uint16_t* wy,
                                   int32_t count, uint32_t* out);
    static const SimdKernel<BilinearRowProc> kMixBilinearRowForms;

    // mix(b, c, w) of `count` pixels, weights 1..256: one bilinear axis, exactly the
    // arithmetic of each axis of MixBilinearRow.
    static void MixRow(const uint32_t* b, const uint32_t* c, const uint16_t* w, int32_t count,
                       uint32_t* out);
    using MixRowProc = void (*)(const uint32_t* b, const uint32_t* c, const uint16_t* w,
                                int32_t count, uint32_t* out);
    static void MixRowScalar(const uint32_t* b, const uint32_t* c, const uint16_t* w, int32_t count,
                             uint32_t* out);
    static void MixRowSSE2(const uint32_t* b, const uint32_t* c, const uint16_t* w, int32_t count,
                           uint32_t* out);
    static void MixRowAVX2(const uint32_t* b, const uint32_t* c, const uint16_t* w, int32_t count,
                           uint32_t* out);
    static const SimdKernel<MixRowProc> kMixRowForms;

    // MixBilinearRow of 32-bit pixels read in place: pixel i mixes the pixels at columns
    // ix[i], ix[i] + 1 of rows iy[i], iy[i] + 1 of the bitmap at `pixels` (rows `stride`
    // bytes apart), all four inside it. Each neighbour pair comes in one 8-byte load.
    static void GatherBilinear(const uint8_t* pixels, ptrdiff_t stride, const int32_t* ix,
                               const int32_t* iy, const uint16_t* wx, const uint16_t* wy,
                               int32_t count, uint32_t* out);
    using GatherBilinearProc = void (*)(const uint8_t* pixels, ptrdiff_t stride, const int32_t* ix,
                                        const int32_t* iy, const uint16_t* wx, const uint16_t* wy,
                                        int32_t count, uint32_t* out);
    static void GatherBilinearScalar(const uint8_t* pixels, ptrdiff_t stride, const int32_t* ix,
                                     const int32_t* iy, const uint16_t* wx, const uint16_t* wy,
                                     int32_t count, uint32_t* out);
    static void GatherBilinearSSE2(const uint8_t* pixels, ptrdiff_t stride, const int32_t* ix,
                                   const int32_t* iy, const uint16_t* wx, const uint16_t* wy,
                                   int32_t count, uint32_t* out);
    static void GatherBilinearAVX2(const uint8_t* pixels, ptrdiff_t stride, const int32_t* ix,
                                   const int32_t* iy, const uint16_t* wx, const uint16_t* wy,
                                   int32_t count, uint32_t* out);
    static const SimdKernel<GatherBilinearProc> kGatherBilinearForms;

    // The bilinear neighbourhoods of `count` positions, the first (x, y), each next one the
    // previous plus (dx, dy) in float: per pixel the column ix and row iy of the upper left
    // neighbour (floor of the position less half a pixel, clamped to +-2^30 first) and the
    // weights 1..255 of the right column and the lower row (fraction x 255, truncated, + 1).
    // Leaves (x, y) at the position after the last. Every form gives the positions of the
    // serial float sums and the same indices and weights bit for bit.
    static void SplitPositions(float& x, float& y, float dx, float dy, int32_t count, int32_t* ix,
                               int32_t* iy, uint16_t* wx, uint16_t* wy);
    using SplitPositionsProc = void (*)(float& x, float& y, float dx, float dy, int32_t count,
                                        int32_t* ix, int32_t* iy, uint16_t* wx, uint16_t* wy);
    static void SplitPositionsScalar(float& x, float& y, float dx, float dy, int32_t count,
                                     int32_t* ix, int32_t* iy, uint16_t* wx, uint16_t* wy);
    static void SplitPositionsSSE2(float& x, float& y, float dx, float dy, int32_t count,
                                   int32_t* ix, int32_t* iy, uint16_t* wx, uint16_t* wy);
    static void SplitPositionsAVX2(float& x, float& y, float dx, float dy, int32_t count,
                                   int32_t* ix, int32_t* iy, uint16_t* wx, uint16_t* wy);
    static const SimdKernel<SplitPositionsProc> kSplitPositionsForms;

    // A row of as-fetched pixels of the sampled bitmap: straight ARGB for the straight
    // formats (ARGB32, palette colours), premultiplied for the others.
    using FetchRowProc = void (*)(const uint8_t* row, int32_t count, int32_t bytesPerPixel,
                                  const uint32_t* palette, uint32_t* out);
    // Positions (x, y) advance by (dx, dy) per pixel; writes `count` finished pixels.
    using SampleProc = void (*)(SwBitmapSampler& sampler, float x, float y, int32_t count,
                                uint32_t* out);

private:
    void SelectSampleProc(int32_t format, int32_t samplingMode);
    // Runs `proc` (null: transparent black) over [x0, x1) of row y.
    void Sample(SampleProc proc, int32_t x0, int32_t x1, int32_t y, uint32_t* out);
    // Replaces the bitmap by its reduction to reducedWidth x reducedHeight, the one kept in
    // `source`'s cache when it is a library bitmap; returns the format of the copy.
    int32_t Reduce(const std::shared_ptr<BitmapSource>& source, int32_t format,
                   int32_t reducedWidth, int32_t reducedHeight);
    // The reduction itself, from the locked bitmap's rows as `fetchRow` reads them.
    std::shared_ptr<BitmapBase> BuildReduction(FetchRowProc fetchRow, int32_t reducedFormat,
                                               int32_t reducedWidth, int32_t reducedHeight) const;

    // The horizontal half of bilinear sampling for a run of pixels along one device row:
    // per pixel the left and right columns (equal when the fraction is 0) and the weight
    // 1..256 of the right one. Under a matrix that keeps rows horizontal these depend only
    // on the run's first position, so each run's taps are worked out once and serve every
    // row whose run starts at the same position; so do the bitmap rows already mixed along
    // x with them, which an enlarged image reads for several device rows in a row.
    struct MixedRow {
        int32_t row = -1;              // bitmap row mixed into `pixels`; -1: none
        std::vector<uint32_t> pixels;  // mix(row[left], row[right], weight) per tap
    };
    struct ColumnTaps {
        bool used = false;             // holds the taps of the run starting at startX
        float startX = 0;              // bitmap x of the run's first pixel centre
        float nextX = 0;               // bitmap x after the last tap held, to extend the run
        std::vector<int32_t> left;     // column of the left neighbour
        std::vector<int32_t> right;    // column of the right neighbour
        std::vector<uint16_t> weight;  // fraction x 255 + 1
        MixedRow mixed[2];             // the last two bitmap rows mixed with these taps
    };
    // The taps of at least `count` pixels from startX, from a slot or computed into one.
    ColumnTaps& Columns(float startX, int32_t count);
    // The first `count` pixels of bitmap row `row` (an index inside the bitmap) mixed along
    // x with `taps`, computed unless held; the entry holding row `keep` is never replaced.
    template <class Format>
    const uint32_t* Mixed(ColumnTaps& taps, int32_t row, int32_t keep, int32_t count) const;

    template <class Format>
    static void SampleNearest(SwBitmapSampler& s, float x, float y, int32_t count, uint32_t* out);
    // With kInteriorPath, pixels whose neighbours all lie inside the bitmap skip extending.
    template <class Format, bool kInteriorPath>
    static void SampleBilinear(SwBitmapSampler& s, float x, float y, int32_t count, uint32_t* out);
    // SampleBilinear, bit for bit, for a matrix that keeps rows horizontal (b = c = 0): the
    // row and its weight once per run, the column taps from Columns.
    template <class Format>
    static void SampleBilinearRows(SwBitmapSampler& s, float x, float y, int32_t count,
                                   uint32_t* out);

    GXMatrix matrix_;  // device pixel (x, y) -> bitmap position of its centre
    // The pixels read: the brush's bitmap, or its area-averaged reduction (PARGB32 or
    // ARGB32 holding as-fetched pixels) when the pre-reduction applies.
    std::shared_ptr<BitmapBase> bitmap_;
    std::unique_ptr<BitmapLock> lock_;  // read lock on bitmap_ for the sampler's life
    GXBitmapData data_;                 // the read lock: first row and stride
    int32_t bytesPerPixel_;             // bits per pixel / 8 (0 for the 1-bit formats)
    uint32_t opacityWeight_;            // 1..256, applied with SwScale unless 256
    int32_t width_;                     // columns sampled, > 0 unless nothing is painted
    int32_t height_;                    // rows sampled, > 0 unless nothing is painted
    int32_t extendX_;                   // BitmapExtendMode across columns
    int32_t extendY_;                   // BitmapExtendMode across rows
    SampleProc sampleProc_;             // null when the sampler paints transparent black
    SampleProc generalSampleProc_;      // sampleProc_ without fast paths; null with it
    uint32_t paletteColors_[256];       // straight ARGB of each index; missing entries opaque black
    // A row of a scaled bitmap is cut into a few runs (the anti-aliased edges and the
    // inside); a slot for each keeps their taps from one row to the next.
    static constexpr int32_t kColumnSlots = 4;
    ColumnTaps columns_[kColumnSlots];  // taps of recent runs, reused round-robin
    int32_t nextSlot_ = 0;              // the slot a run not held goes to
};

}  // namespace Graphics
