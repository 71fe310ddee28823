// Image files through the public interface: round trips through every encoder, the MIME
// rule, resolutions, format mapping of hand-made BMP files, memory loads and broken input.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "gx.h"

namespace {

namespace fs = std::filesystem;

// A directory of its own under the system's temporary directory, removed afterwards.
class BitmapFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("gx_bitmapfile_" + std::to_string(::getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    // The UTF-16 name of a file in the directory (UTF-8 in, BMP characters only).
    std::vector<uint16_t> Path(const std::string& name) const {
        std::string utf8 = (dir_ / name).string();
        std::vector<uint16_t> out;
        for (size_t i = 0; i < utf8.size();) {
            auto c = uint8_t(utf8[i]);
            if (c < 0x80) {
                out.push_back(c);
                i += 1;
            } else if (c < 0xe0) {
                out.push_back(uint16_t(((c & 0x1f) << 6) | (utf8[i + 1] & 0x3f)));
                i += 2;
            } else {
                out.push_back(uint16_t(((c & 0x0f) << 12) | ((utf8[i + 1] & 0x3f) << 6) |
                                       (utf8[i + 2] & 0x3f)));
                i += 3;
            }
        }
        out.push_back(0);
        return out;
    }

    std::vector<uint8_t> ReadBytes(const std::string& name) const {
        std::ifstream in(dir_ / name, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    void WriteBytes(const std::string& name, const std::vector<uint8_t>& bytes) const {
        std::ofstream out(dir_ / name, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    }

    fs::path dir_;
};

// Owns a bitmap handle.
struct BitmapHandle {
    GXBitmapRec_* bitmap = nullptr;
    ~BitmapHandle() {
        if (bitmap) GXObjectRelease(reinterpret_cast<GXOBase*>(bitmap));
    }
};

// A bitmap of `format` whose bytes follow a fixed pattern (alpha kept at or above 1 so that
// straight and premultiplied images both round-trip).
GXBitmapRec_* MakePatterned(int32_t width, int32_t height, GXPixelFormat format, float dpiX = 96,
                            float dpiY = 96) {
    GXBitmapDesc desc{width, height, format, dpiX, dpiY};
    GXBitmapRec_* bitmap = nullptr;
    EXPECT_EQ(GXCreateBitmap(&desc, &bitmap), GXResultSuccess);
    GXBitmapData data;
    EXPECT_EQ(GXBitmapLock(bitmap, nullptr, GXLockWrite, &data), GXResultSuccess);
    int bytesPerPixel = format == GXPixelFormatRGB24 ? 3 : format == GXPixelFormatA8 ? 1 : 4;
    for (int32_t y = 0; y < height; ++y) {
        auto* row = static_cast<uint8_t*>(data.data) + y * data.stride;
        for (int32_t x = 0; x < width; ++x) {
            uint8_t* p = row + x * bytesPerPixel;
            uint8_t a = uint8_t(255 - (x * 7 + y * 3) % 200);
            uint8_t v[4] = {uint8_t(x * 11 + y), uint8_t(y * 13 + 5), uint8_t(x * y + 40), a};
            if (format == GXPixelFormatPARGB32)
                for (int c = 0; c < 3; ++c) v[c] = uint8_t(v[c] * (a + 1) / 256);
            if (format == GXPixelFormatRGB32) v[3] = 255;
            std::memcpy(p, v, size_t(bytesPerPixel));
        }
    }
    EXPECT_EQ(GXBitmapUnlock(bitmap), GXResultSuccess);
    return bitmap;
}

// Pixel bytes of a bitmap, rows packed.
std::vector<uint8_t> Pixels(GXBitmapRec_* bitmap, int bytesPerPixel) {
    GXIntSize size;
    EXPECT_EQ(GXBitmapGetSize(bitmap, &size), GXResultSuccess);
    int32_t rowBytes = size.width * bytesPerPixel;
    std::vector<uint8_t> out(size_t(rowBytes) * size.height);
    GXBitmapData memory{out.data(), rowBytes, rowBytes};
    EXPECT_EQ(GXBitmapCopyToMemory(bitmap, nullptr, &memory), GXResultSuccess);
    return out;
}

GXPixelFormat FormatOf(GXBitmapRec_* bitmap) {
    GXPixelFormat format = 0;
    EXPECT_EQ(GXBitmapGetPixelFormat(bitmap, &format), GXResultSuccess);
    return format;
}

TEST_F(BitmapFileTest, LosslessEncodersKeepEveryPixel) {
    struct Case {
        const char* name;
        GXPixelFormat saved, loaded;
    };
    const Case cases[] = {
        {"rgb.png", GXPixelFormatRGB24, GXPixelFormatRGB24},
        {"rgb.bmp", GXPixelFormatRGB24, GXPixelFormatRGB24},
        {"rgb.tiff", GXPixelFormatRGB24, GXPixelFormatRGB24},
        {"argb.png", GXPixelFormatARGB32, GXPixelFormatARGB32},
        {"argb.bmp", GXPixelFormatARGB32, GXPixelFormatARGB32},
        {"argb.tif", GXPixelFormatARGB32, GXPixelFormatARGB32},
        {"pargb.tif", GXPixelFormatPARGB32, GXPixelFormatPARGB32},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BitmapHandle saved{MakePatterned(37, 23, c.saved)};
        ASSERT_EQ(GXBitmapSaveToFile(saved.bitmap, Path(c.name).data()), GXResultSuccess);
        BitmapHandle loaded;
        ASSERT_EQ(GXCreateBitmapFromFile(Path(c.name).data(), &loaded.bitmap), GXResultSuccess);
        EXPECT_EQ(FormatOf(loaded.bitmap), c.loaded);
        int bpp = c.saved == GXPixelFormatRGB24 ? 3 : 4;
        EXPECT_EQ(Pixels(loaded.bitmap, bpp), Pixels(saved.bitmap, bpp));
    }
}

TEST_F(BitmapFileTest, OpaqueThirtyTwoBitImagesComeBackWithTheirColours) {
    BitmapHandle saved{MakePatterned(19, 7, GXPixelFormatRGB32)};
    for (const char* name : {"x.png", "x.bmp", "x.tiff"}) {
        SCOPED_TRACE(name);
        ASSERT_EQ(GXBitmapSaveToFile(saved.bitmap, Path(name).data()), GXResultSuccess);
        BitmapHandle loaded;
        ASSERT_EQ(GXCreateBitmapFromFile(Path(name).data(), &loaded.bitmap), GXResultSuccess);
        ASSERT_EQ(FormatOf(loaded.bitmap), GXPixelFormatRGB24);
        std::vector<uint8_t> expected = Pixels(saved.bitmap, 4), actual = Pixels(loaded.bitmap, 3);
        for (size_t i = 0; i < actual.size() / 3; ++i)
            ASSERT_EQ(std::memcmp(&actual[3 * i], &expected[4 * i], 3), 0) << "pixel " << i;
    }
}

TEST_F(BitmapFileTest, PremultipliedPngComesBackStraight) {
    BitmapHandle saved{MakePatterned(16, 16, GXPixelFormatPARGB32)};
    ASSERT_EQ(GXBitmapSaveToFile(saved.bitmap, Path("p.png").data()), GXResultSuccess);
    BitmapHandle loaded;
    ASSERT_EQ(GXCreateBitmapFromFile(Path("p.png").data(), &loaded.bitmap), GXResultSuccess);
    ASSERT_EQ(FormatOf(loaded.bitmap), GXPixelFormatARGB32);
    // PNG holds straight alpha: the file has what the library's own unpremultiply gives.
    GXBitmapDesc desc{16, 16, GXPixelFormatARGB32, 96, 96};
    BitmapHandle straight;
    ASSERT_EQ(GXCreateBitmap(&desc, &straight.bitmap), GXResultSuccess);
    ASSERT_EQ(GXBitmapCopyFromBitmap(straight.bitmap, nullptr, saved.bitmap, nullptr),
              GXResultSuccess);
    EXPECT_EQ(Pixels(loaded.bitmap, 4), Pixels(straight.bitmap, 4));
}

TEST_F(BitmapFileTest, JpegStaysWithinCodecError) {
    // A smooth image: JPEG's error on it is a few levels.
    GXBitmapDesc desc{64, 48, GXPixelFormatRGB24, 96, 96};
    BitmapHandle saved;
    ASSERT_EQ(GXCreateBitmap(&desc, &saved.bitmap), GXResultSuccess);
    GXBitmapData data;
    ASSERT_EQ(GXBitmapLock(saved.bitmap, nullptr, GXLockWrite, &data), GXResultSuccess);
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x) {
            uint8_t* p = static_cast<uint8_t*>(data.data) + y * data.stride + 3 * x;
            p[0] = uint8_t(x * 4), p[1] = uint8_t(y * 5), p[2] = uint8_t(128 + x - y);
        }
    ASSERT_EQ(GXBitmapUnlock(saved.bitmap), GXResultSuccess);
    ASSERT_EQ(GXBitmapSaveToFile(saved.bitmap, Path("smooth.jpg").data()), GXResultSuccess);
    BitmapHandle loaded;
    ASSERT_EQ(GXCreateBitmapFromFile(Path("smooth.jpg").data(), &loaded.bitmap), GXResultSuccess);
    EXPECT_EQ(FormatOf(loaded.bitmap), GXPixelFormatRGB24);
    std::vector<uint8_t> a = Pixels(saved.bitmap, 3), b = Pixels(loaded.bitmap, 3);
    int worst = 0;
    for (size_t i = 0; i < a.size(); ++i) worst = std::max(worst, std::abs(a[i] - b[i]));
    EXPECT_LE(worst, 12);
    EXPECT_GT(worst, 0);  // it really went through the lossy codec
}

TEST_F(BitmapFileTest, GifKeepsImagesOfFewColoursExactly) {
    GXBitmapDesc desc{20, 10, GXPixelFormatRGB24, 96, 96};
    BitmapHandle saved;
    ASSERT_EQ(GXCreateBitmap(&desc, &saved.bitmap), GXResultSuccess);
    const uint32_t colours[] = {0xff0000ff, 0xff00ff00, 0xffff0000, 0xff123456};
    for (int i = 0; i < 4; ++i) {
        GXIntRect band{i * 5, 0, i * 5 + 5, 10};
        ASSERT_EQ(GXBitmapColorFill(saved.bitmap, &band, colours[i]), GXResultSuccess);
    }
    ASSERT_EQ(GXBitmapSaveToFile(saved.bitmap, Path("bands.gif").data()), GXResultSuccess);
    BitmapHandle loaded;
    ASSERT_EQ(GXCreateBitmapFromFile(Path("bands.gif").data(), &loaded.bitmap), GXResultSuccess);
    ASSERT_EQ(FormatOf(loaded.bitmap), GXPixelFormatIndexed8);
    GXBitmapDesc rgbDesc{20, 10, GXPixelFormatRGB32, 96, 96};
    BitmapHandle rgb;
    ASSERT_EQ(GXCreateBitmap(&rgbDesc, &rgb.bitmap), GXResultSuccess);
    ASSERT_EQ(GXBitmapCopyFromBitmap(rgb.bitmap, nullptr, loaded.bitmap, nullptr), GXResultSuccess);
    std::vector<uint8_t> px = Pixels(rgb.bitmap, 4);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 20; ++x) {
            uint32_t v;
            std::memcpy(&v, &px[4 * size_t(y * 20 + x)], 4);
            ASSERT_EQ(v, colours[x / 5]) << x << "," << y;
        }
}

TEST_F(BitmapFileTest, ExtensionChoosesTheEncoder) {
    BitmapHandle bitmap{MakePatterned(8, 8, GXPixelFormatRGB24)};
    struct Case {
        const char* name;
        std::vector<uint8_t> magic;
    };
    const Case cases[] = {
        {"a.png", {0x89, 'P', 'N', 'G'}},
        {"a.jpg", {0xff, 0xd8, 0xff}},
        {"a.jpeg", {0xff, 0xd8, 0xff}},
        {"a.bmp", {'B', 'M'}},
        {"a.tif", {'I', 'I', 42, 0}},
        {"a.tiff", {'I', 'I', 42, 0}},
        {"a.gif", {'G', 'I', 'F', '8', '9', 'a'}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(GXBitmapSaveToFile(bitmap.bitmap, Path(c.name).data()), GXResultSuccess);
        std::vector<uint8_t> bytes = ReadBytes(c.name);
        ASSERT_GE(bytes.size(), c.magic.size());
        EXPECT_TRUE(std::equal(c.magic.begin(), c.magic.end(), bytes.begin()));
    }
}

TEST_F(BitmapFileTest, ExtensionsOutsideTheRuleFindNoEncoder) {
    BitmapHandle bitmap{MakePatterned(8, 8, GXPixelFormatRGB24)};
    // Case-sensitive, the text after the last '.', the whole path without one.
    for (const char* name : {"a.JPG", "a.Png", "a.png.txt", "noextension", "a.", "a.jpg2"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(GXBitmapSaveToFile(bitmap.bitmap, Path(name).data()), GXResultGraphicsError);
        EXPECT_FALSE(fs::exists(dir_ / name));
    }
}

TEST_F(BitmapFileTest, NonAsciiFileNamesWork) {
    BitmapHandle bitmap{MakePatterned(5, 5, GXPixelFormatRGB24)};
    std::string name = "bild-\xc3\xa4\xe2\x82\xac.png";  // "bild-ä€.png"
    ASSERT_EQ(GXBitmapSaveToFile(bitmap.bitmap, Path(name).data()), GXResultSuccess);
    EXPECT_TRUE(fs::exists(dir_ / name));
    BitmapHandle loaded;
    EXPECT_EQ(GXCreateBitmapFromFile(Path(name).data(), &loaded.bitmap), GXResultSuccess);
}

TEST_F(BitmapFileTest, ResolutionSurvivesEveryFormatThatStoresOne) {
    BitmapHandle bitmap{MakePatterned(10, 10, GXPixelFormatRGB24, 300, 150)};
    for (const char* name : {"r.png", "r.bmp", "r.tiff", "r.jpg"}) {
        SCOPED_TRACE(name);
        ASSERT_EQ(GXBitmapSaveToFile(bitmap.bitmap, Path(name).data()), GXResultSuccess);
        BitmapHandle loaded;
        ASSERT_EQ(GXCreateBitmapFromFile(Path(name).data(), &loaded.bitmap), GXResultSuccess);
        float x = 0, y = 0;
        ASSERT_EQ(GXBitmapGetDpiX(loaded.bitmap, &x), GXResultSuccess);
        ASSERT_EQ(GXBitmapGetDpiY(loaded.bitmap, &y), GXResultSuccess);
        EXPECT_EQ(x, 300.0f);
        EXPECT_EQ(y, 150.0f);
    }
    // GIF has no resolution: 96 comes back.
    ASSERT_EQ(GXBitmapSaveToFile(bitmap.bitmap, Path("r.gif").data()), GXResultSuccess);
    BitmapHandle gif;
    ASSERT_EQ(GXCreateBitmapFromFile(Path("r.gif").data(), &gif.bitmap), GXResultSuccess);
    float x = 0;
    ASSERT_EQ(GXBitmapGetDpiX(gif.bitmap, &x), GXResultSuccess);
    EXPECT_EQ(x, 96.0f);
}

TEST_F(BitmapFileTest, AlphaOnlyBitmapSavesAsOpaqueGrey) {
    GXBitmapDesc desc{4, 1, GXPixelFormatA8, 96, 96};
    BitmapHandle bitmap;
    ASSERT_EQ(GXCreateBitmap(&desc, &bitmap.bitmap), GXResultSuccess);
    uint8_t alphas[4] = {0, 1, 128, 255};
    GXBitmapData memory{alphas, 4, 4};
    ASSERT_EQ(GXBitmapCopyFromMemory(bitmap.bitmap, nullptr, &memory), GXResultSuccess);
    ASSERT_EQ(GXBitmapSaveToFile(bitmap.bitmap, Path("a8.png").data()), GXResultSuccess);
    BitmapHandle loaded;
    ASSERT_EQ(GXCreateBitmapFromFile(Path("a8.png").data(), &loaded.bitmap), GXResultSuccess);
    ASSERT_EQ(FormatOf(loaded.bitmap), GXPixelFormatRGB24);
    EXPECT_EQ(Pixels(loaded.bitmap, 3),
              (std::vector<uint8_t>{0, 0, 0, 1, 1, 1, 128, 128, 128, 255, 255, 255}));
}

TEST_F(BitmapFileTest, IndexedBitmapSavesItsPaletteColours) {
    GXBitmapDesc desc{3, 1, GXPixelFormatIndexed8, 96, 96};
    BitmapHandle bitmap;
    ASSERT_EQ(GXCreateBitmap(&desc, &bitmap.bitmap), GXResultSuccess);
    const uint32_t colours[] = {0xff102030, 0x80405060, 0x00000000};
    GXPaletteRec_* palette = nullptr;
    ASSERT_EQ(GXCreatePalette(colours, 3, &palette), GXResultSuccess);
    ASSERT_EQ(GXBitmapSetPalette(bitmap.bitmap, palette), GXResultSuccess);
    GXObjectRelease(reinterpret_cast<GXOBase*>(palette));
    uint8_t indices[3] = {2, 0, 1};
    GXBitmapData memory{indices, 3, 3};
    ASSERT_EQ(GXBitmapCopyFromMemory(bitmap.bitmap, nullptr, &memory), GXResultSuccess);
    ASSERT_EQ(GXBitmapSaveToFile(bitmap.bitmap, Path("i8.png").data()), GXResultSuccess);
    BitmapHandle loaded;
    ASSERT_EQ(GXCreateBitmapFromFile(Path("i8.png").data(), &loaded.bitmap), GXResultSuccess);
    ASSERT_EQ(FormatOf(loaded.bitmap), GXPixelFormatARGB32);
    std::vector<uint8_t> px = Pixels(loaded.bitmap, 4);
    uint32_t got[3];
    std::memcpy(got, px.data(), 12);
    EXPECT_EQ(got[0], colours[2]);
    EXPECT_EQ(got[1], colours[0]);
    EXPECT_EQ(got[2], colours[1]);
}

TEST_F(BitmapFileTest, EmptyBitmapFailsToSaveAndWritesNothing) {
    // No image format holds an image without pixels: reporting success for a save that
    // writes nothing would lose the caller's data silently.
    GXBitmapDesc desc{0, 5, GXPixelFormatRGB24, 96, 96};
    BitmapHandle bitmap;
    ASSERT_EQ(GXCreateBitmap(&desc, &bitmap.bitmap), GXResultSuccess);
    for (const char* name : {"empty.png", "empty.bmp", "empty.gif"}) {
        EXPECT_EQ(GXBitmapSaveToFile(bitmap.bitmap, Path(name).data()), GXResultGraphicsError);
        EXPECT_FALSE(fs::exists(dir_ / name));
    }
}

TEST_F(BitmapFileTest, UnwritablePathFailsToSave) {
    BitmapHandle bitmap{MakePatterned(4, 4, GXPixelFormatRGB24)};
    EXPECT_EQ(GXBitmapSaveToFile(bitmap.bitmap, Path("missing/dir/x.png").data()),
              GXResultGraphicsError);
}

TEST_F(BitmapFileTest, MemoryLoadsMatchFileLoads) {
    BitmapHandle saved{MakePatterned(31, 17, GXPixelFormatARGB32, 200, 100)};
    for (const char* name : {"m.png", "m.bmp", "m.tiff"}) {
        SCOPED_TRACE(name);
        ASSERT_EQ(GXBitmapSaveToFile(saved.bitmap, Path(name).data()), GXResultSuccess);
        std::vector<uint8_t> bytes = ReadBytes(name);
        BitmapHandle loaded;
        ASSERT_EQ(GXCreateBitmapFromMemory(bytes.data(), bytes.size(), &loaded.bitmap),
                  GXResultSuccess);
        EXPECT_EQ(Pixels(loaded.bitmap, 4), Pixels(saved.bitmap, 4));
        float dpi = 0;
        ASSERT_EQ(GXBitmapGetDpiX(loaded.bitmap, &dpi), GXResultSuccess);
        EXPECT_EQ(dpi, 200.0f);
    }
}

TEST_F(BitmapFileTest, NullAndEmptyArgumentsAreRejected) {
    BitmapHandle bitmap{MakePatterned(2, 2, GXPixelFormatRGB24)};
    GXBitmapRec_* out = reinterpret_cast<GXBitmapRec_*>(&bitmap);  // must stay untouched
    GXBitmapRec_* const before = out;
    uint8_t byte = 0;
    uint32_t count = 77;
    EXPECT_EQ(GXCreateBitmapFromFile(nullptr, &out), GXResultInvalidArg);
    EXPECT_EQ(GXCreateBitmapFromFile(Path("x.png").data(), nullptr), GXResultInvalidArg);
    EXPECT_EQ(GXCreateBitmapFromFileFrame(nullptr, 0, &count, &out), GXResultInvalidArg);
    EXPECT_EQ(GXCreateBitmapFromFileFrame(Path("x.png").data(), 0, &count, nullptr),
              GXResultInvalidArg);
    EXPECT_EQ(GXCreateBitmapFromMemory(nullptr, 1, &out), GXResultInvalidArg);
    EXPECT_EQ(GXCreateBitmapFromMemory(&byte, 0, &out), GXResultInvalidArg);
    EXPECT_EQ(GXCreateBitmapFromMemory(&byte, 1, nullptr), GXResultInvalidArg);
    EXPECT_EQ(GXBitmapSaveToFile(nullptr, Path("x.png").data()), GXResultInvalidArg);
    EXPECT_EQ(GXBitmapSaveToFile(bitmap.bitmap, nullptr), GXResultInvalidArg);
    EXPECT_EQ(out, before);
    EXPECT_EQ(count, 77u);
}

TEST_F(BitmapFileTest, SingleFrameFilesHaveOneFrame) {
    BitmapHandle saved{MakePatterned(6, 6, GXPixelFormatRGB24)};
    ASSERT_EQ(GXBitmapSaveToFile(saved.bitmap, Path("one.png").data()), GXResultSuccess);
    uint32_t count = 0;
    BitmapHandle first;
    ASSERT_EQ(GXCreateBitmapFromFileFrame(Path("one.png").data(), 0, &count, &first.bitmap),
              GXResultSuccess);
    EXPECT_EQ(count, 1u);
    BitmapHandle plain;
    ASSERT_EQ(GXCreateBitmapFromFileFrame(Path("one.png").data(), 0, nullptr, &plain.bitmap),
              GXResultSuccess);
    EXPECT_EQ(Pixels(plain.bitmap, 3), Pixels(saved.bitmap, 3));
    for (int32_t index : {1, -1, INT32_MIN}) {
        count = 0;
        GXBitmapRec_* out = nullptr;
        EXPECT_EQ(GXCreateBitmapFromFileFrame(Path("one.png").data(), index, &count, &out),
                  GXResultGraphicsError);
        EXPECT_EQ(count, 1u);
        EXPECT_EQ(out, nullptr);
    }
}

// Little-endian helpers for hand-made BMP files.
void Put16(std::vector<uint8_t>& v, uint32_t x) {
    v.push_back(uint8_t(x));
    v.push_back(uint8_t(x >> 8));
}
void Put32(std::vector<uint8_t>& v, uint32_t x) {
    Put16(v, x & 0xffff);
    Put16(v, x >> 16);
}

// A BMP with a 40-byte header, `palette` entries (BGRA words) and `rows` stored as given.
std::vector<uint8_t> MakeBmp(int32_t width, int32_t height, int bpp, uint32_t compression,
                             const std::vector<uint32_t>& extra, const std::vector<uint8_t>& rows,
                             int32_t ppm = 0) {
    std::vector<uint8_t> v{'B', 'M'};
    uint32_t offset = 14 + 40 + 4 * uint32_t(extra.size());
    Put32(v, offset + uint32_t(rows.size()));
    Put32(v, 0);
    Put32(v, offset);
    Put32(v, 40);
    Put32(v, uint32_t(width));
    Put32(v, uint32_t(height));
    Put16(v, 1);
    Put16(v, uint32_t(bpp));
    Put32(v, compression);
    Put32(v, uint32_t(rows.size()));
    Put32(v, uint32_t(ppm));
    Put32(v, uint32_t(ppm));
    Put32(v, compression == 0 ? uint32_t(extra.size()) : 0);
    Put32(v, 0);
    for (uint32_t e : extra) Put32(v, e);
    v.insert(v.end(), rows.begin(), rows.end());
    return v;
}

TEST_F(BitmapFileTest, BmpDepthsMapToLibraryFormats) {
    BitmapHandle b;
    // 1 bit, two rows bottom-up: the first stored row is the bottom one.
    std::vector<uint8_t> oneBit =
        MakeBmp(3, 2, 1, 0, {0x00000000, 0x00ff8000}, {0xa0, 0, 0, 0, 0x40, 0, 0, 0});
    ASSERT_EQ(GXCreateBitmapFromMemory(oneBit.data(), oneBit.size(), &b.bitmap), GXResultSuccess);
    EXPECT_EQ(FormatOf(b.bitmap), GXPixelFormatIndexed1);
    uint8_t rows[2] = {};
    GXBitmapData memory{rows, 1, 1};
    ASSERT_EQ(GXBitmapCopyToMemory(b.bitmap, nullptr, &memory), GXResultSuccess);
    EXPECT_EQ(rows[0], 0x40);
    EXPECT_EQ(rows[1], 0xa0);
    GXPaletteRec_* palette = nullptr;
    ASSERT_EQ(GXBitmapGetPalette(b.bitmap, &palette), GXResultSuccess);
    ASSERT_NE(palette, nullptr);
    uint32_t colour = 0;
    EXPECT_EQ(GXPaletteGetColor(palette, 1, &colour), GXResultSuccess);
    EXPECT_EQ(colour, 0xffff8000u);  // the reserved byte does not become alpha
    GXObjectRelease(reinterpret_cast<GXOBase*>(palette));

    // 4 bits become 8-bit indices, top-down through a negative height.
    BitmapHandle four;
    std::vector<uint32_t> sixteen(16, 0);
    std::vector<uint8_t> fourBit = MakeBmp(3, -1, 4, 0, sixteen, {0x1f, 0x70, 0, 0});
    ASSERT_EQ(GXCreateBitmapFromMemory(fourBit.data(), fourBit.size(), &four.bitmap),
              GXResultSuccess);
    EXPECT_EQ(FormatOf(four.bitmap), GXPixelFormatIndexed8);
    EXPECT_EQ(Pixels(four.bitmap, 1), (std::vector<uint8_t>{1, 15, 7}));

    // 16 bits 5-6-5 under bit fields become RGB24.
    BitmapHandle sixteenBit;
    std::vector<uint8_t> rgb565 =
        MakeBmp(2, 1, 16, 3, {0xf800, 0x07e0, 0x001f}, {0x00, 0xf8, 0x1f, 0x00});
    ASSERT_EQ(GXCreateBitmapFromMemory(rgb565.data(), rgb565.size(), &sixteenBit.bitmap),
              GXResultSuccess);
    EXPECT_EQ(FormatOf(sixteenBit.bitmap), GXPixelFormatRGB24);
    EXPECT_EQ(Pixels(sixteenBit.bitmap, 3), (std::vector<uint8_t>{0, 0, 255, 255, 0, 0}));

    // 32 bits without alpha mask: RGB32, resolution from pixels per metre.
    BitmapHandle rgb32;
    std::vector<uint8_t> plain32 = MakeBmp(1, 1, 32, 0, {}, {1, 2, 3, 4}, 11811);
    ASSERT_EQ(GXCreateBitmapFromMemory(plain32.data(), plain32.size(), &rgb32.bitmap),
              GXResultSuccess);
    EXPECT_EQ(FormatOf(rgb32.bitmap), GXPixelFormatRGB32);
    float dpi = 0;
    ASSERT_EQ(GXBitmapGetDpiY(rgb32.bitmap, &dpi), GXResultSuccess);
    EXPECT_EQ(dpi, 300.0f);
}

TEST_F(BitmapFileTest, BrokenFilesFailToLoadWithoutHarm) {
    BitmapHandle out;
    EXPECT_EQ(GXCreateBitmapFromFile(Path("does-not-exist.png").data(), &out.bitmap),
              GXResultGraphicsError);
    // Every encoder's output cut short at several places.
    BitmapHandle source{MakePatterned(40, 30, GXPixelFormatARGB32)};
    for (const char* name : {"t.png", "t.jpg", "t.bmp", "t.tiff", "t.gif"}) {
        ASSERT_EQ(GXBitmapSaveToFile(source.bitmap, Path(name).data()), GXResultSuccess);
        std::vector<uint8_t> whole = ReadBytes(name);
        for (size_t cut : {size_t(1), size_t(8), size_t(20), whole.size() / 2, whole.size() - 3}) {
            SCOPED_TRACE(std::string(name) + " cut at " + std::to_string(cut));
            std::vector<uint8_t> part(whole.begin(), whole.begin() + std::ptrdiff_t(cut));
            WriteBytes("cut", part);
            EXPECT_EQ(GXCreateBitmapFromFile(Path("cut").data(), &out.bitmap),
                      GXResultGraphicsError);
            EXPECT_EQ(GXCreateBitmapFromMemory(part.data(), part.size(), &out.bitmap),
                      GXResultGraphicsError);
            EXPECT_EQ(out.bitmap, nullptr);
        }
    }
    // Not an image at all.
    std::vector<uint8_t> text{'h', 'e', 'l', 'l', 'o'};
    EXPECT_EQ(GXCreateBitmapFromMemory(text.data(), text.size(), &out.bitmap),
              GXResultGraphicsError);
}

TEST_F(BitmapFileTest, HugeDeclaredSizesAreRefusedBeforeAllocating) {
    BitmapHandle out;
    // 100000 x 100000 at 24 bits, with only a handful of pixel bytes behind the header.
    std::vector<uint8_t> bmp = MakeBmp(100000, 100000, 24, 0, {}, {1, 2, 3, 4});
    EXPECT_EQ(GXCreateBitmapFromMemory(bmp.data(), bmp.size(), &out.bitmap), GXResultGraphicsError);
    // A GIF whose logical screen is 65535 x 65535 (4 GiB of indices) with one tiny image.
    std::vector<uint8_t> gif{
        'G',  'I', 'F',  '8',  '9', 'a', 0xff, 0xff, 0xff, 0xff,
        0x80, 0,   0,    0,    0,   0,   255,  255,  255,      // 2-entry colour table
        ',',  0,   0,    0,    0,   1,   0,    1,    0,    0,  // 1 x 1 image
        2,    2,   0x4c, 0x01, 0,   ';'};
    EXPECT_EQ(GXCreateBitmapFromMemory(gif.data(), gif.size(), &out.bitmap), GXResultGraphicsError);
    // The same image on a 1 x 1 screen decodes: the refusal was the size's doing.
    gif[6] = 1, gif[7] = 0, gif[8] = 1, gif[9] = 0;
    EXPECT_EQ(GXCreateBitmapFromMemory(gif.data(), gif.size(), &out.bitmap), GXResultSuccess);
}

}  // namespace
