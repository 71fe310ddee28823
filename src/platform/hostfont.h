#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <string_view>
#include <vector>

#include "platform/freetypelibrary.h"
#include "platform/hostgdi.h"

namespace Host {

// What stands behind an HFONT: one FreeType face of the file fontconfig chose, sized once
// to the requested em height. Outlines are loaded unhinted at that size, so they are the
// font's design shapes scaled, and advances are the font's own rounded to whole pixels as
// GDI reports them. When the family has no face of the requested weight or slant, bold
// and italic are synthesised, as GDI does, by thickening and shearing the outlines.
class HostFont final : public HFONT__ {
public:
    // Em height in pixels used for a height of 0 (GDI's "default height").
    static constexpr int kDefaultEmPixels = 16;
    // Largest em height in pixels: 16.16 outline coordinates cannot hold larger glyphs.
    static constexpr int kMaxEmPixels = 0x7FFF;

    // A font as CreateFontW describes it (height < 0: em height, > 0: cell height, 0:
    // default; clamped to kMaxEmPixels). Null when no scalable face could be opened.
    static std::unique_ptr<HostFont> Create(int height, int weight, bool italic,
                                            std::u16string_view family);
    // The font every device context starts with, made once and never deleted (a stock
    // object: DeleteObject leaves it alone). Null when the system has no usable font.
    static HostFont* Stock() noexcept;

    bool IsStock() const { return stock_; }
    // Device contexts that have this font selected; a selected font cannot be deleted.
    std::atomic<int>& Selections() { return selections_; }

    // GetGlyphIndicesW and GetGlyphOutlineW for this font (arguments already checked).
    DWORD GlyphIndices(const WCHAR* text, int count, WORD* glyphs, DWORD flags);
    DWORD GlyphOutline(UINT character, UINT format, GLYPHMETRICS& metrics, DWORD bufferSize,
                       LPVOID buffer, const MAT2& transform);

    // The em height in 26.6 pixels the face was sized to.
    FT_F26Dot6 EmSize26_6() const { return em26_6_; }

private:
    HostFont(FreeTypeFace face, FT_F26Dot6 em26_6, bool embolden, const FT_Matrix& slant);

    // Loads `glyph` unhinted, transforms its outline and fills `metrics`; false when the
    // glyph cannot be loaded or has no outline.
    bool LoadGlyph(FT_UInt glyph, const FT_Matrix& matrix, GLYPHMETRICS& metrics);

    std::mutex mutex_;    // serialises use of face_ (FreeType faces are single-threaded)
    FreeTypeFace face_;   // never null
    FT_F26Dot6 em26_6_;   // em height the face is sized to, 26.6 pixels
    bool embolden_;       // whether outlines are thickened (bold asked of a lighter face)
    FT_Matrix slant_;     // 16.16 font-space transform before the caller's: a shear for
                          // italic asked of an upright face, else the identity
    bool stock_ = false;  // whether this is the stock font
    std::atomic<int> selections_{0};  // device contexts holding this font selected

    // The last native outline made, since callers ask for the size and then the data of
    // the same glyph: a second request is a copy, not a second load.
    struct LastOutline {
        bool valid = false;        // whether the fields below describe a glyph
        FT_UInt glyph = 0;         // glyph index
        FT_Matrix matrix{};        // transform it was made with (16.16)
        GLYPHMETRICS metrics{};    // its metrics
        std::vector<BYTE> buffer;  // its native outline
    } last_;
};

}  // namespace Host
