#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "platform/fontmatcher.h"
#include "platform/hostdc.h"
#include "platform/hostfont.h"

#include FT_ADVANCES_H

namespace {

using Host::FontMatcher;
using Host::HostFont;

constexpr MAT2 kIdentity = {{0, 1}, {0, 0}, {0, 0}, {0, 1}};
constexpr MAT2 kFlipY = {{0, 1}, {0, 0}, {0, 0}, {0, -1}};

HFONT MakeFont(int height, const char16_t* family, int weight = FW_NORMAL, bool italic = false) {
    return CreateFontW(height, 0, 0, 0, weight, italic, 0, 0, 0, 0, 0, 0, 0, family);
}

// A DC with a font selected, released in order at the end of the test.
struct Selected {
    explicit Selected(HFONT font) : font(font), dc(CreateCompatibleDC(nullptr)) {
        previous = SelectObject(dc, font);
    }
    ~Selected() {
        SelectObject(dc, previous);
        DeleteDC(dc);
        DeleteObject(font);
    }
    HFONT font;
    HDC dc;
    HGDIOBJ previous;
};

WORD GlyphOf(HDC dc, char16_t character) {
    WORD glyph = 0;
    EXPECT_EQ(GetGlyphIndicesW(dc, &character, 1, &glyph, 0), 1u);
    return glyph;
}

TEST(HostFont, HeightSelectsEmOrCellHeight) {
    HFONT byEm = MakeFont(-16, u"DejaVu Sans");
    HFONT byCell = MakeFont(16, u"DejaVu Sans");
    HFONT byDefault = MakeFont(0, u"DejaVu Sans");
    HFONT huge = MakeFont(-2000000000, u"DejaVu Sans");
    ASSERT_TRUE(byEm && byCell && byDefault && huge);
    EXPECT_EQ(static_cast<HostFont*>(byEm)->EmSize26_6(), 16 * 64);
    // DejaVu Sans' Windows ascent plus descent exceed its em, so the em is smaller.
    EXPECT_LT(static_cast<HostFont*>(byCell)->EmSize26_6(), 16 * 64);
    EXPECT_GT(static_cast<HostFont*>(byCell)->EmSize26_6(), 12 * 64);
    EXPECT_EQ(static_cast<HostFont*>(byDefault)->EmSize26_6(), HostFont::kDefaultEmPixels * 64);
    EXPECT_EQ(static_cast<HostFont*>(huge)->EmSize26_6(), HostFont::kMaxEmPixels * 64);
    for (HFONT font : {byEm, byCell, byDefault, huge}) EXPECT_TRUE(DeleteObject(font));
}

TEST(HostFont, MissingFamilyFallsBackToAnInstalledFace) {
    Selected s(MakeFont(-16, u"No Such Family 7f3a"));
    ASSERT_NE(s.font, nullptr);
    EXPECT_NE(GlyphOf(s.dc, u'A'), 0);
}

TEST(HostFont, GlyphIndicesMarkMissingCharactersAndSurrogates) {
    Selected s(MakeFont(-16, u"DejaVu Sans"));
    // U+4E00 is not in DejaVu Sans; the surrogate pair is U+1F600, also mapped per unit.
    const char16_t text[] = u"A\u4E00\xD83D\xDE00\xDC00";
    WORD glyphs[5];
    ASSERT_EQ(GetGlyphIndicesW(s.dc, text, 5, glyphs, 0), 5u);
    EXPECT_NE(glyphs[0], 0);
    for (int i = 1; i < 5; ++i) EXPECT_EQ(glyphs[i], 0) << i;
    ASSERT_EQ(GetGlyphIndicesW(s.dc, text, 5, glyphs, GGI_MARK_NONEXISTING_GLYPHS), 5u);
    EXPECT_NE(glyphs[0], 0xFFFF);
    for (int i = 1; i < 5; ++i) EXPECT_EQ(glyphs[i], 0xFFFF) << i;

    EXPECT_EQ(GetGlyphIndicesW(s.dc, text, 0, nullptr, 0), 0u);
    EXPECT_EQ(GetGlyphIndicesW(s.dc, text, -1, glyphs, 0), GDI_ERROR);
    EXPECT_EQ(GetGlyphIndicesW(nullptr, text, 1, glyphs, 0), GDI_ERROR);
}

TEST(HostFont, OutlineSizeQueryThenFillAndFlipTransform) {
    Selected s(MakeFont(-16, u"DejaVu Sans"));
    WORD glyph = GlyphOf(s.dc, u'L');
    GLYPHMETRICS metrics{};
    UINT format = GGO_NATIVE | GGO_GLYPH_INDEX;
    DWORD bytes = GetGlyphOutlineW(s.dc, glyph, format, &metrics, 0, nullptr, &kIdentity);
    ASSERT_NE(bytes, GDI_ERROR);
    ASSERT_GT(bytes, sizeof(TTPOLYGONHEADER));
    std::vector<BYTE> up(bytes), down(bytes);
    EXPECT_EQ(GetGlyphOutlineW(s.dc, glyph, format, &metrics, bytes - 1, up.data(), &kIdentity),
              GDI_ERROR);
    EXPECT_EQ(GetGlyphOutlineW(s.dc, glyph, format, &metrics, bytes, up.data(), &kIdentity), bytes);
    GLYPHMETRICS flipped{};
    EXPECT_EQ(GetGlyphOutlineW(s.dc, glyph, format, &flipped, bytes, down.data(), &kFlipY), bytes);

    // "L" stands on the baseline: up is positive y, flipped it is negative.
    TTPOLYGONHEADER a, b;
    std::memcpy(&a, up.data(), sizeof a);
    std::memcpy(&b, down.data(), sizeof b);
    EXPECT_EQ(a.pfxStart.x.value, b.pfxStart.x.value);
    EXPECT_EQ(a.pfxStart.x.fract, b.pfxStart.x.fract);
    double ya = a.pfxStart.y.value + a.pfxStart.y.fract / 65536.0;
    double yb = b.pfxStart.y.value + b.pfxStart.y.fract / 65536.0;
    EXPECT_EQ(ya, -yb);
    EXPECT_GT(metrics.gmptGlyphOrigin.y, 0);
    EXPECT_LE(flipped.gmptGlyphOrigin.y, 1);
    EXPECT_EQ(metrics.gmCellIncX, flipped.gmCellIncX);
    EXPECT_EQ(flipped.gmCellIncY, 0);
    EXPECT_GE(metrics.gmBlackBoxY, 11u);  // the cap height of a 16-pixel DejaVu Sans
}

TEST(HostFont, MetricsAreFreeTypeAdvancesRounded) {
    Selected s(MakeFont(-16, u"DejaVu Sans"));
    auto match = FontMatcher::Match(u"DejaVu Sans", FW_NORMAL, false);
    Host::FreeTypeFace face = Host::FreeTypeLibrary::Instance().OpenFace(match.path.c_str(), 0);
    ASSERT_TRUE(face);
    ASSERT_EQ(FT_Set_Char_Size(face.get(), 0, 16 * 64, 72, 72), 0);
    for (char16_t c : u"AWil .") {
        if (!c) break;
        WORD glyph = GlyphOf(s.dc, c);
        FT_Fixed advance16_16 = 0;
        ASSERT_EQ(FT_Get_Advance(face.get(), glyph, FT_LOAD_NO_HINTING, &advance16_16), 0);
        GLYPHMETRICS metrics{};
        EXPECT_EQ(GetGlyphOutlineW(s.dc, glyph, GGO_METRICS | GGO_GLYPH_INDEX, &metrics, 0, nullptr,
                                   &kFlipY),
                  0u);
        EXPECT_EQ(metrics.gmCellIncX, std::lround(advance16_16 / 65536.0)) << char(c);
    }
}

TEST(HostFont, EmptyAndMissingGlyphsAndBadArguments) {
    Selected s(MakeFont(-16, u"DejaVu Sans"));
    GLYPHMETRICS metrics{};
    UINT native = GGO_NATIVE | GGO_GLYPH_INDEX;
    // A space has an advance and no contours: a zero-byte outline.
    EXPECT_EQ(GetGlyphOutlineW(s.dc, GlyphOf(s.dc, u' '), native, &metrics, 0, nullptr, &kFlipY),
              0u);
    EXPECT_GT(metrics.gmCellIncX, 0);
    EXPECT_EQ(metrics.gmBlackBoxX, 1u);
    EXPECT_EQ(GetGlyphOutlineW(s.dc, 65000, native, &metrics, 0, nullptr, &kFlipY), GDI_ERROR);
    EXPECT_EQ(GetGlyphOutlineW(s.dc, 1, native, nullptr, 0, nullptr, &kFlipY), GDI_ERROR);
    EXPECT_EQ(GetGlyphOutlineW(s.dc, 1, native, &metrics, 0, nullptr, nullptr), GDI_ERROR);
    EXPECT_EQ(GetGlyphOutlineW(s.dc, 1, 1 /* GGO_BITMAP */, &metrics, 0, nullptr, &kFlipY),
              GDI_ERROR);
    // Without GGO_GLYPH_INDEX the argument is a character.
    GLYPHMETRICS byChar{}, byGlyph{};
    GetGlyphOutlineW(s.dc, u'W', GGO_METRICS, &byChar, 0, nullptr, &kFlipY);
    GetGlyphOutlineW(s.dc, GlyphOf(s.dc, u'W'), GGO_METRICS | GGO_GLYPH_INDEX, &byGlyph, 0, nullptr,
                     &kFlipY);
    EXPECT_EQ(byChar.gmCellIncX, byGlyph.gmCellIncX);
    EXPECT_EQ(byChar.gmBlackBoxX, byGlyph.gmBlackBoxX);
}

TEST(HostFont, BoldAndItalicAreSynthesisedForAFamilyWithoutThem) {
    // DejaVu Math TeX Gyre has one upright regular face.
    const char16_t* family = u"DejaVu Math TeX Gyre";
    Host::FontMatch plain = FontMatcher::Match(family, FW_NORMAL, false);
    Host::FontMatch styled = FontMatcher::Match(family, FW_BOLD, true);
    EXPECT_EQ(plain.path, styled.path);
    EXPECT_FALSE(plain.embolden);
    EXPECT_EQ(plain.xy, 0);
    EXPECT_TRUE(styled.embolden);
    EXPECT_NEAR(styled.xy, 0.2, 0.05);
    // A family with real bold and oblique faces synthesises nothing.
    Host::FontMatch real = FontMatcher::Match(u"DejaVu Sans", FW_BOLD, true);
    EXPECT_FALSE(real.embolden);
    EXPECT_EQ(real.xy, 0);

    auto metricsOf = [&](int weight, bool italic, char16_t character) {
        Selected s(MakeFont(-64, family, weight, italic));
        GLYPHMETRICS metrics{};
        EXPECT_NE(GetGlyphOutlineW(s.dc, character, GGO_METRICS, &metrics, 0, nullptr, &kFlipY),
                  GDI_ERROR);
        return metrics;
    };
    GLYPHMETRICS regular = metricsOf(FW_NORMAL, false, u'l');
    GLYPHMETRICS bold = metricsOf(FW_BOLD, false, u'l');
    // "I" has serifs at top and foot, so the shear widens its box by its full lean.
    GLYPHMETRICS upright = metricsOf(FW_NORMAL, false, u'I');
    GLYPHMETRICS italic = metricsOf(FW_NORMAL, true, u'I');
    // Thickened by a 24th of the 64-pixel em (2.67 px) in width and advance.
    EXPECT_GE(bold.gmBlackBoxX, regular.gmBlackBoxX + 2);
    EXPECT_LE(bold.gmBlackBoxX, regular.gmBlackBoxX + 4);
    EXPECT_EQ(bold.gmCellIncX, std::lround(regular.gmCellIncX + 64.0 / 24));
    // Sheared by a fifth of the height (47 px): 9.4 px.
    EXPECT_GE(italic.gmBlackBoxX, upright.gmBlackBoxX + 9);
    EXPECT_LE(italic.gmBlackBoxX, upright.gmBlackBoxX + 11);
    EXPECT_EQ(italic.gmCellIncX, upright.gmCellIncX);
}

TEST(HostDC, SelectionAndDeletionFollowGdi) {
    HDC dc = CreateCompatibleDC(nullptr);
    ASSERT_NE(dc, nullptr);
    EXPECT_EQ(SetGraphicsMode(dc, GM_ADVANCED), GM_COMPATIBLE);
    EXPECT_EQ(SetGraphicsMode(dc, 7), 0);
    EXPECT_EQ(SetGraphicsMode(dc, GM_COMPATIBLE), GM_ADVANCED);

    HFONT font = MakeFont(-16, u"DejaVu Sans");
    HGDIOBJ stock = SelectObject(dc, font);
    ASSERT_NE(stock, nullptr);  // a new DC holds the stock font
    EXPECT_EQ(SelectObject(dc, nullptr), nullptr);
    // A selected font is not deleted; once deselected it is.
    EXPECT_FALSE(DeleteObject(font));
    EXPECT_EQ(SelectObject(dc, stock), font);
    EXPECT_TRUE(DeleteObject(font));
    // The stock font survives DeleteObject and still serves.
    EXPECT_TRUE(DeleteObject(stock));
    char16_t a = u'a';
    WORD glyph = 0;
    EXPECT_EQ(GetGlyphIndicesW(dc, &a, 1, &glyph, 0), 1u);
    EXPECT_NE(glyph, 0);
    EXPECT_TRUE(DeleteDC(dc));
    EXPECT_FALSE(DeleteDC(nullptr));
    EXPECT_FALSE(DeleteObject(nullptr));
}

TEST(FontMatcher, Utf8ReplacesUnpairedSurrogates) {
    EXPECT_EQ(FontMatcher::ToUtf8(u"Aé€"), "A\xC3\xA9\xE2\x82\xAC");
    EXPECT_EQ(FontMatcher::ToUtf8(u"\xD83D\xDE00"), "\xF0\x9F\x98\x80");
    const char16_t lone[] = {0xD83D, u'x', 0xDE00, 0};
    EXPECT_EQ(FontMatcher::ToUtf8(lone), "\xEF\xBF\xBDx\xEF\xBF\xBD");
}

TEST(FontMatcher, WeightAndSlantChooseTheFaceFile) {
    EXPECT_NE(FontMatcher::Match(u"DejaVu Sans", FW_BOLD, true).path.find("DejaVuSans-BoldOblique"),
              std::string::npos);
    EXPECT_NE(FontMatcher::Match(u"DejaVu Sans", FW_NORMAL, false).path.find("DejaVuSans.ttf"),
              std::string::npos);
}

}  // namespace
