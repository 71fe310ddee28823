// JPEG through libjpeg-turbo. libjpeg reports errors through error_exit, which jumps back
// to the setjmp of the function that called it; those functions hold no object with a
// destructor, and what must be freed is owned by their callers.
#include <cstdio>  // jpeglib.h needs FILE and size_t declared first

#include <jerror.h>
#include <jpeglib.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <csetjmp>
#include <cstdlib>
#include <new>
#include <vector>

#include "platform/imagecodec.h"

namespace Host {

namespace {

using enum CodecResult;

// libjpeg's error manager with the jump target of the current call.
struct JpegErrors {
    jpeg_error_mgr manager;  // must come first: libjpeg sees only this part
    std::jmp_buf jump;       // where error_exit returns to
};

[[noreturn]] void Fail(j_common_ptr cinfo) {
    std::longjmp(reinterpret_cast<JpegErrors*>(cinfo->err)->jump, 1);
}

// Warnings are dropped, except those that say the entropy-coded data ended before the
// image did (the file was cut short, or a marker came early): such a file is refused
// rather than shown with grey rows.
void Message(j_common_ptr cinfo, int level) {
    if (level < 0 &&
        (cinfo->err->msg_code == JWRN_JPEG_EOF || cinfo->err->msg_code == JWRN_HIT_MARKER))
        Fail(cinfo);
}

// Whether the file is long enough for the image its header declares. Huffman coding
// spends at least one bit on every 8 x 8 block of every component (its DC difference), so
// a file shorter than that cannot hold the image, however it goes on; it is refused
// before anything is allocated for it. Arithmetic coding has no such floor.
bool HoldsDeclaredImage(j_decompress_ptr cinfo, size_t size) {
    if (cinfo->arith_code) return true;
    uint64_t blocks = 0;
    for (int i = 0; i < cinfo->num_components; ++i)
        blocks +=
            uint64_t(cinfo->comp_info[i].width_in_blocks) * cinfo->comp_info[i].height_in_blocks;
    return blocks / 8 <= size;
}

void Silent(j_common_ptr) {}

void InstallErrors(JpegErrors& errors) {
    jpeg_std_error(&errors.manager);
    errors.manager.error_exit = Fail;
    errors.manager.emit_message = Message;
    errors.manager.output_message = Silent;
}

// CMYK rows (Adobe files store them inverted) become BGRX in place.
void CmykToBgrx(uint8_t* row, uint32_t width, bool inverted) {
    for (uint32_t x = 0; x < width; ++x, row += 4) {
        uint32_t c = row[0], m = row[1], y = row[2], k = row[3];
        if (!inverted) {
            c = 255 - c;
            m = 255 - m;
            y = 255 - y;
            k = 255 - k;
        }
        row[0] = uint8_t(y * k / 255);
        row[1] = uint8_t(m * k / 255);
        row[2] = uint8_t(c * k / 255);
        row[3] = 255;
    }
}

// What libjpeg allocates for a file besides the pixels: its state and row buffers, and for
// a file of several scans (progressive ones) the coefficients of the whole image, two
// bytes for each of the 64 of every block, which it keeps until the last scan.
uint64_t WorkingBytes(j_decompress_ptr cinfo) {
    constexpr uint64_t kStateBytes = uint64_t(1) << 20;
    if (!jpeg_has_multiple_scans(cinfo)) return kStateBytes;
    uint64_t blocks = 0;
    for (int i = 0; i < cinfo->num_components; ++i) {
        const jpeg_component_info& component = cinfo->comp_info[i];
        // Rounded up to whole MCUs, as libjpeg stores them.
        uint64_t across = (component.width_in_blocks + component.h_samp_factor - 1) /
                          component.h_samp_factor * component.h_samp_factor;
        uint64_t down = (component.height_in_blocks + component.v_samp_factor - 1) /
                        component.v_samp_factor * component.v_samp_factor;
        blocks += across * down;
    }
    return kStateBytes + blocks * DCTSIZE2 * sizeof(JCOEF);
}

CodecResult ReadJpeg(j_decompress_ptr cinfo, JpegErrors& errors, const uint8_t* data, size_t size,
                     ImageFrame& frame) {
    if (setjmp(errors.jump)) return Unreadable;
    jpeg_create_decompress(cinfo);
    jpeg_mem_src(cinfo, data, static_cast<unsigned long>(size));
    jpeg_read_header(cinfo, TRUE);
    GXPixelFormat format;
    switch (cinfo->jpeg_color_space) {
        case JCS_GRAYSCALE:
            cinfo->out_color_space = JCS_GRAYSCALE;
            format = GXPixelFormatIndexed8;
            frame.palette = GreyPalette(8);
            break;
        case JCS_CMYK:
        case JCS_YCCK:
            cinfo->out_color_space = JCS_CMYK;
            format = GXPixelFormatRGB32;
            break;
        default:
            cinfo->out_color_space = JCS_EXT_BGR;
            format = GXPixelFormatRGB24;
            break;
    }
    if (cinfo->density_unit == 1) {
        frame.dpiX = DpiFromDensity(cinfo->X_density, 1.0);
        frame.dpiY = DpiFromDensity(cinfo->Y_density, 1.0);
    } else if (cinfo->density_unit == 2) {
        frame.dpiX = DpiFromDensity(cinfo->X_density, 2.54);
        frame.dpiY = DpiFromDensity(cinfo->Y_density, 2.54);
    }
    if (!HoldsDeclaredImage(cinfo, size)) return Unreadable;
    CodecResult status =
        frame.Allocate(cinfo->image_width, cinfo->image_height, format, WorkingBytes(cinfo));
    if (status != Ok) return status;
    // What the pixels leave of the budget bounds libjpeg's own buffers: the whole-image
    // coefficient store of a progressive file would otherwise be several times the pixels.
    cinfo->mem->max_memory_to_use = long(std::min<uint64_t>(frame.WorkingBudget(), LONG_MAX));
    jpeg_start_decompress(cinfo);
    if (cinfo->output_width != frame.width || cinfo->output_height != frame.height)
        return Unreadable;
    while (cinfo->output_scanline < cinfo->output_height) {
        JSAMPROW row = frame.Row(cinfo->output_scanline);
        if (jpeg_read_scanlines(cinfo, &row, 1) != 1) return Unreadable;
        if (format == GXPixelFormatRGB32) CmykToBgrx(row, frame.width, cinfo->saw_Adobe_marker);
    }
    jpeg_finish_decompress(cinfo);
    return Ok;
}

bool JpegMatches(const uint8_t* data, size_t size) {
    return size >= 3 && data[0] == 0xff && data[1] == 0xd8 && data[2] == 0xff;
}

CodecResult JpegCountFrames(const uint8_t*, size_t, uint32_t* count) {
    *count = 1;
    return Ok;
}

CodecResult JpegDecode(const uint8_t* data, size_t size, uint32_t index, ImageFrame& frame) {
    if (index != 0) return NoSuchFrame;
    if (size > ULONG_MAX) return OutOfMemory;
    jpeg_decompress_struct cinfo{};
    JpegErrors errors;
    InstallErrors(errors);
    cinfo.err = &errors.manager;
    CodecResult status;
    try {
        status = ReadJpeg(&cinfo, errors, data, size, frame);
    } catch (const std::bad_alloc&) {
        status = OutOfMemory;
    }
    jpeg_destroy_decompress(&cinfo);
    return status;
}

// The compressed bytes libjpeg allocates (with malloc) and their count.
struct JpegOutput {
    unsigned char* bytes = nullptr;  // freed by the caller of WriteJpeg
    unsigned long size = 0;          // bytes written
};

CodecResult WriteJpeg(j_compress_ptr cinfo, JpegErrors& errors, const ImageFrame& frame,
                      JpegOutput& output) {
    if (setjmp(errors.jump)) return Failed;
    jpeg_create_compress(cinfo);
    jpeg_mem_dest(cinfo, &output.bytes, &output.size);
    cinfo->image_width = frame.width;
    cinfo->image_height = frame.height;
    // Alpha is dropped: JPEG has none (a premultiplied image shows as if over black).
    bool packed = frame.format == GXPixelFormatRGB24;
    cinfo->input_components = packed ? 3 : 4;
    cinfo->in_color_space = packed ? JCS_EXT_BGR : JCS_EXT_BGRX;
    jpeg_set_defaults(cinfo);
    jpeg_set_quality(cinfo, 75, TRUE);
    cinfo->write_JFIF_header = TRUE;
    cinfo->density_unit = 1;
    cinfo->X_density = uint16_t(std::clamp(std::lround(frame.dpiX), 1L, 65535L));
    cinfo->Y_density = uint16_t(std::clamp(std::lround(frame.dpiY), 1L, 65535L));
    jpeg_start_compress(cinfo, TRUE);
    while (cinfo->next_scanline < cinfo->image_height) {
        JSAMPROW row = frame.Row(cinfo->next_scanline);
        jpeg_write_scanlines(cinfo, &row, 1);
    }
    jpeg_finish_compress(cinfo);
    return Ok;
}

CodecResult JpegEncode(const ImageFrame& frame, std::vector<uint8_t>& out) {
    if (frame.format != GXPixelFormatRGB24 && frame.format != GXPixelFormatRGB32 &&
        frame.format != GXPixelFormatARGB32 && frame.format != GXPixelFormatPARGB32)
        return Unsupported;
    if (frame.width > JPEG_MAX_DIMENSION || frame.height > JPEG_MAX_DIMENSION) return Unsupported;
    if (!(frame.dpiX > 0 && frame.dpiX < 1e6f && frame.dpiY > 0 && frame.dpiY < 1e6f))
        return Unsupported;
    jpeg_compress_struct cinfo{};
    JpegErrors errors;
    InstallErrors(errors);
    cinfo.err = &errors.manager;
    JpegOutput output;
    CodecResult status = WriteJpeg(&cinfo, errors, frame, output);
    jpeg_destroy_compress(&cinfo);
    if (status == Ok) {
        try {
            out.assign(output.bytes, output.bytes + output.size);
        } catch (const std::bad_alloc&) {
            status = OutOfMemory;
        }
    }
    std::free(output.bytes);
    return status;
}

}  // namespace

extern const ImageCodec JpegCodec = {
    "image/jpeg", JpegMatches, JpegCountFrames, JpegDecode, JpegEncode,
};

}  // namespace Host
