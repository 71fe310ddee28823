#include "graphics/geometry/strokesink.h"

#include <optional>
#include <utility>

#include "graphics/core/exception.h"
#include "graphics/geometry/dasher.h"
#include "graphics/geometry/pen.h"
#include "graphics/geometry/shape.h"

namespace Graphics {

namespace {

// A pen holding more than this after a huge stroke is let go instead of kept.
constexpr size_t kMaxSparePenBytes = size_t(1) << 20;

// The thread's pen between strokes; empty while a stroke uses it (a stroke made by the
// target of another then gets a pen of its own).
std::unique_ptr<Pen>& SparePen() {
    thread_local std::unique_ptr<Pen> spare;
    return spare;
}

// A pen for one stroke, from the spare when there is one, back to it afterwards.
class BorrowedPen {
public:
    BorrowedPen(float tolerance, float width, const StrokeStyle& style,
                std::shared_ptr<GeometrySink> target)
        : pen_(std::move(SparePen())) {
        if (pen_)
            pen_->Reset(tolerance, width, style.cap, style.join, style.miterLimit,
                        std::move(target));
        else
            pen_ = std::make_unique<Pen>(tolerance, width, style.cap, style.join,
                                         style.miterLimit, std::move(target));
    }
    ~BorrowedPen() {
        pen_->Detach();
        std::unique_ptr<Pen>& spare = SparePen();
        if (!spare && pen_->RetainedBytes() <= kMaxSparePenBytes) spare = std::move(pen_);
    }
    BorrowedPen(const BorrowedPen&) = delete;
    BorrowedPen& operator=(const BorrowedPen&) = delete;

    Pen& Get() { return *pen_; }

private:
    std::unique_ptr<Pen> pen_;
};

}  // namespace

void StrokeShape(const Shape& shape, float tolerance, float width, const StrokeStyle& style,
                 std::shared_ptr<GeometrySink> target) {
    BorrowedPen pen(tolerance, width, style, std::move(target));
    if (style.dashes.empty() || Dasher::IsFinerThan(style.dashes, tolerance)) {
        shape.Replay(pen.Get());
        return;
    }
    // The dasher lives on this stack and only borrows the pen.
    std::optional<Dasher> dasher;
    try {
        dasher.emplace(tolerance, style.dashes, style.dashOffset,
                       std::shared_ptr<GeometrySink>(std::shared_ptr<void>(), &pen.Get()));
    } catch (const Exception&) {
        shape.Replay(pen.Get());
        return;
    }
    shape.Replay(*dasher);
}

}  // namespace Graphics
