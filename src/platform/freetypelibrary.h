#pragma once

#include <ft2build.h>
#include FT_FREETYPE_H

#include <memory>
#include <mutex>

namespace Host {

// Releases a face through the library that made it, under the library's mutex.
struct FreeTypeFaceDeleter {
    void operator()(FT_Face face) const noexcept;
};
using FreeTypeFace = std::unique_ptr<FT_FaceRec_, FreeTypeFaceDeleter>;

// The process's one FreeType library object. FreeType lets faces be used from different
// threads at once, but making and releasing faces touches the library and is serialised
// here; each face's own use is serialised by its owner.
class FreeTypeLibrary {
public:
    static FreeTypeLibrary& Instance();

    // The face at `index` in the font file at `path`; null when FreeType cannot open it.
    FreeTypeFace OpenFace(const char* path, FT_Long index);

    FreeTypeLibrary(const FreeTypeLibrary&) = delete;
    FreeTypeLibrary& operator=(const FreeTypeLibrary&) = delete;

private:
    friend struct FreeTypeFaceDeleter;

    FreeTypeLibrary();
    ~FreeTypeLibrary();

    struct LibraryDeleter {
        void operator()(FT_Library library) const noexcept { FT_Done_FreeType(library); }
    };

    std::mutex mutex_;  // guards library_ while faces are made or released
    std::unique_ptr<FT_LibraryRec_, LibraryDeleter> library_;  // null if FreeType failed
};

}  // namespace Host
