#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "graphics/core/diagnosticlisteners.h"
#include "graphics/core/exception.h"
#include "graphics/api/exportguard.h"
#include "graphics/core/processheap.h"

namespace Graphics {
namespace {

struct RecordingListener : DiagnosticListener {
    std::vector<std::string> texts;
    void OnDiagnostic(const std::string& text) override { texts.push_back(text); }
};

struct Thrower {
    static constexpr int kRaiseLine = __LINE__ + 1;
    [[noreturn]] static void Fail() { GX_RAISE("Not enough memory"); }
};

TEST(Exception, CarriesTheMessageAloneAndTellsListenersWhereItCameFrom) {
    RecordingListener first, second;
    DiagnosticListeners::Add(&first);
    DiagnosticListeners::Add(&second);
    try {
        Thrower::Fail();
        FAIL() << "no exception";
    } catch (const Exception& e) {
        EXPECT_STREQ(e.what(), "Not enough memory");
    }
    DiagnosticListeners::Remove(&first);
    DiagnosticListeners::Remove(&second);

    ASSERT_EQ(first.texts.size(), 1u);
    EXPECT_EQ(first.texts, second.texts);
    std::string expected = "Exception in Graphics::{anonymous}::Thrower::Fail (" +
                           std::string(__FILE__) + ", " + std::to_string(Thrower::kRaiseLine) +
                           "):\n\tNot enough memory";
    EXPECT_EQ(first.texts[0], expected);

    // Removed listeners hear nothing more.
    EXPECT_THROW(Thrower::Fail(), Exception);
    EXPECT_EQ(first.texts.size(), 1u);
}

TEST(Exception, QualifiedNameDropsReturnTypeAndParameters) {
    EXPECT_EQ(QualifiedFunctionName("static void* Graphics::ProcessHeap::Alloc(size_t)"),
              "Graphics::ProcessHeap::Alloc");
    EXPECT_EQ(QualifiedFunctionName("Graphics::Palette::Palette(const uint32_t*, size_t)"),
              "Graphics::Palette::Palette");
    EXPECT_EQ(QualifiedFunctionName(
                  "std::vector<int, std::allocator<int> > Graphics::Make(int) [with T = int]"),
              "Graphics::Make");
}

TEST(ExportGuard, TurnsExceptionsIntoResultCodes) {
    EXPECT_EQ(ExportGuard([] {}), GXResultSuccess);
    EXPECT_EQ(ExportGuard([] { return GXResultOutOfRange; }), GXResultOutOfRange);
    EXPECT_EQ(ExportGuard([] { GX_RAISE("Bad format conversion"); }), GXResultGraphicsError);
    EXPECT_EQ(ExportGuard([] { throw std::bad_alloc(); }), GXResultGraphicsError);
    EXPECT_EQ(ExportGuard([] { throw 42; }), GXResultUnexpected);
}

TEST(ExportGuard, AnyUnusableSpotsMissingPointersAndHandlesOfAnotherKind) {
    int a = 0;
    float b = 0;
    EXPECT_FALSE(AnyUnusable(&a, &b));
    EXPECT_TRUE(AnyUnusable(&a, static_cast<float*>(nullptr)));
    EXPECT_TRUE(AnyUnusable(static_cast<int*>(nullptr), &b));
    GXBrushRec_ brush(nullptr);
    GXBitmapRec_ bitmap(nullptr);
    auto* brushAsBitmap = reinterpret_cast<GXBitmapRec_*>(static_cast<GXOBase*>(&brush));
    EXPECT_FALSE(AnyUnusable(&bitmap, &a));
    EXPECT_TRUE(AnyUnusable(&a, brushAsBitmap));
    EXPECT_TRUE(IsWrongKind(brushAsBitmap));
    EXPECT_FALSE(IsWrongKind(static_cast<GXBitmapRec_*>(nullptr)));
}

TEST(ProcessHeap, AlignedBlocksAreAlignedAndFailuresRaise) {
    for (size_t size : {0u, 1u, 15u, 16u, 17u, 1000u}) {
        void* block = ProcessHeap::AllocAligned(size);
        EXPECT_EQ(reinterpret_cast<uintptr_t>(block) % 16, 0u);
        ProcessHeap::Free(block);
    }
    EXPECT_THROW(ProcessHeap::AllocAligned(SIZE_MAX - 3), Exception);
    EXPECT_THROW(ProcessHeap::Alloc(SIZE_MAX / 2), Exception);

    // A failed Realloc leaves the old block valid.
    auto* block = static_cast<unsigned char*>(ProcessHeap::Alloc(4));
    block[3] = 7;
    EXPECT_THROW(ProcessHeap::Realloc(block, SIZE_MAX / 2), Exception);
    EXPECT_EQ(block[3], 7);
    block = static_cast<unsigned char*>(ProcessHeap::Realloc(block, 4096));
    EXPECT_EQ(block[3], 7);
    ProcessHeap::Free(block);
}

}  // namespace
}  // namespace Graphics
