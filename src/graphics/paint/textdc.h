#pragma once

#include <mutex>

#include "platform/hostgdi.h"

namespace Graphics {

// The process's one memory device context for glyph queries, with `font` selected for as
// long as this object lives and every other glyph query of the process kept out meanwhile.
// The DC is made on first use and never released; the previous font is selected back when
// this object goes away.
class TextDC {
public:
    explicit TextDC(HFONT font);
    ~TextDC();

    TextDC(const TextDC&) = delete;
    TextDC& operator=(const TextDC&) = delete;

    // Null when the shared DC could not be made; GDI calls on it then fail.
    HDC GetHandle() const { return dc_; }

private:
    std::unique_lock<std::mutex> lock_;  // the process-wide text mutex, held throughout
    HDC dc_;                             // the shared DC
    HGDIOBJ previous_;                   // the font selected before ours; null if none was
};

}  // namespace Graphics
