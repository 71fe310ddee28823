#include "platform/hostfont.h"

#include FT_OUTLINE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "platform/fontmatcher.h"
#include "platform/hostdc.h"
#include "platform/nativeoutline.h"

namespace Host {

namespace {

FT_Fixed ToFtFixed(const FIXED& value) {
    return FT_Fixed{value.value} * 65536 + value.fract;
}

FT_Matrix ToFtMatrix(const MAT2& transform) {
    // MAT2 maps (x, y) to (eM11 x + eM21 y, eM12 x + eM22 y); FT_Matrix to
    // (xx x + xy y, yx x + yy y).
    return {ToFtFixed(transform.eM11), ToFtFixed(transform.eM21), ToFtFixed(transform.eM12),
            ToFtFixed(transform.eM22)};
}

bool SameMatrix(const FT_Matrix& a, const FT_Matrix& b) {
    return a.xx == b.xx && a.xy == b.xy && a.yx == b.yx && a.yy == b.yy;
}

bool IsIdentity(const FT_Matrix& m) {
    return m.xx == 0x10000 && m.xy == 0 && m.yx == 0 && m.yy == 0x10000;
}

SHORT SaturateShort(double value) {
    return static_cast<SHORT>(std::clamp(std::round(value),
                                         double{std::numeric_limits<SHORT>::min()},
                                         double{std::numeric_limits<SHORT>::max()}));
}

LONG SaturateLong(FT_Pos value) {
    return static_cast<LONG>(std::clamp<FT_Pos>(value, std::numeric_limits<LONG>::min(),
                                                std::numeric_limits<LONG>::max()));
}

// The em height in pixels that a CreateFontW height asks for.
double EmPixels(FT_Face face, int height) {
    if (height == 0) return HostFont::kDefaultEmPixels;
    if (height < 0) return -static_cast<double>(height);
    // A positive height is the cell (ascent plus descent): GDI measures it with the
    // Windows metrics of the OS/2 table when the font has them.
    double cellUnits = static_cast<double>(face->ascender) - face->descender;
    if (auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
        os2 && os2->version != 0xFFFF && os2->usWinAscent + os2->usWinDescent > 0)
        cellUnits = static_cast<double>(os2->usWinAscent) + os2->usWinDescent;
    if (cellUnits <= 0) return height;
    return height * static_cast<double>(face->units_per_EM) / cellUnits;
}

bool IsSurrogate(WCHAR unit) {
    return unit >= 0xD800 && unit <= 0xDFFF;
}

}  // namespace

HostFont::HostFont(FreeTypeFace face, FT_F26Dot6 em26_6, bool embolden, const FT_Matrix& slant)
    : face_(std::move(face)), em26_6_(em26_6), embolden_(embolden), slant_(slant) {}

std::unique_ptr<HostFont> HostFont::Create(int height, int weight, bool italic,
                                           std::u16string_view family) {
    FontMatch match = FontMatcher::Match(family, weight, italic);
    if (match.path.empty()) return nullptr;
    FreeTypeFace face = FreeTypeLibrary::Instance().OpenFace(match.path.c_str(), match.index);
    if (!face || !FT_IS_SCALABLE(face.get())) return nullptr;
    double em = std::clamp(EmPixels(face.get(), height), 1.0, double{kMaxEmPixels});
    auto em26_6 = static_cast<FT_F26Dot6>(std::lround(em * 64));
    // At 72 dpi a size in points is a size in pixels.
    if (FT_Set_Char_Size(face.get(), 0, em26_6, 72, 72) != 0) return nullptr;
    auto toFixed = [](double value) { return static_cast<FT_Fixed>(std::lround(value * 65536)); };
    FT_Matrix slant{toFixed(match.xx), toFixed(match.xy), toFixed(match.yx), toFixed(match.yy)};
    return std::unique_ptr<HostFont>(new HostFont(std::move(face), em26_6, match.embolden, slant));
}

HostFont* HostFont::Stock() noexcept {
    static std::unique_ptr<HostFont> stock = []() noexcept -> std::unique_ptr<HostFont> {
        try {
            std::unique_ptr<HostFont> font = Create(0, FW_NORMAL, false, u"");
            if (font) font->stock_ = true;
            return font;
        } catch (...) {
            return nullptr;
        }
    }();
    return stock.get();
}

DWORD HostFont::GlyphIndices(const WCHAR* text, int count, WORD* glyphs, DWORD flags) {
    WORD missing = (flags & GGI_MARK_NONEXISTING_GLYPHS) ? 0xFFFF : 0;
    std::lock_guard lock(mutex_);
    for (int i = 0; i < count; ++i) {
        // Each UTF-16 unit is mapped on its own, as GDI does: a surrogate, paired or not,
        // is no character of its own and gets the default glyph (glyph 0, .notdef).
        FT_UInt glyph = IsSurrogate(text[i]) ? 0 : FT_Get_Char_Index(face_.get(), text[i]);
        glyphs[i] = glyph != 0 ? static_cast<WORD>(glyph) : missing;
    }
    return static_cast<DWORD>(count);
}

bool HostFont::LoadGlyph(FT_UInt glyph, const FT_Matrix& matrix, GLYPHMETRICS& metrics) {
    FT_Face face = face_.get();
    if (FT_Load_Glyph(face, glyph, FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP) != 0) return false;
    FT_GlyphSlot slot = face->glyph;
    if (slot->format != FT_GLYPH_FORMAT_OUTLINE) return false;
    // The unhinted advance in pixels.
    double advance = slot->linearHoriAdvance / 65536.0;
    if (embolden_) {
        // As FreeType's own emboldening: a 24th of the em wider and taller, the advance
        // growing by as much.
        FT_Pos strength26_6 = FT_MulFix(face->units_per_EM, face->size->metrics.y_scale) / 24;
        FT_Outline_EmboldenXY(&slot->outline, strength26_6, strength26_6);
        advance += strength26_6 / 64.0;
    }
    if (!IsIdentity(slant_)) FT_Outline_Transform(&slot->outline, &slant_);
    if (!IsIdentity(matrix)) FT_Outline_Transform(&slot->outline, &matrix);

    // The advance turned by the caller's transform, in whole pixels.
    metrics.gmCellIncX = SaturateShort(advance * (matrix.xx / 65536.0));
    metrics.gmCellIncY = SaturateShort(advance * (matrix.yx / 65536.0));
    if (slot->outline.n_points == 0) {
        // GDI reports an empty glyph as a one-pixel box at the origin.
        metrics.gmBlackBoxX = 1;
        metrics.gmBlackBoxY = 1;
        metrics.gmptGlyphOrigin = {0, 0};
        return true;
    }
    FT_BBox box;
    FT_Outline_Get_CBox(&slot->outline, &box);
    // Whole pixels covering the box: floor of the minimum, ceiling of the maximum.
    FT_Pos left = box.xMin >> 6, right = (box.xMax + 63) >> 6;
    FT_Pos bottom = box.yMin >> 6, top = (box.yMax + 63) >> 6;
    metrics.gmBlackBoxX = static_cast<UINT>(std::max<FT_Pos>(right - left, 1));
    metrics.gmBlackBoxY = static_cast<UINT>(std::max<FT_Pos>(top - bottom, 1));
    metrics.gmptGlyphOrigin = {SaturateLong(left), SaturateLong(top)};
    return true;
}

DWORD HostFont::GlyphOutline(UINT character, UINT format, GLYPHMETRICS& metrics, DWORD bufferSize,
                             LPVOID buffer, const MAT2& transform) {
    UINT kind = format & ~GGO_GLYPH_INDEX;
    if (kind != GGO_METRICS && kind != GGO_NATIVE) return GDI_ERROR;
    FT_Matrix matrix = ToFtMatrix(transform);
    std::lock_guard lock(mutex_);
    FT_UInt glyph =
        (format & GGO_GLYPH_INDEX) ? character : FT_Get_Char_Index(face_.get(), character);
    if (kind == GGO_METRICS) return LoadGlyph(glyph, matrix, metrics) ? 0 : GDI_ERROR;

    if (!last_.valid || last_.glyph != glyph || !SameMatrix(last_.matrix, matrix)) {
        last_.valid = false;
        if (!LoadGlyph(glyph, matrix, last_.metrics)) return GDI_ERROR;
        if (!NativeOutline::Encode(face_->glyph->outline, last_.buffer)) return GDI_ERROR;
        last_.glyph = glyph;
        last_.matrix = matrix;
        last_.valid = true;
    }
    metrics = last_.metrics;
    auto size = static_cast<DWORD>(last_.buffer.size());
    if (bufferSize == 0 || buffer == nullptr) return size;
    if (bufferSize < size) return GDI_ERROR;
    if (size != 0) std::memcpy(buffer, last_.buffer.data(), size);
    return size;
}

}  // namespace Host

using Host::HostFont;

HFONT CreateFontW(int height, int /*width*/, int /*escapement*/, int /*orientation*/, int weight,
                  DWORD italic, DWORD /*underline*/, DWORD /*strikeOut*/, DWORD /*charSet*/,
                  DWORD /*outPrecision*/, DWORD /*clipPrecision*/, DWORD /*quality*/,
                  DWORD /*pitchAndFamily*/, LPCWSTR faceName) {
    // GDI treats weight 0 as "don't care", which means normal.
    int openTypeWeight = weight == 0 ? FW_NORMAL : std::clamp(weight, 1, 1000);
    std::u16string_view family = faceName ? std::u16string_view(faceName) : std::u16string_view();
    try {
        return HostFont::Create(height, openTypeWeight, italic != 0, family).release();
    } catch (...) {  // out of memory, or a mutex failing
        return nullptr;
    }
}

DWORD GetGlyphIndicesW(HDC dc, LPCWSTR text, int count, LPWORD glyphs, DWORD flags) {
    if (!dc || !dc->font || count < 0 || (count > 0 && (!text || !glyphs))) return GDI_ERROR;
    try {
        return dc->font->GlyphIndices(text, count, glyphs, flags);
    } catch (...) {  // a mutex failing
        return GDI_ERROR;
    }
}

DWORD GetGlyphOutlineW(HDC dc, UINT character, UINT format, GLYPHMETRICS* metrics, DWORD bufferSize,
                       LPVOID buffer, const MAT2* transform) {
    if (!dc || !dc->font || !metrics || !transform) return GDI_ERROR;
    try {
        return dc->font->GlyphOutline(character, format, *metrics, bufferSize, buffer, *transform);
    } catch (...) {  // out of memory for the outline, or a mutex failing
        return GDI_ERROR;
    }
}
