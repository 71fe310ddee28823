#include "graphics/geometry/scanner.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

#include "graphics/geometry/figureflattener.h"
#include "graphics/geometry/productsumsign.h"

namespace Graphics {

namespace {

using Int128 = __int128;

// Input vertices live on a fixed-point grid with magnitudes below 2^46, so coordinate
// differences fit 47 bits, products of two differences 95 bits (Int128) and every exact
// crossing test stays within ExactInt (see the bound there).
constexpr int kFixedBits = 46;
// Bound on the error of a crossing's double position, in fixed-point units. With u = 2^-53:
// t = fl(fl(tNum) / fl(l)) is within (1 + u)^3 - 1 < 3.01u of tNum / l; multiplied by the
// exact segment extent |d| < 2^47 and rounded, the offset d·t is off by under
// 2^47·4.02u < 2^-3.9; adding the exact start (|sum| <= 2^46, half an ulp 2^-7) gives a total
// below 0.075. Every range test built on it also absorbs the rounding of one difference of
// two positions (half an ulp of 2^47, 2^-6): twice the slack, 0.5, exceeds 2·0.075 + 2^-6.
constexpr double kCrossingSlack = 0.25;

int Sign(Int128 v) {
    return (v > 0) - (v < 0);
}

ExactInt ToExact(Int128 v) {
    // Two's complement halves: v = hi * 2^64 + lo with lo unsigned.
    ExactInt r = static_cast<int64_t>(v >> 64);
    r <<= 64;
    r += static_cast<uint64_t>(v);
    return r;
}

// Correctly rounded conversion of |v| < 2^101 without the library's general 128-bit
// routine: both halves are exact doubles (the upper one below 2^53, scaled by a power of
// two), so their sum rounds once, like a direct conversion.
double ToDouble(Int128 v) {
    const auto high = static_cast<int64_t>(v >> 48);
    const auto low = static_cast<int64_t>(v - (static_cast<Int128>(high) << 48));
    return static_cast<double>(high) * 0x1p48 + static_cast<double>(low);
}

bool IsFinite(const GXPoint& p) {
    return std::isfinite(p.x) && std::isfinite(p.y);
}

}  // namespace

Scanner::Scanner(float precision) : precision_(precision) {
    // The reciprocal of a denormal precision overflows single precision; any finite scale
    // keeps the topology, so the largest one stands in.
    const float reciprocal = 1.0f / precision;
    reciprocal_ = std::isfinite(reciprocal) ? reciprocal : FLT_MAX;
}

void Scanner::SetFillRule(int32_t rule) {
    if (operand_ > 0) rules_[operand_ - 1] = rule;
}

void Scanner::BeginOperand() {
    // A figure left open belongs to the operand it was begun in.
    if (figureOpen_) CloseFigure();
    operand_ = std::min(operand_ + 1, 2);
}

void Scanner::EndOperand() {
    if (figureOpen_) CloseFigure();
    Sweep();
}

void Scanner::SetEventObserver(std::function<void(const Scanner&)> observer) {
    observer_ = std::move(observer);
}

void Scanner::BeginFigure(const GXPoint& start) {
    if (figureOpen_) CloseFigure();
    figureOpen_ = true;
    figureFinite_ = true;
    figureStart_ = static_cast<int32_t>(vertices_.size());
    AddPoint(start);
}

void Scanner::EndFigure() {
    if (figureOpen_) CloseFigure();
}

// Open figures are filled as closed ones, so both ends close the polygon.
void Scanner::EndFigureClose() {
    EndFigure();
}

void Scanner::LineTo(const GXPoint& point) {
    if (figureOpen_) AddPoint(point);
}

void Scanner::CubicCurveTo(const GXPoint& c1, const GXPoint& c2, const GXPoint& end) {
    if (!figureOpen_) return;
    // Flattened in user space, so the tolerance is the precision itself (raised where a
    // float could not tell the points apart anyway).
    FigureFlattener flattener;
    flattener.Init(FigureFlattener::UsableTolerance(precision_, current_, c1, c2, end), current_,
                   c1, c2, end);
    GXPoint point;
    while (flattener.Next(point)) AddPoint(point);
    AddPoint(end);
}

void Scanner::AddPoint(const GXPoint& point) {
    current_ = point;
    if (!IsFinite(point)) {
        figureFinite_ = false;
        return;
    }
    Vertex v{};
    v.x = static_cast<double>(point.x) * reciprocal_ + 0.5;
    v.y = static_cast<double>(point.y) * reciprocal_ + 0.5;
    v.crossing = -1;
    v.ux = point.x;
    v.uy = point.y;
    vertices_.push_back(v);
}

void Scanner::CloseFigure() {
    figureOpen_ = false;
    const auto end = static_cast<int32_t>(vertices_.size());
    // A figure with a NaN or infinite point has no meaningful interior: it is left out
    // rather than letting garbage reach the exact arithmetic.
    if (!figureFinite_ || operand_ == 0) {
        vertices_.resize(figureStart_);
        return;
    }
    figures_.push_back({figureStart_, end, static_cast<int8_t>(operand_)});
}

void Scanner::PrepareChains() {
    // One power-of-two scale for all operands maps the largest coordinate just below
    // 2^kFixedBits; relative to the extent, the grid step is 2^-46, far below float ulps.
    double largest = 0;
    for (const Vertex& v : vertices_) largest = std::max({largest, std::fabs(v.x), std::fabs(v.y)});
    int exponent = 0;
    if (largest > 0) std::frexp(largest, &exponent);
    const int shift = kFixedBits - exponent;
    fixedToGrid_ = std::ldexp(1.0, -shift);
    for (Vertex& v : vertices_) {
        v.fx = std::llround(std::ldexp(v.x, shift));
        v.fy = std::llround(std::ldexp(v.y, shift));
        v.x = static_cast<double>(v.fx);
        v.y = static_cast<double>(v.fy);
    }
    for (const Figure& figure : figures_) BuildChains(figure);
    // Every input vertex event is known now: sorted once, they leave the queue to the
    // crossings, which makes it shallower.
    starts_.clear();
    arrivals_.clear();
    for (size_t i = 0; i < chains_.size(); ++i) {
        const auto c = static_cast<int32_t>(i);
        const int32_t first = chainVertices_[chains_[i].begin];
        starts_.push_back({vertices_[first].y, first, c});
        for (int32_t k = chains_[i].begin + 1; k < chains_[i].end; ++k) {
            arrivals_.push_back({vertices_[chainVertices_[k]].y, chainVertices_[k], c});
        }
    }
    const auto earlier = [this](const Event& a, const Event& b) {
        return Compare(a.vertex, b.vertex) < 0;
    };
    std::sort(starts_.begin(), starts_.end(), earlier);
    std::sort(arrivals_.begin(), arrivals_.end(), earlier);
}

void Scanner::BuildChains(const Figure& figure) {
    // Distinct consecutive positions of the closed polygon.
    std::vector<int32_t> ring;
    ring.reserve(figure.end - figure.begin);
    for (int32_t v = figure.begin; v < figure.end; ++v) {
        if (ring.empty() || Compare(ring.back(), v) != 0) ring.push_back(v);
    }
    while (ring.size() > 1 && Compare(ring.back(), ring.front()) == 0) ring.pop_back();
    // Fewer than three positions enclose nothing: the edges there and back cancel.
    const auto n = static_cast<int32_t>(ring.size());
    if (n < 3) return;
    auto down = [&](int32_t i) { return Compare(ring[i % n], ring[(i + 1) % n]) < 0; };
    // Start at a turn in sweep direction so that no chain wraps around the ring's start.
    int32_t first = 0;
    while (first < n && down((first + n - 1) % n) == down(first)) ++first;
    for (int32_t i = first; i < first + n;) {
        const bool isDown = down(i);
        int32_t j = i + 1;
        while (j < first + n && down(j) == isDown) ++j;
        Chain chain{};
        chain.begin = static_cast<int32_t>(chainVertices_.size());
        for (int32_t k = i; k <= j; ++k) chainVertices_.push_back(ring[k % n]);
        chain.end = static_cast<int32_t>(chainVertices_.size());
        if (!isDown) std::reverse(chainVertices_.begin() + chain.begin, chainVertices_.end());
        chain.direction = isDown ? 1 : -1;
        chain.operand = figure.operand;
        chain.pending = -1;
        chain.piece = -1;
        chain.top = -1;
        chains_.push_back(chain);
        i = j;
    }
}

// The queue is a four-ary heap: half the depth of a binary one, and the up to four children
// of a node are neighbours in memory. A pop sinks the last entry all the way down, so depth
// is what costs; a new crossing mostly stays within a level of the bottom.
void Scanner::PushEvent(int32_t vertex, int32_t chain) {
    const Event event{vertices_[vertex].y, vertex, chain};
    auto i = events_.size();
    events_.emplace_back();
    while (i > 0) {
        const size_t parent = (i - 1) / 4;
        if (!Later(events_[parent], event)) break;
        events_[i] = events_[parent];
        i = parent;
    }
    events_[i] = event;
}

void Scanner::PopEvent() {
    const Event last = events_.back();
    events_.pop_back();
    const size_t n = events_.size();
    if (n == 0) return;
    size_t i = 0;
    for (;;) {
        const size_t first = 4 * i + 1;
        if (first >= n) break;
        const size_t end = std::min(first + 4, n);
        // The earliest child by its double y, picked without branches; that is the earliest
        // one exactly unless another child comes within the slack of the running minimum.
        size_t earliest = first;
        double earliestY = events_[first].y;
        bool close = false;
        for (size_t c = first + 1; c < end; ++c) {
            const double y = events_[c].y;
            close |= std::fabs(y - earliestY) <= 2 * kCrossingSlack;
            const bool before = y < earliestY;
            earliest = before ? c : earliest;
            earliestY = before ? y : earliestY;
        }
        if (close) {
            earliest = first;
            for (size_t c = first + 1; c < end; ++c) {
                if (Later(events_[earliest], events_[c])) earliest = c;
            }
        }
        if (!Later(last, events_[earliest])) break;
        events_[i] = events_[earliest];
        i = earliest;
    }
    events_[i] = last;
}

// The helpers that run several times at every event (Later, Compare, Orient, TestPair,
// SetTop, Advance, SplitAt) are defined inline: as calls, their entry and exit cost about a
// twentieth of the sweep. Their rare exact paths stay out of line.

// Positions more than twice the crossing slack apart in y are ordered by their doubles (two
// input vertices at different y are at least one unit apart); closer ones by Compare.
inline bool Scanner::Later(const Event& a, const Event& b) const {
    if (std::fabs(a.y - b.y) > 2 * kCrossingSlack) return a.y > b.y;
    // The same vertex often meets itself: the queue's top against the event it makes.
    return a.vertex != b.vertex && Compare(a.vertex, b.vertex) > 0;
}

void Scanner::Sweep() {
    PrepareChains();
    std::vector<int32_t> starting;
    size_t nextStart = 0, nextArrival = 0;
    for (;;) {
        // The earliest of the next start, the next arrival and the queue's top; everything
        // else at its position is not later than it.
        const Event* earliest = nullptr;
        const auto consider = [&](const Event& e) {
            if (!earliest || Later(*earliest, e)) earliest = &e;
        };
        if (nextStart < starts_.size()) consider(starts_[nextStart]);
        if (nextArrival < arrivals_.size()) consider(arrivals_[nextArrival]);
        if (!events_.empty()) consider(events_.front());
        if (!earliest) break;
        const Event current = *earliest;  // a copy: popping moves the queue's entries
        int32_t through = -1;
        while (nextArrival < arrivals_.size() && !Later(arrivals_[nextArrival], current)) {
            through = arrivals_[nextArrival++].chain;
        }
        while (!events_.empty() && !Later(events_.front(), current)) {
            through = events_.front().chain;
            PopEvent();
        }
        starting.clear();
        while (nextStart < starts_.size() && !Later(starts_[nextStart], current)) {
            starting.push_back(starts_[nextStart++].chain);
        }
        ProcessEvent(current.vertex, through, starting);
        if (observer_) observer_(*this);
    }
}

// through: an active chain whose current segment runs through the vertex, or -1.
void Scanner::ProcessEvent(int32_t vertex, int32_t through, std::span<const int32_t> starting) {
    event_ = vertex;
    // Every chain through the event position, ending there or passing it, forms one run of
    // the active list: left of it the event is right of every chain, right of it left. From
    // a chain known to be in the run, the run is found by walking out to its ends.
    int32_t lo, hi;
    if (through >= 0) {
        lo = chains_[through].slot;
        hi = lo + 1;
        while (lo > 0 && Orient(vertex, chains_[active_[lo - 1]]) == 0) --lo;
        while (hi < static_cast<int32_t>(active_.size()) &&
               Orient(vertex, chains_[active_[hi]]) == 0)
            ++hi;
    } else {
        const auto first =
            std::partition_point(active_.begin(), active_.end(),
                                 [&](int32_t c) { return Orient(vertex, chains_[c]) < 0; });
        const auto last = std::partition_point(
            first, active_.end(), [&](int32_t c) { return Orient(vertex, chains_[c]) == 0; });
        lo = static_cast<int32_t>(first - active_.begin());
        hi = static_cast<int32_t>(last - active_.begin());
    }

    ending_.clear();
    leaving_.clear();
    for (int32_t i = lo; i < hi; ++i) {
        const int32_t c = active_[i];
        Chain& chain = chains_[c];
        // A chain passing through the event's position in mid-piece (a vertex of another
        // figure on it, or a third chain through a crossing) is cut there as well.
        const bool passing = Compare(chain.bot, vertex) != 0;
        if (chain.out != 0) {
            ending_.push_back({c, chain.out, passing || chain.bot != chain.lower});
        }
        if (passing) SplitAt(chain, vertex);
        if (Advance(chain)) {
            leaving_.push_back(c);
        } else {
            SetTop(chain, -1);
        }
    }
    for (int32_t c : starting) {
        Chain& chain = chains_[c];
        EnterSegment(chain, chain.begin + 1);
        chain.bot = chain.lower;
        leaving_.push_back(c);
    }
    // Pieces leaving one vertex are ordered by direction: cross(u, w) < 0 puts u left.
    const auto leftOf = [this](int32_t a, int32_t b) {
        const Segment& u = chains_[a].segment;
        const Segment& w = chains_[b].segment;
        return Int128(u.dx) * w.dy - Int128(u.dy) * w.dx < 0;
    };
    // Crossings, the common event, have two: one test instead of a sort.
    if (leaving_.size() == 2) {
        if (leftOf(leaving_[1], leaving_[0])) std::swap(leaving_[0], leaving_[1]);
    } else {
        std::sort(leaving_.begin(), leaving_.end(), leftOf);
    }
    for (int32_t c : leaving_) {
        SetTop(chains_[c], vertex);
        chains_[c].out = 0;
    }
    // Most events pass one chain through: the run is overwritten in place then.
    const auto count = static_cast<int32_t>(leaving_.size());
    if (count > hi - lo) {
        active_.insert(active_.begin() + hi, count - (hi - lo), -1);
    } else if (count < hi - lo) {
        active_.erase(active_.begin() + lo + count, active_.begin() + hi);
    }
    std::copy(leaving_.begin(), leaving_.end(), active_.begin() + lo);
    const auto renumbered = count == hi - lo ? lo + count : static_cast<int32_t>(active_.size());
    for (int32_t i = lo; i < renumbered; ++i) chains_[active_[i]].slot = i;

    ProcessEdges(lo > 0 ? active_[lo - 1] : -1, leaving_);
    EmitEdges(vertex, ending_, leaving_);

    // Only chains that have just become neighbours can cross next.
    const auto size = static_cast<int32_t>(active_.size());
    if (count == 0) {
        if (lo > 0 && lo < size) TestPair(active_[lo - 1], active_[lo]);
    } else {
        if (lo > 0) TestPair(active_[lo - 1], active_[lo]);
        if (lo + count < size) TestPair(active_[lo + count - 1], active_[lo + count]);
    }
}

// A crossing is referenced by the event queue and the chains' split lists until the sweep
// reaches it, and afterwards only as the top of the pieces leaving it; once the last of
// those moves on, its records are free for the next crossing.
inline void Scanner::SetTop(Chain& chain, int32_t vertex) {
    if (chain.top >= 0) {
        Vertex& old = vertices_[chain.top];
        if (--old.tops == 0 && old.crossing >= 0) freeCrossings_.push_back(chain.top);
    }
    chain.top = vertex;
    if (vertex >= 0) ++vertices_[vertex].tops;
}

inline bool Scanner::Advance(Chain& chain) {
    if (chain.pending >= 0) {
        const int32_t split = chain.pending;
        chain.bot = splits_[split].vertex;
        chain.pending = splits_[split].next;
        freeSplits_.push_back(split);
    } else if (chain.bot != chain.lower) {
        chain.bot = chain.lower;
    } else if (chain.cur + 1 < chain.end) {
        EnterSegment(chain, chain.cur + 1);
        chain.bot = chain.lower;
    } else {
        return false;
    }
    return true;
}

// Every split point lies strictly above the chain's current bottom, so the old bottom is
// the nearest pending point below the new one.
inline void Scanner::SplitAt(Chain& chain, int32_t vertex) {
    if (chain.bot != chain.lower) {
        int32_t split;
        if (freeSplits_.empty()) {
            split = static_cast<int32_t>(splits_.size());
            splits_.emplace_back();
        } else {
            split = freeSplits_.back();
            freeSplits_.pop_back();
        }
        splits_[split] = {chain.bot, chain.pending};
        chain.pending = split;
    }
    chain.bot = vertex;
}

inline void Scanner::TestPair(int32_t left, int32_t right) {
    Chain& p = chains_[left];
    Chain& q = chains_[right];
    // p is left of q just below the event. Both are straight down to the earlier of their
    // bottoms; they cross before it exactly when that bottom lies strictly on the wrong
    // side of the other chain. A bottom exactly on the other chain is met by the other
    // chain at that event, which cuts it there.
    const int order = Compare(p.bot, q.bot);
    if (order == 0) return;
    const bool crosses = order < 0 ? Orient(p.bot, q) < 0 : Orient(q.bot, p) > 0;
    if (!crosses) return;
    const int32_t crossing = MakeCrossing(p, q);
    SplitAt(p, crossing);
    SplitAt(q, crossing);
    PushEvent(crossing, left);
}

void Scanner::EnterSegment(Chain& chain, int32_t cur) {
    chain.cur = cur;
    chain.upper = chainVertices_[cur - 1];
    chain.lower = chainVertices_[cur];
    chain.segment = SegmentOf(chain.upper, chain.lower);
}

Scanner::Segment Scanner::SegmentOf(int32_t upper, int32_t lower) const {
    const Vertex& a = vertices_[upper];
    const Vertex& b = vertices_[lower];
    return {a.fx, a.fy, b.fx - a.fx, b.fy - a.fy};
}

// The crossing of the first segment with the second is at its start plus its extent times
// t = tNum / l in (0, 1), l > 0.
void Scanner::CrossingParameter(const Segment& first, const Segment& second, Int128& l,
                                Int128& tNum) {
    l = Int128(first.dx) * second.dy - Int128(first.dy) * second.dx;
    tNum = Int128(second.x - first.x) * second.dy - Int128(second.y - first.y) * second.dx;
    if (l < 0) {
        l = -l;
        tNum = -tNum;
    }
}

void Scanner::CrossingParameter(const Crossing& crossing, Int128& l, Int128& tNum) const {
    CrossingParameter(SegmentOf(crossing.a, crossing.b), SegmentOf(crossing.c, crossing.d), l,
                      tNum);
}

int32_t Scanner::MakeCrossing(const Chain& p, const Chain& q) {
    // Only the two segments are kept: the exact rationals are rebuilt in the rare case that
    // a range test cannot decide.
    const Crossing crossing{p.upper, p.lower, q.upper, q.lower};
    Int128 l, tNum;
    CrossingParameter(p.segment, q.segment, l, tNum);
    // Within kCrossingSlack of the exact position (the derivation is at kCrossingSlack).
    const double t = ToDouble(tNum) / ToDouble(l);
    Vertex v{};
    v.x = static_cast<double>(p.segment.x) + static_cast<double>(p.segment.dx) * t;
    v.y = static_cast<double>(p.segment.y) + static_cast<double>(p.segment.dy) * t;
    if (freeCrossings_.empty()) {
        v.crossing = static_cast<int32_t>(crossings_.size());
        crossings_.push_back(crossing);
        vertices_.push_back(v);
        return static_cast<int32_t>(vertices_.size() - 1);
    }
    const int32_t vertex = freeCrossings_.back();
    freeCrossings_.pop_back();
    v.crossing = vertices_[vertex].crossing;
    crossings_[v.crossing] = crossing;
    vertices_[vertex] = v;
    return vertex;
}

void Scanner::ExactCoordinates(int32_t vertex, ExactInt& nx, ExactInt& ny, ExactInt& l) const {
    const Vertex& v = vertices_[vertex];
    if (v.crossing < 0) {
        nx = v.fx;
        ny = v.fy;
        l = 1;
        return;
    }
    const Crossing& crossing = crossings_[v.crossing];
    Int128 l128, tNum;
    CrossingParameter(crossing, l128, tNum);
    const Vertex& a = vertices_[crossing.a];
    const Vertex& b = vertices_[crossing.b];
    l = ToExact(l128);
    const ExactInt t = ToExact(tNum);
    nx = ExactInt(a.fx) * l + ExactInt(b.fx - a.fx) * t;
    ny = ExactInt(a.fy) * l + ExactInt(b.fy - a.fy) * t;
}

// With X = A + (B - A)·tNum / l and l > 0, X - V has the sign of
// (A - V)·l + (B - A)·tNum, two products of integers below 2^96.
int Scanner::CrossingMinusInput(const Vertex& crossingVertex, const Vertex& v, bool alongX) const {
    const Crossing& crossing = crossings_[crossingVertex.crossing];
    Int128 l, tNum;
    CrossingParameter(crossing, l, tNum);
    const Vertex& a = vertices_[crossing.a];
    const Vertex& b = vertices_[crossing.b];
    return alongX ? ProductSumSign::Of(a.fx - v.fx, l, b.fx - a.fx, tNum)
                  : ProductSumSign::Of(a.fy - v.fy, l, b.fy - a.fy, tNum);
}

inline int Scanner::Compare(int32_t a, int32_t b) const {
    if (a == b) return 0;
    const Vertex& va = vertices_[a];
    const Vertex& vb = vertices_[b];
    // Range test first: the double positions are within kCrossingSlack of the truth (input
    // vertices exactly there, and a whole unit apart where their y differ).
    if (std::fabs(va.y - vb.y) > 2 * kCrossingSlack) return va.y < vb.y ? -1 : 1;
    if (va.crossing < 0 && vb.crossing < 0) {
        if (va.fy != vb.fy) return va.fy < vb.fy ? -1 : 1;
        if (va.fx != vb.fx) return va.fx < vb.fx ? -1 : 1;
        return 0;
    }
    return CompareNear(a, b);
}

// Kept apart from Compare, whose quick cases run several times per event: the exact
// arithmetic's stack frame would otherwise be set up on every call.
int Scanner::CompareNear(int32_t a, int32_t b) const {
    const Vertex& va = vertices_[a];
    const Vertex& vb = vertices_[b];
    if (va.crossing < 0 || vb.crossing < 0) {
        // A crossing against an input vertex.
        const int flip = va.crossing < 0 ? -1 : 1;
        const Vertex& x = va.crossing < 0 ? vb : va;
        const Vertex& v = va.crossing < 0 ? va : vb;
        const int y = CrossingMinusInput(x, v, false);
        if (y != 0) return flip * y;
        if (std::fabs(va.x - vb.x) > 2 * kCrossingSlack) return va.x < vb.x ? -1 : 1;
        return flip * CrossingMinusInput(x, v, true);
    }
    // Two crossings: cross-multiplied rationals of up to 238 bits.
    ExactInt ax, ay, al, bx, by, bl;
    ExactCoordinates(a, ax, ay, al);
    ExactCoordinates(b, bx, by, bl);
    const int y = (ay * bl).compare(by * al);
    if (y != 0) return y < 0 ? -1 : 1;
    if (std::fabs(va.x - vb.x) > 2 * kCrossingSlack) return va.x < vb.x ? -1 : 1;
    const int x = (ax * bl).compare(bx * al);
    return (x > 0) - (x < 0);
}

inline int Scanner::Orient(int32_t vertex, const Chain& chain) const {
    const Segment& s = chain.segment;
    const Vertex& v = vertices_[vertex];
    const int64_t dx = s.dx, dy = s.dy;
    if (v.crossing < 0) {
        return Sign(Int128(dx) * (v.fy - s.y) - Int128(dy) * (v.fx - s.x));
    }
    // A crossing lies on both segments it was made from: the common case of a chain tested
    // against its own crossing needs no arithmetic at all.
    const Crossing& crossing = crossings_[v.crossing];
    if ((crossing.a == chain.upper && crossing.b == chain.lower) ||
        (crossing.c == chain.upper && crossing.d == chain.lower))
        return 0;
    const double p1 = static_cast<double>(dx) * (v.y - static_cast<double>(s.y));
    const double p2 = static_cast<double>(dy) * (v.x - static_cast<double>(s.x));
    // With a the segment's upper end, the differences v - a are off by the position error
    // plus their own rounding (0.075 + 2^-6 < kCrossingSlack, see there), which |dx| + |dy|
    // scales; the two products and their difference add at most 2u(|p1| + |p2|) + O(u^2),
    // well under the 8u = 2^-50 allowed.
    const double bound =
        (std::fabs(static_cast<double>(dx)) + std::fabs(static_cast<double>(dy))) * kCrossingSlack +
        (std::fabs(p1) + std::fabs(p2)) * 0x1p-50;
    const double approx = p1 - p2;
    if (approx > bound) return 1;
    if (approx < -bound) return -1;
    return OrientExact(crossing, s);
}

// With X = C + (D - C)·tNum / l (l > 0, C-D the crossing's first segment) and a-b the
// segment, the side scaled by l is cross(b - a, C - a)·l + cross(b - a, D - C)·tNum.
int Scanner::OrientExact(const Crossing& crossing, const Segment& s) const {
    const int64_t dx = s.dx, dy = s.dy;
    Int128 l, tNum;
    CrossingParameter(crossing, l, tNum);
    const Vertex& c = vertices_[crossing.a];
    const Vertex& d = vertices_[crossing.b];
    const Int128 toStart = Int128(dx) * (c.fy - s.y) - Int128(dy) * (c.fx - s.x);
    const Int128 along = Int128(dx) * (d.fy - c.fy) - Int128(dy) * (d.fx - c.fx);
    return ProductSumSign::Of(toStart, l, along, tNum);
}

bool Scanner::SameDirection(int32_t a, int32_t b) const {
    const Segment& u = chains_[a].segment;
    const Segment& w = chains_[b].segment;
    // Both point down or right in sweep order, so parallel means the same direction.
    return Int128(u.dx) * w.dy == Int128(u.dy) * w.dx;
}

// Most crossings lie inside the result or outside it and never reach the output, so their
// user-space position is worked out only here.
GXPoint Scanner::UserPoint(int32_t vertex) const {
    const Vertex& v = vertices_[vertex];
    if (v.crossing < 0) return {v.ux, v.uy};
    return {static_cast<float>((v.x * fixedToGrid_ - 0.5) / reciprocal_),
            static_cast<float>((v.y * fixedToGrid_ - 0.5) / reciprocal_)};
}

bool Scanner::Validate() const {
    for (const Chain& chain : chains_) {
        for (int32_t i = chain.begin + 1; i < chain.end; ++i) {
            if (Compare(chainVertices_[i - 1], chainVertices_[i]) >= 0) return false;
        }
    }
    for (size_t i = 0; i < active_.size(); ++i) {
        const Chain& chain = chains_[active_[i]];
        if (chain.slot != static_cast<int32_t>(i)) return false;
        if (Compare(chain.top, event_) > 0) return false;
        if (Compare(chain.bot, event_) <= 0) return false;
        if (Orient(chain.top, chain) != 0 || Orient(chain.bot, chain) != 0) return false;
        int32_t above = chain.bot;
        for (int32_t s = chain.pending; s >= 0; s = splits_[s].next) {
            if (Compare(above, splits_[s].vertex) >= 0) return false;
            above = splits_[s].vertex;
        }
        if (Compare(above, chain.lower) > 0) return false;
        if (i == 0) continue;
        // Adjacent chains may touch but never cross: at the later top and at the earlier
        // bottom the left one is not right of the right one.
        const Chain& left = chains_[active_[i - 1]];
        const bool leftTopLater = Compare(left.top, chain.top) > 0;
        if (leftTopLater ? Orient(left.top, chain) < 0 : Orient(chain.top, left) > 0) return false;
        const bool leftBotEarlier = Compare(left.bot, chain.bot) < 0;
        if (leftBotEarlier ? Orient(left.bot, chain) < 0 : Orient(chain.bot, left) > 0)
            return false;
    }
    return true;
}

}  // namespace Graphics
