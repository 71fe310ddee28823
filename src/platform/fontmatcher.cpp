#include "platform/fontmatcher.h"

#include <fontconfig/fontconfig.h>

#include <memory>

namespace Host {

namespace {

struct PatternDeleter {
    void operator()(FcPattern* pattern) const noexcept { FcPatternDestroy(pattern); }
};
using Pattern = std::unique_ptr<FcPattern, PatternDeleter>;

void AppendUtf8(std::string& out, char32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// OpenType weight from which a lighter face is thickened: semi-bold and heavier.
constexpr int kSynthesiseBoldFrom = 600;
// Lean of a synthesised italic: x moves by a fifth of y, as in fontconfig's own rule.
constexpr double kSyntheticShear = 0.2;

bool IsHighSurrogate(char16_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}
bool IsLowSurrogate(char16_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

}  // namespace

std::string FontMatcher::ToUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char16_t unit = text[i];
        if (IsHighSurrogate(unit) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
            AppendUtf8(out, 0x10000 + ((char32_t(unit) - 0xD800) << 10) + (text[i + 1] - 0xDC00));
            ++i;
        } else if (IsHighSurrogate(unit) || IsLowSurrogate(unit)) {
            AppendUtf8(out, 0xFFFD);
        } else {
            AppendUtf8(out, unit);
        }
    }
    return out;
}

FontMatch FontMatcher::Match(std::u16string_view family, int weight, bool italic) {
    Pattern pattern(FcPatternCreate());
    if (!pattern) return {};
    std::string name = ToUtf8(family);
    // An empty name leaves the family to fontconfig's defaults, like GDI's default face.
    if (!name.empty())
        FcPatternAddString(pattern.get(), FC_FAMILY,
                           reinterpret_cast<const FcChar8*>(name.c_str()));
    FcPatternAddInteger(pattern.get(), FC_WEIGHT, FcWeightFromOpenType(weight));
    FcPatternAddInteger(pattern.get(), FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pattern.get(), FC_SCALABLE, FcTrue);
    if (!FcConfigSubstitute(nullptr, pattern.get(), FcMatchPattern)) return {};
    FcDefaultSubstitute(pattern.get());

    FcResult result = FcResultNoMatch;
    Pattern match(FcFontMatch(nullptr, pattern.get(), &result));
    if (!match || result != FcResultMatch) return {};
    FcChar8* file = nullptr;
    if (FcPatternGetString(match.get(), FC_FILE, 0, &file) != FcResultMatch) return {};
    FontMatch found;
    found.path = reinterpret_cast<const char*>(file);
    if (FcPatternGetInteger(match.get(), FC_INDEX, 0, &found.index) != FcResultMatch)
        found.index = 0;

    // With fontconfig's synthetic rules installed, the match already says what to do (and
    // reports the synthesised weight and slant); without them, the face's own weight and
    // slant tell.
    FcBool embolden = FcFalse;
    int faceWeight = FC_WEIGHT_REGULAR, faceSlant = FC_SLANT_ROMAN;
    FcPatternGetInteger(match.get(), FC_WEIGHT, 0, &faceWeight);
    FcPatternGetInteger(match.get(), FC_SLANT, 0, &faceSlant);
    if (FcPatternGetBool(match.get(), FC_EMBOLDEN, 0, &embolden) == FcResultMatch)
        found.embolden = embolden;
    else
        found.embolden = weight >= kSynthesiseBoldFrom && faceWeight < FC_WEIGHT_DEMIBOLD;
    FcMatrix* matrix = nullptr;
    if (FcPatternGetMatrix(match.get(), FC_MATRIX, 0, &matrix) == FcResultMatch) {
        found.xx = matrix->xx;
        found.xy = matrix->xy;
        found.yx = matrix->yx;
        found.yy = matrix->yy;
    } else if (italic && faceSlant == FC_SLANT_ROMAN) {
        found.xy = kSyntheticShear;
    }
    return found;
}

}  // namespace Host
