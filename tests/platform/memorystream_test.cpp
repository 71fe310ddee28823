// The memory stream over global memory: reads, seeks, sizes and ownership of the block.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/hostcom.h"

namespace {

HGLOBAL MakeBlock(const char* text) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, std::strlen(text));
    std::memcpy(GlobalLock(block), text, std::strlen(text));
    GlobalUnlock(block);
    return block;
}

TEST(MemoryStream, ReadsSeeksAndReportsItsSize) {
    HGLOBAL block = MakeBlock("abcdefgh");
    IStream* stream = nullptr;
    ASSERT_EQ(CreateStreamOnHGlobal(block, 0, &stream), S_OK);
    STATSTG stat{};
    ASSERT_EQ(stream->Stat(&stat, STATFLAG_NONAME), S_OK);
    EXPECT_EQ(stat.cbSize.QuadPart, 8u);
    char buffer[8] = {};
    ULONG read = 0;
    EXPECT_EQ(stream->Read(buffer, 3, &read), S_OK);
    EXPECT_EQ(read, 3u);
    EXPECT_EQ(std::memcmp(buffer, "abc", 3), 0);
    ULARGE_INTEGER position{};
    EXPECT_EQ(stream->Seek(LARGE_INTEGER{-2}, STREAM_SEEK_END, &position), S_OK);
    EXPECT_EQ(position.QuadPart, 6u);
    EXPECT_EQ(stream->Read(buffer, 5, &read), S_FALSE);  // only two bytes are left
    EXPECT_EQ(read, 2u);
    EXPECT_EQ(std::memcmp(buffer, "gh", 2), 0);
    // Past the end reads nothing; before the start is refused and leaves the position.
    EXPECT_EQ(stream->Seek(LARGE_INTEGER{100}, STREAM_SEEK_SET, nullptr), S_OK);
    EXPECT_EQ(stream->Read(buffer, 1, &read), S_FALSE);
    EXPECT_EQ(read, 0u);
    EXPECT_EQ(stream->Seek(LARGE_INTEGER{-1}, STREAM_SEEK_SET, nullptr), STG_E_INVALIDFUNCTION);
    EXPECT_EQ(stream->Seek(LARGE_INTEGER{INT64_MAX}, STREAM_SEEK_CUR, nullptr),
              STG_E_INVALIDFUNCTION);
    EXPECT_EQ(stream->Seek(LARGE_INTEGER{0}, 7, nullptr), STG_E_INVALIDFUNCTION);
    EXPECT_EQ(stream->Write("x", 1, nullptr), STG_E_ACCESSDENIED);
    // The stream was told not to free the block: it outlives the stream.
    EXPECT_EQ(stream->Release(), 0u);
    EXPECT_EQ(GlobalSize(block), 8u);
    EXPECT_EQ(GlobalFree(block), nullptr);
}

TEST(MemoryStream, CountsReferencesAndCanOwnTheBlock) {
    IStream* stream = nullptr;
    ASSERT_EQ(CreateStreamOnHGlobal(MakeBlock("xy"), 1, &stream), S_OK);
    EXPECT_EQ(stream->AddRef(), 2u);
    EXPECT_EQ(stream->Release(), 1u);
    EXPECT_EQ(stream->Release(), 0u);  // frees the block too (the sanitizer run checks it)
}

TEST(MemoryStream, RejectsMissingArguments) {
    IStream* stream = nullptr;
    EXPECT_EQ(CreateStreamOnHGlobal(nullptr, 0, &stream), E_INVALIDARG);
    HGLOBAL block = MakeBlock("z");
    EXPECT_EQ(CreateStreamOnHGlobal(block, 1, nullptr), E_POINTER);
    GlobalFree(block);
    EXPECT_EQ(GlobalAlloc(0x40, 4), nullptr);  // zero-initialised blocks are not offered
    EXPECT_EQ(GlobalLock(nullptr), nullptr);
}

}  // namespace
