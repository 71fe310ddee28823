#include "graphics/software/swglyphrenderer.h"

#include <algorithm>
#include <bit>
#include <cmath>

#include "graphics/geometry/geometry.h"
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
    if (!(std::fabs(v) < kMaxOrigin)) return false;
    const int64_t quarters = int64_t(std::floor(double(v) * SwGlyphCache::kPhases + 0.5));
    const int64_t whole = quarters >= 0
                              ? quarters / SwGlyphCache::kPhases
                              : -((-quarters + SwGlyphCache::kPhases - 1) / SwGlyphCache::kPhases);
    pixel = int32_t(whole);
    phase = int32_t(quarters - whole * SwGlyphCache::kPhases);
    return true;
}

// Whether the outline under `m` may be drawn from a mask: scaled, mirrored or not, but not
// rotated or skewed, and small enough for a mask to pay.
bool Maskable(const Geometry& outline, const GXMatrix& m) {
    if (m.b != 0 || m.c != 0 || !std::isfinite(m.a) || !std::isfinite(m.d) || m.a == 0 || m.d == 0)
        return false;
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
    SwGlyphCache& cache = SwGlyphCache::Instance();
    slots_.clear();
    keys_.clear();
    for (size_t i = 0; i < count; ++i) {
        target.SetCTM(glyphs[i].ctm);
        const GXMatrix m = target.DrawingMatrix();
        const Geometry& outline = **glyphs[i].outline;
        Slot slot{false, 0, 0};
        int32_t phaseX = 0, phaseY = 0;
        if (Maskable(outline, m) && Quantise(m.e, slot.x, phaseX) &&
            Quantise(m.f, slot.y, phaseY)) {
            slot.cached = true;
            keys_.push_back(SwGlyphCache::Key{
                outline.Identity(), outline.Revision(), std::bit_cast<uint32_t>(m.a),
                std::bit_cast<uint32_t>(m.d), uint32_t(phaseX + SwGlyphCache::kPhases * phaseY)});
        }
        slots_.push_back(slot);
    }
    masks_.resize(keys_.size());
    cache.FindAll(keys_.data(), keys_.size(), masks_.data());

    placed_.clear();
    size_t k = 0;
    for (size_t i = 0; i < count; ++i) {
        const Slot& slot = slots_[i];
        if (!slot.cached) {
            // Drawn in its turn: the masks before it first.
            Flush(target, brush);
            target.SetCTM(glyphs[i].ctm);
            FillOutline(target, *glyphs[i].outline, brush);
            continue;
        }
        const SwGlyphCache::Key& key = keys_[k];
        std::shared_ptr<const SwCoverageMask>& mask = masks_[k++];
        if (!mask) mask = cache.Find(key);  // an earlier glyph of this run may have built it
        if (!mask) {
            const Geometry& outline = **glyphs[i].outline;
            mask = cache.Insert(outline, key,
                                SwGlyphCache::Build(outline, std::bit_cast<float>(key.scaleX),
                                                    std::bit_cast<float>(key.scaleY),
                                                    int32_t(key.phase % SwGlyphCache::kPhases),
                                                    int32_t(key.phase / SwGlyphCache::kPhases)));
        }
        if (mask->spans.empty()) continue;
        const GXIntRect box{slot.x + mask->box.left, slot.y + mask->box.top,
                            slot.x + mask->box.right, slot.y + mask->box.bottom};
        placedBox_ = placed_.empty() ? box
                                     : GXIntRect{std::min(placedBox_.left, box.left),
                                                 std::min(placedBox_.top, box.top),
                                                 std::max(placedBox_.right, box.right),
                                                 std::max(placedBox_.bottom, box.bottom)};
        placed_.push_back(SwPlacedMask{mask.get(), slot.x, slot.y});
    }
    Flush(target, brush);
    target.SetCTM(glyphs[count - 1].ctm);
    // The masks are the cache's to give up; this run no longer needs them.
    for (auto& mask : masks_) mask.reset();
}

void SwGlyphRenderer::Flush(SwSubTarget& target, const Brush& brush) {
    if (placed_.empty()) return;
    target.FillMasks(placed_.data(), placed_.size(), placedBox_, brush);
    placed_.clear();
}

}  // namespace Graphics
