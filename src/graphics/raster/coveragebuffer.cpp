#include "graphics/raster/coveragebuffer.h"

#include <algorithm>
#include <bit>
#include <limits>

namespace Graphics {

namespace {

// Rows wider than this many cells mark the cells their spans touch.
constexpr size_t kMarkedWidth = 256;

}  // namespace

CoverageBuffer::CoverageBuffer(int32_t clipLeft, int32_t clipRight)
    : head_{&head_, std::numeric_limits<int32_t>::max(), 0} {
    Reshape(clipLeft, clipRight);
}

void CoverageBuffer::Reshape(int32_t clipLeft, int32_t clipRight) {
    clipLeft_ = clipLeft;
    clipRight_ = std::max(clipLeft, clipRight);
    cells_.assign(static_cast<size_t>(clipRight_ - clipLeft_) + 1, Cell{0, 0});
    marking_ = cells_.size() > kMarkedWidth;
    marks_.assign(marking_ ? (cells_.size() + 63) / 64 : 0, 0);
    touchedBegin_ = static_cast<int32_t>(cells_.size());
    touchedEnd_ = 0;
    runsCurrent_ = true;
    runs_.clear();
    head_.next = &head_;
    // A row alternating between values has at most one run per cell and the closing one.
    runs_.reserve(cells_.size() + 1);
}

size_t CoverageBuffer::RetainedBytes() const {
    return cells_.capacity() * sizeof(Cell) + marks_.capacity() * sizeof(uint64_t) +
           runs_.capacity() * sizeof(CoverageRun);
}

void CoverageBuffer::AddSpan(int32_t a8, int32_t b8) {
    a8 = std::max(a8, clipLeft_ * 8);
    b8 = std::min(b8, clipRight_ * 8);
    if (a8 >= b8) return;
    // Cell indices of the first and last pixel touched; b8 at the clip's right edge puts
    // the last at the extra cell, with nothing of its own added (b8 & 7 is 0 there).
    const int32_t first = (a8 >> 3) - clipLeft_;
    const int32_t last = (b8 >> 3) - clipLeft_;
    Cell* cells = cells_.data();
    if (first == last) {
        cells[first].own += b8 - a8;
    } else {
        // Whole eighths from the pixel after `first` up to `last`, then the partial ends.
        cells[first].own += 8 - (a8 & 7);
        cells[first + 1].step += 8;
        cells[last].step -= 8;
        cells[last].own += b8 & 7;
    }
    if (marking_) {
        uint64_t* marks = marks_.data();
        auto mark = [marks](int32_t i) { marks[i >> 6] |= uint64_t{1} << (i & 63); };
        mark(first);
        if (first != last) {
            mark(first + 1);
            mark(last);
        }
    }
    touchedBegin_ = std::min(touchedBegin_, first);
    touchedEnd_ = std::max(touchedEnd_, last + 1);
    runsCurrent_ = false;
}

template <class Visit>
void CoverageBuffer::ForEachMarked(Visit&& visit) const {
    if (!marking_) {
        for (int32_t i = touchedBegin_; i < touchedEnd_; ++i) visit(i);
        return;
    }
    for (int32_t w = touchedBegin_ >> 6; w <= (touchedEnd_ - 1) >> 6; ++w) {
        for (uint64_t bits = marks_[size_t(w)]; bits != 0; bits &= bits - 1)
            visit(w * 64 + std::countr_zero(bits));
    }
}

void CoverageBuffer::BuildRuns() const {
    runs_.clear();
    // The whole-pixel coverage after the last marked cell read (the steps so far), and
    // the value of the last run made.
    int32_t whole = 0, value = 0;
    int32_t next = touchedBegin_;  // the pixel after the last marked cell read
    ForEachMarked([&](int32_t i) {
        // Unmarked pixels between marked cells hold the whole-pixel coverage alone.
        if (next < i && whole != value) {
            runs_.push_back(CoverageRun{nullptr, clipLeft_ + next, whole});
            value = whole;
        }
        whole += cells_[size_t(i)].step;
        const int32_t v = whole + cells_[size_t(i)].own;
        if (v != value) {
            runs_.push_back(CoverageRun{nullptr, clipLeft_ + i, v});
            value = v;
        }
        next = i + 1;
    });
    // The steps sum to 0, so the pixels after the last marked cell are uncovered. Only a
    // last cell with coverage of its own leaves a value here, and that cell is a pixel
    // (the extra cell at the right edge never holds any), so the closing run starts at
    // most at the clip's right edge.
    if (value != 0) runs_.push_back(CoverageRun{nullptr, clipLeft_ + next, 0});
    CoverageRun* link = &head_;
    for (CoverageRun& run : runs_) {
        link->next = &run;
        link = &run;
    }
    link->next = &head_;
    runsCurrent_ = true;
}

const CoverageRun* CoverageBuffer::First() const {
    if (!runsCurrent_) BuildRuns();
    return head_.next;
}

void CoverageBuffer::Reset() {
    if (touchedBegin_ < touchedEnd_) {
        ForEachMarked([this](int32_t i) { cells_[size_t(i)] = Cell{0, 0}; });
        if (marking_)
            std::fill(marks_.begin() + (touchedBegin_ >> 6),
                      marks_.begin() + ((touchedEnd_ - 1) >> 6) + 1, uint64_t{0});
    }
    touchedBegin_ = static_cast<int32_t>(cells_.size());
    touchedEnd_ = 0;
    runs_.clear();
    head_.next = &head_;
    runsCurrent_ = true;
}

bool CoverageBuffer::Validate() const {
    if (head_.x != std::numeric_limits<int32_t>::max() || head_.value != 0) return false;
    for (size_t i = 0; i < cells_.size(); ++i) {
        const bool marked = !marking_ || ((marks_[i >> 6] >> (i & 63)) & 1);
        const bool touched = marked && int64_t(i) >= touchedBegin_ && int64_t(i) < touchedEnd_;
        if (!touched && (cells_[i].own != 0 || cells_[i].step != 0)) return false;
    }
    const CoverageRun* previous = nullptr;
    for (const CoverageRun* run = First(); run != &head_; run = run->next) {
        if (run->x < clipLeft_ || run->x > clipRight_) return false;
        if (previous && (previous->x >= run->x || previous->value == run->value)) return false;
        if (run->value < 0 || run->value > 64) return false;
        previous = run;
    }
    return !previous || previous->value == 0;
}

}  // namespace Graphics
