// Call programs over every export: the input is decoded into a bounded sequence of calls on
// a handful of live objects. Handles are picked from one table whatever kind the call
// expects, so wrong kinds and null come up as often as right ones. After each call:
//  - the result is one of the documented codes;
//  - a failing call left its outputs untouched (they are pre-filled with a marker);
//  - every live object still answers a query of its own kind.
// Any breach aborts, which libFuzzer reports with the input that caused it.
#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <vector>

#include "gx.h"

namespace {

enum Kind { kPalette, kBitmap, kBrush, kGradient, kGeometry, kRegion, kTarget, kFont };

struct Live {
    GXOBase* handle;
    Kind kind;
};

constexpr size_t kMaxLive = 12;     // objects alive at once
constexpr size_t kMaxCalls = 96;    // calls in one program
constexpr uint8_t kMarker = 0xA5;   // what outputs hold before a call

[[noreturn]] void Fail(const char* what, int call, int op) {
    std::fprintf(stderr, "calls_fuzzer: %s (call %d, op %d)\n", what, call, op);
    std::abort();
}

// An output buffer filled with the marker, large enough for any output record.
struct Out {
    alignas(16) uint8_t bytes[256];
    Out() { std::memset(bytes, kMarker, sizeof bytes); }
    template <class T>
    T* As() {
        static_assert(sizeof(T) <= sizeof bytes);
        return reinterpret_cast<T*>(bytes);
    }
    bool Untouched() const {
        for (uint8_t b : bytes)
            if (b != kMarker) return false;
        return true;
    }
};

class Program {
public:
    explicit Program(const uint8_t* data, size_t size) : in_(data, size) {}
    ~Program() { ReleaseAll(); }

    void Run() {
        for (size_t call = 0; call < kMaxCalls && in_.remaining_bytes() > 0; ++call) {
            Out out;
            const int op = in_.ConsumeIntegralInRange<int>(0, kOps - 1);
            const GXResult result = Call(op, out);
            Check(result, out, int(call), op);
        }
    }

private:
    static constexpr int kOps = 100;

    // ---- argument makers -----------------------------------------------------------
    float F() {
        static const float special[] = {0.f, 1.f, -1.f, 0.5f, 2.f, 8.f, 64.f, 1e-6f, 1e-30f,
                                        1e30f, 3e38f, -3e38f,
                                        std::numeric_limits<float>::quiet_NaN(),
                                        std::numeric_limits<float>::infinity(),
                                        -std::numeric_limits<float>::infinity(), 1e-4f};
        const uint8_t pick = in_.ConsumeIntegral<uint8_t>();
        if (pick < 48) return special[pick % 16];
        return in_.ConsumeFloatingPointInRange<float>(-100.f, 100.f);
    }
    int32_t I() {
        const uint8_t pick = in_.ConsumeIntegral<uint8_t>();
        if (pick < 16) {
            static const int32_t special[] = {0, 1, -1, 2, 64, 65, INT32_MAX, INT32_MIN,
                                              INT32_MAX - 1, 1 << 20, -64, 3, 16, 255, 256, 7};
            return special[pick];
        }
        return in_.ConsumeIntegralInRange<int32_t>(-8, 72);
    }
    // A bitmap dimension: small, zero or negative. Sizes the allocator cannot meet are the
    // bitmap tests' business; here they would only trip the fuzzer's malloc limit.
    int32_t D() { return in_.ConsumeIntegralInRange<int32_t>(-2, 70); }
    GXPoint P() { return GXPoint{F(), F()}; }
    GXRect R() { return GXRect{F(), F(), F(), F()}; }
    GXIntRect IR() { return GXIntRect{I(), I(), I(), I()}; }
    GXMatrix M() { return GXMatrix{F(), F(), F(), F(), F(), F()}; }
    // Null now and then, else the address of `value`.
    template <class T>
    const T* Maybe(const T& value) {
        return in_.ConsumeIntegral<uint8_t>() < 16 ? nullptr : &value;
    }
    GXStrokeStyle Style() {
        GXStrokeStyle s{};
        s.lineJoin = in_.ConsumeIntegralInRange<int32_t>(-1, 3);
        s.lineCap = in_.ConsumeIntegralInRange<int32_t>(-1, 3);
        s.miterLimit = F();
        s.dashOffset = F();
        s.dashCount = in_.ConsumeIntegralInRange<uint64_t>(0, 16);
        for (size_t i = 0; i < 15 && i < s.dashCount; ++i) s.dashes[i] = F();
        return s;
    }
    const uint16_t* Text() {
        static const uint16_t texts[][8] = {{'A', 'g', 0}, {0}, {0xD800, 'x', 0},
                                            {' ', 0x263A, 0xFFFF, 0}};
        return texts[in_.ConsumeIntegralInRange<int>(0, 3)];
    }
    const uint16_t* Path() {
        static const uint16_t paths[][24] = {
            {'/', 't', 'm', 'p', '/', 'g', 'x', 'f', 'u', 'z', 'z', '.', 'p', 'n', 'g', 0},
            {'/', 't', 'm', 'p', '/', 'g', 'x', 'f', 'u', 'z', 'z', '.', 'j', 'p', 'g', 0},
            {'/', 't', 'm', 'p', '/', 'g', 'x', 'f', 'u', 'z', 'z', '.', 'g', 'i', 'f', 0},
            {'/', 'n', 'o', '/', 's', 'u', 'c', 'h', '.', 'b', 'm', 'p', 0},
            {'/', 'd', 'e', 'v', '/', 'n', 'u', 'l', 'l', 0}};
        return paths[in_.ConsumeIntegralInRange<int>(0, 4)];
    }

    // A handle from the table, whatever its kind, or null.
    template <class Record>
    Record* H() {
        const uint8_t pick = in_.ConsumeIntegral<uint8_t>();
        if (live_.empty() || pick >= 240) return nullptr;
        return reinterpret_cast<Record*>(live_[pick % live_.size()].handle);
    }
    // Takes a new handle that a successful call wrote.
    template <class Record>
    void Adopt(GXResult result, Record* handle, Kind kind) {
        if (result != GXResultSuccess || !handle) return;
        if (live_.size() >= kMaxLive) {
            GXObjectRelease(GX_HANDLE(handle));
            return;
        }
        live_.push_back({GX_HANDLE(handle), kind});
    }

    GXResult Call(int op, Out& out);
    void Check(GXResult result, const Out& out, int call, int op);
    void ReleaseAll();

    FuzzedDataProvider in_;
    std::vector<Live> live_;
    std::vector<uint32_t> cacheIds_;  // registered by this program, removed at its end
};

// Makes a handle of kind `kind` through `make`, adopting it on success.
#define MAKE(Record, kind, call)                                         \
    do {                                                                 \
        Record** slot = out.As<Record*>();                               \
        const GXResult made = (call);                                    \
        Adopt(made, made == GXResultSuccess ? *slot : nullptr, kind);    \
        return made;                                                     \
    } while (0)

GXResult Program::Call(int op, Out& out) {
    switch (op) {
    // ---- objects
    case 0: {
        if (live_.empty()) return GXResultSuccess;
        const size_t i = in_.ConsumeIntegral<uint8_t>() % live_.size();
        const GXOBase* h = live_[i].handle;
        for (uint32_t id : cacheIds_) {
            // The cache takes no reference: forget what is about to die.
            GXBitmapRec_* registered = nullptr;
            if (GXBitmapCacheGet(id, &registered) == GXResultSuccess &&
                GX_HANDLE(registered) == h)
                GXBitmapCacheRemove(id);
        }
        const GXResult r = GXObjectRelease(live_[i].handle);
        live_.erase(live_.begin() + long(i));
        return r;
    }
    case 1: return GXObjectAcquire(nullptr);
    // ---- palettes
    case 2: {
        uint32_t colors[4] = {0xFF000000u, 0xFFFFFFFFu, 0x80FF0000u, 0u};
        MAKE(GXPaletteRec_, kPalette,
             GXCreatePalette(Maybe(colors[0]), in_.ConsumeIntegralInRange<uint64_t>(0, 4), slot));
    }
    case 3: return GXPaletteGetNumColors(H<GXPaletteRec_>(), out.As<uint64_t>());
    case 4: return GXPaletteGetColor(H<GXPaletteRec_>(), in_.ConsumeIntegral<uint8_t>(), out.As<uint32_t>());
    case 5: return GXPaletteGetColors(H<GXPaletteRec_>(), out.As<const uint32_t*>());
    // ---- bitmaps
    case 6: {
        const GXBitmapDesc desc{D(), D(), GXPixelFormat(in_.ConsumeIntegralInRange<int32_t>(-1, 11)),
                                F(), F()};
        MAKE(GXBitmapRec_, kBitmap, GXCreateBitmap(Maybe(desc), slot));
    }
    case 7: return GXBitmapGetPixelFormat(H<GXBitmapRec_>(), out.As<GXPixelFormat>());
    case 8: return GXBitmapGetSize(H<GXBitmapRec_>(), out.As<GXIntSize>());
    case 9: return GXBitmapGetDpiX(H<GXBitmapRec_>(), out.As<float>());
    case 10: return GXBitmapGetDpiY(H<GXBitmapRec_>(), out.As<float>());
    case 11: return GXBitmapSetPalette(H<GXBitmapRec_>(), H<GXPaletteRec_>());
    case 12: MAKE(GXPaletteRec_, kPalette, GXBitmapGetPalette(H<GXBitmapRec_>(), slot));
    case 13: {
        const GXIntRect rect = IR();
        GXBitmapRec_* bitmap = H<GXBitmapRec_>();
        const GXIntRect* window = Maybe(rect);
        GXBitmapData* data = out.As<GXBitmapData>();
        const GXResult r =
            GXBitmapLock(bitmap, window, in_.ConsumeIntegralInRange<uint32_t>(0, 4), data);
        GXIntSize size{};
        if (r == GXResultSuccess && GXBitmapGetSize(bitmap, &size) == GXResultSuccess) {
            // Touch the first and last byte of the window's first row, when it has one: it
            // must be ours to use.
            const int64_t rows = window ? int64_t(window->bottom) - window->top : size.height;
            if (rows != 0 && data->rowBytes > 0 && data->data) {
                volatile uint8_t* p = static_cast<uint8_t*>(data->data);
                p[0] = p[0];
                p[data->rowBytes - 1] = p[data->rowBytes - 1];
            }
        }
        return r;
    }
    case 14: return GXBitmapUnlock(H<GXBitmapRec_>());
    case 15: {
        const GXIntPoint origin{I(), I()};
        const GXIntRect rect = IR();
        return GXBitmapCopyFromBitmap(H<GXBitmapRec_>(), Maybe(origin), H<GXBitmapRec_>(),
                                      Maybe(rect));
    }
    case 16:
    case 17: {
        // Memory the caller really owns for any window of a bitmap up to 70 rows: 72 rows of
        // up to 256 bytes each way from the middle, so negative strides fit too.
        static uint8_t memory[2 * 72 * 256];
        const GXIntRect rect = IR();
        const int32_t stride = in_.ConsumeIntegralInRange<int32_t>(-256, 256);
        const int32_t rowBytes = in_.ConsumeIntegralInRange<int32_t>(-1, 256);
        const GXBitmapData data{memory + 72 * 256, stride, rowBytes};
        if (op == 16) return GXBitmapCopyFromMemory(H<GXBitmapRec_>(), Maybe(rect), Maybe(data));
        return GXBitmapCopyToMemory(H<GXBitmapRec_>(), Maybe(rect), Maybe(data));
    }
    case 18: {
        const GXIntRect rect = IR();
        return GXBitmapColorFill(H<GXBitmapRec_>(), Maybe(rect), in_.ConsumeIntegral<uint32_t>());
    }
    case 19: return GXBitmapNotifyChanged(H<GXBitmapRec_>());
    case 20: return GXBitmapSetOffscreenPainting(H<GXBitmapRec_>(), I());
    case 21: MAKE(GXBitmapRec_, kBitmap, GXCreateBitmapFromFile(Path(), slot));
    case 22:
        MAKE(GXBitmapRec_, kBitmap,
             GXCreateBitmapFromFileFrame(Path(), I(), nullptr, slot));
    case 23: {
        const std::vector<uint8_t> bytes = in_.ConsumeBytes<uint8_t>(in_.ConsumeIntegral<uint8_t>());
        MAKE(GXBitmapRec_, kBitmap,
             GXCreateBitmapFromMemory(bytes.empty() ? nullptr : bytes.data(), bytes.size(), slot));
    }
    case 24: return GXBitmapSaveToFile(H<GXBitmapRec_>(), Path());
    // ---- bitmap cache
    case 25: return GXBitmapCacheSetMemoryQuota(in_.ConsumeIntegral<uint32_t>());
    case 26: return GXBitmapCacheGetMemoryQuota(out.As<uint64_t>());
    case 27: return GXBitmapCacheGetMemoryInUse(out.As<uint64_t>());
    case 28: {
        int32_t* id = out.As<int32_t>();
        const GXResult r = GXBitmapCachePut(H<GXBitmapRec_>(), id);
        if (r == GXResultSuccess) cacheIds_.push_back(uint32_t(*id));
        return r;
    }
    case 29: {
        // The registry gives no reference; the handle is not kept.
        const uint32_t id = cacheIds_.empty() || in_.ConsumeBool()
                                ? in_.ConsumeIntegral<uint32_t>()
                                : cacheIds_[in_.ConsumeIntegral<uint8_t>() % cacheIds_.size()];
        return GXBitmapCacheGet(id, out.As<GXBitmapRec_*>());
    }
    case 30: return GXBitmapCacheRemove(in_.ConsumeIntegral<uint32_t>());
    // ---- geometry
    case 31: MAKE(GXGeometryRec_, kGeometry, GXCreateGeometry(slot));
    case 32: return GXGeometrySetFillRule(H<GXGeometryRec_>(), I());
    case 33: return GXGeometryGetFillRule(H<GXGeometryRec_>(), out.As<int32_t>());
    case 34: return GXGeometryEmpty(H<GXGeometryRec_>(), out.As<uint8_t>());
    case 35: return GXGeometryPointsEqual(H<GXGeometryRec_>(), H<GXGeometryRec_>(), out.As<uint8_t>());
    case 36: return GXGeometryGetCurrentPoint(H<GXGeometryRec_>(), out.As<GXPoint>());
    case 37: {
        const GXPoint p = P();
        return GXGeometryBeginFigure(H<GXGeometryRec_>(), Maybe(p));
    }
    case 38: return GXGeometryEndFigure(H<GXGeometryRec_>());
    case 39: return GXGeometryEndFigureClose(H<GXGeometryRec_>());
    case 40: {
        const GXPoint p = P();
        return GXGeometryLineTo(H<GXGeometryRec_>(), Maybe(p));
    }
    case 41: {
        const GXPoint a = P(), b = P();
        return GXGeometryConicCurveTo(H<GXGeometryRec_>(), Maybe(a), Maybe(b));
    }
    case 42: {
        const GXPoint a = P(), b = P(), c = P();
        return GXGeometryCubicCurveTo(H<GXGeometryRec_>(), Maybe(a), Maybe(b), Maybe(c));
    }
    case 43: {
        const GXRect r = R();
        return GXGeometryRectangle(H<GXGeometryRec_>(), Maybe(r));
    }
    case 44: {
        const GXRect r = R();
        return GXGeometryEllipse(H<GXGeometryRec_>(), Maybe(r));
    }
    case 45: {
        const GXRect r = R();
        return GXGeometryRoundRectangle(H<GXGeometryRec_>(), Maybe(r), F(), F());
    }
    case 46: MAKE(GXGeometryRec_, kGeometry, GXGeometryCopy(H<GXGeometryRec_>(), slot));
    case 47: {
        GXGeometrySinkCallbacks cb{};
        cb.setFillRule = [](void*, int32_t) {};
        cb.beginFigure = [](void*, const GXPoint*) {};
        cb.endFigure = [](void*) {};
        cb.endFigureClose = [](void*) {};
        cb.lineTo = [](void*, const GXPoint*) {};
        cb.cubicCurveTo = [](void*, const GXPoint*, const GXPoint*, const GXPoint*) {};
        if (in_.ConsumeBool()) cb.lineTo = nullptr;
        return GXGeometrySendToSink(H<GXGeometryRec_>(), Maybe(cb));
    }
    case 48: {
        const GXMatrix m = M();
        MAKE(GXGeometryRec_, kGeometry, GXGeometryTransform(H<GXGeometryRec_>(), Maybe(m), slot));
    }
    case 49: {
        const GXMatrix m = M();
        return GXGeometryGetBound(H<GXGeometryRec_>(), Maybe(m), out.As<GXRect>());
    }
    case 50: {
        const GXPoint p = P();
        return GXGeometryHitTest(H<GXGeometryRec_>(), Maybe(p), out.As<uint8_t>());
    }
    case 51: {
        const GXStrokeStyle s = Style();
        const float width = F(), tolerance = F();
        MAKE(GXGeometryRec_, kGeometry,
             GXGeometryWiden(H<GXGeometryRec_>(), width, Maybe(s), tolerance, slot));
    }
    case 52: {
        const GXMatrix m = M();
        const int32_t operation = in_.ConsumeIntegralInRange<int32_t>(-1, 5);
        const float precision = F();
        MAKE(GXGeometryRec_, kGeometry,
             GXGeometryCombine(H<GXGeometryRec_>(), H<GXGeometryRec_>(), Maybe(m), operation,
                               precision, slot));
    }
    // ---- regions
    case 53: MAKE(GXRegionRec_, kRegion, GXCreateRegion(slot));
    case 54: {
        const GXIntRect r = IR();
        MAKE(GXRegionRec_, kRegion, GXCreateRegionFromRect(Maybe(r), slot));
    }
    case 55: return GXRegionIsAreaEmpty(H<GXRegionRec_>(), out.As<uint8_t>());
    case 56: return GXRegionGetBound(H<GXRegionRec_>(), out.As<GXIntRect>());
    case 57: {
        const GXIntPoint p{I(), I()};
        return GXRegionContainsPoint(H<GXRegionRec_>(), Maybe(p), out.As<uint8_t>());
    }
    case 58: {
        const GXIntRect r = IR();
        return GXRegionContainsRect(H<GXRegionRec_>(), Maybe(r), out.As<uint8_t>());
    }
    case 59: return GXRegionContains(H<GXRegionRec_>(), H<GXRegionRec_>(), out.As<uint8_t>());
    case 60: return GXRegionHasIntersection(H<GXRegionRec_>(), H<GXRegionRec_>(), out.As<uint8_t>());
    case 61: {
        const GXIntRect r = IR();
        return GXRegionHasIntersectionWithRect(H<GXRegionRec_>(), Maybe(r), out.As<uint8_t>());
    }
    case 62: return GXRegionOffset(H<GXRegionRec_>(), I(), I());
    case 63: {
        const GXCombineMode mode = in_.ConsumeIntegralInRange<int32_t>(-1, 5);
        MAKE(GXRegionRec_, kRegion, GXRegionCombine(H<GXRegionRec_>(), H<GXRegionRec_>(), mode, slot));
    }
    case 64: {
        const GXIntRect r = IR();
        const GXCombineMode mode = in_.ConsumeIntegralInRange<int32_t>(-1, 5);
        MAKE(GXRegionRec_, kRegion, GXRegionCombineRect(H<GXRegionRec_>(), Maybe(r), mode, slot));
    }
    case 65: {
        int rects = 0;
        return GXRegionEnumRects(
            H<GXRegionRec_>(), [](void* c, const GXIntRect*) { ++*static_cast<int*>(c); }, &rects);
    }
    // ---- gradients and brushes
    case 66:
    case 67: {
        const GXGradientStop stops[3] = {{F(), in_.ConsumeIntegral<uint32_t>()},
                                         {F(), in_.ConsumeIntegral<uint32_t>()},
                                         {F(), in_.ConsumeIntegral<uint32_t>()}};
        const uint64_t count = in_.ConsumeIntegralInRange<uint64_t>(0, 3);
        const uint8_t extendStart = in_.ConsumeIntegralInRange<uint8_t>(0, 2);
        const uint8_t extendEnd = in_.ConsumeIntegralInRange<uint8_t>(0, 2);
        if (op == 66) {
            const GXLinearGradientDesc d{stops, count, F(), F(), F(), F(), extendStart, extendEnd,
                                         {0, 0}, in_.ConsumeIntegral<uint32_t>()};
            MAKE(GXGradientRec_, kGradient, GXCreateGradientLinear(Maybe(d), slot));
        }
        const GXRadialGradientDesc d{stops, count, F(), F(), F(), F(), F(), F(), extendStart,
                                     extendEnd, {0, 0}, in_.ConsumeIntegral<uint32_t>()};
        MAKE(GXGradientRec_, kGradient, GXCreateGradientRadial(Maybe(d), slot));
    }
    case 68: {
        const GXTriMeshVertex v[6] = {{F(), F(), 0xFFFF0000u}, {F(), F(), 0xFF00FF00u},
                                      {F(), F(), 0x800000FFu}, {F(), F(), 0xFFFFFFFFu},
                                      {F(), F(), 0u},          {F(), F(), 0xFF000000u}};
        MAKE(GXGradientRec_, kGradient,
             GXCreateGradientTriMesh(Maybe(v[0]), in_.ConsumeIntegralInRange<uint64_t>(0, 6),
                                     in_.ConsumeIntegral<uint32_t>(), slot));
    }
    case 69: {
        const GXColorF c{F(), F(), F(), F()};
        MAKE(GXBrushRec_, kBrush, GXCreateBrushSolid(Maybe(c), slot));
    }
    case 70: MAKE(GXBrushRec_, kBrush, GXCreateBrushSolidARGB(in_.ConsumeIntegral<uint32_t>(), slot));
    case 71: {
        const GXBitmapBrushParams params{in_.ConsumeIntegralInRange<int32_t>(-1, 4),
                                         in_.ConsumeIntegralInRange<int32_t>(-1, 4),
                                         in_.ConsumeIntegralInRange<int32_t>(-1, 4)};
        const GXMatrix m = M();
        const float opacity = F();
        MAKE(GXBrushRec_, kBrush,
             GXCreateBrushBitmap(H<GXBitmapRec_>(), opacity, Maybe(params), Maybe(m), slot));
    }
    case 72: {
        const GXMatrix m = M();
        const float opacity = F();
        MAKE(GXBrushRec_, kBrush, GXCreateBrushGradient(H<GXGradientRec_>(), opacity, Maybe(m), slot));
    }
    // ---- font faces
    case 73: {
        static const uint16_t family[] = {'D', 'e', 'j', 'a', 'V', 'u', ' ', 'S', 'a', 'n', 's', 0};
        const float size = in_.ConsumeBool() ? 12.f : F();
        MAKE(GXFontFaceRec_, kFont,
             GXCreateFontFace(family, in_.ConsumeIntegralInRange<uint32_t>(0, 4), size, slot));
    }
    case 74: return GXFontFaceCalculateTextBound(H<GXFontFaceRec_>(), Text(), out.As<GXTextBound>());
    // ---- render targets
    case 75: MAKE(GXRenderTargetRec_, kTarget, GXCreateRenderTargetBitmap(H<GXBitmapRec_>(), slot));
    case 76: return GXRenderTargetGetPixelFormat(H<GXRenderTargetRec_>(), out.As<GXPixelFormat>());
    case 77: return GXRenderTargetGetSize(H<GXRenderTargetRec_>(), out.As<GXIntSize>());
    case 78: return GXRenderTargetClear(H<GXRenderTargetRec_>(), in_.ConsumeIntegral<uint32_t>());
    case 79: return GXRenderTargetBeginPaint(H<GXRenderTargetRec_>());
    case 80: return GXRenderTargetEndPaint(H<GXRenderTargetRec_>());
    case 81: return in_.ConsumeBool() ? GXRenderTargetPushState(H<GXRenderTargetRec_>())
                                      : GXRenderTargetPopState(H<GXRenderTargetRec_>());
    case 82: return GXRenderTargetGetCTM(H<GXRenderTargetRec_>(), out.As<GXMatrix>());
    case 83: {
        const GXMatrix m = M();
        return in_.ConsumeBool() ? GXRenderTargetSetCTM(H<GXRenderTargetRec_>(), Maybe(m))
                                 : GXRenderTargetConcatCTM(H<GXRenderTargetRec_>(), Maybe(m));
    }
    case 84: {
        GXRenderTargetRec_* t = H<GXRenderTargetRec_>();
        switch (in_.ConsumeIntegralInRange<int>(0, 2)) {
        case 0: return GXRenderTargetRotateCTM(t, F());
        case 1: return GXRenderTargetScaleCTM(t, F(), F());
        default: return GXRenderTargetTranslateCTM(t, F(), F());
        }
    }
    case 85: {
        GXRenderTargetRec_* t = H<GXRenderTargetRec_>();
        return in_.ConsumeBool() ? GXRenderTargetSetBlendMode(t, in_.ConsumeIntegralInRange<int32_t>(-1, 17))
                                 : GXRenderTargetSetStrokeAdjustment(t, I());
    }
    case 86: {
        GXRenderTargetRec_* t = H<GXRenderTargetRec_>();
        const int32_t type = in_.ConsumeIntegralInRange<int32_t>(-1, 4);
        return in_.ConsumeBool() ? GXRenderTargetSetOpacityMask(t, type, H<GXBrushRec_>())
                                 : GXRenderTargetSetShapeMask(t, type, H<GXBrushRec_>());
    }
    case 87: {
        const GXLayerParams params{R(), F(), uint8_t(in_.ConsumeBool()), uint8_t(in_.ConsumeBool())};
        GXRenderTargetRec_* t = H<GXRenderTargetRec_>();
        // Deep nests come from repeating the call.
        const int repeat = in_.ConsumeIntegral<uint8_t>() > 250 ? 2000 : 1;
        GXResult r = GXResultSuccess;
        for (int i = 0; i < repeat && r == GXResultSuccess; ++i) r = GXRenderTargetBeginLayer(t, Maybe(params));
        return r;
    }
    case 88: return GXRenderTargetEndLayer(H<GXRenderTargetRec_>());
    case 89: {
        GXRenderTargetRec_* t = H<GXRenderTargetRec_>();
        GXGeometryRec_* g = H<GXGeometryRec_>();
        GXBrushRec_* b = H<GXBrushRec_>();
        switch (in_.ConsumeIntegralInRange<int>(0, 2)) {
        case 0: return GXRenderTargetFillGeometry(t, g, b);
        case 1: return GXRenderTargetFillTextGeometry(t, g, b);
        default: return GXRenderTargetClipGeometry(t, g);
        }
    }
    case 90: {
        GXRenderTargetRec_* t = H<GXRenderTargetRec_>();
        const GXRect r = R();
        GXBrushRec_* b = H<GXBrushRec_>();
        switch (in_.ConsumeIntegralInRange<int>(0, 4)) {
        case 0: return GXRenderTargetFillRect(t, Maybe(r), b);
        case 1: return GXRenderTargetFillEllipse(t, Maybe(r), b);
        case 2: return GXRenderTargetClipRect(t, Maybe(r));
        case 3: return GXRenderTargetClipEllipse(t, Maybe(r));
        default: return GXRenderTargetInvertRect(t, Maybe(r));
        }
    }
    case 91: {
        GXRenderTargetRec_* t = H<GXRenderTargetRec_>();
        GXGeometryRec_* g = H<GXGeometryRec_>();
        GXBrushRec_* b = H<GXBrushRec_>();
        const GXStrokeStyle s = Style();
        return GXRenderTargetStrokeGeometry(t, g, b, F(), Maybe(s));
    }
    case 92: {
        GXRenderTargetRec_* t = H<GXRenderTargetRec_>();
        const GXPoint a = P(), c = P();
        const GXRect r = R();
        GXBrushRec_* b = H<GXBrushRec_>();
        const GXStrokeStyle s = Style();
        const float width = F();
        switch (in_.ConsumeIntegralInRange<int>(0, 2)) {
        case 0: return GXRenderTargetStrokeLine(t, Maybe(a), Maybe(c), b, width, Maybe(s));
        case 1: return GXRenderTargetStrokeRect(t, Maybe(r), b, width, Maybe(s));
        default: return GXRenderTargetStrokeEllipse(t, Maybe(r), b, width, Maybe(s));
        }
    }
    case 93: {
        GXRenderTargetRec_* t = H<GXRenderTargetRec_>();
        GXBitmapRec_* bitmap = H<GXBitmapRec_>();
        const GXRect r = R();
        const float opacity = F();
        const int32_t sampling = in_.ConsumeIntegralInRange<int32_t>(-1, 4);
        return in_.ConsumeBool() ? GXRenderTargetDrawBitmap(t, bitmap, opacity, sampling)
                                 : GXRenderTargetStretchBitmap(t, bitmap, Maybe(r), opacity, sampling);
    }
    case 94: return GXRenderTargetDrawGradient(H<GXRenderTargetRec_>(), H<GXGradientRec_>(), F());
    case 95: {
        GXRenderTargetRec_* t = H<GXRenderTargetRec_>();
        GXBitmapRec_* mask = H<GXBitmapRec_>();
        GXBrushRec_* b = H<GXBrushRec_>();
        return GXRenderTargetFillMask(t, mask, b, in_.ConsumeIntegralInRange<int32_t>(-1, 4));
    }
    case 96: {
        GXRenderTargetRec_* t = H<GXRenderTargetRec_>();
        GXFontFaceRec_* face = H<GXFontFaceRec_>();
        const uint16_t* text = Text();
        return GXRenderTargetFillText(t, face, text, H<GXBrushRec_>());
    }
    case 97: {
        // A wrong-kind handle for an object's own query: always refused.
        GXOBase* h = live_.empty() ? nullptr : live_[in_.ConsumeIntegral<uint8_t>() % live_.size()].handle;
        return GXBitmapGetSize(reinterpret_cast<GXBitmapRec_*>(h), out.As<GXIntSize>());
    }
    case 98: return GXObjectAcquire(live_.empty() ? nullptr : live_[0].handle) == GXResultSuccess && !live_.empty()
                        ? GXObjectRelease(live_[0].handle)
                        : GXResultSuccess;
    default: return GXRenderTargetEndLayer(nullptr);
    }
}

void Program::Check(GXResult result, const Out& out, int call, int op) {
    switch (result) {
    case GXResultSuccess:
        break;  // successful calls write their outputs
    case GXResultNoResult:
    case GXResultInvalidArg:
    case GXResultOutOfRange:
    case GXResultGraphicsError:
    case GXResultPaintFailed:
        if (!out.Untouched()) Fail("a failing call wrote its output", call, op);
        break;
    default:
        Fail("an undocumented or unexpected result code", call, op);
    }
    // Every live object still answers a query of its own kind.
    for (const Live& live : live_) {
        GXResult r = GXResultSuccess;
        uint64_t count;
        GXIntSize size;
        uint8_t flag;
        switch (live.kind) {
        case kPalette: r = GXPaletteGetNumColors(reinterpret_cast<GXPaletteRec_*>(live.handle), &count); break;
        case kBitmap: r = GXBitmapGetSize(reinterpret_cast<GXBitmapRec_*>(live.handle), &size); break;
        case kGeometry: r = GXGeometryEmpty(reinterpret_cast<GXGeometryRec_*>(live.handle), &flag); break;
        case kRegion: r = GXRegionIsAreaEmpty(reinterpret_cast<GXRegionRec_*>(live.handle), &flag); break;
        case kTarget: r = GXRenderTargetGetSize(reinterpret_cast<GXRenderTargetRec_*>(live.handle), &size); break;
        default: r = GXObjectAcquire(live.handle) == GXResultSuccess ? GXObjectRelease(live.handle) : GXResultUnexpected;
        }
        if (r != GXResultSuccess) Fail("a live object no longer answers", call, op);
    }
}

void Program::ReleaseAll() {
    for (uint32_t id : cacheIds_) GXBitmapCacheRemove(id);
    for (const Live& live : live_) {
        if (live.kind == kTarget) GXRenderTargetEndPaint(reinterpret_cast<GXRenderTargetRec_*>(live.handle));
        if (live.kind == kBitmap)
            while (GXBitmapUnlock(reinterpret_cast<GXBitmapRec_*>(live.handle)) == GXResultSuccess) {
            }
    }
    for (const Live& live : live_) GXObjectRelease(live.handle);
    live_.clear();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Program program(data, size);
    program.Run();
    return 0;
}
