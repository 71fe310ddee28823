#include "platform/hostdc.h"

#include <new>

#include "platform/hostfont.h"

using Host::HostFont;

namespace {

void Select(HDC dc, HostFont* font) {
    if (dc->font) dc->font->Selections().fetch_sub(1);
    dc->font = font;
    if (font) font->Selections().fetch_add(1);
}

}  // namespace

HDC CreateCompatibleDC(HDC /*dc*/) {
    // Without a stock font there would be nothing to select back after a query.
    HostFont* stock = HostFont::Stock();
    if (!stock) return nullptr;
    HDC dc = new (std::nothrow) HDC__;
    if (dc) Select(dc, stock);
    return dc;
}

BOOL DeleteDC(HDC dc) {
    if (!dc) return 0;
    Select(dc, nullptr);
    delete dc;
    return 1;
}

int SetGraphicsMode(HDC dc, int mode) {
    if (!dc || (mode != GM_COMPATIBLE && mode != GM_ADVANCED)) return 0;
    int previous = dc->graphicsMode;
    dc->graphicsMode = mode;
    return previous;
}

HGDIOBJ SelectObject(HDC dc, HGDIOBJ object) {
    if (!dc || !object) return nullptr;
    auto* font = dynamic_cast<HostFont*>(object);
    if (!font) return nullptr;
    HostFont* previous = dc->font;
    Select(dc, font);
    return previous;
}

BOOL DeleteObject(HGDIOBJ object) {
    if (!object) return 0;
    auto* font = dynamic_cast<HostFont*>(object);
    if (font) {
        // Stock objects are never deleted; a font still selected into a DC is not deleted
        // either (GDI refuses too), since the DC would be left pointing at nothing.
        if (font->IsStock()) return 1;
        if (font->Selections().load() != 0) return 0;
    }
    delete object;
    return 1;
}
