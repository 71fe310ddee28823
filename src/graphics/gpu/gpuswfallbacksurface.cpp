#include "graphics/gpu/gpuswfallbacksurface.h"

#include "graphics/bitmap/sysmembitmap.h"
#include "graphics/gpu/gpuvidmemtexture.h"

namespace Graphics {

GpuSwFallbackSurface::GpuSwFallbackSurface(GXIntSize size)
    : bitmap_(std::make_shared<SysMemBitmap>(size, GXPixelFormatPARGB32, 96.0f, 96.0f,
                                             SysMemBitmap::Zeroed{})) {}

GXPixelFormat GpuSwFallbackSurface::GetPixelFormat() const { return bitmap_->GetPixelFormat(); }
GXIntSize GpuSwFallbackSurface::GetSize() const { return bitmap_->GetSize(); }
float GpuSwFallbackSurface::GetDpiX() const { return bitmap_->GetDpiX(); }
float GpuSwFallbackSurface::GetDpiY() const { return bitmap_->GetDpiY(); }

std::shared_ptr<BitmapBase> GpuSwFallbackSurface::BeginPaint() { return bitmap_; }

std::shared_ptr<GpuVidMemTexture> GpuSwFallbackSurface::Upload(
    const std::shared_ptr<GpuDevice>& device, bool wantMipmaps) const {
    auto texture = std::make_shared<GpuVidMemTexture>(device, bitmap_->GetSize(),
                                                      GXPixelFormatPARGB32, bitmap_->GetDpiX(),
                                                      bitmap_->GetDpiY(), wantMipmaps);
    if (!texture->IsValid()) return {};
    texture->CopyFromSource(nullptr, bitmap_, nullptr);
    return texture;
}

}  // namespace Graphics
