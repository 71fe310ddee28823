#pragma once

#include <string>
#include <string_view>

namespace Host {

// A font file chosen for a request, with the styling to synthesise when the family has no
// face of the requested weight or slant.
struct FontMatch {
    std::string path;       // file to open; empty when nothing matched
    int index = 0;          // face index inside the file (collections hold several)
    bool embolden = false;  // thicken the outlines: bold was asked for, the face is lighter
    // Transform of the outlines in font space, y up (x' = xx x + xy y, y' = yx x + yy y):
    // a shear when italic was asked for and the face is upright, else the identity.
    double xx = 1, xy = 0, yx = 0, yy = 1;
};

// Chooses font files with fontconfig, which falls back along its configured families (and
// finally to its default sans-serif face) when the requested family is not installed.
// Fontconfig is loaded once, on the first match, and matches are serialised, so that
// faces made on several threads at once are safe.
class FontMatcher {
public:
    // `family` is UTF-16 (an empty name asks for the default family); `weight` is on the
    // OpenType scale (400 normal, 700 bold). Only scalable faces are chosen, since the
    // library asks for outlines. Synthesis follows fontconfig's own decision where its
    // configuration makes one, and otherwise compares the face's weight and slant with the
    // request.
    static FontMatch Match(std::u16string_view family, int weight, bool italic);
};

}  // namespace Host
