// Exports: render targets.
#include <cmath>
#include <memory>

#include "graphics/api/exportguard.h"
#include "graphics/api/handlerecord.h"
#include "graphics/bitmap/bitmap.h"
#include "graphics/bitmap/colorf.h"
#include "graphics/geometry/geometry.h"
#include "graphics/geometry/matrix.h"
#include "graphics/target/bitmaprendertarget.h"
#include "graphics/target/rendertarget.h"

using namespace Graphics;

namespace {

// Runs a change of the CTM and keeps it only when the CTM stays finite: a NaN or infinite
// argument, or a product that leaves the float range, changes nothing and is refused.
template <class Change>
GXResult ChangeCTM(GXRenderTargetRec_* target, Change&& change) {
    return ExportGuard([&] {
        const GXMatrix before = target->impl->GetCTM();
        change(*target->impl);
        if (IsFiniteMatrix(target->impl->GetCTM())) return GXResultSuccess;
        target->impl->SetCTM(&before);
        return GXResultInvalidArg;
    });
}

bool IsValidLayer(const GXLayerParams& params) {
    const GXRect& b = params.bounds;
    return !std::isnan(params.opacity) && !std::isnan(b.left) && !std::isnan(b.top) &&
           !std::isnan(b.right) && !std::isnan(b.bottom);
}

}  // namespace

GXResult GXCreateRenderTargetBitmap(GXBitmapRec_* bitmap, GXRenderTargetRec_** out) {
    if (AnyUnusable(bitmap, out)) return GXResultInvalidArg;
    return ExportGuard([&] {
        *out = MakeHandle<GXRenderTargetRec_>(std::make_shared<BitmapRenderTarget>(bitmap->impl));
    });
}

GXResult GXRenderTargetGetPixelFormat(GXRenderTargetRec_* target, GXPixelFormat* out) {
    if (AnyUnusable(target, out)) return GXResultInvalidArg;
    return ExportGuard([&] { *out = target->impl->GetPixelFormat(); });
}

GXResult GXRenderTargetGetSize(GXRenderTargetRec_* target, GXIntSize* out) {
    if (AnyUnusable(target, out)) return GXResultInvalidArg;
    return ExportGuard([&] { *out = target->impl->GetSize(); });
}

GXResult GXRenderTargetClear(GXRenderTargetRec_* target, uint32_t argb) {
    if (AnyUnusable(target)) return GXResultInvalidArg;
    return ExportGuard([&] { target->impl->Clear(argb); });
}

GXResult GXRenderTargetBeginPaint(GXRenderTargetRec_* target) {
    if (AnyUnusable(target)) return GXResultInvalidArg;
    return ExportGuard([&] { target->impl->BeginPaint(); });
}

GXResult GXRenderTargetEndPaint(GXRenderTargetRec_* target) {
    if (AnyUnusable(target)) return GXResultInvalidArg;
    bool finished = true;
    const GXResult result = ExportGuard([&] { finished = target->impl->EndPaint(); });
    return result == GXResultSuccess && !finished ? GXResultPaintFailed : result;
}

GXResult GXRenderTargetPushState(GXRenderTargetRec_* target) {
    if (AnyUnusable(target)) return GXResultInvalidArg;
    return ExportGuard([&] { target->impl->PushState(); });
}

GXResult GXRenderTargetPopState(GXRenderTargetRec_* target) {
    if (AnyUnusable(target)) return GXResultInvalidArg;
    return ExportGuard([&] { target->impl->PopState(); });
}

GXResult GXRenderTargetGetCTM(GXRenderTargetRec_* target, GXMatrix* out) {
    if (AnyUnusable(target, out)) return GXResultInvalidArg;
    return ExportGuard([&] { *out = target->impl->GetCTM(); });
}

GXResult GXRenderTargetSetCTM(GXRenderTargetRec_* target, const GXMatrix* matrix) {
    if (AnyUnusable(target) || (matrix && !IsFiniteMatrix(*matrix))) return GXResultInvalidArg;
    return ExportGuard([&] { target->impl->SetCTM(matrix); });
}

GXResult GXRenderTargetConcatCTM(GXRenderTargetRec_* target, const GXMatrix* matrix) {
    if (AnyUnusable(target, matrix) || !IsFiniteMatrix(*matrix)) return GXResultInvalidArg;
    return ChangeCTM(target, [&](RenderTarget& t) { t.ConcatCTM(*matrix); });
}

GXResult GXRenderTargetRotateCTM(GXRenderTargetRec_* target, float radians) {
    if (AnyUnusable(target) || !std::isfinite(radians)) return GXResultInvalidArg;
    return ChangeCTM(target, [&](RenderTarget& t) { t.RotateCTM(radians); });
}

GXResult GXRenderTargetScaleCTM(GXRenderTargetRec_* target, float sx, float sy) {
    if (AnyUnusable(target) || sx == 0 || sy == 0 || !std::isfinite(sx) || !std::isfinite(sy))
        return GXResultInvalidArg;
    return ChangeCTM(target, [&](RenderTarget& t) { t.ScaleCTM(sx, sy); });
}

GXResult GXRenderTargetTranslateCTM(GXRenderTargetRec_* target, float tx, float ty) {
    if (AnyUnusable(target) || !std::isfinite(tx) || !std::isfinite(ty)) return GXResultInvalidArg;
    return ChangeCTM(target, [&](RenderTarget& t) { t.TranslateCTM(tx, ty); });
}

GXResult GXRenderTargetSetBlendMode(GXRenderTargetRec_* target, int32_t mode) {
    if (AnyUnusable(target)) return GXResultInvalidArg;
    return ExportGuard([&] { target->impl->SetBlendMode(mode); });
}

GXResult GXRenderTargetSetStrokeAdjustment(GXRenderTargetRec_* target, int32_t flag) {
    if (AnyUnusable(target)) return GXResultInvalidArg;
    return ExportGuard([&] { target->impl->SetStrokeAdjustment(flag); });
}

GXResult GXRenderTargetSetOpacityMask(GXRenderTargetRec_* target, int32_t type,
                                      GXBrushRec_* brush) {
    if (AnyUnusable(target) || IsWrongKind(brush)) return GXResultInvalidArg;
    return ExportGuard([&] { target->impl->SetOpacityMask(type, brush ? brush->impl : nullptr); });
}

GXResult GXRenderTargetSetShapeMask(GXRenderTargetRec_* target, int32_t type, GXBrushRec_* brush) {
    if (AnyUnusable(target) || IsWrongKind(brush)) return GXResultInvalidArg;
    return ExportGuard([&] { target->impl->SetShapeMask(type, brush ? brush->impl : nullptr); });
}

GXResult GXRenderTargetBeginLayer(GXRenderTargetRec_* target, const GXLayerParams* params) {
    if (AnyUnusable(target, params) || !IsValidLayer(*params)) return GXResultInvalidArg;
    const GXLayerParams copy = *params;
    return ExportGuard([&] { target->impl->BeginLayer(copy); });
}

GXResult GXRenderTargetEndLayer(GXRenderTargetRec_* target) {
    if (AnyUnusable(target)) return GXResultInvalidArg;
    return ExportGuard([&] { target->impl->EndLayer(); });
}

GXResult GXRenderTargetFillGeometry(GXRenderTargetRec_* target, GXGeometryRec_* geometry,
                                    GXBrushRec_* brush) {
    if (AnyUnusable(target, geometry, brush)) return GXResultInvalidArg;
    return ExportGuard([&] { target->impl->FillGeometry(geometry->impl, brush->impl); });
}

GXResult GXRenderTargetFillTextGeometry(GXRenderTargetRec_* target, GXGeometryRec_* geometry,
                                        GXBrushRec_* brush) {
    if (AnyUnusable(target, geometry, brush)) return GXResultInvalidArg;
    return ExportGuard([&] { target->impl->FillTextGeometry(geometry->impl, brush->impl); });
}

GXResult GXRenderTargetFillRect(GXRenderTargetRec_* target, const GXRect* rect,
                                GXBrushRec_* brush) {
    if (AnyUnusable(target, rect, brush)) return GXResultInvalidArg;
    return ExportGuard([&] { target->impl->FillRect(*rect, brush->impl); });
}

GXResult GXRenderTargetFillEllipse(GXRenderTargetRec_* target, const GXRect* rect,
                                   GXBrushRec_* brush) {
    if (AnyUnusable(target, rect, brush)) return GXResultInvalidArg;
    return ExportGuard([&] { target->impl->FillEllipse(*rect, brush->impl); });
}

GXResult GXRenderTargetStrokeGeometry(GXRenderTargetRec_* target, GXGeometryRec_* geometry,
                                      GXBrushRec_* brush, float width, const GXStrokeStyle* style) {
    if (AnyUnusable(target, geometry, brush) || !RenderTarget::IsValidStrokeStyle(style))
        return GXResultInvalidArg;
    return ExportGuard(
        [&] { target->impl->StrokeGeometry(geometry->impl, brush->impl, width, style); });
}

GXResult GXRenderTargetStrokeLine(GXRenderTargetRec_* target, const GXPoint* from,
                                  const GXPoint* to, GXBrushRec_* brush, float width,
                                  const GXStrokeStyle* style) {
    if (AnyUnusable(target, from, to, brush) || !RenderTarget::IsValidStrokeStyle(style))
        return GXResultInvalidArg;
    return ExportGuard([&] { target->impl->StrokeLine(*from, *to, brush->impl, width, style); });
}

GXResult GXRenderTargetStrokeRect(GXRenderTargetRec_* target, const GXRect* rect,
                                  GXBrushRec_* brush, float width, const GXStrokeStyle* style) {
    if (AnyUnusable(target, rect, brush) || !RenderTarget::IsValidStrokeStyle(style))
        return GXResultInvalidArg;
    return ExportGuard([&] { target->impl->StrokeRect(*rect, brush->impl, width, style); });
}

GXResult GXRenderTargetStrokeEllipse(GXRenderTargetRec_* target, const GXRect* rect,
                                     GXBrushRec_* brush, float width, const GXStrokeStyle* style) {
    if (AnyUnusable(target, rect, brush) || !RenderTarget::IsValidStrokeStyle(style))
        return GXResultInvalidArg;
    return ExportGuard([&] { target->impl->StrokeEllipse(*rect, brush->impl, width, style); });
}

GXResult GXRenderTargetClipGeometry(GXRenderTargetRec_* target, GXGeometryRec_* geometry) {
    if (AnyUnusable(target, geometry)) return GXResultInvalidArg;
    return ExportGuard([&] { target->impl->ClipGeometry(geometry->impl); });
}

GXResult GXRenderTargetClipRect(GXRenderTargetRec_* target, const GXRect* rect) {
    if (AnyUnusable(target, rect)) return GXResultInvalidArg;
    return ExportGuard([&] { target->impl->ClipRect(*rect); });
}

GXResult GXRenderTargetClipEllipse(GXRenderTargetRec_* target, const GXRect* rect) {
    if (AnyUnusable(target, rect)) return GXResultInvalidArg;
    return ExportGuard([&] { target->impl->ClipEllipse(*rect); });
}

GXResult GXRenderTargetDrawBitmap(GXRenderTargetRec_* target, GXBitmapRec_* bitmap, float opacity,
                                  int32_t samplingMode) {
    if (AnyUnusable(target, bitmap) || std::isnan(opacity)) return GXResultInvalidArg;
    return ExportGuard([&] { target->impl->DrawBitmap(bitmap->impl, opacity, samplingMode); });
}

GXResult GXRenderTargetStretchBitmap(GXRenderTargetRec_* target, GXBitmapRec_* bitmap,
                                     const GXRect* rect, float opacity, int32_t samplingMode) {
    if (AnyUnusable(target, bitmap, rect) || std::isnan(opacity)) return GXResultInvalidArg;
    return ExportGuard(
        [&] { target->impl->StretchBitmap(bitmap->impl, *rect, opacity, samplingMode); });
}

GXResult GXRenderTargetDrawGradient(GXRenderTargetRec_* target, GXGradientRec_* gradient,
                                    float opacity) {
    if (AnyUnusable(target, gradient) || std::isnan(opacity)) return GXResultInvalidArg;
    return ExportGuard([&] { target->impl->DrawGradient(gradient->impl, opacity); });
}

GXResult GXRenderTargetFillMask(GXRenderTargetRec_* target, GXBitmapRec_* mask, GXBrushRec_* brush,
                                int32_t samplingMode) {
    if (AnyUnusable(target, mask, brush)) return GXResultInvalidArg;
    return ExportGuard([&] { target->impl->FillMask(mask->impl, brush->impl, samplingMode); });
}

GXResult GXRenderTargetInvertRect(GXRenderTargetRec_* target, const GXRect* rect) {
    if (AnyUnusable(target, rect)) return GXResultInvalidArg;
    return ExportGuard([&] { target->impl->InvertRect(*rect); });
}

GXResult GXRenderTargetFillText(GXRenderTargetRec_* target, GXFontFaceRec_* face,
                                const uint16_t* text, GXBrushRec_* brush) {
    if (AnyUnusable(target, face, text, brush)) return GXResultInvalidArg;
    return ExportGuard([&] { target->impl->FillText(face->impl, text, brush->impl); });
}
