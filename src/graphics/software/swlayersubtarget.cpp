#include "graphics/software/swlayersubtarget.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "graphics/bitmap/sysmembitmap.h"
#include "graphics/software/swbitmapwindow.h"
#include "graphics/software/swpipeline.h"
#include "graphics/software/swpixel.h"

namespace Graphics {

namespace {

constexpr ColorF kTransparent{0, 0, 0, 0};

// Each colour channel of a less the same channel of b, floored at 0; alpha byte 0.
uint32_t SubtractColor(uint32_t a, uint32_t b) {
    uint32_t out = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        const uint32_t x = (a >> shift) & 0xFF, y = (b >> shift) & 0xFF;
        out |= (x > y ? x - y : 0) << shift;
    }
    return out;
}

// The colour channels of `c` cut to its alpha: rounding in the group arithmetic can leave
// a channel a step above it, and the parent's compositor relies on premultiplied input.
uint32_t ClampToAlpha(uint32_t c) {
    const uint32_t a = SwAlpha(c);
    uint32_t out = a << 24;
    for (int shift = 0; shift < 24; shift += 8) out |= std::min((c >> shift) & 0xFF, a) << shift;
    return out;
}

// All four channels v of `c` become min(v, d) x 255 / d (d in 1..254), exactly.
uint32_t DivideBy(uint32_t c, uint32_t d) {
    const uint64_t reciprocal = kSwReciprocal24.value[d];
    uint32_t out = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        const uint32_t v = std::min((c >> shift) & 0xFF, d);
        out |= uint32_t((v * 255 * reciprocal) >> 24) << shift;
    }
    return out;
}

// Groups start transparent with shape and alpha 0: zeroed stores need no clearing, and
// the pages a group never draws on are never even mapped.
std::shared_ptr<BitmapBase> NewZeroedBitmap(GXIntSize size, GXPixelFormat format, float dpiX,
                                            float dpiY) {
    return std::make_shared<SysMemBitmap>(size, format, dpiX, dpiY, SysMemBitmap::Zeroed{});
}

}  // namespace

SwLayerSubTarget::SwLayerSubTarget(const GXIntRect& deviceRect, const GXIntPoint& placement,
                                   const GXMatrix& ctm, float dpiX, float dpiY, float opacity,
                                   bool isolated, bool knockout)
    : SwSubTarget(deviceRect, ctm, dpiX, dpiY),
      opacity_(opacity),
      isolated_(isolated),
      knockout_(knockout),
      placement_(placement) {
    if (!nonEmpty_) return;
    const GXIntSize size{Width(), Height()};
    targetBitmap_ = isolated_
                        ? NewZeroedBitmap(size, GXPixelFormatPARGB32, dpiX, dpiY)
                        : std::make_shared<SysMemBitmap>(size, GXPixelFormatPARGB32, dpiX, dpiY);
    alpha_ = NewZeroedBitmap(size, GXPixelFormatA8, dpiX, dpiY);
    shape_ = NewZeroedBitmap(size, GXPixelFormatA8, dpiX, dpiY);
}

void SwLayerSubTarget::Attach(std::shared_ptr<BitmapBase> parentPixels) {
    if (!nonEmpty_ || isolated_) return;
    if (!parentPixels) {
        // Over a transparent backdrop a non-isolated group is an isolated one.
        targetBitmap_->ColorFill(nullptr, kTransparent);
        return;
    }
    const GXIntRect under{placement_.x, placement_.y, placement_.x + Width(),
                          placement_.y + Height()};
    backdrop_ = std::make_shared<SwBitmapWindow>(std::move(parentPixels), under);
    targetBitmap_->CopyFromSource(nullptr, backdrop_, nullptr);
}

void SwLayerSubTarget::Clear(const ColorF& color) {
    if (!nonEmpty_) return;
    SwSubTarget::Clear(color);
    alpha_->ColorFill(nullptr, kTransparent);
    shape_->ColorFill(nullptr, kTransparent);
}

void SwLayerSubTarget::AddTargetAndCompositor(SwPipeLine& pipeline) const {
    pipeline.AddTargetColor(targetBitmap_);
    pipeline.AddTargetShape(shape_);
    pipeline.AddTargetAlpha(alpha_);
    pipeline.AddBackdropColor(backdrop_);
    pipeline.AddLayerComposite(knockout_, !backdrop_);
}

std::shared_ptr<BitmapBase> SwLayerSubTarget::GetResultBitmap() {
    const GXIntRect area = PixelCover(dirtyRect_);
    BitmapLock color(*targetBitmap_, nullptr, LockMode::ReadWrite);
    BitmapLock shape(*shape_, nullptr, LockMode::Read);
    BitmapLock alpha(*alpha_, nullptr, LockMode::Read);
    std::optional<BitmapLock> backdrop;
    if (backdrop_) backdrop.emplace(*backdrop_, nullptr, LockMode::Read);
    auto row = [](const BitmapLock& lock, int32_t y) {
        return static_cast<uint8_t*>(lock.Data().data) + ptrdiff_t(y) * lock.Data().stride;
    };
    for (int32_t y = area.top; y < area.bottom; ++y) {
        auto* colorRow = reinterpret_cast<uint32_t*>(row(color, y));
        const uint8_t* shapeRow = row(shape, y);
        const uint8_t* alphaRow = row(alpha, y);
        const auto* backdropRow =
            backdrop ? reinterpret_cast<const uint32_t*>(row(*backdrop, y)) : nullptr;
        auto finish = [&](int32_t x) {
            const uint32_t fg = shapeRow[x];
            if (fg == 0) return;
            const uint32_t ag = alphaRow[x];
            uint32_t c = colorRow[x];
            if (!backdropRow) {
                c = (c & 0x00FFFFFFu) | (ag << 24);
            } else if (ag == 255) {
                colorRow[x] = c | 0xFF000000u;
                return;
            } else {
                // The backdrop shows through where the group alpha does not reach; what is
                // left is the group's own colour. (With a group alpha of 0 nothing is.)
                c = SubtractColor(c, SwScale(backdropRow[x], 256 - ag)) | (ag << 24);
            }
            c = ClampToAlpha(c);
            colorRow[x] = fg < 255 ? DivideBy(c, fg) : c;
        };
        int32_t x = area.left;
        for (; x + 4 <= area.right; x += 4) {
            uint32_t four;
            std::memcpy(&four, shapeRow + x, 4);
            if (four == 0) continue;  // nothing drawn
            if (four == 0xFFFFFFFFu && !backdropRow) {
                // An isolated group's alpha byte is its group alpha already (the backdrop
                // alpha is 0): with full shape only the clamp is left.
                for (int32_t k = 0; k < 4; ++k) colorRow[x + k] = ClampToAlpha(colorRow[x + k]);
                continue;
            }
            for (int32_t k = 0; k < 4; ++k) finish(x + k);
        }
        for (; x < area.right; ++x) finish(x);
    }
    return targetBitmap_;
}

}  // namespace Graphics
