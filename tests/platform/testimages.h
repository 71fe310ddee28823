#pragma once

// Small image files made with the codec libraries themselves, so that tests can feed the
// host's decoders layouts our encoders never write (grey, palette, 16-bit, CMYK, pages,
// animation frames).
#include <gif_lib.h>
#include <png.h>
#include <tiffio.h>

#include <jpeglib.h>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace TestImages {

// A PNG of `colorType` and `bitDepth` whose packed rows are `rows` (height rows of
// rowBytes each). `palette` is RGB triples, `trns` the tRNS bytes, both optional.
inline std::vector<uint8_t> Png(uint32_t width, uint32_t height, int colorType, int bitDepth,
                                const std::vector<uint8_t>& rows,
                                const std::vector<uint8_t>& palette = {},
                                const std::vector<uint8_t>& trns = {}) {
    std::vector<uint8_t> out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_set_write_fn(
        png, &out,
        [](png_structp p, png_bytep data, size_t n) {
            auto* v = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(p));
            v->insert(v->end(), data, data + n);
        },
        nullptr);
    png_set_IHDR(png, info, width, height, bitDepth, colorType, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (!palette.empty())
        png_set_PLTE(png, info, reinterpret_cast<png_const_colorp>(palette.data()),
                     int(palette.size() / 3));
    if (!trns.empty()) {
        if (colorType == PNG_COLOR_TYPE_PALETTE) {
            png_set_tRNS(png, info, trns.data(), int(trns.size()), nullptr);
        } else {
            png_color_16 value{};
            value.gray = trns[0];
            value.red = trns[0], value.green = trns.size() > 1 ? trns[1] : 0,
            value.blue = trns.size() > 2 ? trns[2] : 0;
            png_set_tRNS(png, info, nullptr, 0, &value);
        }
    }
    png_write_info(png, info);
    size_t rowBytes = rows.size() / height;
    for (uint32_t y = 0; y < height; ++y) png_write_row(png, rows.data() + y * rowBytes);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

// A JPEG of 1 (grey), 3 (RGB) or 4 (CMYK, written with the Adobe marker) components,
// baseline or progressive.
inline std::vector<uint8_t> Jpeg(uint32_t width, uint32_t height, int components,
                                 const std::vector<uint8_t>& pixels, bool progressive = false) {
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr errors;
    cinfo.err = jpeg_std_error(&errors);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = width;
    cinfo.image_height = height;
    cinfo.input_components = components;
    cinfo.in_color_space = components == 1 ? JCS_GRAYSCALE : components == 3 ? JCS_RGB : JCS_CMYK;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 95, TRUE);
    if (progressive) jpeg_simple_progression(&cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < height) {
        JSAMPROW row =
            const_cast<uint8_t*>(pixels.data()) + cinfo.next_scanline * width * components;
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::vector<uint8_t> out(buffer, buffer + size);
    std::free(buffer);
    return out;
}

// One page of a TIFF file.
struct TiffPage {
    uint32_t width, height;
    uint16_t samples, bits, photometric;
    std::vector<uint8_t> rows;       // packed rows, contiguous samples
    std::vector<uint16_t> colormap;  // 3 * 2^bits entries for palette pages
};

inline std::vector<uint8_t> ReadFile(const std::string& path) {
    std::vector<uint8_t> out;
    if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
        int c;
        while ((c = std::fgetc(f)) != EOF) out.push_back(uint8_t(c));
        std::fclose(f);
    }
    return out;
}

// A TIFF file of the pages, written to `path` and read back.
inline std::vector<uint8_t> Tiff(const std::string& path, const std::vector<TiffPage>& pages) {
    TIFF* tiff = TIFFOpen(path.c_str(), "w");
    for (const TiffPage& page : pages) {
        TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, page.width);
        TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, page.height);
        TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, page.samples);
        TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, page.bits);
        TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, page.photometric);
        TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
        TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_NONE);
        if (!page.colormap.empty()) {
            size_t n = page.colormap.size() / 3;
            TIFFSetField(tiff, TIFFTAG_COLORMAP, page.colormap.data(), page.colormap.data() + n,
                         page.colormap.data() + 2 * n);
        }
        size_t rowBytes = page.rows.size() / page.height;
        TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, page.height);
        for (uint32_t y = 0; y < page.height; ++y)
            TIFFWriteScanline(tiff, const_cast<uint8_t*>(page.rows.data()) + y * rowBytes, y, 0);
        TIFFWriteDirectory(tiff);
    }
    TIFFClose(tiff);
    return ReadFile(path);
}

// One image of a GIF file.
struct GifFrame {
    int left, top, width, height;
    std::vector<uint8_t> indices;  // width * height
    int transparent = -1;          // transparent index, -1 for none
    bool interlaced = false;       // rows stored in the four interlace passes
};

// A GIF of a `screenWidth` x `screenHeight` logical screen with a 4-colour global map
// (black, red, green, blue) and the frames.
inline std::vector<uint8_t> Gif(int screenWidth, int screenHeight,
                                const std::vector<GifFrame>& frames) {
    std::vector<uint8_t> out;
    int error = 0;
    GifFileType* gif = EGifOpen(
        &out,
        [](GifFileType* g, const GifByteType* data, int n) {
            auto* v = static_cast<std::vector<uint8_t>*>(g->UserData);
            v->insert(v->end(), data, data + n);
            return n;
        },
        &error);
    GifColorType colors[4] = {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
    ColorMapObject* map = GifMakeMapObject(4, colors);
    EGifSetGifVersion(gif, true);
    EGifPutScreenDesc(gif, screenWidth, screenHeight, 2, 0, map);
    for (const GifFrame& frame : frames) {
        if (frame.transparent >= 0) {
            GraphicsControlBlock control{DISPOSAL_UNSPECIFIED, false, 10, frame.transparent};
            GifByteType extension[4];
            EGifGCBToExtension(&control, extension);
            EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, extension);
        }
        EGifPutImageDesc(gif, frame.left, frame.top, frame.width, frame.height, frame.interlaced,
                         nullptr);
        static constexpr int kStart[4] = {0, 4, 2, 1}, kStep[4] = {8, 8, 4, 2};
        for (int pass = 0; pass < (frame.interlaced ? 4 : 1); ++pass)
            for (int y = frame.interlaced ? kStart[pass] : 0; y < frame.height;
                 y += frame.interlaced ? kStep[pass] : 1)
                EGifPutLine(gif, const_cast<uint8_t*>(frame.indices.data()) + y * frame.width,
                            frame.width);
    }
    GifFreeMapObject(map);
    EGifCloseFile(gif, &error);
    return out;
}

}  // namespace TestImages
