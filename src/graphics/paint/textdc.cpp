#include "graphics/paint/textdc.h"

namespace Graphics {

namespace {

std::mutex textMutex;  // guards sharedDC and every glyph query made through it
HDC sharedDC;          // made on first use, under textMutex; never released

}  // namespace

TextDC::TextDC(HFONT font) : lock_(textMutex) {
    if (!sharedDC) {
        sharedDC = CreateCompatibleDC(nullptr);
        // Advanced mode so that glyph outlines follow the transforms asked for exactly.
        if (sharedDC) SetGraphicsMode(sharedDC, GM_ADVANCED);
    }
    dc_ = sharedDC;
    previous_ = dc_ ? SelectObject(dc_, font) : nullptr;
}

TextDC::~TextDC() {
    if (previous_) SelectObject(dc_, previous_);
}

}  // namespace Graphics
