#include "graphics/software/coveragebuffer.h"

#include <algorithm>
#include <limits>

#include "graphics/api/exception.h"

namespace Graphics {

CoverageBuffer::CoverageBuffer(int32_t clipLeft, int32_t clipRight)
    : clipLeft_(clipLeft),
      clipRight_(std::max(clipLeft, clipRight)),
      head_{&head_, std::numeric_limits<int32_t>::max(), 0},
      cursor_(&head_),
      free_(nullptr),
      pool_(32) {}

CoverageRun* CoverageBuffer::NewRun(CoverageRun* after, int32_t x, int32_t value) {
    CoverageRun* run = free_;
    if (run) {
        free_ = run->next;
    } else {
        void* memory = pool_.malloc();
        if (!memory) GX_RAISE("Not enough memory");
        run = new (memory) CoverageRun;
    }
    *run = {after->next, x, value};
    after->next = run;
    return run;
}

CoverageRun* CoverageBuffer::Ensure(CoverageRun* from, int32_t x) {
    // The head stands for "before the first run": its value 0 is the coverage there.
    CoverageRun* run = from;
    if (run == &head_) {
        if (head_.next->x > x) return NewRun(&head_, x, 0);
        run = head_.next;
    }
    while (run->next->x <= x) run = run->next;
    if (run->x == x) return run;
    return NewRun(run, x, run->value);
}

void CoverageBuffer::AddSpan(int32_t a8, int32_t b8) {
    a8 = std::max(a8, clipLeft_ * 8);
    b8 = std::min(b8, clipRight_ * 8);
    if (a8 >= b8) return;
    int32_t pa = a8 >> 3;
    int32_t pb = b8 >> 3;
    CoverageRun* first = Ensure(cursor_->x <= pa ? cursor_ : &head_, pa);
    if (pa == pb) {
        Ensure(first, pa + 1);
        first->value += b8 - a8;
        cursor_ = first;
        return;
    }
    // The run at pb is split off before anything is added, so it keeps the old value and
    // only the whole pixels [pa, pb) gain 8 below.
    CoverageRun* last = Ensure(first, pb);
    if (a8 & 7) Ensure(first, pa + 1);
    for (CoverageRun* run = first; run != last; run = run->next) run->value += 8;
    first->value -= a8 & 7;
    if (b8 & 7) {
        Ensure(last, pb + 1);
        last->value += b8 & 7;
    }
    cursor_ = last;
}

void CoverageBuffer::Reset() {
    CoverageRun* run = head_.next;
    while (run != &head_) {
        CoverageRun* next = run->next;
        run->next = free_;
        free_ = run;
        run = next;
    }
    head_.next = &head_;
    cursor_ = &head_;
}

bool CoverageBuffer::Validate() const {
    if (head_.x != std::numeric_limits<int32_t>::max() || head_.value != 0) return false;
    bool cursorSeen = cursor_ == &head_;
    const CoverageRun* previous = nullptr;
    for (const CoverageRun* run = head_.next; run != &head_; run = run->next) {
        if (run->x < clipLeft_ || run->x > clipRight_) return false;
        if (previous && previous->x >= run->x) return false;
        if (run->value < 0 || run->value > 64) return false;
        cursorSeen = cursorSeen || run == cursor_;
        previous = run;
    }
    return cursorSeen && (!previous || previous->value == 0);
}

}  // namespace Graphics
