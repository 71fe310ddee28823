#include <gtest/gtest.h>

#include <ft2build.h>
#include FT_FREETYPE_H

#include <cmath>
#include <limits>
#include <vector>

#include "gx.h"

namespace {

// Where the fonts-dejavu-core package installs DejaVu Sans.
constexpr char kDejaVuSansFile[] = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
const uint16_t kDejaVuSans[] = {'D', 'e', 'j', 'a', 'V', 'u', ' ', 'S', 'a', 'n', 's', 0};

std::vector<uint16_t> Text(const char16_t* text) {
    std::vector<uint16_t> units;
    for (; *text; ++text) units.push_back(*text);
    units.push_back(0);
    return units;
}

// A face released at the end of the test.
struct Face {
    Face(const uint16_t* family, uint32_t style, float size) {
        EXPECT_EQ(GXCreateFontFace(family, style, size, &handle), GXResultSuccess);
    }
    ~Face() {
        if (handle) GXObjectRelease(GX_HANDLE(handle));
    }
    GXTextBound Bound(const char16_t* text) const {
        GXTextBound bound{-1, -1};
        EXPECT_EQ(GXFontFaceCalculateTextBound(handle, Text(text).data(), &bound), GXResultSuccess);
        return bound;
    }
    GXFontFaceRec_* handle = nullptr;
};

TEST(FontFaces, NullArgumentsAreRejectedAndOutputsLeftAlone) {
    GXFontFaceRec_* out = reinterpret_cast<GXFontFaceRec_*>(0x1);
    EXPECT_EQ(GXCreateFontFace(nullptr, 0, 12, &out), GXResultInvalidArg);
    EXPECT_EQ(out, reinterpret_cast<GXFontFaceRec_*>(0x1));
    EXPECT_EQ(GXCreateFontFace(kDejaVuSans, 0, 12, nullptr), GXResultInvalidArg);

    Face face(kDejaVuSans, 0, 12);
    GXTextBound bound{7, 7};
    auto text = Text(u"abc");
    EXPECT_EQ(GXFontFaceCalculateTextBound(nullptr, text.data(), &bound), GXResultInvalidArg);
    EXPECT_EQ(GXFontFaceCalculateTextBound(face.handle, nullptr, &bound), GXResultInvalidArg);
    EXPECT_EQ(GXFontFaceCalculateTextBound(face.handle, text.data(), nullptr), GXResultInvalidArg);
    EXPECT_EQ(bound.width, 7);
    EXPECT_EQ(bound.height, 7);
}

TEST(FontFaces, AbsurdSizesAreRejected) {
    const float inf = std::numeric_limits<float>::infinity();
    for (float size : {0.0f, -0.0f, -12.0f, 0.5f, std::nanf(""), inf, -inf, 1e9f, 7201.0f}) {
        GXFontFaceRec_* out = nullptr;
        EXPECT_EQ(GXCreateFontFace(kDejaVuSans, 0, size, &out), GXResultInvalidArg) << size;
        EXPECT_EQ(out, nullptr);
    }
    // The ends of the range are accepted.
    Face smallest(kDejaVuSans, 0, 0.75f);
    Face largest(kDejaVuSans, 0, 7200);
    EXPECT_EQ(smallest.Bound(u"").height, 0.75f);
    EXPECT_GT(largest.Bound(u"M").width, 7000);
}

TEST(FontFaces, EmptyTextHasZeroWidthAndTheSizeAsHeight) {
    Face face(kDejaVuSans, 0, 12);
    GXTextBound bound = face.Bound(u"");
    EXPECT_EQ(bound.width, 0);
    EXPECT_EQ(bound.height, 12);
}

TEST(FontFaces, WidthGrowsWithSizeAndSumsAdvances) {
    Face twelve(kDejaVuSans, 0, 12);
    Face ten(kDejaVuSans, 0, 10);
    GXTextBound a = twelve.Bound(u"Hello, world");
    GXTextBound b = ten.Bound(u"Hello, world");
    EXPECT_GT(a.width, b.width);
    EXPECT_EQ(a.height, 12);
    EXPECT_EQ(b.height, 10);
    // The bound of a text is the sum of its characters' bounds.
    float sum = 0;
    for (const char16_t* c = u"Hello, world"; *c; ++c) {
        char16_t one[2] = {*c, 0};
        sum += twelve.Bound(one).width;
    }
    EXPECT_EQ(a.width, sum);
    // Unpaired surrogates and missing characters still take the default glyph's advance.
    const char16_t lone[] = {0xD800, 0};
    EXPECT_GT(twelve.Bound(lone).width, 0);
    EXPECT_EQ(twelve.Bound(lone).width, twelve.Bound(u"\u4E00").width);
}

TEST(FontFaces, AdvancesAreDejaVuSansOwnAtTheEmHeight) {
    FT_Library library;
    ASSERT_EQ(FT_Init_FreeType(&library), 0);
    FT_Face ft;
    ASSERT_EQ(FT_New_Face(library, kDejaVuSansFile, 0, &ft), 0) << kDejaVuSansFile;
    for (float size : {10.0f, 12.0f, 30.0f}) {
        // 10 pt is 13.33 px, of which GDI keeps the whole 13.
        int em = static_cast<int>(size * 96 / 72);
        ASSERT_EQ(FT_Set_Char_Size(ft, 0, em * 64, 72, 72), 0);
        Face face(kDejaVuSans, 0, size);
        for (const char16_t* c = u"AVWaegil .,"; *c; ++c) {
            ASSERT_EQ(FT_Load_Char(ft, *c, FT_LOAD_NO_HINTING), 0);
            char16_t one[2] = {*c, 0};
            EXPECT_EQ(face.Bound(one).width, std::round(ft->glyph->linearHoriAdvance / 65536.0))
                << size << " " << char(*c);
        }
    }
    FT_Done_Face(ft);
    FT_Done_FreeType(library);
}

TEST(FontFaces, MissingFamilyFallsBackAndStylesChangeWidths) {
    const uint16_t missing[] = {'N', 'o', ' ', 'S', 'u', 'c', 'h', ' ', 'F', 'o', 'n', 't', 0};
    const uint16_t empty[] = {0};
    Face fallback(missing, 0, 12);
    Face unnamed(empty, 0, 12);
    EXPECT_GT(fallback.Bound(u"abc").width, 0);
    EXPECT_GT(unnamed.Bound(u"abc").width, 0);
    Face regular(kDejaVuSans, 0, 12);
    Face bold(kDejaVuSans, GXFontStyleBold, 12);
    Face ignoredBits(kDejaVuSans, 0xFFFFFFFCu, 12);
    EXPECT_GT(bold.Bound(u"Heading").width, regular.Bound(u"Heading").width);
    EXPECT_EQ(ignoredBits.Bound(u"Heading").width, regular.Bound(u"Heading").width);
}

}  // namespace
