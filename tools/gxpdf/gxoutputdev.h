// A Poppler output device that draws every page through libgx's C interface: Poppler parses
// the document and interprets its content streams, libgx paints.
#ifndef GXPDF_GXOUTPUTDEV_H_
#define GXPDF_GXOUTPUTDEV_H_

#include <gx.h>

#include <vector>

#include <OutputDev.h>

#include "glyphoutlines.h"

class GXOutputDev : public OutputDev {
public:
    GXOutputDev();
    ~GXOutputDev() override;

    // Document-wide state (fonts) comes from xref; call before the first page.
    void StartDoc(XRef* xref) { xref_ = xref; }
    // The last page drawn (PARGB32, opaque: white paper), a new reference, or null when there
    // was none. The next page of the same size is drawn into the same bitmap.
    GXBitmapRec_* Page();
    // Calls to libgx that failed since the last page started.
    int Failures() const { return failures_; }

    bool upsideDown() override { return true; }
    bool useDrawChar() override { return true; }
    bool interpretType3Chars() override { return true; }
    // Axial, radial and the four mesh types map onto libgx gradients, function-based ones
    // onto a bitmap.
    bool useShadedFills(int type) override { return type >= 1 && type <= 7; }

    void startPage(int pageNum, GfxState* state, XRef* xref) override;
    void endPage() override;
    void saveState(GfxState* state) override;
    void restoreState(GfxState* state) override;

    void stroke(GfxState* state) override;
    void fill(GfxState* state) override { Fill(state, GXFillRuleNonZero); }
    void eoFill(GfxState* state) override { Fill(state, GXFillRuleEvenOdd); }
    void clip(GfxState* state) override { Clip(state, GXFillRuleNonZero); }
    void eoClip(GfxState* state) override { Clip(state, GXFillRuleEvenOdd); }
    void clipToStrokePath(GfxState* state) override;

    bool functionShadedFill(GfxState* state, GfxFunctionShading* shading) override;
    bool axialShadedFill(GfxState* state, GfxAxialShading* shading, double tMin,
                         double tMax) override;
    bool radialShadedFill(GfxState* state, GfxRadialShading* shading, double sMin,
                          double sMax) override;
    bool gouraudTriangleShadedFill(GfxState* state, GfxGouraudTriangleShading* shading) override;
    bool patchMeshShadedFill(GfxState* state, GfxPatchMeshShading* shading) override;

    void beginTextObject(GfxState* state) override;
    void endTextObject(GfxState* state) override;
    void drawChar(GfxState* state, double x, double y, double dx, double dy, double originX,
                  double originY, CharCode code, int nBytes, const Unicode* u, int uLen) override;
    bool beginType3Char(GfxState*, double, double, double, double, CharCode, const Unicode*,
                        int) override {
        return false;  // draw the glyph procedure through this device
    }

    void drawImageMask(GfxState* state, Object* ref, Stream* str, int width, int height,
                       bool invert, bool interpolate, bool inlineImg) override;
    void drawImage(GfxState* state, Object* ref, Stream* str, int width, int height,
                   GfxImageColorMap* colorMap, bool interpolate, const int* maskColors,
                   bool inlineImg) override;
    void drawMaskedImage(GfxState* state, Object* ref, Stream* str, int width, int height,
                         GfxImageColorMap* colorMap, bool interpolate, Stream* maskStr,
                         int maskWidth, int maskHeight, bool maskInvert,
                         bool maskInterpolate) override;
    void drawSoftMaskedImage(GfxState* state, Object* ref, Stream* str, int width, int height,
                             GfxImageColorMap* colorMap, bool interpolate, Stream* maskStr,
                             int maskWidth, int maskHeight, GfxImageColorMap* maskColorMap,
                             bool maskInterpolate) override;

    void beginTransparencyGroup(GfxState* state, const double* bbox,
                                GfxColorSpace* blendingColorSpace, bool isolated, bool knockout,
                                bool forSoftMask) override;
    void endTransparencyGroup(GfxState* state) override;
    void paintTransparencyGroup(GfxState*, const double*) override {}  // done at the end
    void setSoftMask(GfxState* state, const double* bbox, bool alpha, Function* transferFunc,
                     GfxColor* backdropColor) override;
    void clearSoftMask(GfxState* state) override;

private:
    // What libgx's current level holds of the state that Poppler changes lazily.
    struct Applied {
        int blendMode = GXBlendModeNormal;
        GXBrushRec_* mask = nullptr;  // the soft mask set on the level (a reference held)
        bool strokeAdjust = false;
    };
    // A surface drawn on: the page, or a soft mask's group drawn apart from it.
    struct Surface {
        GXBitmapRec_* bitmap = nullptr;
        GXRenderTargetRec_* target = nullptr;
        std::vector<Applied> levels;  // one per pushed state and open layer
    };
    // A soft mask: the mask brush and how libgx reads it.
    struct SoftMask {
        GXBrushRec_* brush = nullptr;  // owned reference, null: none
        int type = 0;
    };
    // The enclosing state as saved by Poppler's save, for the group opened right after it.
    struct Saved {
        SoftMask mask;
        int blendMode = GXBlendModeNormal;
        double fillOpacity = 1;
    };
    // A solid brush kept while its colour repeats, as it mostly does from one draw to the next.
    struct CachedBrush {
        GXColorF color{};
        GXBrushRec_* brush = nullptr;
    };
    enum { kWarnLongDash, kWarnMatte, kWarnTransfer };
    // An open transparency group: a layer of the current surface, or a soft mask's surface.
    struct Group {
        bool forSoftMask = false;
        GfxColorSpace* blendingColorSpace = nullptr;
    };

    GXRenderTargetRec_* Target() { return surfaces_.back().target; }
    void Check(GXResult result) { failures_ += result != GXResultSuccess; }
    void WarnOnce(int which, const char* what);
    // Brings libgx's blend mode, soft mask and stroke adjustment up to Poppler's state before
    // a drawing call; Apply sets the given ones on the current level.
    void Sync(GfxState* state);
    void Apply(int blendMode, const SoftMask& mask, bool strokeAdjust);
    void SetCTM(const double* m);
    void SetMask(SoftMask mask);  // takes the reference
    // The current path in user space; null when empty unless keepEmpty.
    GXGeometryRec_* MakePath(GfxState* state, int rule, bool keepEmpty);
    GXBrushRec_* Solid(CachedBrush& cached, const GfxRGB& rgb, double opacity);
    GXBrushRec_* FillBrush(GfxState* state);
    GXBrushRec_* StrokeBrush(GfxState* state);
    void StrokeStyle(GfxState* state, GXStrokeStyle* style);
    void Fill(GfxState* state, int rule);
    void Clip(GfxState* state, int rule);
    void DrawGradient(GfxState* state, GXGradientRec_* gradient);  // takes the reference
    void DrawImageAt(GfxState* state, GXBitmapRec_* image, int width, int height,
                     bool interpolate);
    void DrawMasked(GfxState* state, GXBitmapRec_* image, int width, int height,
                    bool interpolate, GXBitmapRec_* mask, int maskWidth, int maskHeight,
                    int maskType, bool maskInterpolate);
    Surface NewSurface(int width, int height, GXPixelFormat format, uint32_t clear);
    void EndSurface(Surface& surface);  // ends the paint; the bitmap stays

    XRef* xref_ = nullptr;
    GlyphOutlines glyphs_;
    int width_ = 0, height_ = 0;  // the page in device pixels
    int failures_ = 0;
    std::vector<Surface> surfaces_;   // the page first
    std::vector<Saved> saved_;        // one per Poppler save
    std::vector<Group> groups_;       // open groups, innermost last
    SoftMask mask_;                   // the soft mask of Poppler's current state
    GXBitmapRec_* maskGroup_ = nullptr;  // a soft mask group drawn, awaiting setSoftMask
    GfxColorSpace* maskGroupSpace_ = nullptr;
    GXGeometryRec_* textClip_ = nullptr;  // glyphs of a clipping text object, device space
    Surface page_;                        // the page's surface, kept for the next page
    CachedBrush brushes_[2];              // fill, stroke
    int warned_ = 0;                      // kWarn* bits already printed
};

#endif  // GXPDF_GXOUTPUTDEV_H_
