#include "platform/imagefile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <new>
#include <string>

#include "platform/utf8.h"

namespace Host {

namespace {

// A file descriptor closed when the scope ends.
class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;

    int get() const { return fd_; }
    // Closes now, reporting whether the close (the last chance for a write error) worked.
    bool Close() {
        int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }

private:
    int fd_;  // -1 when the open failed or after Close
};

bool ToPath(const char16_t* path, std::string& utf8) {
    return AppendUtf8(std::u16string_view(path), utf8, 0) && !utf8.empty();
}

// Opens `path` without blocking (a FIFO without a peer, a device waiting for data) and
// keeps the descriptor only when it names a regular file.
int OpenRegular(const std::string& path, int flags, struct stat& info) {
    int fd = ::open(path.c_str(), flags | O_NONBLOCK | O_CLOEXEC, 0666);
    if (fd < 0) return -1;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return -1;
    }
    return fd;
}

}  // namespace

bool ImageFile::Read(const char16_t* path, std::unique_ptr<uint8_t[]>& bytes, size_t& size) {
    std::string utf8;
    if (!ToPath(path, utf8)) return false;
    struct stat info;
    Descriptor file(OpenRegular(utf8, O_RDONLY, info));
    if (file.get() < 0 || uint64_t(info.st_size) > SIZE_MAX / 2) return false;
    size_t expected = size_t(info.st_size);
    bytes.reset(new (std::nothrow) uint8_t[expected ? expected : 1]);
    if (!bytes) return false;
    // A file that shrank since fstat reads short: only what was read counts.
    size = 0;
    while (size < expected) {
        ssize_t got = ::read(file.get(), bytes.get() + size, expected - size);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return false;
        if (got == 0) break;
        size += size_t(got);
    }
    return true;
}

bool ImageFile::Write(const char16_t* path, const uint8_t* data, size_t size) {
    std::string utf8;
    if (!ToPath(path, utf8)) return false;
    // Truncated only once it is known to be a regular file.
    struct stat info;
    Descriptor file(OpenRegular(utf8, O_WRONLY | O_CREAT, info));
    if (file.get() < 0) return false;
    bool written = ::ftruncate(file.get(), 0) == 0;
    for (size_t done = 0; written && done < size;) {
        ssize_t put = ::write(file.get(), data + done, size - done);
        if (put < 0 && errno == EINTR) continue;
        written = put > 0;
        if (written) done += size_t(put);
    }
    written = file.Close() && written;
    if (!written) ::unlink(utf8.c_str());  // no half-written file is left behind
    return written;
}

}  // namespace Host
