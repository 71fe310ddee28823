#include "glyphoutlines.h"

#include <cstring>
#include <string>
#include <vector>

#include <GfxFont.h>
#include <GfxState.h>
#include <fofi/FoFiTrueType.h>
#include <goo/gmem.h>
#include <splash/SplashFont.h>
#include <splash/SplashFontEngine.h>
#include <splash/SplashFontFile.h>
#include <splash/SplashFontFileID.h>
#include <splash/SplashPath.h>

namespace {

// Outlines are taken at this many pixels per em: FreeType's 26.6 coordinates then resolve a
// 4096th of an em, far below a pixel at any text size a page shows.
constexpr double kEmPixels = 64.0;

// The font engine knows a font file by an identifier; ours is the font's object reference.
class FontRefID : public SplashFontFileID {
public:
    explicit FontRefID(Ref ref) : ref_(ref) {}
    bool matches(SplashFontFileID* other) override {
        return static_cast<FontRefID*>(other)->ref_ == ref_;
    }

private:
    Ref ref_;
};

// A copy of a glyph-index map in the allocator the font file frees it with.
int* CopyMap(const int* map, int length) {
    if (!map || length <= 0) return nullptr;
    int* copy = static_cast<int*>(gmallocn(length, sizeof(int)));
    std::memcpy(copy, map, size_t(length) * sizeof(int));
    return copy;
}

// The glyph path of the font engine (em units, y up) as a libgx geometry.
GXGeometryRec_* ToGeometry(SplashPath* path) {
    GXGeometryRec_* geometry = nullptr;
    if (!path || path->getLength() == 0 || GXCreateGeometry(&geometry) != GXResultSuccess) {
        return nullptr;
    }
    const int length = path->getLength();
    for (int i = 0; i < length;) {
        double x, y;
        unsigned char flags;
        path->getPoint(i, &x, &y, &flags);
        const GXPoint point{float(x), float(y)};
        if (flags & splashPathFirst) {
            GXGeometryBeginFigure(geometry, &point);
        } else if ((flags & splashPathCurve) && i + 2 < length) {
            double x2, y2, x3, y3;
            unsigned char f2, f3;
            path->getPoint(i + 1, &x2, &y2, &f2);
            path->getPoint(i + 2, &x3, &y3, &f3);
            const GXPoint c2{float(x2), float(y2)}, end{float(x3), float(y3)};
            GXGeometryCubicCurveTo(geometry, &point, &c2, &end);
            i += 2;
            flags = f3;
        } else {
            GXGeometryLineTo(geometry, &point);
        }
        if (flags & splashPathLast) {
            if (flags & splashPathClosed) {
                GXGeometryEndFigureClose(geometry);
            } else {
                GXGeometryEndFigure(geometry);
            }
        }
        ++i;
    }
    uint8_t empty = 1;
    GXGeometryEmpty(geometry, &empty);
    if (empty) {
        GXObjectRelease(GX_HANDLE(geometry));
        return nullptr;
    }
    return geometry;
}

}  // namespace

GlyphOutlines::GlyphOutlines()
    : engine_(std::make_unique<SplashFontEngine>(true, false, false, true)) {}

GlyphOutlines::~GlyphOutlines() {
    for (auto& [ref, font] : fonts_) {
        if (!font) continue;
        for (auto& [code, geometry] : font->glyphs) {
            if (geometry) GXObjectRelease(GX_HANDLE(geometry));
        }
        delete font->scaled;
    }
}

GXGeometryRec_* GlyphOutlines::Glyph(GfxState* state, XRef* xref, CharCode code) {
    Font* font = Load(state, xref);
    if (!font) return nullptr;
    auto [it, added] = font->glyphs.try_emplace(code, nullptr);
    if (added) {
        SplashPath* path = font->scaled->getGlyphPath(int(code));
        it->second = ToGeometry(path);
        delete path;
    }
    return it->second;
}

GlyphOutlines::Font* GlyphOutlines::Load(GfxState* state, XRef* xref) {
    GfxFont* gfxFont = state->getFont().get();
    if (!gfxFont || gfxFont->getType() == fontType3) return nullptr;
    const Ref ref = *gfxFont->getID();
    auto [it, added] = fonts_.try_emplace(ref);
    if (!added) return it->second.get();

    std::optional<GfxFontLoc> location = gfxFont->locateFont(xref, nullptr);
    if (!location) return nullptr;
    std::vector<unsigned char> data;
    if (location->locType == gfxFontLocEmbedded) {
        auto embedded = gfxFont->readEmbFontFile(xref);
        if (!embedded) return nullptr;
        data = std::move(*embedded);
    }
    const bool embedded = location->locType == gfxFontLocEmbedded;
    // A TrueType face read by FoFi, for the code-to-glyph maps that need its cmap tables.
    auto trueType = [&]() -> std::unique_ptr<FoFiTrueType> {
        return embedded ? FoFiTrueType::make(data.data(), int(data.size()), location->fontNum)
                        : FoFiTrueType::load(location->path.c_str(), location->fontNum);
    };

    SplashFontSrc* source = new SplashFontSrc;
    if (embedded) {
        source->setBuf(std::vector<unsigned char>(data));
    } else {
        source->setFile(location->path);
    }
    auto* id = new FontRefID(ref);
    SplashFontFile* file = nullptr;
    const auto encoding = [&] {
        return const_cast<const char**>(static_cast<Gfx8BitFont*>(gfxFont)->getEncoding());
    };
    switch (location->fontType) {
    case fontType1:
        file = engine_->loadType1Font(id, source, encoding());
        break;
    case fontType1C:
        file = engine_->loadType1CFont(id, source, encoding());
        break;
    case fontType1COT:
        file = engine_->loadOpenTypeT1CFont(id, source, encoding());
        break;
    case fontTrueType:
    case fontTrueTypeOT: {
        int* map = nullptr;
        int length = 0;
        if (auto face = trueType()) {
            map = static_cast<Gfx8BitFont*>(gfxFont)->getCodeToGIDMap(face.get());
            length = 256;
        }
        file = engine_->loadTrueTypeFont(id, source, map, length);
        break;
    }
    case fontCIDType0:
    case fontCIDType0C:
        file = engine_->loadCIDFont(id, source);
        break;
    case fontCIDType0COT: {
        auto* cid = static_cast<GfxCIDFont*>(gfxFont);
        const int length = int(cid->getCIDToGIDLen());
        file = engine_->loadOpenTypeCFFFont(id, source, CopyMap(cid->getCIDToGID(), length),
                                            cid->getCIDToGID() ? length : 0);
        break;
    }
    case fontCIDType2:
    case fontCIDType2OT: {
        auto* cid = static_cast<GfxCIDFont*>(gfxFont);
        int* map = nullptr;
        int length = 0;
        if (cid->getCIDToGID()) {
            length = int(cid->getCIDToGIDLen());
            map = CopyMap(cid->getCIDToGID(), length);
        } else if (auto face = trueType()) {
            map = cid->getCodeToGIDMap(face.get(), &length);
        }
        file = engine_->loadTrueTypeFont(id, source, map, length, location->fontNum);
        break;
    }
    default:
        break;
    }
    source->unref();
    if (!file) {
        delete id;  // the engine keeps the identifier only with a font file
        return nullptr;
    }

    // Text space to em units: the font engine's paths come out in the units of textMatrix.
    SplashCoord matrix[4] = {kEmPixels, 0, 0, kEmPixels};
    const SplashCoord textMatrix[4] = {1, 0, 0, 1};
    auto font = std::make_unique<Font>();
    font->scaled = file->makeFont(matrix, textMatrix);
    if (!font->scaled) return nullptr;
    it->second = std::move(font);
    return it->second.get();
}
