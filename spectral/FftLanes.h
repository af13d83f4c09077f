#pragma once

#include <cstring>

// Lane policies for the complex loops of the radix passes. A pass's butterfly is written once, as
// a template on the policy, and runs either on one complex value at a time (ScalarLane) or on two
// neighbouring ones (PairLane: iterations i and i + 2 side by side in one 128-bit vector, the
// baseline SIMD width of every x86-64 and ARM64 machine). Each lane performs exactly the scalar
// operations, so both policies give bit-identical results.
//
// Complex values sit interleaved (re at p[0], im at p[1]). Ascending access takes the second
// value at p + 2; mirrored access (the ic = ido - i side of a pass, which walks downwards as i
// goes up) takes it at p - 2.
namespace calderine::fftpass {

struct ScalarLane {
    using V = double;
    static constexpr int width = 1;

    static void load(const double* p, V& re, V& im) noexcept {
        re = p[0];
        im = p[1];
    }
    static void loadMirrored(const double* p, V& re, V& im) noexcept { load(p, re, im); }
    static void store(double* p, V re, V im) noexcept {
        p[0] = re;
        p[1] = im;
    }
    static void storeMirrored(double* p, V re, V im) noexcept { store(p, re, im); }
};

struct PairLane {
    using V = double __attribute__((vector_size(16)));
    static constexpr int width = 2;

    static V loadu(const double* p) noexcept {
        V v;
        std::memcpy(&v, p, sizeof v);
        return v;
    }
    static void storeu(double* p, V v) noexcept { std::memcpy(p, &v, sizeof v); }

    // a = (re0, im0), b = (re1, im1) -> re = (re0, re1), im = (im0, im1), and back.
    static void split(V a, V b, V& re, V& im) noexcept {
        re = __builtin_shufflevector(a, b, 0, 2);
        im = __builtin_shufflevector(a, b, 1, 3);
    }
    static V lane0(V re, V im) noexcept { return __builtin_shufflevector(re, im, 0, 2); }
    static V lane1(V re, V im) noexcept { return __builtin_shufflevector(re, im, 1, 3); }

    static void load(const double* p, V& re, V& im) noexcept { split(loadu(p), loadu(p + 2), re, im); }
    static void loadMirrored(const double* p, V& re, V& im) noexcept {
        split(loadu(p), loadu(p - 2), re, im);
    }
    static void store(double* p, V re, V im) noexcept {
        storeu(p, lane0(re, im));
        storeu(p + 2, lane1(re, im));
    }
    static void storeMirrored(double* p, V re, V im) noexcept {
        storeu(p, lane0(re, im));
        storeu(p - 2, lane1(re, im));
    }
};

// Calls body(lane, i) for i = 2, 4, .., ido - 1 (the complex loop of a pass): two iterations at a
// time while two remain, then the odd one out.
template <class Body>
inline void forEachComplex(const int ido, Body&& body) {
    int i = 2;
    for (; i + 2 < ido; i += 4) {
        body(PairLane{}, i);
    }
    for (; i < ido; i += 2) {
        body(ScalarLane{}, i);
    }
}

} // namespace calderine::fftpass
