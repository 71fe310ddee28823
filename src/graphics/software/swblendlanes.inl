// The non-separable blend modes on a vector of pixels, written once with the compiler's
// vector types and compiled by swblend_sse2.cpp and swblend_avx2.cpp for their own
// instruction sets. Every operation is the single-precision operation of the scalar
// functions in swblend.cpp, in the same order, with each choice made per lane by a mask,
// so every lane rounds exactly as the scalar code does. Included by those two files only,
// inside an anonymous namespace: `Floats` and `Ints` are their vector types, `AnyLane(mask)`
// tells whether a mask holds a set lane, and `Units(bytes)` gives x / 255.0f for bytes x as the
// scalar Unit does (through kSwInverse255).

template <class Floats, class Ints>
struct SwBlendLanes {
    struct Rgb {
        Floats r, g, b;
    };

    static Floats Channel(Ints pixels, int32_t shift) { return Units((pixels >> shift) & 0xFF); }

    static Rgb ToRgb(Ints pixels) {
        return {Channel(pixels, 16), Channel(pixels, 8), Channel(pixels, 0)};
    }

    static Floats Lum(const Rgb& c) { return 0.3f * c.r + 0.59f * c.g + 0.11f * c.b; }

    static Ints Max(Ints a, Ints b) { return a > b ? a : b; }
    static Ints Min(Ints a, Ints b) { return a < b ? a : b; }
    static Floats Max(Floats a, Floats b) { return a > b ? a : b; }
    static Floats Min(Floats a, Floats b) { return a < b ? a : b; }

    // Saturation taken on the bytes, as the scalar Sat.
    static Floats Sat(Ints pixels) {
        const Ints r = (pixels >> 16) & 0xFF, g = (pixels >> 8) & 0xFF, b = pixels & 0xFF;
        return Units(Max(r, Max(g, b)) - Min(r, Min(g, b)));
    }

    // The scalar SetSat's decision tree as masks: which channel is largest and which is
    // middle (the rest is smallest), ties broken exactly as there.
    static Rgb SetSat(const Rgb& c, Floats s) {
        const Ints rg = c.r > c.g, rb = c.r > c.b, gb = c.g > c.b, rLessB = c.r < c.b;
        const Ints caseA = rg & rb, caseB = rg & ~rb, caseC = ~rg & gb, caseD = ~rg & ~gb;
        const Ints largestR = caseA, largestG = caseC, largestB = caseB | caseD;
        const Ints middleR = caseB | (caseC & ~rLessB);
        const Ints middleG = (caseA & gb) | caseD;
        const Ints middleB = (caseA & ~gb) | (caseC & rLessB);
        const Floats largest = largestR ? c.r : (largestG ? c.g : c.b);
        const Floats middle = middleR ? c.r : (middleG ? c.g : c.b);
        const Floats smallest = (~largestR & ~middleR) ? c.r : ((~largestG & ~middleG) ? c.g : c.b);
        const Ints spread = largest > smallest;
        const Floats zero = Floats{} * 0.0f;
        const Floats newMiddle = spread ? (middle - smallest) * s / (largest - smallest) : zero;
        const Floats newLargest = spread ? s : zero;
        auto place = [&](Ints isLargest, Ints isMiddle) {
            return isLargest ? newLargest : (isMiddle ? newMiddle : zero);
        };
        return {place(largestR, middleR), place(largestG, middleG), place(largestB, middleB)};
    }

    static Rgb SetLum(Rgb c, Floats l) {
        const Floats d = l - Lum(c);
        c.r += d;
        c.g += d;
        c.b += d;
        const Floats lum = Lum(c);
        const Floats n = Min(c.r, Min(c.g, c.b));
        const Floats x = Max(c.r, Max(c.g, c.b));
        // A correction is computed in every lane once any lane needs it, and kept where the
        // scalar code makes it; the others may divide by zero, which the masks then discard.
        // Most colours need neither, so their divisions are skipped.
        const Ints low = (n < 0.0f) & (lum > n);
        if (AnyLane(low)) {
            const Floats lowDen = lum - n;
            c.r = low ? lum + (c.r - lum) * lum / lowDen : c.r;
            c.g = low ? lum + (c.g - lum) * lum / lowDen : c.g;
            c.b = low ? lum + (c.b - lum) * lum / lowDen : c.b;
        }
        const Ints high = (x > 1.0f) & (x > lum);
        if (AnyLane(high)) {
            const Floats highDen = x - lum, room = 1.0f - lum;
            c.r = high ? lum + (c.r - lum) * room / highDen : c.r;
            c.g = high ? lum + (c.g - lum) * room / highDen : c.g;
            c.b = high ? lum + (c.b - lum) * room / highDen : c.b;
        }
        return c;
    }

    // ToByte of the scalar code: above 1 gives 255, 0..1 the truncated product, the rest
    // (NaN too) 0; only in-range values reach the conversion.
    static Ints ToByte(Floats channel) {
        const Ints above = channel > 1.0f, inside = (channel >= 0.0f) & ~above;
        const Ints bytes =
            __builtin_convertvector(inside ? channel * 255.0f : Floats{} * 0.0f, Ints);
        return above ? Ints{} + 255 : bytes;
    }

    static Ints FromRgb(const Rgb& c) {
        return (ToByte(c.r) << 16) | (ToByte(c.g) << 8) | ToByte(c.b);
    }

    static Ints Blend(int32_t mode, Ints backdrop, Ints source) {
        switch (mode) {
            case kSwBlendHue:
                return FromRgb(SetLum(SetSat(ToRgb(source), Sat(backdrop)), Lum(ToRgb(backdrop))));
            case kSwBlendSaturation: {
                const Rgb cb = ToRgb(backdrop);
                return FromRgb(SetLum(SetSat(cb, Sat(source)), Lum(cb)));
            }
            case kSwBlendColor:
                return FromRgb(SetLum(ToRgb(source), Lum(ToRgb(backdrop))));
            default:
                return FromRgb(SetLum(ToRgb(backdrop), Lum(ToRgb(source))));
        }
    }

    static constexpr int32_t kLanes = int32_t(sizeof(Ints) / sizeof(int32_t));

    // B for `count` pixel pairs, whole vectors only; returns how many were done.
    static int32_t Row(int32_t mode, const uint32_t* backdrop, const uint32_t* source,
                       int32_t count, uint32_t* out) {
        int32_t i = 0;
        for (; i + kLanes <= count; i += kLanes) {
            Ints b, s;
            __builtin_memcpy(&b, backdrop + i, sizeof b);
            __builtin_memcpy(&s, source + i, sizeof s);
            const Ints result = Blend(mode, b, s);
            __builtin_memcpy(out + i, &result, sizeof result);
        }
        return i;
    }

    // B for 0 < count < kLanes pairs as one vector: the spans of small shapes are short, and
    // one vector step costs less than a few scalar ones. The idle lanes repeat the first pair
    // (a real colour, so they do nothing unusual) and their results are dropped. A lone pair,
    // the most common tail (the edge pixels of a shape come one per span), is broadcast in
    // registers: assembling a vector in memory from pixels just written costs a stalled load.
    static void Tail(int32_t mode, const uint32_t* backdrop, const uint32_t* source,
                     int32_t count, uint32_t* out) {
        if (count == 1) {
            out[0] = static_cast<uint32_t>(Blend(mode, Ints{} + static_cast<int32_t>(backdrop[0]),
                                                 Ints{} + static_cast<int32_t>(source[0]))[0]);
            return;
        }
        uint32_t b[kLanes], s[kLanes], result[kLanes];
        for (int32_t i = 0; i < kLanes; ++i) {
            b[i] = backdrop[i < count ? i : 0];
            s[i] = source[i < count ? i : 0];
        }
        Ints vb, vs;
        __builtin_memcpy(&vb, b, sizeof vb);
        __builtin_memcpy(&vs, s, sizeof vs);
        const Ints blended = Blend(mode, vb, vs);
        __builtin_memcpy(result, &blended, sizeof result);
        __builtin_memcpy(out, result, sizeof(uint32_t) * static_cast<size_t>(count));
    }

    // B for any count of pairs: whole vectors, then the rest as one padded vector.
    static void All(int32_t mode, const uint32_t* backdrop, const uint32_t* source,
                    int32_t count, uint32_t* out) {
        const int32_t done = Row(mode, backdrop, source, count, out);
        if (done < count) Tail(mode, backdrop + done, source + done, count - done, out + done);
    }
};
