// The radix passes built for 256-bit AVX2 vectors. This file alone is compiled with -mavx2 (and
// without fused multiply-add, so results match the baseline build bit for bit); it runs only
// where activeFftPasses() has seen the CPU support AVX2.

#include "fft/FftBackwardPasses.h"
#include "fft/FftForwardPasses.h"
#include "fft/FftLanes.h"
#include "fft/FftPassTable.h"
#include "fft/FftPassesOf.h"
#include "fft/FftTwiddleOrder.h"
#include "simd/Lanes.h"

namespace calderine::fftpass {
namespace {

using Quad = simd::Double4;
Quad loadQuad(const double* p) noexcept {
    return simd::QuadLanes::load(p);
}
void storeQuad(double* p, Quad v) noexcept {
    simd::QuadLanes::store(p, v);
}

// Four neighbouring iterations i, i + 2, i + 4, i + 6 of one row. The lanes hold them in the
// order quadLaneIteration (0, 2, 1, 3: what the in-lane unpack of two 256-bit loads yields); every
// data operand of a butterfly is loaded the same way, so the order is undone on storing.
struct QuadAlongI {
    using V = Quad;

    static void load(const double* p, V& re, V& im) noexcept {
        const V a = loadQuad(p);     // r0 i0 r1 i1
        const V b = loadQuad(p + 4); // r2 i2 r3 i3
        re = __builtin_shufflevector(a, b, 0, 4, 2, 6);
        im = __builtin_shufflevector(a, b, 1, 5, 3, 7);
    }
    static void store(double* p, V re, V im) noexcept {
        storeQuad(p, __builtin_shufflevector(re, im, 0, 4, 2, 6));
        storeQuad(p + 4, __builtin_shufflevector(re, im, 1, 5, 3, 7));
    }
    // Iteration j sits at p - 2j: memory from p - 6 up holds iterations 3, 2, 1, 0.
    static void loadMirrored(const double* p, V& re, V& im) noexcept {
        const V a = loadQuad(p - 2); // r1 i1 r0 i0
        const V b = loadQuad(p - 6); // r3 i3 r2 i2
        re = __builtin_shufflevector(a, b, 2, 6, 0, 4);
        im = __builtin_shufflevector(a, b, 3, 7, 1, 5);
    }
    static void storeMirrored(double* p, V re, V im) noexcept {
        storeQuad(p - 2, __builtin_shufflevector(re, im, 2, 6, 0, 4));
        storeQuad(p - 6, __builtin_shufflevector(re, im, 3, 7, 1, 5));
    }

    // Twiddles come from the table in lane order (FftTwiddleOrder.h): the block's cosines, then its
    // sines. Upwards from w the block starts at w; downwards from w (the top iteration) at w - 6.
    static void twiddle(const double* w, V& re, V& im) noexcept {
        re = loadQuad(w);
        im = loadQuad(w + 4);
    }
    static void twiddleMirrored(const double* w, V& re, V& im) noexcept {
        re = loadQuad(w - 6);
        im = loadQuad(w - 2);
    }
    static void loadIn(const double* p, V& re, V& im) noexcept { load(p, re, im); }
    static void loadInMirrored(const double* p, V& re, V& im) noexcept { loadMirrored(p, re, im); }
    static void storeOut(double* p, V re, V im) noexcept { store(p, re, im); }
    static void storeOutMirrored(double* p, V re, V im) noexcept { storeMirrored(p, re, im); }
};

// Rows k .. k + 3 at the same i, one twiddle for all four.
struct QuadAcrossRows {
    using V = Quad;

    int rowIn;
    int rowOut;

    static void load(const double* p, int row, V& re, V& im) noexcept {
        const V a = __builtin_shufflevector(PairLane::loadu(p), PairLane::loadu(p + 2 * row), 0, 1,
                                            2, 3); // rows 0, 2
        const V b = __builtin_shufflevector(PairLane::loadu(p + row), PairLane::loadu(p + 3 * row),
                                            0, 1, 2, 3); // rows 1, 3
        re = __builtin_shufflevector(a, b, 0, 4, 2, 6);
        im = __builtin_shufflevector(a, b, 1, 5, 3, 7);
    }
    static void store(double* p, int row, V re, V im) noexcept {
        const V a = __builtin_shufflevector(re, im, 0, 4, 2, 6); // rows 0, 2
        const V b = __builtin_shufflevector(re, im, 1, 5, 3, 7); // rows 1, 3
        PairLane::storeu(p, __builtin_shufflevector(a, a, 0, 1));
        PairLane::storeu(p + 2 * row, __builtin_shufflevector(a, a, 2, 3));
        PairLane::storeu(p + row, __builtin_shufflevector(b, b, 0, 1));
        PairLane::storeu(p + 3 * row, __builtin_shufflevector(b, b, 2, 3));
    }

    static void twiddle(const double* w, V& re, V& im) noexcept {
        re = V{w[0], w[0], w[0], w[0]};
        im = V{w[1], w[1], w[1], w[1]};
    }
    // One twiddle for all lanes: read in either direction, it is the same.
    static void twiddleMirrored(const double* w, V& re, V& im) noexcept { twiddle(w, re, im); }
    void loadIn(const double* p, V& re, V& im) const noexcept { load(p, rowIn, re, im); }
    void loadInMirrored(const double* p, V& re, V& im) const noexcept { load(p, rowIn, re, im); }
    void storeOut(double* p, V re, V im) const noexcept { store(p, rowOut, re, im); }
    void storeOutMirrored(double* p, V re, V im) const noexcept { store(p, rowOut, re, im); }
};

// Iterations i and i + 2 of rows k and k + 1: the shape for ido == 5, whose rows hold exactly two
// complex values (one 256-bit access per row). Lanes: (k, i), (k + 1, i), (k, i + 2),
// (k + 1, i + 2). Across four rows instead every operand takes four 128-bit accesses and four
// shuffles, twice the shuffles per value; that build gained little over the 128-bit one
// (1455 vs 1762 ns forward, 1168 vs 1745 backward for the ido = 5 radix-5 pass at N = 2400, the
// largest pass of that size); with these lanes 790 and 830 ns.
struct QuadTwoRows {
    using V = Quad;

    int rowIn;
    int rowOut;

    static void load(const double* p, int row, V& re, V& im) noexcept {
        const V a = loadQuad(p);       // row k: r0 i0 r1 i1
        const V b = loadQuad(p + row); // row k + 1
        re = __builtin_shufflevector(a, b, 0, 4, 2, 6);
        im = __builtin_shufflevector(a, b, 1, 5, 3, 7);
    }
    static void store(double* p, int row, V re, V im) noexcept {
        storeQuad(p, __builtin_shufflevector(re, im, 0, 4, 2, 6));
        storeQuad(p + row, __builtin_shufflevector(re, im, 1, 5, 3, 7));
    }
    // Iteration j of a row sits at p - 2j: memory from p - 2 holds iterations 1, 0.
    static void loadMirrored(const double* p, int row, V& re, V& im) noexcept {
        const V a = loadQuad(p - 2);       // row k: r1 i1 r0 i0
        const V b = loadQuad(p - 2 + row); // row k + 1
        re = __builtin_shufflevector(a, b, 2, 6, 0, 4);
        im = __builtin_shufflevector(a, b, 3, 7, 1, 5);
    }
    static void storeMirrored(double* p, int row, V re, V im) noexcept {
        storeQuad(p - 2, __builtin_shufflevector(re, im, 2, 6, 0, 4));
        storeQuad(p - 2 + row, __builtin_shufflevector(re, im, 3, 7, 1, 5));
    }

    static void twiddle(const double* w, V& re, V& im) noexcept {
        const V t = loadQuad(w); // cos0 sin0 cos1 sin1, shared by both rows
        re = __builtin_shufflevector(t, t, 0, 0, 2, 2);
        im = __builtin_shufflevector(t, t, 1, 1, 3, 3);
    }
    void loadIn(const double* p, V& re, V& im) const noexcept { load(p, rowIn, re, im); }
    void loadInMirrored(const double* p, V& re, V& im) const noexcept {
        loadMirrored(p, rowIn, re, im);
    }
    void storeOut(double* p, V re, V im) const noexcept { store(p, rowOut, re, im); }
    void storeOutMirrored(double* p, V re, V im) const noexcept {
        storeMirrored(p, rowOut, re, im);
    }
};

// Rows k .. k + 3 of an ido == 1 pass (see PairRowsAdjacent). Loads, and stores of rows shorter
// than wholeRowStoresFrom, shuffle the interleaved side within 128-bit halves only: the low half of
// every vector serves rows k, k + 1 and the high half rows k + 2, k + 3, so each half is a
// PairRowsAdjacent block, stored or loaded on its own.
struct QuadRowsAdjacent {
    using V = Quad;

    static constexpr int wholeRowStoresFrom = 8;

    static V splat(double x) noexcept { return V{x, x, x, x}; }
    static V load(const double* p) noexcept { return loadQuad(p); }
    static void store(double* p, V v) noexcept { storeQuad(p, v); }

    // Pairs named where used, as in PairRowsAdjacent.
    template <int P>
    static void loadInterleaved(const double* p, V (&v)[P]) noexcept {
        const auto pair = [p](int j) {
            return __builtin_shufflevector(PairLane::loadu(p + 2 * j),
                                           PairLane::loadu(p + 2 * P + 2 * j), 0, 1, 2, 3);
        };
        [&]<int... M>(std::integer_sequence<int, M...>) {
            ((v[M] = __builtin_shufflevector(pair(M / 2), pair((P + M) / 2), M % 2, 4 + (P + M) % 2,
                                             2 + M % 2, 6 + (P + M) % 2)),
             ...);
        }
        (std::make_integer_sequence<int, P>{});
    }
    // From eight values per row on, rows go out whole: each four values of the four rows are
    // transposed into four 256-bit stores, the row's last P % 4 values one at a time. Against the
    // two-row blocks below (a shuffle and two 128-bit stores per vector) measured, ns: radf433 2030
    // -> 1830 at N = 4608 and 860 -> 745 at 2304, radf355 2770 -> 2585 at 4800, radf55 1630 ->
    // 1575. With five values (radf5 at ido = 1) it lost, 757 -> 804 at 4800; loading rows so on
    // the backward side lost too (radb55 1695 -> 1800 at 4800).
    template <int P>
    static void storeInterleaved(double* p, const V (&v)[P]) noexcept {
        if constexpr (P >= wholeRowStoresFrom) {
            for (int b = 0; b + 3 < P; b += 4) {
                const V t0 = __builtin_shufflevector(v[b], v[b + 1], 0, 4, 2, 6);
                const V t1 = __builtin_shufflevector(v[b], v[b + 1], 1, 5, 3, 7);
                const V t2 = __builtin_shufflevector(v[b + 2], v[b + 3], 0, 4, 2, 6);
                const V t3 = __builtin_shufflevector(v[b + 2], v[b + 3], 1, 5, 3, 7);
                storeQuad(p + b, __builtin_shufflevector(t0, t2, 0, 1, 4, 5));
                storeQuad(p + P + b, __builtin_shufflevector(t1, t3, 0, 1, 4, 5));
                storeQuad(p + 2 * P + b, __builtin_shufflevector(t0, t2, 2, 3, 6, 7));
                storeQuad(p + 3 * P + b, __builtin_shufflevector(t1, t3, 2, 3, 6, 7));
            }
            for (int x = P / 4 * 4; x < P; ++x) {
                for (int row = 0; row < 4; ++row) {
                    p[row * P + x] = v[x][row];
                }
            }
            return;
        }
        [&]<int... J>(std::integer_sequence<int, J...>) {
            ((storeHalves(p + 2 * J, 2 * P,
                          __builtin_shufflevector(
                              v[RowSlot<P, 2 * J>::value], v[RowSlot<P, 2 * J + 1>::value],
                              RowSlot<P, 2 * J>::row, 4 + RowSlot<P, 2 * J + 1>::row,
                              2 + RowSlot<P, 2 * J>::row, 6 + RowSlot<P, 2 * J + 1>::row))),
             ...);
        }
        (std::make_integer_sequence<int, P>{});
    }

private:
    static void storeHalves(double* p, int highOffset, V v) noexcept {
        PairLane::storeu(p, __builtin_shufflevector(v, v, 0, 1));
        PairLane::storeu(p + highOffset, __builtin_shufflevector(v, v, 2, 3));
    }
};

// Below this ido, rows along i run i outermost. Measured at N = 4608: the ido = 9 radix-4 passes
// take 1473 and 1470 ns instead of 1752 and 1887; at ido = 25 .. 75 the gain is 0 .. 10 %; with
// longer rows (and fewer of them) it vanishes.
constexpr int quadsRowOuterFromIdo = 100;
// Rows per block there: a block's rows (16 x 3 x 25 doubles in, as many out, for the radix-3 pass
// at ido = 25) stay in the L1 cache across i. Without blocks that pass took 1646 and 1735 ns at
// N = 4800 (64 rows), with blocks of 16 rows 1317 and 1349; other shapes within noise.
constexpr int quadRowBlock = 16;

// Where a row's iterations along i stop filling quads: from there on up to three are left.
constexpr int leftoverAlongI(const int ido) {
    return 2 + 8 * quadsAlongI(ido);
}

// The iterations past the last whole quad along i, rows begin .. end - 1, run across rows, four at
// a time: one row at a time they ran in 128-bit or scalar lanes, the scalar one alone costing
// about as much as a quad. Measured (ns): radb4 at ido = 36 (1 of 17 iterations left per row)
// 1579, 1356, 1438 -> 1267, 1333, 1258 at N = 4608; radf4 at ido = 75 1253, 1267, 1204 -> 1151,
// 1141, 1152 at 4800; radf44 at ido = 36 2341, 2296, 2290 -> 2182, 2025, 2074 at 4608 and 1311,
// 1123, 1200 -> 1009, 1038, 1011 at 2304.
template <class Body>
inline void leftoversAcrossRows(const int ido, const int begin, const int end, const int rowIn,
                                const int rowOut, Body& body) {
    const int leftoverFrom = leftoverAlongI(ido);
    const int quadsEnd = begin + (end - begin) / 4 * 4;
    for (int i = leftoverFrom; i < ido; i += 2) {
        for (int row = begin; row < quadsEnd; row += 4) {
            body(QuadAcrossRows{rowIn, rowOut}, i, row);
        }
    }
    // Fewer than four rows left: along i again (a pair where two iterations are left).
    for (int row = quadsEnd; row < end; ++row) {
        finishRow(ido, row, leftoverFrom, body);
    }
}

// 256-bit lanes: along i where rows are long, across four rows (then two) where they are short.
struct Avx2Lanes {
    static constexpr bool twiddlesInLaneOrder = true;

    template <class Body>
    static void forEachAlongI(const int ido, Body&& body) {
        const int leftoverFrom = leftoverAlongI(ido);
        for (int i = 2; i < leftoverFrom; i += 8) {
            body(QuadAlongI{}, i, 0);
        }
        finishRow(ido, 0, leftoverFrom, body);
    }

    template <class Body>
    static void forEachAlongIRows(const int ido, const int l1, const int rowIn, const int rowOut,
                                  Body&& body) {
        const int leftoverFrom = leftoverAlongI(ido);
        for (int k = 0; k < l1; ++k) {
            for (int i = 2; i < leftoverFrom; i += 8) {
                body(QuadAlongI{}, i, k);
            }
        }
        leftoversAcrossRows(ido, 0, l1, rowIn, rowOut, body);
    }

    template <class Body>
    static void forEachRowVector(const int l1, Body&& body) {
        int k = 0;
        for (; k + 3 < l1; k += 4) {
            body(QuadRowsAdjacent{}, k);
        }
        forEachRowPair(l1 - k, [&](const auto& rows, const int j) { body(rows, k + j); });
    }

    template <class Body>
    static void forEachComplex(const int ido, const int l1, const int rowIn, const int rowOut,
                               Body&& body) {
        int k = 0;
        if (ido == 5) {
            const QuadTwoRows lane{rowIn, rowOut};
            for (; k + 1 < l1; k += 2) {
                body(lane, 2, k);
            }
        } else if (ido < rowLanesBelowIdo) {
            k = acrossRows(ido, k, l1 / 4 * 4, 4, QuadAcrossRows{rowIn, rowOut}, body);
            k = acrossRows(ido, k, k + (l1 - k) / 2 * 2, 2, PairLane::acrossRows(rowIn, rowOut),
                           body);
        }
        if (k != 0) {
            for (; k < l1; ++k) {
                finishRow(ido, k, 2, body);
            }
            return;
        }
        const int leftoverFrom = leftoverAlongI(ido);
        const auto leftovers = [&](const int begin, const int end) {
            leftoversAcrossRows(ido, begin, end, rowIn, rowOut, body);
        };
        if (ido < quadsRowOuterFromIdo) {
            // Short rows: i outermost within blocks of rows, so that each block of twiddles is
            // loaded once for all rows of a block rather than once per row, while the rows'
            // data stay in the L1 cache from one i to the next.
            for (int block = 0; block < l1; block += quadRowBlock) {
                const int blockEnd = l1 - block < quadRowBlock ? l1 : block + quadRowBlock;
                for (int i = 2; i < leftoverFrom; i += 8) {
                    for (int row = block; row < blockEnd; ++row) {
                        body(QuadAlongI{}, i, row);
                    }
                }
                leftovers(block, blockEnd);
            }
            return;
        }
        for (; k < l1; ++k) {
            for (int i = 2; i < leftoverFrom; i += 8) {
                body(QuadAlongI{}, i, k);
            }
        }
        leftovers(0, l1);
    }
};

} // namespace

// Every radix runs 256-bit lanes. Radix 2 once kept 128-bit ones, its butterfly then being
// called out of line per iteration; inlined (gnu::flatten on the passes), the 256-bit build of it
// takes 0.69 of the 128-bit build's time (473 vs 685 ns forward at N = 2400, 893 vs 1292 at 4608).
const FftPassTable& avx2FftPassesUnchecked() noexcept {
    static constexpr FftPassTable passes = passesOf<Avx2Lanes>();
    return passes;
}

} // namespace calderine::fftpass
