#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "graphics/core/exception.h"
#include "graphics/geometry/geometry.h"
#include "graphics/geometry/transformer.h"
#include "graphics/paint/brush.h"
#include "graphics/target/rendertargetbase.h"

namespace Graphics {

// A renderer that draws nothing: it keeps a real state stack, records every call with the
// CTM in force, counts calls a real renderer could not take (popping the first state,
// unbalanced layers, drawing outside a pass) and can refuse one brush kind the way a
// renderer refuses brushes it does not support.
class RecordingRenderer : public RenderTargetBase {
public:
    struct Call {
        std::string op;                      // the operation's name
        GXMatrix ctm;                        // CTM when the call arrived
        std::shared_ptr<Geometry> geometry;  // FillGeometry, FillTextGeometry, ClipGeometry
        std::shared_ptr<Brush> brush;        // fills and masks
        int32_t value = 0;                   // blend mode or mask type
        GXIntRect pixels{0, 0, 0, 0};        // FillPixels, ClipPixels
    };
    struct State {
        GXMatrix ctm = kIdentityMatrix;  // user space to device pixels
        int32_t blendMode = 0;           // as set, unvalidated
        int32_t stateValue = 0;          // as set
        bool strokeAdjustment = true;    // snapping requested
        bool layer = false;              // opened by BeginLayer rather than PushState
    };

    std::vector<Call> calls;
    std::vector<State> stack{State{}};  // never empty
    bool painting = false;
    int misuse = 0;                         // calls out of order
    std::optional<BrushKind> rejectedKind;  // fills with this brush kind raise
    GXIntSize size{100, 50};

    State& Top() { return stack.back(); }
    const State& Top() const { return stack.back(); }
    void Record(const std::string& op, std::shared_ptr<Geometry> g = nullptr,
                std::shared_ptr<Brush> b = nullptr, int32_t value = 0) {
        calls.push_back(Call{op, Top().ctm, std::move(g), std::move(b), value});
    }
    void CheckDrawing(const std::shared_ptr<Brush>& brush) {
        if (!painting) ++misuse;
        if (brush && rejectedKind && brush->GetType() == *rejectedKind) GX_RAISE("Not implemented");
    }
    // The calls that reach pixels or the clip.
    std::vector<Call> Drawn() const {
        std::vector<Call> out;
        for (const Call& c : calls)
            if (c.op == "FillGeometry" || c.op == "ClipGeometry" || c.op == "FillTextGeometry" ||
                c.op == "FillPixels" || c.op == "ClipPixels")
                out.push_back(c);
        return out;
    }

    GXPixelFormat GetPixelFormat() const override { return GXPixelFormatPARGB32; }
    GXIntSize GetSize() const override { return size; }
    float GetDpiX() const override { return 96; }
    float GetDpiY() const override { return 96; }
    GXMatrix GetCTM() const override { return Top().ctm; }
    void SetCTM(const GXMatrix& m) override {
        Top().ctm = m;
        Record("SetCTM");
    }
    int32_t GetBlendMode() const override { return Top().blendMode; }
    void SetBlendMode(int32_t mode) override {
        Top().blendMode = mode;
        Record("SetBlendMode", nullptr, nullptr, mode);
    }
    int32_t GetStateValue() const override { return Top().stateValue; }
    void SetStateValue(int32_t value) override { Top().stateValue = value; }
    bool GetStrokeAdjustment() const override { return Top().strokeAdjustment; }
    void SetStrokeAdjustment(bool flag) override { Top().strokeAdjustment = flag; }
    void BeginPaint() override {
        if (painting) ++misuse;
        painting = true;
        Record("BeginPaint");
    }
    bool EndPaint() override {
        if (!painting) ++misuse;
        painting = false;
        stack.assign(1, State{});
        Record("EndPaint");
        return true;
    }
    void Flush() override {}
    void PushState() override {
        State copy = Top();
        copy.layer = false;
        stack.push_back(copy);
        Record("PushState");
    }
    void PopState() override {
        if (stack.size() == 1 || Top().layer)
            ++misuse;
        else
            stack.pop_back();
        Record("PopState");
    }
    void BeginLayer(const GXLayerParams&) override {
        CheckDrawing(nullptr);
        State copy = Top();
        copy.layer = true;
        stack.push_back(copy);
        Record("BeginLayer");
    }
    void EndLayer() override {
        if (stack.size() == 1 || !Top().layer || !painting)
            ++misuse;
        else
            stack.pop_back();
        Record("EndLayer");
    }
    void Clear(const ColorF&) override {
        CheckDrawing(nullptr);
        Record("Clear");
    }
    void SetOpacityMask(std::shared_ptr<Brush> brush, int32_t type) override {
        CheckDrawing(nullptr);
        Record("SetOpacityMask", nullptr, std::move(brush), type);
    }
    void SetShapeMask(std::shared_ptr<Brush> brush, int32_t type) override {
        CheckDrawing(nullptr);
        Record("SetShapeMask", nullptr, std::move(brush), type);
    }
    void ClipGeometry(std::shared_ptr<Geometry> geometry) override {
        CheckDrawing(nullptr);
        Record("ClipGeometry", std::move(geometry));
    }
    void ResetClip() override { Record("ResetClip"); }
    void FillGeometry(std::shared_ptr<Geometry> geometry, std::shared_ptr<Brush> brush) override {
        CheckDrawing(brush);
        Record("FillGeometry", std::move(geometry), std::move(brush));
    }
    void FillPixels(const GXIntRect& pixels, std::shared_ptr<Brush> brush) override {
        CheckDrawing(brush);
        Record("FillPixels", nullptr, std::move(brush));
        calls.back().pixels = pixels;
    }
    void ClipPixels(const GXIntRect& pixels) override {
        CheckDrawing(nullptr);
        Record("ClipPixels");
        calls.back().pixels = pixels;
    }
    void FillTextGeometry(std::shared_ptr<Geometry> geometry,
                          std::shared_ptr<Brush> brush) override {
        CheckDrawing(brush);
        Record("FillTextGeometry", std::move(geometry), std::move(brush));
    }
};

}  // namespace Graphics
