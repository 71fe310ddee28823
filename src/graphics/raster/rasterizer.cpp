#include "graphics/raster/rasterizer.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

#include "graphics/geometry/devicerect.h"
#include "graphics/geometry/figureflattener.h"
#include "graphics/geometry/geometry.h"
#include "graphics/geometry/transformer.h"
#include "graphics/raster/coveragebuffer.h"
#include "graphics/raster/rasterizationsink.h"
#include "graphics/raster/stripclipper.h"

namespace Graphics {

namespace {

constexpr int32_t kMaxInt = std::numeric_limits<int32_t>::max();
constexpr int32_t kMinInt = std::numeric_limits<int32_t>::min();

// Fixed-point conversions; every unit change of the scan goes through these.
constexpr int32_t SubFromRow(int32_t row) {
    return row * 8;
}
constexpr int32_t RowFromSub(int32_t sub) {
    return sub >> 3;
}
constexpr int32_t Px128FromPx(int32_t px) {
    return px * 128;
}
// The first sub-scanline whose centre (16 sub + 8 in 1/128 px) is at or below y128.
constexpr int32_t SubAtOrBelow(int32_t y128) {
    return (y128 + 7) >> 4;
}
constexpr int32_t CentreY128(int32_t sub) {
    return sub * 16 + 8;
}

int64_t FloorDiv(int64_t a, int64_t b) {
    int64_t q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

// px to whole-pixel clip bounds, clamped into the fixed-point range.
int32_t ClipFloor(float v) {
    return static_cast<int32_t>(
        std::floor(std::clamp(v, -Rasterizer::kMaxCoordinate, Rasterizer::kMaxCoordinate)));
}
int32_t ClipCeil(float v) {
    return static_cast<int32_t>(
        std::ceil(std::clamp(v, -Rasterizer::kMaxCoordinate, Rasterizer::kMaxCoordinate)));
}

// The slope-dependent part of an edge's anti-aliasing fringe in 1/8 px, rounded up:
// 4 x |slope| + 1, or exactly 4 x |step| for a slope without fraction.
int64_t FringeX8(const RasterEdge& e) {
    int64_t q = 4 * int64_t{e.increment} / e.den;
    if (e.increment == 0) return 4 * std::abs(int64_t{e.step});
    return e.step >= 0 ? q + 4 * int64_t{e.step} + 1 : 1 - (q + 4 * int64_t{e.step});
}

// True when f's slope (px per px) is smaller than e's, compared exactly.
bool SlopeLess(const RasterEdge& f, const RasterEdge& e) {
    if (f.step != e.step) return f.step < e.step;
    return int64_t{f.increment} * e.den < int64_t{e.increment} * f.den;
}

}  // namespace

Rasterizer::Rasterizer(const GXRect& clipRect, float tolerance, bool snapRectangles,
                       std::shared_ptr<RasterizationSink> sink)
    : endMarker_{kMaxInt, kMaxInt, 0, 0, -1, 0, 1, 1}, coverage_(0, 0) {
    Reset(clipRect, tolerance, snapRectangles, std::move(sink));
}

void Rasterizer::Reset(const GXRect& clipRect, float tolerance, bool snapRectangles,
                       std::shared_ptr<RasterizationSink> sink) {
    tolerance_ = tolerance;
    snapRectangles_ = snapRectangles;
    fillRule_ = 0;
    currentPoint_ = GXPoint{0, 0};
    figureFinite_ = true;
    points_.clear();
    edges_.clear();
    active_.clear();
    edgeBlock_ = 0;
    edgesInBlock_ = 0;
    activeSub_ = 0;
    hasSlopedEdge_ = false;
    clipX0_ = clipY0_ = clipX1_ = clipY1_ = 0;
    ForgetEdgeExtent();
    sink_ = std::move(sink);
    bool finite = std::isfinite(clipRect.left) && std::isfinite(clipRect.top) &&
                  std::isfinite(clipRect.right) && std::isfinite(clipRect.bottom);
    // A clip that is not a finite box clips everything away.
    if (finite) {
        clipX0_ = ClipFloor(std::min(clipRect.left, clipRect.right));
        clipX1_ = ClipCeil(std::max(clipRect.left, clipRect.right));
        clipY0_ = ClipFloor(std::min(clipRect.top, clipRect.bottom));
        clipY1_ = ClipCeil(std::max(clipRect.top, clipRect.bottom));
    }
}

size_t Rasterizer::RetainedBytes() const {
    size_t edgeRecords = 0;
    for (size_t block = 0; block < edgeBlocks_.size(); ++block) edgeRecords += size_t(32) << block;
    return points_.capacity() * sizeof(Point128) + edges_.capacity() * sizeof(RasterEdge*) +
           active_.capacity() * sizeof(RasterEdge*) + edgeRecords * sizeof(RasterEdge) +
           coverage_.RetainedBytes();
}

RasterEdge* Rasterizer::NewEdge() {
    if (edgeBlock_ < edgeBlocks_.size() && edgesInBlock_ == (size_t(32) << edgeBlock_)) {
        ++edgeBlock_;
        edgesInBlock_ = 0;
    }
    if (edgeBlock_ == edgeBlocks_.size())
        edgeBlocks_.push_back(
            std::unique_ptr<RasterEdge[]>(new RasterEdge[size_t(32) << edgeBlock_]));
    return &edgeBlocks_[edgeBlock_][edgesInBlock_++];
}

Rasterizer::~Rasterizer() = default;

void Rasterizer::SetFillRule(int32_t rule) {
    fillRule_ = rule;
}

void Rasterizer::BeginFigure(const GXPoint& start) {
    // A figure left open by the caller fills as if it had been closed.
    EndFigureClose();
    figureFinite_ = true;
    currentPoint_ = start;
    AppendPoint(start);
}

void Rasterizer::EndFigure() {
    EndFigureClose();
}

void Rasterizer::EndFigureClose() {
    // A figure with a NaN or infinite point is dropped whole: there is no sensible polygon
    // to fill, and its other figures still draw.
    if (!points_.empty() && figureFinite_) BuildEdges();
    points_.clear();
}

void Rasterizer::LineTo(const GXPoint& point) {
    if (point.x == currentPoint_.x && point.y == currentPoint_.y) return;
    AppendPoint(point);
    currentPoint_ = point;
}

void Rasterizer::AppendPoint(const GXPoint& point) {
    if (!std::isfinite(point.x) || !std::isfinite(point.y)) {
        figureFinite_ = false;
        return;
    }
    // Clamped before the conversion so no float reaches an int it does not fit.
    float x = std::clamp(point.x, -kMaxCoordinate, kMaxCoordinate) * 128.0f;
    float y = std::clamp(point.y, -kMaxCoordinate, kMaxCoordinate) * 128.0f;
    points_.push_back({static_cast<int32_t>(x), static_cast<int32_t>(y)});
}

void Rasterizer::ForgetEdgeExtent() {
    firstSub_ = kMaxInt;
    endSub_ = kMinInt;
    leastTopSub_ = kMaxInt;
    greatestTopSub_ = kMinInt;
    leftX128_ = kMaxInt;
    rightX128_ = kMinInt;
}

void Rasterizer::BeginRasterization() {
    ForgetEdgeExtent();
    if (points_.capacity() < 256) points_.reserve(256);
    // A small curved shape flattens to a few dozen edges; room for them up front spares
    // each draw the vector's successive regrowths.
    if (edges_.capacity() < 64) edges_.reserve(64);
}

void Rasterizer::BuildEdges() {
    if (clipX0_ >= clipX1_ || clipY0_ >= clipY1_) return;
    points_.push_back(points_.front());
    const int32_t x0 = Px128FromPx(clipX0_);
    const int32_t x1 = Px128FromPx(clipX1_);
    const size_t last = points_.size() - 1;
    Point128 kept = points_[0];
    for (size_t i = 1; i <= last; ++i) {
        const Point128& p = points_[i];
        // A vertex between two neighbours on the same outer side of the clip box is dropped:
        // the side that replaces the chain stays on that side too, and any path between
        // the same two end points crosses each scanline with the same net winding.
        if (i < last) {
            const Point128& n = points_[i + 1];
            if ((kept.x128 <= x0 && p.x128 <= x0 && n.x128 <= x0) ||
                (kept.x128 >= x1 && p.x128 >= x1 && n.x128 >= x1)) {
                continue;
            }
        }
        AddSide(kept, p);
        kept = p;
    }
}

void Rasterizer::AddSide(const Point128& a, const Point128& b) {
    const int32_t dy = b.y128 - a.y128;
    if (dy == 0) return;
    const Point128& top = dy > 0 ? a : b;
    const Point128& bottom = dy > 0 ? b : a;
    const int32_t topSub = SubAtOrBelow(top.y128);
    const int32_t bottomSub = SubAtOrBelow(bottom.y128);
    const int32_t clipFirstSub = SubFromRow(clipY0_);
    const int32_t clipEndSub = SubFromRow(clipY1_);
    // No sub-scanline centre between the end points, or none inside the clip rows.
    if (topSub == bottomSub || topSub >= clipEndSub || bottomSub <= clipFirstSub) return;

    // x on sub-scanline k, in 1/8 px and offset by half an eighth so that its floor is the
    // nearest eighth: (top.x + 8 + dx (centre(k) - top.y) / |dy|) / 16 = N / (16 |dy|).
    const int64_t ady = std::abs(dy);
    const int64_t dx = int64_t{bottom.x128} - top.x128;
    const int64_t den = 16 * ady;
    const int64_t step = FloorDiv(dx, ady);
    // Edges above the clip start on its first sub-scanline, already advanced.
    const int32_t startSub = std::max(topSub, clipFirstSub);
    const int64_t numerator =
        (int64_t{top.x128} + 8) * ady + dx * (CentreY128(startSub) - top.y128);
    const int64_t x = FloorDiv(numerator, den);

    RasterEdge* edge = NewEdge();
    *edge = RasterEdge{startSub,
                       bottomSub,
                       static_cast<int32_t>(x),
                       static_cast<int32_t>(step),
                       static_cast<int32_t>(numerator - x * den - den),
                       static_cast<int32_t>((dx - step * ady) * 16),
                       static_cast<int32_t>(den),
                       dy > 0 ? 1 : -1};
    edges_.push_back(edge);
    leftX128_ = std::min({leftX128_, a.x128, b.x128});
    rightX128_ = std::max({rightX128_, a.x128, b.x128});
    firstSub_ = std::min(firstSub_, startSub);
    endSub_ = std::max(endSub_, bottomSub);
    leastTopSub_ = std::min(leastTopSub_, topSub);
    greatestTopSub_ = std::max(greatestTopSub_, topSub);
    hasSlopedEdge_ = hasSlopedEdge_ || edge->step != 0 || edge->increment != 0;
}

void Rasterizer::EndRasterization() {
    if (!edges_.empty()) {
        endSub_ = std::min(endSub_, SubFromRow(clipY1_));
        if (!TrySnapRectangle()) {
            std::sort(edges_.begin(), edges_.end(), [](const RasterEdge* a, const RasterEdge* b) {
                return a->topSub != b->topSub ? a->topSub < b->topSub : a->x < b->x;
            });
            edges_.push_back(&endMarker_);
            // Every edge may be active at once: room for all of them up front, so that
            // joining the active edges never reallocates.
            active_.reserve(edges_.size());
            // Coverage is only kept across the edges' extent: a small shape's row buffer
            // stays as small as the shape. Edge x lies between its end points' x, rounded
            // to eighths; a pixel of margin on either side covers the rounding.
            const int32_t left = std::max(clipX0_, (leftX128_ >> 7) - 1);
            const int32_t right = std::min(clipX1_, (rightX128_ >> 7) + 2);
            coverage_.Reshape(left, right);
            if (!TryScanUprightRectangle(coverage_)) Scan(coverage_);
        }
    }
    edges_.clear();
    active_.clear();
    edgeBlock_ = 0;
    edgesInBlock_ = 0;
    hasSlopedEdge_ = false;
}

bool Rasterizer::TrySnapRectangle() {
    if (!snapRectangles_ || hasSlopedEdge_ || edges_.size() != 2) return false;
    const RasterEdge& a = *edges_[0];
    const RasterEdge& b = *edges_[1];
    if (a.topSub != b.topSub || a.bottomSub != b.bottomSub) return false;
    // Edges and sub-scanlines are exact eighths of a pixel: the rounding every snapped
    // rectangle goes through decides the pixels from them. The rounding depends on the
    // rectangle's size, so it starts from the top the sides had before the clip cut them
    // (when both had the same one): a rectangle crossing the clip's edge keeps the pixels
    // it has without the clip, the clip only takes some away.
    const int32_t top = leastTopSub_ == greatestTopSub_ ? leastTopSub_ : a.topSub;
    const PixelSpan x = SnapSpan(std::min(a.x, b.x) / 8.0, std::max(a.x, b.x) / 8.0);
    const PixelSpan y = SnapSpan(top / 8.0, a.bottomSub / 8.0);
    const int64_t x0 = std::max<int64_t>(x.begin, clipX0_), x1 = std::min<int64_t>(x.end, clipX1_);
    const int64_t y0 = std::max<int64_t>(y.begin, clipY0_), y1 = std::min<int64_t>(y.end, clipY1_);
    if (x0 < x1 && y0 < y1)
        sink_->FillPixelRect(int32_t(x0), int32_t(y0), int32_t(x1), int32_t(y1));
    return true;
}

bool Rasterizer::TryScanUprightRectangle(CoverageBuffer& coverage) {
    if (hasSlopedEdge_ || edges_.size() != 3) return false;  // two edges and the end marker
    RasterEdge* a = edges_[0];
    RasterEdge* b = edges_[1];
    if (a->topSub != b->topSub || a->bottomSub != b->bottomSub) return false;
    if (sink_->AcceptsTrapezoids(firstSub_, endSub_)) return false;
    // The order Scan would give them: sorted by x, a later equal x in front.
    active_.assign({a, b});
    if (b->x <= a->x) std::swap(active_[0], active_[1]);
    // Upright edges never move, so every sub-scanline adds the same span: a row's coverage
    // depends only on how many of its sub-scanlines the rectangle covers.
    const int32_t first = std::max(a->topSub, firstSub_), end = endSub_;
    auto row = [&](int32_t sub, int32_t subEnd) {
        for (activeSub_ = sub; activeSub_ < subEnd; ++activeSub_) AddSubScanline(coverage);
        activeSub_ = subEnd - 1;  // the edges stay valid for the sub-scanline last added
    };
    int32_t sub = first;
    // The partly covered first row.
    if (sub < end && (sub & 7) != 0) {
        const int32_t rowEnd = std::min(end, SubFromRow(RowFromSub(sub) + 1));
        row(sub, rowEnd);
        FlushRow(coverage, RowFromSub(sub));
        sub = rowEnd;
    }
    // Whole rows share one coverage.
    const int32_t wholeEnd = SubFromRow(RowFromSub(end));
    if (sub < wholeEnd) {
        row(sub, sub + 8);
        if (!coverage.Empty())
            for (int32_t y = RowFromSub(sub); y < RowFromSub(wholeEnd); ++y)
                sink_->AddCoverageRow(y, coverage);
        coverage.Reset();
        sub = wholeEnd;
    }
    // The partly covered last row.
    if (sub < end) {
        row(sub, end);
        FlushRow(coverage, RowFromSub(sub));
    }
    return true;
}

void Rasterizer::Scan(CoverageBuffer& coverage) {
    const bool trapezoids = sink_->AcceptsTrapezoids(firstSub_, endSub_);
    size_t nextEdge = 0;
    active_.clear();
    int32_t sub = firstSub_;
    while (sub < endSub_) {
        activeSub_ = sub;
        // Edges starting here join the active edges; they are in x order already, so each
        // is looked for from where the one before went in.
        auto at = active_.begin();
        while (edges_[nextEdge]->topSub == sub) {
            RasterEdge* edge = edges_[nextEdge++];
            at = std::lower_bound(at, active_.end(), edge->x,
                                  [](const RasterEdge* e, int32_t x) { return e->x < x; });
            at = active_.insert(at, edge) + 1;
        }
        const int32_t nextStart = std::min(edges_[nextEdge]->topSub, endSub_);
        if (active_.empty()) {
            // Nothing to scan up to the next starting edge; finish the row being left.
            if (RowFromSub(nextStart) != RowFromSub(sub)) FlushRow(coverage, RowFromSub(sub));
            sub = nextStart;
            continue;
        }
        if (trapezoids && (sub & 7) == 0 && nextStart >= sub + 8) {
            const int32_t limit = TrapezoidLimit(sub, nextStart);
            if (limit >= sub + 8) {
                EmitTrapezoids(sub, limit);
                sub = limit;
                continue;
            }
        }
        AddSubScanline(coverage);
        if ((sub & 7) == 7) FlushRow(coverage, RowFromSub(sub));
        ++sub;
        // Edges ending here leave; the others step down, the array closing up behind.
        size_t kept = 0;
        for (RasterEdge* edge : active_) {
            if (sub >= edge->bottomSub) continue;
            edge->Step();
            active_[kept++] = edge;
        }
        active_.resize(kept);
        activeSub_ = sub;
        // Edges that crossed are moved back into x order. A stable insertion sort costs
        // O(edges + crossings): on an ordered array it is one comparison per edge, and a
        // path that crosses itself thousands of times per sub-scanline stays linear in its
        // crossings. The array is walked in order, so a long active list costs no pointer
        // chasing through edges scattered over the pool.
        for (size_t i = 1; i < active_.size(); ++i) {
            RasterEdge* edge = active_[i];
            if (active_[i - 1]->x <= edge->x) continue;
            size_t j = i;
            for (; j > 0 && active_[j - 1]->x > edge->x; --j) active_[j] = active_[j - 1];
            active_[j] = edge;
        }
    }
    if (sub & 7) FlushRow(coverage, RowFromSub(sub));
}

void Rasterizer::AddSubScanline(CoverageBuffer& coverage) const {
    // Intervals that touch are joined before they reach the buffer.
    int32_t pendingStart = 0, pendingEnd = 0;
    bool pending = false;
    auto add = [&](int32_t a, int32_t b) {
        if (pending && a == pendingEnd) {
            pendingEnd = b;
            return;
        }
        if (pending && pendingStart < pendingEnd) coverage.AddSpan(pendingStart, pendingEnd);
        pendingStart = a;
        pendingEnd = b;
        pending = true;
    };
    if (fillRule_ == 0) {
        int32_t winding = 0, start = 0;
        for (const RasterEdge* e : active_) {
            if (winding == 0) start = e->x;
            winding += e->winding;
            if (winding == 0) add(start, e->x);
        }
    } else {
        for (size_t i = 0; i + 1 < active_.size(); i += 2) add(active_[i]->x, active_[i + 1]->x);
    }
    if (pending && pendingStart < pendingEnd) coverage.AddSpan(pendingStart, pendingEnd);
}

int32_t Rasterizer::TrapezoidLimit(int32_t sub, int32_t nextStart) const {
    // Trapezoids need the active edges to pair into simple bands: even-odd pairs always do,
    // non-zero pairs only with opposite windings.
    int32_t limit = nextStart;
    if (active_.size() % 2 != 0) return sub;
    for (size_t i = 0; i < active_.size(); i += 2) {
        if (fillRule_ == 0 && active_[i]->winding == active_[i + 1]->winding) return sub;
    }
    for (const RasterEdge* e : active_) limit = std::min(limit, e->bottomSub);
    // Neighbouring edges must stay apart by both fringes and a pixel over the whole band,
    // or the sink's anti-aliasing ramps would overlap.
    for (size_t i = 0; i + 1 < active_.size(); ++i) {
        const RasterEdge* e = active_[i];
        const RasterEdge& f = *active_[i + 1];
        const int64_t need = FringeX8(*e) + FringeX8(f) + 8;
        int64_t sep = int64_t{f.x} - e->x;
        if (int64_t{f.error} * e->den < int64_t{e->error} * f.den) --sep;
        if (sep < need) return sub;
        if (SlopeLess(f, *e)) {
            // Converging: the band ends where the gap would shrink below the need.
            RasterEdge eEnd = *e, fEnd = f;
            eEnd.Advance(limit - sub);
            fEnd.Advance(limit - sub);
            const int64_t gap = int64_t{fEnd.x} - eEnd.x;
            if (need >= gap) {
                limit = static_cast<int32_t>(sub + (sep - need) * (limit - sub) / (sep - gap + 1));
                if (limit < sub + 8) return sub;
            }
        }
    }
    return limit - (limit & 7);
}

void Rasterizer::EmitTrapezoids(int32_t sub, int32_t limit) {
    // CentreX is x half a sub-scanline below the band's edge; the slope takes it back.
    const int32_t count = limit - sub;
    for (size_t i = 0; i < active_.size(); i += 2) {
        RasterEdge* left = active_[i];
        RasterEdge* right = active_[i + 1];
        const double slopeL = left->Slope(), slopeR = right->Slope();
        const double topL = left->CentreX() - slopeL / 16.0;
        const double topR = right->CentreX() - slopeR / 16.0;
        left->Advance(count);
        right->Advance(count);
        sink_->AddTrapezoid(static_cast<float>(sub / 8.0), static_cast<float>(topL),
                            static_cast<float>(topR), static_cast<float>(limit / 8.0),
                            static_cast<float>(left->CentreX() - slopeL / 16.0),
                            static_cast<float>(right->CentreX() - slopeR / 16.0),
                            static_cast<float>(0.5 + 0.5 * std::abs(slopeL)),
                            static_cast<float>(0.5 + 0.5 * std::abs(slopeR)));
    }
    std::erase_if(active_, [limit](const RasterEdge* edge) { return edge->bottomSub <= limit; });
}

void Rasterizer::FlushRow(CoverageBuffer& coverage, int32_t row) {
    if (coverage.Empty()) return;
    sink_->AddCoverageRow(row, coverage);
    coverage.Reset();
}

bool Rasterizer::ValidateActiveList() const {
    const RasterEdge* previous = nullptr;
    for (const RasterEdge* e : active_) {
        if (e->topSub > activeSub_ || e->bottomSub <= activeSub_) return false;
        if (e->den <= 0 || e->error < -e->den || e->error >= 0) return false;
        if (e->increment < 0 || e->increment >= e->den) return false;
        if (e->winding != 1 && e->winding != -1) return false;
        if (previous && previous->x > e->x) return false;
        previous = e;
    }
    return true;
}

void Rasterizer::CubicCurveTo(const GXPoint& c1, const GXPoint& c2, const GXPoint& end) {
    FigureFlattener::Flatten(tolerance_, currentPoint_, c1, c2, end,
                             [this](const GXPoint& p) { LineTo(p); });
}

namespace {

// Each thread's rasterizers between fills, so that the storage they grew serves the next
// fill. A fill made while another is being scanned (a clip mask built for a pipeline, say)
// takes a second one.
constexpr size_t kSpareRasterizers = 2;
// A rasterizer holding more than this after a huge fill is let go instead of kept.
constexpr size_t kMaxSpareBytes = size_t(2) << 20;

struct SpareRasterizers {
    std::vector<std::unique_ptr<Rasterizer>> spare;
    SpareRasterizers() { spare.reserve(kSpareRasterizers); }
};

// A rasterizer from the thread's spares (or a new one) for one fill, back to the spares
// afterwards, its sink let go.
class BorrowedRasterizer {
public:
    BorrowedRasterizer(const GXRect& clipRect, bool snapRectangles,
                       std::shared_ptr<RasterizationSink> sink) {
        std::vector<std::unique_ptr<Rasterizer>>& spare = Spares().spare;
        if (spare.empty()) {
            rasterizer_ =
                std::make_unique<Rasterizer>(clipRect, 0.25f, snapRectangles, std::move(sink));
        } else {
            rasterizer_ = std::move(spare.back());
            spare.pop_back();
            rasterizer_->Reset(clipRect, 0.25f, snapRectangles, std::move(sink));
        }
    }
    ~BorrowedRasterizer() {
        rasterizer_->Reset(GXRect{0, 0, 0, 0}, 0.25f, false, nullptr);
        std::vector<std::unique_ptr<Rasterizer>>& spare = Spares().spare;
        // Room for kSpareRasterizers was reserved: keeping one never allocates.
        if (spare.size() < kSpareRasterizers && rasterizer_->RetainedBytes() <= kMaxSpareBytes)
            spare.push_back(std::move(rasterizer_));
    }
    BorrowedRasterizer(const BorrowedRasterizer&) = delete;
    BorrowedRasterizer& operator=(const BorrowedRasterizer&) = delete;

    Rasterizer& Get() { return *rasterizer_; }

private:
    static SpareRasterizers& Spares() {
        thread_local SpareRasterizers spares;
        return spares;
    }
    std::unique_ptr<Rasterizer> rasterizer_;
};

// A stage of the chain as the shared pointer the stage in front of it takes, owning
// nothing: every stage lives on the stack of RasterizeGeometry, for this fill only.
std::shared_ptr<GeometrySink> Unowned(GeometrySink& stage) {
    return std::shared_ptr<GeometrySink>(std::shared_ptr<void>(), &stage);
}

}  // namespace

void RasterizeGeometry(const Geometry& geometry, const GXMatrix& ctm, const GXRect& clipRect,
                       bool snapRectangles, std::shared_ptr<RasterizationSink> sink) {
    BorrowedRasterizer borrowed(clipRect, snapRectangles, std::move(sink));
    Rasterizer& rasterizer = borrowed.Get();
    GeometrySink* front = &rasterizer;
    // Geometry reaching past +-32535 px is cut to that strip first, so the rasterizer's
    // fixed point never sees it. The tests are negated so that a NaN bound (a geometry
    // holding a NaN point) also puts the clippers in place for its other, finite points.
    const GXRect bound = TransformBounds(ctm, geometry.Bound().Box());
    const float low = StripClipper::kDefaultLow, high = StripClipper::kDefaultHigh;
    std::optional<StripClipper> clipX, clipY;
    std::optional<Transformer> transformer;
    if (!(bound.left >= low) || !(bound.right < high)) {
        front = &clipX.emplace(StripClipper::kClipX, low, high, 0.25f, Unowned(*front));
    }
    if (!(bound.top >= low) || !(bound.bottom < high)) {
        front = &clipY.emplace(StripClipper::kClipY, low, high, 0.25f, Unowned(*front));
    }
    if (!IsIdentity(ctm)) front = &transformer.emplace(ctm, Unowned(*front));
    rasterizer.BeginRasterization();
    geometry.SendToSink(front);
    rasterizer.EndRasterization();
}

}  // namespace Graphics
