#include <gtest/gtest.h>

#include "gx.h"

namespace {

TEST(Palette, CreateReadAndRelease) {
    const uint32_t colors[3] = {0xFF000000, 0x80FF0000, 0x00FFFFFF};
    GXPaletteRec_* palette = nullptr;
    ASSERT_EQ(GXCreatePalette(colors, 3, &palette), GXResultSuccess);
    uint64_t count = 0;
    EXPECT_EQ(GXPaletteGetNumColors(palette, &count), GXResultSuccess);
    EXPECT_EQ(count, 3u);
    uint32_t color = 0;
    EXPECT_EQ(GXPaletteGetColor(palette, 1, &color), GXResultSuccess);
    EXPECT_EQ(color, 0x80FF0000u);
    const uint32_t* all = nullptr;
    EXPECT_EQ(GXPaletteGetColors(palette, &all), GXResultSuccess);
    ASSERT_NE(all, nullptr);
    EXPECT_NE(all, colors);  // a copy, not the caller's array
    EXPECT_EQ(all[2], 0x00FFFFFFu);
    EXPECT_EQ(GXObjectRelease(GX_HANDLE(palette)), GXResultSuccess);
}

TEST(Palette, IndexAtTheEndIsOutOfRange) {
    const uint32_t colors[2] = {1, 2};
    GXPaletteRec_* palette = nullptr;
    ASSERT_EQ(GXCreatePalette(colors, 2, &palette), GXResultSuccess);
    uint32_t color = 0xDEAD;
    EXPECT_EQ(GXPaletteGetColor(palette, 2, &color), GXResultOutOfRange);
    EXPECT_EQ(GXPaletteGetColor(palette, UINT64_MAX, &color), GXResultOutOfRange);
    EXPECT_EQ(color, 0xDEADu);
    GXObjectRelease(GX_HANDLE(palette));
}

TEST(Palette, InvalidArguments) {
    const uint32_t colors[1] = {1};
    GXPaletteRec_* palette = reinterpret_cast<GXPaletteRec_*>(0x1);
    EXPECT_EQ(GXCreatePalette(colors, 0, &palette), GXResultInvalidArg);
    EXPECT_EQ(GXCreatePalette(nullptr, 1, &palette), GXResultInvalidArg);
    EXPECT_EQ(GXCreatePalette(colors, 1, nullptr), GXResultInvalidArg);
    EXPECT_EQ(GXCreatePalette(colors, uint64_t(1) << 40, &palette), GXResultInvalidArg);
    EXPECT_EQ(palette, reinterpret_cast<GXPaletteRec_*>(0x1));
    uint64_t count;
    uint32_t color;
    const uint32_t* all;
    EXPECT_EQ(GXPaletteGetNumColors(nullptr, &count), GXResultInvalidArg);
    EXPECT_EQ(GXPaletteGetColor(nullptr, 0, &color), GXResultInvalidArg);
    EXPECT_EQ(GXPaletteGetColors(nullptr, &all), GXResultInvalidArg);
    ASSERT_EQ(GXCreatePalette(colors, 1, &palette), GXResultSuccess);
    EXPECT_EQ(GXPaletteGetNumColors(palette, nullptr), GXResultInvalidArg);
    EXPECT_EQ(GXPaletteGetColor(palette, 0, nullptr), GXResultInvalidArg);
    EXPECT_EQ(GXPaletteGetColors(palette, nullptr), GXResultInvalidArg);
    GXObjectRelease(GX_HANDLE(palette));
}

TEST(Palette, BitmapSharesItsPalette) {
    const uint32_t colors[2] = {0xFF000000, 0xFFFFFFFF};
    GXPaletteRec_* palette = nullptr;
    ASSERT_EQ(GXCreatePalette(colors, 2, &palette), GXResultSuccess);
    GXBitmapDesc desc{4, 4, GXPixelFormatIndexed8, 96, 96};
    GXBitmapRec_* bitmap = nullptr;
    ASSERT_EQ(GXCreateBitmap(&desc, &bitmap), GXResultSuccess);

    GXPaletteRec_* got = reinterpret_cast<GXPaletteRec_*>(0x1);
    EXPECT_EQ(GXBitmapGetPalette(bitmap, &got), GXResultSuccess);
    EXPECT_EQ(got, nullptr);

    EXPECT_EQ(GXBitmapSetPalette(bitmap, palette), GXResultSuccess);
    const uint32_t* mine = nullptr;
    GXPaletteGetColors(palette, &mine);
    // The handle is released; the bitmap still shares the palette behind it.
    GXObjectRelease(GX_HANDLE(palette));
    ASSERT_EQ(GXBitmapGetPalette(bitmap, &got), GXResultSuccess);
    ASSERT_NE(got, nullptr);
    const uint32_t* theirs = nullptr;
    GXPaletteGetColors(got, &theirs);
    EXPECT_EQ(theirs, mine);  // shared, not copied
    EXPECT_EQ(theirs[1], 0xFFFFFFFFu);
    GXObjectRelease(GX_HANDLE(got));

    EXPECT_EQ(GXBitmapSetPalette(bitmap, nullptr), GXResultSuccess);
    EXPECT_EQ(GXBitmapGetPalette(bitmap, &got), GXResultSuccess);
    EXPECT_EQ(got, nullptr);
    GXObjectRelease(GX_HANDLE(bitmap));
}

}  // namespace
