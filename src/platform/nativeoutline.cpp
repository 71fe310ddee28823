#include "platform/nativeoutline.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>

namespace Host {

namespace {

POINTFX ToPointFx(const FT_Vector& point) {
    return {NativeOutline::ToFixed(point.x), NativeOutline::ToFixed(point.y)};
}

// Writes one polygon at `used` bytes into `out` (which has room for it): its header, then
// curve records, patching the sizes at the end. `used` advances past what is written.
class PolygonWriter {
public:
    PolygonWriter(BYTE* out, size_t& used, const FT_Vector& start)
        : out_(out), used_(used), header_(used) {
        TTPOLYGONHEADER header{0, TT_POLYGON_TYPE, ToPointFx(start)};
        Append(&header, sizeof header);
    }

    // Adds a point to the open record of `type`, opening a new record when the open one is
    // of another type. A contour holds at most 65535 points, so a count always fits a WORD.
    void Add(WORD type, const FT_Vector& point) {
        if (!recordOpen_ || type != recordType_) {
            CloseRecord();
            record_ = used_;
            recordType_ = type;
            recordCount_ = 0;
            recordOpen_ = true;
            WORD head[2] = {type, 0};
            Append(head, sizeof head);
        }
        POINTFX fx = ToPointFx(point);
        Append(&fx, sizeof fx);
        ++recordCount_;
    }

    // Ends the open record; the next point starts a new one.
    void CloseRecord() {
        if (!recordOpen_) return;
        std::memcpy(out_ + record_ + sizeof(WORD), &recordCount_, sizeof recordCount_);
        recordOpen_ = false;
    }

    void Finish() {
        CloseRecord();
        DWORD bytes = static_cast<DWORD>(used_ - header_);
        std::memcpy(out_ + header_ + offsetof(TTPOLYGONHEADER, cb), &bytes, sizeof bytes);
    }

private:
    void Append(const void* data, size_t bytes) {
        std::memcpy(out_ + used_, data, bytes);
        used_ += bytes;
    }

    BYTE* out_;                // the whole buffer
    size_t& used_;             // bytes of out_ written so far
    size_t header_;            // offset of this polygon's header in out_
    size_t record_ = 0;        // offset of the open record's wType, when one is open
    WORD recordType_ = 0;      // TT_PRIM_* of the open record
    WORD recordCount_ = 0;     // points written to the open record so far
    bool recordOpen_ = false;  // whether a record is open
};

// Control points met since the last on-curve point of a contour.
struct PendingControls {
    FT_Vector points[2];     // cubic controls; quadratic ones are written as they come
    int cubic = 0;           // cubic controls held in points (0..2)
    bool quadratic = false;  // whether quadratic controls were written since the last on point
};

}  // namespace

FIXED NativeOutline::ToFixed(FT_Pos value26_6) {
    constexpr int64_t kMin = std::numeric_limits<int32_t>::min() / 1024;
    constexpr int64_t kMax = std::numeric_limits<int32_t>::max() / 1024;
    int64_t clamped = std::clamp<int64_t>(value26_6, kMin, kMax);
    int32_t value16_16 = static_cast<int32_t>(clamped * 1024);
    return {static_cast<WORD>(value16_16 & 0xFFFF), static_cast<SHORT>(value16_16 >> 16)};
}

bool NativeOutline::Encode(const FT_Outline& outline, std::vector<BYTE>& out) {
    if (outline.n_contours < 0 || outline.n_points < 0) return false;
    // Room for the worst case, every point opening a record of its own; cut to size at the
    // end.
    out.resize(outline.n_contours * sizeof(TTPOLYGONHEADER) +
               size_t(outline.n_points) * (sizeof(POINTFX) + offsetof(TTPOLYCURVE, apfx)));
    size_t used = 0;
    int first = 0;
    for (int contour = 0; contour < outline.n_contours; ++contour) {
        int last = outline.contours[contour];
        if (last < first || last >= outline.n_points) return false;
        int count = last - first + 1;
        auto tagAt = [&](int index) { return FT_CURVE_TAG(outline.tags[index]); };

        // The polygon starts at the contour's first on-curve point; a contour made only of
        // quadratic controls starts at the midpoint implied between its last and first.
        int startIndex = -1;
        for (int i = first; i <= last && startIndex < 0; ++i)
            if (tagAt(i) == FT_CURVE_TAG_ON) startIndex = i;
        FT_Vector start;
        if (startIndex >= 0) {
            start = outline.points[startIndex];
        } else {
            for (int i = first; i <= last; ++i)
                if (tagAt(i) != FT_CURVE_TAG_CONIC) return false;
            const FT_Vector& a = outline.points[last];
            const FT_Vector& b = outline.points[first];
            start = {(a.x + b.x) / 2, (a.y + b.y) / 2};
        }
        if (count < 2) {
            first = last + 1;
            continue;
        }

        PolygonWriter polygon(out.data(), used, start);
        PendingControls pending;
        // Reaching an on-curve point ends whatever the pending controls began. The closing
        // point is the start itself; a straight closing segment stays implied.
        auto onPoint = [&](const FT_Vector& point, bool closing) {
            if (pending.quadratic) {
                polygon.Add(TT_PRIM_QSPLINE, point);
                // Controls of the next run must not read as continuing this one.
                polygon.CloseRecord();
                pending.quadratic = false;
                return true;
            }
            if (pending.cubic == 2) {
                polygon.Add(TT_PRIM_CSPLINE, pending.points[0]);
                polygon.Add(TT_PRIM_CSPLINE, pending.points[1]);
                polygon.Add(TT_PRIM_CSPLINE, point);
                pending.cubic = 0;
                return true;
            }
            if (pending.cubic != 0) return false;
            if (!closing) polygon.Add(TT_PRIM_LINE, point);
            return true;
        };

        int firstVisited = startIndex >= 0 ? startIndex + 1 : first;
        int visits = startIndex >= 0 ? count - 1 : count;
        for (int step = 0; step < visits; ++step) {
            int index = first + (firstVisited - first + step) % count;
            const FT_Vector& point = outline.points[index];
            switch (tagAt(index)) {
                case FT_CURVE_TAG_ON:
                    if (!onPoint(point, false)) return false;
                    break;
                case FT_CURVE_TAG_CONIC:
                    if (pending.cubic != 0) return false;
                    polygon.Add(TT_PRIM_QSPLINE, point);
                    pending.quadratic = true;
                    break;
                default:  // FT_CURVE_TAG_CUBIC
                    if (pending.quadratic || pending.cubic == 2) return false;
                    pending.points[pending.cubic++] = point;
                    break;
            }
        }
        if (!onPoint(start, true)) return false;
        polygon.Finish();
        first = last + 1;
    }
    out.resize(used);
    return true;
}

}  // namespace Host
