#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "graphics/geometry/geometrysink.h"

namespace Graphics {

// Cuts each figure into dashes before the Pen: every dash becomes an open figure of its
// own. The pattern runs on through all figures of one replay, and a closed figure is
// dashed as an open one (its seam gets caps, not a join).
class Dasher final : public GeometrySink {
public:
    // The cursor in the dash pattern. The period is twice the sum of the elements, so an
    // odd count alternates the meaning of its elements on the second pass.
    class Sequence {
    public:
        // Throws "Dash pattern has a negative element", "Dash pattern has zero length", or
        // for NaN, infinite or overflowing elements "Dash pattern is not finite".
        Sequence(const std::vector<float>& elements, float offset);

        // Length left in the current element (may be a hair below 0 inside ε).
        float Remaining() const { return elements_[current_] - position_; }
        bool IsOff() const { return off_; }
        // Consumes `length` and moves to the element that then holds the position.
        void Advance(float length);

    private:
        void Normalise();
        void Step();

        std::vector<float> elements_;  // dash, gap, dash, ... lengths, >= 0, sum > 0
        size_t current_ = 0;           // index of the element holding the position
        float position_ = 0;           // length consumed inside the current element
        float period_ = 0;             // twice the sum of the elements, finite
        bool off_ = false;             // the current element is a gap
        bool atZeroElement_ = false;   // a zero-length element has had its one visit
    };

    Dasher(float tolerance, const std::vector<float>& dashes, float offset,
           std::shared_ptr<GeometrySink> target);

    // True when the pattern repeats within `tolerance`: its dashes and gaps are finer than
    // the flattening can show, so the stroke is drawn solid (the pattern's look from any
    // distance) instead of as millions of dashes and caps.
    static bool IsFinerThan(const std::vector<float>& dashes, float tolerance);

    void SetFillRule(int32_t) override {}
    void BeginFigure(const GXPoint& start) override;
    void EndFigure() override;
    void EndFigureClose() override;
    void LineTo(const GXPoint& point) override;
    void CubicCurveTo(const GXPoint& c1, const GXPoint& c2, const GXPoint& end) override;

private:
    // Sends the piece from `from` to `to`, dash (off false) or gap.
    void Piece(const GXPoint& from, const GXPoint& to, bool off);
    // Ends this figure's output at a non-finite point.
    void Poison(const GXPoint& bad);

    float tolerance_;                       // flattening tolerance, >= 2^-23 (or infinite)
    Sequence sequence_;                     // runs through every figure of the replay
    GXPoint start_{};                       // start point of the figure
    GXPoint current_{};                     // end of the last segment consumed
    bool outputOff_ = true;                 // the target has no figure open
    bool poisoned_ = false;                 // the figure had a non-finite point: skip the rest
    uint32_t piecesLeft_;                   // dash boundaries this stroke may still place
    std::shared_ptr<GeometrySink> target_;  // the Pen; never null
};

}  // namespace Graphics
