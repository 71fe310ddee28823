#pragma once

#include <vector>

#include "graphics/geometry/geometrysink.h"

// Keeps every call it receives, in order, for tests to read back.
class RecordingSink : public Graphics::GeometrySink {
public:
    enum class Op { FillRule, Begin, End, Close, Line, Cubic };
    struct Call {
        Op op;
        std::vector<GXPoint> points;  // Begin: start; Line: end; Cubic: c1, c2, end
    };

    void SetFillRule(int32_t) override { calls.push_back({Op::FillRule, {}}); }
    void BeginFigure(const GXPoint& start) override { calls.push_back({Op::Begin, {start}}); }
    void EndFigure() override { calls.push_back({Op::End, {}}); }
    void EndFigureClose() override { calls.push_back({Op::Close, {}}); }
    void LineTo(const GXPoint& point) override { calls.push_back({Op::Line, {point}}); }
    void CubicCurveTo(const GXPoint& c1, const GXPoint& c2, const GXPoint& end) override {
        calls.push_back({Op::Cubic, {c1, c2, end}});
    }

    int Count(Op op) const {
        int n = 0;
        for (const Call& call : calls) n += call.op == op;
        return n;
    }

    std::vector<Call> calls;
};
