#pragma once

#include <memory>
#include <utility>

#include "graphics/paint/gradientbase.h"
#include "graphics/paint/gradientstopcollection.h"
#include "gx.h"

namespace Graphics {

// What the two axial kinds share: stops, two defining points and the PDF Extend flags.
class TwoPointGradientBase : public GradientBase {
public:
    const GradientStopCollection& GetStops() const { return *stops_; }
    // The same collection shared, for caches that must know it by identity.
    std::shared_ptr<const GradientStopCollection> ShareStops() const { return stops_; }
    const GXPoint& GetP0() const { return p0_; }
    const GXPoint& GetP1() const { return p1_; }
    bool ExtendsStart() const { return extendStart_ != 0; }
    bool ExtendsEnd() const { return extendEnd_ != 0; }

protected:
    TwoPointGradientBase(std::shared_ptr<GradientStopCollection> stops, const GXPoint& p0,
                         const GXPoint& p1, uint8_t extendStart, uint8_t extendEnd,
                         uint32_t backgroundArgb)
        : GradientBase(backgroundArgb),
          stops_(std::move(stops)),
          p0_(p0),
          p1_(p1),
          extendStart_(extendStart),
          extendEnd_(extendEnd) {}

private:
    std::shared_ptr<GradientStopCollection> stops_;  // never empty; may hold no stop
    GXPoint p0_;           // start point (linear) or start circle centre (radial)
    GXPoint p1_;           // end point (linear) or end circle centre (radial)
    uint8_t extendStart_;  // colour continues before the start when non-zero
    uint8_t extendEnd_;    // colour continues past the end when non-zero
};

}  // namespace Graphics
