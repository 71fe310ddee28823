#pragma once

// The part of the Windows GDI interface that libgx calls, under the Windows names, types and
// constants. On Windows the library compiles against the system headers instead; here the
// host layer implements these declarations over Linux libraries (fonts: FreeType with
// fontconfig choosing the family). Library code includes this header and nothing behind it.

#include <cstdint>

using BYTE = uint8_t;
using WORD = uint16_t;
using DWORD = uint32_t;
using UINT = unsigned int;
using LONG = int32_t;
using SHORT = int16_t;
using BOOL = int;
using WCHAR = char16_t;  // UTF-16 code unit, as Windows' 16-bit wchar_t
using LPCWSTR = const WCHAR*;
using LPWORD = WORD*;
using LPVOID = void*;

// GDI objects: a font converts to HGDIOBJ as a Windows HFONT does, so that SelectObject and
// DeleteObject take any kind. What stands behind each handle belongs to the host layer.
struct HGDIOBJ__ {
    virtual ~HGDIOBJ__() = default;

protected:
    HGDIOBJ__() = default;
};
struct HFONT__ : HGDIOBJ__ {
protected:
    HFONT__() = default;
};
struct HDC__;
using HGDIOBJ = HGDIOBJ__*;
using HFONT = HFONT__*;
using HDC = HDC__*;

struct POINT {
    LONG x;  // device units
    LONG y;  // device units
};

// 16.16 fixed point split as GDI lays it out: the value is value + fract / 65536.
struct FIXED {
    WORD fract;   // fraction in 1/65536
    SHORT value;  // integer part, rounding toward minus infinity
};

struct POINTFX {
    FIXED x;
    FIXED y;
};

// 2 x 2 transform applied to a glyph outline: (x, y) becomes
// (eM11 x + eM21 y, eM12 x + eM22 y), in the outline's y-up space.
struct MAT2 {
    FIXED eM11;
    FIXED eM12;
    FIXED eM21;
    FIXED eM22;
};

struct GLYPHMETRICS {
    UINT gmBlackBoxX;       // width of the inked box in whole pixels (1 for an empty glyph)
    UINT gmBlackBoxY;       // height of the inked box in whole pixels (1 for an empty glyph)
    POINT gmptGlyphOrigin;  // upper-left corner of the inked box, y up from the baseline
    SHORT gmCellIncX;       // horizontal advance in whole pixels
    SHORT gmCellIncY;       // vertical advance in whole pixels
};

// Native outline buffer: a sequence of polygons, each a header followed by curve records
// whose points continue from the previous record's last point (the header's start first).
// The polygon closes back to its start implicitly.
struct TTPOLYGONHEADER {
    DWORD cb;          // bytes of this header and all its curve records
    DWORD dwType;      // TT_POLYGON_TYPE
    POINTFX pfxStart;  // first on-curve point of the polygon
};

struct TTPOLYCURVE {
    WORD wType;       // TT_PRIM_LINE, TT_PRIM_QSPLINE or TT_PRIM_CSPLINE
    WORD cpfx;        // number of points in apfx
    POINTFX apfx[1];  // cpfx points; the record is 4 + 8 * cpfx bytes long
};

constexpr DWORD TT_POLYGON_TYPE = 24;
constexpr WORD TT_PRIM_LINE = 1;     // a polyline through every point
constexpr WORD TT_PRIM_QSPLINE = 2;  // off-curve controls with implied midpoints, then the end
constexpr WORD TT_PRIM_CSPLINE = 3;  // groups of (control, control, end)

constexpr UINT GGO_METRICS = 0;
constexpr UINT GGO_NATIVE = 2;
constexpr UINT GGO_GLYPH_INDEX = 0x80;
constexpr DWORD GDI_ERROR = 0xFFFFFFFFu;

constexpr DWORD GGI_MARK_NONEXISTING_GLYPHS = 1;

constexpr int GM_COMPATIBLE = 1;
constexpr int GM_ADVANCED = 2;

constexpr int FW_NORMAL = 400;
constexpr int FW_BOLD = 700;

// Like the system's, these functions report failure by their results and never throw.

// Device contexts. A memory DC starts with a stock font selected; null when there is none.
HDC CreateCompatibleDC(HDC dc);
BOOL DeleteDC(HDC dc);
int SetGraphicsMode(HDC dc, int mode);
HGDIOBJ SelectObject(HDC dc, HGDIOBJ object);
BOOL DeleteObject(HGDIOBJ object);

// Fonts. A negative height selects by character (em) height in pixels, a positive one by
// cell height (ascent plus descent); 0 asks for the default size. Of the other arguments,
// weight, italic and the face name choose the font; the rest are accepted and ignored.
HFONT CreateFontW(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                  DWORD underline, DWORD strikeOut, DWORD charSet, DWORD outPrecision,
                  DWORD clipPrecision, DWORD quality, DWORD pitchAndFamily, LPCWSTR faceName);
DWORD GetGlyphIndicesW(HDC dc, LPCWSTR text, int count, LPWORD glyphs, DWORD flags);
DWORD GetGlyphOutlineW(HDC dc, UINT character, UINT format, GLYPHMETRICS* metrics, DWORD bufferSize,
                       LPVOID buffer, const MAT2* transform);
