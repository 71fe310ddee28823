#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

#include "gx.h"

namespace {

// A bitmap handle released at the end of the scope.
class TestBitmap {
public:
    TestBitmap(int32_t width, int32_t height, GXPixelFormat format, float dpiX = 96,
               float dpiY = 96)
        : width_(width) {
        GXBitmapDesc desc{width, height, format, dpiX, dpiY};
        EXPECT_EQ(GXCreateBitmap(&desc, &handle_), GXResultSuccess);
    }
    ~TestBitmap() { GXObjectRelease(GX_HANDLE(handle_)); }
    TestBitmap(const TestBitmap&) = delete;
    TestBitmap& operator=(const TestBitmap&) = delete;
    GXBitmapRec_* get() const { return handle_; }

    // Row `row` of the pixel store as bytes, rowBytes long.
    std::vector<uint8_t> Row(int32_t row) const {
        GXBitmapData data{};
        EXPECT_EQ(GXBitmapLock(handle_, nullptr, GXLockRead, &data), GXResultSuccess);
        const uint8_t* start = static_cast<const uint8_t*>(data.data) + int64_t(data.stride) * row;
        std::vector<uint8_t> bytes(start, start + data.rowBytes);
        GXBitmapUnlock(handle_);
        return bytes;
    }
    void SetRow(int32_t row, const std::vector<uint8_t>& bytes) const {
        GXIntRect rect{0, row, width_, row + 1};
        GXBitmapData memory{const_cast<uint8_t*>(bytes.data()), int32_t(bytes.size()), 0};
        EXPECT_EQ(GXBitmapCopyFromMemory(handle_, &rect, &memory), GXResultSuccess);
    }

private:
    int32_t width_;                   // as requested
    GXBitmapRec_* handle_ = nullptr;  // owned reference
};

using Bytes = std::vector<uint8_t>;

TEST(BitmapCreate, ReportsWhatWasAsked) {
    TestBitmap bitmap(7, 5, GXPixelFormatRGB24, 72.0f, 150.0f);
    GXPixelFormat format = 0;
    GXIntSize size{};
    float dpiX = 0, dpiY = 0;
    EXPECT_EQ(GXBitmapGetPixelFormat(bitmap.get(), &format), GXResultSuccess);
    EXPECT_EQ(GXBitmapGetSize(bitmap.get(), &size), GXResultSuccess);
    EXPECT_EQ(GXBitmapGetDpiX(bitmap.get(), &dpiX), GXResultSuccess);
    EXPECT_EQ(GXBitmapGetDpiY(bitmap.get(), &dpiY), GXResultSuccess);
    EXPECT_EQ(format, GXPixelFormatRGB24);
    EXPECT_EQ(size.width, 7);
    EXPECT_EQ(size.height, 5);
    EXPECT_EQ(dpiX, 72.0f);
    EXPECT_EQ(dpiY, 150.0f);
}

TEST(BitmapCreate, RowStrides) {
    struct Case {
        int32_t width;
        GXPixelFormat format;
        int32_t stride, rowBytes;
    } cases[] = {{1, GXPixelFormatGray1, 16, 1},   {100, GXPixelFormatRGB24, 304, 300},
                 {100, GXPixelFormatA1, 16, 13},   {4, GXPixelFormatARGB32, 16, 16},
                 {17, GXPixelFormatGray8, 32, 17}, {129, GXPixelFormatIndexed1, 32, 17}};
    for (const Case& c : cases) {
        TestBitmap bitmap(c.width, 2, c.format);
        GXBitmapData data{};
        ASSERT_EQ(GXBitmapLock(bitmap.get(), nullptr, GXLockRead, &data), GXResultSuccess);
        EXPECT_EQ(data.stride, c.stride) << c.width << " format " << c.format;
        EXPECT_EQ(data.rowBytes, c.rowBytes) << c.width << " format " << c.format;
        EXPECT_EQ(reinterpret_cast<uintptr_t>(data.data) % 16, 0u);
        GXBitmapUnlock(bitmap.get());
    }
}

TEST(BitmapCreate, NegativeAndZeroSizes) {
    TestBitmap negative(-10, -3, GXPixelFormatARGB32);
    GXIntSize size{};
    GXBitmapGetSize(negative.get(), &size);
    EXPECT_EQ(size.width, -10);
    EXPECT_EQ(size.height, -3);
    GXBitmapData data{};
    ASSERT_EQ(GXBitmapLock(negative.get(), nullptr, GXLockWrite, &data), GXResultSuccess);
    EXPECT_EQ(data.rowBytes, 40);  // the store holds |width| pixels
    std::memset(data.data, 0, size_t(data.stride) * 3);
    GXBitmapUnlock(negative.get());
    // Nothing to copy or fill within a negative size, and nothing breaks.
    EXPECT_EQ(GXBitmapColorFill(negative.get(), nullptr, 0xFFFFFFFF), GXResultSuccess);
    uint8_t out[64] = {};
    GXBitmapData memory{out, 64, 64};
    EXPECT_EQ(GXBitmapCopyToMemory(negative.get(), nullptr, &memory), GXResultSuccess);

    TestBitmap empty(0, 0, GXPixelFormatGray8);
    EXPECT_EQ(GXBitmapColorFill(empty.get(), nullptr, 0xFF000000), GXResultSuccess);
    ASSERT_EQ(GXBitmapLock(empty.get(), nullptr, GXLockRead, &data), GXResultSuccess);
    EXPECT_EQ(data.rowBytes, 0);
    GXBitmapUnlock(empty.get());
    TestBitmap flat(5, 0, GXPixelFormatRGB32);
    EXPECT_EQ(GXBitmapColorFill(flat.get(), nullptr, 0xFF000000), GXResultSuccess);
}

TEST(BitmapCreate, InvalidFormatsAndSizesMakeNothing) {
    GXBitmapRec_* untouched = reinterpret_cast<GXBitmapRec_*>(0x1);
    GXBitmapRec_* out = untouched;
    for (GXPixelFormat format : {0, 11, -1, 1000}) {
        GXBitmapDesc desc{4, 4, format, 96, 96};
        EXPECT_EQ(GXCreateBitmap(&desc, &out), GXResultInvalidArg) << format;
    }
    const GXBitmapDesc absurd[] = {
        {INT32_MIN, 1, GXPixelFormatGray8, 96, 96},
        {1, INT32_MIN, GXPixelFormatGray8, 96, 96},
        {INT32_MAX, 1, GXPixelFormatARGB32, 96, 96},         // stride past 2^31
        {INT32_MAX, INT32_MAX, GXPixelFormatGray1, 96, 96},  // store past 1 TiB
        {1 << 20, 1 << 20, GXPixelFormatRGB24, 96, 96},
    };
    for (const GXBitmapDesc& desc : absurd)
        EXPECT_EQ(GXCreateBitmap(&desc, &out), GXResultInvalidArg)
            << desc.width << "x" << desc.height;
    EXPECT_EQ(out, untouched);
    GXBitmapDesc desc{1, 1, GXPixelFormatA8, 96, 96};
    EXPECT_EQ(GXCreateBitmap(nullptr, &out), GXResultInvalidArg);
    EXPECT_EQ(GXCreateBitmap(&desc, nullptr), GXResultInvalidArg);
}

TEST(BitmapLock, WindowStartsAtTheRectangleAndReachesTheRightEdge) {
    TestBitmap bitmap(100, 4, GXPixelFormatARGB32);
    GXBitmapData whole{}, window{};
    ASSERT_EQ(GXBitmapLock(bitmap.get(), nullptr, GXLockRead, &whole), GXResultSuccess);
    GXBitmapUnlock(bitmap.get());
    for (int32_t right : {10, 11, 50, 100}) {
        GXIntRect rect{10, 2, right, 4};
        ASSERT_EQ(GXBitmapLock(bitmap.get(), &rect, GXLockWrite, &window), GXResultSuccess);
        EXPECT_EQ(window.rowBytes, 360);
        EXPECT_EQ(window.stride, whole.stride);
        EXPECT_EQ(static_cast<uint8_t*>(window.data),
                  static_cast<uint8_t*>(whole.data) + 2 * whole.stride + 40);
        EXPECT_EQ(GXBitmapUnlock(bitmap.get()), GXResultSuccess);
    }
}

TEST(BitmapLock, RejectsRectanglesOutsideAndUnknownModes) {
    TestBitmap bitmap(10, 10, GXPixelFormatGray8);
    GXBitmapData untouched{reinterpret_cast<void*>(0x1), 7, 7}, out = untouched;
    const GXIntRect bad[] = {{-1, 0, 5, 5}, {0, -1, 5, 5}, {0, 0, 11, 5}, {0, 0, 5, 11},
                             {6, 0, 5, 5},  {0, 6, 5, 5},  {11, 0, 11, 1}};
    for (const GXIntRect& rect : bad)
        EXPECT_EQ(GXBitmapLock(bitmap.get(), &rect, GXLockRead, &out), GXResultInvalidArg);
    for (uint32_t mode : {0u, 4u, 0xFFFFFFFFu})
        EXPECT_EQ(GXBitmapLock(bitmap.get(), nullptr, mode, &out), GXResultInvalidArg);
    EXPECT_EQ(out.data, untouched.data);
    EXPECT_EQ(GXBitmapLock(nullptr, nullptr, GXLockRead, &out), GXResultInvalidArg);
    EXPECT_EQ(GXBitmapLock(bitmap.get(), nullptr, GXLockRead, nullptr), GXResultInvalidArg);
    EXPECT_EQ(GXBitmapUnlock(nullptr), GXResultInvalidArg);
    // The far corner and an empty window on the edge are inside.
    GXIntRect edge{10, 10, 10, 10};
    EXPECT_EQ(GXBitmapLock(bitmap.get(), &edge, GXLockReadWrite, &out), GXResultSuccess);
    EXPECT_EQ(out.rowBytes, 0);
    GXBitmapUnlock(bitmap.get());
}

TEST(BitmapMemory, CopyInAndOut) {
    TestBitmap bitmap(4, 3, GXPixelFormatGray8);
    uint8_t rows[3][6] = {
        {1, 2, 3, 4, 0xEE, 0xEE}, {5, 6, 7, 8, 0xEE, 0xEE}, {9, 10, 11, 12, 0xEE, 0xEE}};
    GXBitmapData memory{rows, 6, 6};  // longer rows than the bitmap's: 4 bytes are copied
    ASSERT_EQ(GXBitmapCopyFromMemory(bitmap.get(), nullptr, &memory), GXResultSuccess);
    EXPECT_EQ(bitmap.Row(2), (Bytes{9, 10, 11, 12}));

    // Into a sub-rectangle, from a bottom-up buffer (negative stride).
    uint8_t bottomUp[2][2] = {{0xB1, 0xB2}, {0xA1, 0xA2}};
    GXIntRect rect{1, 1, 3, 3};
    GXBitmapData upward{bottomUp[1], 2, -2};
    ASSERT_EQ(GXBitmapCopyFromMemory(bitmap.get(), &rect, &upward), GXResultSuccess);
    EXPECT_EQ(bitmap.Row(1), (Bytes{5, 0xA1, 0xA2, 8}));
    EXPECT_EQ(bitmap.Row(2), (Bytes{9, 0xB1, 0xB2, 12}));

    // Out, clamped to the bitmap and limited to rowBytes per row.
    uint8_t out[4][4];
    std::memset(out, 0xCC, sizeof out);
    GXIntRect outside{2, 1, 9, 9};
    GXBitmapData target{out, 1, 4};
    ASSERT_EQ(GXBitmapCopyToMemory(bitmap.get(), &outside, &target), GXResultSuccess);
    EXPECT_EQ(out[0][0], 0xA2);
    EXPECT_EQ(out[0][1], 0xCC);
    EXPECT_EQ(out[1][0], 0xB2);
    EXPECT_EQ(out[2][0], 0xCC);  // only rows 1 and 2 exist
}

TEST(BitmapMemory, RejectsBadWindows) {
    TestBitmap bitmap(4, 3, GXPixelFormatGray8);
    Bytes before = bitmap.Row(0);
    uint8_t buffer[64] = {};
    GXBitmapData memory{buffer, 4, 4};
    const GXIntRect bad[] = {{0, 0, 5, 1}, {-1, 0, 2, 1}, {0, 2, 4, 4}, {3, 0, 2, 1}, {0, 2, 4, 1}};
    for (const GXIntRect& rect : bad)
        EXPECT_EQ(GXBitmapCopyFromMemory(bitmap.get(), &rect, &memory), GXResultInvalidArg);
    GXBitmapData negativeRow{buffer, -1, 4}, noData{nullptr, 4, 4};
    EXPECT_EQ(GXBitmapCopyFromMemory(bitmap.get(), nullptr, &negativeRow), GXResultInvalidArg);
    EXPECT_EQ(GXBitmapCopyFromMemory(bitmap.get(), nullptr, &noData), GXResultInvalidArg);
    EXPECT_EQ(GXBitmapCopyToMemory(bitmap.get(), nullptr, &negativeRow), GXResultInvalidArg);
    EXPECT_EQ(GXBitmapCopyToMemory(bitmap.get(), nullptr, &noData), GXResultInvalidArg);
    EXPECT_EQ(GXBitmapCopyFromMemory(nullptr, nullptr, &memory), GXResultInvalidArg);
    EXPECT_EQ(GXBitmapCopyFromMemory(bitmap.get(), nullptr, nullptr), GXResultInvalidArg);
    EXPECT_EQ(GXBitmapCopyToMemory(nullptr, nullptr, &memory), GXResultInvalidArg);
    EXPECT_EQ(GXBitmapCopyToMemory(bitmap.get(), nullptr, nullptr), GXResultInvalidArg);
    EXPECT_EQ(bitmap.Row(0), before);
    // An inverted rectangle copies nothing out.
    GXIntRect inverted{3, 2, 1, 0};
    std::memset(buffer, 0x77, sizeof buffer);
    EXPECT_EQ(GXBitmapCopyToMemory(bitmap.get(), &inverted, &memory), GXResultSuccess);
    EXPECT_EQ(buffer[0], 0x77);
}

// Copies one pixel of `from` (bytes) into a `to` bitmap and returns the pixel's bytes.
Bytes ConvertPixel(GXPixelFormat from, const Bytes& pixel, GXPixelFormat to) {
    TestBitmap source(1, 1, from), target(1, 1, to);
    source.SetRow(0, pixel);
    EXPECT_EQ(GXBitmapCopyFromBitmap(target.get(), nullptr, source.get(), nullptr),
              GXResultSuccess);
    return target.Row(0);
}

TEST(BitmapCopy, ConvertsBetweenFormats) {
    // B, G, R, A byte order.
    EXPECT_EQ(ConvertPixel(GXPixelFormatARGB32, {0, 0, 255, 128}, GXPixelFormatPARGB32),
              (Bytes{0, 0, 128, 128}));
    EXPECT_EQ(ConvertPixel(GXPixelFormatPARGB32, {0, 0, 128, 128}, GXPixelFormatARGB32),
              (Bytes{0, 0, 255, 128}));
    EXPECT_EQ(ConvertPixel(GXPixelFormatPARGB32, {0, 0, 0, 0}, GXPixelFormatARGB32),
              (Bytes{0, 0, 0, 0}));
    EXPECT_EQ(ConvertPixel(GXPixelFormatARGB32, {255, 255, 255, 255}, GXPixelFormatGray8),
              Bytes{255});
    EXPECT_EQ(ConvertPixel(GXPixelFormatARGB32, {1, 1, 1, 255}, GXPixelFormatGray8), Bytes{21});
    EXPECT_EQ(ConvertPixel(GXPixelFormatRGB24, {1, 1, 1}, GXPixelFormatGray8), Bytes{1});
    EXPECT_EQ(ConvertPixel(GXPixelFormatA8, {200}, GXPixelFormatPARGB32),
              (Bytes{200, 200, 200, 200}));
    EXPECT_EQ(ConvertPixel(GXPixelFormatA8, {200}, GXPixelFormatARGB32),
              (Bytes{255, 255, 255, 200}));
    EXPECT_EQ(ConvertPixel(GXPixelFormatRGB24, {0x10, 0x20, 0x30}, GXPixelFormatARGB32),
              (Bytes{0x10, 0x20, 0x30, 0xFF}));
}

TEST(BitmapCopy, UnsupportedConversionRaises) {
    TestBitmap source(2, 2, GXPixelFormatRGB24), target(2, 2, GXPixelFormatA8);
    EXPECT_EQ(GXBitmapCopyFromBitmap(target.get(), nullptr, source.get(), nullptr),
              GXResultGraphicsError);
    EXPECT_EQ(GXBitmapCopyFromBitmap(nullptr, nullptr, source.get(), nullptr), GXResultInvalidArg);
    EXPECT_EQ(GXBitmapCopyFromBitmap(target.get(), nullptr, nullptr, nullptr), GXResultInvalidArg);
}

TEST(BitmapCopy, SameFormatCopiesBytesAndEmptyRectangleNothing) {
    TestBitmap source(3, 2, GXPixelFormatPARGB32), target(3, 2, GXPixelFormatPARGB32);
    // Not a valid premultiplied pixel: a conversion would have changed it.
    Bytes row = {9, 200, 7, 100, 1, 2, 3, 4, 5, 6, 7, 8};
    source.SetRow(0, row);
    source.SetRow(1, row);
    ASSERT_EQ(GXBitmapColorFill(target.get(), nullptr, 0), GXResultSuccess);
    Bytes cleared = target.Row(0);
    GXIntRect empty{1, 0, 1, 2};
    GXIntPoint origin{0, 0};
    EXPECT_EQ(GXBitmapCopyFromBitmap(target.get(), &origin, source.get(), &empty), GXResultSuccess);
    EXPECT_EQ(target.Row(0), cleared);
    EXPECT_EQ(GXBitmapCopyFromBitmap(target.get(), nullptr, source.get(), nullptr),
              GXResultSuccess);
    EXPECT_EQ(target.Row(1), row);
}

TEST(BitmapFill, FillsInTheBitmapsFormat) {
    TestBitmap argb(5, 3, GXPixelFormatARGB32);
    ASSERT_EQ(GXBitmapColorFill(argb.get(), nullptr, 0x11223344), GXResultSuccess);
    GXIntRect part{3, 1, 99, 2};  // clamped to the bitmap
    ASSERT_EQ(GXBitmapColorFill(argb.get(), &part, 0x80FF0000), GXResultSuccess);
    EXPECT_EQ(argb.Row(0), (Bytes{0x44, 0x33, 0x22, 0x11, 0x44, 0x33, 0x22, 0x11, 0x44, 0x33,
                                  0x22, 0x11, 0x44, 0x33, 0x22, 0x11, 0x44, 0x33, 0x22, 0x11}));
    Bytes row1 = argb.Row(1);
    EXPECT_EQ(Bytes(row1.begin() + 8, row1.begin() + 12), (Bytes{0x44, 0x33, 0x22, 0x11}));
    EXPECT_EQ(Bytes(row1.begin() + 12, row1.end()), (Bytes{0, 0, 0xFF, 0x80, 0, 0, 0xFF, 0x80}));

    TestBitmap pargb(2, 1, GXPixelFormatPARGB32);
    ASSERT_EQ(GXBitmapColorFill(pargb.get(), nullptr, 0x80FF0000), GXResultSuccess);
    EXPECT_EQ(pargb.Row(0), (Bytes{0, 0, 128, 128, 0, 0, 128, 128}));

    TestBitmap rgb(3, 1, GXPixelFormatRGB24);
    ASSERT_EQ(GXBitmapColorFill(rgb.get(), nullptr, 0xFF0A0B0C), GXResultSuccess);
    EXPECT_EQ(rgb.Row(0), (Bytes{0x0C, 0x0B, 0x0A, 0x0C, 0x0B, 0x0A, 0x0C, 0x0B, 0x0A}));
}

TEST(BitmapFill, OneBitAndIndexedFormats) {
    TestBitmap a1(100, 3, GXPixelFormatA1);
    ASSERT_EQ(GXBitmapColorFill(a1.get(), nullptr, 0xFF000000), GXResultSuccess);
    for (int32_t row = 0; row < 3; ++row) EXPECT_EQ(a1.Row(row), Bytes(13, 0xFF));
    ASSERT_EQ(GXBitmapColorFill(a1.get(), nullptr, 0x00FFFFFF), GXResultSuccess);
    EXPECT_EQ(a1.Row(1), Bytes(13, 0x00));

    TestBitmap gray1(100, 3, GXPixelFormatGray1);
    EXPECT_EQ(GXBitmapColorFill(gray1.get(), nullptr, 0xFF000000), GXResultGraphicsError);
    TestBitmap indexed(4, 4, GXPixelFormatIndexed8);
    EXPECT_EQ(GXBitmapColorFill(indexed.get(), nullptr, 0xFF000000), GXResultGraphicsError);
    EXPECT_EQ(GXBitmapColorFill(nullptr, nullptr, 0), GXResultInvalidArg);
}

TEST(BitmapState, NotifyAndOffscreenFlag) {
    TestBitmap bitmap(2, 2, GXPixelFormatA8);
    EXPECT_EQ(GXBitmapNotifyChanged(bitmap.get()), GXResultSuccess);
    EXPECT_EQ(GXBitmapSetOffscreenPainting(bitmap.get(), 1), GXResultSuccess);
    EXPECT_EQ(GXBitmapNotifyChanged(nullptr), GXResultInvalidArg);
    EXPECT_EQ(GXBitmapSetOffscreenPainting(nullptr, 1), GXResultInvalidArg);
    GXPixelFormat format;
    GXIntSize size;
    float dpi;
    EXPECT_EQ(GXBitmapGetPixelFormat(nullptr, &format), GXResultInvalidArg);
    EXPECT_EQ(GXBitmapGetPixelFormat(bitmap.get(), nullptr), GXResultInvalidArg);
    EXPECT_EQ(GXBitmapGetSize(nullptr, &size), GXResultInvalidArg);
    EXPECT_EQ(GXBitmapGetSize(bitmap.get(), nullptr), GXResultInvalidArg);
    EXPECT_EQ(GXBitmapGetDpiX(nullptr, &dpi), GXResultInvalidArg);
    EXPECT_EQ(GXBitmapGetDpiY(bitmap.get(), nullptr), GXResultInvalidArg);
    EXPECT_EQ(GXBitmapSetPalette(nullptr, nullptr), GXResultInvalidArg);
    GXPaletteRec_* palette;
    EXPECT_EQ(GXBitmapGetPalette(nullptr, &palette), GXResultInvalidArg);
    EXPECT_EQ(GXBitmapGetPalette(bitmap.get(), nullptr), GXResultInvalidArg);
}


// Fills and copies into 1-bit bitmaps change exactly the pixels of their rectangle, wherever
// it starts and ends inside a byte; a lock still starts at the byte holding `left`.
TEST(BitmapOneBit, FillsAndCopiesChangeExactlyTheirRectangle) {
    constexpr int32_t kWidth = 37, kHeight = 3;
    auto bit = [](const Bytes& row, int32_t x) { return (row[size_t(x / 8)] >> (7 - x % 8)) & 1; };
    std::mt19937 random(2);
    TestBitmap a1(kWidth, kHeight, GXPixelFormatA1), source(kWidth, kHeight, GXPixelFormatA1);
    for (int32_t trial = 0; trial < 300; ++trial) {
        for (int32_t row = 0; row < kHeight; ++row) {
            Bytes bytes(5), other(5);
            for (uint8_t& b : bytes) b = uint8_t(random());
            for (uint8_t& b : other) b = uint8_t(random());
            a1.SetRow(row, bytes);
            source.SetRow(row, other);
        }
        std::vector<Bytes> before, from;
        for (int32_t row = 0; row < kHeight; ++row) {
            before.push_back(a1.Row(row));
            from.push_back(source.Row(row));
        }
        const int32_t left = int32_t(random() % kWidth), right = left + int32_t(random() % 12);
        const int32_t clipped = std::min(right, kWidth);
        const int32_t sourceLeft = int32_t(random() % 20);
        const bool fill = trial % 2 == 0, set = random() % 2;
        if (fill) {
            const GXIntRect rect{left, 1, right, 2};
            ASSERT_EQ(GXBitmapColorFill(a1.get(), &rect, set ? 0xFF000000u : 0u), GXResultSuccess);
        } else {
            const GXIntPoint origin{left, 1};
            const GXIntRect sourceRect{sourceLeft, 0, sourceLeft + right - left, 1};
            ASSERT_EQ(GXBitmapCopyFromBitmap(a1.get(), &origin, source.get(), &sourceRect),
                      GXResultSuccess);
        }
        for (int32_t row = 0; row < kHeight; ++row) {
            const Bytes after = a1.Row(row);
            for (int32_t x = 0; x < kWidth; ++x) {
                int32_t expected = bit(before[size_t(row)], x);
                if (row == 1 && x >= left && x < clipped)
                    expected = fill ? set : bit(from[0], sourceLeft + x - left);
                ASSERT_EQ(bit(after, x), expected) << trial << ": " << x << "," << row;
            }
        }
    }
    // Read from any bit, converted: each pixel lands where its rectangle puts it.
    TestBitmap argb(kWidth, 1, GXPixelFormatARGB32);
    const Bytes bits = source.Row(0);
    for (int32_t sourceLeft = 0; sourceLeft < 9; ++sourceLeft) {
        const GXIntRect sourceRect{sourceLeft, 0, kWidth, 1};
        ASSERT_EQ(GXBitmapCopyFromBitmap(argb.get(), nullptr, source.get(), &sourceRect),
                  GXResultSuccess);
        std::vector<uint32_t> pixels(kWidth);
        const GXBitmapData memory{pixels.data(), kWidth * 4, kWidth * 4};
        ASSERT_EQ(GXBitmapCopyToMemory(argb.get(), nullptr, &memory), GXResultSuccess);
        for (int32_t x = 0; x + sourceLeft < kWidth; ++x)
            ASSERT_EQ(pixels[size_t(x)], bit(bits, x + sourceLeft) ? 0xFFFFFFFFu : 0x00FFFFFFu)
                << sourceLeft << ": " << x;
    }
    // The review's cases: [3, 5) filled in a clear byte, two set pixels copied to x = 5.
    TestBitmap small(16, 1, GXPixelFormatA1), ones(2, 1, GXPixelFormatA1);
    ASSERT_EQ(GXBitmapColorFill(small.get(), nullptr, 0), GXResultSuccess);
    const GXIntRect range{3, 0, 5, 1};
    ASSERT_EQ(GXBitmapColorFill(small.get(), &range, 0xFF000000u), GXResultSuccess);
    EXPECT_EQ(small.Row(0)[0], 0x18);
    ASSERT_EQ(GXBitmapColorFill(small.get(), nullptr, 0), GXResultSuccess);
    ASSERT_EQ(GXBitmapColorFill(ones.get(), nullptr, 0xFF000000u), GXResultSuccess);
    const GXIntPoint at{5, 0};
    ASSERT_EQ(GXBitmapCopyFromBitmap(small.get(), &at, ones.get(), nullptr), GXResultSuccess);
    EXPECT_EQ(small.Row(0)[0], 0x06);
    GXBitmapData whole{}, window{};
    const GXIntRect fromFive{5, 0, 7, 1};
    ASSERT_EQ(GXBitmapLock(small.get(), nullptr, GXLockRead, &whole), GXResultSuccess);
    ASSERT_EQ(GXBitmapUnlock(small.get()), GXResultSuccess);
    ASSERT_EQ(GXBitmapLock(small.get(), &fromFive, GXLockRead, &window), GXResultSuccess);
    ASSERT_EQ(GXBitmapUnlock(small.get()), GXResultSuccess);
    EXPECT_EQ(window.data, whole.data);
}

}  // namespace
