// A read-only stream over a global memory block.
#include <atomic>
#include <cstring>
#include <new>

#include "platform/hostcom.h"

namespace {

class MemoryStream final : public IStream {
public:
    MemoryStream(HGLOBAL memory, bool deleteOnRelease)
        : memory_(memory), deleteOnRelease_(deleteOnRelease) {}

    ULONG AddRef() override { return ++count_; }
    ULONG Release() override {
        ULONG left = --count_;
        if (left == 0) {
            if (deleteOnRelease_) GlobalFree(memory_);
            delete this;
        }
        return left;
    }

    HRESULT Read(void* buffer, ULONG size, ULONG* read) override {
        if (!buffer && size != 0) return E_POINTER;
        SIZE_T total = GlobalSize(memory_);
        SIZE_T available = position_ < total ? total - position_ : 0;
        ULONG n = available < size ? ULONG(available) : size;
        if (n != 0) {
            const auto* data = static_cast<const uint8_t*>(GlobalLock(memory_));
            std::memcpy(buffer, data + position_, n);
            GlobalUnlock(memory_);
            position_ += n;
        }
        if (read) *read = n;
        return n == size ? S_OK : S_FALSE;
    }

    HRESULT Write(const void*, ULONG, ULONG*) override { return STG_E_ACCESSDENIED; }

    HRESULT Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* newPosition) override {
        int64_t base;
        switch (origin) {
            case STREAM_SEEK_SET:
                base = 0;
                break;
            case STREAM_SEEK_CUR:
                base = int64_t(position_);
                break;
            case STREAM_SEEK_END:
                base = int64_t(GlobalSize(memory_));
                break;
            default:
                return STG_E_INVALIDFUNCTION;
        }
        // A position before the start is refused; one past the end reads nothing.
        if ((move.QuadPart < 0 && base < -move.QuadPart) ||
            (move.QuadPart > 0 && move.QuadPart > INT64_MAX - base))
            return STG_E_INVALIDFUNCTION;
        position_ = uint64_t(base + move.QuadPart);
        if (newPosition) newPosition->QuadPart = position_;
        return S_OK;
    }

    HRESULT Stat(STATSTG* stat, DWORD) override {
        if (!stat) return E_POINTER;
        stat->cbSize.QuadPart = GlobalSize(memory_);
        return S_OK;
    }

private:
    ~MemoryStream() = default;

    std::atomic<ULONG> count_{1};  // references; the stream dies at 0
    HGLOBAL memory_;               // the block read from
    bool deleteOnRelease_;         // free the block with the stream
    uint64_t position_ = 0;        // next byte read, may lie past the end
};

}  // namespace

HRESULT CreateStreamOnHGlobal(HGLOBAL memory, BOOL deleteOnRelease, IStream** stream) {
    if (!stream) return E_POINTER;
    if (!memory) return E_INVALIDARG;
    auto* created = new (std::nothrow) MemoryStream(memory, deleteOnRelease != 0);
    if (!created) return E_OUTOFMEMORY;
    *stream = created;
    return S_OK;
}
