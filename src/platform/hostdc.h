#pragma once

#include "platform/hostgdi.h"

namespace Host {
class HostFont;
}

// A memory device context as far as the library uses one: a graphics mode and the font
// selected for glyph queries. A new DC holds the stock font, as a Windows DC holds its
// system font, so that selecting the previous font back always has something to restore.
struct HDC__ {
    int graphicsMode = GM_COMPATIBLE;  // GM_COMPATIBLE or GM_ADVANCED
    Host::HostFont* font = nullptr;    // selected font; never null once made
};
