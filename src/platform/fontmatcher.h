#pragma once

#include <string>
#include <string_view>

namespace Host {

// A font file chosen for a request.
struct FontMatch {
    std::string path;  // file to open; empty when nothing matched
    int index = 0;     // face index inside the file (collections hold several)
};

// Chooses font files with fontconfig, which falls back along its configured families (and
// finally to its default sans-serif face) when the requested family is not installed.
class FontMatcher {
public:
    // `family` is UTF-16 (an empty name asks for the default family); `weight` is on the
    // OpenType scale (400 normal, 700 bold). Only scalable faces are chosen, since the
    // library asks for outlines.
    static FontMatch Match(std::u16string_view family, int weight, bool italic);

    // UTF-8 for a UTF-16 text; an unpaired surrogate becomes U+FFFD.
    static std::string ToUtf8(std::u16string_view text);
};

}  // namespace Host
