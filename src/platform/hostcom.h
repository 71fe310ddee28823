#pragma once

// The COM memory stream over global memory that the library loads in-memory image files
// through, under the Windows names, for hosts without COM. The stream is read-only: the
// library only ever hands it to the image decoder.

#include <cstddef>
#include <cstdint>

using HRESULT = int32_t;
using ULONG = uint32_t;
using DWORD = uint32_t;
using UINT = uint32_t;
using BOOL = int32_t;
using SIZE_T = size_t;
using HGLOBAL = void*;

constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_INVALIDARG = int32_t(0x80070057);
constexpr HRESULT E_OUTOFMEMORY = int32_t(0x8007000E);
constexpr HRESULT E_POINTER = int32_t(0x80004003);
constexpr HRESULT STG_E_ACCESSDENIED = int32_t(0x80030005);
constexpr HRESULT STG_E_INVALIDFUNCTION = int32_t(0x80030001);

constexpr UINT GMEM_MOVEABLE = 0x0002;

union LARGE_INTEGER {
    int64_t QuadPart;  // signed offset
};
union ULARGE_INTEGER {
    uint64_t QuadPart;  // unsigned position or size
};

enum STREAM_SEEK { STREAM_SEEK_SET = 0, STREAM_SEEK_CUR = 1, STREAM_SEEK_END = 2 };
enum STATFLAG { STATFLAG_DEFAULT = 0, STATFLAG_NONAME = 1 };

// What Stat reports; only the size is filled in here.
struct STATSTG {
    ULARGE_INTEGER cbSize;  // bytes in the stream
};

// A byte stream with a position, counted by AddRef/Release like a COM object.
struct IStream {
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;
    // Reads up to `size` bytes from the position; fewer at the end (S_FALSE then).
    virtual HRESULT Read(void* buffer, ULONG size, ULONG* read) = 0;
    virtual HRESULT Write(const void* buffer, ULONG size, ULONG* written) = 0;
    virtual HRESULT Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* newPosition) = 0;
    virtual HRESULT Stat(STATSTG* stat, DWORD flags) = 0;

protected:
    ~IStream() = default;  // destroyed by Release only
};

// Movable global memory: a handle whose block is reached through GlobalLock.
HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes);
void* GlobalLock(HGLOBAL memory);
BOOL GlobalUnlock(HGLOBAL memory);
SIZE_T GlobalSize(HGLOBAL memory);
// Null on success, the handle when it could not be freed (null handle: null).
HGLOBAL GlobalFree(HGLOBAL memory);

// A stream over the whole of `memory` (which must not be null here), starting at 0. With
// `deleteOnRelease` the stream frees the block when its last reference goes.
HRESULT CreateStreamOnHGlobal(HGLOBAL memory, BOOL deleteOnRelease, IStream** stream);
