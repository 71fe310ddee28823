// Bitmap's image-file operations raise the fixed messages callers can rely on.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "exceptionmessage.h"
#include "graphics/bitmap/bitmap.h"
#include "graphics/core/exception.h"

namespace {

namespace fs = std::filesystem;
using Graphics::Bitmap;

std::vector<uint16_t> Utf16(const std::string& ascii) {
    std::vector<uint16_t> out(ascii.begin(), ascii.end());
    out.push_back(0);
    return out;
}

// The message of the Graphics::Exception `body` raises, or "" when it raises none.
class BitmapFileMessages : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("gx_bitmapfile_messages_" + std::to_string(::getpid()));
        fs::create_directories(dir_);
        bitmap_ = Bitmap::Create(GXBitmapDesc{4, 3, GXPixelFormatRGB24, 96, 96});
        bitmap_->ColorFill(nullptr, 0xff336699);
    }
    void TearDown() override { fs::remove_all(dir_); }
    std::vector<uint16_t> Path(const char* name) const { return Utf16((dir_ / name).string()); }

    fs::path dir_;
    std::shared_ptr<Bitmap> bitmap_;
};

TEST_F(BitmapFileMessages, UnknownExtensionNamesTheProblem) {
    EXPECT_EQ(MessageOf([&] { bitmap_->SaveToFile(Path("x.JPG").data()); }),
              "Failed to save bitmap: Unknown file format");
    EXPECT_EQ(MessageOf([&] { bitmap_->SaveToFile(Path("x.jpg").data()); }), "");
}

TEST_F(BitmapFileMessages, WriteFailureIsAFailedSave) {
    EXPECT_EQ(MessageOf([&] { bitmap_->SaveToFile(Path("no/such/dir/x.png").data()); }),
              "Failed to save bitmap");
    // A bitmap no file can hold (no pixels, negative size) is a failed save too.
    for (int32_t width : {-4, 0}) {
        auto empty = Bitmap::Create(GXBitmapDesc{width, 3, GXPixelFormatRGB24, 96, 96});
        EXPECT_EQ(MessageOf([&] { empty->SaveToFile(Path("empty.png").data()); }),
                  "Failed to save bitmap");
    }
}

TEST_F(BitmapFileMessages, LoadFailuresAndFrameRange) {
    EXPECT_EQ(MessageOf([&] { Bitmap::LoadFromFile(Path("missing.png").data()); }),
              "Failed to load");
    uint8_t garbage[16] = {'G', 'I', 'F', '8', '9', 'a'};
    EXPECT_EQ(MessageOf([&] { Bitmap::LoadFromMemory(garbage, sizeof garbage); }),
              "Failed to load");
    bitmap_->SaveToFile(Path("one.bmp").data());
    uint32_t count = 0;
    EXPECT_EQ(MessageOf([&] { Bitmap::LoadFromFileEx(Path("one.bmp").data(), 1, &count); }),
              "Failed to load. Frame index is out of range.");
    EXPECT_EQ(count, 1u);
    auto loaded = Bitmap::LoadFromFileEx(Path("one.bmp").data(), 0, &count);
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->GetSize().width, 4);
}

}  // namespace
