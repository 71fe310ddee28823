#include "graphics/software/coveragebuffer.h"

#include <algorithm>
#include <limits>

namespace Graphics {

CoverageBuffer::CoverageBuffer(int32_t clipLeft, int32_t clipRight)
    : clipLeft_(clipLeft),
      clipRight_(std::max(clipLeft, clipRight)),
      cells_(static_cast<size_t>(clipRight_ - clipLeft_) + 1, Cell{0, 0}),
      touchedBegin_(static_cast<int32_t>(cells_.size())),
      touchedEnd_(0),
      runsCurrent_(true),
      head_{&head_, std::numeric_limits<int32_t>::max(), 0} {
    // A row alternating between values has at most one run per cell and the closing one.
    runs_.reserve(cells_.size() + 1);
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
    touchedBegin_ = std::min(touchedBegin_, first);
    touchedEnd_ = std::max(touchedEnd_, last + 1);
    runsCurrent_ = false;
}

void CoverageBuffer::BuildRuns() const {
    runs_.clear();
    int32_t whole = 0, value = 0;  // the coverage of the pixel before the cell read
    for (int32_t i = touchedBegin_; i < touchedEnd_; ++i) {
        whole += cells_[size_t(i)].step;
        const int32_t v = whole + cells_[size_t(i)].own;
        if (v != value) {
            runs_.push_back(CoverageRun{nullptr, clipLeft_ + i, v});
            value = v;
        }
    }
    // The whole-pixel steps sum to 0 over the touched cells, so the last run is 0 already
    // unless the last touched cell held coverage of its own.
    if (value != 0) runs_.push_back(CoverageRun{nullptr, clipLeft_ + touchedEnd_, 0});
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
    if (touchedBegin_ < touchedEnd_)
        std::fill(cells_.begin() + touchedBegin_, cells_.begin() + touchedEnd_, Cell{0, 0});
    touchedBegin_ = static_cast<int32_t>(cells_.size());
    touchedEnd_ = 0;
    runs_.clear();
    head_.next = &head_;
    runsCurrent_ = true;
}

bool CoverageBuffer::Validate() const {
    if (head_.x != std::numeric_limits<int32_t>::max() || head_.value != 0) return false;
    for (size_t i = 0; i < cells_.size(); ++i) {
        const bool touched = int64_t(i) >= touchedBegin_ && int64_t(i) < touchedEnd_;
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
