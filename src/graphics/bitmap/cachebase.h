#pragma once

namespace Graphics {

// A renderer's derived copy of a pixel source (a DIB, a texture), kept in the source's
// CacheHolder. Renderers derive their entries from it; the holder only destroys them.
class CacheBase {
public:
    virtual ~CacheBase() = default;
};

}  // namespace Graphics
