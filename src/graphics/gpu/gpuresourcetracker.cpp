#include "graphics/gpu/gpuresourcetracker.h"

#include "graphics/gpu/gpuresource.h"

namespace Graphics {

void GpuResourceTracker::Unlink(GpuResource* r) {
    if (r->list_ < 0) return;
    List& list = lists_[r->list_];
    (r->previous_ ? r->previous_->next_ : list.head) = r->next_;
    (r->next_ ? r->next_->previous_ : list.tail) = r->previous_;
    r->next_ = r->previous_ = nullptr;
    r->list_ = -1;
    --list.count;
}

void GpuResourceTracker::Append(ListId id, GpuResource* r) {
    List& list = lists_[id];
    r->previous_ = list.tail;
    r->next_ = nullptr;
    (list.tail ? list.tail->next_ : list.head) = r;
    list.tail = r;
    r->list_ = id;
    ++list.count;
}

void GpuResourceTracker::Register(GpuResource* r) {
    std::lock_guard lock(mutex_);
    Append(Resident, r);
}

void GpuResourceTracker::Unregister(GpuResource* r) {
    std::lock_guard lock(mutex_);
    Unlink(r);
}

void GpuResourceTracker::Touch(GpuResource* r) {
    std::lock_guard lock(mutex_);
    if (!r->evictable_ || r->stamp_ != 0) return;
    r->stamp_ = frameDepth_;
    Unlink(r);
    Append(InUse, r);
}

void GpuResourceTracker::BeginFrame() {
    std::lock_guard lock(mutex_);
    ++frameDepth_;
}

void GpuResourceTracker::EndFrame() {
    std::lock_guard lock(mutex_);
    // Stamps grow along the in-use list (an inner paint starts after its enclosing one), so
    // the innermost paint's resources are the run from the first with its stamp to the end.
    GpuResource* r = lists_[InUse].head;
    while (r && r->stamp_ != frameDepth_) r = r->next_;
    while (r) {
        GpuResource* next = r->next_;
        r->stamp_ = 0;
        Unlink(r);
        Append(Idle, r);
        r = next;
    }
    --frameDepth_;
}

bool GpuResourceTracker::EvictOne() {
    std::lock_guard lock(mutex_);
    // The head of the idle list went idle longest ago: evicting it keeps the textures the
    // latest paints used, which the next paint most likely needs again.
    GpuResource* r = lists_[Idle].head;
    if (!r) return false;
    r->ReleaseGpuObject();
    Unlink(r);
    Append(Resident, r);
    return true;
}

void GpuResourceTracker::ReleaseAll() {
    std::lock_guard lock(mutex_);
    for (ListId id : {InUse, Idle}) {
        while (GpuResource* r = lists_[id].head) {
            r->stamp_ = 0;
            Unlink(r);
            Append(Resident, r);
        }
    }
    for (GpuResource* r = lists_[Resident].head; r; r = r->next_) r->ReleaseGpuObject();
}

int32_t GpuResourceTracker::FrameDepth() const {
    std::lock_guard lock(mutex_);
    return frameDepth_;
}

size_t GpuResourceTracker::InUseCount() const {
    std::lock_guard lock(mutex_);
    return lists_[InUse].count;
}

size_t GpuResourceTracker::IdleCount() const {
    std::lock_guard lock(mutex_);
    return lists_[Idle].count;
}

}  // namespace Graphics
