#pragma once

// Lane policies for the complex loops of the radix passes. A pass's butterfly is written once, as
// a generic body, and runs either on one complex value at a time (ScalarLane) or on two at once
// in a 128-bit vector (PairLane, the baseline SIMD width of every x86-64 and ARM64 machine). Each
// lane performs exactly the scalar operations, so every policy gives bit-identical results.
//
// Complex values sit interleaved: re at p[0], im at p[1]. A PairLane's second value lies at a
// fixed distance from the first: the next iteration of the i loop (2 doubles up, or 2 down on the
// mirrored ic = ido - i side), or the next k (a whole row further, the same twiddle for both).
namespace calderine::fftpass {

struct ScalarLane {
    using V = double;

    static void load(const double* p, V& re, V& im) noexcept {
        re = p[0];
        im = p[1];
    }
    static void store(double* p, V re, V im) noexcept {
        p[0] = re;
        p[1] = im;
    }
    static void twiddle(const double* w, V& re, V& im) noexcept { load(w, re, im); }
    static void loadIn(const double* p, V& re, V& im) noexcept { load(p, re, im); }
    static void loadInMirrored(const double* p, V& re, V& im) noexcept { load(p, re, im); }
    static void storeOut(double* p, V re, V im) noexcept { store(p, re, im); }
    static void storeOutMirrored(double* p, V re, V im) noexcept { store(p, re, im); }
};

// Distances, in doubles, from a PairLane's first complex value to its second.
struct PairSteps {
    int twiddle;
    int in;
    int inMirrored;
    int out;
    int outMirrored;
};

struct PairLane {
    using V = double __attribute__((vector_size(16)));
    // The same vector at any double's alignment. Accessing memory through it (rather than
    // through memcpy, which may alias anything) tells the compiler that a store into the
    // arrays cannot change the pass's indices and pointers.
    using UnalignedV = double __attribute__((vector_size(16), aligned(8)));

    PairSteps steps;

    static V loadu(const double* p) noexcept { return *reinterpret_cast<const UnalignedV*>(p); }
    static void storeu(double* p, V v) noexcept { *reinterpret_cast<UnalignedV*>(p) = v; }

    // (re0, im0) at p, (re1, im1) at p + step -> re = (re0, re1), im = (im0, im1); and back.
    static void load(const double* p, int step, V& re, V& im) noexcept {
        const V a = loadu(p);
        const V b = loadu(p + step);
        re = __builtin_shufflevector(a, b, 0, 2);
        im = __builtin_shufflevector(a, b, 1, 3);
    }
    static void store(double* p, int step, V re, V im) noexcept {
        p[0] = re[0];
        p[1] = im[0];
        p[step] = re[1];
        p[step + 1] = im[1];
    }

    void twiddle(const double* w, V& re, V& im) const noexcept { load(w, steps.twiddle, re, im); }
    void loadIn(const double* p, V& re, V& im) const noexcept { load(p, steps.in, re, im); }
    void loadInMirrored(const double* p, V& re, V& im) const noexcept {
        load(p, steps.inMirrored, re, im);
    }
    void storeOut(double* p, V re, V im) const noexcept { store(p, steps.out, re, im); }
    void storeOutMirrored(double* p, V re, V im) const noexcept {
        store(p, steps.outMirrored, re, im);
    }
};

// Runs body(lane, i, k) over the complex loop of a pass, i = 2, 4, .., ido - 1 and k = 0 .. l1 - 1.
// With two or more rows, pairs of rows k, k + 1 share each vector (rowIn, rowOut: the distance
// between consecutive rows of cc and ch); with a single row, pairs of neighbouring i do. The odd
// one out, if any, runs scalar.
template <class Body>
inline void forEachComplex(const int ido, const int l1, const int rowIn, const int rowOut,
                           Body&& body) {
    if (l1 >= 2) {
        const PairLane rows{{0, rowIn, rowIn, rowOut, rowOut}};
        int k = 0;
        for (; k + 1 < l1; k += 2) {
            for (int i = 2; i < ido; i += 2) {
                body(rows, i, k);
            }
        }
        if (k < l1) {
            for (int i = 2; i < ido; i += 2) {
                body(ScalarLane{}, i, k);
            }
        }
        return;
    }
    const PairLane neighbours{{2, 2, -2, 2, -2}};
    int i = 2;
    for (; i + 2 < ido; i += 4) {
        body(neighbours, i, 0);
    }
    for (; i < ido; i += 2) {
        body(ScalarLane{}, i, 0);
    }
}

} // namespace calderine::fftpass
