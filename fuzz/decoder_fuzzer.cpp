// Image files from memory and from a file, frames 0 to 3: whatever the bytes, a decode
// returns a documented result, and a bitmap it makes is whole (its pixels can be read and
// drawn). The file goes to one path per process, so the file loaders see the same bytes.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "gx.h"

namespace {

[[noreturn]] void Fail(const char* what, GXResult result) {
    std::fprintf(stderr, "decoder_fuzzer: %s (result %d)\n", what, int(result));
    std::abort();
}

void Check(GXResult result) {
    if (result != GXResultSuccess && result != GXResultNoResult &&
        result != GXResultInvalidArg && result != GXResultOutOfRange &&
        result != GXResultGraphicsError)
        Fail("an unexpected result", result);
}

// Reads every pixel through a conversion to PARGB32 and draws the bitmap on a small target.
void Exercise(GXBitmapRec_* bitmap) {
    GXIntSize size{};
    if (GXBitmapGetSize(bitmap, &size) != GXResultSuccess) Fail("no size", 0);
    const GXBitmapDesc desc{size.width, size.height, GXPixelFormatPARGB32, 96, 96};
    GXBitmapRec_* copy = nullptr;
    if (int64_t(size.width) * size.height <= 512 * 512 &&
        GXCreateBitmap(&desc, &copy) == GXResultSuccess) {
        Check(GXBitmapCopyFromBitmap(copy, nullptr, bitmap, nullptr));
        GXObjectRelease(GX_HANDLE(copy));
    }
    const GXBitmapDesc small{16, 16, GXPixelFormatPARGB32, 96, 96};
    GXBitmapRec_* canvas = nullptr;
    GXRenderTargetRec_* target = nullptr;
    if (GXCreateBitmap(&small, &canvas) != GXResultSuccess) return;
    if (GXCreateRenderTargetBitmap(canvas, &target) == GXResultSuccess) {
        GXRenderTargetBeginPaint(target);
        const GXMatrix shrink{16.f / float(size.width + 1), 0, 0, 16.f / float(size.height + 1), 0, 0};
        GXRenderTargetSetCTM(target, &shrink);
        Check(GXRenderTargetDrawBitmap(target, bitmap, 1, 1));
        GXRenderTargetEndPaint(target);
        GXObjectRelease(GX_HANDLE(target));
    }
    GXObjectRelease(GX_HANDLE(canvas));
}

std::vector<uint16_t> FilePath() {
    const std::string path = "/tmp/gx_decoder_fuzz_" + std::to_string(getpid());
    return std::vector<uint16_t>(path.begin(), path.end() + 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    GXBitmapRec_* bitmap = nullptr;
    GXResult result = GXCreateBitmapFromMemory(size ? data : nullptr, size, &bitmap);
    Check(result);
    if (result == GXResultSuccess) {
        Exercise(bitmap);
        GXObjectRelease(GX_HANDLE(bitmap));
    }

    static const std::vector<uint16_t> path = FilePath();
    const std::string narrow(path.begin(), path.end() - 1);
    FILE* file = std::fopen(narrow.c_str(), "wb");
    if (!file) return 0;
    std::fwrite(data, 1, size, file);
    std::fclose(file);
    for (int32_t frame = 0; frame < 4; ++frame) {
        uint32_t frames = 0;
        bitmap = nullptr;
        result = GXCreateBitmapFromFileFrame(path.data(), frame, &frames, &bitmap);
        Check(result);
        if (result == GXResultSuccess) {
            Exercise(bitmap);
            GXObjectRelease(GX_HANDLE(bitmap));
        }
        if (frame + 1 >= int32_t(frames)) break;
    }
    return 0;
}
