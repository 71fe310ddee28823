#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include <boost/multiprecision/cpp_int.hpp>

#include "graphics/geometry/tessellationsink.h"

namespace Graphics {

// Signed 256-bit integer for ordering two crossing vertices exactly: a crossing's
// coordinates are quotients of 143-bit numerators by a 95-bit denominator, so a
// cross-multiplied comparison needs 238 bits. Tests of a crossing against an input vertex
// or a segment reduce to two products of 96-bit integers (see ProductSumSign).
using ExactInt = boost::multiprecision::number<boost::multiprecision::cpp_int_backend<
    256, 256, boost::multiprecision::signed_magnitude, boost::multiprecision::unchecked, void>>;

// Sweep-line tessellator. The operands' figures are flattened, mapped to the grid and cut
// into chains that are monotone in sweep order (increasing y, ties by increasing x); one
// sweep then walks every vertex and every crossing in that order, keeping the chains that
// span the sweep position in left-to-right order. All topology decisions are exact: input
// vertices are integers on a fixed-point grid (see GridToFixed), crossings are exact
// rationals compared with 256-bit arithmetic after cheap double-precision range tests.
// A subclass decides, at each event, what the edges mean (ProcessEdges) and what to output
// (EmitEdges).
class Scanner : public TessellationSink {
public:
    // precision: grid unit and flattening tolerance in user units (positive).
    explicit Scanner(float precision);

    void SetFillRule(int32_t rule) override;
    void BeginFigure(const GXPoint& start) override;
    void EndFigure() override;
    void EndFigureClose() override;
    void LineTo(const GXPoint& point) override;
    void CubicCurveTo(const GXPoint& c1, const GXPoint& c2, const GXPoint& end) override;
    void BeginOperand() override;
    // Runs the sweep over everything fed so far.
    void EndOperand() override;

    // Checks the sweep structures: the active list is ordered left to right without a
    // crossing between adjacent chains, every chain is strictly monotone, every active piece
    // starts before and ends after the current event and lies on its supporting segment.
    bool Validate() const;
    // Called after every sweep event (tests hang Validate here).
    void SetEventObserver(std::function<void(const Scanner&)> observer);

protected:
    struct Vertex {
        double x, y;       // fixed-point grid position; exact for input vertices, within
                           // 1/8 unit for crossings (the bound the double filters rely on)
        int64_t fx, fy;    // exact fixed-point position of an input vertex, |v| < 2^46
        int32_t crossing;  // index into crossings_, -1 for an input vertex
        float ux, uy;      // user-space position of an input vertex
        int32_t tops;      // chains whose current piece starts here
    };
    // A crossing: the input vertices of the two segments that cross (a-b and c-d). Its exact
    // position is the rational (nx / l, ny / l) rebuilt from them (ExactCoordinates).
    struct Crossing {
        int32_t a, b;  // first segment, upper then lower end (input vertices)
        int32_t c, d;  // second segment, the same way
    };
    // A segment between two input vertices in fixed-point units: upper end and extent.
    struct Segment {
        int64_t x, y, dx, dy;
    };
    struct Chain {
        int32_t begin, end;  // its vertices in chainVertices_, in sweep order, end - begin >= 2
        int32_t cur;         // index of the lower end of the current supporting segment
        int32_t top;         // vertex starting the current piece (an event vertex), -1
                             // before the chain starts
        int32_t bot;         // vertex ending the current piece: chainVertices_[cur] or a
                             // split point strictly above it on the supporting segment
        int32_t pending;     // split points between bot and chainVertices_[cur], nearest
                             // first (index into splits_, -1 when none)
        int8_t direction;    // +1 when the figure ran along it in sweep order, else -1
        int8_t operand;      // 1 or 2
        int8_t out;          // output side: -1 result interior begins to its right,
                             // +1 it ends there, 0 not on the result's boundary
        std::array<int32_t, 2> winding;  // winding of each operand just to its right
        int32_t piece;                   // output polygon holding its open end (emitting subclass)
        int32_t slot;                    // its index in the active list while active
        // The current supporting segment's ends (vertices) and the segment itself, kept
        // here since the tests at every event read them.
        int32_t upper, lower;
        Segment segment;
    };
    // An output edge that ended at an event, as it was before the event changed it.
    struct EndingEdge {
        int32_t chain;
        int8_t out;
        bool straight;  // the chain goes on along the same segment: the vertex is a split
                        // point, not a corner
    };

    // Decides winding and output side of the chains leaving the event, left to right;
    // left is the active chain just to their left (-1 when none).
    virtual void ProcessEdges(int32_t left, std::span<const int32_t> leaving) = 0;
    // Links the output edges that end at the event vertex with those leaving it.
    virtual void EmitEdges(int32_t vertex, std::span<const EndingEdge> ending,
                           std::span<const int32_t> leaving) = 0;

    // True when the two chains' current pieces run in the same direction (they then
    // coincide, since pieces leaving one vertex share it).
    bool SameDirection(int32_t a, int32_t b) const;
    GXPoint UserPoint(int32_t vertex) const;
    int32_t FillRule(int32_t operand) const { return rules_[operand - 1]; }

    std::vector<Chain> chains_;

private:
    struct Figure {
        int32_t begin, end;  // its input vertices in vertices_ (closing edge implied)
        int8_t operand;
    };
    struct Split {
        int32_t vertex;  // a split point on a chain's current supporting segment
        int32_t next;    // the next one further down, -1 at the end
    };
    // A vertex still to reach, with its y copied so that most comparisons need no look-up,
    // and a chain: for a start the chain starting there, otherwise one whose current segment
    // runs through it, from which the event finds its place in the active list instead of
    // searching.
    struct Event {
        double y;
        int32_t vertex;
        int32_t chain;
    };

    void AddPoint(const GXPoint& point);
    void CloseFigure();
    void PrepareChains();
    void BuildChains(const Figure& figure);
    void Sweep();
    void ProcessEvent(int32_t vertex, int32_t through, std::span<const int32_t> starting);
    bool Advance(Chain& chain);
    void SplitAt(Chain& chain, int32_t vertex);
    void TestPair(int32_t left, int32_t right);
    int32_t MakeCrossing(const Chain& p, const Chain& q);
    void SetTop(Chain& chain, int32_t vertex);
    // Makes chainVertices_[cur] the lower end of the chain's supporting segment.
    void EnterSegment(Chain& chain, int32_t cur);
    Segment SegmentOf(int32_t upper, int32_t lower) const;
    static void CrossingParameter(const Segment& first, const Segment& second, __int128& l,
                                  __int128& tNum);
    void CrossingParameter(const Crossing& crossing, __int128& l, __int128& tNum) const;
    void PushEvent(int32_t vertex, int32_t chain);
    void PopEvent();  // removes the earliest event
    bool Later(const Event& a, const Event& b) const;

    // Sweep order of two vertices: negative when a comes first, 0 at the same position.
    int Compare(int32_t a, int32_t b) const;
    // Compare for a crossing and another vertex closer in y than the double positions tell.
    int CompareNear(int32_t a, int32_t b) const;
    // Side of a vertex relative to a chain's supporting segment: negative right of it,
    // positive left, 0 on its line.
    int Orient(int32_t vertex, const Chain& chain) const;
    // Orient for a crossing too close to the segment's line for the double test.
    int OrientExact(const Crossing& crossing, const Segment& segment) const;
    void ExactCoordinates(int32_t vertex, ExactInt& nx, ExactInt& ny, ExactInt& l) const;
    // Sign of a crossing's coordinate minus an input vertex's, in x or in y.
    int CrossingMinusInput(const Vertex& crossingVertex, const Vertex& v, bool alongX) const;

    float precision_;     // flattening tolerance, user units
    double reciprocal_;   // grid units per user unit, from the single-precision reciprocal;
                          // crossings go back to user space by dividing by it, the exact
                          // inverse of the way in
    double fixedToGrid_;  // grid units per fixed-point unit (a power of two)
    std::array<int32_t, 2> rules_ = {0, 0};  // fill rule per operand
    int32_t operand_ = 0;                    // operand being fed, 1 or 2 (0 before the first)
    bool figureOpen_ = false;
    bool figureFinite_ = true;  // no NaN or infinity in the open figure so far
    int32_t figureStart_ = 0;   // first vertex of the open figure
    GXPoint current_ = {0, 0};  // current point of the open figure (user space)

    std::vector<Vertex> vertices_;
    std::vector<Figure> figures_;
    std::vector<Crossing> crossings_;
    std::vector<int32_t> chainVertices_;
    std::vector<Split> splits_;
    // Records no longer referenced, reused before the arrays grow: the sweep then keeps
    // only the crossings near the sweep position instead of every one it has passed.
    std::vector<int32_t> freeCrossings_;  // crossing vertices no chain starts from any more
    std::vector<int32_t> freeSplits_;
    std::vector<Event> starts_;    // chains' first vertices in sweep order
    std::vector<Event> arrivals_;  // chains' other vertices in sweep order
    std::vector<Event> events_;    // heap of crossings still to reach, earliest on top
    std::vector<int32_t> active_;  // chains spanning the sweep position, left to right
    int32_t event_ = -1;           // vertex of the event being processed or last processed
    std::vector<int32_t> leaving_;
    std::vector<EndingEdge> ending_;
    std::function<void(const Scanner&)> observer_;
};

}  // namespace Graphics
