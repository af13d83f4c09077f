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
#include "simd/Lanes.h"

#include <utility>

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
    static void twiddleMirrored(const double* w, V& re, V& im) noexcept { load(w, re, im); }
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
    using V = simd::Double2;

    PairSteps steps;

    static V loadu(const double* p) noexcept { return simd::PairLanes::load(p); }
    static void storeu(double* p, V v) noexcept { simd::PairLanes::store(p, v); }

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
    // Twiddles read downwards, for a fused pass whose i runs down where the other's runs up.
    void twiddleMirrored(const double* w, V& re, V& im) const noexcept {
        load(w, -steps.twiddle, re, im);
    }
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
// across rows (measured: up to 1.7 times faster ido == 1 passes). Radix 2 and 4 use it; they run
// at ido == 1 only in sizes without factors 3 and 5, which have row policies of their own below.
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

// The rows of an ido == 1 pass, where the row loop is the whole pass (and of ido == 3, whose rows
// the radix-3 passes take whole, with ido values in place of the single one). Each row holds one
// value of each of the pass's p inputs and p outputs. On one side rows are adjacent (cc of a
// forward pass: value m of row k at k + l1 * m; ch of a backward pass likewise), on the other each
// row's p values are adjacent (p * k + m): that side is read and written p-way interleaved. A row
// policy holds a few consecutive rows in a vector, one row per lane, in order; vectors load and
// store the adjacent side whole and shuffle the interleaved side. The compiler's own vectorisation
// of these loops stores the interleaved side one double at a time (measured at N = 2400 with
// -mavx2: 740 ns for radf5 at ido = 1, no faster than the 128-bit build; with these policies 400
// ns in the AVX2 build and 600 in the 128-bit one).
struct ScalarRows {
    using V = double;

    static V splat(double x) noexcept { return x; }
    static V load(const double* p) noexcept { return *p; }
    static void store(double* p, V v) noexcept { *p = v; }
    template <int P>
    static void loadInterleaved(const double* p, V (&v)[P]) noexcept {
        for (int m = 0; m < P; ++m) {
            v[m] = p[m];
        }
    }
    template <int P>
    static void storeInterleaved(double* p, const V (&v)[P]) noexcept {
        for (int m = 0; m < P; ++m) {
            p[m] = v[m];
        }
    }
};

// Where flat element f of a two-row block (row f / P, value f % P) sits among the vectors
// v[0 .. P): for the shuffles that turn P values of two rows into P pairs of memory and back.
template <int P, int F>
struct RowSlot {
    static constexpr int value = F % P;
    static constexpr int row = F / P;
};

// Rows k and k + 1.
struct PairRowsAdjacent {
    using V = PairLane::V;

    static V splat(double x) noexcept { return V{x, x}; }
    static V load(const double* p) noexcept { return PairLane::loadu(p); }
    static void store(double* p, V v) noexcept { PairLane::storeu(p, v); }

    // Memory p[0 .. 2P): row k's P values, then row k + 1's; pair j holds elements 2j, 2j + 1.
    // Each pair is named where it is used (the compiler merges the repeated loads): gathered into
    // an array first, GCC copied the pairs to the stack with rep movsq (measured: radb55 took
    // 3176 ns at N = 2400 against 1833 for the two passes it fuses).
    template <int P>
    static void loadInterleaved(const double* p, V (&v)[P]) noexcept {
        [&]<int... M>(std::integer_sequence<int, M...>) {
            ((v[M] = __builtin_shufflevector(PairLane::loadu(p + 2 * (M / 2)),
                                             PairLane::loadu(p + 2 * ((P + M) / 2)), M % 2,
                                             2 + (P + M) % 2)),
             ...);
        }
        (std::make_integer_sequence<int, P>{});
    }
    template <int P>
    static void storeInterleaved(double* p, const V (&v)[P]) noexcept {
        [&]<int... J>(std::integer_sequence<int, J...>) {
            (PairLane::storeu(p + 2 * J, __builtin_shufflevector(v[RowSlot<P, 2 * J>::value],
                                                                 v[RowSlot<P, 2 * J + 1>::value],
                                                                 RowSlot<P, 2 * J>::row,
                                                                 2 + RowSlot<P, 2 * J + 1>::row)),
             ...);
        }
        (std::make_integer_sequence<int, P>{});
    }
};

// Runs body(rows, k) over the rows of an ido == 1 pass: pairs of rows, then the odd one.
template <class Body>
inline void forEachRowPair(const int l1, Body&& body) {
    int k = 0;
    for (; k + 1 < l1; k += 2) {
        body(PairRowsAdjacent{}, k);
    }
    for (; k < l1; ++k) {
        body(ScalarRows{}, k);
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
    // Reads the plan's twiddle table as it is (see FftTwiddleOrder.h).
    static constexpr bool twiddlesInLaneOrder = false;

    // Calls body(lane, i, 0) for i = 2, 4, .., ido - 1: one row, lanes along i.
    template <class Body>
    static void forEachAlongI(const int ido, Body&& body) {
        finishRow(ido, 0, 2, body);
    }

    // Calls body(lane, i, k) for i = 2, 4, .., ido - 1 and k = 0 .. l1 - 1, lanes along i; rowIn
    // and rowOut as in forEachComplex.
    template <class Body>
    static void forEachAlongIRows(const int ido, const int l1, const int, const int, Body&& body) {
        for (int k = 0; k < l1; ++k) {
            finishRow(ido, k, 2, body);
        }
    }

    template <class Body>
    static void forEachRowVector(const int l1, Body&& body) {
        forEachRowPair(l1, body);
    }

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
