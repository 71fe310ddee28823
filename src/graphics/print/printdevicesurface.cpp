#include "graphics/print/printdevicesurface.h"

#include "platform/printcanvas.h"

namespace Graphics {

GXRect PrintDeviceSurface::GetPageRect() const {
    return GXRect{0, 0, size_.width * 72.0f / dpiX_, size_.height * 72.0f / dpiY_};
}

Host::PrintCanvas& PrintDeviceSurface::BeginPaint() {
    canvas_->Save();
    return *canvas_;
}

bool PrintDeviceSurface::EndPaint() {
    canvas_->Restore();
    return canvas_->IsGood();
}

void PrintDeviceSurface::Flush() {
    canvas_->Flush();
}

}  // namespace Graphics
