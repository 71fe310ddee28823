// Small files that declare huge images, files cut short, and paths that name no regular
// file: each is refused at once with "Failed to load" (6), and no decode holds more than
// its memory budget. The files are made by the codec libraries and patched here.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "gx.h"
#include "testimages.h"

namespace {

namespace fs = std::filesystem;

void Put16BigEndian(std::vector<uint8_t>& bytes, size_t at, uint32_t value) {
    bytes[at] = uint8_t(value >> 8);
    bytes[at + 1] = uint8_t(value);
}

void Put32BigEndian(std::vector<uint8_t>& bytes, size_t at, uint32_t value) {
    Put16BigEndian(bytes, at, value >> 16);
    Put16BigEndian(bytes, at + 2, value & 0xffff);
}

// The JPEG with the frame header's size replaced, and `padding` bytes of comment segments
// put before the frame header (so that the file is as long as an image of that size could
// be without a single more byte of image data).
std::vector<uint8_t> WithJpegSize(const std::vector<uint8_t>& jpeg, uint16_t width, uint16_t height,
                                  size_t padding = 0) {
    std::vector<uint8_t> out(jpeg.begin(), jpeg.begin() + 2);  // SOI
    for (; padding > 0;) {
        size_t length = std::min<size_t>(padding, 65533);
        out.insert(out.end(), {0xff, 0xfe, 0, 0});
        Put16BigEndian(out, out.size() - 2, uint32_t(length + 2));
        out.insert(out.end(), length, 'x');
        padding -= length;
    }
    size_t start = out.size();
    out.insert(out.end(), jpeg.begin() + 2, jpeg.end());
    for (size_t at = start; at + 9 < out.size();) {
        uint8_t marker = out[at + 1];
        if (marker == 0xc0 || marker == 0xc1 || marker == 0xc2) {
            Put16BigEndian(out, at + 5, height);
            Put16BigEndian(out, at + 7, width);
            return out;
        }
        at += 2 + ((size_t(out[at + 2]) << 8) | out[at + 3]);
    }
    ADD_FAILURE() << "no frame header";
    return out;
}

uint32_t Crc32(const uint8_t* data, size_t size) {
    uint32_t crc = 0xffffffffu;
    for (size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1)));
    }
    return ~crc;
}

// The PNG with its header's size replaced (and the header's CRC made right again).
std::vector<uint8_t> WithPngSize(std::vector<uint8_t> png, uint32_t width, uint32_t height) {
    Put32BigEndian(png, 16, width);
    Put32BigEndian(png, 20, height);
    Put32BigEndian(png, 29, Crc32(png.data() + 12, 17));
    return png;
}

// The little-endian TIFF with the value of its first page's `tag` (a single value held in
// the directory entry) replaced.
std::vector<uint8_t> WithTiffTag(std::vector<uint8_t> tiff, uint32_t tag, uint32_t value) {
    auto get = [&](size_t at, int bytes) {
        uint32_t v = 0;
        for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | tiff[at + size_t(i)];
        return v;
    };
    size_t ifd = get(4, 4);
    for (uint32_t i = 0, n = get(ifd, 2); i < n; ++i) {
        size_t entry = ifd + 2 + 12 * size_t(i);
        if (get(entry, 2) != tag) continue;
        int bytes = get(entry + 2, 2) == 3 ? 2 : 4;  // SHORT or LONG
        for (int b = 0; b < bytes; ++b) tiff[entry + 8 + size_t(b)] = uint8_t(value >> (8 * b));
        return tiff;
    }
    ADD_FAILURE() << "no tag " << tag;
    return tiff;
}

constexpr uint32_t kTiffWidth = 256, kTiffLength = 257, kTiffStripOffsets = 273;

// What loading `bytes` from memory came to in a process of its own: the result, and how
// far the process's peak resident memory rose above where it stood before the load.
struct Outcome {
    GXResult result = -1;
    int64_t peakGrowthBytes = -1;
};

Outcome LoadInChild(const std::vector<uint8_t>& bytes) {
    int channel[2];
    if (pipe(channel) != 0) return {};
    pid_t child = fork();
    if (child == 0) {
        rusage before{}, after{};
        getrusage(RUSAGE_SELF, &before);
        GXBitmapRec_* bitmap = nullptr;
        Outcome outcome;
        outcome.result = GXCreateBitmapFromMemory(bytes.data(), bytes.size(), &bitmap);
        getrusage(RUSAGE_SELF, &after);
        outcome.peakGrowthBytes = int64_t(after.ru_maxrss - before.ru_maxrss) * 1024;
        ssize_t written = write(channel[1], &outcome, sizeof outcome);
        _exit(written == sizeof outcome ? 0 : 1);
    }
    close(channel[1]);
    Outcome outcome;
    if (read(channel[0], &outcome, sizeof outcome) != sizeof outcome) outcome = {};
    close(channel[0]);
    int status = 0;
    waitpid(child, &status, 0);
    return outcome;
}

// The whole budget is 1 GiB; a refused file may touch a few megabytes on the way.
constexpr int64_t kSmallGrowth = int64_t(64) << 20;

TEST(HostileImages, SmallFilesDeclaringHugeImagesAreRefusedWithoutTheirMemory) {
    std::vector<uint8_t> grey(64 * 64 * 4, 0x80);
    std::vector<uint8_t> cmyk8x8 = TestImages::Jpeg(8, 8, 4, std::vector<uint8_t>(256, 9), true);
    // A 1 x 1 image on a 32768 x 32768 screen: 35 bytes, a full budget of screen.
    std::vector<uint8_t> hugeScreen = {
        'G', 'I', 'F', '8', '9', 'a', 0x00, 0x80, 0x00, 0x80, 0x80, 0, 0, 0,    0,    0, 255, 255,
        255, ',', 0,   0,   0,   0,   1,    0,    1,    0,    0,    2, 2, 0x44, 0x01, 0, ';'};
    std::vector<uint8_t> smallGif =
        TestImages::Gif(4, 4, {{0, 0, 4, 4, std::vector<uint8_t>(16, 1)}});
    // The same image descriptor declaring 16384 x 16384, its 16 pixels of data left as
    // they were.
    std::vector<uint8_t> hugeGifImage = smallGif;
    for (size_t at = 13 + 12; at + 9 < hugeGifImage.size(); ++at)
        if (hugeGifImage[at] == ',') {
            hugeGifImage[at + 5] = 0, hugeGifImage[at + 6] = 0x40;
            hugeGifImage[at + 7] = 0, hugeGifImage[at + 8] = 0x40;
            break;
        }
    std::string tiffPath =
        (fs::temp_directory_path() / ("gx_hostile_" + std::to_string(getpid()) + ".tif")).string();
    std::vector<uint8_t> tiff = TestImages::Tiff(
        tiffPath, {{64, 64, 1, 8, PHOTOMETRIC_MINISBLACK, std::vector<uint8_t>(64 * 64, 7), {}}});
    fs::remove(tiffPath);

    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
    } cases[] = {
        {"tiny progressive CMYK JPEG declaring 16384^2", WithJpegSize(cmyk8x8, 16384, 16384)},
        {"progressive CMYK JPEG long enough, coefficients over the budget",
         WithJpegSize(cmyk8x8, 16384, 8192, 2 << 20)},
        {"baseline JPEG whose scan covers 64 x 64 of 16384^2",
         WithJpegSize(TestImages::Jpeg(64, 64, 3, std::vector<uint8_t>(64 * 64 * 3, 0x80)), 16384,
                      16384)},
        {"35-byte GIF, 1 x 1 image on a 32768^2 screen", hugeScreen},
        {"GIF image declaring 16384^2 over 16 pixels of data", hugeGifImage},
        {"PNG declaring 16384^2 over 64 x 64 of data",
         WithPngSize(
             TestImages::Png(64, 64, PNG_COLOR_TYPE_GRAY, 8, std::vector<uint8_t>(64 * 64, 3)),
             16384, 16384)},
        {"TIFF declaring 16384^2 over 64 x 64 of data",
         WithTiffTag(WithTiffTag(tiff, kTiffWidth, 16384), kTiffLength, 16384)},
    };
    for (const Case& c : cases) {
        Outcome outcome = LoadInChild(c.bytes);
        EXPECT_EQ(outcome.result, GXResultGraphicsError) << c.name;
        EXPECT_GE(outcome.peakGrowthBytes, 0) << c.name;
        EXPECT_LT(outcome.peakGrowthBytes, kSmallGrowth) << c.name;
    }
    // The 35-byte GIF is refused for its screen alone: on a 1024 x 1024 screen it loads.
    std::vector<uint8_t> smallScreen = hugeScreen;
    smallScreen[6] = 0, smallScreen[7] = 4, smallScreen[8] = 0, smallScreen[9] = 4;
    EXPECT_EQ(LoadInChild(smallScreen).result, GXResultSuccess);
}

TEST(HostileImages, FilesCutShortAreRefusedByEveryCodec) {
    std::vector<uint8_t> pixels(32 * 32 * 3);
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = uint8_t(i * 37 / 5);
    std::string tiffPath =
        (fs::temp_directory_path() / ("gx_cut_" + std::to_string(getpid()) + ".tif")).string();
    std::vector<uint8_t> indices(32 * 32);
    for (size_t i = 0; i < indices.size(); ++i) indices[i] = uint8_t(i * 7 / 3 % 4);
    std::vector<uint8_t> files[] = {
        TestImages::Jpeg(32, 32, 3, pixels),
        TestImages::Jpeg(32, 32, 3, pixels, true),
        TestImages::Png(32, 32, PNG_COLOR_TYPE_RGB, 8, pixels),
        TestImages::Gif(32, 32, {{0, 0, 32, 32, indices}}),
    };
    auto load = [](const std::vector<uint8_t>& bytes) {
        GXBitmapRec_* bitmap = nullptr;
        GXResult result = GXCreateBitmapFromMemory(bytes.data(), bytes.size(), &bitmap);
        if (bitmap) GXObjectRelease(reinterpret_cast<GXOBase*>(bitmap));
        return result;
    };
    for (std::vector<uint8_t>& file : files) {
        ASSERT_EQ(load(file), GXResultSuccess);
        for (size_t keep : {file.size() / 2, file.size() * 3 / 4, file.size() - 8})
            EXPECT_EQ(load(std::vector<uint8_t>(file.begin(), file.begin() + ptrdiff_t(keep))),
                      GXResultGraphicsError)
                << int(file[0]) << " kept " << keep << " of " << file.size();
    }
    // libtiff writes its directory after the pixels, so a cut file loses the directory
    // first; the pixels are cut short by moving them to the end instead, where the last
    // bytes of their strip lie past the end of the file.
    std::vector<uint8_t> tiff =
        TestImages::Tiff(tiffPath, {{32, 32, 3, 8, PHOTOMETRIC_RGB, pixels, {}}});
    fs::remove(tiffPath);
    ASSERT_EQ(load(tiff), GXResultSuccess);
    EXPECT_EQ(load(WithTiffTag(tiff, kTiffStripOffsets, uint32_t(tiff.size() - 100))),
              GXResultGraphicsError);
}

TEST(HostileImages, PathsNamingNoRegularFileNeverBlock) {
    // A FIFO without a writer (or reader), a device and a directory: each is refused at
    // once. A blocking open would hang here; the alarm turns that into a failure.
    fs::path dir = fs::temp_directory_path() / ("gx_fifo_" + std::to_string(getpid()));
    fs::create_directories(dir);
    std::string fifo = (dir / "pipe.png").string();
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    // Devices under names with an image extension, so that saving gets as far as the file.
    fs::create_symlink("/dev/zero", dir / "zero.png");
    fs::create_symlink("/dev/null", dir / "null.png");
    alarm(30);
    GXBitmapDesc desc{2, 2, GXPixelFormatRGB24, 96, 96};
    GXBitmapRec_* source = nullptr;
    ASSERT_EQ(GXCreateBitmap(&desc, &source), GXResultSuccess);
    for (const std::string& path : {fifo, (dir / "zero.png").string(), dir.string()}) {
        std::vector<uint16_t> name(path.begin(), path.end());
        name.push_back(0);
        GXBitmapRec_* bitmap = nullptr;
        uint32_t count = 0;
        EXPECT_EQ(GXCreateBitmapFromFile(name.data(), &bitmap), GXResultGraphicsError) << path;
        EXPECT_EQ(GXCreateBitmapFromFileFrame(name.data(), 0, &count, &bitmap),
                  GXResultGraphicsError)
            << path;
        EXPECT_EQ(bitmap, nullptr);
    }
    for (const std::string& path : {fifo, (dir / "null.png").string()}) {
        std::vector<uint16_t> name(path.begin(), path.end());
        name.push_back(0);
        EXPECT_EQ(GXBitmapSaveToFile(source, name.data()), GXResultGraphicsError) << path;
    }
    alarm(0);
    struct stat info;
    EXPECT_EQ(stat(fifo.c_str(), &info), 0);  // the FIFO is left as it was
    EXPECT_TRUE(S_ISFIFO(info.st_mode));
    GXObjectRelease(reinterpret_cast<GXOBase*>(source));
    fs::remove_all(dir);
}

}  // namespace
