#pragma once

// The part of the GDI+ flat interface that the library's image-file code calls, under
// GDI+'s own names, for hosts without GDI+. Images are decoded and encoded by libpng,
// libjpeg-turbo, libtiff and giflib; BMP is read and written here. Strings are UTF-16
// code units (WCHAR); file names are turned into UTF-8 only where a file is opened.

#include <cstddef>
#include <cstdint>

namespace Gdiplus {

using WCHAR = uint16_t;  // one UTF-16 code unit
using BYTE = uint8_t;
using UINT = uint32_t;
using UINT32 = uint32_t;
using INT = int32_t;
using BOOL = int32_t;
using REAL = float;
using ARGB = uint32_t;  // 0xAARRGGBB, straight alpha
using ULONG_PTR = uintptr_t;
using PixelFormat = int32_t;

struct GUID {
    uint32_t Data1;    // first 8 hex digits
    uint16_t Data2;    // next 4
    uint16_t Data3;    // next 4
    uint8_t Data4[8];  // last 16, byte by byte
};
using CLSID = GUID;

inline bool operator==(const GUID& a, const GUID& b) {
    if (a.Data1 != b.Data1 || a.Data2 != b.Data2 || a.Data3 != b.Data3) return false;
    for (int i = 0; i < 8; ++i)
        if (a.Data4[i] != b.Data4[i]) return false;
    return true;
}

enum Status {
    Ok = 0,
    GenericError = 1,
    InvalidParameter = 2,
    OutOfMemory = 3,
    ObjectBusy = 4,
    InsufficientBuffer = 5,
    NotImplemented = 6,
    Win32Error = 7,
    WrongState = 8,
    Aborted = 9,
    FileNotFound = 10,
    ValueOverflow = 11,
    AccessDenied = 12,
    UnknownImageFormat = 13,
    UnsupportedGdiplusVersion = 17,
    GdiplusNotInitialized = 18
};
using GpStatus = Status;

// Pixel formats: index in the low byte, bits per pixel in the second, flags above.
constexpr PixelFormat PixelFormatIndexed = 0x00010000;
constexpr PixelFormat PixelFormatGDI = 0x00020000;
constexpr PixelFormat PixelFormatAlpha = 0x00040000;
constexpr PixelFormat PixelFormatPAlpha = 0x00080000;
constexpr PixelFormat PixelFormatCanonical = 0x00200000;
constexpr PixelFormat PixelFormat1bppIndexed = 1 | (1 << 8) | PixelFormatIndexed | PixelFormatGDI;
constexpr PixelFormat PixelFormat8bppIndexed = 3 | (8 << 8) | PixelFormatIndexed | PixelFormatGDI;
constexpr PixelFormat PixelFormat24bppRGB = 8 | (24 << 8) | PixelFormatGDI;
constexpr PixelFormat PixelFormat32bppRGB = 9 | (32 << 8) | PixelFormatGDI;
constexpr PixelFormat PixelFormat32bppARGB =
    10 | (32 << 8) | PixelFormatAlpha | PixelFormatGDI | PixelFormatCanonical;
constexpr PixelFormat PixelFormat32bppPARGB =
    11 | (32 << 8) | PixelFormatAlpha | PixelFormatPAlpha | PixelFormatGDI;
constexpr PixelFormat PixelFormat32bppCMYK = 15 | (32 << 8);

// Bits per pixel of a pixel-format code.
constexpr UINT GetPixelFormatSize(PixelFormat format) {
    return (UINT(format) >> 8) & 0xff;
}

enum ImageLockMode { ImageLockModeRead = 1, ImageLockModeWrite = 2, ImageLockModeUserInputBuf = 4 };

struct Rect {
    INT X, Y, Width, Height;  // pixels
};

// A locked window of pixel rows.
struct BitmapData {
    UINT Width;                        // pixels
    UINT Height;                       // rows
    INT Stride;                        // bytes from one row to the next
    Gdiplus::PixelFormat PixelFormat;  // the format the rows are in
    void* Scan0;                       // first byte of the first row
    uintptr_t Reserved;                // unused
};

// A palette as GDI+ hands it out: Count entries follow the header.
struct ColorPalette {
    UINT Flags;       // unused here (0)
    UINT Count;       // number of entries
    ARGB Entries[1];  // Count entries, the array runs past the struct
};

// One encoder: the strings point into the buffer GdipGetImageEncoders filled.
struct ImageCodecInfo {
    CLSID Clsid;                     // identifies the encoder to GdipSaveImageToFile
    GUID FormatID;                   // the file format
    const WCHAR* CodecName;          // "Built-in PNG codec", ...
    const WCHAR* DllName;            // always null here
    const WCHAR* FormatDescription;  // "PNG", ...
    const WCHAR* FilenameExtension;  // "*.PNG", ...
    const WCHAR* MimeType;           // "image/png", ...
    UINT32 Flags;                    // unused here (0)
    UINT32 Version;                  // 1
    UINT32 SigCount;                 // 0: signatures are not listed
    UINT32 SigSize;                  // 0
    const BYTE* SigPattern;          // null
    const BYTE* SigMask;             // null
};

struct EncoderParameters;  // never used: encoders run with their defaults

using DebugEventProc = void (*)(int level, char* message);

struct GdiplusStartupInput {
    UINT32 GdiplusVersion = 1;                    // only version 1 exists
    DebugEventProc DebugEventCallback = nullptr;  // ignored
    BOOL SuppressBackgroundThread = 0;            // ignored: no thread is started
    BOOL SuppressExternalCodecs = 0;              // ignored: only the built-in codecs exist
};
struct GdiplusStartupOutput;

// Frame dimensions: pages of a TIFF file, times of an animated GIF.
extern const GUID FrameDimensionTime;
extern const GUID FrameDimensionPage;

}  // namespace Gdiplus

// Images are opaque to callers.
struct GpImage;
using GpBitmap = GpImage;
struct IStream;

namespace Gdiplus {

// Reference-counted start and stop; every other call fails with GdiplusNotInitialized
// outside a started scope.
Status GdiplusStartup(ULONG_PTR* token, const GdiplusStartupInput* input,
                      GdiplusStartupOutput* output);
void GdiplusShutdown(ULONG_PTR token);

namespace DllExports {

GpStatus GdipCreateBitmapFromFile(const WCHAR* filename, GpBitmap** bitmap);
// Reads the stream from its start to its end; the caller keeps its reference.
GpStatus GdipCreateBitmapFromStream(IStream* stream, GpBitmap** bitmap);
// A new bitmap over scan0 (null: a new store owned by the bitmap, stride ignored).
GpStatus GdipCreateBitmapFromScan0(INT width, INT height, INT stride, PixelFormat format,
                                   BYTE* scan0, GpBitmap** bitmap);
GpStatus GdipDisposeImage(GpImage* image);

GpStatus GdipImageGetFrameDimensionsCount(GpImage* image, UINT* count);
GpStatus GdipImageGetFrameDimensionsList(GpImage* image, GUID* dimensionIDs, UINT count);
GpStatus GdipImageGetFrameCount(GpImage* image, const GUID* dimensionID, UINT* count);
GpStatus GdipImageSelectActiveFrame(GpImage* image, const GUID* dimensionID, UINT frameIndex);

GpStatus GdipGetImagePixelFormat(GpImage* image, PixelFormat* format);
GpStatus GdipGetImageWidth(GpImage* image, UINT* width);
GpStatus GdipGetImageHeight(GpImage* image, UINT* height);
GpStatus GdipGetImageHorizontalResolution(GpImage* image, REAL* resolution);
GpStatus GdipGetImageVerticalResolution(GpImage* image, REAL* resolution);
// Dots per inch that an encoder writes; both finite and positive.
GpStatus GdipBitmapSetResolution(GpBitmap* bitmap, REAL xdpi, REAL ydpi);
GpStatus GdipGetImagePaletteSize(GpImage* image, INT* size);
GpStatus GdipGetImagePalette(GpImage* image, ColorPalette* palette, INT size);

// Locks rows in the image's own pixel format (the host converts nothing).
GpStatus GdipBitmapLockBits(GpBitmap* bitmap, const Rect* rect, UINT flags, PixelFormat format,
                            BitmapData* lockedData);
GpStatus GdipBitmapUnlockBits(GpBitmap* bitmap, BitmapData* lockedData);

GpStatus GdipGetImageEncodersSize(UINT* numEncoders, UINT* size);
GpStatus GdipGetImageEncoders(UINT numEncoders, UINT size, ImageCodecInfo* encoders);
GpStatus GdipSaveImageToFile(GpImage* image, const WCHAR* filename, const CLSID* clsidEncoder,
                             const EncoderParameters* encoderParams);

}  // namespace DllExports
}  // namespace Gdiplus
