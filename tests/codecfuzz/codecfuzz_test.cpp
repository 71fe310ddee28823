// Every decoder fed thousands of deterministic mutations of small valid files: each call
// must return, succeed or fail, without touching memory it does not own (the sanitizer
// build runs this too) and without allocating past the pixel limit.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "../platform/testimages.h"
#include "gx.h"
#include "platform/imagecodec.h"

namespace {

using Host::ImageCodec;
using Host::ImageFrame;

// xorshift64*: the same sequence on every run, so a failure can be replayed.
class Random {
public:
    explicit Random(uint64_t seed) : state_(seed | 1) {}
    uint64_t Next() {
        state_ ^= state_ >> 12;
        state_ ^= state_ << 25;
        state_ ^= state_ >> 27;
        return state_ * 0x2545f4914f6cdd1dull;
    }
    size_t Below(size_t n) { return n ? size_t(Next() % n) : 0; }

private:
    uint64_t state_;  // never 0
};

// A frame of `format` with a busy pattern, to be encoded by the host's own encoders.
ImageFrame PatternFrame(uint32_t width, uint32_t height, GXPixelFormat format) {
    ImageFrame frame;
    EXPECT_EQ(frame.Allocate(width, height, format), Host::CodecResult::Ok);
    for (uint32_t y = 0; y < height; ++y)
        for (int32_t i = 0; i < frame.stride; ++i)
            frame.Row(y)[i] = uint8_t((i * 37 + y * 11) ^ (i >> 3));
    return frame;
}

std::vector<uint8_t> Encode(const ImageCodec& codec, const ImageFrame& frame) {
    std::vector<uint8_t> out;
    EXPECT_EQ(codec.encode(frame, out), Host::CodecResult::Ok) << codec.mimeType;
    return out;
}

// Small valid files of every format, in the layouts the decoders treat differently.
std::vector<std::vector<uint8_t>> Seeds(const std::string& scratch) {
    std::vector<std::vector<uint8_t>> seeds;
    ImageFrame rgb = PatternFrame(24, 16, GXPixelFormatRGB24);
    ImageFrame argb = PatternFrame(17, 9, GXPixelFormatARGB32);
    for (const ImageCodec* codec : Host::kImageCodecs) {
        seeds.push_back(Encode(*codec, rgb));
        seeds.push_back(Encode(*codec, argb));
    }
    std::vector<uint8_t> indices(16 * 8);
    for (size_t i = 0; i < indices.size(); ++i) indices[i] = uint8_t(i * 7 % 16);
    std::vector<uint8_t> packed(8 * 8);
    for (size_t i = 0; i < packed.size(); ++i)
        packed[i] = uint8_t(indices[2 * i] << 4 | indices[2 * i + 1]);
    std::vector<uint8_t> palette(16 * 3);
    for (size_t i = 0; i < palette.size(); ++i) palette[i] = uint8_t(i * 16);
    seeds.push_back(TestImages::Png(16, 8, PNG_COLOR_TYPE_PALETTE, 4, packed, palette, {0, 128}));
    seeds.push_back(TestImages::Png(16, 8, PNG_COLOR_TYPE_GRAY, 8, indices));
    seeds.push_back(TestImages::Jpeg(16, 8, 1, std::vector<uint8_t>(128, 90)));
    seeds.push_back(TestImages::Jpeg(8, 8, 4, std::vector<uint8_t>(256, 60)));
    TestImages::TiffPage grey{16, 8, 1, 8, PHOTOMETRIC_MINISBLACK, indices, {}};
    TestImages::TiffPage pal{
        16, 8, 1, 4, PHOTOMETRIC_PALETTE, packed, std::vector<uint16_t>(48, 0x4000)};
    TestImages::TiffPage deep{4, 4, 3, 16, PHOTOMETRIC_RGB, std::vector<uint8_t>(96, 0x55), {}};
    seeds.push_back(TestImages::Tiff(scratch, {grey, pal, deep}));
    std::vector<uint8_t> small(4 * 9);
    for (size_t i = 0; i < small.size(); ++i) small[i] = uint8_t(i % 4);
    seeds.push_back(TestImages::Gif(6, 10,
                                    {{0, 0, 4, 9, small, -1, false},
                                     {2, 1, 4, 9, small, 2, true},
                                     {1, 0, 4, 9, small, -1, false}}));
    return seeds;
}

// One to four edits of the kinds that break parsers: bit flips, boundary values, large
// numbers in length and size fields, cuts and duplicated runs.
void Mutate(std::vector<uint8_t>& bytes, Random& random) {
    int edits = 1 + int(random.Below(4));
    for (int e = 0; e < edits && !bytes.empty(); ++e) {
        size_t at = random.Below(bytes.size());
        switch (random.Below(6)) {
            case 0:
                bytes[at] ^= uint8_t(1u << random.Below(8));
                break;
            case 1: {
                static constexpr uint8_t kValues[] = {0x00, 0xff, 0x7f, 0x80, 0x01, 0xfe};
                bytes[at] = kValues[random.Below(6)];
                break;
            }
            case 2:
                for (size_t i = at; i < bytes.size() && i < at + 4; ++i)
                    bytes[i] = uint8_t(random.Next());
                break;
            case 3:
                bytes.resize(at + 1);
                break;
            case 4: {
                size_t length = 1 + random.Below(std::min<size_t>(32, bytes.size() - at));
                std::vector<uint8_t> run(bytes.begin() + std::ptrdiff_t(at),
                                         bytes.begin() + std::ptrdiff_t(at + length));
                bytes.insert(bytes.begin() + std::ptrdiff_t(random.Below(bytes.size())),
                             run.begin(), run.end());
                break;
            }
            default:
                bytes.erase(bytes.begin() + std::ptrdiff_t(at));
                break;
        }
    }
}

// Decodes through every path: the matching codec's frame count and a chosen frame, and the
// export that callers use.
void DecodeEverything(const std::vector<uint8_t>& bytes, Random& random) {
    for (const ImageCodec* codec : Host::kImageCodecs) {
        if (!codec->matches(bytes.data(), bytes.size())) continue;
        uint32_t count = 0;
        if (codec->countFrames(bytes.data(), bytes.size(), &count) == Host::CodecResult::Ok) {
            ImageFrame frame;
            uint32_t index = uint32_t(random.Below(count + 1));
            if (codec->decode(bytes.data(), bytes.size(), index, frame) == Host::CodecResult::Ok) {
                ASSERT_LT(index, count);
                uint64_t bytesUsed = uint64_t(frame.stride) * frame.height;
                ASSERT_LE(bytesUsed, ImageFrame::kMaxDecodeBytes);
                ASSERT_GT(frame.width, 0u);
                // Every pixel byte is there to be read.
                volatile uint8_t sum = 0;
                sum = sum + frame.Row(frame.height - 1)[frame.stride - 1] + frame.Row(0)[0];
            }
        }
    }
    GXBitmapRec_* bitmap = nullptr;
    if (GXCreateBitmapFromMemory(bytes.data(), bytes.size(), &bitmap) == GXResultSuccess)
        GXObjectRelease(reinterpret_cast<GXOBase*>(bitmap));
}

TEST(CodecFuzz, MutatedFilesNeverCrash) {
    std::string scratch = (std::filesystem::temp_directory_path() /
                           ("gx_codecfuzz_" + std::to_string(::getpid()) + ".tif"))
                              .string();
    std::vector<std::vector<uint8_t>> seeds = Seeds(scratch);
    std::filesystem::remove(scratch);
    // The seeds themselves decode: the mutations start from valid files.
    for (const std::vector<uint8_t>& seed : seeds) {
        GXBitmapRec_* bitmap = nullptr;
        ASSERT_EQ(GXCreateBitmapFromMemory(seed.data(), seed.size(), &bitmap), GXResultSuccess);
        GXObjectRelease(reinterpret_cast<GXOBase*>(bitmap));
    }
    Random random(0x6a09e667f3bcc909ull);
    constexpr int kRoundsPerSeed = 600;
    for (size_t s = 0; s < seeds.size(); ++s) {
        for (int round = 0; round < kRoundsPerSeed; ++round) {
            std::vector<uint8_t> bytes = seeds[s];
            Mutate(bytes, random);
            SCOPED_TRACE("seed " + std::to_string(s) + " round " + std::to_string(round));
            DecodeEverything(bytes, random);
            if (HasFatalFailure()) return;
        }
    }
}

}  // namespace
