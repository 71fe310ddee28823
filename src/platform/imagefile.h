#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace Host {

// The bytes of an image file on disk. Only regular files are read or written: a path
// naming a FIFO, a device or a directory is refused at once, never waited on (files are
// opened non-blocking and checked before any byte moves).
class ImageFile {
public:
    // Reads the whole file at the null-terminated UTF-16 `path` into one block of its
    // size, with one pass and no copy. False when the file cannot be opened, is not a
    // regular file, cannot be read or no block of its size can be had.
    static bool Read(const char16_t* path, std::unique_ptr<uint8_t[]>& bytes, size_t& size);

    // Creates or replaces the file at `path` with `size` bytes at `data`. False when the
    // path cannot be opened as a regular file or the bytes cannot all be written; a
    // failed write leaves no file behind.
    static bool Write(const char16_t* path, const uint8_t* data, size_t size);
};

}  // namespace Host
