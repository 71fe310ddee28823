#pragma once

#include <memory>
#include <vector>

#include "graphics/geometry/figure.h"
#include "graphics/geometry/geometrysink.h"

namespace Graphics {

// The stroker: offsets each figure by half the line width on both sides, adds joins and
// caps, and sends closed outline figures to the target, whose nonzero filling paints the
// stroke. An open figure becomes one outline (right side reversed, then the left side);
// a closed one becomes two, the left side in path order and the right side reversed.
// Every junction of two segments gets the join, whether a line or a curve meets it on either
// side; a curve's own flattened pieces are not joined to each other.
//
// The outline of one stroke has at most kMaxOutlinePoints points: beyond that (a dash
// pattern far finer than the tolerance, say) the pen raises "Stroke outline is too
// complex" rather than fill memory. Bad numbers give a defined, bounded result: a width that is NaN, infinite or negative
// strokes nothing; a figure with a non-finite point has no outline; a tolerance of 0,
// negative or NaN is raised to 2^-23 and arc steps never fall below pi/1024.
class Pen final : public GeometrySink {
public:
    static constexpr uint32_t kMaxOutlinePoints = 1u << 23;

    Pen(float tolerance, float width, int32_t cap, int32_t join, float miterLimit,
        std::shared_ptr<GeometrySink> target);

    // Back to a new pen's state with these settings, keeping the storage of its sides for
    // the next stroke.
    void Reset(float tolerance, float width, int32_t cap, int32_t join, float miterLimit,
               std::shared_ptr<GeometrySink> target);
    // Lets go of the target, for a pen kept idle until its next Reset.
    void Detach() { target_.reset(); }
    // Bytes of storage held for reuse.
    size_t RetainedBytes() const;

    void SetFillRule(int32_t) override {}
    void BeginFigure(const GXPoint& start) override;
    void EndFigure() override;
    void EndFigureClose() override;
    void LineTo(const GXPoint& point) override;
    void CubicCurveTo(const GXPoint& c1, const GXPoint& c2, const GXPoint& end) override;

    // The angle between consecutive points of round joins and caps.
    float ArcStep() const { return arcStep_; }

private:
    // False, with nothing added, for a segment too short to have a direction.
    bool AddSegment(const GXPoint& next, bool joins);
    // The outer-side join at `centre` between the segments towards `a` and `b`.
    void Join(Figure& side, const GXPoint& a, const GXPoint& centre, const GXPoint& b);
    // Calls emit(point) for each cap point at q, the end of the segment from p.
    template <class Out>
    void Cap(const GXPoint& p, const GXPoint& q, Out&& emit) const;
    // Sends the open-figure outline: right side reversed, start cap, left side.
    void EmitOpenOutline();
    void EmitDot();
    void DropFigure();
    void Emit(const GXPoint& point);

    float tolerance_;                       // flattening tolerance, >= 2^-23 (or infinite)
    int32_t cap_;                           // 0 butt, 1 round, 2 square, other butt
    int32_t join_;                          // 0 miter, 1 round, other bevel
    float miterLimit_;                      // miters longer than this times hw are cut
    float halfWidth_;                       // hw, width * 0.5: offset distance
    float arcStep_;                         // radians between arc points, in [pi/1024, 2 pi]
    bool usable_;                           // hw is finite and >= 0; else nothing is drawn
    bool poisoned_ = false;                 // the figure had a non-finite point: no outline
    bool hasSides_ = false;                 // left_/right_ hold this figure's sides
    GXPoint start_{};                       // start point of the figure
    GXPoint second_{};                      // end of its first segment (start cap direction)
    GXPoint previous_{};                    // start of the last segment added
    GXPoint current_{};                     // end of the last segment added
    Figure left_;                           // left offsets in path order, no repeats
    Figure right_;                          // right offsets in path order, no repeats
    std::vector<GXPoint> frontCap_;         // start-cap points in the order prepending adds them
    GXPoint lastEmitted_{};                 // last point sent in the outline being emitted
    uint32_t pointsLeft_;                   // outline points this pen may still send
    std::shared_ptr<GeometrySink> target_;  // receives closed outline figures; never null
};

}  // namespace Graphics
