#pragma once

#include <memory>
#include <utility>

namespace Graphics {

// A front object that holds shared ownership of one implementation (a Bitmap over its
// BitmapBase, a RenderTarget over its renderer).
template <class T>
class ImplementationHolder {
public:
    explicit ImplementationHolder(std::shared_ptr<T> impl) : impl_(std::move(impl)) {}

    const std::shared_ptr<T>& GetImpl() const { return impl_; }

protected:
    std::shared_ptr<T> impl_;  // never empty after construction
};

}  // namespace Graphics
