// Image files: decoding and encoding a 4-megapixel PNG and JPEG through the exports, beside
// libpng and libjpeg-turbo called directly on the same pixels and files in the same run.
// The difference is the library's layer: reading the file into memory, the copy from the
// decoded image into the bitmap (or from the bitmap into the image to encode), and the
// codec set-up the exports share.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <jpeglib.h>
#include <png.h>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "gx.h"

namespace {

constexpr int kSide = 2048;  // 4 megapixels

// A photograph-like RGB24 image (smooth gradients with fine texture) and its files.
struct Fixture {
    std::filesystem::path dir;
    GXBitmapRec_* bitmap = nullptr;
    std::vector<uint8_t> bgr;  // the same pixels, rows packed, for the direct calls
    std::string png, jpeg, outPng, outJpeg;

    Fixture() {
        dir =
            std::filesystem::temp_directory_path() / ("gx_codec_bench_" + std::to_string(getpid()));
        std::filesystem::create_directories(dir);
        GXBitmapDesc desc{kSide, kSide, GXPixelFormatRGB24, 96, 96};
        GXCreateBitmap(&desc, &bitmap);
        bgr.resize(size_t(kSide) * kSide * 3);
        uint32_t noise = 12345;
        for (int y = 0; y < kSide; ++y)
            for (int x = 0; x < kSide; ++x) {
                noise = noise * 1103515245u + 12345u;
                uint8_t* p = &bgr[(size_t(y) * kSide + x) * 3];
                p[0] = uint8_t(x / 8 + (noise >> 28));
                p[1] = uint8_t(y / 8 + ((noise >> 24) & 7));
                p[2] = uint8_t((x + y) / 16 + ((noise >> 20) & 3));
            }
        GXBitmapData memory{bgr.data(), kSide * 3, kSide * 3};
        GXBitmapCopyFromMemory(bitmap, nullptr, &memory);
        png = (dir / "in.png").string();
        jpeg = (dir / "in.jpg").string();
        outPng = (dir / "out.png").string();
        outJpeg = (dir / "out.jpg").string();
        GXBitmapSaveToFile(bitmap, Utf16(png).data());
        GXBitmapSaveToFile(bitmap, Utf16(jpeg).data());
    }
    ~Fixture() {
        GXObjectRelease(reinterpret_cast<GXOBase*>(bitmap));
        std::filesystem::remove_all(dir);
    }
    static std::vector<uint16_t> Utf16(const std::string& ascii) {
        std::vector<uint16_t> out(ascii.begin(), ascii.end());
        out.push_back(0);
        return out;
    }
};

Fixture& TheFixture() {
    static Fixture fixture;
    return fixture;
}

void GxDecode(benchmark::State& state, const std::string& path) {
    std::vector<uint16_t> name = Fixture::Utf16(path);
    for (auto _ : state) {
        GXBitmapRec_* bitmap = nullptr;
        if (GXCreateBitmapFromFile(name.data(), &bitmap) != GXResultSuccess)
            state.SkipWithError("load");
        GXObjectRelease(reinterpret_cast<GXOBase*>(bitmap));
    }
}

void GxEncode(benchmark::State& state, const std::string& path) {
    std::vector<uint16_t> name = Fixture::Utf16(path);
    for (auto _ : state)
        if (GXBitmapSaveToFile(TheFixture().bitmap, name.data()) != GXResultSuccess)
            state.SkipWithError("save");
}

void BM_GxDecodePng(benchmark::State& state) {
    GxDecode(state, TheFixture().png);
}

void BM_LibpngDecodePng(benchmark::State& state) {
    for (auto _ : state) {
        std::FILE* file = std::fopen(TheFixture().png.c_str(), "rb");
        png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
        png_infop info = png_create_info_struct(png);
        png_init_io(png, file);
        png_read_info(png, info);
        png_set_bgr(png);
        png_read_update_info(png, info);
        uint32_t width = png_get_image_width(png, info), height = png_get_image_height(png, info);
        size_t stride = png_get_rowbytes(png, info);
        auto* pixels = static_cast<uint8_t*>(std::malloc(stride * height));
        std::vector<png_bytep> rows(height);
        for (uint32_t y = 0; y < height; ++y) rows[y] = pixels + y * stride;
        png_read_image(png, rows.data());
        png_read_end(png, nullptr);
        png_destroy_read_struct(&png, &info, nullptr);
        std::fclose(file);
        benchmark::DoNotOptimize(pixels[width]);
        std::free(pixels);
    }
}

void BM_GxEncodePng(benchmark::State& state) {
    GxEncode(state, TheFixture().outPng);
}

void BM_LibpngEncodePng(benchmark::State& state) {
    const Fixture& f = TheFixture();
    for (auto _ : state) {
        std::FILE* file = std::fopen(f.outPng.c_str(), "wb");
        png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
        png_infop info = png_create_info_struct(png);
        png_init_io(png, file);
        png_set_IHDR(png, info, kSide, kSide, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                     PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        png_set_pHYs(png, info, 3780, 3780, PNG_RESOLUTION_METER);
        png_write_info(png, info);
        png_set_bgr(png);
        for (int y = 0; y < kSide; ++y) png_write_row(png, &f.bgr[size_t(y) * kSide * 3]);
        png_write_end(png, nullptr);
        png_destroy_write_struct(&png, &info);
        std::fclose(file);
    }
}

void BM_GxDecodeJpeg(benchmark::State& state) {
    GxDecode(state, TheFixture().jpeg);
}

void BM_LibjpegDecodeJpeg(benchmark::State& state) {
    for (auto _ : state) {
        std::FILE* file = std::fopen(TheFixture().jpeg.c_str(), "rb");
        jpeg_decompress_struct cinfo;
        jpeg_error_mgr errors;
        cinfo.err = jpeg_std_error(&errors);
        jpeg_create_decompress(&cinfo);
        jpeg_stdio_src(&cinfo, file);
        jpeg_read_header(&cinfo, TRUE);
        cinfo.out_color_space = JCS_EXT_BGR;
        jpeg_start_decompress(&cinfo);
        size_t stride = size_t(cinfo.output_width) * 3;
        auto* pixels = static_cast<uint8_t*>(std::malloc(stride * cinfo.output_height));
        while (cinfo.output_scanline < cinfo.output_height) {
            JSAMPROW row = pixels + cinfo.output_scanline * stride;
            jpeg_read_scanlines(&cinfo, &row, 1);
        }
        jpeg_finish_decompress(&cinfo);
        jpeg_destroy_decompress(&cinfo);
        std::fclose(file);
        benchmark::DoNotOptimize(pixels[stride]);
        std::free(pixels);
    }
}

void BM_GxEncodeJpeg(benchmark::State& state) {
    GxEncode(state, TheFixture().outJpeg);
}

void BM_LibjpegEncodeJpeg(benchmark::State& state) {
    const Fixture& f = TheFixture();
    for (auto _ : state) {
        std::FILE* file = std::fopen(f.outJpeg.c_str(), "wb");
        jpeg_compress_struct cinfo;
        jpeg_error_mgr errors;
        cinfo.err = jpeg_std_error(&errors);
        jpeg_create_compress(&cinfo);
        jpeg_stdio_dest(&cinfo, file);
        cinfo.image_width = kSide;
        cinfo.image_height = kSide;
        cinfo.input_components = 3;
        cinfo.in_color_space = JCS_EXT_BGR;
        jpeg_set_defaults(&cinfo);
        jpeg_set_quality(&cinfo, 75, TRUE);
        cinfo.density_unit = 1;
        cinfo.X_density = cinfo.Y_density = 96;
        jpeg_start_compress(&cinfo, TRUE);
        while (cinfo.next_scanline < cinfo.image_height) {
            JSAMPROW row = const_cast<uint8_t*>(&f.bgr[size_t(cinfo.next_scanline) * kSide * 3]);
            jpeg_write_scanlines(&cinfo, &row, 1);
        }
        jpeg_finish_compress(&cinfo);
        jpeg_destroy_compress(&cinfo);
        std::fclose(file);
    }
}

BENCHMARK(BM_GxDecodePng)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_LibpngDecodePng)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_GxEncodePng)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_LibpngEncodePng)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_GxDecodeJpeg)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_LibjpegDecodeJpeg)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_GxEncodeJpeg)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_LibjpegEncodeJpeg)->Unit(benchmark::kMillisecond)->MinTime(1.0);

}  // namespace

BENCHMARK_MAIN();
