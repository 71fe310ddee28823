#pragma once

#include <cstddef>
#include <cstdint>

#include "gx.h"

namespace Graphics {

class GeometrySink;

// What a verb byte of a Figure means.
enum FigureVerb : uint8_t {
    FigureVerbLine = 0,   // consumes one point: the end of the line
    FigureVerbCubic = 1,  // consumes three points: c1, c2, end
};

// One figure (subpath) in a single heap block: points grow upward from the start of the
// block, verb bytes grow downward from its end, so a figure costs one allocation in the
// common case and appending is amortised constant time. The first point is the start point
// and has no verb. Invariant: point count = 1 + lines + 3 * cubics (or 0 with no verb).
class Figure {
public:
    Figure() = default;
    Figure(Figure&& other) noexcept;
    Figure& operator=(Figure&& other) noexcept;
    Figure(const Figure&) = delete;
    Figure& operator=(const Figure&) = delete;
    ~Figure();

    // Empties the figure (closed cleared) but keeps its block for reuse.
    void Reset();

    // Points are taken by value: a caller may pass a point of this very block, which a
    // growth moves.
    // Appends the start point of an empty figure.
    void AppendStart(GXPoint start);
    void AppendLine(GXPoint end);
    void AppendCubic(GXPoint c1, GXPoint c2, GXPoint end);
    // The figure then runs from `start` by a line to the old start point.
    void PrependLine(GXPoint start);
    // The figure then runs from `start` by the cubic (c1, c2) to the old start point.
    void PrependCubic(GXPoint start, GXPoint c1, GXPoint c2);

    const GXPoint* Points() const { return points_; }
    int32_t PointCount() const { return pointCount_; }
    int32_t VerbCount() const { return verbCount_; }
    // The verb of segment `index` (0 is the first segment after the start point).
    uint8_t Verb(int32_t index) const { return blockEnd_[-1 - index]; }
    // The verb bytes as stored: the last verb first, the first verb at the highest address.
    const uint8_t* VerbBytes() const { return blockEnd_ - verbCount_; }
    const GXPoint& StartPoint() const { return points_[0]; }
    const GXPoint& LastPoint() const { return points_[pointCount_ - 1]; }
    bool IsClosed() const { return closed_; }
    void SetClosed(bool closed) { closed_ = closed; }
    size_t BlockSize() const { return size_t(blockEnd_ - reinterpret_cast<uint8_t*>(points_)); }
    uint64_t FreeBytes() const { return freeBytes_; }

    // Replays the figure as BeginFigure, its segments, then EndFigureClose when closed or
    // EndFigure when open. Figures with no point, or with neither a verb nor the closed
    // flag, send nothing.
    void Replay(GeometrySink& sink) const;

    // True when the counts, the free gap and the verbs agree with each other.
    bool Validate() const;

private:
    // Makes room for `bytes` more bytes: the block grows by max(its size, bytes rounded up
    // to 8), at least 8, and the verbs move to the new end of the block.
    void Reserve(size_t bytes);
    // Inserts `verb` as the first verb, in front of the existing ones.
    void InsertFirstVerb(uint8_t verb);

    GXPoint* points_ = nullptr;    // start of the block; the points, start point first
    uint8_t* blockEnd_ = nullptr;  // one past the end of the block; verbs end here
    int32_t pointCount_ = 0;       // points stored from points_ upward
    int32_t verbCount_ = 0;        // verb bytes stored below blockEnd_
    uint64_t freeBytes_ = 0;       // gap between the last point and the first verb byte
    bool closed_ = false;          // the closing segment back to the start is implied
};

}  // namespace Graphics
