#include "platform/freetypelibrary.h"

namespace Host {

void FreeTypeFaceDeleter::operator()(FT_Face face) const noexcept {
    std::lock_guard lock(FreeTypeLibrary::Instance().mutex_);
    FT_Done_Face(face);
}

FreeTypeLibrary& FreeTypeLibrary::Instance() {
    // Made on first use and destroyed after every static that used it while being made,
    // so faces kept in statics are released while the library still exists.
    static FreeTypeLibrary instance;
    return instance;
}

FreeTypeLibrary::FreeTypeLibrary() {
    FT_Library library = nullptr;
    if (FT_Init_FreeType(&library) == 0) library_.reset(library);
}

FreeTypeLibrary::~FreeTypeLibrary() = default;

FreeTypeFace FreeTypeLibrary::OpenFace(const char* path, FT_Long index) {
    std::lock_guard lock(mutex_);
    if (!library_) return nullptr;
    FT_Face face = nullptr;
    if (FT_New_Face(library_.get(), path, index, &face) != 0) return nullptr;
    return FreeTypeFace(face);
}

}  // namespace Host
