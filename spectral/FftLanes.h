#pragma once

// Lane policies for the complex loops of the radix passes. A pass's butterfly is written once, as
// a generic body, and runs on one complex value at a time (ScalarLane) or on several at once in a
// vector; each lane performs exactly the scalar operations, so every policy gives bit-identical
// results. A "lanes" class bundles the policies of one instruction set with the loop that chooses
// between them (forEachComplex).
//
// Complex values sit interleaved: re at p[0], im at p[1]. Lanes run either across neighbouring
// iterations of the i loop (the next value 2 doubles up, or 2 down on the mirrored ic = ido - i
// side) or across rows k, k + 1, .. (a whole row further, with one twiddle shared by all lanes).
//
// Everything here has internal linkage: the wide builds include this header in translation units
// compiled for other instruction sets, and no copy of these functions may be shared between them.
namespace calderine::fftpass {
namespace {

// Below this ido a row has fewer than four complex iterations, too few to fill vectors along i:
// vectors then run across rows instead.
constexpr int rowLanesBelowIdo = 9;

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

// Two complex values in 128-bit vectors: the baseline SIMD width of every x86-64 and ARM64 CPU.
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
        storeu(p, __builtin_shufflevector(re, im, 0, 2));
        storeu(p + step, __builtin_shufflevector(re, im, 1, 3));
    }

    static PairLane alongI() noexcept { return {{2, 2, -2, 2, -2}}; }
    static PairLane acrossRows(int rowIn, int rowOut) noexcept {
        return {{0, rowIn, rowIn, rowOut, rowOut}};
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

// Runs body(k) for k = 0 .. l1 - 1: the loop over each row's first element. With ido == 1 those
// elements are adjacent, and a separate copy of the loop in which the compiler knows it can
// vectorise across rows (measured: about 1.5 times faster for the ido == 1 passes).
template <class Body>
inline void forEachRow(const int ido, const int l1, Body&& body) {
    if (ido == 1) {
        for (int k = 0; k < l1; ++k) {
            body(k);
        }
        return;
    }
    for (int k = 0; k < l1; ++k) {
        body(k);
    }
}

// Runs the rest of row k from iteration i on: pairs along i while two remain, then the odd one.
template <class Body>
inline void finishRow(const int ido, const int k, int i, Body& body) {
    for (; i + 2 < ido; i += 4) {
        body(PairLane::alongI(), i, k);
    }
    for (; i < ido; i += 2) {
        body(ScalarLane{}, i, k);
    }
}

// 128-bit lanes, for any CPU.
struct BaselineLanes {
    // Calls body(lane, i, k) for i = 2, 4, .., ido - 1 and k = 0 .. l1 - 1. rowIn and rowOut are
    // the distances between consecutive rows k of cc and of ch.
    template <class Body>
    static void forEachComplex(const int ido, const int l1, const int rowIn, const int rowOut,
                               Body&& body) {
        int k = 0;
        if (ido < rowLanesBelowIdo) {
            const PairLane rows = PairLane::acrossRows(rowIn, rowOut);
            for (; k + 1 < l1; k += 2) {
                for (int i = 2; i < ido; i += 2) {
                    body(rows, i, k);
                }
            }
        }
        for (; k < l1; ++k) {
            finishRow(ido, k, 2, body);
        }
    }
};

} // namespace
} // namespace calderine::fftpass
