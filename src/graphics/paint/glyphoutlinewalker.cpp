#include "graphics/paint/glyphoutlinewalker.h"

#include <cstring>

#include "platform/hostgdi.h"

namespace Graphics {

namespace {

float ToFloat(const FIXED& value) {
    return static_cast<float>(value.value + value.fract / 65536.0);
}

GXPoint ToPoint(const POINTFX& point) {
    return {ToFloat(point.x), ToFloat(point.y)};
}

GXPoint Midpoint(const GXPoint& a, const GXPoint& b) {
    return {(a.x + b.x) * 0.5f, (a.y + b.y) * 0.5f};
}

// The quadratic piece from `start` over `control` to `end` as the cubic that draws the same
// curve: both cubic controls lie two thirds of the way from an end point to the quadratic
// control.
void QuadraticTo(GeometrySink& sink, const GXPoint& start, const GXPoint& control,
                 const GXPoint& end) {
    constexpr float kTwoThirds = 2.0f / 3.0f;
    GXPoint c1{start.x + kTwoThirds * (control.x - start.x),
               start.y + kTwoThirds * (control.y - start.y)};
    GXPoint c2{end.x + kTwoThirds * (control.x - end.x), end.y + kTwoThirds * (control.y - end.y)};
    sink.CubicCurveTo(c1, c2, end);
}

// Sends one curve record's points, continuing from `current`; false when the record is not
// one GDI writes (unknown type, too few points for its kind).
bool SendRecord(WORD type, const BYTE* pointData, WORD count, GXPoint& current,
                GeometrySink& sink) {
    auto pointAt = [pointData](size_t index) {
        POINTFX point;
        std::memcpy(&point, pointData + index * sizeof(POINTFX), sizeof point);
        return ToPoint(point);
    };
    switch (type) {
        case TT_PRIM_LINE:
            for (size_t i = 0; i < count; ++i) {
                current = pointAt(i);
                sink.LineTo(current);
            }
            return true;
        case TT_PRIM_QSPLINE: {
            // Every point but the last is a control; the on-curve points between two
            // consecutive controls are their midpoints.
            if (count < 2) return false;
            for (size_t i = 0; i + 1 < count; ++i) {
                GXPoint control = pointAt(i);
                GXPoint next = pointAt(i + 1);
                GXPoint end = i + 2 == count ? next : Midpoint(control, next);
                QuadraticTo(sink, current, control, end);
                current = end;
            }
            return true;
        }
        case TT_PRIM_CSPLINE:
            if (count % 3 != 0) return false;
            for (size_t i = 0; i < count; i += 3) {
                current = pointAt(i + 2);
                sink.CubicCurveTo(pointAt(i), pointAt(i + 1), current);
            }
            return true;
        default:
            return false;
    }
}

}  // namespace

void GlyphOutlineWalker::Send(const void* buffer, size_t bytes, GeometrySink& sink) {
    const BYTE* at = static_cast<const BYTE*>(buffer);
    const BYTE* end = at + bytes;
    constexpr size_t kCurveHeader = offsetof(TTPOLYCURVE, apfx);
    while (static_cast<size_t>(end - at) >= sizeof(TTPOLYGONHEADER)) {
        TTPOLYGONHEADER header;
        std::memcpy(&header, at, sizeof header);
        if (header.dwType != TT_POLYGON_TYPE || header.cb < sizeof header ||
            header.cb > static_cast<size_t>(end - at))
            return;
        const BYTE* polygonEnd = at + header.cb;
        GXPoint current = ToPoint(header.pfxStart);
        sink.BeginFigure(current);
        const BYTE* record = at + sizeof header;
        bool intact = true;
        while (static_cast<size_t>(polygonEnd - record) >= kCurveHeader) {
            WORD type, count;
            std::memcpy(&type, record + offsetof(TTPOLYCURVE, wType), sizeof type);
            std::memcpy(&count, record + offsetof(TTPOLYCURVE, cpfx), sizeof count);
            size_t recordBytes = kCurveHeader + size_t{count} * sizeof(POINTFX);
            if (recordBytes > static_cast<size_t>(polygonEnd - record) ||
                !SendRecord(type, record + kCurveHeader, count, current, sink)) {
                intact = false;
                break;
            }
            record += recordBytes;
        }
        sink.EndFigureClose();
        if (!intact) return;
        at = polygonEnd;
    }
}

}  // namespace Graphics
