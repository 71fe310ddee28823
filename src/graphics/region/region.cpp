#include "graphics/region/region.h"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <optional>

namespace Graphics {
namespace {

constexpr int32_t S = Region::Sentinel;

// The interval list of an operand that has no band in a slice.
constexpr int32_t kNoIntervals[2] = {S, S};

bool IsFlat(const GXIntRect& rect) {
    return rect.left == rect.right || rect.top == rect.bottom;
}

// Half-open rectangles overlap only when each starts before the other ends.
bool BoundsOverlap(const GXIntRect& a, const GXIntRect& b) {
    return a.left < b.right && a.top < b.bottom && b.left < a.right && b.top < a.bottom;
}

// Adds without the undefined behaviour of signed overflow; callers have checked the range.
int32_t Moved(int32_t value, int32_t delta) {
    return static_cast<int32_t>(static_cast<uint32_t>(value) + static_cast<uint32_t>(delta));
}

// An operand written as a run array: its own runs, or its rectangle as the six integers
// top, bottom, left, right, S, S.
class RunArray {
public:
    explicit RunArray(const Region& region) {
        if (const auto& runs = region.Runs()) {
            values_ = runs->Values();
            count_ = runs->Count();
        } else {
            const GXIntRect& r = region.Bound();
            rect_[0] = r.top;
            rect_[1] = r.bottom;
            rect_[2] = r.left;
            rect_[3] = r.right;
            rect_[4] = S;
            rect_[5] = S;
            values_ = rect_;
            count_ = 6;
        }
    }
    RunArray(const RunArray&) = delete;
    RunArray& operator=(const RunArray&) = delete;

    const int32_t* Values() const { return values_; }
    int64_t Count() const { return count_; }

private:
    int32_t rect_[6];        // the rectangle's runs, used when the region has none
    const int32_t* values_;  // the operand's run array
    int64_t count_;          // integers in values_
};

// Walks the bands of a run array from the top. Once past the last band, top and bottom are
// both S, which sorts after every real coordinate.
class BandCursor {
public:
    explicit BandCursor(const int32_t* runs) : top_(runs[0]) { Enter(runs + 1); }

    bool Done() const { return bottom_ == S; }
    int32_t Top() const { return top_; }
    int32_t Bottom() const { return bottom_; }
    // The band's intervals, closed by S.
    const int32_t* Intervals() const { return intervals_; }
    int64_t IntervalCount() const { return (end_ - intervals_) / 2; }

    // The band continues, but the part above `top` has been swept.
    void Cut(int32_t top) { top_ = top; }
    void Next() {
        top_ = bottom_;
        Enter(end_ + 1);
    }

private:
    void Enter(const int32_t* band) {
        if (*band == S) {
            top_ = bottom_ = S;
            intervals_ = end_ = band;
            return;
        }
        bottom_ = band[0];
        intervals_ = band + 1;
        end_ = intervals_;
        while (*end_ != S) end_ += 2;
    }

    int32_t top_;               // top of the unswept part of the band, S when done
    int32_t bottom_;            // bottom of the band, S when done
    const int32_t* intervals_;  // first left end of the band
    const int32_t* end_;        // the S closing the band
};

// The general interval sweep: cuts the two lists into pieces at every end point and keeps
// the pieces whose inside code (1 in A only, 2 in B only, 3 in both) lies in
// [kMin, kMax], joining a piece to the previous one when they touch. Lists are closed by
// S and every closing S is followed by one more readable integer, so the right end read
// after an exhausted list is harmless: it is never used once L is S.
template <int kMin, int kMax, bool kFirstOnly>
int32_t* SweepPieces(const int32_t* a, const int32_t* b, int32_t* out) {
    int32_t* const first = out;
    int32_t aL = a[0], aR = a[1], bL = b[0], bR = b[1];
    for (;;) {
        // Difference has nothing left once A ends.
        if constexpr (kMax == 1) {
            if (aL == S) break;
        }
        int32_t l, r, inside;
        if (aL < bL) {
            l = aL;
            inside = 1;
            if (aR <= bL) {
                r = aR;
                a += 2;
                aL = a[0];
                aR = a[1];
            } else {
                r = bL;
                aL = bL;
            }
        } else if (bL < aL) {
            l = bL;
            inside = 2;
            if (bR <= aL) {
                r = bR;
                b += 2;
                bL = b[0];
                bR = b[1];
            } else {
                r = aL;
                bL = aL;
            }
        } else {
            if (aL == S) break;
            l = aL;
            inside = 3;
            r = std::min(aR, bR);
            if (aR == r) {
                a += 2;
                aL = a[0];
                aR = a[1];
            } else {
                aL = r;
            }
            if (bR == r) {
                b += 2;
                bL = b[0];
                bR = b[1];
            } else {
                bL = r;
            }
        }
        // Every piece has l < r because every input interval does.
        if (kMin <= inside && inside <= kMax) {
            if (out != first && out[-1] == l) {
                out[-1] = r;  // continues the previous piece
            } else {
                out[0] = l;
                out[1] = r;
                out += 2;
                if constexpr (kFirstOnly) break;
            }
        }
    }
    return out;
}

// Union, by left ends: an interval overlapping or touching the last one written extends
// it. Same result as the general sweep, with one step per interval instead of per piece.
template <bool kFirstOnly>
int32_t* MergeUnion(const int32_t* a, const int32_t* b, int32_t* out) {
    int32_t* const first = out;
    for (;;) {
        int32_t l, r;
        if (a[0] < b[0]) {
            l = a[0];
            r = a[1];
            a += 2;
        } else {
            if (b[0] == S) break;  // both lists ended
            l = b[0];
            r = b[1];
            b += 2;
        }
        if (out != first && l <= out[-1]) {
            out[-1] = std::max(out[-1], r);
        } else {
            out[0] = l;
            out[1] = r;
            out += 2;
            if constexpr (kFirstOnly) break;
        }
    }
    return out;
}

// Intersection, one step per interval: the overlap of the two current intervals is kept
// when it has width, and the interval ending first is done with. Random lists make those
// two decisions unpredictable, so both are taken without branches: the overlap is always
// written and only kept by moving `out`. Two kept overlaps never touch, since consecutive
// ones lie in separated intervals of one list or the other.
template <bool kFirstOnly>
int32_t* MergeIntersect(const int32_t* a, const int32_t* b, int32_t* out) {
    while (a[0] != S && b[0] != S) {
        const int32_t aR = a[1], bR = b[1];
        const int32_t l = std::max(a[0], b[0]);
        const int32_t r = std::min(aR, bR);
        out[0] = l;
        out[1] = r;
        out += l < r ? 2 : 0;
        if constexpr (kFirstOnly) {
            if (l < r) break;
        }
        a += aR <= bR ? 2 : 0;
        b += aR <= bR ? 0 : 2;
    }
    return out;
}

// Combines two interval lists of one slice into the result's list for the operation whose
// inside window is [kMin, kMax], written as left, right pairs at `out`; returns the end of
// what was written. With kFirstOnly it stops after the first interval.
template <int kMin, int kMax, bool kFirstOnly>
int32_t* SweepIntervals(const int32_t* a, const int32_t* b, int32_t* out) {
    if constexpr (kMin == 1 && kMax == 3) {
        return MergeUnion<kFirstOnly>(a, b, out);
    } else if constexpr (kMin == 3) {
        return MergeIntersect<kFirstOnly>(a, b, out);
    } else {
        return SweepPieces<kMin, kMax, kFirstOnly>(a, b, out);
    }
}

// Compares two interval lists of `count` intervals each. Lists are short and compared
// once per slice, where a library call would cost more than the comparison.
bool SameIntervals(const int32_t* a, const int32_t* b, int64_t count) {
    for (int64_t i = 0; i < 2 * count; ++i) {
        if (a[i] != b[i]) return false;
    }
    return true;
}

// Sweeps the bands of two run arrays from the top, handing each slice (a stretch of rows
// where neither operand changes) to the sink with the two interval lists; an operand with
// no band there gives an empty list. Slices of one operand alone are skipped when the
// operation keeps nothing of that operand alone (B for difference, either for
// intersection): the sink sees the rows they span as a gap. Stops when the sink returns
// false or when nothing further can enter the result.
template <int kMin, int kMax, class Sink>
void SweepBands(const int32_t* aRuns, const int32_t* bRuns, Sink& sink) {
    BandCursor a(aRuns), b(bRuns);
    while (!a.Done() || !b.Done()) {
        if constexpr (kMin == 3) {
            if (a.Done() || b.Done()) return;
        }
        if constexpr (kMax == 1) {
            if (a.Done()) return;
        }
        bool more;
        if (a.Top() < b.Top()) {
            // A alone down to its bottom or to B's top, whichever comes first.
            const int32_t top = a.Top();
            const int32_t bottom = std::min(a.Bottom(), b.Top());
            more = kMin > 1 ||
                   sink.Slice(top, bottom, a.Intervals(), a.IntervalCount(), kNoIntervals, 0);
            if (a.Bottom() == bottom)
                a.Next();
            else
                a.Cut(bottom);
        } else if (b.Top() < a.Top()) {
            const int32_t top = b.Top();
            const int32_t bottom = std::min(b.Bottom(), a.Top());
            more = kMin > 2 || kMax < 2 ||
                   sink.Slice(top, bottom, kNoIntervals, 0, b.Intervals(), b.IntervalCount());
            if (b.Bottom() == bottom)
                b.Next();
            else
                b.Cut(bottom);
        } else {
            const int32_t top = a.Top();
            const int32_t bottom = std::min(a.Bottom(), b.Bottom());
            more = sink.Slice(top, bottom, a.Intervals(), a.IntervalCount(), b.Intervals(),
                              b.IntervalCount());
            if (a.Bottom() == bottom)
                a.Next();
            else
                a.Cut(bottom);
            if (b.Bottom() == bottom)
                b.Next();
            else
                b.Cut(bottom);
        }
        if (!more) return;
    }
}

// Writes the slices of a sweep as the bands of a new run array: a slice repeating the
// band above only moves that band's bottom down, empty slices above the first band only
// move the top down, and a vertical gap between slices becomes an empty band. The block
// written becomes the result's run array, so nothing is copied at the end; it may hold up
// to as many unused integers as used ones.
template <int kMin, int kMax>
class RunBuilder {
public:
    RunBuilder(int64_t capacityHint, int32_t top)
        : values_(Allocate(capacityHint)), capacity_(capacityHint) {
        values_.get()[0] = top;
        size_ = 1;
        lastBottom_ = top;
    }

    bool Slice(int32_t top, int32_t bottom, const int32_t* a, int64_t aCount, const int32_t* b,
               int64_t bCount) {
        // Room for a gap band (2), this band (bottom, pieces, S) and the final S.
        Reserve(2 * (aCount + bCount) + 5);
        if (top != lastBottom_) AddBand(top, kNoIntervals, 0, kNoIntervals, 0);
        AddBand(bottom, a, aCount, b, bCount);
        return true;
    }

    Region Finish() {
        int32_t* const v = values_.get();
        if (lastCount_ == 0 && last_ > 0) size_ = last_;  // the empty last band goes
        v[size_++] = S;
        if (size_ < 3) return Region();
        if (size_ == 6 && v[4] == S && v[5] == S) return Region(GXIntRect{v[2], v[0], v[3], v[1]});
        const GXIntRect bound{minLeft_, v[0], maxRight_, filledBottom_};
        // A block more than half empty is trimmed. Trimming every block would make the
        // C heap map and unmap large blocks afresh on every operation of a large region.
        if (size_ < capacity_ / 2) Resize(size_);
        return Region(std::make_shared<Region::RunHead>(std::move(values_), size_), bound);
    }

private:
    static HeapBlock<int32_t> Allocate(int64_t count) {
        return HeapBlock<int32_t>(
            static_cast<int32_t*>(ProcessHeap::Alloc(size_t(count) * sizeof(int32_t))));
    }

    void Resize(int64_t capacity) {
        void* values = ProcessHeap::Realloc(values_.get(), size_t(capacity) * sizeof(int32_t));
        (void)values_.release();  // Realloc has taken the block over
        values_.reset(static_cast<int32_t*>(values));
        capacity_ = capacity;
    }

    void Reserve(int64_t more) {
        if (size_ + more > capacity_) Resize(std::max(capacity_ * 2, size_ + more));
    }

    void AddBand(int32_t bottom, const int32_t* a, int64_t aCount, const int32_t* b,
                 int64_t bCount) {
        const int64_t start = size_;
        int32_t* const v = values_.get();
        int32_t* const intervals = v + start + 1;
        int32_t* end;
        // A list facing no interval of the other operand is already a valid result list.
        if (bCount == 0) {
            end = intervals;
            if (kMin <= 1 && aCount > 0) {
                std::memcpy(intervals, a, 2 * aCount * sizeof(int32_t));
                end += 2 * aCount;
            }
        } else if (aCount == 0) {
            end = intervals;
            if (kMin <= 2 && 2 <= kMax) {
                std::memcpy(intervals, b, 2 * bCount * sizeof(int32_t));
                end += 2 * bCount;
            }
        } else {
            end = SweepIntervals<kMin, kMax, false>(a, b, intervals);
        }
        const int64_t count = (end - intervals) / 2;
        v[start] = bottom;
        *end = S;
        lastBottom_ = bottom;
        if (last_ > 0 && count == lastCount_ && SameIntervals(intervals, v + last_ + 1, count)) {
            v[last_] = bottom;  // same intervals as the band above: extend it
        } else if (count == 0 && last_ == 0) {
            v[0] = bottom;  // nothing yet: the region starts lower
        } else {
            last_ = start;
            lastCount_ = count;
            size_ = start + 2 + 2 * count;
            if (count > 0) {
                minLeft_ = std::min(minLeft_, intervals[0]);
                maxRight_ = std::max(maxRight_, end[-1]);
            }
        }
        if (count > 0) filledBottom_ = bottom;
    }

    HeapBlock<int32_t> values_;  // the run array being written
    int64_t capacity_;           // integers values_ can hold
    int64_t size_;               // integers written and kept
    int64_t last_ = 0;           // index of the last band's bottom, 0 before any band
    int64_t lastCount_ = 0;      // intervals in the last band
    int32_t lastBottom_;         // bottom of the last slice (or the top before any)
    int32_t filledBottom_ = 0;   // bottom of the last band holding intervals
    int32_t minLeft_ = S;        // smallest first left end over the bands
    int32_t maxRight_ = std::numeric_limits<int32_t>::min();  // largest last right end
};

// Answers whether a sweep produces any piece, without building the result.
template <int kMin, int kMax>
class PieceFinder {
public:
    bool Slice(int32_t, int32_t, const int32_t* a, int64_t, const int32_t* b, int64_t) {
        int32_t piece[2];
        found_ = SweepIntervals<kMin, kMax, true>(a, b, piece) != piece;
        return !found_;
    }
    bool Found() const { return found_; }

private:
    bool found_ = false;  // a piece of the result has been seen
};

template <int kMin, int kMax>
Region Build(const Region& a, const Region& b) {
    const RunArray aRuns(a), bRuns(b);
    // Room for the usual result, so that the block seldom grows: at most the smaller
    // operand for most intersections, the minuend for most differences, and up to twice
    // both operands for unions and exclusive ors (their bands cut each other). Pages of
    // the block never written cost nothing, and a large slack is trimmed at the end.
    const int64_t aCount = aRuns.Count(), bCount = bRuns.Count();
    const int64_t hint = kMin == 3   ? std::min(aCount, bCount)
                         : kMax == 1 ? aCount
                                     : 2 * (aCount + bCount);
    RunBuilder<kMin, kMax> builder(hint + 8, std::min(aRuns.Values()[0], bRuns.Values()[0]));
    SweepBands<kMin, kMax>(aRuns.Values(), bRuns.Values(), builder);
    return builder.Finish();
}

template <int kMin, int kMax>
bool AnyPiece(const Region& a, const Region& b) {
    const RunArray aRuns(a), bRuns(b);
    PieceFinder<kMin, kMax> finder;
    SweepBands<kMin, kMax>(aRuns.Values(), bRuns.Values(), finder);
    return finder.Found();
}

// The results that need no sweep: flat or disjoint operands, and two rectangles under
// intersection. `op` is not the reverse difference.
std::optional<Region> QuickResult(const Region& a, const Region& b, int32_t op) {
    const GXIntRect& ab = a.Bound();
    const GXIntRect& bb = b.Bound();
    switch (op) {
        case GXCombineIntersect:
            if (IsFlat(ab) || IsFlat(bb) || !BoundsOverlap(ab, bb)) return Region();
            if (!a.Runs() && !b.Runs()) {
                return Region(GXIntRect{std::max(ab.left, bb.left), std::max(ab.top, bb.top),
                                        std::min(ab.right, bb.right),
                                        std::min(ab.bottom, bb.bottom)});
            }
            break;
        case GXCombineUnion:
        case GXCombineXor:
            if (IsFlat(ab)) return b;
            if (IsFlat(bb)) return a;
            break;
        case GXCombineDifference:
            if (IsFlat(ab)) return Region();
            if (IsFlat(bb) || !BoundsOverlap(ab, bb)) return a;
            break;
    }
    return std::nullopt;
}

// Moves every coordinate of `src` (not the sentinels) into `dst`, which may be `src`.
void ShiftRuns(const int32_t* src, int32_t* dst, int32_t dx, int32_t dy) {
    *dst++ = Moved(*src++, dy);
    while (*src != S) {
        *dst++ = Moved(*src++, dy);
        while (*src != S) *dst++ = Moved(*src++, dx);
        *dst++ = *src++;
    }
    *dst = S;
}

}  // namespace

Region::RunHead::RunHead(int64_t count)
    : values_(static_cast<int32_t*>(ProcessHeap::Alloc(size_t(count) * sizeof(int32_t)))),
      count_(count) {}

Region::RunHead::RunHead(HeapBlock<int32_t> values, int64_t count)
    : values_(std::move(values)), count_(count) {}

Region::Region(const GXIntRect& rect) : bound_(rect) {
    assert(IsStorableRect(rect));
}

Region::Region(std::shared_ptr<RunHead> runs, const GXIntRect& bound)
    : runs_(std::move(runs)), bound_(bound) {}

bool Region::IsStorableRect(const GXIntRect& rect) {
    return rect.left <= rect.right && rect.top <= rect.bottom && rect.right != S &&
           rect.bottom != S;
}

Region Region::Oper(const Region& a, const Region& b, int32_t op) {
    if (op == GXCombineReverseDifference) return Oper(b, a, GXCombineDifference);
    if (auto quick = QuickResult(a, b, op)) return *std::move(quick);
    Region result;
    switch (op) {
        case GXCombineIntersect:
            result = Build<3, 3>(a, b);
            break;
        case GXCombineUnion:
            result = Build<1, 3>(a, b);
            break;
        case GXCombineXor:
            result = Build<1, 2>(a, b);
            break;
        case GXCombineDifference:
            result = Build<1, 1>(a, b);
            break;
    }
    assert(!result.Validate());
    return result;
}

bool Region::IsEmpty() const {
    if (IsFlat(bound_)) return true;
    if (!runs_) return false;
    // Well-formed runs always cover a pixel; this reading also holds for any others.
    const int32_t* p = runs_->Values();
    int32_t top = *p++;
    while (*p != S) {
        const int32_t bottom = *p++;
        for (; *p != S; p += 2) {
            if (bottom > top && p[1] > p[0]) return false;
        }
        ++p;
        top = bottom;
    }
    return true;
}

bool Region::Contains(const Region& other) const {
    if (auto quick = QuickResult(other, *this, GXCombineDifference)) return quick->IsEmpty();
    return !AnyPiece<1, 1>(other, *this);
}

bool Region::Intersects(const Region& other) const {
    if (auto quick = QuickResult(*this, other, GXCombineIntersect)) return !quick->IsEmpty();
    return AnyPiece<3, 3>(*this, other);
}

bool Region::BoundContains(const GXIntPoint& point) const {
    return bound_.left <= point.x && point.x <= bound_.right && bound_.top <= point.y &&
           point.y <= bound_.bottom;
}

bool Region::Offset(int32_t dx, int32_t dy) {
    // Every coordinate of the runs lies inside the bound, so checking the bound suffices.
    const auto fits = [](int32_t value, int32_t delta) {
        const int64_t moved = int64_t{value} + delta;
        return moved >= std::numeric_limits<int32_t>::min() && moved < S;
    };
    if (!fits(bound_.left, dx) || !fits(bound_.right, dx) || !fits(bound_.top, dy) ||
        !fits(bound_.bottom, dy)) {
        return false;
    }
    if (runs_) {
        if (runs_.use_count() == 1) {
            ShiftRuns(runs_->Values(), runs_->Values(), dx, dy);
        } else {
            auto moved = std::make_shared<RunHead>(runs_->Count());
            ShiftRuns(runs_->Values(), moved->Values(), dx, dy);
            runs_ = std::move(moved);
        }
    }
    bound_ = GXIntRect{Moved(bound_.left, dx), Moved(bound_.top, dy), Moved(bound_.right, dx),
                       Moved(bound_.bottom, dy)};
    return true;
}

std::vector<GXIntRect> Region::Rects() const {
    std::vector<GXIntRect> rects;
    if (!runs_) {
        if (!IsFlat(bound_)) rects.push_back(bound_);
        return rects;
    }
    rects.reserve(runs_->Count() / 2);
    const int32_t* p = runs_->Values();
    int32_t top = *p++;
    while (*p != S) {
        const int32_t bottom = *p++;
        for (; *p != S; p += 2) {
            if (bottom > top && p[1] > p[0]) rects.push_back(GXIntRect{p[0], top, p[1], bottom});
        }
        ++p;
        top = bottom;
    }
    return rects;
}

const char* Region::Validate() const {
    if (!runs_) {
        if (bound_.left == S || bound_.top == S || bound_.right == S || bound_.bottom == S) {
            return "a rectangle coordinate is the sentinel";
        }
        if (bound_.left > bound_.right || bound_.top > bound_.bottom) {
            return "the rectangle is not normalised";
        }
        return nullptr;
    }
    const int32_t* v = runs_->Values();
    const int64_t n = runs_->Count();
    if (n < 2 || v[n - 1] != S) return "the run array does not end with the sentinel";
    int32_t top = v[0];
    if (top == S) return "the run array has no top";
    int64_t i = 1;
    int64_t bands = 0, lastStart = 0, lastCount = 0;
    int32_t minLeft = S, maxRight = std::numeric_limits<int32_t>::min();
    while (i < n && v[i] != S) {
        const int32_t bottom = v[i++];
        if (bottom <= top) return "a band has no height";
        const int64_t start = i;
        for (; i < n && v[i] != S; i += 2) {
            if (i + 1 >= n || v[i + 1] == S) return "an interval has no right end";
            if (v[i] >= v[i + 1]) return "an interval is empty";
            if (i > start && v[i] <= v[i - 1]) return "intervals touch, overlap or are unsorted";
        }
        if (i >= n) return "a band is not closed";
        const int64_t count = (i - start) / 2;
        ++i;
        if (bands == 0 && count == 0) return "the first band is empty";
        if (bands > 0 && count == lastCount &&
            std::equal(v + start, v + start + 2 * count, v + lastStart)) {
            return "two neighbouring bands have the same intervals";
        }
        if (count > 0) {
            minLeft = std::min(minLeft, v[start]);
            maxRight = std::max(maxRight, v[start + 2 * count - 1]);
        }
        ++bands;
        lastStart = start;
        lastCount = count;
        top = bottom;
    }
    if (i != n - 1) return "integers follow the final sentinel";
    if (bands == 0) return "the run array has no band";
    if (lastCount == 0) return "the last band is empty";
    if (bands == 1 && lastCount == 1) return "a single rectangle is stored with runs";
    if (bound_.left != minLeft || bound_.top != v[0] || bound_.right != maxRight ||
        bound_.bottom != top) {
        return "the bound is not the extent of the runs";
    }
    return nullptr;
}

}  // namespace Graphics
