#include "graphics/geometry/figure.h"

#include <cstring>
#include <limits>
#include <utility>

#include "graphics/core/exception.h"
#include "graphics/core/processheap.h"
#include "graphics/geometry/geometrysink.h"

namespace Graphics {

namespace {
constexpr size_t kPointBytes = sizeof(GXPoint);
static_assert(kPointBytes == 8, "a point is two floats");
// Point counts are int32; a figure stops growing well before they could wrap.
constexpr int32_t kMaxPoints = std::numeric_limits<int32_t>::max() - 3;
}  // namespace

Figure::Figure(Figure&& other) noexcept
    : points_(std::exchange(other.points_, nullptr)),
      blockEnd_(std::exchange(other.blockEnd_, nullptr)),
      pointCount_(std::exchange(other.pointCount_, 0)),
      verbCount_(std::exchange(other.verbCount_, 0)),
      freeBytes_(std::exchange(other.freeBytes_, 0)),
      closed_(std::exchange(other.closed_, false)) {}

Figure& Figure::operator=(Figure&& other) noexcept {
    if (this != &other) {
        ProcessHeap::Free(points_);
        points_ = std::exchange(other.points_, nullptr);
        blockEnd_ = std::exchange(other.blockEnd_, nullptr);
        pointCount_ = std::exchange(other.pointCount_, 0);
        verbCount_ = std::exchange(other.verbCount_, 0);
        freeBytes_ = std::exchange(other.freeBytes_, 0);
        closed_ = std::exchange(other.closed_, false);
    }
    return *this;
}

Figure::~Figure() {
    ProcessHeap::Free(points_);
}

void Figure::Reset() {
    pointCount_ = 0;
    verbCount_ = 0;
    freeBytes_ = BlockSize();
    closed_ = false;
}

void Figure::Reserve(size_t bytes) {
    if (freeBytes_ >= bytes) return;
    if (pointCount_ > kMaxPoints) GX_RAISE("Not enough memory");
    size_t size = BlockSize();
    size_t rounded = (bytes + 7) & ~size_t(7);
    size_t growth = size > rounded ? size : rounded;
    if (growth < 8) growth = 8;
    if (size > std::numeric_limits<size_t>::max() - growth) GX_RAISE("Not enough memory");
    size_t newSize = size + growth;
    auto* block = static_cast<uint8_t*>(ProcessHeap::Realloc(points_, newSize));
    // The verbs sat at the old end of the block; they belong at the new end.
    std::memmove(block + newSize - verbCount_, block + size - verbCount_, size_t(verbCount_));
    points_ = reinterpret_cast<GXPoint*>(block);
    blockEnd_ = block + newSize;
    freeBytes_ += growth;
}

void Figure::AppendStart(GXPoint start) {
    Reserve(kPointBytes);
    points_[0] = start;
    pointCount_ = 1;
    freeBytes_ -= kPointBytes;
}

void Figure::AppendLine(GXPoint end) {
    Reserve(kPointBytes + 1);
    points_[pointCount_] = end;
    blockEnd_[-1 - verbCount_] = FigureVerbLine;
    pointCount_ += 1;
    verbCount_ += 1;
    freeBytes_ -= kPointBytes + 1;
}

void Figure::AppendCubic(GXPoint c1, GXPoint c2, GXPoint end) {
    Reserve(3 * kPointBytes + 1);
    GXPoint* next = points_ + pointCount_;
    next[0] = c1;
    next[1] = c2;
    next[2] = end;
    blockEnd_[-1 - verbCount_] = FigureVerbCubic;
    pointCount_ += 3;
    verbCount_ += 1;
    freeBytes_ -= 3 * kPointBytes + 1;
}

void Figure::InsertFirstVerb(uint8_t verb) {
    uint8_t* verbs = blockEnd_ - verbCount_;
    std::memmove(verbs - 1, verbs, size_t(verbCount_));
    blockEnd_[-1] = verb;
    verbCount_ += 1;
}

void Figure::PrependLine(GXPoint start) {
    Reserve(kPointBytes + 1);
    std::memmove(points_ + 1, points_, size_t(pointCount_) * kPointBytes);
    points_[0] = start;
    pointCount_ += 1;
    InsertFirstVerb(FigureVerbLine);
    freeBytes_ -= kPointBytes + 1;
}

void Figure::PrependCubic(GXPoint start, GXPoint c1, GXPoint c2) {
    Reserve(3 * kPointBytes + 1);
    std::memmove(points_ + 3, points_, size_t(pointCount_) * kPointBytes);
    points_[0] = start;
    points_[1] = c1;
    points_[2] = c2;
    pointCount_ += 3;
    InsertFirstVerb(FigureVerbCubic);
    freeBytes_ -= 3 * kPointBytes + 1;
}

void Figure::Replay(GeometrySink& sink) const {
    if (pointCount_ < 1 || (verbCount_ == 0 && !closed_)) return;
    // Read everything up front: the sink may add figures to the very shape being replayed
    // (moving this record, never its block), and locals spare reloads after each call.
    const GXPoint* point = points_;
    const uint8_t* verb = blockEnd_;
    const uint8_t* const lastVerb = blockEnd_ - verbCount_;
    const bool closed = closed_;
    sink.BeginFigure(*point++);
    while (verb != lastVerb) {
        if (*--verb == FigureVerbLine) {
            sink.LineTo(*point);
            point += 1;
        } else {
            sink.CubicCurveTo(point[0], point[1], point[2]);
            point += 3;
        }
    }
    if (closed) {
        sink.EndFigureClose();
    } else {
        sink.EndFigure();
    }
}

bool Figure::Validate() const {
    if (pointCount_ < 0 || verbCount_ < 0) return false;
    if (!points_) return pointCount_ == 0 && verbCount_ == 0 && freeBytes_ == 0 && !blockEnd_;
    if (BlockSize() != uint64_t(pointCount_) * kPointBytes + uint64_t(verbCount_) + freeBytes_)
        return false;
    if (pointCount_ == 0) return verbCount_ == 0;
    int64_t consumed = 1;
    for (int32_t i = 0; i < verbCount_; ++i) {
        uint8_t verb = Verb(i);
        if (verb == FigureVerbLine) {
            consumed += 1;
        } else if (verb == FigureVerbCubic) {
            consumed += 3;
        } else {
            return false;
        }
    }
    return consumed == pointCount_;
}

}  // namespace Graphics
