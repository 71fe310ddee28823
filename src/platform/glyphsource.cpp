#include "platform/glyphsource.h"

#include FT_OUTLINE_H

#include <algorithm>
#include <cmath>
#include <limits>

#include "platform/fontmatcher.h"

namespace Host {

namespace {

bool IsIdentity(const FT_Matrix& m) {
    return m.xx == 0x10000 && m.xy == 0 && m.yx == 0 && m.yy == 0x10000;
}

bool IsSurrogate(char16_t unit) {
    return unit >= 0xD800 && unit <= 0xDFFF;
}

// A 26.6 outline point as a float pixel, y turned down.
GXPoint ToPoint(const FT_Vector& point) {
    return {static_cast<float>(point.x / 64.0), static_cast<float>(-point.y / 64.0)};
}

GXPoint Midpoint(const GXPoint& a, const GXPoint& b) {
    return {(a.x + b.x) * 0.5f, (a.y + b.y) * 0.5f};
}

// Walks an outline's contours, turning FreeType's point tags into figures for `sink`, or,
// without a sink, only checking that the tags describe a valid outline (a cubic control
// not in a pair, quadratic and cubic controls run together, a contour of cubic controls
// alone are not). Contours of a single point draw nothing and are left out.
class OutlineWalker {
public:
    OutlineWalker(const FT_Outline& outline, Graphics::GeometrySink* sink)
        : outline_(outline), sink_(sink) {}

    bool Walk() {
        if (outline_.n_contours < 0 || outline_.n_points < 0) return false;
        int first = 0;
        for (int contour = 0; contour < outline_.n_contours; ++contour) {
            int last = outline_.contours[contour];
            if (last < first || last >= outline_.n_points) return false;
            if (!WalkContour(first, last)) return false;
            first = last + 1;
        }
        return true;
    }

private:
    int TagAt(int index) const { return FT_CURVE_TAG(outline_.tags[index]); }

    bool WalkContour(int first, int last) {
        int count = last - first + 1;
        // The figure starts at the contour's first on-curve point; a contour made only of
        // quadratic controls starts at the midpoint implied between its last and first.
        int startIndex = -1;
        for (int i = first; i <= last && startIndex < 0; ++i)
            if (TagAt(i) == FT_CURVE_TAG_ON) startIndex = i;
        FT_Vector start;
        if (startIndex >= 0) {
            start = outline_.points[startIndex];
        } else {
            for (int i = first; i <= last; ++i)
                if (TagAt(i) != FT_CURVE_TAG_CONIC) return false;
            const FT_Vector& a = outline_.points[last];
            const FT_Vector& b = outline_.points[first];
            start = {(a.x + b.x) / 2, (a.y + b.y) / 2};
        }
        if (count < 2) return true;

        start_ = current_ = ToPoint(start);
        quadratic_ = false;
        cubic_ = 0;
        if (sink_) sink_->BeginFigure(current_);
        int firstVisited = startIndex >= 0 ? startIndex + 1 : first;
        int visits = startIndex >= 0 ? count - 1 : count;
        for (int step = 0; step < visits; ++step) {
            int index = first + (firstVisited - first + step) % count;
            const FT_Vector& point = outline_.points[index];
            switch (TagAt(index)) {
                case FT_CURVE_TAG_ON:
                    if (!OnPoint(ToPoint(point), false)) return false;
                    break;
                case FT_CURVE_TAG_CONIC:
                    if (cubic_ != 0) return false;
                    Control(ToPoint(point));
                    break;
                default:  // FT_CURVE_TAG_CUBIC
                    if (quadratic_ || cubic_ == 2) return false;
                    cubics_[cubic_++] = ToPoint(point);
                    break;
            }
        }
        // The closing point is the start itself; a straight closing segment stays implied.
        if (!OnPoint(start_, true)) return false;
        if (sink_) sink_->EndFigureClose();
        return true;
    }

    // A quadratic control: the on-curve point between it and the control before it is
    // their midpoint.
    void Control(const GXPoint& control) {
        if (quadratic_) {
            GXPoint end = Midpoint(control_, control);
            QuadraticTo(control_, end);
        }
        control_ = control;
        quadratic_ = true;
    }

    // Reaching an on-curve point ends whatever the pending controls began.
    bool OnPoint(const GXPoint& end, bool closing) {
        if (quadratic_) {
            QuadraticTo(control_, end);
            quadratic_ = false;
            return true;
        }
        if (cubic_ == 2) {
            if (sink_) sink_->CubicCurveTo(cubics_[0], cubics_[1], end);
            current_ = end;
            cubic_ = 0;
            return true;
        }
        if (cubic_ != 0) return false;
        if (!closing) {
            if (sink_) sink_->LineTo(end);
            current_ = end;
        }
        return true;
    }

    // The quadratic piece from the current point over `control` to `end` as the cubic
    // that draws the same curve: both cubic controls lie two thirds of the way from an
    // end point to the quadratic control.
    void QuadraticTo(const GXPoint& control, const GXPoint& end) {
        constexpr float kTwoThirds = 2.0f / 3.0f;
        if (sink_) {
            GXPoint c1{current_.x + kTwoThirds * (control.x - current_.x),
                       current_.y + kTwoThirds * (control.y - current_.y)};
            GXPoint c2{end.x + kTwoThirds * (control.x - end.x),
                       end.y + kTwoThirds * (control.y - end.y)};
            sink_->CubicCurveTo(c1, c2, end);
        }
        current_ = end;
    }

    const FT_Outline& outline_;     // the glyph's outline, 26.6 pixels, y up
    Graphics::GeometrySink* sink_;  // null: check only
    GXPoint start_{};               // the open figure's first point
    GXPoint current_{};             // where the open figure has got to
    GXPoint control_{};             // the pending quadratic control, when quadratic_
    GXPoint cubics_[2]{};           // pending cubic controls (cubic_ of them)
    bool quadratic_ = false;        // whether a quadratic control is pending
    int cubic_ = 0;                 // cubic controls pending (0..2)
};

}  // namespace

GlyphSource::GlyphSource(FreeTypeFace face, bool embolden, const FT_Matrix& slant)
    : face_(std::move(face)), embolden_(embolden), slant_(slant) {}

std::unique_ptr<GlyphSource> GlyphSource::Create(std::u16string_view family, int weight,
                                                 bool italic, double emPixels) {
    FontMatch match = FontMatcher::Match(family, weight, italic);
    if (match.path.empty()) return nullptr;
    FreeTypeFace face = FreeTypeLibrary::Instance().OpenFace(match.path.c_str(), match.index);
    if (!face || !FT_IS_SCALABLE(face.get())) return nullptr;
    auto em26_6 = static_cast<FT_F26Dot6>(std::lround(std::max(emPixels, 1.0) * 64));
    // At 72 dpi a size in points is a size in pixels.
    if (FT_Set_Char_Size(face.get(), 0, em26_6, 72, 72) != 0) return nullptr;
    auto toFixed = [](double value) { return static_cast<FT_Fixed>(std::lround(value * 65536)); };
    FT_Matrix slant{toFixed(match.xx), toFixed(match.xy), toFixed(match.yx), toFixed(match.yy)};
    return std::unique_ptr<GlyphSource>(new GlyphSource(std::move(face), match.embolden, slant));
}

GlyphSource* GlyphSource::Fallback() noexcept {
    static std::unique_ptr<GlyphSource> fallback = []() noexcept {
        try {
            return Create(u"", 400, false, kDefaultEmPixels);
        } catch (...) {  // out of memory
            return std::unique_ptr<GlyphSource>();
        }
    }();
    return fallback.get();
}

void GlyphSource::GetGlyphIndices(const char16_t* text, size_t count, uint16_t* glyphs) {
    std::lock_guard lock(mutex_);
    for (size_t i = 0; i < count; ++i) {
        FT_UInt glyph = IsSurrogate(text[i]) ? 0 : FT_Get_Char_Index(face_.get(), text[i]);
        glyphs[i] = static_cast<uint16_t>(glyph);
    }
}

bool GlyphSource::GetGlyph(uint16_t glyph, GXPoint& advance, Graphics::GeometrySink* sink) {
    std::lock_guard lock(mutex_);
    FT_Face face = face_.get();
    if (FT_Load_Glyph(face, glyph, FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP) != 0) return false;
    FT_GlyphSlot slot = face->glyph;
    if (slot->format != FT_GLYPH_FORMAT_OUTLINE) return false;
    // The unhinted advance in pixels.
    double width = slot->linearHoriAdvance / 65536.0;
    if (embolden_) {
        // As FreeType's own emboldening: a 24th of the em wider and taller, the advance
        // growing by as much.
        FT_Pos strength26_6 = FT_MulFix(face->units_per_EM, face->size->metrics.y_scale) / 24;
        FT_Outline_EmboldenXY(&slot->outline, strength26_6, strength26_6);
        width += strength26_6 / 64.0;
    }
    if (!IsIdentity(slant_)) FT_Outline_Transform(&slot->outline, &slant_);
    // Checked before anything is sent, so that a malformed outline sends nothing.
    if (sink && !OutlineWalker(slot->outline, nullptr).Walk()) return false;
    constexpr double kShortMax = std::numeric_limits<int16_t>::max();
    advance = {static_cast<float>(std::clamp(std::round(width), -kShortMax - 1, kShortMax)), 0.0f};
    if (sink) OutlineWalker(slot->outline, sink).Walk();
    return true;
}

}  // namespace Host
