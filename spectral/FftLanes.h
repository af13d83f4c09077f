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
    typedef double UnalignedV __attribute__((vector_size(16), aligned(8)));

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
// elements are adjacent; a copy of the loop for that case lets the compiler see it and vectorise
// across rows (measured: up to 1.7 times faster ido == 1 passes).
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

// One element per row, for the row loop of a pass written for row lanes.
struct ScalarRow {
    using V = double;

    static V in(const double* p) noexcept { return *p; }
    static void out(double* p, V v) noexcept { *p = v; }
};

// The same element of rows k and k + 1.
struct PairRows {
    using V = PairLane::V;

    int inStep;
    int outStep;

    V in(const double* p) const noexcept { return V{p[0], p[inStep]}; }
    void out(double* p, V v) const noexcept {
        p[0] = v[0];
        p[outStep] = v[1];
    }
};

// Runs body(row, k) over the rows k = 0 .. l1 - 1, two at a time where ido == 1 (where the row
// loop is the whole pass); inStep and outStep are the distances between rows of cc and ch.
template <class Body>
inline void forEachRowPair(const int ido, const int l1, const int inStep, const int outStep,
                           Body&& body) {
    int k = 0;
    if (ido == 1) {
        const PairRows rows{inStep, outStep};
        for (; k + 1 < l1; k += 2) {
            body(rows, k);
        }
    }
    for (; k < l1; ++k) {
        body(ScalarRow{}, k);
    }
}

// Rows handled together by acrossRows: few enough that they stay in the L1 cache while i runs
// over them, a multiple of every row step.
constexpr int rowBlock = 32;

// Calls body(lane, i, k) for i = 2, 4, .., ido - 1 and k = kBegin, kBegin + step, .. below kEnd,
// i outermost within each block of rows, so that the twiddles stay in registers while k runs;
// returns kEnd.
template <class Lane, class Body>
inline int acrossRows(const int ido, const int kBegin, const int kEnd, const int step,
                      const Lane& lane, Body& body) {
    for (int block = kBegin; block < kEnd; block += rowBlock) {
        const int blockEnd = kEnd - block < rowBlock ? kEnd : block + rowBlock;
        for (int i = 2; i < ido; i += 2) {
            for (int k = block; k < blockEnd; k += step) {
                body(lane, i, k);
            }
        }
    }
    return kEnd;
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
            k = acrossRows(ido, 0, l1 / 2 * 2, 2, PairLane::acrossRows(rowIn, rowOut), body);
        }
        for (; k < l1; ++k) {
            finishRow(ido, k, 2, body);
        }
    }
};

} // namespace
} // namespace calderine::fftpass
