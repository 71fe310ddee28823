#include "graphics/geometry/boolean.h"

namespace Graphics {

namespace {

// Whether a point inside operand 1 (in1) and operand 2 (in2) as given is in the result.
bool InResult(int32_t operation, bool in1, bool in2) {
    switch (operation) {
        case 0:
            return in1 && in2;
        case 1:
            return in1 || in2;
        case 2:
            return in1 != in2;
        case 3:
            return in1 && !in2;
        case 4:
            return in2 && !in1;
        default:
            return false;
    }
}

}  // namespace

Boolean::Boolean(float precision, int32_t operation, std::shared_ptr<GeometrySink> target)
    : Scanner(precision), target_(std::move(target)) {
    for (int k = 0; k < 4; ++k) {
        if (InResult(operation, (k & 1) != 0, (k & 2) != 0)) resultMask_ |= 1u << k;
    }
}

void Boolean::EndOperand() {
    if (++operandsEnded_ < 2) return;
    // A winding counts as inside where it has a bit of the mask: the lowest under even-odd,
    // any under non-zero.
    for (int i = 0; i < 2; ++i) insideMasks_[i] = FillRule(i + 1) == 1 ? 1 : ~0;
    Scanner::EndOperand();
}

bool Boolean::Inside(int32_t first, int32_t second) const {
    const bool in1 = (first & insideMasks_[0]) != 0;
    const bool in2 = (second & insideMasks_[1]) != 0;
    return (resultMask_ >> (static_cast<int>(in1) | static_cast<int>(in2) << 1)) & 1;
}

void Boolean::ProcessEdges(int32_t left, std::span<const int32_t> leaving) {
    // The windings of the two operands are kept as scalars: updating one half of an array in
    // memory and reading it back whole stalls on store forwarding, and this runs at every event.
    int32_t first = left >= 0 ? chains_[left].winding[0] : 0;
    int32_t second = left >= 0 ? chains_[left].winding[1] : 0;
    bool inside = Inside(first, second);
    // Pieces leaving in the same direction coincide: only the state across the whole bundle
    // matters, and at most its last piece carries the boundary, so coincident edges never
    // turn into zero-width slivers.
    for (size_t i = 0; i < leaving.size();) {
        size_t j = i;
        for (;; ++j) {
            Chain& chain = chains_[leaving[j]];
            first += (2 - chain.operand) * chain.direction;  // operand is 1 or 2
            second += (chain.operand - 1) * chain.direction;
            chain.winding = {first, second};
            if (j + 1 == leaving.size() || !SameDirection(leaving[j + 1], leaving[i])) break;
        }
        const bool after = Inside(first, second);
        // -1 where the result's interior begins, +1 where it ends, 0 where neither.
        chains_[leaving[j]].out =
            static_cast<int8_t>(static_cast<int>(inside) - static_cast<int>(after));
        inside = after;
        i = j + 1;
    }
}

void Boolean::Append(int32_t piece, bool back, const GXPoint& point) {
    Piece& p = pieces_[piece];
    const auto node = static_cast<int32_t>(nodes_.size());
    if (back) {
        nodes_.push_back({point, -1});
        nodes_[p.tail].next = node;
        p.tail = node;
    } else {
        nodes_.push_back({point, p.head});
        p.head = node;
    }
}

void Boolean::EmitEdges(int32_t vertex, std::span<const EndingEdge> ending,
                        std::span<const int32_t> leaving) {
    // Around the vertex, in circular order: ending edges left to right above it, then
    // leaving output edges right to left below it. The result's boundary alternates between
    // entering and leaving its interior around the vertex; the two edges on either side of
    // each interior wedge are joined there, so polygons that only touch at a vertex stay
    // separate.
    meetings_.clear();
    for (const EndingEdge& e : ending) meetings_.push_back({e.chain, e.out, true, e.straight});
    for (size_t i = leaving.size(); i-- > 0;) {
        const Chain& chain = chains_[leaving[i]];
        if (chain.out != 0) meetings_.push_back({leaving[i], chain.out, false, false});
    }
    const size_t n = meetings_.size();
    if (n == 0) return;
    // The wedge after an ending edge is to its right, after a leaving one to its left.
    auto interiorAfter = [&](size_t k) {
        return meetings_[k].ending ? meetings_[k].out < 0 : meetings_[k].out > 0;
    };
    size_t start = 0;
    while (!interiorAfter(start)) ++start;
    const GXPoint point = UserPoint(vertex);
    handovers_.clear();
    tops_.clear();
    for (size_t k = 0; k < n; k += 2) {
        Meeting a = meetings_[(start + k) % n];
        Meeting b = meetings_[(start + k + 1) % n];
        if (a.ending && b.ending) {
            // A bottom: a carries the back end of its polygon, b the front end of its own.
            const int32_t pa = chains_[a.chain].piece;
            const int32_t pb = chains_[b.chain].piece;
            Append(pa, true, point);
            if (pa == pb) {
                Send(pa);
                continue;
            }
            nodes_[pieces_[pa].tail].next = pieces_[pb].head;
            pieces_[pa].tail = pieces_[pb].tail;
            pieces_[pa].backChain = pieces_[pb].backChain;
            chains_[pieces_[pa].backChain].piece = pa;
        } else if (!a.ending && !b.ending) {
            tops_.push_back({a.chain, b.chain});
        } else {
            if (!a.ending) std::swap(a, b);
            const bool back = a.out < 0;
            // A boundary edge running straight through a crossing of other edges gets no
            // vertex there.
            if (a.chain != b.chain || !a.straight) Append(chains_[a.chain].piece, back, point);
            handovers_.push_back({a.chain, b.chain, back, -1});
        }
    }
    // A chain may both end and leave here: every handed-over polygon is read (after the
    // merges above) before any leaving chain takes its new one.
    for (Handover& h : handovers_) h.piece = chains_[h.from].piece;
    for (const Handover& h : handovers_) {
        chains_[h.to].piece = h.piece;
        (h.back ? pieces_[h.piece].backChain : pieces_[h.piece].frontChain) = h.to;
    }
    // A top: a new polygon, the right edge (interior to its left) growing its front end.
    for (const auto& [front, back] : tops_) {
        const auto node = static_cast<int32_t>(nodes_.size());
        nodes_.push_back({point, -1});
        pieces_.push_back({node, node, front, back});
        chains_[front].piece = chains_[back].piece = static_cast<int32_t>(pieces_.size() - 1);
    }
}

namespace {

bool Same(const GXPoint& a, const GXPoint& b) {
    return a.x == b.x && a.y == b.y;
}

// b is the tip of a zero-width spike a -> b -> c: the three are collinear and the path turns
// back at b (or a and c coincide).
bool IsSpike(const GXPoint& a, const GXPoint& b, const GXPoint& c) {
    const double ux = static_cast<double>(b.x) - a.x, uy = static_cast<double>(b.y) - a.y;
    const double vx = static_cast<double>(c.x) - b.x, vy = static_cast<double>(c.y) - b.y;
    return Same(a, c) || (ux * vy - uy * vx == 0 && ux * vx + uy * vy < 0);
}

}  // namespace

void Boolean::Send(int32_t piece) {
    // Exactly, the polygon has no repeated point and no spike; rounding its crossings to
    // single precision can make a tiny feature collapse into one, which is removed here.
    polygon_.clear();
    for (int32_t i = pieces_[piece].head; i >= 0; i = nodes_[i].next) {
        const GXPoint& p = nodes_[i].point;
        if (!polygon_.empty() && Same(p, polygon_.back())) continue;
        polygon_.push_back(p);
        while (polygon_.size() >= 3 &&
               IsSpike(polygon_[polygon_.size() - 3], polygon_[polygon_.size() - 2], p)) {
            polygon_.erase(polygon_.end() - 2);
            if (Same(polygon_[polygon_.size() - 2], p)) polygon_.pop_back();
        }
    }
    // Around the closing point as well.
    for (bool changed = true; changed && polygon_.size() >= 3;) {
        const size_t n = polygon_.size();
        changed = true;
        if (Same(polygon_[n - 1], polygon_[0])) {
            polygon_.pop_back();
        } else if (IsSpike(polygon_[n - 2], polygon_[n - 1], polygon_[0])) {
            polygon_.pop_back();
        } else if (IsSpike(polygon_[n - 1], polygon_[0], polygon_[1])) {
            polygon_.erase(polygon_.begin());
        } else {
            changed = false;
        }
    }
    // Crossings that round onto the same float point can leave nothing to enclose.
    if (polygon_.size() < 3) return;
    target_->BeginFigure(polygon_.front());
    for (size_t i = 1; i < polygon_.size(); ++i) target_->LineTo(polygon_[i]);
    target_->EndFigureClose();
}

}  // namespace Graphics
