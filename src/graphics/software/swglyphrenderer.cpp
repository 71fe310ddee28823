#include "graphics/software/swglyphrenderer.h"

#include <algorithm>
#include <bit>
#include <cmath>

#include "graphics/geometry/geometry.h"
#include "graphics/geometry/transformer.h"
#include "graphics/software/swsubtarget.h"

namespace Graphics {

namespace {

// Origins further out than this (px) are drawn from outlines: a quarter of them must stay
// exact in a float, and nothing there is on any target.
constexpr float kMaxOrigin = float(1 << 22);
// Outline coordinates (scaled, relative to the origin) a mask may hold: its runs are kept
// in 16 bits.
constexpr float kMaxOffset = 8192.0f;

// `v` to the nearest quarter pixel, as the whole pixel below it and the quarter into it.
bool Quantise(float v, int32_t& pixel, int32_t& phase) {
    static_assert(SwGlyphCache::kPhases == 4, "a pixel splits into two bits of phase");
    if (!(std::fabs(v) < kMaxOrigin)) return false;
    // floor(), without the library call: truncation, one down for negative fractions. The
    // sum is exact: v has at most 24 significant bits and lies within 2^22.
    const double scaled = double(v) * SwGlyphCache::kPhases + 0.5;
    int64_t quarters = int64_t(scaled);
    if (double(quarters) > scaled) --quarters;
    pixel = int32_t(quarters >> 2);  // arithmetic: rounds toward negative infinity
    phase = int32_t(quarters & 3);
    return true;
}

// Whether `m` scales, mirrored or not, but neither rotates nor skews.
bool Upright(const GXMatrix& m) {
    return m.b == 0 && m.c == 0 && std::isfinite(m.a) && std::isfinite(m.d) && m.a != 0 && m.d != 0;
}

// Whether the outline under the upright `m` is small enough for a mask to pay.
bool Fits(const Geometry& outline, const GXMatrix& m) {
    const GXRect box = outline.Bound().Box();
    const float x0 = box.left * m.a, x1 = box.right * m.a;
    const float y0 = box.top * m.d, y1 = box.bottom * m.d;
    // Negated so that NaN refuses too.
    return std::fabs(x1 - x0) <= SwGlyphCache::kMaxExtent &&
           std::fabs(y1 - y0) <= SwGlyphCache::kMaxExtent && std::fabs(x0) <= kMaxOffset &&
           std::fabs(x1) <= kMaxOffset && std::fabs(y0) <= kMaxOffset &&
           std::fabs(y1) <= kMaxOffset;
}

}  // namespace

void SwGlyphRenderer::FillOutline(SwSubTarget& target, const std::shared_ptr<Geometry>& outline,
                                  const Brush& brush) {
    SwSubTarget::State& state = target.Current();
    const int32_t saved = state.strokeAdjustment;
    state.strokeAdjustment = 0;
    try {
        target.FillGeometry(outline, brush);
    } catch (...) {
        state.strokeAdjustment = saved;
        throw;
    }
    state.strokeAdjustment = saved;
}

void SwGlyphRenderer::FillRun(SwSubTarget& target, const RenderTargetBase::PlacedGlyph* glyphs,
                              size_t count, const Brush& brush) {
    if (count == 0) return;
    // The sub-target's drawing matrix is the CTM moved by a whole-pixel offset, subtracted
    // from e and f; adding its negation, read once under the identity, is the same
    // subtraction, bit for bit.
    target.SetCTM(kIdentityMatrix);
    const GXMatrix offset = target.DrawingMatrix();
    memo_.BeginRun();
    slots_.clear();
    keys_.clear();
    for (size_t i = 0; i < count; ++i) {
        GXMatrix m = glyphs[i].ctm;
        m.e += offset.e;
        m.f += offset.f;
        const Geometry& outline = **glyphs[i].outline;
        Slot slot{false, nullptr, 0, 0, 0};
        int32_t phaseX = 0, phaseY = 0;
        if (Upright(m) && Quantise(m.e, slot.x, phaseX) && Quantise(m.f, slot.y, phaseY)) {
            const SwGlyphCache::Key key{outline.Identity(), outline.Revision(),
                                        std::bit_cast<uint32_t>(m.a), std::bit_cast<uint32_t>(m.d),
                                        uint32_t(phaseX + SwGlyphCache::kPhases * phaseY)};
            // A mask in the memo was made under the same outline and scale, which fitted.
            slot.mask = memo_.Probe(key);
            slot.cached = slot.mask || Fits(outline, m);
            if (slot.cached && !slot.mask) {
                slot.key = keys_.size();
                keys_.push_back(key);
            }
        }
        slots_.push_back(slot);
    }
    masks_.assign(keys_.size(), nullptr);
    memo_.FindAll(keys_.data(), keys_.size(), masks_.data());

    placed_.clear();
    for (size_t i = 0; i < count; ++i) {
        const Slot& slot = slots_[i];
        if (!slot.cached) {
            // Drawn in its turn: the masks before it first.
            Flush(target, brush);
            target.SetCTM(glyphs[i].ctm);
            FillOutline(target, *glyphs[i].outline, brush);
            continue;
        }
        const SwCoverageMask* mask = slot.mask;
        if (!mask) {
            const SwGlyphCache::Key& key = keys_[slot.key];
            mask = masks_[slot.key];
            if (!mask) mask = memo_.Find(key);  // an earlier glyph of this run may have built it
            if (!mask) {
                const Geometry& outline = **glyphs[i].outline;
                mask = memo_.Keep(outline, key,
                                  SwGlyphCache::Build(outline, std::bit_cast<float>(key.scaleX),
                                                      std::bit_cast<float>(key.scaleY),
                                                      int32_t(key.phase % SwGlyphCache::kPhases),
                                                      int32_t(key.phase / SwGlyphCache::kPhases)));
            }
        }
        if (mask->spans.empty()) continue;
        const GXIntRect box{slot.x + mask->box.left, slot.y + mask->box.top,
                            slot.x + mask->box.right, slot.y + mask->box.bottom};
        placedBox_ = placed_.empty() ? box
                                     : GXIntRect{std::min(placedBox_.left, box.left),
                                                 std::min(placedBox_.top, box.top),
                                                 std::max(placedBox_.right, box.right),
                                                 std::max(placedBox_.bottom, box.bottom)};
        placed_.push_back(SwPlacedMask{mask, slot.x, slot.y});
    }
    Flush(target, brush);
    target.SetCTM(glyphs[count - 1].ctm);
    // The masks only this run needed are the run's to give up.
    memo_.EndRun();
}

void SwGlyphRenderer::Flush(SwSubTarget& target, const Brush& brush) {
    if (placed_.empty()) return;
    target.FillMasks(placed_.data(), placed_.size(), placedBox_, brush);
    placed_.clear();
}

}  // namespace Graphics
