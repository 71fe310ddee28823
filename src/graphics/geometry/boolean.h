#pragma once

#include <memory>
#include <vector>

#include "graphics/geometry/scanner.h"

namespace Graphics {

// Boolean combination of two filled operands: intersect (0), union (1), exclusive or (2),
// difference first - second (3) and reverse difference second - first (4). The sweep gives
// every chain the winding of each operand to its right; a chain bounds the result where
// the operation's answer differs on its two sides. Output edges are linked into closed
// polygons, all oriented alike, whose union under the non-zero rule is the result; each is
// sent to the target as soon as it closes.
class Boolean : public Scanner {
public:
    Boolean(float precision, int32_t operation, std::shared_ptr<GeometrySink> target);

    // Sweeps once the second operand has ended.
    void EndOperand() override;

protected:
    void ProcessEdges(int32_t left, std::span<const int32_t> leaving) override;
    void EmitEdges(int32_t vertex, std::span<const EndingEdge> ending,
                   std::span<const int32_t> leaving) override;

private:
    // An open output polygon: a list of points whose back end grows down the result's left
    // boundaries and whose front end grows down its right boundaries.
    struct Piece {
        int32_t head, tail;             // first and last node in nodes_
        int32_t frontChain, backChain;  // chains whose output edges hold the two open ends
    };
    struct Node {
        GXPoint point;  // user-space vertex
        int32_t next;   // next node of the polygon, -1 at the tail
    };
    // One output edge meeting the event vertex.
    struct Meeting {
        int32_t chain;
        int8_t out;
        bool ending;    // true when the edge ends at the vertex, false when it leaves it
        bool straight;  // an ending edge whose chain goes on along the same segment
    };

    // Whether a point with these windings of the first and second operand is in the result.
    bool Inside(int32_t first, int32_t second) const;
    void Append(int32_t piece, bool back, const GXPoint& point);
    void Send(int32_t piece);

    uint32_t resultMask_ = 0;  // bit in1 + 2·in2 set where such a point is in the result
    std::array<int32_t, 2> insideMasks_ = {~0, ~0};  // per operand, from its fill rule
    std::shared_ptr<GeometrySink> target_;
    int32_t operandsEnded_ = 0;
    std::vector<Piece> pieces_;
    std::vector<Node> nodes_;
    std::vector<Meeting> meetings_;  // scratch for EmitEdges
    struct Handover {
        int32_t from, to;  // ending chain whose polygon end passes to the leaving chain
        bool back;         // which end
        int32_t piece;     // resolved before any leaving chain is updated
    };
    std::vector<Handover> handovers_;                // scratch for EmitEdges
    std::vector<std::pair<int32_t, int32_t>> tops_;  // scratch for EmitEdges: new polygons'
                                                     // front and back chains
    std::vector<GXPoint> polygon_;                   // scratch for Send
};

}  // namespace Graphics
