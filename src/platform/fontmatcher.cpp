#include "platform/fontmatcher.h"

#include <fontconfig/fontconfig.h>

#include <memory>
#include <mutex>

#include "platform/utf8.h"

namespace Host {

namespace {

struct PatternDeleter {
    void operator()(FcPattern* pattern) const noexcept { FcPatternDestroy(pattern); }
};
using Pattern = std::unique_ptr<FcPattern, PatternDeleter>;

// OpenType weight from which a lighter face is thickened: semi-bold and heavier.
constexpr int kSynthesiseBoldFrom = 600;
// Lean of a synthesised italic: x moves by a fifth of y, as in fontconfig's own rule.
constexpr double kSyntheticShear = 0.2;

// Fontconfig's configuration, loaded once for the process. Fontconfig is not safe to
// initialise from several threads at once, and matching reads the configuration it may
// reload, so every use here is serialised by the mutex. When loading fails (out of
// memory), matching finds nothing and a later call tries again.
std::mutex configMutex;

bool LoadConfig() {
    static bool loaded = false;  // under configMutex
    if (!loaded) loaded = FcInit() == FcTrue;
    return loaded;
}

}  // namespace

FontMatch FontMatcher::Match(std::u16string_view family, int weight, bool italic) {
    std::string name;
    AppendUtf8(family, name, 0xFFFD);
    std::lock_guard lock(configMutex);
    if (!LoadConfig()) return {};
    Pattern pattern(FcPatternCreate());
    if (!pattern) return {};
    // An empty name leaves the family to fontconfig's defaults. Every step can fail for
    // want of memory, and a pattern missing a step must not be matched.
    if (!name.empty() && !FcPatternAddString(pattern.get(), FC_FAMILY,
                                             reinterpret_cast<const FcChar8*>(name.c_str())))
        return {};
    int fcWeight = FcWeightFromOpenType(weight);
    if (fcWeight < 0 || !FcPatternAddInteger(pattern.get(), FC_WEIGHT, fcWeight) ||
        !FcPatternAddInteger(pattern.get(), FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN) ||
        !FcPatternAddBool(pattern.get(), FC_SCALABLE, FcTrue) ||
        !FcConfigSubstitute(nullptr, pattern.get(), FcMatchPattern))
        return {};
    FcDefaultSubstitute(pattern.get());

    FcResult result = FcResultNoMatch;
    Pattern match(FcFontMatch(nullptr, pattern.get(), &result));
    if (!match || result != FcResultMatch) return {};
    FcChar8* file = nullptr;
    if (FcPatternGetString(match.get(), FC_FILE, 0, &file) != FcResultMatch || !file) return {};
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
    if (FcPatternGetMatrix(match.get(), FC_MATRIX, 0, &matrix) == FcResultMatch && matrix) {
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
